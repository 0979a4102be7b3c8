#include "net/CNetInfo.h"

#include "core/QVReport.h"

// POSIX sockets need no library start-up; sends never raise SIGPIPE (platform layer).
CNetInfo::CNetInfo() {
    QVReport::message("CNetInfo::CNetInfo(): begin.\n");
}

CNetInfo::~CNetInfo() = default;

#pragma once
// The socket library's holder: made once at start-up, deleted as the last network step at exit.
class CNetInfo {
  public:
    CNetInfo();
    virtual ~CNetInfo();
    CNetInfo(const CNetInfo&) = delete;
    CNetInfo& operator=(const CNetInfo&) = delete;
};

#pragma once
// The synthetic installation writer, also used by tests to make installations in temporary folders.
#include <string>

namespace mkinstall {

// Writes every file of the installation into dir (created when missing).
bool WriteInstallation(const std::string& dir, std::string* error);

// The login port the written "login.cfg" points at (the test server's default).
constexpr int kLoginPort = 7775;

} // namespace mkinstall

#pragma once
// Opening a web page in the user's browser through the desktop's opener ("xdg-open").
#include <string>

// Opens an http or https address; on failure shows "Web browser not found!" (unless the working
// folder was the fault) and returns false. Other addresses are refused with a log line.
bool OpenURL(const std::string& url);
// Starts the opener with the address as its one argument; false when it cannot be started.
bool LaunchWebBrowser(const std::string& url, const std::string& workingFolder);
bool RunBrowserCommand(const std::string& program, const std::string& url, const std::string& workingFolder);
// Only http:// and https:// addresses without control characters are opened.
bool IsOpenableWebAddress(const std::string& url);
// True when the last failed start blamed the working folder.
bool LastBrowserStartWasDirectoryError();

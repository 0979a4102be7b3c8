#pragma once
// The one error policy of the player's stores (qv.cfg, the saved options, character data, filter
// lists, the settings store, server-sent items): a file that is there but cannot be read is never
// rewritten; a save that fails is logged, the player is told once per file and run where the file
// holds the player's own choices, and the client goes on with what it has in memory.
#include "platform/platform.h"

#include <string>

namespace StoreErrors {

// The text of a file a save is about to rewrite: its bytes, "" when it is missing, or nullopt (after
// logging it as who and telling the player) when it is there but cannot be read.
std::optional<std::string> ReadForRewrite(const char* who, const std::string& path, bool tellPlayer);

// Logs that who did not read the file (error is an errno value) and, when asked, tells the player.
void ReadFailed(const char* who, const std::string& path, int error, bool tellPlayer);
// Logs that who could not write the file and, when asked, tells the player.
void SaveFailed(const char* who, const std::string& path, bool tellPlayer);
// A box that says the file's changes are not being kept, the first time in a run for that file: a
// save that fails once (a full disk, a read-only folder) fails again at every routine save.
void TellPlayer(const std::string& path);

// The caption of the box that tells the player, and the text it holds for a path.
constexpr const char* kCaption = "Varnis Online";
std::string NoticeText(const std::string& path);

// Forgets which files the player was told about.
void ResetForTests();

} // namespace StoreErrors

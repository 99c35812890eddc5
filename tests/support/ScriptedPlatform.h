// What the scripted server needs from the system it runs on: the clipboard its copies go
// to, and a way to announce the instance that is already running. On POSIX systems these
// are the windowing library's transfer slot and nothing (the library asks the server
// itself for the running instance); on Windows the system clipboard and the running
// object table, where the library looks for an active Word.Application.
#pragma once

#include <optional>
#include <string>

#include "automation/WordObjects.h"

namespace fv::scripted::os {

// Replaces what the clipboard holds with the server's copy of `text`.
void PutCopyOnClipboard(const std::string& text);
// The server's copy on the clipboard, or nothing when the clipboard holds none.
std::optional<std::string> CopyOnClipboard();
// Empties the clipboard.
void ForgetClipboard();

// Makes `application` the running instance that the library finds as the active one; the
// announcement holds a reference of its own until it is withdrawn.
void AnnounceRunningInstance(automation::Application* application);
// Withdraws the announcement, if any.
void WithdrawRunningInstance();

}  // namespace fv::scripted::os

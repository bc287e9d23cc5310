#pragma once

namespace ferrowin {

// The text of the Welcome page: the purpose of the program, then our release
// history, oldest first.
extern const char* const kWelcomeText;

// What the start-up checks refuse: the Welcome page's notices, and the
// command line's words where it has no page to point at.
extern const char* const kWrongWindowsNotice;
extern const char* const kAdminWarning;
extern const char* const kNotAdminRefusal;

}  // namespace ferrowin

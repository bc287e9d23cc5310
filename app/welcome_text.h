#pragma once

namespace ferrowin {

// The text of the Welcome page: the purpose of the program, then our release
// history, oldest first.
extern const char* const kWelcomeText;

}  // namespace ferrowin

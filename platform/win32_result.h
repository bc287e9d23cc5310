// What a Win32 call came to: success, or the error it failed with, taken the
// moment it failed. A caller that reads GetLastError later may read the
// error of some call in between (a handle closed, a file deleted); a result
// carries its own reason to wherever it is reported.
#pragma once

#include <windows.h>

#include <string>

#include "platform/text.h"

namespace ferrowin {

class [[nodiscard]] Win32Result {
 public:
  // Success.
  Win32Result() = default;
  explicit Win32Result(DWORD error) : error_(error) {}

  // The calling thread's last error; a failure that left none still fails.
  static Win32Result LastError() {
    const DWORD error = ::GetLastError();
    return Win32Result(error == ERROR_SUCCESS ? ERROR_GEN_FAILURE : error);
  }
  // Success when `succeeded`, else the last error.
  static Win32Result Of(BOOL succeeded) { return succeeded ? Win32Result() : LastError(); }

  bool Ok() const { return error_ == ERROR_SUCCESS; }
  explicit operator bool() const { return Ok(); }
  DWORD Error() const { return error_; }
  // The system's own words for the error.
  std::string Reason() const { return SystemErrorText(error_); }

 private:
  DWORD error_ = ERROR_SUCCESS;
};

}  // namespace ferrowin

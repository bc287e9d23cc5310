// The window's own messages. Background threads reach the window only
// through these.
#pragma once

#include <windows.h>

namespace ferrowin {

enum : UINT {
  // Sent by the version check; the window shows the new-version notice.
  kMsgShowNewVersionNotice = WM_APP + 1,
  // Posted by the file counter: wParam is the count's serial number,
  // lParam the files counted so far.
  kMsgCountProgress = WM_APP + 2,
  // Posted by the file counter when a count has ended; wParam is its serial number.
  kMsgCountDone = WM_APP + 3,
};

}  // namespace ferrowin

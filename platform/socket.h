// The RAII type for Winsock sockets, in the style of handles.h: a socket is
// invalid as INVALID_SOCKET and is closed with closesocket.
#pragma once

#include <winsock2.h>

#include "platform/handles.h"

namespace ferrowin {

struct SocketTraits {
  using Handle = SOCKET;
  static Handle Invalid() { return INVALID_SOCKET; }
  static void Close(Handle h) { ::closesocket(h); }
};

using UniqueSocket = UniqueHandle<SocketTraits>;

}  // namespace ferrowin

// The RAII types for Winsock, in the style of handles.h and kept apart from
// it because winsock2.h must come before windows.h: a socket is invalid as
// INVALID_SOCKET and is closed with closesocket; an address list is freed
// with freeaddrinfo.
#pragma once

#include <winsock2.h>
#include <ws2tcpip.h>

#include "platform/handles.h"

namespace ferrowin {

struct SocketTraits {
  using Handle = SOCKET;
  static Handle Invalid() { return INVALID_SOCKET; }
  static void Close(Handle h) { ::closesocket(h); }
};

// getaddrinfo's list: NULL when invalid, freed with freeaddrinfo.
struct AddressInfoTraits {
  using Handle = addrinfo*;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { ::freeaddrinfo(h); }
};

using UniqueSocket = UniqueHandle<SocketTraits>;
using UniqueAddressInfo = UniqueHandle<AddressInfoTraits>;

}  // namespace ferrowin

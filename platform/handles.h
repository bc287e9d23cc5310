// One RAII type per "invalid value" convention of Win32 handles, so no code
// path has to remember to close anything; and scoped pairs for the device
// context calls that must be undone in the same scope.
#pragma once

#include <windows.h>
// After windows.h, which they need.
#include <lmcons.h>
#include <lmapibuf.h>
#include <ntsecapi.h>

#include <utility>

namespace ferrowin {

// Traits name the handle type, its invalid value and how it is closed; a
// convention with more than one empty value says so in IsValid.
template <typename Traits>
class UniqueHandle {
 public:
  using Handle = typename Traits::Handle;

  UniqueHandle() = default;
  explicit UniqueHandle(Handle handle) : handle_(handle) {}
  ~UniqueHandle() { Reset(); }

  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  Handle Get() const { return handle_; }
  bool Valid() const { return IsValid(handle_); }
  explicit operator bool() const { return Valid(); }

  // The handle is the caller's to close from now on.
  [[nodiscard]] Handle Release() { return std::exchange(handle_, Traits::Invalid()); }

  // Closes the handle held, if any. The caller's last error survives: a
  // failed call's handle is often handed straight to Reset before the caller
  // asks GetLastError why it failed.
  void Reset(Handle handle = Traits::Invalid()) {
    Handle old = std::exchange(handle_, handle);
    if (!IsValid(old)) return;
    DWORD lastError = ::GetLastError();
    Traits::Close(old);
    ::SetLastError(lastError);
  }

 private:
  static bool IsValid(Handle handle) {
    if constexpr (requires { Traits::IsValid(handle); }) {
      return Traits::IsValid(handle);
    } else {
      return handle != Traits::Invalid();
    }
  }

  Handle handle_ = Traits::Invalid();
};

// Thread, process and event handles: NULL when invalid.
struct KernelHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { ::CloseHandle(h); }
};

// CreateFile: INVALID_HANDLE_VALUE when invalid. NULL, which no file call
// returns, counts as empty too, so that a handle nobody set is never closed.
struct FileHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(Handle h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
  static void Close(Handle h) { ::CloseHandle(h); }
};

// FindFirstFile: INVALID_HANDLE_VALUE when invalid, closed with FindClose.
struct FindHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { ::FindClose(h); }
};

// Fonts, bitmaps and other GDI objects: NULL when invalid, closed with
// DeleteObject; typed, so that no caller casts.
template <typename GdiHandle>
struct GdiObjectTraits {
  using Handle = GdiHandle;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { ::DeleteObject(h); }
};

// CreateCompatibleDC: NULL when invalid, closed with DeleteDC.
struct MemoryDcTraits {
  using Handle = HDC;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { ::DeleteDC(h); }
};

// LocalAlloc, and what the system allocates for its caller to free with
// LocalFree (FormatMessage's buffer, CommandLineToArgvW's list, a SID's text).
struct LocalMemoryTraits {
  using Handle = HLOCAL;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { ::LocalFree(h); }
};

// LoadLibraryEx: NULL when invalid, released with FreeLibrary.
struct ModuleTraits {
  using Handle = HMODULE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { ::FreeLibrary(h); }
};

// RegOpenKeyEx: NULL when invalid, closed with RegCloseKey.
struct RegistryKeyTraits {
  using Handle = HKEY;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { ::RegCloseKey(h); }
};

// LsaOpenPolicy: NULL when invalid, closed with LsaClose.
struct LsaPolicyTraits {
  using Handle = LSA_HANDLE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { ::LsaClose(h); }
};

// What an LSA query allocates for its caller, freed with LsaFreeMemory.
struct LsaMemoryTraits {
  using Handle = void*;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { ::LsaFreeMemory(h); }
};

// What a NetXxx call allocates for its caller, freed with NetApiBufferFree.
struct NetBufferTraits {
  using Handle = BYTE*;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { ::NetApiBufferFree(h); }
};

using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;
using UniqueLocalMemory = UniqueHandle<LocalMemoryTraits>;
using UniqueFileHandle = UniqueHandle<FileHandleTraits>;
using UniqueFindHandle = UniqueHandle<FindHandleTraits>;
using UniqueFont = UniqueHandle<GdiObjectTraits<HFONT>>;
using UniqueBitmap = UniqueHandle<GdiObjectTraits<HBITMAP>>;
using UniqueMemoryDc = UniqueHandle<MemoryDcTraits>;
using UniqueModule = UniqueHandle<ModuleTraits>;
using UniqueRegistryKey = UniqueHandle<RegistryKeyTraits>;
using UniqueLsaPolicy = UniqueHandle<LsaPolicyTraits>;
using UniqueLsaMemory = UniqueHandle<LsaMemoryTraits>;
using UniqueNetBuffer = UniqueHandle<NetBufferTraits>;
// Winsock's handle types are in socket.h: winsock2.h must come before windows.h.

// CreateProcess's two handles, the process's and its first thread's, closed
// together.
class ScopedProcessInformation {
 public:
  ScopedProcessInformation() = default;
  ~ScopedProcessInformation() { Reset(); }
  ScopedProcessInformation(const ScopedProcessInformation&) = delete;
  ScopedProcessInformation& operator=(const ScopedProcessInformation&) = delete;

  // Where CreateProcess puts them; what was held before is closed.
  PROCESS_INFORMATION* Receive() {
    Reset();
    return &information_;
  }
  HANDLE Process() const { return information_.hProcess; }
  DWORD ProcessId() const { return information_.dwProcessId; }

  void Reset() {
    DWORD lastError = ::GetLastError();
    if (information_.hThread) ::CloseHandle(information_.hThread);
    if (information_.hProcess) ::CloseHandle(information_.hProcess);
    information_ = {};
    ::SetLastError(lastError);
  }

 private:
  PROCESS_INFORMATION information_{};
};

// GetDC and ReleaseDC: the device context of a window, or of the whole
// screen for a null window.
class ScopedWindowDc {
 public:
  explicit ScopedWindowDc(HWND window) : window_(window), dc_(::GetDC(window)) {}
  ~ScopedWindowDc() {
    if (dc_) ::ReleaseDC(window_, dc_);
  }
  ScopedWindowDc(const ScopedWindowDc&) = delete;
  ScopedWindowDc& operator=(const ScopedWindowDc&) = delete;

  HDC Get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// SelectObject, and the object it replaced selected back at the end of the
// scope. A null object selects nothing.
class ScopedSelectObject {
 public:
  ScopedSelectObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(object ? ::SelectObject(dc, object) : nullptr) {}
  ~ScopedSelectObject() {
    if (previous_ && previous_ != HGDI_ERROR) ::SelectObject(dc_, previous_);
  }
  ScopedSelectObject(const ScopedSelectObject&) = delete;
  ScopedSelectObject& operator=(const ScopedSelectObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// BeginPaint and EndPaint, for the whole of a WM_PAINT.
class ScopedPaint {
 public:
  explicit ScopedPaint(HWND window) : window_(window), dc_(::BeginPaint(window, &paint_)) {}
  ~ScopedPaint() { ::EndPaint(window_, &paint_); }
  ScopedPaint(const ScopedPaint&) = delete;
  ScopedPaint& operator=(const ScopedPaint&) = delete;

  HDC Dc() const { return dc_; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};

}  // namespace ferrowin

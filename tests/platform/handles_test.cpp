// What the handle types promise beyond closing: which values count as empty,
// and that closing leaves the caller's last error alone.
#include "platform/handles.h"

#include <gtest/gtest.h>

namespace ferrowin {
namespace {

TEST(FileHandle, NullIsEmptyAsInvalidIs) {
  EXPECT_FALSE(UniqueFileHandle(nullptr));
  EXPECT_FALSE(UniqueFileHandle(INVALID_HANDLE_VALUE));
}

// Closing changes the last error, as a failed CloseHandle does.
struct ErrorSettingTraits {
  using Handle = int*;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle) { SetLastError(ERROR_INVALID_HANDLE); }
};

TEST(UniqueHandleTest, ResetKeepsTheCallersLastError) {
  int resource = 0;
  UniqueHandle<ErrorSettingTraits> held(&resource);
  SetLastError(ERROR_FILE_NOT_FOUND);
  held.Reset();
  EXPECT_FALSE(held);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

}  // namespace
}  // namespace ferrowin

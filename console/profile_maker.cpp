#include "console/profile_maker.h"

#include <cstdio>
#include <iterator>

#include "platform/environment.h"
#include "platform/files.h"
#include "platform/handles.h"
#include "platform/text.h"
#include "platform/win32_result.h"

namespace ferrowin {

namespace {

using CreateProfileFunction = HRESULT(WINAPI*)(LPCWSTR sid, LPCWSTR name, LPWSTR folder, DWORD folderLength);

MadeProfile MakeWithCreateProfile(const std::string& sid, const std::string& name) {
  const UniqueModule library = LoadSystemLibrary("userenv.dll");
  if (!library) {
    return {.outcome = MadeProfile::Outcome::Failed, .result = HRESULT_FROM_WIN32(Win32Result::LastError().Error())};
  }
  const auto createProfile =
      reinterpret_cast<CreateProfileFunction>(reinterpret_cast<void*>(GetProcAddress(library.Get(), "CreateProfile")));
  if (!createProfile) return {};
  if (sid.empty()) return {.outcome = MadeProfile::Outcome::Failed, .result = HRESULT_FROM_WIN32(ERROR_NONE_MAPPED)};
  wchar_t folder[MAX_PATH + 1] = {};
  const HRESULT result =
      createProfile(Widen(sid).c_str(), Widen(name).c_str(), folder, static_cast<DWORD>(std::size(folder)));
  if (result == HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS)) return {.outcome = MadeProfile::Outcome::AlreadyThere};
  if (FAILED(result)) return {.outcome = MadeProfile::Outcome::Failed, .result = result};
  return {.outcome = MadeProfile::Outcome::Made, .folder = Narrow(folder)};
}

}  // namespace

std::string MadeProfile::Reason() const {
  std::string text;
  if (HRESULT_FACILITY(result) == FACILITY_WIN32) {
    text = SystemErrorText(HRESULT_CODE(result));
  } else {
    char code[16];
    snprintf(code, sizeof code, "error 0x%08lX", static_cast<unsigned long>(result));
    text = SystemErrorText(static_cast<DWORD>(result));
    if (StartsWith(text, "error ")) text = code;  // the system has no words for it
  }
  if (!text.empty() && text.back() == '.') text.pop_back();
  return text;
}

ProfileMaker SystemProfileMaker() { return MakeWithCreateProfile; }

}  // namespace ferrowin

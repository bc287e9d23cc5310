// The update notice: one background check per run of the version file on the
// maker's web site.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "app/id_http.h"

#ifndef FERROWIN_UPDATE_HOST
#define FERROWIN_UPDATE_HOST "www.marrowby.example"
#endif

namespace ferrowin {

// This build's version number: the caption, the update check and the log say it.
inline constexpr std::int32_t kProgramVersion = 14;

inline constexpr const char* kVersionFileUrl = "http://" FERROWIN_UPDATE_HOST "/programs/ferrowin/version.txt";
inline constexpr const char* kNewVersionNotice =
    "There is a new version of this program at http://" FERROWIN_UPDATE_HOST " please upgrade!";

// The first line of the last version file fetched.
extern std::string& latestVersionText;

// The integer conversion the version file is read with: leading blanks, an
// optional sign, then decimal digits (32-bit signed range) or a hexadecimal
// number after "$", "x", "X", "0x" or "0X" (up to eight digits, read as a
// 32-bit pattern); nothing may follow the number.
bool TryStrToInt(std::string_view text, std::int32_t& value);

// One GET of the address with the HTTP component's settings; true with its
// first line in latestVersionText.
bool FetchVersionText(const std::string& url, const IdHttpSettings& settings = {});

// The check as the version thread runs it: when the version file names a
// version above programVersion, the window is sent kMsgShowNewVersionNotice
// and the check waits until the window has handled it. Every failure is silent.
void RunVersionCheck(const std::string& url, std::int32_t programVersion, HWND window,
                     const IdHttpSettings& settings = {});

class TVersionThread {
 public:
  // Starts one check on a thread of its own, never waited for: it ends by
  // itself, or with the process. It holds copies of what it needs (the
  // HTTP component's settings among them) and never touches the window
  // object, only its handle.
  static void Start(std::string url, std::int32_t programVersion, HWND window, IdHttpSettings settings);
};

}  // namespace ferrowin

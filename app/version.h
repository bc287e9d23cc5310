// The update notice: one background check per run of the version file on the
// maker's web site.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#ifndef FERROWIN_UPDATE_HOST
#define FERROWIN_UPDATE_HOST "www.marrowby.example"
#endif

namespace ferrowin {

inline constexpr const char* kMakerSite = "http://" FERROWIN_UPDATE_HOST;
inline constexpr const char* kVersionFileUrl = "http://" FERROWIN_UPDATE_HOST "/programs/ferrowin/version.txt";
inline constexpr const char* kNewVersionNotice =
    "There is a new version of this program at http://" FERROWIN_UPDATE_HOST " please upgrade!";

}  // namespace ferrowin

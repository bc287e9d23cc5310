// The stored layout of the window: one table of controls per page, and the
// one loop that makes every control from its row.
#pragma once

#include <windows.h>

namespace ferrowin {

class TfrmMain;

struct LayoutFonts {
  HFONT regular;  // "MS Sans Serif" 8 pt
  HFONT bold10;   // the red notices of the Welcome page
  HFONT bold8;    // the contacts warning
};

// What every status label of the Migrate page reads before its step has run:
// fifteen full stops.
inline constexpr const char* kStatusPlaceholder = "...............";

// The page's width at design time; right-anchored controls keep their
// distance from the right edge as it was at this width.
inline constexpr int kDesignPageWidth = 722;

// Makes the page container, its four pages and every control on them, with
// the stored positions, texts, fonts, states, tab order and bound handlers.
void LoadLayout(TfrmMain& form, const LayoutFonts& fonts);

}  // namespace ferrowin

// The stored layout of the window: one table of controls per page, and the
// one loop that makes every control from its row.
#include "app/Unit2.h"
// After windows.h, which it needs.
#include <commctrl.h>

#include <algorithm>
#include <span>
#include <utility>
#include <vector>

#include "app/version.h"
#include "app/welcome_text.h"

namespace ferrowin {

namespace {

// The page's width at design time; right-anchored controls keep their
// distance from the right edge as it was at this width.
constexpr int kDesignPageWidth = 722;

using Handler = void (TfrmMain::*)(EventSource* sender);

enum class Kind { Label, Memo, Edit, ListBox, CheckBox, Button, Shape };

enum Setting : unsigned {
  kHidden = 1u << 0,
  kDisabled = 1u << 1,
  kFixedSize = 1u << 2,       // a label that keeps its box and wraps inside it
  kRedBold10 = 1u << 3,       // clRed, bold 10 pt
  kRedBold8 = 1u << 4,        // clRed, bold 8 pt
  kReadOnly = 1u << 5,
  kVerticalScroll = 1u << 6,
  kBothScrolls = 1u << 7,     // a memo that does not wrap its lines
  kAnchorRight = 1u << 8,     // follows the page's right edge
  kDefaultButton = 1u << 9,   // Enter clicks it while its page is shown
};

constexpr int kNoTab = -1;

struct ControlRow {
  int id;
  Kind kind;
  int left, top, width, height;
  const char* text;
  unsigned settings;
  int tabOrder;
  Handler onClick;
};

struct PageRows {
  int id;
  const char* caption;
  std::span<const ControlRow> controls;
};

// clang-format off
const ControlRow kWelcomePage[] = {
  {ids::lblWin7Admin, Kind::Label, 40, 200, 649, 41, kAdminWarning, kRedBold10 | kFixedSize | kHidden, kNoTab, nullptr},
  {ids::lblNotWin7, Kind::Label, 40, 328, 649, 25, kWrongWindowsNotice, kRedBold10 | kFixedSize | kHidden, kNoTab, nullptr},
  {ids::lblNewVersion, Kind::Label, 40, 384, 649, 25, kNewVersionNotice, kRedBold10 | kFixedSize | kHidden, kNoTab, nullptr},
  {ids::Memo1, Kind::Memo, 40, 8, 649, 121, kWelcomeText, kReadOnly | kVerticalScroll, 1, nullptr},
  {ids::cmdNext0, Kind::Button, 288, 420, 75, 25, "Next", kDisabled, 0, &TfrmMain::cmdNext0Click},
};

const ControlRow kProfileListPage[] = {
  {ids::lblOldUser, Kind::Label, 48, 40, 161, 13, "Select the SOURCE user account", 0, kNoTab, nullptr},
  {ids::lblNewUser2, Kind::Label, 312, 88, 251, 13, "OR select it from this list if you have already created it", 0, kNoTab, nullptr},
  {ids::lblNewUser1, Kind::Label, 312, 40, 383, 13, "Enter a new username for the DESTINATION user account, and it will be created", 0, kNoTab, nullptr},
  {ids::lblContactsWarning, Kind::Label, 48, 344, 217, 81, "WARNING: Windows Live Mail contacts need to be manually exported to CSV before continuing then manually imported into the new profile.", kRedBold8 | kFixedSize | kHidden, kNoTab, nullptr},
  {ids::Shape1, Kind::Shape, 288, 8, 1, 385, "", 0, kNoTab, nullptr},
  {ids::lblFileCount, Kind::Label, 48, 320, 56, 13, "File Count =", 0, kNoTab, nullptr},
  {ids::cmdBack6, Kind::Button, 168, 420, 75, 25, "Back", 0, 1, &TfrmMain::cmdBackClick},
  {ids::cmdNext6, Kind::Button, 288, 420, 75, 25, "Next", 0, 0, &TfrmMain::cmdNext6Click},
  {ids::lbInfectedUser, Kind::ListBox, 48, 56, 217, 257, "", 0, 2, &TfrmMain::lbInfectedUserClick},
  {ids::lbNewUser, Kind::ListBox, 312, 104, 217, 209, "", 0, 3, &TfrmMain::lbNewUserClick},
  {ids::txtNewUser, Kind::Edit, 312, 56, 217, 21, "", 0, 4, nullptr},
  {ids::chkGiveAdmin, Kind::CheckBox, 536, 56, 97, 17, "Give Admin", 0, 5, nullptr},
};

const ControlRow kMigratePage[] = {
  {ids::lblMagic2, Kind::Label, 216, 48, 441, 73, kStatusPlaceholder, kFixedSize | kHidden, kNoTab, nullptr},
  {ids::lbllblMagic1, Kind::Label, 56, 16, 124, 13, "Create New User Account", 0, kNoTab, nullptr},
  {ids::lblMagic1, Kind::Label, 216, 16, 45, 13, kStatusPlaceholder, kHidden, kNoTab, nullptr},
  {ids::Label11, Kind::Label, 120, 48, 65, 13, "Create folders", 0, kNoTab, nullptr},
  {ids::Label12, Kind::Label, 128, 136, 53, 13, "Move Data", 0, kNoTab, nullptr},
  {ids::lblMagic4, Kind::Label, 216, 136, 45, 13, kStatusPlaceholder, kHidden, kNoTab, nullptr},
  {ids::lblAdjustPermissions, Kind::Label, 96, 160, 87, 13, "Adjust Permissions", 0, kNoTab, nullptr},
  {ids::lblMagic5, Kind::Label, 216, 160, 45, 13, kStatusPlaceholder, kHidden, kNoTab, nullptr},
  {ids::lbllblMagic11, Kind::Label, 120, 32, 59, 13, "Make Admin", kHidden, kNoTab, nullptr},
  {ids::lblMagic11, Kind::Label, 216, 32, 45, 13, kStatusPlaceholder, kHidden, kNoTab, nullptr},
  {ids::cmdBack62, Kind::Button, 168, 420, 75, 25, "Back", 0, 0, &TfrmMain::cmdBackClick},
  {ids::memoRecovery, Kind::Memo, 24, 200, 681, 209, "", kBothScrolls | kAnchorRight, 1, nullptr},
};

const ControlRow kDosCommandPage[] = {
  {ids::memoDosOutput, Kind::Memo, 56, 232, 569, 193, "memoDosOutput", 0, 2, nullptr},
  {ids::txtDosCommand, Kind::Edit, 64, 80, 561, 21, "net users", 0, 0, nullptr},
  {ids::cmdExecute, Kind::Button, 288, 104, 75, 25, "Execute", kDefaultButton, 1, &TfrmMain::cmdExecuteClick},
};

const PageRows kPages[] = {
  {ids::tsWelcome, "Welcome", kWelcomePage},
  {ids::tsProfileList, "Profile List", kProfileListPage},
  {ids::tsMagic6, "Migrate", kMigratePage},
  {ids::tsDosCommand, "Dos Command", kDosCommandPage},
};
// clang-format on

const wchar_t* WindowClassOf(Kind kind) {
  switch (kind) {
    case Kind::Label: return WC_STATICW;
    case Kind::Memo:
    case Kind::Edit: return WC_EDITW;
    case Kind::ListBox: return WC_LISTBOXW;
    case Kind::CheckBox:
    case Kind::Button: return WC_BUTTONW;
    case Kind::Shape: return Shape::WindowClass();
  }
  return WC_STATICW;
}

DWORD KindStyle(const ControlRow& row) {
  switch (row.kind) {
    case Kind::Label: return SS_LEFT;
    case Kind::Memo: {
      DWORD style = ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN;
      if (row.settings & kReadOnly) style |= ES_READONLY;
      if (row.settings & kVerticalScroll) style |= WS_VSCROLL;
      if (row.settings & kBothScrolls) style |= WS_VSCROLL | WS_HSCROLL | ES_AUTOHSCROLL;
      return style;
    }
    case Kind::Edit: return ES_AUTOHSCROLL;
    case Kind::ListBox: return LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL;
    case Kind::CheckBox: return BS_AUTOCHECKBOX;
    case Kind::Button: return (row.settings & kDefaultButton) ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
    case Kind::Shape: return 0;
  }
  return 0;
}

DWORD StyleOf(const ControlRow& row) {
  DWORD style = KindStyle(row) | WS_CLIPSIBLINGS;
  if (!(row.settings & kHidden)) style |= WS_VISIBLE;
  if (row.settings & kDisabled) style |= WS_DISABLED;
  if (row.tabOrder != kNoTab) style |= WS_TABSTOP;
  return style;
}

DWORD ExStyleOf(Kind kind) {
  bool sunken = kind == Kind::Memo || kind == Kind::Edit || kind == Kind::ListBox;
  return sunken ? WS_EX_CLIENTEDGE : 0;
}

HFONT FontOf(const ControlRow& row, const TfrmMain::LayoutFonts& fonts) {
  if (row.settings & kRedBold10) return fonts.bold10;
  if (row.settings & kRedBold8) return fonts.bold8;
  return fonts.regular;
}

void ApplySettings(Control& control, const ControlRow& row) {
  if (auto* label = dynamic_cast<Label*>(&control)) {
    label->SetAutoSize(!(row.settings & kFixedSize));
    if (row.settings & (kRedBold10 | kRedBold8)) label->SetFontColor(Label::kRed);
  }
  if (row.kind == Kind::Memo) SendMessageW(control.Handle(), EM_SETLIMITTEXT, 0x7FFFFFFE, 0);
  if (row.kind == Kind::ListBox) SendMessageW(control.Handle(), LB_SETITEMHEIGHT, 0, 13);
  if (row.settings & kAnchorRight) control.AnchorRight(kDesignPageWidth - row.left - row.width);
}

// Tab moves through a page's controls in z-order: the focusable ones go on
// top in their tab order, and labels and shapes underneath everything, so a
// button drawn over a label covers it.
void StackInTabOrder(std::span<const ControlRow> rows, TfrmMain& form) {
  std::vector<const ControlRow*> ordered;
  for (const ControlRow& row : rows) ordered.push_back(&row);
  std::stable_sort(ordered.begin(), ordered.end(), [](const ControlRow* a, const ControlRow* b) {
    if ((a->tabOrder == kNoTab) != (b->tabOrder == kNoTab)) return b->tabOrder == kNoTab;
    return a->tabOrder < b->tabOrder;
  });
  for (const ControlRow* row : ordered) {
    auto& control = static_cast<Control&>(*form.FindComponent(row->id));
    SetWindowPos(control.Handle(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
}

void CreatePage(TfrmMain& form, const PageRows& pageRows, const TfrmMain::LayoutFonts& fonts) {
  auto& page = static_cast<TabSheet&>(*form.FindComponent(pageRows.id));
  page.Create(TabSheet::WindowClass(), {.parent = form.PageControl1.Handle(),
                                        .text = pageRows.caption,
                                        .style = WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                                        .exStyle = WS_EX_CONTROLPARENT,
                                        .font = fonts.regular});
  page.SetCaption(pageRows.caption);
  form.PageControl1.AddPage(page);

  for (const ControlRow& row : pageRows.controls) {
    auto& control = static_cast<Control&>(*form.FindComponent(row.id));
    control.Create(WindowClassOf(row.kind), {.parent = page.Handle(),
                                              .left = row.left,
                                              .top = row.top,
                                              .width = row.width,
                                              .height = row.height,
                                              .text = row.text,
                                              .style = StyleOf(row),
                                              .exStyle = ExStyleOf(row.kind),
                                              .font = FontOf(row, fonts)});
    ApplySettings(control, row);
    if (row.onClick) {
      form.BindClick(row.id, [&form, handler = row.onClick](EventSource* sender) { (form.*handler)(sender); });
    }
  }
  StackInTabOrder(pageRows.controls, form);
}

}  // namespace

void TfrmMain::LoadLayout(const LayoutFonts& fonts) {
  RECT client;
  GetClientRect(Handle(), &client);
  PageControl1.Create(WC_TABCONTROLW, {.parent = Handle(),
                                       .width = client.right,
                                       .height = client.bottom,
                                       .style = WS_VISIBLE | WS_TABSTOP | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                                       .exStyle = WS_EX_CONTROLPARENT,
                                       .font = fonts.regular});
  for (const PageRows& page : kPages) CreatePage(*this, page, fonts);
  PageControl1.SetActivePage(tsWelcome);
}

}  // namespace ferrowin

// The real main window under Wine: what loading builds, what FormCreate
// decides, and how the user moves through the pages.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include "app/Unit2.h"
#include "app/welcome_text.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/handles.h"
#include "platform/text.h"
#include "tests/support/tree.h"
#include "tests/support/window.h"

namespace ferrowin {
namespace {

using test::Click;
using test::WindowTest;

int TabCount(const TfrmMain& form) { return TabCtrl_GetItemCount(form.PageControl1.Handle()); }

std::string TabCaption(const TfrmMain& form, int index) {
  wchar_t text[64] = {};
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = text;
  item.cchTextMax = 64;
  SendMessageW(form.PageControl1.Handle(), TCM_GETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
  return Narrow(text);
}

RECT BoundsOf(const Control& control) { return control.Bounds(); }

void ExpectBounds(const Control& control, int left, int top, int width, int height) {
  RECT r = BoundsOf(control);
  EXPECT_EQ(r.left, left) << control.Name();
  EXPECT_EQ(r.top, top) << control.Name();
  EXPECT_EQ(r.right - r.left, width) << control.Name();
  EXPECT_EQ(r.bottom - r.top, height) << control.Name();
}

LOGFONTW FontOf(const Control& control) {
  LOGFONTW font{};
  auto handle = reinterpret_cast<HFONT>(SendMessageW(control.Handle(), WM_GETFONT, 0, 0));
  GetObjectW(handle, sizeof font, &font);
  return font;
}

using WindowLoading = WindowTest;

TEST_F(WindowLoading, DeclaresItsComponentsInTheDocumentedOrder) {
  TfrmMain& form = LoadForm();
  std::vector<std::string> names;
  for (Component* component : form.Components()) names.push_back(component->Name());
  EXPECT_EQ(names, (std::vector<std::string>{
                       "PageControl1", "tsWelcome", "Memo1", "lblWin7Admin", "lblNotWin7", "cmdNext0",
                       "lblNewVersion", "IdHTTP1", "tsProfileList", "cmdBack6", "cmdNext6", "tsDosCommand",
                       "memoDosOutput", "txtDosCommand", "cmdExecute", "tsMagic6", "cmdBack62", "memoRecovery",
                       "lblOldUser", "lblNewUser2", "lblNewUser1", "lblContactsWarning", "lbInfectedUser",
                       "lbNewUser", "txtNewUser", "chkGiveAdmin", "lbllblMagic1", "lblMagic1", "Label11",
                       "lblMagic2", "Label12", "lblMagic4", "lblAdjustPermissions", "lblMagic5", "lbllblMagic11",
                       "lblMagic11", "Shape1", "lblFileCount"}));
  // Every visual component is a real child window that its id finds.
  for (Component* component : form.Components()) {
    auto* control = dynamic_cast<Control*>(component);
    if (!control) continue;
    HWND parent = GetParent(control->Handle());
    EXPECT_EQ(GetDlgItem(parent, component->Id()), control->Handle()) << component->Name();
  }
}

TEST_F(WindowLoading, StartsOnTheWelcomePageWithEverythingAtRest) {
  TfrmMain& form = LoadForm();
  EXPECT_EQ(form.PageControl1.ActivePage(), &form.tsWelcome);
  ASSERT_EQ(TabCount(form), 4);
  EXPECT_EQ(TabCaption(form, 0), "Welcome");
  EXPECT_EQ(TabCaption(form, 1), "Profile List");
  EXPECT_EQ(TabCaption(form, 2), "Migrate");
  EXPECT_EQ(TabCaption(form, 3), "Dos Command");
  EXPECT_EQ(form.tsMagic6.PageIndex(), 2);

  EXPECT_FALSE(form.cmdNext0.Enabled());
  for (Label* hidden : {&form.lblWin7Admin, &form.lblNotWin7, &form.lblNewVersion, &form.lblContactsWarning,
                        &form.lbllblMagic11}) {
    EXPECT_FALSE(hidden->Visible()) << hidden->Name();
  }
  for (Label* status : {&form.lblMagic1, &form.lblMagic11, &form.lblMagic2, &form.lblMagic4, &form.lblMagic5}) {
    EXPECT_FALSE(status->Visible()) << status->Name();
    EXPECT_EQ(status->Text(), "...............") << status->Name();
  }
  EXPECT_EQ(form.lbInfectedUser.Count(), 0);
  EXPECT_EQ(form.lbNewUser.Count(), 0);
  EXPECT_EQ(form.txtNewUser.Text(), "");
  EXPECT_FALSE(form.chkGiveAdmin.Checked());
  EXPECT_EQ(form.lblFileCount.Text(), "File Count =");
  EXPECT_TRUE(form.memoRecovery.Lines().empty());
  EXPECT_EQ(form.txtDosCommand.Text(), "net users");
  EXPECT_EQ(form.memoDosOutput.Lines(), std::vector<std::string>{"memoDosOutput"});

  EXPECT_FALSE(form.isAdmin);
  EXPECT_EQ(form.osMajorVersion, 0u);
  EXPECT_FALSE(form.migrationActive);
  EXPECT_FALSE(form.keepCounting);
  EXPECT_EQ(form.fileCount, 0);
  EXPECT_EQ(form.countedBytes, 0);
  EXPECT_EQ(form.copiedBytes, 0);
  EXPECT_FALSE(form.counterBusy);
  EXPECT_EQ(form.programVersion, 0);
  EXPECT_EQ(form.Caption(), "Marrowby's Ferrowin");
}

TEST_F(WindowLoading, PlacesControlsWhereTheLayoutStoresThem) {
  TfrmMain& form = LoadForm();
  ExpectBounds(form.Memo1, 40, 8, 649, 121);
  ExpectBounds(form.cmdNext0, 288, 420, 75, 25);
  ExpectBounds(form.lblWin7Admin, 40, 200, 649, 41);
  ExpectBounds(form.lblContactsWarning, 48, 344, 217, 81);
  ExpectBounds(form.Shape1, 288, 8, 1, 385);
  ExpectBounds(form.lbInfectedUser, 48, 56, 217, 257);
  ExpectBounds(form.lbNewUser, 312, 104, 217, 209);
  ExpectBounds(form.chkGiveAdmin, 536, 56, 97, 17);
  ExpectBounds(form.lblMagic2, 216, 48, 441, 73);
  // Labels that size themselves keep their place and show their whole text
  // on one line, whatever the font's widths on this system.
  for (Label* label : {&form.lblOldUser, &form.lblNewUser1, &form.lblNewUser2, &form.lblFileCount,
                       &form.lbllblMagic1, &form.lbllblMagic11, &form.Label11, &form.lblAdjustPermissions}) {
    RECT r = BoundsOf(*label);
    SIZE text{};
    ScopedWindowDc dc(label->Handle());
    ScopedSelectObject font(dc.Get(), reinterpret_cast<HGDIOBJ>(SendMessageW(label->Handle(), WM_GETFONT, 0, 0)));
    std::wstring wide = Widen(label->Text());
    GetTextExtentPoint32W(dc.Get(), wide.c_str(), static_cast<int>(wide.size()), &text);
    EXPECT_GE(r.right - r.left, text.cx) << label->Name();
    EXPECT_LT(r.bottom - r.top, 2 * text.cy) << label->Name();
  }
  EXPECT_EQ(BoundsOf(form.lblMagic5).left, 216);
  EXPECT_EQ(BoundsOf(form.lblMagic5).top, 160);
  ExpectBounds(form.cmdBack62, 168, 420, 75, 25);
  ExpectBounds(form.memoDosOutput, 56, 232, 569, 193);
  ExpectBounds(form.txtDosCommand, 64, 80, 561, 21);
  ExpectBounds(form.cmdExecute, 288, 104, 75, 25);
  // The log keeps its place and height and reaches 17 pixels short of the page's right edge.
  RECT page;
  GetClientRect(form.tsMagic6.Handle(), &page);
  ExpectBounds(form.memoRecovery, 24, 200, page.right - 17 - 24, 209);

  // The contacts warning lies under the Back button, not over it.
  HWND aboveWarning = form.lblContactsWarning.Handle();
  bool backIsAbove = false;
  while ((aboveWarning = GetWindow(aboveWarning, GW_HWNDPREV))) backIsAbove |= aboveWarning == form.cmdBack6.Handle();
  EXPECT_TRUE(backIsAbove);
}

// The room a label's text takes as the static control draws it: one line, or
// wrapped at the label's width for a label that keeps its box.
SIZE DrawnTextSize(const Label& label) {
  RECT box = BoundsOf(label);
  RECT text{0, 0, label.AutoSize() ? 0 : box.right - box.left, 0};
  UINT format = DT_CALCRECT | DT_LEFT | DT_EXPANDTABS | (label.AutoSize() ? 0 : DT_WORDBREAK);
  ScopedWindowDc dc(label.Handle());
  ScopedSelectObject font(dc.Get(), reinterpret_cast<HGDIOBJ>(SendMessageW(label.Handle(), WM_GETFONT, 0, 0)));
  std::wstring wide = Widen(label.Text());
  DrawTextW(dc.Get(), wide.c_str(), -1, &text, format);
  return {text.right, text.bottom};
}

TEST_F(WindowLoading, EveryLabelsTextLiesInsideItsPage) {
  // Where the system lacks MS Sans Serif, a wider stand-in font carries the
  // long labels of the Profile List page past the window's right edge.
  TfrmMain& form = LoadForm();
  int labels = 0;
  for (Component* component : form.Components()) {
    auto* label = dynamic_cast<Label*>(component);
    if (!label) continue;
    ++labels;
    RECT page;
    GetClientRect(GetParent(label->Handle()), &page);
    RECT box = BoundsOf(*label);
    SIZE text = DrawnTextSize(*label);
    EXPECT_LE(box.left + text.cx, page.right) << label->Name() << " is " << text.cx << " pixels wide";
    EXPECT_LE(box.top + text.cy, page.bottom) << label->Name();
    EXPECT_LE(text.cx, box.right - box.left) << label->Name();
    EXPECT_LE(text.cy, box.bottom - box.top) << label->Name();
  }
  EXPECT_EQ(labels, 18);
}

TEST_F(WindowLoading, UsesMsSansSerifAndTheRedBoldNotices) {
  TfrmMain& form = LoadForm();
  LOGFONTW regular = FontOf(form.lblOldUser);
  EXPECT_EQ(Narrow(regular.lfFaceName), "MS Sans Serif");
  EXPECT_EQ(regular.lfHeight, -11);
  EXPECT_EQ(regular.lfWeight, FW_NORMAL);
  for (Label* notice : {&form.lblWin7Admin, &form.lblNotWin7, &form.lblNewVersion}) {
    EXPECT_EQ(FontOf(*notice).lfHeight, -13) << notice->Name();
    EXPECT_EQ(FontOf(*notice).lfWeight, FW_BOLD) << notice->Name();
    EXPECT_EQ(notice->FontColor(), RGB(255, 0, 0)) << notice->Name();
  }
  EXPECT_EQ(FontOf(form.lblContactsWarning).lfHeight, -11);
  EXPECT_EQ(FontOf(form.lblContactsWarning).lfWeight, FW_BOLD);
  EXPECT_EQ(form.lblContactsWarning.FontColor(), RGB(255, 0, 0));
  EXPECT_EQ(form.lblOldUser.FontColor(), Label::kWindowTextColor);
  EXPECT_EQ(form.lblWin7Admin.Text(),
            "You are running this program without Administrator Privileges.  Close the program, right-click it, "
            "choose \"Run as Administrator\"");
}

TEST_F(WindowLoading, MemosHaveTheirOwnScrollingAndEditing) {
  TfrmMain& form = LoadForm();
  auto style = [](const Control& c) { return GetWindowLongW(c.Handle(), GWL_STYLE); };
  EXPECT_TRUE(style(form.Memo1) & ES_READONLY);
  EXPECT_TRUE(style(form.Memo1) & WS_VSCROLL);
  EXPECT_FALSE(style(form.memoRecovery) & ES_READONLY);
  EXPECT_TRUE(style(form.memoRecovery) & WS_HSCROLL);  // long log lines are scrolled to, not wrapped
  EXPECT_TRUE(style(form.memoRecovery) & ES_AUTOHSCROLL);
  EXPECT_FALSE(style(form.memoDosOutput) & (WS_HSCROLL | WS_VSCROLL | ES_AUTOHSCROLL));
  EXPECT_TRUE(style(form.memoDosOutput) & ES_WANTRETURN);  // Enter starts a new line there

  // A long command output wraps into display lines in the output memo, but
  // stays one line in the log.
  std::string longLine;
  for (int i = 0; i < 30; ++i) longLine += "word" + std::to_string(i) + " ";
  form.memoDosOutput.SetText(longLine);
  EXPECT_GT(form.memoDosOutput.Lines().size(), 1u);
  form.memoRecovery.AddLine(longLine);
  EXPECT_EQ(form.memoRecovery.Lines(), std::vector<std::string>{longLine});
}

TEST(WelcomeText, HasTheIntroductionAndFourteenVersionsOfHistory) {
  std::vector<std::string> lines = SplitLines(kWelcomeText);
  ASSERT_EQ(lines.size(), 59u);
  EXPECT_EQ(lines[0], "Welcome to Marrowby's Ferrowin");
  EXPECT_EQ(lines[1], "");
  EXPECT_EQ(lines[2], "This program is designed to move DATA FILES from one user account to another.");
  EXPECT_EQ(lines[3], "");
  EXPECT_EQ(lines[4],
            "This program will NOT be able to move SETTINGS such as your home page, desktop background, "
            "screensaver, positions of ");
  EXPECT_EQ(lines[5], "desktop icons, Outlook / Live Mail SMTP/POP3 settings, and default printer.");
  EXPECT_EQ(lines[6], "");
  EXPECT_EQ(lines[7], "Click next to begin.");
  EXPECT_EQ(lines[8] + lines[9] + lines[10], "");

  // The history: a heading per version, its changes, one empty line between versions.
  int version = 0;
  int changes = 0;
  std::vector<int> changesPerVersion(15, 0);
  for (size_t i = 11; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (StartsWith(line, "version ")) {
      ++version;
      std::string heading = "version " + std::to_string(version) + " - ";
      ASSERT_TRUE(StartsWith(line, heading)) << line;
      std::string date = line.substr(heading.size());
      int month = 0, day = 0, year = 0;
      ASSERT_EQ(sscanf(date.c_str(), "%d/%d/%d", &month, &day, &year), 3) << line;
      EXPECT_EQ(date, std::to_string(month) + "/" + std::to_string(day) + "/" + std::to_string(year));
      EXPECT_TRUE(i == 11 || lines[i - 1].empty()) << "no empty line before " << line;
      continue;
    }
    if (line.empty()) continue;
    ++changes;
    ++changesPerVersion[static_cast<size_t>(version)];
    bool kindStated = StartsWith(line, "New: ") || StartsWith(line, "Added: ") || StartsWith(line, "Changed: ") ||
                      StartsWith(line, "Removed: ") || StartsWith(line, "Fixed: ");
    EXPECT_TRUE(kindStated) << line;
  }
  EXPECT_EQ(version, 14);
  EXPECT_EQ(changes, 21);
  EXPECT_EQ(changesPerVersion[3], 5);
  EXPECT_EQ(changesPerVersion[11], 3);
  EXPECT_EQ(changesPerVersion[12], 2);
  EXPECT_FALSE(lines.back().empty());
}

using StartUp = WindowTest;

TEST_F(StartUp, CaptionCarriesTheVersion) {
  TfrmMain& form = CreateForm();
  EXPECT_EQ(form.programVersion, 14);
  EXPECT_EQ(form.Caption(), "Marrowby's Ferrowin - version 14");
  EXPECT_EQ(form.PageControl1.ActivePageIndex(), 0);
}

TEST_F(StartUp, TabsAreHiddenUnlessTheFirstArgumentIsExactlySlashDebug) {
  for (const char* argument : {"", "/DEBUG", "debug", "/debug2"}) {
    FormOptions options = Options();
    options.firstArgument = argument;
    TfrmMain& window = CreateForm(options);
    EXPECT_EQ(TabCount(window), 0) << argument;
    EXPECT_EQ(window.PageControl1.ActivePage(), &window.tsWelcome);
    // The pages stay where they were: the program can still show any of them.
    EXPECT_EQ(window.tsDosCommand.PageIndex(), 3);
  }
  FormOptions options = Options();
  options.firstArgument = "/debug";
  TfrmMain& window = CreateForm(options);
  ASSERT_EQ(TabCount(window), 4);
  EXPECT_EQ(TabCaption(window, 3), "Dos Command");
  EXPECT_EQ(TabCtrl_GetCurSel(window.PageControl1.Handle()), 0);
}

TEST_F(StartUp, WithTabsTheUserCanPickAnyPage) {
  FormOptions options = Options();
  options.firstArgument = "/debug";
  TfrmMain& window = CreateForm(options);
  TabCtrl_SetCurSel(window.PageControl1.Handle(), 3);
  NMHDR notification{window.PageControl1.Handle(), static_cast<UINT_PTR>(ids::PageControl1), TCN_SELCHANGE};
  SendMessageW(window.Handle(), WM_NOTIFY, ids::PageControl1, reinterpret_cast<LPARAM>(&notification));
  EXPECT_EQ(window.PageControl1.ActivePage(), &window.tsDosCommand);
  EXPECT_TRUE(IsWindowVisible(window.txtDosCommand.Handle()));
  EXPECT_FALSE(IsWindowVisible(window.Memo1.Handle()));
}

struct EnvironmentCase {
  const char* name;
  bool versionRead;
  std::uint32_t major;
  bool admin;
  bool nextEnabled;
  bool notWin7Shown;
  bool adminWarningShown;
};

TEST_F(StartUp, VersionAndAdministratorRightsDecideTheWelcomePage) {
  const EnvironmentCase cases[] = {
      {"Windows 7, administrator", true, 6, true, true, false, false},
      {"Windows 7, no administrator", true, 6, false, false, false, true},
      // Windows 10 reports 10 only to programs that declare it; ours does not.
      {"reports 10", true, 10, true, false, true, false},
      {"reports 5", true, 5, false, false, true, false},
      {"version unreadable", false, 0, true, false, true, false},
  };
  for (const EnvironmentCase& c : cases) {
    SCOPED_TRACE(c.name);
    int probes = 0;
    messages.clear();
    FormOptions options = Options();
    options.environment.readWindowsVersion = [&c] {
      return c.versionRead ? std::optional<std::uint32_t>(c.major) : std::nullopt;
    };
    options.environment.probeAdminRights = [&] {
      ++probes;
      return c.admin;
    };
    TfrmMain& window = CreateForm(options);
    EXPECT_EQ(window.cmdNext0.Enabled(), c.nextEnabled);
    EXPECT_EQ(window.lblNotWin7.Visible(), c.notWin7Shown);
    EXPECT_EQ(window.lblWin7Admin.Visible(), c.adminWarningShown);
    EXPECT_FALSE(window.lblNewVersion.Visible());
    if (!c.versionRead) {
      EXPECT_EQ(messages, std::vector<std::string>{"error while reading windows version info"});
      EXPECT_EQ(probes, 0);
      EXPECT_EQ(window.osMajorVersion, 0u);
      EXPECT_FALSE(window.isAdmin);
    } else {
      EXPECT_TRUE(messages.empty());
      EXPECT_EQ(window.osMajorVersion, c.major);
      EXPECT_EQ(window.isAdmin, c.admin);
    }
  }
}

LRESULT CALLBACK RefuseEveryWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) return FALSE;
  return DefWindowProcW(window, message, wParam, lParam);
}

// The start of a window whose pages cannot be made; the toolkit finds their
// class already registered, as it does for every window after the first.
TEST_F(StartUp, AWindowThatCannotBeMadeStopsTheStartWithItsReason) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  UnregisterClassW(TabSheet::WindowClass(), instance);
  WNDCLASSEXW refusing{};
  refusing.cbSize = sizeof refusing;
  refusing.lpfnWndProc = RefuseEveryWindow;
  refusing.hInstance = instance;
  refusing.lpszClassName = TabSheet::WindowClass();
  ASSERT_TRUE(RegisterClassExW(&refusing));

  auto form = std::make_unique<TfrmMain>(app, Options());
  try {
    form->Create();
    ADD_FAILURE() << "the window started without its pages";
  } catch (const WindowCreationError& error) {
    EXPECT_TRUE(StartsWith(error.what(), "Could not create the control tsWelcome")) << error.what();
  }
  EXPECT_EQ(form->programVersion, 0);  // FormCreate never ran
  form.reset();
  EXPECT_TRUE(UnregisterClassW(TabSheet::WindowClass(), instance));
}

TEST(SystemEnvironmentTest, WineReportsVersionSixAndTheProbeCleansUp) {
  EXPECT_EQ(ReadWindowsMajorVersion(), 6u);

  test::TestFolder folder;
  std::string probe = folder / "test.txt";
  EXPECT_TRUE(ProbeAdminRights(probe));
  EXPECT_FALSE(PathExists(probe));

  // A leftover probe file is replaced and removed.
  test::WriteFile(probe, "left over");
  EXPECT_TRUE(ProbeAdminRights(probe));
  EXPECT_FALSE(PathExists(probe));

  EXPECT_FALSE(ProbeAdminRights(folder / "no such folder\\test.txt"));
}

using Navigation = WindowTest;

TEST_F(Navigation, NextAndBackMoveOnePageAtATime) {
  TfrmMain& window = CreateForm();
  ASSERT_TRUE(Click(window.cmdNext0));
  EXPECT_EQ(window.PageControl1.ActivePage(), &window.tsProfileList);
  EXPECT_TRUE(IsWindowVisible(window.lbInfectedUser.Handle()));
  ASSERT_TRUE(Click(window.cmdBack6));
  EXPECT_EQ(window.PageControl1.ActivePage(), &window.tsWelcome);

  window.PageControl1.SetActivePage(window.tsMagic6);
  ASSERT_TRUE(Click(window.cmdBack62));
  EXPECT_EQ(window.PageControl1.ActivePage(), &window.tsProfileList);
}

TEST_F(Navigation, DisabledNextCannotBeClicked) {
  FormOptions options = Options();
  options.environment.probeAdminRights = [] { return false; };
  TfrmMain& window = CreateForm(options);
  EXPECT_FALSE(Click(window.cmdNext0));
  EXPECT_EQ(window.PageControl1.ActivePage(), &window.tsWelcome);
}

TEST_F(Navigation, ClosingClearsTheMigrationFlagAndEndsTheApplication) {
  TfrmMain& window = CreateForm();
  window.migrationActive = true;
  SendMessageW(window.Handle(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(window.migrationActive);
  EXPECT_TRUE(app.Terminated());
  // The window stays until control is back in the message loop.
  EXPECT_TRUE(IsWindow(window.Handle()));
}

TEST_F(Navigation, TabFollowsThePageTabOrderAndSkipsDisabledControls) {
  TfrmMain& window = CreateForm();
  SetForegroundWindow(window.Handle());
  window.PageControl1.SetActivePage(window.tsProfileList);
  SetFocus(window.cmdNext6.Handle());
  std::vector<int> order;
  for (int i = 0; i < 6; ++i) {
    test::PressKey(app, VK_TAB);
    order.push_back(GetDlgCtrlID(GetFocus()));
  }
  EXPECT_EQ(order, (std::vector<int>{ids::cmdBack6, ids::lbInfectedUser, ids::lbNewUser, ids::txtNewUser,
                                     ids::chkGiveAdmin, ids::cmdNext6}));

  // On the Welcome page a disabled Next leaves only the welcome text.
  window.cmdNext0.SetEnabled(false);
  window.PageControl1.SetActivePage(window.tsWelcome);
  SetFocus(window.Memo1.Handle());
  test::PressKey(app, VK_TAB);
  EXPECT_EQ(GetFocus(), window.Memo1.Handle());
}

TEST_F(Navigation, TheVersionNoticeMovesTheFocusFromNextToTheWelcomeText) {
  TfrmMain& window = CreateForm();
  SetForegroundWindow(window.Handle());
  SetFocus(window.cmdNext0.Handle());
  ASSERT_EQ(GetFocus(), window.cmdNext0.Handle());
  SendMessageW(window.Handle(), kMsgShowNewVersionNotice, 0, 0);
  EXPECT_FALSE(window.cmdNext0.Enabled());
  EXPECT_EQ(GetFocus(), window.Memo1.Handle());
}

using Resizing = WindowTest;

TEST_F(Resizing, TheWindowOpensAtItsMinimumAndOnlyTheLogGrows) {
  TfrmMain& window = CreateForm();
  RECT outer;
  GetWindowRect(window.Handle(), &outer);
  EXPECT_EQ(outer.right - outer.left, 750);
  EXPECT_EQ(outer.bottom - outer.top, 550);
  MINMAXINFO limits{};
  SendMessageW(window.Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
  EXPECT_EQ(limits.ptMinTrackSize.x, 750);
  EXPECT_EQ(limits.ptMinTrackSize.y, 550);

  RECT logBefore = window.memoRecovery.Bounds();
  RECT backBefore = window.cmdBack62.Bounds();
  SetWindowPos(window.Handle(), nullptr, 0, 0, 1000, 700, SWP_NOMOVE | SWP_NOZORDER);
  app.ProcessMessages();

  RECT client;
  GetClientRect(window.Handle(), &client);
  RECT container = window.PageControl1.Bounds();
  EXPECT_EQ(container.right - container.left, client.right);
  EXPECT_EQ(container.bottom - container.top, client.bottom);
  RECT logAfter = window.memoRecovery.Bounds();
  EXPECT_EQ(logAfter.right - logAfter.left, (logBefore.right - logBefore.left) + 250);
  EXPECT_EQ(logAfter.bottom - logAfter.top, 209);
  RECT backAfter = window.cmdBack62.Bounds();
  EXPECT_EQ(backAfter.left, backBefore.left);
  EXPECT_EQ(backAfter.top, backBefore.top);
}

TEST_F(Resizing, StatusLabelsGrowToTheirTextButTheInstructionBoxWraps) {
  TfrmMain& window = CreateForm();
  window.lblMagic1.SetText("User NOT added, maybe because it already existed?");
  RECT grown = window.lblMagic1.Bounds();
  EXPECT_GT(grown.right - grown.left, 200);
  EXPECT_EQ(grown.left, 216);
  window.lblMagic11.SetText("first line\r\nsecond line\r\nthird line");
  RECT tall = window.lblMagic11.Bounds();
  EXPECT_GT(tall.bottom - tall.top, 30);

  window.lblMagic2.SetText(std::string(400, 'x') + " and a great many words that wrap inside the box");
  ExpectBounds(window.lblMagic2, 216, 48, 441, 73);
}

}  // namespace
}  // namespace ferrowin

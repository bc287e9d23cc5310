#include "tests/support/app_driver.h"

#include <commctrl.h>

#include "app/control_ids.h"
#include "platform/handles.h"
#include "platform/text.h"
#include "tests/support/host.h"

namespace ferrowin::test {

namespace {

constexpr UINT kSendTimeoutMs = 5000;

LRESULT Send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  DWORD_PTR result = 0;
  SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result);
  return static_cast<LRESULT>(result);
}

std::string WindowText(HWND window) {
  auto length = Send(window, WM_GETTEXTLENGTH);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  auto copied = Send(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(copied));
  return Narrow(text);
}

HWND FindChild(HWND parent, int id) {
  struct Search {
    int id;
    HWND found;
  } search{id, nullptr};
  EnumChildWindows(
      parent,
      [](HWND child, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<Search*>(data);
        if (GetDlgCtrlID(child) != s->id) return TRUE;
        s->found = child;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND FindMainWindow(DWORD processId) {
  for (HWND window = FindWindowW(FERROWIN_MAIN_WINDOW_CLASS, nullptr); window;
       window = FindWindowExW(nullptr, window, FERROWIN_MAIN_WINDOW_CLASS, nullptr)) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == processId && IsWindowVisible(window)) return window;
  }
  return nullptr;
}


}  // namespace

std::string BuiltProgramPath() {
  wchar_t own[MAX_PATH * 4] = {};
  GetModuleFileNameW(nullptr, own, MAX_PATH * 4);
  std::string path = Narrow(own);
  // Wine names a program outside its drives by its host path, "unix\...".
  if (StartsWith(path, "unix\\")) path = "\\\\?\\" + path;
  // Tests are built one folder below the program.
  return FolderOf(FolderOf(path)) + "\\ferrowin.exe";
}

std::string InstalledProgram() {
  const std::string folder = "C:\\ferrowin-e2e";
  const std::string program = folder + "\\ferrowin.exe";
  CreateDirectoryW(Widen(folder).c_str(), nullptr);
  CopyFileW(Widen(BuiltProgramPath()).c_str(), Widen(program).c_str(), FALSE);
  return program;
}

namespace {

bool ShowsAWindow(DWORD processId) {
  struct Search {
    DWORD processId;
    bool found;
  } search{processId, false};
  EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<Search*>(data);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == s->processId && IsWindowVisible(window)) s->found = true;
        return !s->found;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace

std::optional<FinishedRun> RunToEnd(const Launch& launch, int timeoutMs) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return std::nullopt;
  UniqueKernelHandle reader(readEnd), writer(writeEnd);
  SetHandleInformation(reader.Get(), HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writer.Get();
  startup.hStdError = writer.Get();
  std::wstring commandLine = Widen("\"" + launch.program + "\" " + launch.arguments);
  const std::wstring directory = Widen(FolderOf(launch.program));
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, directory.c_str(), &startup,
                      &started)) {
    return std::nullopt;
  }
  UniqueKernelHandle process(started.hProcess), thread(started.hThread);
  writer.Reset();  // the program holds the only writing end: the pipe ends with it
  FinishedRun run;
  // Only what is there is read, never waited for: a tool the program started
  // may hold the pipe open after the program has ended.
  auto readWhatIsThere = [&] {
    DWORD available = 0;
    while (PeekNamedPipe(reader.Get(), nullptr, 0, nullptr, &available, nullptr) && available > 0) {
      char buffer[4096];
      DWORD read = 0;
      if (!ReadFile(reader.Get(), buffer, sizeof buffer, &read, nullptr) || read == 0) break;
      run.output.append(buffer, read);
    }
  };
  const DWORD deadline = GetTickCount() + static_cast<DWORD>(timeoutMs);
  for (;;) {
    run.showedAWindow |= ShowsAWindow(started.dwProcessId);
    readWhatIsThere();  // a full pipe would stop the program
    if (WaitForSingleObject(process.Get(), 20) == WAIT_OBJECT_0) break;
    if (static_cast<LONG>(GetTickCount() - deadline) > 0) {
      TerminateProcess(process.Get(), 1);
      return std::nullopt;
    }
  }
  readWhatIsThere();
  GetExitCodeProcess(process.Get(), &run.exitCode);
  return run;
}

RunningApp::RunningApp(const Launch& launch) {
  std::wstring commandLine = Widen("\"" + launch.program + "\" " + launch.arguments);
  std::wstring directory = Widen(FolderOf(launch.program));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  BOOL started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, directory.c_str(),
                                &startup, process_.Receive());
  if (!started) return;
  WaitFor([this] { return (window_ = FindMainWindow(process_.ProcessId())) != nullptr; });
}

RunningApp::~RunningApp() {
  if (!process_.Process()) return;
  if (WaitForSingleObject(process_.Process(), 0) == WAIT_TIMEOUT) {
    TerminateProcess(process_.Process(), 1);
    WaitForSingleObject(process_.Process(), 10000);
  }
}

HWND RunningApp::Control(int id) const { return window_ ? FindChild(window_, id) : nullptr; }

std::string RunningApp::Caption() const { return WindowText(window_); }

std::string RunningApp::Text(int id) const { return WindowText(Control(id)); }

std::vector<std::string> RunningApp::Items(int listId) const {
  HWND list = Control(listId);
  std::vector<std::string> items;
  auto count = Send(list, LB_GETCOUNT);
  for (LRESULT i = 0; i < count; ++i) {
    auto length = Send(list, LB_GETTEXTLEN, static_cast<WPARAM>(i));
    std::wstring item(static_cast<size_t>(length) + 1, L'\0');
    auto copied = Send(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(item.data()));
    item.resize(static_cast<size_t>(copied));
    items.push_back(Narrow(item));
  }
  return items;
}

std::vector<std::string> RunningApp::Lines(int memoId) const { return SplitLines(Text(memoId)); }

bool RunningApp::Visible(int id) const { return IsWindowVisible(Control(id)) != 0; }

bool RunningApp::Enabled(int id) const { return IsWindowEnabled(Control(id)) != 0; }

bool RunningApp::Checked(int id) const { return Send(Control(id), BM_GETCHECK) == BST_CHECKED; }

bool RunningApp::ShowsColor(int id, COLORREF color) const {
  HWND control = Control(id);
  // Paint it now, then read what the screen shows (another program's window
  // cannot be read from directly).
  RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  RECT area;
  GetWindowRect(control, &area);
  int width = area.right - area.left;
  int height = area.bottom - area.top;
  ScopedWindowDc screen(nullptr);
  UniqueMemoryDc copy(CreateCompatibleDC(screen.Get()));
  UniqueBitmap bitmap(CreateCompatibleBitmap(screen.Get(), width, height));
  ScopedSelectObject selected(copy.Get(), bitmap.Get());
  BitBlt(copy.Get(), 0, 0, width, height, screen.Get(), area.left, area.top, SRCCOPY);
  bool found = false;
  for (int y = 0; y < height && !found; ++y) {
    for (int x = 0; x < width && !found; ++x) found = GetPixel(copy.Get(), x, y) == color;
  }
  return found;
}

int RunningApp::TabCount() const { return static_cast<int>(Send(Control(ids::PageControl1), TCM_GETITEMCOUNT)); }

int RunningApp::ActivePageId() const {
  for (int page : {ids::tsWelcome, ids::tsProfileList, ids::tsMagic6, ids::tsDosCommand}) {
    if (Visible(page)) return page;
  }
  return 0;
}

bool RunningApp::Reachable(HWND control) const {
  return control && IsWindowVisible(control) && IsWindowEnabled(control) && !FindMessageBox();
}

bool RunningApp::Click(int id) {
  HWND control = Control(id);
  if (!Reachable(control)) return false;
  // Posted: a click may start work that takes a while (a migration waits).
  PostMessageW(GetParent(control), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control));
  return true;
}

bool RunningApp::Select(int listId, const std::string& item) {
  HWND list = Control(listId);
  if (!Reachable(list)) return false;
  std::vector<std::string> items = Items(listId);
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i] != item) continue;
    Send(list, LB_SETCURSEL, i);
    PostMessageW(GetParent(list), WM_COMMAND, MAKEWPARAM(listId, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    return true;
  }
  return false;
}

bool RunningApp::Type(int editId, const std::string& text) {
  HWND edit = Control(editId);
  if (!Reachable(edit)) return false;
  std::wstring wide = Widen(text);
  Send(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()));
  return true;
}

bool RunningApp::SetChecked(int checkBoxId, bool checked) {
  HWND box = Control(checkBoxId);
  if (!Reachable(box)) return false;
  Send(box, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED);
  return true;
}

bool RunningApp::PressEnterIn(int controlId) {
  HWND control = Control(controlId);
  if (!Reachable(control)) return false;
  // Through the program's own message loop, as a key press arrives.
  PostMessageW(control, WM_KEYDOWN, VK_RETURN, 1);
  PostMessageW(control, WM_KEYUP, VK_RETURN, static_cast<LPARAM>(0xC0000001));
  return true;
}

void RunningApp::CloseWindow() { PostMessageW(window_, WM_CLOSE, 0, 0); }

void RunningApp::Kill() {
  if (!process_.Process()) return;
  TerminateProcess(process_.Process(), 1);
  WaitForSingleObject(process_.Process(), 10000);
}

DWORD RunningApp::AnswerTime(DWORD limit) const {
  DWORD_PTR result = 0;
  const DWORD start = GetTickCount();
  if (!SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, limit, &result)) return limit;
  return GetTickCount() - start;
}

HWND RunningApp::FindMessageBox() const {
  struct Search {
    DWORD processId;
    HWND found;
  } search{process_.ProcessId(), nullptr};
  EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<Search*>(data);
        wchar_t className[16] = {};
        GetClassNameW(window, className, 16);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner != s->processId || lstrcmpW(className, L"#32770") != 0 || !IsWindowVisible(window)) return TRUE;
        s->found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::optional<std::string> RunningApp::WaitForMessageBox(int timeoutMs) const {
  HWND box = nullptr;
  if (!WaitFor([&] { return (box = FindMessageBox()) != nullptr; }, timeoutMs)) return std::nullopt;
  // The message of a message box is its static text control.
  return WindowText(GetDlgItem(box, 0xFFFF));
}

bool RunningApp::DismissMessageBox() {
  HWND box = FindMessageBox();
  if (!box) return false;
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  return WaitFor([&] { return FindMessageBox() == nullptr; });
}

bool RunningApp::WaitFor(const std::function<bool()>& condition, int timeoutMs) const {
  return WaitUntil(condition, timeoutMs);
}

bool RunningApp::WaitForText(int id, const std::string& text, int timeoutMs) const {
  return WaitFor([&] { return Text(id) == text; }, timeoutMs);
}

bool RunningApp::WaitForExit(int timeoutMs) {
  return process_.Process() && WaitForSingleObject(process_.Process(), static_cast<DWORD>(timeoutMs)) == WAIT_OBJECT_0;
}

}  // namespace ferrowin::test

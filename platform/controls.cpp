#include "platform/controls.h"

#include <commctrl.h>

#include <algorithm>

#include "platform/handles.h"
#include "platform/text.h"

namespace ferrowin {

namespace {

constexpr wchar_t kPageClass[] = L"FerrowinPage";
constexpr wchar_t kShapeClass[] = L"FerrowinShape";

HBRUSH ButtonFaceColors(HDC dc) {
  SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
  return GetSysColorBrush(COLOR_BTNFACE);
}

LRESULT HandlePageMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
      if (Control* control = Control::FromHandle(reinterpret_cast<HWND>(lParam))) {
        if (HBRUSH brush = control->Colors(reinterpret_cast<HDC>(wParam))) return reinterpret_cast<LRESULT>(brush);
      }
      break;
    case WM_COMMAND:
    case WM_NOTIFY:
      // The form binds the events of every control, whatever page it sits on.
      return SendMessageW(GetAncestor(window, GA_ROOT), message, wParam, lParam);
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// The events a page forwards reach the form's handlers, so the page's
// procedure has the form's barrier. A page outside a form reaches no handler.
LRESULT CALLBACK PageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  HandlerBarrier* barrier = HandlerBarrier::Of(window);
  if (!barrier) return DefWindowProcW(window, message, wParam, lParam);
  LRESULT result = 0;
  barrier->RunGuarded([&] { result = HandlePageMessage(window, message, wParam, lParam); });
  return result;
}

LRESULT CALLBACK ShapeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_PAINT) return DefWindowProcW(window, message, wParam, lParam);
  ScopedPaint paint(window);
  RECT area;
  GetClientRect(window, &area);
  FillRect(paint.Dc(), &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  FrameRect(paint.Dc(), &area, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  return 0;
}

// What went wrong, with the system's reason when it gave one.
std::string FailureText(const std::string& what, DWORD error) {
  if (error == ERROR_SUCCESS) return what + ".";
  return what + ": " + SystemErrorText(error);
}

}  // namespace

HandlerBarrier* HandlerBarrier::Of(HWND window) {
  return static_cast<HandlerBarrier*>(GetPropW(GetAncestor(window, GA_ROOT), kProperty));
}

WindowCreationError::WindowCreationError(const std::string& what, DWORD error)
    : std::runtime_error(FailureText(what, error)) {}

void RegisterWindowClass(const WNDCLASSEXW& windowClass) {
  if (RegisterClassExW(&windowClass)) return;
  DWORD error = GetLastError();
  // Every window of this process after the first finds its classes there.
  if (error == ERROR_CLASS_ALREADY_EXISTS) return;
  throw WindowCreationError("Could not register the window class " + Narrow(windowClass.lpszClassName), error);
}

void RegisterToolkitClasses(HINSTANCE instance) {
  WNDCLASSEXW page{};
  page.cbSize = sizeof page;
  page.lpfnWndProc = PageProc;
  page.hInstance = instance;
  page.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  page.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  page.lpszClassName = kPageClass;
  RegisterWindowClass(page);

  WNDCLASSEXW shape = page;
  shape.lpfnWndProc = ShapeProc;
  shape.lpszClassName = kShapeClass;
  RegisterWindowClass(shape);
}

// --- Component ---------------------------------------------------------------

Component* ComponentOwner::FindComponent(int id) const {
  for (Component* component : components_) {
    if (component->Id() == id) return component;
  }
  return nullptr;
}

Component::Component(ComponentOwner& owner, int id, const char* name) : id_(id), name_(name) {
  owner.Register(this);
}

// --- Control -----------------------------------------------------------------

Control::~Control() {
  if (hwnd_ && IsWindow(hwnd_)) SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
}

Control* Control::FromHandle(HWND window) {
  return window ? reinterpret_cast<Control*>(GetWindowLongPtrW(window, GWLP_USERDATA)) : nullptr;
}

void Control::Create(const wchar_t* windowClass, const CreateArgs& args) {
  HWND window = CreateWindowExW(args.exStyle, windowClass, Widen(args.text).c_str(), args.style | WS_CHILD,
                                args.left, args.top, args.width, args.height, args.parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(Id())), GetModuleHandleW(nullptr),
                                nullptr);
  if (!window) {
    DWORD error = GetLastError();
    throw WindowCreationError("Could not create the control " + std::string(Name()), error);
  }
  hwnd_ = window;
  SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  if (args.font) SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(args.font), FALSE);
}

std::string Control::Text() const {
  int length = GetWindowTextLengthW(hwnd_);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(hwnd_, text.data(), length + 1)));
  return Narrow(text);
}

void Control::SetText(std::string_view text) { SetWindowTextW(hwnd_, Widen(text).c_str()); }

bool Control::Visible() const { return (GetWindowLongW(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0; }

void Control::SetVisible(bool visible) { ShowWindow(hwnd_, visible ? SW_SHOW : SW_HIDE); }

bool Control::Enabled() const { return IsWindowEnabled(hwnd_) != 0; }

void Control::SetEnabled(bool enabled) {
  if (!enabled && HasFocus()) PassFocusOn();
  EnableWindow(hwnd_, enabled);
}

bool Control::HasFocus() const {
  HWND focus = GetFocus();
  return focus && (focus == hwnd_ || IsChild(hwnd_, focus));
}

void Control::PassFocusOn() {
  HWND next = GetNextDlgTabItem(GetParent(hwnd_), hwnd_, FALSE);
  // With no other control to take it, the top-level window keeps the keys.
  SetFocus(next && next != hwnd_ ? next : GetAncestor(hwnd_, GA_ROOT));
}

RECT Control::Bounds() const {
  RECT bounds;
  GetWindowRect(hwnd_, &bounds);
  MapWindowPoints(HWND_DESKTOP, GetParent(hwnd_), reinterpret_cast<POINT*>(&bounds), 2);
  return bounds;
}

void Control::SetBounds(int left, int top, int width, int height) {
  SetWindowPos(hwnd_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void Control::Repaint() {
  InvalidateRect(hwnd_, nullptr, TRUE);
  UpdateWindow(hwnd_);
}

HBRUSH Control::Colors(HDC) { return nullptr; }

// --- Label -------------------------------------------------------------------

void Label::SetAutoSize(bool autoSize) {
  autoSize_ = autoSize;
  if (autoSize_) FitToText();
}

void Label::SetText(std::string_view text) {
  Control::SetText(text);
  if (autoSize_) FitToText();
}

void Label::FitToText() {
  std::wstring text = Widen(Text());
  RECT extent{0, 0, 0, 0};
  TEXTMETRICW metrics;
  {
    ScopedWindowDc dc(Handle());
    ScopedSelectObject font(dc.Get(), reinterpret_cast<HGDIOBJ>(SendMessageW(Handle(), WM_GETFONT, 0, 0)));
    GetTextMetricsW(dc.Get(), &metrics);
    if (!text.empty()) DrawTextW(dc.Get(), text.c_str(), -1, &extent, DT_CALCRECT | DT_LEFT | DT_EXPANDTABS);
  }
  int height = text.empty() ? static_cast<int>(metrics.tmHeight) : static_cast<int>(extent.bottom);
  SetWindowPos(Handle(), nullptr, 0, 0, extent.right, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Label::SetFontColor(COLORREF color) {
  if (color == fontColor_) return;  // nothing to paint again
  fontColor_ = color;
  InvalidateRect(Handle(), nullptr, TRUE);
}

HBRUSH Label::Colors(HDC dc) {
  SetTextColor(dc, fontColor_ == kWindowTextColor ? GetSysColor(COLOR_WINDOWTEXT) : fontColor_);
  return ButtonFaceColors(dc);
}

// --- Memo --------------------------------------------------------------------

std::vector<std::string> Memo::Lines() const {
  std::vector<std::string> lines;
  if (GetWindowTextLengthW(Handle()) == 0) return lines;
  auto count = static_cast<int>(SendMessageW(Handle(), EM_GETLINECOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    auto start = SendMessageW(Handle(), EM_LINEINDEX, static_cast<WPARAM>(i), 0);
    auto length = static_cast<size_t>(SendMessageW(Handle(), EM_LINELENGTH, static_cast<WPARAM>(start), 0));
    // EM_GETLINE takes the buffer size in the buffer's first character.
    std::wstring line(std::max<size_t>(length, 1), L'\0');
    line[0] = static_cast<wchar_t>(line.size());
    auto copied = SendMessageW(Handle(), EM_GETLINE, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(line.data()));
    line.resize(static_cast<size_t>(copied));
    lines.push_back(Narrow(line));
  }
  // The line after a final line break is the caret's, not the text's.
  if (!lines.empty() && lines.back().empty()) lines.pop_back();
  return lines;
}

void Memo::AddLine(std::string_view line) { AddLines({std::string(line)}); }

void Memo::AddLines(const std::vector<std::string>& lines) {
  if (lines.empty()) return;
  std::string text;
  for (const std::string& line : lines) {
    text += line;
    text += "\r\n";
  }
  auto end = static_cast<WPARAM>(GetWindowTextLengthW(Handle()));
  SendMessageW(Handle(), EM_SETSEL, end, static_cast<LPARAM>(end));
  SendMessageW(Handle(), EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(Widen(text).c_str()));
}

HBRUSH Memo::Colors(HDC dc) {
  // A read-only memo asks for static colours; it keeps the white of a text box.
  SetBkColor(dc, GetSysColor(COLOR_WINDOW));
  return GetSysColorBrush(COLOR_WINDOW);
}

// --- ListBox -----------------------------------------------------------------

int ListBox::Count() const { return static_cast<int>(SendMessageW(Handle(), LB_GETCOUNT, 0, 0)); }

std::string ListBox::Item(int index) const {
  auto length = SendMessageW(Handle(), LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == LB_ERR) return {};
  std::wstring item(static_cast<size_t>(length) + 1, L'\0');
  auto copied = SendMessageW(Handle(), LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(item.data()));
  item.resize(static_cast<size_t>(copied));
  return Narrow(item);
}

std::vector<std::string> ListBox::Items() const {
  std::vector<std::string> items;
  for (int i = 0, n = Count(); i < n; ++i) items.push_back(Item(i));
  return items;
}

void ListBox::SetItems(const std::vector<std::string>& items) {
  SendMessageW(Handle(), WM_SETREDRAW, FALSE, 0);
  Clear();
  for (const std::string& item : items) Add(item);
  SendMessageW(Handle(), WM_SETREDRAW, TRUE, 0);
  InvalidateRect(Handle(), nullptr, TRUE);
}

void ListBox::Add(std::string_view item) {
  std::wstring text = Widen(item);
  SendMessageW(Handle(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void ListBox::Clear() { SendMessageW(Handle(), LB_RESETCONTENT, 0, 0); }

int ListBox::ItemIndex() const { return static_cast<int>(SendMessageW(Handle(), LB_GETCURSEL, 0, 0)); }

void ListBox::SetItemIndex(int index) { SendMessageW(Handle(), LB_SETCURSEL, static_cast<WPARAM>(index), 0); }

// --- CheckBox ----------------------------------------------------------------

bool CheckBox::Checked() const { return SendMessageW(Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED; }

void CheckBox::SetChecked(bool checked) {
  SendMessageW(Handle(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

HBRUSH CheckBox::Colors(HDC dc) { return ButtonFaceColors(dc); }

// --- Shape, TabSheet ---------------------------------------------------------

const wchar_t* Shape::WindowClass() { return kShapeClass; }

const wchar_t* TabSheet::WindowClass() { return kPageClass; }

void TabSheet::LayoutChildren() {
  RECT area;
  GetClientRect(Handle(), &area);
  for (HWND child = GetWindow(Handle(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    Control* control = Control::FromHandle(child);
    if (!control || control->RightAnchor() < 0) continue;
    RECT bounds = control->Bounds();
    control->SetBounds(bounds.left, bounds.top, area.right - control->RightAnchor() - bounds.left,
                       bounds.bottom - bounds.top);
  }
}

// --- PageControl -------------------------------------------------------------

void PageControl::AddPage(TabSheet& page) {
  page.pageIndex_ = PageCount();
  pages_.push_back(&page);
  RebuildTabs();
}

int PageControl::VisibleTabCount() const {
  int count = 0;
  for (const TabSheet* page : pages_) count += page->TabVisible() ? 1 : 0;
  return count;
}

void PageControl::SetTabVisible(TabSheet& page, bool visible) {
  page.tabVisible_ = visible;
  RebuildTabs();
}

void PageControl::RebuildTabs() {
  TabCtrl_DeleteAllItems(Handle());
  int tabIndex = 0;
  int activeTab = -1;
  for (TabSheet* page : pages_) {
    if (!page->TabVisible()) continue;
    std::wstring caption = Widen(page->Caption());
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = caption.data();
    SendMessageW(Handle(), TCM_INSERTITEMW, static_cast<WPARAM>(tabIndex), reinterpret_cast<LPARAM>(&item));
    if (page == active_) activeTab = tabIndex;
    ++tabIndex;
  }
  TabCtrl_SetCurSel(Handle(), activeTab);
  // Without tabs there is nothing for the keyboard to pick here.
  LONG style = GetWindowLongW(Handle(), GWL_STYLE);
  SetWindowLongW(Handle(), GWL_STYLE, tabIndex > 0 ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP));
  LayoutPages();
}

RECT PageControl::PageArea() const {
  RECT area;
  GetClientRect(Handle(), &area);
  RECT inner = area;
  TabCtrl_AdjustRect(Handle(), FALSE, &inner);
  if (VisibleTabCount() == 0) {
    // No tab row: the pages take the whole control inside its border.
    int border = inner.left - area.left;
    inner = {area.left + border, area.top + border, area.right - border, area.bottom - border};
  }
  return inner;
}

void PageControl::LayoutPages() {
  RECT area = PageArea();
  for (TabSheet* page : pages_) {
    page->SetBounds(area.left, area.top, area.right - area.left, area.bottom - area.top);
    page->LayoutChildren();
  }
}

void PageControl::SetActivePage(TabSheet& page) {
  HWND focus = GetFocus();
  bool focusOnOldPage = active_ && (focus == active_->Handle() || IsChild(active_->Handle(), focus));
  active_ = &page;
  for (TabSheet* each : pages_) {
    if (each != &page) each->SetVisible(false);
  }
  page.SetVisible(true);
  RebuildTabs();
  if (focusOnOldPage || !focus) {
    if (HWND first = GetNextDlgTabItem(page.Handle(), nullptr, FALSE)) SetFocus(first);
  }
}

void PageControl::SetActivePageIndex(int index) {
  if (index >= 0 && index < PageCount()) SetActivePage(Page(index));
}

void PageControl::OnTabSelected() {
  int tab = TabCtrl_GetCurSel(Handle());
  for (TabSheet* page : pages_) {
    if (!page->TabVisible()) continue;
    if (tab-- == 0) {
      SetActivePage(*page);
      return;
    }
  }
}

}  // namespace ferrowin

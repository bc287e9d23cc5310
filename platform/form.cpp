#include "platform/form.h"

#include <exception>
#include <utility>

#include "platform/text.h"

namespace ferrowin {

Form::~Form() { DestroyFrame(); }

void Form::DestroyFrame() {
  HWND window = std::exchange(hwnd_, nullptr);
  if (!window || !IsWindow(window)) return;
  // The messages of its going reach no handler.
  SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  DestroyWindow(window);
}

void Form::CreateFrame(const wchar_t* className, int width, int height) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
  windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = className;
  RegisterClassExW(&windowClass);
  RegisterToolkitClasses(instance);

  minimumSize_ = {width, height};
  int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  int top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  CreateWindowExW(WS_EX_CONTROLPARENT, className, L"", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, left, top, width,
                  height, nullptr, nullptr, instance, this);
  application_.SetMainWindow(hwnd_);
}

LRESULT CALLBACK Form::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* form = static_cast<Form*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    form->hwnd_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
  }
  auto* form = reinterpret_cast<Form*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!form) return DefWindowProcW(window, message, wParam, lParam);
  return form->HandleMessage(message, wParam, lParam);
}

LRESULT Form::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_GETMINMAXINFO: {
      auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
      limits->ptMinTrackSize = {minimumSize_.cx, minimumSize_.cy};
      return 0;
    }
    case WM_SIZE:
      OnResize(LOWORD(lParam), HIWORD(lParam));
      return 0;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
      return 0;
    case WM_NOTIFY:
      OnNotify(*reinterpret_cast<NMHDR*>(lParam));
      return 0;
    case DM_GETDEFID: {
      int id = DefaultButtonId();
      return id ? MAKELRESULT(id, DC_HASDEFID) : 0;
    }
    case WM_CLOSE:
      // The form decides; the window itself stays until the application ends.
      RunHandler([this] { OnClose(); });
      return 0;
    default:
      break;
  }
  if (message >= WM_APP) {
    bool handled = false;
    RunHandler([&] { handled = OnAppMessage(message, wParam, lParam); });
    if (handled) return 0;
  }
  return DefWindowProcW(hwnd_, message, wParam, lParam);
}

void Form::OnCommand(int controlId, int code, HWND control) {
  auto handler = clickHandlers_.find(controlId);
  if (handler == clickHandlers_.end() || !control) return;
  wchar_t className[32] = {};
  GetClassNameW(control, className, 32);
  bool isList = lstrcmpiW(className, L"ListBox") == 0;
  bool clicked = isList ? code == LBN_SELCHANGE : code == BN_CLICKED;
  if (!clicked) return;
  EventSource* sender = Control::FromHandle(control);
  RunHandler([&] { handler->second(sender); });
}

void Form::BindClick(int controlId, EventHandler handler) { clickHandlers_[controlId] = std::move(handler); }

void Form::RunHandler(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& error) {
    ShowMessage(error.what());
  }
}

void Form::ShowMessage(const std::string& text) {
  MessageBoxW(hwnd_, Widen(text).c_str(), L"Ferrowin", MB_OK);
}

std::string Form::Caption() const {
  wchar_t text[512] = {};
  GetWindowTextW(hwnd_, text, 512);
  return Narrow(text);
}

void Form::SetCaption(std::string_view caption) { SetWindowTextW(hwnd_, Widen(caption).c_str()); }

void Form::PaintChanges() { RedrawWindow(hwnd_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN); }

void Form::Repaint() { RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW); }

}  // namespace ferrowin

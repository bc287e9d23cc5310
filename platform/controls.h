// A small control toolkit: one class per control kind the window uses, each a
// thin, typed wrapper over a real child window. Components are owned by a
// form and registered with it in their order of declaration.
#pragma once

#include <windows.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace ferrowin {

class Component;

// A window, a control or a window class that could not be made: the program
// cannot show its window as it should, and does not start.
class WindowCreationError : public std::runtime_error {
 public:
  // What could not be made ("Could not create the control cmdNext0"), and
  // the system's reason for it, if it gave one.
  WindowCreationError(const std::string& what, DWORD error);
};

// Whatever raises an event: a component, or the form itself.
class EventSource {
 public:
  virtual ~EventSource() = default;
};

// What the toolkit's own window procedures run their work through: the
// barrier of the form their window belongs to (a Form is one), which turns
// an error escaping a handler into a message box, so no exception crosses
// into Windows.
class HandlerBarrier {
 public:
  virtual void RunGuarded(const std::function<void()>& work) noexcept = 0;
  // The barrier of the top-level window that `window` belongs to; null
  // outside a form.
  static HandlerBarrier* Of(HWND window);

 protected:
  ~HandlerBarrier() = default;
  // The form's top-level window names its barrier with this property.
  static constexpr const wchar_t* kProperty = L"FerrowinHandlerBarrier";
};

class ComponentOwner {
 public:
  void Register(Component* component) { components_.push_back(component); }
  const std::vector<Component*>& Components() const { return components_; }
  Component* FindComponent(int id) const;

 private:
  std::vector<Component*> components_;
};

// Anything the window owns, visible or not, with a stable id and a name.
class Component : public EventSource {
 public:
  Component(ComponentOwner& owner, int id, const char* name);
  Component(const Component&) = delete;
  Component& operator=(const Component&) = delete;

  int Id() const { return id_; }
  const char* Name() const { return name_; }

 private:
  int id_;
  const char* name_;
};

// Where and how a control's window is made.
struct CreateArgs {
  HWND parent = nullptr;
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  std::string_view text;
  DWORD style = 0;
  DWORD exStyle = 0;
  HFONT font = nullptr;
};

class Control : public Component {
 public:
  using Component::Component;
  ~Control() override;

  // The control behind a child window made by this toolkit, or null.
  static Control* FromHandle(HWND window);

  // Makes the control's window; throws WindowCreationError when it cannot.
  void Create(const wchar_t* windowClass, const CreateArgs& args);
  HWND Handle() const { return hwnd_; }

  // Whether a notification code of WM_COMMAND from this control is its click.
  virtual bool IsClick(int) const { return false; }

  std::string Text() const;
  virtual void SetText(std::string_view text);

  // The control's own visible flag; a control on a page that is not shown
  // still counts as visible.
  bool Visible() const;
  void SetVisible(bool visible);
  bool Enabled() const;
  // A control that has the focus hands it to the next one in its parent's
  // tab order before it is disabled, as in Windows' own dialogs.
  void SetEnabled(bool enabled);

  RECT Bounds() const;  // relative to the parent
  void SetBounds(int left, int top, int width, int height);

  // Keep the right edge this many pixels from the parent's right edge.
  void AnchorRight(int margin) { rightAnchor_ = margin; }
  int RightAnchor() const { return rightAnchor_; }

  // Paints the control at once.
  void Repaint();

  // Colours for WM_CTLCOLOR*: the brush to paint with, or null for the default.
  virtual HBRUSH Colors(HDC dc);

 private:
  bool HasFocus() const;
  void PassFocusOn();

  HWND hwnd_ = nullptr;
  int rightAnchor_ = -1;
};

// A text drawn on its page. Auto-sizing labels grow to fit their text (to the
// right, and down for line breaks); fixed-size ones wrap inside their box.
class Label : public Control {
 public:
  // Stands for the system's window-text colour, whatever it is.
  static constexpr COLORREF kWindowTextColor = 0xFF000000;
  // Notices and captions flagging a missing choice.
  static constexpr COLORREF kRed = RGB(255, 0, 0);

  using Control::Control;
  // An auto-sizing label fits its text at once, and again at every change.
  void SetAutoSize(bool autoSize);
  bool AutoSize() const { return autoSize_; }
  void SetText(std::string_view text) override;

  COLORREF FontColor() const { return fontColor_; }
  void SetFontColor(COLORREF color);
  HBRUSH Colors(HDC dc) override;

 private:
  void FitToText();

  bool autoSize_ = true;
  COLORREF fontColor_ = kWindowTextColor;
};

// Multi-line text. Its lines are its display lines: where the control wraps
// a long line, the parts count as lines of their own.
class Memo : public Control {
 public:
  using Control::Control;
  std::vector<std::string> Lines() const;
  void AddLine(std::string_view line);
  // Appends the lines at once: one change of the control, however many.
  void AddLines(const std::vector<std::string>& lines);
  void Clear() { SetText(""); }
  HBRUSH Colors(HDC dc) override;
};

class Edit : public Control {
 public:
  using Control::Control;
};

class ListBox : public Control {
 public:
  using Control::Control;
  int Count() const;
  std::string Item(int index) const;
  std::vector<std::string> Items() const;
  void SetItems(const std::vector<std::string>& items);
  void Add(std::string_view item);
  void Clear();
  int ItemIndex() const;  // -1 when nothing is selected
  void SetItemIndex(int index);
  // The selection changed, by mouse or keys.
  bool IsClick(int code) const override { return code == LBN_SELCHANGE; }
};

class CheckBox : public Control {
 public:
  using Control::Control;
  bool Checked() const;
  void SetChecked(bool checked);
  HBRUSH Colors(HDC dc) override;
  bool IsClick(int code) const override { return code == BN_CLICKED; }
};

class Button : public Control {
 public:
  using Control::Control;
  bool IsClick(int code) const override { return code == BN_CLICKED; }
};

// A rectangle with a black one-pixel pen and a white fill; one pixel wide it
// is a black line.
class Shape : public Control {
 public:
  using Control::Control;
  static const wchar_t* WindowClass();
};

class PageControl;

// A page of a page control: a plain window that its controls sit on.
class TabSheet : public Control {
 public:
  using Control::Control;
  static const wchar_t* WindowClass();

  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string_view caption) { caption_ = caption; }
  bool TabVisible() const { return tabVisible_; }
  int PageIndex() const { return pageIndex_; }

  // Moves the controls anchored to the right edge after a resize.
  void LayoutChildren();

 private:
  friend class PageControl;
  std::string caption_;
  bool tabVisible_ = true;
  int pageIndex_ = -1;
};

// Pages with optional tabs. A page whose tab is hidden stays in place and can
// still be made active by the program.
class PageControl : public Control {
 public:
  using Control::Control;

  void AddPage(TabSheet& page);
  int PageCount() const { return static_cast<int>(pages_.size()); }
  TabSheet& Page(int index) const { return *pages_.at(static_cast<size_t>(index)); }
  int VisibleTabCount() const;

  TabSheet* ActivePage() const { return active_; }
  int ActivePageIndex() const { return active_ ? active_->PageIndex() : -1; }
  void SetActivePage(TabSheet& page);
  void SetActivePageIndex(int index);

  void SetTabVisible(TabSheet& page, bool visible);

  // Fits the page area into the control after a resize.
  void LayoutPages();

  // The user picked a tab (TCN_SELCHANGE).
  void OnTabSelected();

 private:
  void RebuildTabs();
  RECT PageArea() const;

  std::vector<TabSheet*> pages_;
  TabSheet* active_ = nullptr;
};

// Registers a window class; one this process has registered already counts
// as registered. Throws WindowCreationError when it cannot.
void RegisterWindowClass(const WNDCLASSEXW& windowClass);

// Registers the window classes of the toolkit's own controls (pages, shapes).
void RegisterToolkitClasses(HINSTANCE instance);

}  // namespace ferrowin

// One loaded form's window (see form_window.h). A form's designed size is
// its client area; positions are designed in twips and converted by the
// window's DPI.
#include "ui/win32/form_window.h"

#include <commctrl.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "platform/win32/wide_text.h"
#include "platform/win32/win32_constants.h"
#include "ui/win32/control_view.h"
#include "ui/win32/renderer_support.h"

namespace ui::win32 {
namespace {

using platform::win32::ToWide;
using platform::win32::UniqueFont;
using platform::win32::UniqueIcon;

// Control ids count up from here in the models' order, clear of
// IDOK/IDCANCEL (which IsDialogMessage sends for Enter and Esc).
constexpr int kFirstControlId = 1000;
// Tool tips wrap at this width (pixels at 96 dpi).
constexpr int kToolTipWidth = 320;

DWORD FormStyle(const Form& form) {
  DWORD style = WS_CLIPCHILDREN;
  switch (form.border_style) {
    case BorderStyle::kNone:
      return style | WS_POPUP;
    case BorderStyle::kFixedSingle:
      style |= WS_OVERLAPPED | WS_CAPTION | WS_BORDER;
      break;
    case BorderStyle::kFixedDialog:
      style |= WS_OVERLAPPED | WS_CAPTION | WS_DLGFRAME;
      break;
    case BorderStyle::kSizable:
      style |= WS_OVERLAPPEDWINDOW & ~(WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX);
      break;
  }
  if (form.control_box) {
    style |= WS_SYSMENU;
    if (form.min_button) style |= WS_MINIMIZEBOX;
    if (form.max_button) style |= WS_MAXIMIZEBOX;
  }
  return style;
}

DWORD FormExStyle(const Form& form) {
  DWORD ex_style = 0;
  // An owned window has no taskbar button unless it asks for one.
  if (form.show_in_taskbar) ex_style |= WS_EX_APPWINDOW;
  if (form.border_style == BorderStyle::kFixedDialog) ex_style |= WS_EX_DLGMODALFRAME;
  if (form.topmost()) ex_style |= WS_EX_TOPMOST;
  return ex_style;
}

// Whether `size` bytes at `address` are memory of this process that can be
// read. A notification's or a drawn item's pointer is checked so: another
// program can send these with a pointer into its own memory, which means
// nothing here, while the controls' own come nested inside whatever another
// program sent (a click), so the sender cannot tell them apart.
bool Readable(LPARAM address, std::size_t size) {
  constexpr DWORD kReadable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                              PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
  auto at = static_cast<std::uintptr_t>(address);
  const std::uintptr_t end = at + size;
  if (at == 0 || end < at) return false;
  while (at < end) {
    MEMORY_BASIC_INFORMATION region{};
    if (::VirtualQuery(reinterpret_cast<const void*>(at), &region, sizeof(region)) == 0 ||
        region.State != MEM_COMMIT || (region.Protect & (PAGE_GUARD | PAGE_NOACCESS)) != 0 ||
        (region.Protect & kReadable) == 0) {
      return false;
    }
    at = reinterpret_cast<std::uintptr_t>(region.BaseAddress) + region.RegionSize;
  }
  return true;
}

}  // namespace

Win32FormHost::FormWindow::FormWindow(Win32FormHost& host, Form& form) : host_(host), form_(form) {}

Win32FormHost::FormWindow::~FormWindow() {
  if (hwnd_ != nullptr) Destroy(false);
}

// ---- Creation and destruction -------------------------------------------------------

SIZE Win32FormHost::FormWindow::OuterSizeAt(UINT dpi) const {
  const Bounds& bounds = form_.bounds();
  DWORD style = FormStyle(form_);
  DWORD ex_style = FormExStyle(form_);
  if (hwnd_ != nullptr) {
    style = static_cast<DWORD>(::GetWindowLongPtrW(hwnd_, GWL_STYLE));
    ex_style = static_cast<DWORD>(::GetWindowLongPtrW(hwnd_, GWL_EXSTYLE));
  }
  return OuterSize(style, ex_style, TwipsToPixels(bounds.width, dpi), TwipsToPixels(bounds.height, dpi), dpi);
}

RECT Win32FormHost::FormWindow::DesignedRect(UINT dpi) const {
  const Bounds& bounds = form_.bounds();
  const SIZE outer = OuterSizeAt(dpi);
  if (form_.start_position == StartPosition::kCenterScreen) {
    // The primary monitor's work area, as the screen the program starts on.
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    ::GetMonitorInfoW(::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& area = monitor.rcWork;
    const int left = area.left + ((area.right - area.left) - outer.cx) / 2;
    const int top = area.top + ((area.bottom - area.top) - outer.cy) / 2;
    return RECT{left, top, left + outer.cx, top + outer.cy};
  }
  const int left = TwipsToPixels(bounds.left, dpi);
  const int top = TwipsToPixels(bounds.top, dpi);
  return RECT{left, top, left + outer.cx, top + outer.cy};
}

void Win32FormHost::FormWindow::CreateFonts() {
  font_.reset(CreateFormFont(dpi_, false));
  underline_font_.reset(CreateFormFont(dpi_, true));
  bold_font_.reset(CreateFormFont(dpi_, false, true));
}

void Win32FormHost::FormWindow::Create() {
  const FlagGuard applying(applying_);
  // The window's DPI is known only once it exists: place it by the system
  // DPI first and correct that when its monitor differs.
  const UINT system_dpi = SystemDpi();
  RECT rect = DesignedRect(system_dpi);
  ::CreateWindowExW(FormExStyle(form_), platform::win32::kFormWindowClass, ToWide(form_.caption()).c_str(),
                    FormStyle(form_), rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                    host_.owner_.get(), nullptr, host_.instance_, this);
  if (hwnd_ == nullptr) return;
  dpi_ = WindowDpi(hwnd_);
  // The real styles may add to the designed ones (a frame the system adds).
  RECT corrected = DesignedRect(dpi_);
  if (dpi_ != system_dpi || !::EqualRect(&corrected, &rect)) {
    rect = corrected;
    ::SetWindowPos(hwnd_, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
  }
  back_brush_.reset(::CreateSolidBrush(ToColorRef(form_.back_color)));
  CreateFonts();
  LoadIcons();
  if (!form_.enabled()) ::EnableWindow(hwnd_, FALSE);
  form_.setWindow(reinterpret_cast<platform::WindowId>(hwnd_));

  int next_id = kFirstControlId;
  for (Control* control : form_.controls()) {
    if (control->kind() == ControlKind::kTimer || control->kind() == ControlKind::kFileList) continue;
    views_.push_back(std::make_unique<ControlView>(*this, *control, next_id++));
  }
  // A child window created later lies lower in the z-order, which is also
  // the Tab key's order. The controls come in the models' order; tab strips
  // and frames after them, the outermost last, so that every container lies
  // under what it contains.
  for (const auto& view : views_) {
    if (!IsContainer(view->control())) view->Create(hwnd_, host_.instance_, dpi_);
  }
  for (ControlView* view : Containers(Nesting::kInnermostFirst)) view->Create(hwnd_, host_.instance_, dpi_);
  UpdateInnerBrushes();
  CreateToolTips();

  // A centred form's model learns where it ended up, so a later change of
  // its size alone keeps it there.
  if (form_.start_position == StartPosition::kCenterScreen) {
    Bounds bounds = form_.bounds();
    bounds.left = PixelsToTwips(rect.left, dpi_);
    bounds.top = PixelsToTwips(rect.top, dpi_);
    const FlagGuard mirroring(mirroring_);
    form_.setBounds(bounds);
  }
}

// One tooltip control for the form, with a tool for every control that has
// a tool tip. It belongs to the form's window and goes with it.
void Win32FormHost::FormWindow::CreateToolTips() {
  for (const auto& view : views_) {
    const std::string& tip = view->control().tool_tip;
    if (tip.empty() || view->hwnd() == nullptr) continue;
    if (tool_tip_ == nullptr) {
      tool_tip_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                    WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                                    CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, host_.instance_, nullptr);
      if (tool_tip_ == nullptr) return;
      FitToolTipWidth();
    }
    std::wstring text = ToWide(tip);
    TOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = hwnd_;
    tool.uId = reinterpret_cast<UINT_PTR>(view->hwnd());
    tool.hinst = host_.instance_;
    tool.lpszText = text.data();
    ::SendMessageW(tool_tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

void Win32FormHost::FormWindow::FitToolTipWidth() {
  ::SendMessageW(tool_tip_, TTM_SETMAXTIPWIDTH, 0, ScalePixels(kToolTipWidth, dpi_));
}

void Win32FormHost::FormWindow::Destroy(bool models_alive) {
  closing_ = true;
  if (models_alive) {
    for (const auto& view : views_) view->control().setObserver(nullptr);
  }
  if (hwnd_ != nullptr) ::DestroyWindow(hwnd_);
  hwnd_ = nullptr;
  tool_tip_ = nullptr;
}

void Win32FormHost::FormWindow::LoadIcons() {
  if (form_.icon.empty()) return;
  UniqueIcon big(LoadIconResource(host_.instance_, form_.icon, SystemMetric(SM_CXICON, dpi_),
                                  SystemMetric(SM_CYICON, dpi_)));
  UniqueIcon small(LoadIconResource(host_.instance_, form_.icon, SystemMetric(SM_CXSMICON, dpi_),
                                    SystemMetric(SM_CYSMICON, dpi_)));
  ::SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big.get()));
  ::SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.get()));
  // The window holds the new icons now; the old ones can go.
  big_icon_ = std::move(big);
  small_icon_ = std::move(small);
}

void Win32FormHost::FormWindow::Show() {
  int command = SW_SHOWNORMAL;
  if (form_.windowState() == WindowState::kMaximized) command = SW_SHOWMAXIMIZED;
  if (form_.windowState() == WindowState::kMinimized) command = SW_SHOWMINIMIZED;
  ::ShowWindow(hwnd_, command);
}

// ---- The form model to the window ---------------------------------------------------

void Win32FormHost::FormWindow::Apply(FormProperty property) {
  if (hwnd_ == nullptr || closing_ || mirroring_) return;
  const FlagGuard applying(applying_);
  switch (property) {
    case FormProperty::kCaption:
      SetText(hwnd_, form_.caption());
      break;
    case FormProperty::kVisible:
      if (form_.visible()) {
        Show();
      } else {
        ::ShowWindow(hwnd_, SW_HIDE);
      }
      break;
    case FormProperty::kEnabled:
      ::EnableWindow(hwnd_, form_.enabled() ? TRUE : FALSE);
      break;
    case FormProperty::kTopmost:
      // Wine keeps the owner right below a topmost owned window and then
      // turns HWND_NOTOPMOST into "stay where you are"; the hidden owner at
      // the bottom of the z-order lets the request through (and changes
      // nothing on Windows, where owned windows stay above their owner).
      if (!form_.topmost()) {
        ::SetWindowPos(host_.owner_.get(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      }
      ::SetWindowPos(hwnd_, form_.topmost() ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      break;
    case FormProperty::kWindowState:
      // A hidden form takes its state when it is shown.
      if (::IsWindowVisible(hwnd_) != FALSE) {
        switch (form_.windowState()) {
          case WindowState::kNormal:
            ::ShowWindow(hwnd_, SW_RESTORE);
            break;
          case WindowState::kMinimized:
            ::ShowWindow(hwnd_, SW_MINIMIZE);
            break;
          case WindowState::kMaximized:
            ::ShowWindow(hwnd_, SW_MAXIMIZE);
            break;
        }
      }
      break;
    case FormProperty::kBounds: {
      const Bounds& bounds = form_.bounds();
      const SIZE outer = OuterSizeAt(dpi_);
      ::SetWindowPos(hwnd_, nullptr, TwipsToPixels(bounds.left, dpi_), TwipsToPixels(bounds.top, dpi_),
                     outer.cx, outer.cy, SWP_NOZORDER | SWP_NOACTIVATE);
      break;
    }
  }
}

// ---- Views, containers, fonts and backgrounds ---------------------------------------

HWND Win32FormHost::FormWindow::ControlWindow(const Control& control) const {
  const ControlView* view = ViewOf(control);
  return view != nullptr ? view->hwnd() : nullptr;
}

ControlView* Win32FormHost::FormWindow::ViewById(int id, HWND from) const {
  const int index = id - kFirstControlId;
  if (index < 0 || index >= static_cast<int>(views_.size())) return nullptr;
  ControlView* view = views_[static_cast<std::size_t>(index)].get();
  return view->hwnd() == from ? view : nullptr;
}

ControlView* Win32FormHost::FormWindow::ViewByWindow(HWND hwnd) const {
  return hwnd != nullptr ? ViewById(::GetDlgCtrlID(hwnd), hwnd) : nullptr;
}

ControlView* Win32FormHost::FormWindow::ViewOf(const Control& control) const {
  for (const auto& view : views_) {
    if (&view->control() == &control) return view.get();
  }
  return nullptr;
}

ControlView* Win32FormHost::FormWindow::TabStripAround(const Control& control) const {
  for (const Control* outer = control.container(); outer != nullptr; outer = outer->container()) {
    if (outer->kind() == ControlKind::kTabStrip) return ViewOf(*outer);
  }
  return nullptr;
}

ControlView* Win32FormHost::FormWindow::PaintedContainerAround(const Control& control) const {
  for (const Control* outer = control.container(); outer != nullptr; outer = outer->container()) {
    ControlView* view = ViewOf(*outer);
    if (view != nullptr && view->inner_brush() != nullptr) return view;
  }
  return nullptr;
}

std::vector<ControlView*> Win32FormHost::FormWindow::Containers(Nesting nesting) const {
  std::vector<ControlView*> containers;
  for (const auto& view : views_) {
    if (IsContainer(view->control())) containers.push_back(view.get());
  }
  std::stable_sort(containers.begin(), containers.end(),
                   [nesting](const ControlView* a, const ControlView* b) {
                     const int depth_a = ContainerDepth(a->control());
                     const int depth_b = ContainerDepth(b->control());
                     return nesting == Nesting::kOutermostFirst ? depth_a < depth_b : depth_a > depth_b;
                   });
  return containers;
}

void Win32FormHost::FormWindow::UpdateInnerBrushes() {
  for (ControlView* view : Containers(Nesting::kOutermostFirst)) view->UpdateInnerBrush();
}

HFONT Win32FormHost::FormWindow::FontFor(const Control& control) const {
  if (control.kind() == ControlKind::kLabel) {
    const auto& label = static_cast<const Label&>(control);
    if (label.underline) return underline_font_.get();
    if (label.bold) return bold_font_.get();
  }
  return font_.get();
}

HBRUSH Win32FormHost::FormWindow::BackgroundBrush(const Control& control) const {
  const ControlView* container = PaintedContainerAround(control);
  return container != nullptr ? container->inner_brush() : back_brush_.get();
}

COLORREF Win32FormHost::FormWindow::BackgroundColor(const Control& control) const {
  const ControlView* container = PaintedContainerAround(control);
  return container != nullptr ? container->inner_color() : ToColorRef(form_.back_color);
}

// ---- Visibility, focus and the keyboard ---------------------------------------------

void Win32FormHost::FormWindow::SyncVisibility() {
  if (hwnd_ == nullptr || closing_) return;
  // Hiding the focused control hands the focus to the form itself (Windows
  // and Wine alike), where the keyboard does nothing.
  const HWND focus = ::GetFocus();
  for (const auto& view : views_) {
    if (view->hwnd() == nullptr) continue;
    const bool show = view->control().onScreen();
    if (show != HasStyle(view->hwnd(), WS_VISIBLE)) ::ShowWindow(view->hwnd(), show ? SW_SHOWNA : SW_HIDE);
  }
  if (focus != nullptr && ::IsChild(hwnd_, focus) != FALSE && !HasStyle(focus, WS_VISIBLE)) {
    MoveFocusFrom(focus);
  }
}

void Win32FormHost::FormWindow::MoveFocusFrom(HWND hidden) {
  HWND target = nullptr;
  if (const ControlView* view = ViewByWindow(hidden); view != nullptr) {
    const ControlView* tabs = TabStripAround(view->control());
    if (tabs != nullptr && tabs->control().onScreen() && tabs->control().enabled()) target = tabs->hwnd();
  }
  if (target == nullptr) target = FirstTabStop();
  ::SetFocus(target != nullptr ? target : hwnd_);
}

// IsDialogMessage turns Enter into IDOK (unless a default push button has
// the focus, which then reports its own click) and Esc into IDCANCEL.
void Win32FormHost::FormWindow::PressDefaultButton(bool cancel) {
  if (!cancel) {
    // Enter on a focused push button presses that button, as in a dialog.
    if (ControlView* focused = ViewByWindow(::GetFocus());
        focused != nullptr && focused->control().kind() == ControlKind::kButton) {
      static_cast<Button&>(focused->control()).click();
      return;
    }
  }
  for (const auto& view : views_) {
    if (view->control().kind() != ControlKind::kButton) continue;
    auto& button = static_cast<Button&>(view->control());
    if (cancel ? button.is_cancel : button.is_default) {
      button.click();
      return;
    }
  }
}

// The first control in the models' order that can take the focus.
HWND Win32FormHost::FormWindow::FirstTabStop() const {
  for (const auto& view : views_) {
    const HWND hwnd = view->hwnd();
    if (hwnd != nullptr && HasStyle(hwnd, WS_TABSTOP) && ::IsWindowVisible(hwnd) != FALSE &&
        ::IsWindowEnabled(hwnd) != FALSE) {
      return hwnd;
    }
  }
  return nullptr;
}

// A control's request for the focus is met once the window is on screen;
// until then it waits (the form may be loaded but hidden).
bool Win32FormHost::FormWindow::ApplyFocusRequest() {
  if (form_.focusRequest() == nullptr || ::IsWindowVisible(hwnd_) == FALSE || ::IsIconic(hwnd_) != FALSE) {
    return false;
  }
  const Control* wanted = form_.TakeFocusRequest();
  const HWND target = ControlWindow(*wanted);
  if (target == nullptr || ::IsWindowVisible(target) == FALSE || ::IsWindowEnabled(target) == FALSE)
    return false;
  ::SetFocus(target);
  return true;
}

void Win32FormHost::FormWindow::FocusRequested() {
  if (hwnd_ != nullptr && !closing_) ApplyFocusRequest();
}

void Win32FormHost::FormWindow::RestoreFocus() {
  if (ApplyFocusRequest()) return;
  HWND target = last_focus_;
  if (target == nullptr || ::IsChild(hwnd_, target) == FALSE || ::IsWindowVisible(target) == FALSE ||
      ::IsWindowEnabled(target) == FALSE) {
    target = FirstTabStop();
  }
  ::SetFocus(target != nullptr ? target : hwnd_);
}

void Win32FormHost::FormWindow::BringToFront() {
  if (hwnd_ == nullptr || closing_) return;
  ::SetForegroundWindow(hwnd_);
  ::BringWindowToTop(hwnd_);
}

bool Win32FormHost::FormWindow::CycleTab(bool backwards) {
  if (hwnd_ == nullptr || closing_) return false;
  const auto usable = [](const ControlView* view) {
    const auto& tabs = static_cast<const TabStrip&>(view->control());
    return tabs.onScreen() && tabs.enabled() && tabs.tabCount() > 1;
  };
  ControlView* strip = nullptr;
  if (const ControlView* focused = ViewByWindow(::GetFocus()); focused != nullptr) {
    if (focused->control().kind() == ControlKind::kTabStrip) {
      strip = const_cast<ControlView*>(focused);
    } else {
      strip = TabStripAround(focused->control());
    }
    if (strip != nullptr && !usable(strip)) strip = nullptr;
  }
  for (auto it = views_.begin(); strip == nullptr && it != views_.end(); ++it) {
    if ((*it)->control().kind() == ControlKind::kTabStrip && usable(it->get())) strip = it->get();
  }
  if (strip == nullptr) return false;
  auto& tabs = static_cast<TabStrip&>(strip->control());
  const int count = tabs.tabCount();
  tabs.pick((tabs.selectedTab() + (backwards ? count - 1 : 1)) % count);
  return true;
}

// ---- Window messages ----------------------------------------------------------------

void Win32FormHost::FormWindow::OnDpiChanged(UINT dpi, const RECT& suggested) {
  dpi_ = dpi;
  {
    const FlagGuard applying(applying_);
    ::SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                   suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  // The controls take the new fonts before the old ones are deleted.
  const UniqueFont old_font = std::move(font_);
  const UniqueFont old_underline_font = std::move(underline_font_);
  const UniqueFont old_bold_font = std::move(bold_font_);
  CreateFonts();
  for (const auto& view : views_) view->Rescale(dpi_);
  UpdateInnerBrushes();
  if (tool_tip_ != nullptr) FitToolTipWidth();
  LoadIcons();
}

void Win32FormHost::FormWindow::MirrorWindowState(WPARAM size_type) {
  if (applying_ || ::IsWindowVisible(hwnd_) == FALSE) return;
  WindowState state = WindowState::kNormal;
  if (size_type == SIZE_MINIMIZED) {
    state = WindowState::kMinimized;
  } else if (size_type == SIZE_MAXIMIZED) {
    state = WindowState::kMaximized;
  } else if (size_type != SIZE_RESTORED) {
    return;
  }
  const FlagGuard mirroring(mirroring_);
  form_.setWindowState(state);
}

// After the user moved or sized the form, its model holds the new place.
void Win32FormHost::FormWindow::MirrorBounds() {
  if (::IsIconic(hwnd_) != FALSE || ::IsZoomed(hwnd_) != FALSE) return;
  RECT outer{};
  ::GetWindowRect(hwnd_, &outer);
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  if (applying_) return;
  const FlagGuard mirroring(mirroring_);
  form_.setBounds(Bounds{PixelsToTwips(outer.left, dpi_), PixelsToTwips(outer.top, dpi_),
                         PixelsToTwips(client.right - client.left, dpi_),
                         PixelsToTwips(client.bottom - client.top, dpi_)});
}

// The form's colour, and the inside of each container in its own colour:
// the form clips its children, so the insides matter only when a control
// asks its parent to draw what lies under it (themed check boxes and group
// boxes do).
void Win32FormHost::FormWindow::EraseBackground(HDC dc) {
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  ::FillRect(dc, &client, back_brush_.get());
  if (closing_) return;
  for (const ControlView* view : Containers(Nesting::kOutermostFirst)) {
    if (view->hwnd() == nullptr || view->inner_brush() == nullptr || !view->control().onScreen()) continue;
    const RECT inner = MapRect(view->hwnd(), hwnd_, view->InnerRect());
    ::FillRect(dc, &inner, view->inner_brush());
  }
}

// A press on the form's own surface, not on one of its controls: a control
// that is transparent to the mouse (a static without SS_NOTIFY, such as a
// frame without a border) lets the press through to the form.
void Win32FormHost::FormWindow::MouseDownOnSurface(UINT message, LPARAM lparam) {
  const POINT at{static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
  if (::ChildWindowFromPointEx(hwnd_, at, CWP_SKIPINVISIBLE) != hwnd_) return;
  form_.MouseDown(PressedButton(message));
}

LRESULT Win32FormHost::FormWindow::CtlColor(UINT message, HDC dc, HWND control) {
  const ControlView* view = closing_ ? nullptr : ViewByWindow(control);
  if (view == nullptr)
    return ::DefWindowProcW(hwnd_, message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
  switch (view->control().kind()) {
    case ControlKind::kLabel:
      // Labels draw themselves (DrawItem); a transparent one fills nothing.
      ::SetBkMode(dc, TRANSPARENT);
      if (static_cast<Label&>(view->control()).transparent) {
        return reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
      }
      ::SetBkColor(dc, BackgroundColor(view->control()));
      return reinterpret_cast<LRESULT>(BackgroundBrush(view->control()));
    case ControlKind::kButton:
    case ControlKind::kCheckBox:
    case ControlKind::kFrame:
    case ControlKind::kImage:
      ::SetBkColor(dc, BackgroundColor(view->control()));
      return reinterpret_cast<LRESULT>(BackgroundBrush(view->control()));
    case ControlKind::kTextBox:
      // A locked (read-only) text box keeps the white of an editable one;
      // a disabled one keeps the system's grey.
      if (message == WM_CTLCOLORSTATIC && static_cast<TextBox&>(view->control()).locked &&
          view->control().enabled()) {
        ::SetBkColor(dc, ::GetSysColor(COLOR_WINDOW));
        ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
        return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOW));
      }
      break;
    case ControlKind::kListBox:
    case ControlKind::kCheckListBox:
    case ControlKind::kTabStrip:
    case ControlKind::kProgressBar:
    case ControlKind::kShape:
    case ControlKind::kTimer:
    case ControlKind::kFileList:
      break;
  }
  return ::DefWindowProcW(hwnd_, message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
}

LRESULT Win32FormHost::FormWindow::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_ERASEBKGND:
      EraseBackground(reinterpret_cast<HDC>(wparam));
      return 1;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      return CtlColor(message, reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam));
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
      if (closing_ || !Readable(lparam, sizeof(DRAWITEMSTRUCT))) return FALSE;
      ControlView* view = ViewById(static_cast<int>(wparam), item->hwndItem);
      if (view == nullptr) return FALSE;
      view->DrawItem(*item);
      return TRUE;
    }
    case WM_SETCURSOR: {
      // Link labels show the hand.
      const ControlView* view =
          closing_ || LOWORD(lparam) != HTCLIENT ? nullptr : ViewByWindow(reinterpret_cast<HWND>(wparam));
      if (view != nullptr && view->IsLink()) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
      }
      break;
    }
    case WM_COMMAND: {
      if (closing_) return 0;
      const int id = LOWORD(wparam);
      if (lparam == 0 && (id == IDOK || id == IDCANCEL)) {
        PressDefaultButton(id == IDCANCEL);
      } else if (ControlView* view = ViewById(id, reinterpret_cast<HWND>(lparam)); view != nullptr) {
        view->Command(HIWORD(wparam));
      }
      return 0;
    }
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lparam);
      if (closing_ || !Readable(lparam, sizeof(NMHDR))) return 0;
      if (header->code == LVN_ITEMCHANGED && !Readable(lparam, sizeof(NMLISTVIEW))) return 0;
      if (ControlView* view = ViewById(static_cast<int>(header->idFrom), header->hwndFrom); view != nullptr) {
        view->Notify(*header);
      }
      return 0;
    }
    case WM_ACTIVATE:
      if (LOWORD(wparam) == WA_INACTIVE) {
        const HWND focus = ::GetFocus();
        if (focus != nullptr && ::IsChild(hwnd_, focus) != FALSE) last_focus_ = focus;
        return 0;
      }
      // Not DefWindowProc, which would put the focus on the form itself.
      if (HIWORD(wparam) == 0) RestoreFocus();
      if (!closing_) form_.Activated();
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
      if (!closing_) MouseDownOnSurface(message, lparam);
      break;
    case WM_CLOSE:
      // The close box, Alt+F4 and WM_CLOSE from another program ask the
      // form, which may stay; never DefWindowProc's DestroyWindow.
      if (!closing_) form_.RequestClose(UnloadReason::kUserClose);
      return 0;
    case WM_QUERYENDSESSION:
      // The session ends whatever the form answers: it is told, then
      // unloaded on WM_ENDSESSION. Sent by another program while the
      // session goes on, both are ignored: they would end the program, and
      // every lock with it, without a restart.
      if (!closing_ && host_.session_ending()) form_.QueryUnload(UnloadReason::kWindowsEnding);
      return TRUE;
    case WM_ENDSESSION:
      if (wparam != FALSE && !closing_ && host_.session_ending()) form_.Unload();
      return 0;
    case WM_SIZE:
      if (!closing_) MirrorWindowState(wparam);
      break;
    case WM_EXITSIZEMOVE:
      if (!closing_) MirrorBounds();
      break;
    case WM_GETDPISCALEDSIZE: {
      // The size for the new DPI keeps the designed client area exactly;
      // WM_DPICHANGED then suggests a rectangle of that size.
      *reinterpret_cast<SIZE*>(lparam) = OuterSizeAt(static_cast<UINT>(wparam));
      return TRUE;
    }
    case WM_DPICHANGED:
      OnDpiChanged(LOWORD(wparam), *reinterpret_cast<const RECT*>(lparam));
      return 0;
    case WM_SYSCOLORCHANGE:
    case WM_THEMECHANGED:
      // Common controls learn of new colours from their parent; the tab
      // pages may have changed colour.
      if (message == WM_SYSCOLORCHANGE) {
        for (const auto& view : views_) {
          if (view->hwnd() != nullptr) ::SendMessageW(view->hwnd(), message, wparam, lparam);
        }
      }
      UpdateInnerBrushes();
      ::InvalidateRect(hwnd_, nullptr, TRUE);
      break;
    case WM_NCDESTROY: {
      // Only the window's own destruction, which runs on this thread; one
      // sent from another program would cut the form off its window, which
      // then stays on screen beyond the program's reach (a cover or a prompt
      // anybody could hide). The posted ones never get here.
      if (::InSendMessageEx(nullptr) != ISMEX_NOSEND) return 0;
      const HWND hwnd = std::exchange(hwnd_, nullptr);
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      return ::DefWindowProcW(hwnd, message, wparam, lparam);
    }
    default:
      // Private messages (the tray icon's callback among them) go to the form.
      if (message >= WM_APP) {
        if (!closing_ && form_.on_message) {
          form_.on_message(message, static_cast<std::uintptr_t>(wparam), static_cast<std::intptr_t>(lparam));
        }
        return 0;
      }
      break;
  }
  return ::DefWindowProcW(hwnd_, message, wparam, lparam);
}

}  // namespace ui::win32

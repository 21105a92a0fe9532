// Renders forms and their control models as Win32 windows. A form's window
// and its controls are created when the form loads and destroyed when it
// unloads; in between, model changes are pushed to the controls (ControlView)
// and control notifications are turned into model calls (FormWindow::Handle).
// Positions are designed in twips and converted by the window's DPI; a
// form's designed size is its client area.
#include "ui/win32/win32_form_host.h"

#include <commctrl.h>

#include <algorithm>
#include <exception>
#include <utility>

#include "platform/win32/wide_text.h"
#include "platform/win32/win32_constants.h"

namespace ui::win32 {
namespace {

using platform::win32::FromWide;
using platform::win32::ToWide;
using platform::win32::UniqueBitmap;
using platform::win32::UniqueBrush;
using platform::win32::UniqueDc;
using platform::win32::UniqueFont;
using platform::win32::UniqueIcon;

// Control ids count up from here in the models' order, clear of
// IDOK/IDCANCEL (which IsDialogMessage sends for Enter and Esc).
constexpr int kFirstControlId = 1000;
constexpr int kTwipsPerInch = 1440;
constexpr UINT kDefaultDpi = 96;
// Verdana 8.25 pt, in hundredths of a point.
constexpr int kFontSizeCentipoints = 825;
constexpr wchar_t kFontFace[] = L"Verdana";
// State image indexes of a list view with LVS_EX_CHECKBOXES.
constexpr UINT kUncheckedImage = 1;
constexpr UINT kCheckedImage = 2;
// Tool tips wrap at this width (pixels at 96 dpi).
constexpr int kToolTipWidth = 320;

int TwipsToPixels(int twips, UINT dpi) {
  return ::MulDiv(twips, static_cast<int>(dpi), kTwipsPerInch);
}
int PixelsToTwips(int pixels, UINT dpi) {
  return ::MulDiv(pixels, kTwipsPerInch, static_cast<int>(dpi));
}

COLORREF ToColorRef(std::uint32_t rgb) {
  return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

// ---- DPI ---------------------------------------------------------------------
// The per-monitor calls exist from Windows 10 1607 on; older systems (and
// older Wine) fall back to the screen's LOGPIXELSX, so they are looked up at
// run time.

template <typename Fn>
Fn User32Function(const char* name) {
  const HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
  if (user32 == nullptr) return nullptr;
  // Through void*: FARPROC and Fn are unrelated function pointer types.
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(user32, name)));
}

UINT ScreenDpi() {
  const HDC screen = ::GetDC(nullptr);
  const int dpi = screen != nullptr ? ::GetDeviceCaps(screen, LOGPIXELSX) : 0;
  if (screen != nullptr) ::ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : kDefaultDpi;
}

UINT SystemDpi() {
  using GetDpiForSystemFn = UINT(WINAPI*)();
  static const auto get_dpi_for_system = User32Function<GetDpiForSystemFn>("GetDpiForSystem");
  const UINT dpi = get_dpi_for_system != nullptr ? get_dpi_for_system() : 0;
  return dpi != 0 ? dpi : ScreenDpi();
}

UINT WindowDpi(HWND hwnd) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto get_dpi_for_window = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
  const UINT dpi = get_dpi_for_window != nullptr ? get_dpi_for_window(hwnd) : 0;
  return dpi != 0 ? dpi : ScreenDpi();
}

int SystemMetric(int index, UINT dpi) {
  using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);
  static const auto for_dpi = User32Function<GetSystemMetricsForDpiFn>("GetSystemMetricsForDpi");
  return for_dpi != nullptr ? for_dpi(index, dpi) : ::GetSystemMetrics(index);
}

// The outer size of a window with these styles whose client area is
// client_width x client_height pixels at dpi.
SIZE OuterSize(DWORD style, DWORD ex_style, int client_width, int client_height, UINT dpi) {
  using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
  static const auto adjust_for_dpi = User32Function<AdjustWindowRectExForDpiFn>("AdjustWindowRectExForDpi");
  RECT rect{0, 0, client_width, client_height};
  if (adjust_for_dpi == nullptr || adjust_for_dpi(&rect, style, FALSE, ex_style, dpi) == FALSE) {
    rect = RECT{0, 0, client_width, client_height};
    ::AdjustWindowRectEx(&rect, style, FALSE, ex_style);
  }
  return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

HFONT CreateFormFont(UINT dpi, bool underline) {
  return ::CreateFontW(-::MulDiv(kFontSizeCentipoints, static_cast<int>(dpi), 72 * 100), 0, 0, 0, FW_NORMAL,
                       FALSE, underline ? TRUE : FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, kFontFace);
}

// ---- Small helpers ---------------------------------------------------------------

std::string TextOf(HWND hwnd) {
  const int length = ::GetWindowTextLengthW(hwnd);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = ::GetWindowTextW(hwnd, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(std::max(copied, 0)));
  return FromWide(text);
}

void SetText(HWND hwnd, const std::string& text) {
  ::SetWindowTextW(hwnd, ToWide(text).c_str());
}

// Sets a flag for the lifetime of the guard and puts back what was there,
// so nested guards (a handler that changes the model again) stay correct.
class FlagGuard {
 public:
  explicit FlagGuard(bool& flag) : flag_(flag), saved_(std::exchange(flag, true)) {}
  ~FlagGuard() { flag_ = saved_; }
  FlagGuard(const FlagGuard&) = delete;
  FlagGuard& operator=(const FlagGuard&) = delete;
  FlagGuard(FlagGuard&&) = delete;
  FlagGuard& operator=(FlagGuard&&) = delete;

 private:
  bool& flag_;
  bool saved_;
};

// "IDI_PROGRAM" and "IDI_UNLOCKED" name the numbered icons of res/kstrv7.rc
// (the tray loads them by number); any other name, "#101" included, goes to
// LoadImage as it is.
LPCWSTR IconResource(const std::string& name, std::wstring& storage) {
  if (name == "IDI_PROGRAM") return MAKEINTRESOURCEW(platform::win32::kIdiProgram);
  if (name == "IDI_UNLOCKED") return MAKEINTRESOURCEW(platform::win32::kIdiUnlocked);
  storage = ToWide(name);
  return storage.c_str();
}

// An icon of the program's resources at width x height pixels; the caller
// owns it (not LR_SHARED).
HICON LoadIconResource(HINSTANCE instance, const std::string& name, int width, int height) {
  std::wstring storage;
  const LPCWSTR resource = IconResource(name, storage);
  return static_cast<HICON>(::LoadImageW(instance, resource, IMAGE_ICON, width, height, LR_DEFAULTCOLOR));
}

bool HasStyle(HWND hwnd, DWORD style) {
  return (static_cast<DWORD>(::GetWindowLongPtrW(hwnd, GWL_STYLE)) & style) != 0;
}

// A rectangle of `from`'s client area in `to`'s client coordinates.
RECT MapRect(HWND from, HWND to, RECT rect) {
  ::MapWindowPoints(from, to, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// How deep a control sits in tab strips and frames (0 on the form itself).
int ContainerDepth(const Control& control) {
  int depth = 0;
  for (const Control* outer = control.container(); outer != nullptr; outer = outer->container()) ++depth;
  return depth;
}

bool IsContainer(const Control& control) {
  return control.kind() == ControlKind::kTabStrip || control.kind() == ControlKind::kFrame;
}

// ---- Form window styles ---------------------------------------------------------------

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

RECT ControlRect(const Bounds& bounds, UINT dpi) {
  const int left = TwipsToPixels(bounds.left, dpi);
  const int top = TwipsToPixels(bounds.top, dpi);
  return RECT{left, top, left + TwipsToPixels(bounds.width, dpi), top + TwipsToPixels(bounds.height, dpi)};
}

}  // namespace

// ---- ControlView: one control model and its window ---------------------------------

// Observes one control model and keeps its window in line; owned by the form
// window it sits on.
class ControlView : public ControlObserver {
 public:
  ControlView(Win32FormHost::FormWindow& owner, Control& control, int id)
      : owner_(owner), control_(control), id_(id) {}

  void Create(HWND parent, HINSTANCE instance, UINT dpi);
  void ControlChanged(Control& control, Property property) override;
  // Reacts to a WM_COMMAND or WM_NOTIFY code from the control.
  void Command(int code);
  void Notify(const NMHDR& header);
  // Paints an owner-drawn control: a label, or a frame without a border.
  void DrawItem(const DRAWITEMSTRUCT& item);
  void Rescale(UINT dpi);
  // Containers: the colour inside them (a tab strip's page, a group box's
  // inside) as the control paints it, which the controls they contain take
  // as their background. Outer containers first: a group box on a tab page
  // is painted over the page's colour.
  void UpdateInnerBrush();

  [[nodiscard]] Control& control() const { return control_; }
  [[nodiscard]] HWND hwnd() const { return hwnd_; }
  [[nodiscard]] int id() const { return id_; }
  // nullptr / CLR_INVALID for what contains nothing or draws no inside of
  // its own (a frame without a border).
  [[nodiscard]] HBRUSH inner_brush() const { return inner_brush_.get(); }
  [[nodiscard]] COLORREF inner_color() const { return inner_color_; }
  // A container's inside in its own client coordinates: a tab strip's page
  // area, a group box's whole rectangle.
  [[nodiscard]] RECT InnerRect() const;
  // A label that reacts to clicks: a link, with the hand cursor.
  [[nodiscard]] bool IsLink() const;

 private:
  struct Row {
    std::string text;
    bool checked = false;
  };

  [[nodiscard]] bool IsListView() const { return control_.kind() == ControlKind::kCheckListBox; }
  // Tab strips and group boxes leave (part of) their inside unpainted, and
  // nothing else paints there: the form clips its children and the
  // containers clip their siblings. They erase it in the colour around them.
  static LRESULT CALLBACK ContainerProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                                        DWORD_PTR data);
  void Place(UINT dpi);
  void PushCaption();
  void PushText();
  void LoadPicture();
  void SyncProgress();
  // Repaints what lies under a transparent label, so its old text goes.
  void RedrawBehind();
  // Rows: the control's rows are mirrored in rows_, so one added or removed
  // row is one insert or delete, not a rebuild of the whole list.
  void SyncRows();
  void SyncChecks();
  void SyncListIndex();
  void InsertRow(int row, const Row& data);
  void DeleteRow(int row);
  void SetRowCheck(int row, bool checked);
  void FitColumn();
  [[nodiscard]] int ModelRowCount() const;
  [[nodiscard]] Row ModelRow(int row) const;

  Win32FormHost::FormWindow& owner_;
  Control& control_;
  int id_;
  HWND hwnd_ = nullptr;
  HINSTANCE instance_ = nullptr;
  // Set while the renderer itself changes the control, whose notifications
  // (EN_CHANGE, LVN_ITEMCHANGED) must not travel back to the model.
  bool pushing_ = false;
  std::vector<Row> rows_;
  // An image's icon; the static control does not own it.
  UniqueIcon icon_;
  UniqueBrush inner_brush_;
  COLORREF inner_color_ = CLR_INVALID;
};

// ---- FormWindow: one loaded form -------------------------------------------------------

class Win32FormHost::FormWindow {
 public:
  FormWindow(Win32FormHost& host, Form& form) : host_(host), form_(form) {}
  ~FormWindow() {
    if (hwnd_ != nullptr) Destroy(false);
  }
  FormWindow(const FormWindow&) = delete;
  FormWindow& operator=(const FormWindow&) = delete;
  FormWindow(FormWindow&&) = delete;
  FormWindow& operator=(FormWindow&&) = delete;

  void Create();
  // Destroys the window. With models_alive the control models still exist
  // and are released from their views first; without (the form is being
  // destroyed while loaded) they must not be touched at all.
  void Destroy(bool models_alive);
  void Apply(FormProperty property);
  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);
  // Gives the focus to the control that asked for it, once the window is
  // on screen.
  void FocusRequested();
  void BringToFront();
  // Ctrl+Tab: the next (or previous) tab of the tab strip around the focus,
  // or of the first tab strip on screen. False when there is none.
  bool CycleTab(bool backwards);

  // Shows and hides the controls by whether their models are on screen
  // (own visibility, containers, selected tab pages).
  void SyncVisibility();
  // The font and background a control is drawn with: the inside colour of
  // the nearest container that has one (a tab page, a group box), otherwise
  // the form's.
  [[nodiscard]] HFONT FontFor(const Control& control) const;
  [[nodiscard]] HBRUSH BackgroundBrush(const Control& control) const;
  [[nodiscard]] COLORREF BackgroundColor(const Control& control) const;

  [[nodiscard]] Win32FormHost& host() const { return host_; }
  [[nodiscard]] HWND hwnd() const { return hwnd_; }
  [[nodiscard]] UINT dpi() const { return dpi_; }
  [[nodiscard]] HWND tool_tip() const { return tool_tip_; }
  [[nodiscard]] HWND ControlWindow(const Control& control) const;
  void Attach(HWND hwnd) { hwnd_ = hwnd; }

 private:
  [[nodiscard]] SIZE OuterSizeAt(UINT dpi) const;
  [[nodiscard]] RECT DesignedRect(UINT dpi) const;
  void CreateFonts();
  void CreateToolTips();
  void LoadIcons();
  void Show();
  ControlView* ViewById(int id, HWND from) const;
  ControlView* ViewByWindow(HWND hwnd) const;
  ControlView* ViewOf(const Control& control) const;
  // The view of the nearest tab strip around a control, nullptr when none.
  ControlView* TabStripAround(const Control& control) const;
  // The view of the nearest container with an inside colour of its own.
  ControlView* PaintedContainerAround(const Control& control) const;
  // Containers from the outermost in.
  [[nodiscard]] std::vector<ControlView*> ContainersOutsideIn() const;
  void UpdateInnerBrushes();
  void PressDefaultButton(bool cancel);
  void RestoreFocus();
  bool ApplyFocusRequest();
  [[nodiscard]] HWND FirstTabStop() const;
  // The focused control was hidden: the focus moves to the tab strip it sat
  // on, or to the first control that can take it.
  void MoveFocusFrom(HWND hidden);
  void OnDpiChanged(UINT dpi, const RECT& suggested);
  void MirrorWindowState(WPARAM size_type);
  void MirrorBounds();
  void EraseBackground(HDC dc);
  LRESULT CtlColor(UINT message, HDC dc, HWND control);

  Win32FormHost& host_;
  Form& form_;
  HWND hwnd_ = nullptr;
  // Owned by the form's window, which destroys it.
  HWND tool_tip_ = nullptr;
  UINT dpi_ = kDefaultDpi;
  UniqueFont font_;
  UniqueFont underline_font_;
  UniqueBrush back_brush_;
  UniqueIcon big_icon_;
  UniqueIcon small_icon_;
  // In the models' order (ids count up along it).
  std::vector<std::unique_ptr<ControlView>> views_;
  // The control that had the focus when the form was last deactivated.
  HWND last_focus_ = nullptr;
  // The window is going: its notifications no longer reach the models.
  bool closing_ = false;
  // The renderer is changing the window itself: size and state changes are
  // not mirrored back into the form model.
  bool applying_ = false;
  // The form model is being told what the window did: that change is not
  // applied back to the window.
  bool mirroring_ = false;
};

// ---- ControlView implementation ------------------------------------------------------

bool ControlView::IsLink() const {
  return control_.kind() == ControlKind::kLabel && static_cast<bool>(static_cast<Label&>(control_).on_click);
}

void ControlView::Create(HWND parent, HINSTANCE instance, UINT dpi) {
  instance_ = instance;
  const wchar_t* window_class = WC_STATICW;
  DWORD style = WS_CHILD;
  DWORD ex_style = 0;
  std::string text;
  switch (control_.kind()) {
    case ControlKind::kLabel: {
      // Owner-drawn, so alignment, wrapping, colour and transparency are
      // drawn in one place (DrawItem). SS_NOTIFY: clicks and tool tips.
      // Captions use "&&" for an ampersand, as the forms were designed.
      const auto& label = static_cast<Label&>(control_);
      style |= SS_OWNERDRAW | SS_NOTIFY;
      // Painted after the controls under it, which show through.
      if (label.transparent) ex_style |= WS_EX_TRANSPARENT;
      text = label.caption();
      break;
    }
    case ControlKind::kButton: {
      auto& button = static_cast<Button&>(control_);
      window_class = WC_BUTTONW;
      style |= WS_TABSTOP | BS_MULTILINE | (button.is_default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
      text = button.caption();
      break;
    }
    case ControlKind::kCheckBox:
      // Not BS_AUTOCHECKBOX: a click goes to the model, whose value comes
      // back as kValue, so the box never disagrees with the model.
      window_class = WC_BUTTONW;
      style |= WS_TABSTOP | BS_CHECKBOX | BS_MULTILINE;
      text = static_cast<CheckBox&>(control_).caption();
      break;
    case ControlKind::kTextBox: {
      const auto& box = static_cast<TextBox&>(control_);
      window_class = WC_EDITW;
      style |= WS_TABSTOP | ES_AUTOHSCROLL | (box.password_char != 0 ? ES_PASSWORD : 0) |
               (box.locked ? ES_READONLY : 0);
      ex_style |= WS_EX_CLIENTEDGE;
      text = box.text();
      break;
    }
    case ControlKind::kListBox:
      window_class = WC_LISTBOXW;
      style |= WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
      ex_style |= WS_EX_CLIENTEDGE;
      break;
    case ControlKind::kCheckListBox:
      window_class = WC_LISTVIEWW;
      style |= WS_TABSTOP | LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SINGLESEL | LVS_SHOWSELALWAYS;
      ex_style |= WS_EX_CLIENTEDGE;
      break;
    case ControlKind::kTabStrip:
      // Containers lie under their members in the z-order and never paint
      // over them (WS_CLIPSIBLINGS).
      window_class = WC_TABCONTROLW;
      style |= WS_TABSTOP | WS_CLIPSIBLINGS;
      break;
    case ControlKind::kImage:
      // The icon is loaded at the control's size and centred, so the control
      // keeps its designed size.
      style |= SS_ICON | SS_CENTERIMAGE | SS_NOTIFY;
      break;
    case ControlKind::kFrame: {
      const auto& frame = static_cast<Frame&>(control_);
      style |= WS_CLIPSIBLINGS;
      if (frame.bordered) {
        window_class = WC_BUTTONW;
        style |= BS_GROUPBOX;
        text = frame.caption();
      } else {
        style |= SS_OWNERDRAW;
      }
      break;
    }
    case ControlKind::kProgressBar:
      window_class = PROGRESS_CLASSW;
      break;
    case ControlKind::kTimer:
      return;
  }
  if (control_.onScreen()) style |= WS_VISIBLE;
  if (!control_.enabled()) style |= WS_DISABLED;

  const RECT rect = ControlRect(control_.bounds(), dpi);
  const FlagGuard pushing(pushing_);
  hwnd_ = ::CreateWindowExW(ex_style, window_class, ToWide(text).c_str(), style, rect.left, rect.top,
                            rect.right - rect.left, rect.bottom - rect.top, parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id_)), instance, nullptr);
  if (hwnd_ == nullptr) return;
  ::SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(owner_.FontFor(control_)), FALSE);

  switch (control_.kind()) {
    case ControlKind::kCheckBox:
      ::SendMessageW(hwnd_, BM_SETCHECK,
                     static_cast<CheckBox&>(control_).checked() ? BST_CHECKED : BST_UNCHECKED, 0);
      break;
    case ControlKind::kTextBox: {
      const auto& box = static_cast<TextBox&>(control_);
      if (box.password_char != 0) {
        ::SendMessageW(hwnd_, EM_SETPASSWORDCHAR,
                       static_cast<WPARAM>(static_cast<unsigned char>(box.password_char)), 0);
      }
      if (box.max_length > 0) ::SendMessageW(hwnd_, EM_SETLIMITTEXT, box.max_length, 0);
      break;
    }
    case ControlKind::kListBox:
      SyncRows();
      SyncListIndex();
      break;
    case ControlKind::kCheckListBox: {
      constexpr DWORD kListViewStyles = LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER;
      ListView_SetExtendedListViewStyleEx(hwnd_, kListViewStyles, kListViewStyles);
      LVCOLUMNW column{};
      column.mask = LVCF_WIDTH;
      column.cx = rect.right - rect.left;
      ListView_InsertColumn(hwnd_, 0, &column);
      SyncRows();
      SyncListIndex();
      break;
    }
    case ControlKind::kTabStrip: {
      ::SetWindowSubclass(hwnd_, &ControlView::ContainerProc, 0, reinterpret_cast<DWORD_PTR>(this));
      const auto& tabs = static_cast<TabStrip&>(control_);
      for (int tab = 0; tab < tabs.tabCount(); ++tab) {
        std::wstring caption = ToWide(tabs.tabs()[static_cast<std::size_t>(tab)]);
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = caption.data();
        TabCtrl_InsertItem(hwnd_, tab, &item);
      }
      if (tabs.selectedTab() >= 0) TabCtrl_SetCurSel(hwnd_, tabs.selectedTab());
      break;
    }
    case ControlKind::kImage:
      LoadPicture();
      break;
    case ControlKind::kProgressBar:
      SyncProgress();
      break;
    case ControlKind::kFrame:
      if (static_cast<Frame&>(control_).bordered) {
        ::SetWindowSubclass(hwnd_, &ControlView::ContainerProc, 0, reinterpret_cast<DWORD_PTR>(this));
      }
      break;
    case ControlKind::kLabel:
    case ControlKind::kButton:
    case ControlKind::kTimer:
      break;
  }
  control_.setObserver(this);
}

LRESULT CALLBACK ControlView::ContainerProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam,
                                            UINT_PTR id, DWORD_PTR data) {
  const auto* view = reinterpret_cast<const ControlView*>(data);
  if (message == WM_ERASEBKGND) {
    RECT client{};
    ::GetClientRect(hwnd, &client);
    ::FillRect(reinterpret_cast<HDC>(wparam), &client, view->owner_.BackgroundBrush(view->control_));
    return 1;
  }
  if (message == WM_NCDESTROY) ::RemoveWindowSubclass(hwnd, &ControlView::ContainerProc, id);
  return ::DefSubclassProc(hwnd, message, wparam, lparam);
}

void ControlView::ControlChanged(Control& /*control*/, Property property) {
  if (hwnd_ == nullptr) return;
  const FlagGuard pushing(pushing_);
  switch (property) {
    case Property::kCaption:
      PushCaption();
      break;
    case Property::kText:
      PushText();
      break;
    case Property::kValue:
      if (control_.kind() == ControlKind::kCheckBox) {
        ::SendMessageW(hwnd_, BM_SETCHECK,
                       static_cast<CheckBox&>(control_).checked() ? BST_CHECKED : BST_UNCHECKED, 0);
      }
      break;
    case Property::kVisible:
      // A container's visibility decides its members' too.
      owner_.SyncVisibility();
      break;
    case Property::kEnabled:
      ::EnableWindow(hwnd_, control_.enabled() ? TRUE : FALSE);
      break;
    case Property::kBounds:
      if (control_.kind() == ControlKind::kLabel && static_cast<Label&>(control_).transparent) RedrawBehind();
      Place(owner_.dpi());
      if (control_.kind() == ControlKind::kImage) LoadPicture();
      break;
    case Property::kForeColor:
      ::InvalidateRect(hwnd_, nullptr, TRUE);
      break;
    case Property::kItems:
      SyncRows();
      SyncListIndex();
      break;
    case Property::kListIndex:
      SyncListIndex();
      break;
    case Property::kChecked:
      SyncChecks();
      break;
    case Property::kSelectedTab: {
      const int tab = static_cast<TabStrip&>(control_).selectedTab();
      if (TabCtrl_GetCurSel(hwnd_) != tab) TabCtrl_SetCurSel(hwnd_, tab);
      owner_.SyncVisibility();
      break;
    }
    case Property::kPicture:
      LoadPicture();
      break;
    case Property::kProgress:
      SyncProgress();
      break;
    case Property::kTimer:
      break;
  }
}

void ControlView::Command(int code) {
  switch (control_.kind()) {
    case ControlKind::kButton:
      if (code == BN_CLICKED) static_cast<Button&>(control_).click();
      break;
    case ControlKind::kCheckBox:
      if (code == BN_CLICKED) static_cast<CheckBox&>(control_).click();
      break;
    case ControlKind::kTextBox:
      if (code == EN_CHANGE && !pushing_) static_cast<TextBox&>(control_).setText(TextOf(hwnd_));
      break;
    case ControlKind::kListBox:
      if (code == LBN_SELCHANGE) {
        auto& list = static_cast<ListBox&>(control_);
        const auto row = static_cast<int>(::SendMessageW(hwnd_, LB_GETCURSEL, 0, 0));
        list.setListIndex(row >= 0 && row < list.listCount() ? row : -1);
        if (list.on_click) list.on_click();
      }
      break;
    case ControlKind::kLabel:
      if (code == STN_CLICKED) static_cast<Label&>(control_).click();
      break;
    case ControlKind::kImage:
      if (code == STN_CLICKED) static_cast<Image&>(control_).click();
      break;
    case ControlKind::kCheckListBox:
    case ControlKind::kTabStrip:
    case ControlKind::kFrame:
    case ControlKind::kProgressBar:
    case ControlKind::kTimer:
      break;
  }
}

void ControlView::Notify(const NMHDR& header) {
  if (control_.kind() == ControlKind::kTabStrip) {
    // The user picked a tab (TabCtrl_SetCurSel from the renderer sends no
    // TCN_SELCHANGE).
    if (header.code != TCN_SELCHANGE || pushing_) return;
    auto& tabs = static_cast<TabStrip&>(control_);
    const int tab = TabCtrl_GetCurSel(hwnd_);
    if (tab >= 0 && tab < tabs.tabCount()) tabs.setSelectedTab(tab);
    return;
  }
  if (!IsListView() || header.code != LVN_ITEMCHANGED || pushing_) return;
  const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
  auto& list = static_cast<CheckListBox&>(control_);
  const int row = change.iItem;
  if ((change.uChanged & LVIF_STATE) == 0 || row < 0 || row >= list.listCount() ||
      row >= static_cast<int>(rows_.size())) {
    return;
  }
  // A state image of 0 is a row that has just been inserted, not a toggle.
  const UINT old_image = (change.uOldState & LVIS_STATEIMAGEMASK) >> 12;
  const UINT new_image = (change.uNewState & LVIS_STATEIMAGEMASK) >> 12;
  if (old_image != 0 && new_image != 0 && old_image != new_image) {
    const bool checked = new_image == kCheckedImage;
    rows_[static_cast<std::size_t>(row)].checked = checked;
    list.setSelected(row, checked);
    return;
  }
  if (((change.uOldState ^ change.uNewState) & LVIS_SELECTED) != 0) {
    if ((change.uNewState & LVIS_SELECTED) != 0) {
      list.setListIndex(row);
    } else if (ListView_GetNextItem(hwnd_, -1, LVNI_SELECTED) < 0) {
      list.setListIndex(-1);
    }
  }
}

void ControlView::DrawItem(const DRAWITEMSTRUCT& item) {
  const HDC dc = item.hDC;
  RECT rect = item.rcItem;
  if (control_.kind() == ControlKind::kFrame) {
    const auto& frame = static_cast<Frame&>(control_);
    ::FillRect(dc, &rect, owner_.BackgroundBrush(control_));
    if (frame.top_line_color.has_value()) {
      const UniqueBrush line(::CreateSolidBrush(ToColorRef(*frame.top_line_color)));
      const RECT top{rect.left, rect.top, rect.right, rect.top + 1};
      ::FillRect(dc, &top, line.get());
    }
    return;
  }
  if (control_.kind() != ControlKind::kLabel) return;
  const auto& label = static_cast<Label&>(control_);
  if (!label.transparent) ::FillRect(dc, &rect, owner_.BackgroundBrush(control_));
  UINT format = label.word_wrap ? DT_WORDBREAK : 0;
  switch (label.alignment) {
    case Alignment::kLeft:
      format |= DT_LEFT;
      break;
    case Alignment::kRight:
      format |= DT_RIGHT;
      break;
    case Alignment::kCenter:
      format |= DT_CENTER;
      break;
  }
  // Mnemonics are underlined only while the keyboard cues are on.
  if ((item.itemState & ODS_NOACCEL) != 0) format |= DT_HIDEPREFIX;
  const HGDIOBJ old_font = ::SelectObject(dc, owner_.FontFor(control_));
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, control_.enabled() ? ToColorRef(label.foreColor()) : ::GetSysColor(COLOR_GRAYTEXT));
  const std::wstring text = ToWide(label.caption());
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, format);
  ::SelectObject(dc, old_font);
}

void ControlView::Rescale(UINT dpi) {
  if (hwnd_ == nullptr) return;
  const FlagGuard pushing(pushing_);
  ::SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(owner_.FontFor(control_)), TRUE);
  Place(dpi);
  if (control_.kind() == ControlKind::kImage) LoadPicture();
}

void ControlView::Place(UINT dpi) {
  const RECT rect = ControlRect(control_.bounds(), dpi);
  ::SetWindowPos(hwnd_, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  if (IsListView()) FitColumn();
}

void ControlView::PushCaption() {
  switch (control_.kind()) {
    case ControlKind::kLabel:
      SetText(hwnd_, static_cast<Label&>(control_).caption());
      if (static_cast<Label&>(control_).transparent) {
        RedrawBehind();
      } else {
        ::InvalidateRect(hwnd_, nullptr, FALSE);
      }
      break;
    case ControlKind::kButton:
      SetText(hwnd_, static_cast<Button&>(control_).caption());
      break;
    case ControlKind::kCheckBox:
      SetText(hwnd_, static_cast<CheckBox&>(control_).caption());
      break;
    case ControlKind::kFrame:
      SetText(hwnd_, static_cast<Frame&>(control_).caption());
      break;
    case ControlKind::kTextBox:
    case ControlKind::kListBox:
    case ControlKind::kCheckListBox:
    case ControlKind::kTabStrip:
    case ControlKind::kImage:
    case ControlKind::kProgressBar:
    case ControlKind::kTimer:
      break;
  }
}

void ControlView::PushText() {
  if (control_.kind() != ControlKind::kTextBox) return;
  const std::string& text = static_cast<TextBox&>(control_).text();
  // The model echoing what the user just typed: setting it again would only
  // move the caret to the start.
  if (TextOf(hwnd_) == text) return;
  SetText(hwnd_, text);
}

void ControlView::LoadPicture() {
  const std::string& picture = static_cast<Image&>(control_).picture();
  UniqueIcon icon;
  if (!picture.empty()) {
    RECT client{};
    ::GetClientRect(hwnd_, &client);
    const int side = std::max(1, static_cast<int>(std::min(client.right, client.bottom)));
    icon.reset(LoadIconResource(instance_, picture, side, side));
  }
  ::SendMessageW(hwnd_, STM_SETICON, reinterpret_cast<WPARAM>(icon.get()), 0);
  // The control shows the new icon now; the old one can go.
  icon_ = std::move(icon);
}

void ControlView::SyncProgress() {
  const auto& bar = static_cast<ProgressBar&>(control_);
  ::SendMessageW(hwnd_, PBM_SETRANGE32, static_cast<WPARAM>(bar.min()), static_cast<LPARAM>(bar.max()));
  ::SendMessageW(hwnd_, PBM_SETPOS, static_cast<WPARAM>(bar.value()), 0);
}

void ControlView::RedrawBehind() {
  const HWND parent = ::GetParent(hwnd_);
  RECT rect{};
  ::GetWindowRect(hwnd_, &rect);
  rect = MapRect(nullptr, parent, rect);
  ::RedrawWindow(parent, &rect, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

RECT ControlView::InnerRect() const {
  RECT rect{};
  ::GetClientRect(hwnd_, &rect);
  if (control_.kind() == ControlKind::kTabStrip) TabCtrl_AdjustRect(hwnd_, FALSE, &rect);
  return rect;
}

// The control paints its inside itself, in whatever the visual style says
// (a white tab page on Windows 10, the dialog colour in the classic look, a
// filled group box in some themes): paint it once off screen over the
// colour around it and read the colour in the middle.
void ControlView::UpdateInnerBrush() {
  const bool painted = control_.kind() == ControlKind::kTabStrip ||
                       (control_.kind() == ControlKind::kFrame && static_cast<Frame&>(control_).bordered);
  if (!painted || hwnd_ == nullptr) return;
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  const RECT inner = InnerRect();
  const COLORREF around = owner_.BackgroundColor(control_);
  COLORREF color = around;
  if (client.right > 0 && client.bottom > 0 && inner.right > inner.left && inner.bottom > inner.top) {
    const HDC window_dc = ::GetDC(hwnd_);
    const UniqueDc memory(::CreateCompatibleDC(window_dc));
    const UniqueBitmap bitmap(::CreateCompatibleBitmap(window_dc, client.right, client.bottom));
    ::ReleaseDC(hwnd_, window_dc);
    if (memory && bitmap) {
      const HGDIOBJ old_bitmap = ::SelectObject(memory.get(), bitmap.get());
      const UniqueBrush under(::CreateSolidBrush(around));
      ::FillRect(memory.get(), &client, under.get());
      ::SendMessageW(hwnd_, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory.get()),
                     PRF_CLIENT | PRF_ERASEBKGND);
      const COLORREF sampled =
          ::GetPixel(memory.get(), (inner.left + inner.right) / 2, (inner.top + inner.bottom) / 2);
      ::SelectObject(memory.get(), old_bitmap);
      if (sampled != CLR_INVALID) color = sampled;
    }
  }
  if (color == inner_color_ && inner_brush_) return;
  inner_color_ = color;
  inner_brush_.reset(::CreateSolidBrush(color));
}

int ControlView::ModelRowCount() const {
  return IsListView() ? static_cast<CheckListBox&>(control_).listCount()
                      : static_cast<ListBox&>(control_).listCount();
}

ControlView::Row ControlView::ModelRow(int row) const {
  if (IsListView()) {
    const auto& list = static_cast<CheckListBox&>(control_);
    return Row{list.list(row), list.selected(row)};
  }
  return Row{static_cast<ListBox&>(control_).list(row), false};
}

void ControlView::SyncRows() {
  const int count = ModelRowCount();
  const int shown = static_cast<int>(rows_.size());
  // Where the model first differs from what is shown.
  int first = 0;
  while (first < std::min(count, shown) &&
         rows_[static_cast<std::size_t>(first)].text == ModelRow(first).text) {
    ++first;
  }
  const auto rest_matches = [&](int model_from, int shown_from) {
    for (int row = model_from, at = shown_from; row < count; ++row, ++at) {
      if (rows_[static_cast<std::size_t>(at)].text != ModelRow(row).text) return false;
    }
    return true;
  };
  if (count == shown + 1 && rest_matches(first + 1, first)) {
    InsertRow(first, ModelRow(first));
  } else if (count == shown - 1 && rest_matches(first, first + 1)) {
    DeleteRow(first);
  } else if (count != shown || first != count) {
    if (IsListView()) {
      ListView_DeleteAllItems(hwnd_);
    } else {
      ::SendMessageW(hwnd_, LB_RESETCONTENT, 0, 0);
    }
    rows_.clear();
    for (int row = 0; row < count; ++row) InsertRow(row, ModelRow(row));
  }
  SyncChecks();
  if (IsListView()) FitColumn();
}

void ControlView::SyncChecks() {
  if (!IsListView()) return;
  const auto& list = static_cast<CheckListBox&>(control_);
  const int count = std::min(list.listCount(), static_cast<int>(rows_.size()));
  for (int row = 0; row < count; ++row) {
    const bool checked = list.selected(row);
    if (rows_[static_cast<std::size_t>(row)].checked != checked) SetRowCheck(row, checked);
  }
}

void ControlView::SyncListIndex() {
  if (IsListView()) {
    const int row = static_cast<CheckListBox&>(control_).listIndex();
    if (ListView_GetNextItem(hwnd_, -1, LVNI_SELECTED) == row) return;
    if (row < 0) {
      ListView_SetItemState(hwnd_, -1, 0, LVIS_SELECTED);
    } else {
      ListView_SetItemState(hwnd_, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
      ListView_EnsureVisible(hwnd_, row, FALSE);
    }
    return;
  }
  const int row = static_cast<ListBox&>(control_).listIndex();
  if (static_cast<int>(::SendMessageW(hwnd_, LB_GETCURSEL, 0, 0)) != row) {
    ::SendMessageW(hwnd_, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
  }
}

void ControlView::InsertRow(int row, const Row& data) {
  std::wstring text = ToWide(data.text);
  if (IsListView()) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = text.data();
    ListView_InsertItem(hwnd_, &item);
  } else {
    ::SendMessageW(hwnd_, LB_INSERTSTRING, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(text.c_str()));
  }
  rows_.insert(rows_.begin() + row, Row{data.text, false});
  if (IsListView()) SetRowCheck(row, data.checked);
}

void ControlView::DeleteRow(int row) {
  if (IsListView()) {
    ListView_DeleteItem(hwnd_, row);
  } else {
    ::SendMessageW(hwnd_, LB_DELETESTRING, static_cast<WPARAM>(row), 0);
  }
  rows_.erase(rows_.begin() + row);
}

void ControlView::SetRowCheck(int row, bool checked) {
  ListView_SetItemState(hwnd_, row, INDEXTOSTATEIMAGEMASK(checked ? kCheckedImage : kUncheckedImage),
                        LVIS_STATEIMAGEMASK);
  rows_[static_cast<std::size_t>(row)].checked = checked;
}

// One column as wide as the list's client area, which narrows when the
// vertical scroll bar comes.
void ControlView::FitColumn() {
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  ListView_SetColumnWidth(hwnd_, 0, client.right - client.left);
}

// ---- FormWindow implementation -------------------------------------------------------

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
    if (control->kind() == ControlKind::kTimer) continue;
    views_.push_back(std::make_unique<ControlView>(*this, *control, next_id++));
  }
  // A child window created later lies lower in the z-order, which is also
  // the Tab key's order. The controls come in the models' order; tab strips
  // and frames after them, the outermost last, so that every container lies
  // under what it contains.
  std::vector<ControlView*> order;
  for (const auto& view : views_) {
    if (!IsContainer(view->control())) order.push_back(view.get());
  }
  std::vector<ControlView*> containers;
  for (const auto& view : views_) {
    if (IsContainer(view->control())) containers.push_back(view.get());
  }
  std::stable_sort(containers.begin(), containers.end(), [](const ControlView* a, const ControlView* b) {
    return ContainerDepth(a->control()) > ContainerDepth(b->control());
  });
  order.insert(order.end(), containers.begin(), containers.end());
  for (ControlView* view : order) view->Create(hwnd_, host_.instance_, dpi_);
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
      ::SendMessageW(tool_tip_, TTM_SETMAXTIPWIDTH, 0, ::MulDiv(kToolTipWidth, static_cast<int>(dpi_), 96));
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

std::vector<ControlView*> Win32FormHost::FormWindow::ContainersOutsideIn() const {
  std::vector<ControlView*> containers;
  for (const auto& view : views_) {
    if (IsContainer(view->control())) containers.push_back(view.get());
  }
  std::stable_sort(containers.begin(), containers.end(), [](const ControlView* a, const ControlView* b) {
    return ContainerDepth(a->control()) < ContainerDepth(b->control());
  });
  return containers;
}

void Win32FormHost::FormWindow::UpdateInnerBrushes() {
  for (ControlView* view : ContainersOutsideIn()) view->UpdateInnerBrush();
}

HFONT Win32FormHost::FormWindow::FontFor(const Control& control) const {
  if (control.kind() == ControlKind::kLabel && static_cast<const Label&>(control).underline) {
    return underline_font_.get();
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
  tabs.setSelectedTab((tabs.selectedTab() + (backwards ? count - 1 : 1)) % count);
  return true;
}

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
  CreateFonts();
  for (const auto& view : views_) view->Rescale(dpi_);
  UpdateInnerBrushes();
  if (tool_tip_ != nullptr) {
    ::SendMessageW(tool_tip_, TTM_SETMAXTIPWIDTH, 0, ::MulDiv(kToolTipWidth, static_cast<int>(dpi_), 96));
  }
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
  for (const ControlView* view : ContainersOutsideIn()) {
    if (view->hwnd() == nullptr || view->inner_brush() == nullptr || !view->control().onScreen()) continue;
    const RECT inner = MapRect(view->hwnd(), hwnd_, view->InnerRect());
    ::FillRect(dc, &inner, view->inner_brush());
  }
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
    case ControlKind::kTimer:
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
      if (closing_ || item == nullptr) return FALSE;
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
      if (closing_ || header == nullptr) return 0;
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
    case WM_CLOSE:
      // The close box, Alt+F4 and WM_CLOSE from another program ask the
      // form, which may stay; never DefWindowProc's DestroyWindow.
      if (!closing_) form_.RequestClose(UnloadReason::kUserClose);
      return 0;
    case WM_QUERYENDSESSION:
      // The session ends whatever the form answers: it is told, then
      // unloaded on WM_ENDSESSION.
      if (!closing_) form_.QueryUnload(UnloadReason::kWindowsEnding);
      return TRUE;
    case WM_ENDSESSION:
      if (wparam != FALSE && !closing_) form_.Unload();
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

// ---- Win32FormHost -------------------------------------------------------------------

Win32FormHost::Win32FormHost(HINSTANCE instance) : instance_(instance) {
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof(controls);
  controls.dwICC =
      ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES | ICC_PROGRESS_CLASS | ICC_BAR_CLASSES;
  ::InitCommonControlsEx(&controls);

  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof(window_class);
  if (::GetClassInfoExW(instance_, platform::win32::kFormWindowClass, &window_class) == FALSE) {
    window_class = WNDCLASSEXW{};
    window_class.cbSize = sizeof(window_class);
    window_class.style = CS_DBLCLKS;
    window_class.lpfnWndProc = &Win32FormHost::FormWndProc;
    window_class.hInstance = instance_;
    window_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    window_class.lpszClassName = platform::win32::kFormWindowClass;
    ::RegisterClassExW(&window_class);
  }
  if (::GetClassInfoExW(instance_, platform::win32::kOwnerWindowClass, &window_class) == FALSE) {
    window_class = WNDCLASSEXW{};
    window_class.cbSize = sizeof(window_class);
    window_class.lpfnWndProc = &::DefWindowProcW;
    window_class.hInstance = instance_;
    window_class.lpszClassName = platform::win32::kOwnerWindowClass;
    ::RegisterClassExW(&window_class);
  }
  // A tool window, so it never shows on the taskbar even when made visible.
  owner_.reset(::CreateWindowExW(WS_EX_TOOLWINDOW, platform::win32::kOwnerWindowClass, L"", WS_POPUP, 0, 0, 0,
                                 0, nullptr, nullptr, instance_, nullptr));
}

Win32FormHost::~Win32FormHost() {
  // Whatever forms are left may be gone already: only their windows go.
  for (auto& [form, window] : forms_) window->Destroy(false);
  forms_.clear();
  retired_.clear();
}

void Win32FormHost::FormLoaded(Form& form) {
  auto window = std::make_unique<FormWindow>(*this, form);
  FormWindow& created = *window;
  if (auto old = forms_.find(&form); old != forms_.end()) {
    old->second->Destroy(false);
    Retire(std::move(old->second));
  }
  forms_[&form] = std::move(window);
  created.Create();
}

void Win32FormHost::FormUnloading(Form& form) {
  const auto found = forms_.find(&form);
  if (found == forms_.end()) return;
  std::unique_ptr<FormWindow> window = std::move(found->second);
  forms_.erase(found);
  // Form::Unload clears loaded() before it calls here; a form destroyed
  // while loaded calls from its destructor, after its controls are gone.
  window->Destroy(!form.loaded());
  Retire(std::move(window));
}

void Win32FormHost::FormChanged(Form& form, FormProperty property) {
  if (const auto found = forms_.find(&form); found != forms_.end()) found->second->Apply(property);
}

void Win32FormHost::FormFocusRequested(Form& form) {
  if (const auto found = forms_.find(&form); found != forms_.end()) found->second->FocusRequested();
}

void Win32FormHost::FormBringToFront(Form& form) {
  if (const auto found = forms_.find(&form); found != forms_.end()) found->second->BringToFront();
}

Win32FormHost::FormWindow* Win32FormHost::FindWindowByHandle(HWND hwnd) const {
  for (const auto& [form, window] : forms_) {
    if (window->hwnd() == hwnd) return window.get();
  }
  return nullptr;
}

template <typename Fn>
LRESULT Win32FormHost::Guarded(Fn&& fn) {
  ++dispatch_depth_;
  LRESULT result = 0;
  // A handler's exception must not unwind through the system's frames.
  try {
    result = fn();
  } catch (const std::exception& error) {
    ReportUnhandled(error.what());
  } catch (...) {
    ReportUnhandled("Unknown error");
  }
  if (--dispatch_depth_ == 0) retired_.clear();
  return result;
}

bool Win32FormHost::PreTranslateMessage(MSG& msg) {
  if (msg.hwnd == nullptr || msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
  const HWND root = ::GetAncestor(msg.hwnd, GA_ROOT);
  FormWindow* window = root != nullptr ? FindWindowByHandle(root) : nullptr;
  if (window == nullptr) return false;
  if (msg.message == WM_KEYDOWN && msg.wParam == VK_TAB && ::GetKeyState(VK_CONTROL) < 0) {
    const bool backwards = ::GetKeyState(VK_SHIFT) < 0;
    if (Guarded([window, backwards] { return static_cast<LRESULT>(window->CycleTab(backwards)); }) != 0) {
      return true;
    }
  }
  return ::IsDialogMessageW(root, &msg) != FALSE;
}

HWND Win32FormHost::WindowOf(const Form& form) const {
  const auto found = forms_.find(&form);
  return found != forms_.end() ? found->second->hwnd() : nullptr;
}

HWND Win32FormHost::ControlWindow(const Control& control) const {
  const auto found = forms_.find(&control.form());
  return found != forms_.end() ? found->second->ControlWindow(control) : nullptr;
}

HWND Win32FormHost::ToolTipWindow(const Form& form) const {
  const auto found = forms_.find(&form);
  return found != forms_.end() ? found->second->tool_tip() : nullptr;
}

void Win32FormHost::ReportUnhandled(const std::string& description) {
  if (!unhandled_error_) std::terminate();
  unhandled_error_(description);
}

void Win32FormHost::Retire(std::unique_ptr<FormWindow> window) {
  if (dispatch_depth_ > 0) retired_.push_back(std::move(window));
}

LRESULT CALLBACK Win32FormHost::FormWndProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* created = static_cast<FormWindow*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
    created->Attach(hwnd);
  }
  auto* window = reinterpret_cast<FormWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (window == nullptr) return ::DefWindowProcW(hwnd, message, wparam, lparam);
  return window->host().Guarded([&] { return window->Handle(message, wparam, lparam); });
}

}  // namespace ui::win32

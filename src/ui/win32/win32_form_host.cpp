// Renders forms and their control models as Win32 windows. A form's window
// and its controls are created when the form loads and destroyed when it
// unloads; in between, model changes are pushed to the controls (ControlView)
// and control notifications are turned into model calls (FormWindow::Handle).
// Positions are designed in twips and converted by the window's DPI.
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
using platform::win32::UniqueBrush;
using platform::win32::UniqueFont;
using platform::win32::UniqueIcon;

// Control ids count up from here in creation order, clear of IDOK/IDCANCEL
// (which IsDialogMessage sends for Enter and Esc).
constexpr int kFirstControlId = 1000;
constexpr int kTwipsPerInch = 1440;
constexpr UINT kDefaultDpi = 96;
// Verdana 8.25 pt, in hundredths of a point.
constexpr int kFontSizeCentipoints = 825;
constexpr wchar_t kFontFace[] = L"Verdana";
// State image indexes of a list view with LVS_EX_CHECKBOXES.
constexpr UINT kUncheckedImage = 1;
constexpr UINT kCheckedImage = 2;

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

HFONT CreateFormFont(UINT dpi) {
  return ::CreateFontW(-::MulDiv(kFontSizeCentipoints, static_cast<int>(dpi), 72 * 100), 0, 0, 0, FW_NORMAL,
                       FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                       DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, kFontFace);
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

  void Create(HWND parent, HINSTANCE instance, UINT dpi, HFONT font);
  void ControlChanged(Control& control, Property property) override;
  // Reacts to a WM_COMMAND or WM_NOTIFY code from the control.
  void Command(int code);
  void Notify(const NMHDR& header);
  void Rescale(UINT dpi, HFONT font);

  [[nodiscard]] Control& control() const { return control_; }
  [[nodiscard]] HWND hwnd() const { return hwnd_; }
  [[nodiscard]] int id() const { return id_; }

 private:
  struct Row {
    std::string text;
    bool checked = false;
  };

  [[nodiscard]] bool IsListView() const { return control_.kind() == ControlKind::kCheckListBox; }
  void Place(UINT dpi);
  void PushCaption();
  void PushText();
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
  // Set while the renderer itself changes the control, whose notifications
  // (EN_CHANGE, LVN_ITEMCHANGED) must not travel back to the model.
  bool pushing_ = false;
  std::vector<Row> rows_;
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

  [[nodiscard]] Win32FormHost& host() const { return host_; }
  [[nodiscard]] HWND hwnd() const { return hwnd_; }
  [[nodiscard]] UINT dpi() const { return dpi_; }
  [[nodiscard]] HWND ControlWindow(const Control& control) const;
  void Attach(HWND hwnd) { hwnd_ = hwnd; }

 private:
  [[nodiscard]] RECT DesignedRect(UINT dpi) const;
  void LoadIcons();
  void Show();
  ControlView* ViewById(int id, HWND from) const;
  ControlView* ViewByWindow(HWND hwnd) const;
  void PressDefaultButton(bool cancel);
  void RestoreFocus();
  void OnDpiChanged(UINT dpi, const RECT& suggested);
  void MirrorWindowState(WPARAM size_type);
  void MirrorBounds();
  LRESULT CtlColor(UINT message, HDC dc, HWND control);

  Win32FormHost& host_;
  Form& form_;
  HWND hwnd_ = nullptr;
  UINT dpi_ = kDefaultDpi;
  UniqueFont font_;
  UniqueBrush back_brush_;
  UniqueIcon big_icon_;
  UniqueIcon small_icon_;
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

void ControlView::Create(HWND parent, HINSTANCE instance, UINT dpi, HFONT font) {
  const wchar_t* window_class = WC_STATICW;
  DWORD style = WS_CHILD;
  DWORD ex_style = 0;
  std::string text;
  switch (control_.kind()) {
    case ControlKind::kLabel:
      // No SS_NOPREFIX: captions use "&&" for an ampersand, as the forms
      // were designed.
      style |= SS_LEFT;
      text = static_cast<Label&>(control_).caption();
      break;
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
      style |= WS_TABSTOP | ES_AUTOHSCROLL | (box.password_char != 0 ? ES_PASSWORD : 0);
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
    case ControlKind::kTimer:
      return;
  }
  if (control_.visible()) style |= WS_VISIBLE;
  if (!control_.enabled()) style |= WS_DISABLED;

  const RECT rect = ControlRect(control_.bounds(), dpi);
  const FlagGuard pushing(pushing_);
  hwnd_ = ::CreateWindowExW(ex_style, window_class, ToWide(text).c_str(), style, rect.left, rect.top,
                            rect.right - rect.left, rect.bottom - rect.top, parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id_)), instance, nullptr);
  if (hwnd_ == nullptr) return;
  ::SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);

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
    case ControlKind::kLabel:
    case ControlKind::kButton:
    case ControlKind::kTimer:
      break;
  }
  control_.setObserver(this);
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
      ::ShowWindow(hwnd_, control_.visible() ? SW_SHOWNA : SW_HIDE);
      break;
    case Property::kEnabled:
      ::EnableWindow(hwnd_, control_.enabled() ? TRUE : FALSE);
      break;
    case Property::kBounds:
      Place(owner_.dpi());
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
    case ControlKind::kCheckListBox:
    case ControlKind::kTimer:
      break;
  }
}

void ControlView::Notify(const NMHDR& header) {
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

void ControlView::Rescale(UINT dpi, HFONT font) {
  if (hwnd_ == nullptr) return;
  const FlagGuard pushing(pushing_);
  ::SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  Place(dpi);
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
      break;
    case ControlKind::kButton:
      SetText(hwnd_, static_cast<Button&>(control_).caption());
      break;
    case ControlKind::kCheckBox:
      SetText(hwnd_, static_cast<CheckBox&>(control_).caption());
      break;
    case ControlKind::kTextBox:
    case ControlKind::kListBox:
    case ControlKind::kCheckListBox:
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

RECT Win32FormHost::FormWindow::DesignedRect(UINT dpi) const {
  const Bounds& bounds = form_.bounds();
  const int width = TwipsToPixels(bounds.width, dpi);
  const int height = TwipsToPixels(bounds.height, dpi);
  if (form_.start_position == StartPosition::kCenterScreen) {
    // The primary monitor's work area, as the screen the program starts on.
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    ::GetMonitorInfoW(::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& area = monitor.rcWork;
    const int left = area.left + ((area.right - area.left) - width) / 2;
    const int top = area.top + ((area.bottom - area.top) - height) / 2;
    return RECT{left, top, left + width, top + height};
  }
  const int left = TwipsToPixels(bounds.left, dpi);
  const int top = TwipsToPixels(bounds.top, dpi);
  return RECT{left, top, left + width, top + height};
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
  if (dpi_ != system_dpi) {
    rect = DesignedRect(dpi_);
    ::SetWindowPos(hwnd_, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
  }
  back_brush_.reset(::CreateSolidBrush(ToColorRef(form_.back_color)));
  font_.reset(CreateFormFont(dpi_));
  LoadIcons();
  if (!form_.enabled()) ::EnableWindow(hwnd_, FALSE);
  form_.setWindow(reinterpret_cast<platform::WindowId>(hwnd_));

  int next_id = kFirstControlId;
  for (Control* control : form_.controls()) {
    if (control->kind() == ControlKind::kTimer) continue;
    auto view = std::make_unique<ControlView>(*this, *control, next_id++);
    view->Create(hwnd_, host_.instance_, dpi_, font_.get());
    views_.push_back(std::move(view));
  }

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

void Win32FormHost::FormWindow::Destroy(bool models_alive) {
  closing_ = true;
  if (models_alive) {
    for (const auto& view : views_) view->control().setObserver(nullptr);
  }
  if (hwnd_ != nullptr) ::DestroyWindow(hwnd_);
  hwnd_ = nullptr;
}

void Win32FormHost::FormWindow::LoadIcons() {
  if (form_.icon.empty()) return;
  std::wstring storage;
  const LPCWSTR name = IconResource(form_.icon, storage);
  const auto load = [&](int width_metric, int height_metric) {
    return static_cast<HICON>(::LoadImageW(host_.instance_, name, IMAGE_ICON,
                                           SystemMetric(width_metric, dpi_),
                                           SystemMetric(height_metric, dpi_), LR_DEFAULTCOLOR));
  };
  UniqueIcon big(load(SM_CXICON, SM_CYICON));
  UniqueIcon small(load(SM_CXSMICON, SM_CYSMICON));
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
      const int left = TwipsToPixels(bounds.left, dpi_);
      const int top = TwipsToPixels(bounds.top, dpi_);
      ::SetWindowPos(hwnd_, nullptr, left, top, TwipsToPixels(bounds.width, dpi_),
                     TwipsToPixels(bounds.height, dpi_), SWP_NOZORDER | SWP_NOACTIVATE);
      break;
    }
  }
}

HWND Win32FormHost::FormWindow::ControlWindow(const Control& control) const {
  for (const auto& view : views_) {
    if (&view->control() == &control) return view->hwnd();
  }
  return nullptr;
}

ControlView* Win32FormHost::FormWindow::ViewById(int id, HWND from) const {
  const int index = id - kFirstControlId;
  if (index < 0 || index >= static_cast<int>(views_.size())) return nullptr;
  ControlView* view = views_[static_cast<std::size_t>(index)].get();
  return view->hwnd() == from ? view : nullptr;
}

ControlView* Win32FormHost::FormWindow::ViewByWindow(HWND hwnd) const {
  return ViewById(::GetDlgCtrlID(hwnd), hwnd);
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

void Win32FormHost::FormWindow::RestoreFocus() {
  HWND target = last_focus_;
  if (target == nullptr || ::IsChild(hwnd_, target) == FALSE || ::IsWindowVisible(target) == FALSE ||
      ::IsWindowEnabled(target) == FALSE) {
    target = ::GetNextDlgTabItem(hwnd_, nullptr, FALSE);
  }
  ::SetFocus(target != nullptr ? target : hwnd_);
}

void Win32FormHost::FormWindow::OnDpiChanged(UINT dpi, const RECT& suggested) {
  dpi_ = dpi;
  {
    const FlagGuard applying(applying_);
    ::SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                   suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  // The controls take the new font before the old one is deleted.
  UniqueFont font(CreateFormFont(dpi_));
  for (const auto& view : views_) view->Rescale(dpi_, font.get());
  font_ = std::move(font);
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
  RECT rect{};
  ::GetWindowRect(hwnd_, &rect);
  if (applying_) return;
  const FlagGuard mirroring(mirroring_);
  form_.setBounds(Bounds{PixelsToTwips(rect.left, dpi_), PixelsToTwips(rect.top, dpi_),
                         PixelsToTwips(rect.right - rect.left, dpi_),
                         PixelsToTwips(rect.bottom - rect.top, dpi_)});
}

LRESULT Win32FormHost::FormWindow::CtlColor(UINT message, HDC dc, HWND control) {
  const ControlView* view = closing_ ? nullptr : ViewByWindow(control);
  if (view == nullptr)
    return ::DefWindowProcW(hwnd_, message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
  switch (view->control().kind()) {
    case ControlKind::kLabel:
      // Labels are transparent on the form's colour.
      ::SetTextColor(dc, ToColorRef(static_cast<Label&>(view->control()).foreColor()));
      ::SetBkMode(dc, TRANSPARENT);
      ::SetBkColor(dc, ToColorRef(form_.back_color));
      return reinterpret_cast<LRESULT>(back_brush_.get());
    case ControlKind::kButton:
    case ControlKind::kCheckBox:
      ::SetBkColor(dc, ToColorRef(form_.back_color));
      return reinterpret_cast<LRESULT>(back_brush_.get());
    case ControlKind::kTextBox:
    case ControlKind::kListBox:
    case ControlKind::kCheckListBox:
    case ControlKind::kTimer:
      break;
  }
  return ::DefWindowProcW(hwnd_, message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
}

LRESULT Win32FormHost::FormWindow::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_ERASEBKGND: {
      RECT client{};
      ::GetClientRect(hwnd_, &client);
      ::FillRect(reinterpret_cast<HDC>(wparam), &client, back_brush_.get());
      return 1;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      return CtlColor(message, reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam));
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
      // The close box unloads the form, as the forms expect.
      if (!closing_) form_.Unload();
      return 0;
    case WM_SIZE:
      if (!closing_) MirrorWindowState(wparam);
      break;
    case WM_EXITSIZEMOVE:
      if (!closing_) MirrorBounds();
      break;
    case WM_DPICHANGED:
      OnDpiChanged(LOWORD(wparam), *reinterpret_cast<const RECT*>(lparam));
      return 0;
    case WM_NCDESTROY: {
      const HWND hwnd = std::exchange(hwnd_, nullptr);
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      return ::DefWindowProcW(hwnd, message, wparam, lparam);
    }
    default:
      break;
  }
  return ::DefWindowProcW(hwnd_, message, wparam, lparam);
}

// ---- Win32FormHost -------------------------------------------------------------------

Win32FormHost::Win32FormHost(HINSTANCE instance) : instance_(instance) {
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof(controls);
  controls.dwICC = ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES;
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

bool Win32FormHost::PreTranslateMessage(MSG& msg) {
  if (msg.hwnd == nullptr || msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
  const HWND root = ::GetAncestor(msg.hwnd, GA_ROOT);
  if (root == nullptr) return false;
  const auto is_ours = [root](const auto& entry) { return entry.second->hwnd() == root; };
  if (std::none_of(forms_.begin(), forms_.end(), is_ours)) return false;
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

  Win32FormHost& host = window->host();
  ++host.dispatch_depth_;
  LRESULT result = 0;
  // A handler's exception must not unwind through the system's frames.
  try {
    result = window->Handle(message, wparam, lparam);
  } catch (const std::exception& error) {
    host.ReportUnhandled(error.what());
  } catch (...) {
    host.ReportUnhandled("Unknown error");
  }
  if (--host.dispatch_depth_ == 0) host.retired_.clear();
  return result;
}

}  // namespace ui::win32

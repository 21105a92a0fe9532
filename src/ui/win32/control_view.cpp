// One control model and its child window: creation by kind, model changes
// pushed to the window, notifications turned into model calls, owner-drawn
// labels and frames, and the inside colour of tab strips and group boxes.
#include "ui/win32/control_view.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>

#include "platform/win32/wide_text.h"
#include "ui/win32/dpi.h"
#include "ui/win32/form_window.h"
#include "ui/win32/renderer_support.h"

namespace ui::win32 {
namespace {

using platform::win32::ToWide;
using platform::win32::UniqueBitmap;
using platform::win32::UniqueBrush;
using platform::win32::UniqueDc;
using platform::win32::UniqueIcon;

// A button's picture, at 96 dpi.
constexpr int kButtonPicturePixels = 32;

// The caption a control's window shows, nullptr for controls without one.
const CaptionedControl* CaptionOf(const Control& control) {
  switch (control.kind()) {
    case ControlKind::kLabel:
    case ControlKind::kButton:
    case ControlKind::kCheckBox:
    case ControlKind::kFrame:
      return &static_cast<const CaptionedControl&>(control);
    case ControlKind::kTextBox:
    case ControlKind::kListBox:
    case ControlKind::kCheckListBox:
    case ControlKind::kTabStrip:
    case ControlKind::kImage:
    case ControlKind::kProgressBar:
    case ControlKind::kShape:
    case ControlKind::kTimer:
    case ControlKind::kFileList:
      break;
  }
  return nullptr;
}

}  // namespace

bool ControlView::IsLink() const {
  return control_.kind() == ControlKind::kLabel && static_cast<bool>(static_cast<Label&>(control_).on_click);
}

// ---- Creation -----------------------------------------------------------------------

void ControlView::Create(HWND parent, HINSTANCE instance, UINT dpi) {
  instance_ = instance;
  const wchar_t* window_class = WC_STATICW;
  DWORD style = WS_CHILD;
  DWORD ex_style = 0;
  std::string text;
  if (const CaptionedControl* captioned = CaptionOf(control_); captioned != nullptr)
    text = captioned->caption();
  switch (control_.kind()) {
    case ControlKind::kLabel:
      // Owner-drawn, so alignment, wrapping, colour and transparency are
      // drawn in one place (DrawItem). SS_NOTIFY: clicks and tool tips.
      style |= SS_OWNERDRAW | SS_NOTIFY;
      // Painted after the controls under it, which show through.
      if (static_cast<Label&>(control_).transparent) ex_style |= WS_EX_TRANSPARENT;
      break;
    case ControlKind::kButton:
      window_class = WC_BUTTONW;
      style |= WS_TABSTOP | BS_MULTILINE |
               (static_cast<Button&>(control_).is_default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
      break;
    case ControlKind::kCheckBox:
      // Not BS_AUTOCHECKBOX: a click goes to the model, whose value comes
      // back as kValue, so the box never disagrees with the model.
      window_class = WC_BUTTONW;
      style |= WS_TABSTOP | BS_CHECKBOX | BS_MULTILINE;
      break;
    case ControlKind::kTextBox: {
      const auto& box = static_cast<TextBox&>(control_);
      window_class = WC_EDITW;
      style |= WS_TABSTOP | ES_AUTOHSCROLL | (box.password_char != 0 ? ES_PASSWORD : 0) |
               (box.locked ? ES_READONLY : 0);
      ex_style |= WS_EX_CLIENTEDGE;
      // A password goes in once the box guards it (below), not as the window
      // name, which the system hands to every program that asks.
      if (box.password_char == 0) text = box.text();
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
    case ControlKind::kFrame:
      style |= WS_CLIPSIBLINGS;
      if (static_cast<Frame&>(control_).bordered) {
        window_class = WC_BUTTONW;
        style |= BS_GROUPBOX;
      } else {
        style |= SS_OWNERDRAW;
        text.clear();
      }
      break;
    case ControlKind::kProgressBar:
      window_class = PROGRESS_CLASSW;
      break;
    case ControlKind::kShape:
      // Owner-drawn: filled in its colour (DrawItem).
      style |= SS_OWNERDRAW;
      break;
    case ControlKind::kTimer:
    case ControlKind::kFileList:
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
      PushCheck();
      break;
    case ControlKind::kTextBox: {
      const auto& box = static_cast<TextBox&>(control_);
      if (box.password_char != 0) {
        ::SendMessageW(hwnd_, EM_SETPASSWORDCHAR,
                       static_cast<WPARAM>(static_cast<unsigned char>(box.password_char)), 0);
      }
      if (box.max_length > 0) ::SendMessageW(hwnd_, EM_SETLIMITTEXT, box.max_length, 0);
      if (box.password_char != 0) {
        ::SetWindowSubclass(hwnd_, &ControlView::PasswordProc, 0, 0);
        PushText();
      }
      break;
    }
    case ControlKind::kListBox:
    case ControlKind::kCheckListBox:
      list_rows_ = ListRows::For(control_.kind(), hwnd_, rect.right - rect.left);
      SyncRows();
      SyncListIndex();
      ::SetWindowSubclass(hwnd_, &ControlView::ListProc, 0, reinterpret_cast<DWORD_PTR>(this));
      break;
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
    case ControlKind::kButton:
      if (!static_cast<Button&>(control_).picture.empty()) LoadButtonPicture(dpi);
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
    case ControlKind::kShape:
    case ControlKind::kTimer:
    case ControlKind::kFileList:
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

// What is typed into a password box (the prompt's, the encryption tab's, or
// the kept password the prompt opens with) is read only by the renderer.
// Another program could otherwise ask for the text, or take the mask
// character away and then ask or copy it to the clipboard; nobody copies it
// out, as with the system's own password boxes.
LRESULT CALLBACK ControlView::PasswordProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                                           DWORD_PTR /*data*/) {
  switch (message) {
    case WM_NCDESTROY:
      ::RemoveWindowSubclass(hwnd, &ControlView::PasswordProc, id);
      break;
    case EM_SETPASSWORDCHAR:  // set once, before this procedure was in place
    case WM_COPY:
    case WM_CUT:
      return 0;
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH:
    case EM_GETLINE:
      // Not "from this thread": the renderer also reads the box while it
      // handles a WM_SETTEXT another program sent.
      if (!ReadingOwnText()) {
        if (message == WM_GETTEXT && wparam > 0 && lparam != 0) *reinterpret_cast<wchar_t*>(lparam) = L'\0';
        return 0;
      }
      break;
    default:
      break;
  }
  return ::DefSubclassProc(hwnd, message, wparam, lparam);
}

// A key reaches the model before the list handles it. A mouse button
// reaches it after: a list view follows a pressed button in a loop of its own
// until it is released (drag detection), and a handler that yields inside
// that loop would take the release away from it. The handlers may unload the
// form and destroy the list: the host keeps this view alive until its
// dispatch ends, and the list's own handling is then skipped.
LRESULT CALLBACK ControlView::ListProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                                       DWORD_PTR data) {
  auto* view = reinterpret_cast<ControlView*>(data);
  const int button = PressedButton(message);
  if (message == WM_NCDESTROY) ::RemoveWindowSubclass(hwnd, &ControlView::ListProc, id);
  if ((message != WM_KEYDOWN && button == 0) || view->owner_.closing()) {
    return ::DefSubclassProc(hwnd, message, wparam, lparam);
  }
  return view->owner_.host().Guarded([&]() -> LRESULT {
    auto& list = static_cast<ListControl&>(view->control_);
    if (message == WM_KEYDOWN) {
      list.keyDown(static_cast<int>(wparam));
      return ::IsWindow(hwnd) != FALSE ? ::DefSubclassProc(hwnd, message, wparam, lparam) : 0;
    }
    const LRESULT result = ::DefSubclassProc(hwnd, message, wparam, lparam);
    if (::IsWindow(hwnd) != FALSE && !view->owner_.closing()) list.mouseDown(button);
    return result;
  });
}

// ---- Model to control ---------------------------------------------------------------

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
      if (control_.kind() == ControlKind::kCheckBox) PushCheck();
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

void ControlView::Rescale(UINT dpi) {
  if (hwnd_ == nullptr) return;
  const FlagGuard pushing(pushing_);
  ::SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(owner_.FontFor(control_)), TRUE);
  Place(dpi);
  if (control_.kind() == ControlKind::kImage) LoadPicture();
  if (button_pictures_) LoadButtonPicture(dpi);
}

void ControlView::Place(UINT dpi) {
  const RECT rect = ControlRect(control_.bounds(), dpi);
  ::SetWindowPos(hwnd_, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  if (list_rows_ != nullptr) list_rows_->Fit();
}

void ControlView::PushCaption() {
  const CaptionedControl* captioned = CaptionOf(control_);
  if (captioned == nullptr) return;
  SetText(hwnd_, captioned->caption());
  if (control_.kind() != ControlKind::kLabel) return;
  if (static_cast<Label&>(control_).transparent) {
    RedrawBehind();
  } else {
    ::InvalidateRect(hwnd_, nullptr, FALSE);
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

void ControlView::PushCheck() {
  ::SendMessageW(hwnd_, BM_SETCHECK, static_cast<CheckBox&>(control_).checked() ? BST_CHECKED : BST_UNCHECKED,
                 0);
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

// The icon above the caption: an image list aligned to the top, which a
// button of common controls 6 draws with its caption below.
void ControlView::LoadButtonPicture(UINT dpi) {
  const int side = ScalePixels(kButtonPicturePixels, dpi);
  ImageListOwner pictures(::ImageList_Create(side, side, ILC_COLOR32 | ILC_MASK, 1, 0));
  const UniqueIcon icon(LoadIconResource(instance_, static_cast<Button&>(control_).picture, side, side));
  if (!pictures || !icon || ::ImageList_AddIcon(pictures.get(), icon.get()) < 0) return;
  BUTTON_IMAGELIST layout{pictures.get(), RECT{0, ScalePixels(2, dpi), 0, 0}, BUTTON_IMAGELIST_ALIGN_TOP};
  ::SendMessageW(hwnd_, BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&layout));
  // The button draws from the list it was given; the old one can go.
  button_pictures_ = std::move(pictures);
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

// ---- Control to model ---------------------------------------------------------------

// Every notification goes through the model's user path (click, type,
// pick, tick), which refuses input the form does not take; the control then
// shows the model's state again, so a refused change leaves no trace on it.
void ControlView::Command(int code) {
  switch (control_.kind()) {
    case ControlKind::kButton:
      if (code == BN_CLICKED) static_cast<Button&>(control_).click();
      break;
    case ControlKind::kCheckBox:
      if (code != BN_CLICKED) break;
      static_cast<CheckBox&>(control_).click();
      // The click may have unloaded the form and destroyed the box.
      if (!owner_.closing() && ::IsWindow(hwnd_) != FALSE) {
        const FlagGuard pushing(pushing_);
        PushCheck();
      }
      break;
    case ControlKind::kTextBox:
      if (code != EN_CHANGE || pushing_) break;
      static_cast<TextBox&>(control_).type(TextOf(hwnd_));
      if (!owner_.closing() && ::IsWindow(hwnd_) != FALSE) {
        const FlagGuard pushing(pushing_);
        PushText();
      }
      break;
    case ControlKind::kListBox:
      if (code == LBN_SELCHANGE) {
        auto& list_box = static_cast<ListBox&>(control_);
        const int row = list_rows_->Current();
        if (!list_box.pick(row >= 0 && row < list_box.listCount() ? row : -1) && !owner_.closing()) {
          const FlagGuard pushing(pushing_);
          SyncListIndex();
        }
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
    case ControlKind::kShape:
    case ControlKind::kTimer:
    case ControlKind::kFileList:
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
    if ((tab < 0 || tab >= tabs.tabCount() || !tabs.pick(tab)) && !owner_.closing()) {
      const FlagGuard pushing(pushing_);
      TabCtrl_SetCurSel(hwnd_, tabs.selectedTab());
    }
    return;
  }
  if (control_.kind() != ControlKind::kCheckListBox || header.code != LVN_ITEMCHANGED || pushing_) return;
  const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
  auto& checks = static_cast<CheckListBox&>(control_);
  const int row = change.iItem;
  if ((change.uChanged & LVIF_STATE) == 0 || row < 0 || row >= checks.listCount() ||
      row >= static_cast<int>(rows_.size())) {
    return;
  }
  // What the list shows now; a refused change is put back from the model.
  bool taken = true;
  if (const std::optional<bool> checked = CheckToggle(change); checked.has_value()) {
    rows_[static_cast<std::size_t>(row)].checked = *checked;
    taken = checks.tick(row, *checked);
  } else if (((change.uOldState ^ change.uNewState) & LVIS_SELECTED) != 0) {
    if ((change.uNewState & LVIS_SELECTED) != 0) {
      taken = checks.pick(row);
    } else if (list_rows_->Current() < 0) {
      taken = checks.pick(-1);
    }
  }
  if (taken || owner_.closing()) return;
  const FlagGuard pushing(pushing_);
  SyncChecks();
  SyncListIndex();
}

// ---- Painting -----------------------------------------------------------------------

void ControlView::DrawItem(const DRAWITEMSTRUCT& item) {
  const HDC dc = item.hDC;
  RECT rect = item.rcItem;
  if (control_.kind() == ControlKind::kFrame) {
    const auto& frame = static_cast<Frame&>(control_);
    ::FillRect(dc, &rect, inner_brush_ ? inner_brush_.get() : owner_.BackgroundBrush(control_));
    const auto draw_line = [&](const std::optional<std::uint32_t>& color, LONG top) {
      if (!color.has_value()) return;
      const UniqueBrush line(::CreateSolidBrush(ToColorRef(*color)));
      const RECT row{rect.left, top, rect.right, top + 1};
      ::FillRect(dc, &row, line.get());
    };
    draw_line(frame.top_line_color, rect.top);
    draw_line(frame.bottom_line_color, rect.bottom - 1);
    return;
  }
  if (control_.kind() == ControlKind::kShape) {
    const UniqueBrush fill(::CreateSolidBrush(ToColorRef(static_cast<Shape&>(control_).fillColor())));
    ::FillRect(dc, &rect, fill.get());
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
  if (control_.kind() == ControlKind::kFrame) {
    const auto& frame = static_cast<Frame&>(control_);
    if (!frame.bordered && frame.back_color.has_value()) {
      SetInnerColor(ToColorRef(*frame.back_color));
      return;
    }
  }
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
  SetInnerColor(color);
}

void ControlView::SetInnerColor(COLORREF color) {
  if (color == inner_color_ && inner_brush_) return;
  inner_color_ = color;
  inner_brush_.reset(::CreateSolidBrush(color));
}

// ---- List rows ----------------------------------------------------------------------

bool ControlView::ModelChecked(int row) const {
  return control_.kind() == ControlKind::kCheckListBox && static_cast<CheckListBox&>(control_).selected(row);
}

ControlView::Row ControlView::ModelRow(int row) const {
  return Row{list_model().list(row), ModelChecked(row)};
}

void ControlView::SyncRows() {
  const int count = list_model().listCount();
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
    list_rows_->RemoveAll();
    rows_.clear();
    for (int row = 0; row < count; ++row) InsertRow(row, ModelRow(row));
  }
  SyncChecks();
  list_rows_->Fit();
}

void ControlView::SyncChecks() {
  const int count = std::min(list_model().listCount(), static_cast<int>(rows_.size()));
  for (int row = 0; row < count; ++row) {
    const bool checked = ModelChecked(row);
    if (rows_[static_cast<std::size_t>(row)].checked != checked) SetRowCheck(row, checked);
  }
}

void ControlView::SyncListIndex() {
  const int row = list_model().listIndex();
  if (list_rows_->Current() != row) list_rows_->SetCurrent(row);
}

void ControlView::InsertRow(int row, const Row& data) {
  list_rows_->Insert(row, data.text);
  rows_.insert(rows_.begin() + row, Row{data.text, false});
  SetRowCheck(row, data.checked);
}

void ControlView::DeleteRow(int row) {
  list_rows_->Remove(row);
  rows_.erase(rows_.begin() + row);
}

void ControlView::SetRowCheck(int row, bool checked) {
  list_rows_->SetCheck(row, checked);
  rows_[static_cast<std::size_t>(row)].checked = checked;
}

}  // namespace ui::win32

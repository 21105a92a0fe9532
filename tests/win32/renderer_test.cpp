// The form renderer against real Win32 windows: a form with a control of each
// kind is loaded through Win32FormHost; model changes must reach the controls,
// user actions the models (which the host tests in tests/ui then take over),
// containers and labels must paint as designed, and the window must go with
// the form, even from the form's own handler.
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <initializer_list>
#include <map>
#include <vector>
#include <gtest/gtest.h>

#include "platform/text.h"
#include "platform/win32/win32_constants.h"
#include "platform/win32/win32_event_loop.h"
#include "ui/control.h"
#include "ui/form.h"
#include "ui/win32/win32_form_host.h"
#include "win32/win32_test_support.h"

namespace {

using platform::win32::FromWide;
using platform::win32::Win32EventLoop;
using ui::win32::Win32FormHost;
using win32_test::Join;
using win32_test::WindowText;

// A client area of 6000 x 4560 twips (400 x 304 pixels at 96 dpi): a
// password row, a tab strip with the lists and two long labels on its first
// page and a group box on its second, and a button strip below, whose top
// line runs under two more labels.
class TestForm : public ui::Form {
 public:
  explicit TestForm(ui::FormEnvironment env)
      : ui::Form(env, "frmRendererTest", "Renderer test", ui::Bounds{0, 0, 6000, 4560}) {
    for (ui::Control* member :
         std::initializer_list<ui::Control*>{&lstNames, &lstTasks, &lblWrap, &lblNoWrap})
      member->setContainer(tabMain, 0);
    for (ui::Control* member : std::initializer_list<ui::Control*>{&chkTray, &fraLock, &txtFolder, &lblHelp})
      member->setContainer(tabMain, 1);
    chkTaskManager.setContainer(fraLock);
    for (ui::Control* member : std::initializer_list<ui::Control*>{&imgLock, &prgWork, &cmdOK, &cmdCancel})
      member->setContainer(fraButtons);
    txtPass.password_char = '*';
    txtPass.max_length = 12;
    txtFolder.locked = true;
    lblHelp.underline = true;
    lblHelp.setForeColor(ui::kBlue);
    fraButtons.bordered = false;
    fraButtons.top_line_color = 0xA0A0A0;
    cmdOK.is_default = true;
    cmdCancel.is_cancel = true;
    lblNoWrap.word_wrap = false;
    lblOverLine.transparent = true;
    lblRight.alignment = ui::Alignment::kRight;
    back_color = 0xFFF0E0;  // no tab page's: a control in the form's colour on a page shows
    icon = "IDI_PROGRAM";
  }

  ui::Label lblInfo{*this, "lblInfo", ui::Bounds{120, 120, 5760, 255}, "Type a password && pick the tasks:"};
  ui::TextBox txtPass{*this, "txtPass", ui::Bounds{120, 420, 2760, 315}, "design"};
  ui::CheckBox chkKeep{*this, "chkKeep", ui::Bounds{3060, 450, 2820, 255}, "Keep &locked"};
  ui::TabStrip tabMain{*this, "tabMain", ui::Bounds{120, 840, 5760, 2760}, {"Tasks", "Settings"}};
  ui::ListBox lstNames{*this, "lstNames", ui::Bounds{300, 1260, 2640, 1800}};
  ui::CheckListBox lstTasks{*this, "lstTasks", ui::Bounds{3060, 1260, 2640, 1800}};
  ui::CheckBox chkTray{*this, "chkTray", ui::Bounds{300, 1260, 5400, 255}, "No Tray Icon"};
  ui::Frame fraLock{*this, "fraLock", ui::Bounds{300, 1620, 5400, 960}, "Lock"};
  ui::CheckBox chkTaskManager{*this, "chkTaskManager", ui::Bounds{480, 1920, 5040, 255}, "Task Manager"};
  ui::TextBox txtFolder{*this, "txtFolder", ui::Bounds{300, 2700, 5400, 315},
                        "C:\\Program Files\\Kestrove Pro"};
  ui::Label lblHelp{*this, "lblHelp", ui::Bounds{300, 3120, 5400, 255}, "Help on these settings"};
  ui::Frame fraButtons{*this, "fraButtons", ui::Bounds{0, 3720, 6000, 840}};
  ui::Image imgLock{*this, "imgLock", ui::Bounds{240, 3900, 480, 480}, "IDI_PROGRAM"};
  ui::ProgressBar prgWork{*this, "prgWork", ui::Bounds{840, 4020, 1980, 240}};
  ui::Button cmdOK{*this, "cmdOK", ui::Bounds{3240, 3900, 1215, 375}, "OK"};
  ui::Button cmdCancel{*this, "cmdCancel", ui::Bounds{4545, 3900, 1215, 375}, "Cancel"};
  ui::Timer tmrTick{*this, "tmrTick", 20, true};
  ui::Label lblWrap{*this, "lblWrap", ui::Bounds{300, 3060, 1500, 540}, "Wrapping words in a narrow label"};
  ui::Label lblNoWrap{*this, "lblNoWrap", ui::Bounds{1980, 3060, 1500, 540},
                      "Wrapping words in a narrow label"};
  ui::Label lblOverLine{*this, "lblOverLine", ui::Bounds{1200, 3600, 1500, 255}, ""};
  ui::Label lblRight{*this, "lblRight", ui::Bounds{3000, 3600, 1500, 255}, "OK"};
};

// ---- Reading windows --------------------------------------------------------------------

LRESULT Send(HWND hwnd, UINT message, WPARAM wparam = 0, LPARAM lparam = 0) {
  return ::SendMessageW(hwnd, message, wparam, lparam);
}

LOGFONTW FontOf(HWND hwnd) {
  LOGFONTW font{};
  ::GetObjectW(reinterpret_cast<HFONT>(Send(hwnd, WM_GETFONT)), sizeof(font), &font);
  return font;
}

// A window's rectangle in `parent`'s client coordinates (nullptr: the screen's).
RECT RectIn(HWND hwnd, HWND parent) {
  RECT rect{};
  ::GetWindowRect(hwnd, &rect);
  ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

RECT ClientRectOf(HWND hwnd) {
  RECT rect{};
  ::GetClientRect(hwnd, &rect);
  return rect;
}

COLORREF PixelAt(HWND hwnd, int x, int y) {
  const HDC dc = ::GetDC(hwnd);
  const COLORREF color = ::GetPixel(dc, x, y);
  ::ReleaseDC(hwnd, dc);
  return color;
}

// Pixels of a window's client rectangle darker than mid-grey: its text.
int InkIn(HWND hwnd, const RECT& area) {
  const HDC dc = ::GetDC(hwnd);
  int ink = 0;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      const COLORREF color = ::GetPixel(dc, x, y);
      if (color != CLR_INVALID && GetRValue(color) + GetGValue(color) + GetBValue(color) < 3 * 0x80) ++ink;
    }
  }
  ::ReleaseDC(hwnd, dc);
  return ink;
}

// A list's rows, each followed by "|"; "[x] " marks a checked list view row.
std::string RowsOf(HWND list) {
  std::string rows;
  const bool list_box = WindowText(list, ::GetClassNameW) == "ListBox";
  const auto count = static_cast<int>(list_box ? Send(list, LB_GETCOUNT) : ListView_GetItemCount(list));
  for (int row = 0; row < count; ++row) {
    wchar_t text[256] = {};
    if (list_box) {
      Send(list, LB_GETTEXT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(text));
    } else {
      ListView_GetItemText(list, row, 0, text, 256);
    }
    rows += (!list_box && ListView_GetCheckState(list, row) == 1 ? "[x] " : "") + FromWide(text) + "|";
  }
  return rows;
}

// ---- Fixtures ---------------------------------------------------------------------------

// The test form rendered by a host of its own, with the event loop's keyboard
// filter in place as the program sets it, and the models' events counted.
class RendererTest : public ::testing::Test {
 protected:
  RendererTest() {
    loop.message_filter = [this](MSG& message) { return host.PreTranslateMessage(message); };
    const auto count = [this](const char* name) { return [this, name] { ++events[name]; }; };
    form.cmdOK.on_click = count("cmdOK");
    form.cmdCancel.on_click = count("cmdCancel");
    form.chkKeep.on_click = count("chkKeep");
    form.txtPass.on_change = count("txtPass");
    form.lstNames.on_click = count("lstNames");
    form.tabMain.on_click = count("tabMain");
    form.imgLock.on_click = count("imgLock");
    form.lblHelp.on_click = count("lblHelp");
    form.on_activate = count("activate");
    form.lstTasks.on_item_check = [this](int row) { checked_rows += std::to_string(row) + " "; };
    form.lstTasks.on_key_down = [this](int key) { ++events["lstTasks key " + std::to_string(key)]; };
    form.lstTasks.on_mouse_down = [this](int button) {
      ++events["lstTasks button " + std::to_string(button)];
    };
    form.on_mouse_down = [this](int button) { ++events["form button " + std::to_string(button)]; };
  }

  bool PumpUntil(const std::function<bool()>& done) {
    return win32_test::PumpUntil(done, [this] { loop.DoEvents(); });
  }
  static LONG_PTR StyleOf(HWND hwnd, int index = GWL_STYLE) { return ::GetWindowLongPtrW(hwnd, index); }
  static std::string Edges(const RECT& rect) { return Join(rect.left, rect.top, rect.right, rect.bottom); }
  HWND Window() const { return host.WindowOf(form); }
  HWND Child(const ui::Control& control) const { return host.ControlWindow(control); }
  bool Shown(const ui::Control& control) const { return ::IsWindowVisible(Child(control)) != FALSE; }
  // Paints everything now, as the screen shows it.
  void Paint() {
    ::RedrawWindow(Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    loop.DoEvents();
  }

  Win32EventLoop loop;
  Win32FormHost host{::GetModuleHandleW(nullptr)};
  TestForm form{ui::FormEnvironment{loop, host}};
  // How often each control's event (and the form's activation) was raised.
  std::map<std::string, int> events;
  std::string checked_rows;  // the rows the user ticked or cleared, in order
};

// ---- Creation and DPI -------------------------------------------------------------------

TEST_F(RendererTest, LoadCreatesAHiddenOwnedWindowWithOneControlPerModel) {
  form.Load();
  const HWND window = Window();
  ASSERT_NE(window, nullptr);
  // The model knows its window, which is hidden, owned by the hidden owner window, yet
  // with a taskbar button (an owned window gets one only with WS_EX_APPWINDOW), and icons.
  EXPECT_EQ(Join(form.window() == reinterpret_cast<platform::WindowId>(window),
                 WindowText(window, ::GetClassNameW), WindowText(window), ::IsWindowVisible(window),
                 ::GetWindow(window, GW_OWNER) == host.owner_window(), ::IsWindowVisible(host.owner_window()),
                 (StyleOf(window, GWL_EXSTYLE) & WS_EX_APPWINDOW) != 0,
                 Send(window, WM_GETICON, ICON_BIG) != 0, Send(window, WM_GETICON, ICON_SMALL) != 0),
            "1 " + FromWide(platform::win32::kFormWindowClass) + " Renderer test 0 1 0 1 1 1");
  EXPECT_EQ(host.ToolTipWindow(form), nullptr) << "no tooltip control where no control has a tool tip";

  // One child in the models' order with ids counting up, none for the timer;
  // "+" marks a tab stop. Every control but the icon has the form's font.
  std::string classes;
  int id = 1000;
  for (const ui::Control* control : form.controls()) {
    const HWND child = Child(*control);
    classes += child == nullptr ? "none "
                                : platform::AsciiLower(WindowText(child, ::GetClassNameW)) +
                                      ((StyleOf(child) & WS_TABSTOP) != 0 ? "+ " : " ");
    if (child == nullptr) continue;
    EXPECT_EQ(Join(::GetParent(child) == window, ::GetDlgCtrlID(child)), Join(1, id++)) << control->name();
    EXPECT_TRUE(control == &form.imgLock || FromWide(FontOf(child).lfFaceName) == "Verdana")
        << control->name();
  }
  EXPECT_EQ(
      classes,
      "static edit+ button+ systabcontrol32+ listbox+ syslistview32+ button+ button button+ edit+ static "
      "static static msctls_progress32 button+ button+ none static static static static ");
  // The check box never toggles itself (BS_CHECKBOX): the model decides.
  const auto type = [&](const ui::Control& control, LONG_PTR mask) { return StyleOf(Child(control)) & mask; };
  EXPECT_EQ(
      Join(type(form.chkKeep, BS_TYPEMASK), type(form.fraLock, BS_TYPEMASK), type(form.cmdOK, BS_TYPEMASK),
           type(form.cmdCancel, BS_TYPEMASK), type(form.imgLock, SS_TYPEMASK)),
      Join(BS_CHECKBOX, BS_GROUPBOX, BS_DEFPUSHBUTTON, BS_PUSHBUTTON, SS_ICON));

  const HWND pass = Child(form.txtPass);
  const HWND tabs = Child(form.tabMain);
  wchar_t caption[32] = {};
  TCITEMW item{TCIF_TEXT, 0, 0, caption, 32, 0, 0};
  TabCtrl_GetItem(tabs, 1, &item);
  EXPECT_EQ(Join(WindowText(pass), Send(pass, EM_GETPASSWORDCHAR), Send(pass, EM_GETLIMITTEXT),
                 (StyleOf(Child(form.txtFolder)) & ES_READONLY) != 0, WindowText(Child(form.fraLock)),
                 TabCtrl_GetItemCount(tabs), FromWide(caption), TabCtrl_GetCurSel(tabs)),
            "design 42 12 1 Lock 2 Settings 0");
}

TEST_F(RendererTest, TwipsBecomePixelsByTheWindowsDpiTheFormIsCentredAndADpiChangeRescales) {
  form.Load();
  const HWND window = Window();
  const HWND button = Child(form.cmdOK);
  const auto dpi = static_cast<LONG>(::GetDpiForWindow(window));
  const auto px = [dpi](int twips) { return ::MulDiv(twips, dpi, 1440); };
  // The designed size is the client area; the border and caption come on top.
  EXPECT_EQ(Edges(ClientRectOf(window)), Join(0, 0, px(6000), px(4560)));
  const RECT outer = RectIn(window, nullptr);
  MONITORINFO monitor{sizeof(MONITORINFO), {}, {}, 0};
  ::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor);
  EXPECT_NEAR(outer.left - monitor.rcWork.left, monitor.rcWork.right - outer.right, 1);
  EXPECT_NEAR(outer.top - monitor.rcWork.top, monitor.rcWork.bottom - outer.bottom, 1);
  // The model knows where the centred form went.
  EXPECT_EQ(px(form.bounds().left), outer.left);

  // Controls sit in the client area at their designed place, and follow it.
  // The icon is drawn at the image's size; the image keeps its designed size.
  EXPECT_EQ(Edges(RectIn(button, window)), Join(px(3240), px(3900), px(3240) + px(1215), px(3900) + px(375)));
  EXPECT_EQ(ClientRectOf(Child(form.imgLock)).right, px(480));
  form.cmdOK.setBounds(ui::Bounds{1440, 1440, 1440, 720});
  EXPECT_EQ(Edges(RectIn(button, window)), Join(dpi, dpi, 2 * dpi, dpi + dpi / 2));
  // A new size from the model is a new client area too.
  form.setBounds(ui::Bounds{1440, 1440, 4320, 2880});
  EXPECT_EQ(Join(Edges(ClientRectOf(window)), RectIn(window, nullptr).left, RectIn(window, nullptr).top),
            Join(0, 0, 3 * dpi, 2 * dpi, dpi, dpi));

  // At a new DPI the window takes the suggested place, the controls and the
  // font grow, and later model changes use the new DPI too.
  const LONG font_height = FontOf(button).lfHeight;
  RECT suggested{100, 100, 100 + 800, 100 + 480};
  Send(window, WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(Join(ClientRectOf(button).right, Edges(RectIn(window, nullptr))), Join(192, Edges(suggested)));
  EXPECT_GT(std::abs(FontOf(button).lfHeight), std::abs(font_height)) << "a larger font";
  form.cmdOK.setBounds(ui::Bounds{0, 0, 720, 720});
  EXPECT_EQ(ClientRectOf(button).right, 96);
  // The size Windows asks for at a new DPI keeps the designed client area.
  SIZE scaled{};
  ASSERT_TRUE(Send(window, WM_GETDPISCALEDSIZE, 144, reinterpret_cast<LPARAM>(&scaled)));
  RECT expected{0, 0, 4320 / 10, 2880 / 10};  // twips at 144 dpi
  ::AdjustWindowRectExForDpi(&expected, static_cast<DWORD>(StyleOf(window)), FALSE,
                             static_cast<DWORD>(StyleOf(window, GWL_EXSTYLE)), 144);
  EXPECT_EQ(Join(scaled.cx, scaled.cy), Join(expected.right - expected.left, expected.bottom - expected.top));
}

// ---- Model to control -------------------------------------------------------------------

TEST_F(RendererTest, ModelChangesReachTheControls) {
  form.DesignWindowState(ui::WindowState::kMaximized);
  form.Load();
  const HWND window = Window();
  form.setCaption("Кестров — caption");
  form.lblInfo.setCaption("Tasks Locked: 3");
  form.cmdOK.setCaption("&Apply");
  form.fraLock.setCaption("Lock these");
  form.txtPass.setText("secret");
  EXPECT_EQ(Join(WindowText(window), WindowText(Child(form.lblInfo)), WindowText(Child(form.cmdOK)),
                 WindowText(Child(form.fraLock)), WindowText(Child(form.txtPass))),
            "Кестров — caption Tasks Locked: 3 &Apply Lock these secret");
  // One change, and none more through the control echoing it back.
  EXPECT_EQ(events["txtPass"], 1);
  // On, off, on: a check, a control's visibility and enabled state, the form's topmost and enabled state.
  for (const bool on : {true, false, true}) {
    form.chkKeep.setChecked(on);
    form.cmdCancel.setVisible(on);
    form.txtPass.setEnabled(on);
    form.setTopmost(on);
    form.setEnabled(on);
    EXPECT_EQ(Join(Send(Child(form.chkKeep), BM_GETCHECK), (StyleOf(Child(form.cmdCancel)) & WS_VISIBLE) != 0,
                   ::IsWindowEnabled(Child(form.txtPass)) != FALSE,
                   (StyleOf(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0, ::IsWindowEnabled(window) != FALSE),
              Join(on, on, on, on, on));
  }

  const HWND bar = Child(form.prgWork);
  form.prgWork.setRange(0, 40);
  form.prgWork.setValue(30);
  EXPECT_EQ(Join(Send(bar, PBM_GETRANGE, TRUE), Send(bar, PBM_GETRANGE, FALSE), Send(bar, PBM_GETPOS)),
            "0 40 30");
  const HWND image = Child(form.imgLock);
  const LRESULT icon = Send(image, STM_GETICON);
  form.imgLock.setPicture("IDI_UNLOCKED");
  EXPECT_EQ(Join(icon != 0, Send(image, STM_GETICON) != 0, Send(image, STM_GETICON) != icon), "1 1 1");
  // The selected tab shows its page; a hidden frame hides what it holds, and only that.
  form.Show();
  const auto shown = [&] {
    return Join(TabCtrl_GetCurSel(Child(form.tabMain)), Shown(form.lstTasks), Shown(form.chkTray),
                Shown(form.fraLock), Shown(form.chkTaskManager), Shown(form.cmdOK));
  };
  EXPECT_EQ(shown(), "0 1 0 0 0 1");
  form.tabMain.setSelectedTab(1);
  EXPECT_EQ(shown(), "1 0 1 1 1 1");
  form.fraLock.setVisible(false);
  EXPECT_EQ(shown(), "1 0 1 0 0 1");

  // Shown as designed, maximised, then restored, minimised and hidden.
  const auto state = [&] { return Join(::IsWindowVisible(window), ::IsZoomed(window), ::IsIconic(window)); };
  EXPECT_EQ(state(), "1 1 0");
  form.setWindowState(ui::WindowState::kNormal);
  EXPECT_EQ(state(), "1 0 0");
  form.setWindowState(ui::WindowState::kMinimized);
  EXPECT_EQ(state(), "1 0 1");
  form.Hide();
  EXPECT_FALSE(::IsWindowVisible(window));
}

// Rows added, removed one at a time and all at once, checks, the current row.
TEST_F(RendererTest, ListRowsFollowTheModel) {
  form.Load();
  const HWND names = Child(form.lstNames);
  for (const char* row : {"notepad", "regedit", "Диспетчер задач"}) form.lstNames.addItem(row);
  form.lstNames.setListIndex(2);
  EXPECT_EQ(Join(RowsOf(names), Send(names, LB_GETCURSEL)), "notepad|regedit|Диспетчер задач| 2");
  form.lstNames.removeItem(2);
  form.lstNames.removeItem(0);
  EXPECT_EQ(Join(RowsOf(names), Send(names, LB_GETCURSEL)), Join("regedit|", LB_ERR));
  form.lstNames.clear();
  EXPECT_EQ(RowsOf(names), "");

  const HWND tasks = Child(form.lstTasks);
  form.lstTasks.addItem("Untitled - Notepad", true);
  form.lstTasks.addItem("Registry Editor");
  form.lstTasks.addItem("Task Manager", true);
  EXPECT_EQ(RowsOf(tasks), "[x] Untitled - Notepad|Registry Editor|[x] Task Manager|");
  form.lstTasks.setSelected(1, true);
  form.lstTasks.setSelected(0, false);
  form.lstTasks.removeItem(2);
  form.lstTasks.setListIndex(1);
  EXPECT_EQ(Join(RowsOf(tasks), ListView_GetNextItem(tasks, -1, LVNI_SELECTED)),
            "Untitled - Notepad|[x] Registry Editor| 1");
  form.lstTasks.clear();
  EXPECT_EQ(RowsOf(tasks), "");
  // No check the renderer made came back as a user's tick.
  EXPECT_EQ(checked_rows, "1 0 ");
}

// ---- Control to model -------------------------------------------------------------------

// What a user does to a control, as the window messages it sends, and the
// models' state afterwards (a real mouse click on a tab: the e2e ShowTab).
TEST_F(RendererTest, WindowMessagesReachTheModels) {
  form.Show();
  for (const char* row : {"one", "two"}) form.lstNames.addItem(row);
  for (const char* row : {"first", "second"}) form.lstTasks.addItem(row);
  const HWND keep = Child(form.chkKeep);
  const HWND pass = Child(form.txtPass);
  const HWND names = Child(form.lstNames);
  const HWND tasks = Child(form.lstTasks);
  const HWND tabs = Child(form.tabMain);
  const auto type = [pass](const wchar_t* text) {
    Send(pass, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
  };
  const auto keep_state = [&] {
    return Join(form.chkKeep.checked(), Send(keep, BM_GETCHECK), events["chkKeep"]);
  };
  const auto pass_state = [&] { return Join(form.txtPass.text(), WindowText(pass), events["txtPass"]); };
  const auto checks = [&] {
    return Join(form.lstTasks.selected(0), form.lstTasks.selected(1), checked_rows);
  };
  Send(keep, BM_CLICK);
  EXPECT_EQ(keep_state(), "1 1 1");
  Send(keep, BM_CLICK);
  EXPECT_EQ(keep_state(), "0 0 2");
  type(L"typed ключ");
  EXPECT_EQ(pass_state(), "typed ключ typed ключ 1");
  // Typing stops at max_length; a longer text put in whole, as the program
  // shows a stored one, stays whole in the control and the model.
  type(L"");
  for (const wchar_t key : std::wstring_view(L"0123456789abcdef")) Send(pass, WM_CHAR, key);
  EXPECT_EQ(pass_state(), "0123456789ab 0123456789ab 14");
  type(L"0123456789abcdef");
  EXPECT_EQ(pass_state(), "0123456789abcdef 0123456789abcdef 15");
  ::SetFocus(names);
  Send(names, WM_KEYDOWN, VK_DOWN);
  Send(names, WM_KEYDOWN, VK_DOWN);
  EXPECT_EQ(Join(form.lstNames.listIndex(), events["lstNames"]), "1 2") << "arrow keys in a list box";
  ListView_SetCheckState(tasks, 1, TRUE);
  EXPECT_EQ(checks(), "0 1 1 ") << "a list view row's check box ticked";
  ListView_SetCheckState(tasks, 1, FALSE);
  EXPECT_EQ(checks(), "0 0 1 1 ") << "and cleared";
  ListView_SetItemState(tasks, 0, LVIS_SELECTED, LVIS_SELECTED);
  EXPECT_EQ(form.lstTasks.listIndex(), 0);
  // As the control does on a click (TCM_SETCURSEL alone sends no TCN_SELCHANGE).
  TabCtrl_SetCurSel(tabs, 1);
  NMHDR change{tabs, static_cast<UINT_PTR>(::GetDlgCtrlID(tabs)), static_cast<UINT>(TCN_SELCHANGE)};
  Send(Window(), WM_NOTIFY, change.idFrom, reinterpret_cast<LPARAM>(&change));
  EXPECT_EQ(Join(form.tabMain.selectedTab(), events["tabMain"], Shown(form.chkTray)), "1 1 1");
  for (const HWND clicked : {Child(form.lblHelp), Child(form.imgLock)}) {
    Send(clicked, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    Send(clicked, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
  }
  EXPECT_EQ(Join(events["lblHelp"], events["imgLock"]), "1 1") << "a link label and an image clicked";
  // A list view follows a pressed button until it is released; the model
  // hears of the press once it has.
  ::SetFocus(tasks);
  Send(tasks, WM_KEYDOWN, VK_DELETE);
  ::PostMessageW(tasks, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(4, 4));
  ::PostMessageW(tasks, WM_RBUTTONUP, 0, MAKELPARAM(4, 4));
  PumpUntil([&] { return events["lstTasks button 2"] > 0; });
  EXPECT_EQ(Join(events["lstTasks key 46"], events["lstTasks button 2"]), "1 1")
      << "Delete and a right click";
  // A borderless frame lets a press through to the form, but it is on a
  // control all the same.
  Send(Window(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(2, 2));
  const RECT frame = RectIn(Child(form.fraButtons), Window());
  Send(Window(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(frame.left + 2, frame.bottom - 2));
  EXPECT_EQ(Join(events["form button 2"], events["form button 1"]), "1 0")
      << "presses on the form and a frame";
}

// ---- Focus and keyboard -----------------------------------------------------------------

TEST_F(RendererTest, TheFocusGoesWhereAskedOrToTheFirstTabStopAndTheFormToTheFront) {
  // Asked before the window exists: met when the form is shown.
  form.cmdCancel.setFocus();
  form.Show();
  ASSERT_TRUE(PumpUntil([&] { return events["activate"] > 0; }));
  EXPECT_EQ(::GetFocus(), Child(form.cmdCancel));
  // Asked while on screen: at once. A hidden control cannot take it.
  form.lstNames.setFocus();
  EXPECT_EQ(::GetFocus(), Child(form.lstNames));
  form.chkKeep.setVisible(false);
  form.chkKeep.setFocus();
  EXPECT_EQ(::GetFocus(), Child(form.lstNames));
  // The page with the focused control goes: the focus stays with the strip.
  form.tabMain.setSelectedTab(1);
  form.chkTray.setFocus();
  form.tabMain.setSelectedTab(0);
  EXPECT_EQ(::GetFocus(), Child(form.tabMain));

  // Without a request, the first control that can take the focus in the
  // models' order gets it: not the label lblInfo, not the disabled txtPass.
  form.Unload();
  form.txtPass.setEnabled(false);
  form.Show();
  ASSERT_TRUE(PumpUntil([&] { return ::GetFocus() != nullptr; }));
  EXPECT_EQ(::GetFocus(), Child(form.chkKeep));

  // BringToFront takes the foreground back from another window.
  const win32_test::TestWindow other(L"In front");
  ::SetForegroundWindow(other.hwnd());
  ASSERT_TRUE(PumpUntil([&] { return ::GetForegroundWindow() == other.hwnd(); }));
  form.BringToFront();
  EXPECT_TRUE(PumpUntil([&] { return ::GetForegroundWindow() == Window(); }));
}

// Keys go through the event loop's filter, as the program's loop sends them.
TEST_F(RendererTest, KeysTurnTheTabsMoveTheFocusAndPressButtons) {
  form.Show();
  ASSERT_TRUE(PumpUntil([&] { return ::GetFocus() == Child(form.txtPass); }));
  BYTE keys[256] = {};
  ASSERT_TRUE(::GetKeyboardState(keys));
  const auto press = [&](WPARAM key, bool control = false) {
    keys[VK_CONTROL] = control ? 0x80 : 0;
    ::SetKeyboardState(keys);
    ::PostMessageW(::GetFocus(), WM_KEYDOWN, key, 0);
    ::PostMessageW(::GetFocus(), WM_KEYUP, key, 0xC0000000);
    loop.DoEvents();
  };
  press(VK_TAB, true);
  EXPECT_EQ(Join(form.tabMain.selectedTab(), TabCtrl_GetCurSel(Child(form.tabMain)), Shown(form.chkTray)),
            "1 1 1");
  press(VK_TAB);
  EXPECT_EQ(::GetFocus(), Child(form.chkKeep));
  press(VK_RETURN);  // the default button
  press(VK_ESCAPE);  // the cancel button
  ::SetFocus(Child(form.cmdCancel));
  press(VK_RETURN);  // a focused push button presses itself
  EXPECT_EQ(Join(events["cmdOK"], events["cmdCancel"]), "1 2");
}

// ---- Closing, unloading, failures and private messages ----------------------------------

TEST_F(RendererTest, TheCloseBoxAsksTheFormAndOnlyARealEndOfTheSessionUnloadsIt) {
  std::vector<ui::UnloadReason> asked;
  form.on_query_unload = [&](ui::UnloadRequest& request) {
    asked.push_back(request.reason);
    request.cancel = true;  // the form stays
  };
  form.Show();
  const HWND window = Window();
  Send(window, WM_CLOSE);
  EXPECT_TRUE(::IsWindowVisible(window)) << "the form stayed";
  // Sent by another program while the session goes on: ignored.
  host.session_ending = [] { return false; };
  EXPECT_EQ(Send(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
  Send(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
  EXPECT_TRUE(::IsWindow(window)) << "a forged end of the session closes nothing";
  // The session ends whatever the form answers.
  host.session_ending = [] { return true; };
  EXPECT_EQ(Send(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
  Send(window, WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF);
  EXPECT_TRUE(form.loaded()) << "the session goes on";
  Send(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
  EXPECT_FALSE(::IsWindow(window));
  EXPECT_EQ(asked,
            (std::vector<ui::UnloadReason>{ui::UnloadReason::kUserClose, ui::UnloadReason::kWindowsEnding}));
}

TEST_F(RendererTest, UnloadDestroysTheWindowEvenFromTheFormsOwnHandler) {
  form.Show();
  HWND window = Window();
  form.txtPass.setText("changed");
  form.lstTasks.addItem("row", true);
  form.Unload();
  EXPECT_FALSE(::IsWindow(window));
  // The reset to the design state raised nothing through the old controls,
  // and the new ones start from it.
  EXPECT_EQ(events["txtPass"], 1);
  form.Show();
  EXPECT_EQ(Join(WindowText(Child(form.txtPass)), ListView_GetItemCount(Child(form.lstTasks))), "design 0");

  window = Window();
  form.cmdCancel.on_click = [&] { form.Unload(); };
  Send(Child(form.cmdCancel), BM_CLICK);
  EXPECT_FALSE(::IsWindow(window));
  form.Show();
  window = Window();
  form.lstTasks.on_key_down = [&](int) { form.Unload(); };
  Send(Child(form.lstTasks), WM_KEYDOWN, VK_DELETE);
  EXPECT_FALSE(::IsWindow(window)) << "unloaded from a list's key handler";
  form.Show();
  EXPECT_TRUE(::IsWindowVisible(Window()));
}

// A handler's failure stops at the window procedure and goes to the handler
// of unhandled failures; private messages (the tray's callback) reach the form.
TEST_F(RendererTest, HandlerFailuresAndPrivateMessages) {
  std::string failure;
  host.set_unhandled_error_handler([&](const std::string& description) { failure = description; });
  form.cmdOK.on_click = [] { throw std::runtime_error("Invalid procedure call"); };
  std::string received;
  form.on_message = [&](std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) {
    received += Join(message - WM_APP, wparam, lparam) + ";";
  };
  form.Show();
  Send(Child(form.cmdOK), BM_CLICK);
  EXPECT_EQ(failure, "Invalid procedure call");
  ::PostMessageW(Window(), WM_APP + 1, 7, WM_LBUTTONDBLCLK);
  ::PostMessageW(Window(), WM_USER + 1, 0, 0);  // below WM_APP: not the form's
  ASSERT_TRUE(PumpUntil([&] { return !received.empty(); }));
  loop.DoEvents();
  EXPECT_EQ(received, Join(1, 7, WM_LBUTTONDBLCLK) + ";");
}

// ---- Painting ---------------------------------------------------------------------------

TEST_F(RendererTest, ControlsOnATabPageLieAboveItInThePagesColour) {
  form.Show();
  const HWND window = Window();
  const HWND tabs = Child(form.tabMain);
  EXPECT_NE(StyleOf(tabs) & WS_CLIPSIBLINGS, 0);
  // A click in the middle of a member hits the member, not the container under it.
  const auto hit = [&](const ui::Control& member) {
    const RECT rect = RectIn(Child(member), window);
    const POINT centre{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    return ::ChildWindowFromPointEx(window, centre, CWP_SKIPINVISIBLE) == Child(member);
  };
  EXPECT_TRUE(hit(form.lstTasks)) << "above its tab strip";
  form.tabMain.setSelectedTab(1);
  EXPECT_TRUE(hit(form.chkTaskManager)) << "above its frame";
  Paint();
  // The page's colour, in a corner no control covers: themed, its own (white on Windows 10
  // and in Wine's light theme); in the classic look the form's.
  RECT page = ClientRectOf(tabs);
  TabCtrl_AdjustRect(tabs, FALSE, &page);
  const COLORREF page_color = PixelAt(tabs, page.right - 3, page.bottom - 3);
  const COLORREF form_color = PixelAt(window, 2, 2);
  EXPECT_EQ(form_color, RGB(0xFF, 0xF0, 0xE0));
  // Backgrounds right of short captions: a check box and a label on the page, and a
  // check box in a group box in the box's inside as the theme paints it.
  const auto background = [&](const ui::Control& control) {
    const RECT rect = ClientRectOf(Child(control));
    return PixelAt(Child(control), rect.right - 3, rect.bottom / 2);
  };
  const HWND lock = Child(form.fraLock);
  const RECT lock_rect = ClientRectOf(lock);
  EXPECT_EQ(Join(background(form.chkTray), background(form.lblHelp), background(form.chkTaskManager)),
            Join(page_color, page_color, PixelAt(lock, 5, lock_rect.bottom - 5)));
  // The group box paints only its frame: its inside is erased again at each paint.
  const HDC lock_dc = ::GetDC(lock);
  const HBRUSH red = ::CreateSolidBrush(RGB(0xFF, 0, 0));
  ::FillRect(lock_dc, &lock_rect, red);
  ::DeleteObject(red);
  ::ReleaseDC(lock, lock_dc);
  Paint();
  EXPECT_EQ(PixelAt(lock, lock_rect.right / 2, lock_rect.bottom - 8), background(form.chkTaskManager));
  // A locked text box takes no typing but looks like one that does.
  const HWND folder = Child(form.txtFolder);
  EXPECT_EQ(PixelAt(folder, ClientRectOf(folder).right - 3, ClientRectOf(folder).bottom / 2),
            ::GetSysColor(COLOR_WINDOW));

  // Off the page the form's colour stays. The button strip has no box, only
  // a line along its top in its colour.
  const HWND strip = Child(form.fraButtons);
  const LONG clear = ClientRectOf(strip).right - 4;  // right of the labels over the line
  EXPECT_EQ(Join(PixelAt(strip, 2, 4), PixelAt(strip, clear, 0), PixelAt(strip, clear, 2)),
            Join(form_color, RGB(0xA0, 0xA0, 0xA0), form_color));
}

TEST_F(RendererTest, ToolTipsAndLabelsThatAlignWrapLinkAndLetWhatIsUnderThemShow) {
  // Tool tips only here: Wine does not let a window that owns a topmost
  // tooltip window become topmost itself.
  form.lblRight.tool_tip = "Aligned to the right";
  form.lblWrap.tool_tip = "Wraps at word breaks";
  form.Show();
  const HWND tips = host.ToolTipWindow(form);
  ASSERT_NE(tips, nullptr);
  wchar_t text[128] = {};
  TOOLINFOW tool{};
  tool.cbSize = sizeof(tool);
  tool.hwnd = Window();
  tool.uId = reinterpret_cast<UINT_PTR>(Child(form.lblWrap));
  tool.lpszText = text;
  Send(tips, TTM_GETTEXTW, 128, reinterpret_cast<LPARAM>(&tool));
  EXPECT_EQ(Join(Send(tips, TTM_GETTOOLCOUNT), FromWide(text)), "2 Wraps at word breaks");

  Paint();
  // Text only in the right half of a right-aligned label; the second line of
  // a long caption there when it wraps, not when not.
  const HWND right = Child(form.lblRight);
  const RECT right_rect = ClientRectOf(right);
  const HWND wrap = Child(form.lblWrap);
  const HWND no_wrap = Child(form.lblNoWrap);
  const RECT wrap_rect = ClientRectOf(wrap);
  const RECT upper{0, 0, wrap_rect.right, wrap_rect.bottom / 2};
  const RECT lower{0, wrap_rect.bottom / 2, wrap_rect.right, wrap_rect.bottom};
  EXPECT_EQ(Join(InkIn(right, RECT{0, 0, right_rect.right / 2, right_rect.bottom}) == 0,
                 InkIn(right, RECT{right_rect.right / 2, 0, right_rect.right, right_rect.bottom}) > 0,
                 InkIn(wrap, lower) > 0, InkIn(no_wrap, lower) == 0, InkIn(no_wrap, upper) > 0),
            "1 1 1 1 1");

  // The frame's top line runs under two labels: the transparent one lets it
  // show, the opaque one covers it in the form's colour.
  const auto line_in = [&](const ui::Control& label) {
    POINT at{0, 0};
    ::MapWindowPoints(Child(form.fraButtons), Child(label), &at, 1);
    return PixelAt(Child(label), 10, at.y);
  };
  EXPECT_EQ(Join(line_in(form.lblOverLine), line_in(form.lblRight)),
            Join(RGB(0xA0, 0xA0, 0xA0), RGB(0xFF, 0xF0, 0xE0)));

  // A link label: underlined, and the hand over it (the arrow elsewhere).
  const HWND help = Child(form.lblHelp);
  EXPECT_EQ(Join(int{FontOf(help).lfUnderline}, int{FontOf(Child(form.chkTray)).lfUnderline}), "1 0");
  Send(help, WM_SETCURSOR, reinterpret_cast<WPARAM>(help), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, IDC_HAND));
  Send(Window(), WM_SETCURSOR, reinterpret_cast<WPARAM>(Window()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, IDC_ARROW));
}

}  // namespace

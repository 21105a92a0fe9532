// The form renderer against real Win32 windows: a form with a control of
// each kind is loaded through Win32FormHost; model changes must reach the
// controls, user actions on the controls must reach the models, containers
// and labels must paint as designed, and the window must go with the form,
// even from the form's own handler.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>
#include <gtest/gtest.h>

#include "platform/text.h"
#include "platform/win32/wide_text.h"
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

// A client area of 6000 x 4560 twips (400 x 304 pixels at 96 dpi): a
// password row, a tab strip with the lists on its first page and a group box
// on its second, and a button strip below.
class TestForm : public ui::Form {
 public:
  explicit TestForm(ui::FormEnvironment env)
      : ui::Form(env, "frmRendererTest", "Renderer test", ui::Bounds{0, 0, 6000, 4560}),
        lblInfo(*this, "lblInfo", ui::Bounds{120, 120, 5760, 255}, "Type a password && pick the tasks:"),
        txtPass(*this, "txtPass", ui::Bounds{120, 420, 2760, 315}, "design"),
        chkKeep(*this, "chkKeep", ui::Bounds{3060, 450, 2820, 255}, "Keep &locked"),
        tabMain(*this, "tabMain", ui::Bounds{120, 840, 5760, 2760}, {"Tasks", "Settings"}),
        lstNames(*this, "lstNames", ui::Bounds{300, 1260, 2640, 1800}),
        lstTasks(*this, "lstTasks", ui::Bounds{3060, 1260, 2640, 1800}),
        lblTaskCount(*this, "lblTaskCount", ui::Bounds{300, 3180, 5400, 255}, "Tasks Locked: 2"),
        chkTray(*this, "chkTray", ui::Bounds{300, 1260, 5400, 255}, "No Tray Icon"),
        fraLock(*this, "fraLock", ui::Bounds{300, 1620, 5400, 960}, "Lock"),
        chkTaskManager(*this, "chkTaskManager", ui::Bounds{480, 1920, 5040, 255}, "Task Manager"),
        txtFolder(*this, "txtFolder", ui::Bounds{300, 2700, 5400, 315}, "C:\\Program Files\\Kestrove Pro"),
        lblHelp(*this, "lblHelp", ui::Bounds{300, 3120, 5400, 255}, "Help on these settings"),
        fraButtons(*this, "fraButtons", ui::Bounds{0, 3720, 6000, 840}),
        imgLock(*this, "imgLock", ui::Bounds{240, 3900, 480, 480}, "IDI_PROGRAM"),
        prgWork(*this, "prgWork", ui::Bounds{840, 4020, 1980, 240}),
        cmdOK(*this, "cmdOK", ui::Bounds{3240, 3900, 1215, 375}, "OK"),
        cmdCancel(*this, "cmdCancel", ui::Bounds{4545, 3900, 1215, 375}, "Cancel"),
        tmrTick(*this, "tmrTick", 20, true) {
    for (ui::Control* member : std::initializer_list<ui::Control*>{&lstNames, &lstTasks, &lblTaskCount}) {
      member->setContainer(tabMain, 0);
    }
    for (ui::Control* member :
         std::initializer_list<ui::Control*>{&chkTray, &fraLock, &txtFolder, &lblHelp}) {
      member->setContainer(tabMain, 1);
    }
    chkTaskManager.setContainer(fraLock);
    for (ui::Control* member : std::initializer_list<ui::Control*>{&imgLock, &prgWork, &cmdOK, &cmdCancel}) {
      member->setContainer(fraButtons);
    }
    txtPass.password_char = '*';
    txtPass.max_length = 12;
    txtFolder.locked = true;
    lblHelp.underline = true;
    lblHelp.setForeColor(ui::kBlue);
    fraButtons.bordered = false;
    fraButtons.top_line_color = 0xA0A0A0;
    cmdOK.is_default = true;
    cmdCancel.is_cancel = true;
    // Not a colour any tab page has, so a control painted in the form's
    // colour on a page shows.
    back_color = 0xFFF0E0;
    icon = "IDI_PROGRAM";
  }

  ui::Label lblInfo;
  ui::TextBox txtPass;
  ui::CheckBox chkKeep;
  ui::TabStrip tabMain;
  ui::ListBox lstNames;
  ui::CheckListBox lstTasks;
  ui::Label lblTaskCount;
  ui::CheckBox chkTray;
  ui::Frame fraLock;
  ui::CheckBox chkTaskManager;
  ui::TextBox txtFolder;
  ui::Label lblHelp;
  ui::Frame fraButtons;
  ui::Image imgLock;
  ui::ProgressBar prgWork;
  ui::Button cmdOK;
  ui::Button cmdCancel;
  ui::Timer tmrTick;
};

// Labels set apart to look at how their text is laid out, and the tool tips.
// Not on the main test form: Wine does not let a window that owns a topmost
// tooltip window become topmost itself.
class LabelForm : public ui::Form {
 public:
  explicit LabelForm(ui::FormEnvironment env)
      : ui::Form(env, "frmLabels", "Labels", ui::Bounds{0, 0, 4800, 2400}),
        lblRight(*this, "lblRight", ui::Bounds{120, 120, 3000, 255}, "OK"),
        lblWrap(*this, "lblWrap", ui::Bounds{120, 480, 1500, 600}, "Wrapping words in a narrow label"),
        lblNoWrap(*this, "lblNoWrap", ui::Bounds{1800, 480, 1500, 600}, "Wrapping words in a narrow label"),
        fraLine(*this, "fraLine", ui::Bounds{0, 1500, 4800, 900}),
        lblOverLine(*this, "lblOverLine", ui::Bounds{120, 1380, 1500, 255}, ""),
        lblOpaque(*this, "lblOpaque", ui::Bounds{1800, 1380, 1500, 255}, "") {
    lblRight.alignment = ui::Alignment::kRight;
    lblNoWrap.word_wrap = false;
    fraLine.bordered = false;
    fraLine.top_line_color = ui::kRed;
    lblOverLine.transparent = true;
    lblRight.tool_tip = "Aligned to the right";
    lblWrap.tool_tip = "Wraps at word breaks";
  }
  ui::Label lblRight;
  ui::Label lblWrap;
  ui::Label lblNoWrap;
  ui::Frame fraLine;
  ui::Label lblOverLine;
  ui::Label lblOpaque;
};

// ---- Reading windows --------------------------------------------------------------------

LRESULT Send(HWND hwnd, UINT message, WPARAM wparam = 0, LPARAM lparam = 0) {
  return ::SendMessageW(hwnd, message, wparam, lparam);
}

std::string TextOf(HWND hwnd) {
  wchar_t text[256] = {};
  const int length = ::GetWindowTextW(hwnd, text, 256);
  return FromWide(std::wstring_view(text, static_cast<std::size_t>(std::max(length, 0))));
}

std::string ClassOf(HWND hwnd) {
  wchar_t name[64] = {};
  const int length = ::GetClassNameW(hwnd, name, 64);
  return FromWide(std::wstring_view(name, static_cast<std::size_t>(std::max(length, 0))));
}

LONG_PTR StyleOf(HWND hwnd, int index = GWL_STYLE) {
  return ::GetWindowLongPtrW(hwnd, index);
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

std::vector<LONG> Edges(const RECT& rect) {
  return {rect.left, rect.top, rect.right, rect.bottom};
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

// The rows of a list box, or of a list view as "text" or "[x] text" when
// the row is checked.
std::vector<std::string> RowsOf(HWND list) {
  std::vector<std::string> rows;
  const bool list_box = ClassOf(list) == "ListBox";
  const auto count = static_cast<int>(list_box ? Send(list, LB_GETCOUNT) : ListView_GetItemCount(list));
  for (int row = 0; row < count; ++row) {
    wchar_t text[256] = {};
    if (list_box) {
      Send(list, LB_GETTEXT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(text));
    } else {
      ListView_GetItemText(list, row, 0, text, 256);
    }
    rows.push_back((!list_box && ListView_GetCheckState(list, row) == 1 ? "[x] " : "") + FromWide(text));
  }
  return rows;
}

// A mouse click at a point of a window's client area, sent straight to it.
void ClickAt(HWND hwnd, int x, int y) {
  Send(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  Send(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

// Values joined by spaces, so that one table row compares several at once.
template <typename... Values>
std::string Join(const Values&... values) {
  std::string joined;
  const auto add = [&joined](const auto& value) {
    if (!joined.empty()) joined += ' ';
    if constexpr (std::is_convertible_v<decltype(value), std::string>) {
      joined += value;
    } else {
      joined += std::to_string(value);
    }
  };
  (add(values), ...);
  return joined;
}

// One row of a table that runs in order on one form: what is done, and what
// shows afterwards.
struct Step {
  const char* what;
  std::function<void()> act;
  std::function<std::string()> observe;
  std::string expected;
};

void RunSteps(const std::vector<Step>& steps) {
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    step.act();
    EXPECT_EQ(step.observe(), step.expected);
  }
}

// ---- Fixtures ---------------------------------------------------------------------------

// One form of type FormType rendered by a host of its own, with the event
// loop's keyboard filter in place as the program sets it.
template <typename FormType>
class RendererFixture : public ::testing::Test {
 protected:
  RendererFixture() {
    loop.message_filter = [this](MSG& message) { return host.PreTranslateMessage(message); };
  }

  bool PumpUntil(const std::function<bool()>& done) {
    return win32_test::PumpUntil(done, [this] { loop.DoEvents(); });
  }
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
  FormType form{ui::FormEnvironment{loop, host}};
};

class RendererTest : public RendererFixture<TestForm> {
 protected:
  RendererTest() {
    for (ui::Button* button : {&form.cmdOK, &form.cmdCancel}) {
      button->on_click = [this, button] { ++events[button->name()]; };
    }
    form.chkKeep.on_click = [this] { ++events["chkKeep"]; };
    form.txtPass.on_change = [this] { ++events["txtPass"]; };
    form.lstNames.on_click = [this] { ++events["lstNames"]; };
    form.lstTasks.on_item_check = [this](int row) { checked_rows.push_back(row); };
    form.tabMain.on_click = [this] { ++events["tabMain"]; };
    form.imgLock.on_click = [this] { ++events["imgLock"]; };
    form.lblHelp.on_click = [this] { ++events["lblHelp"]; };
    form.on_activate = [this] { ++events["activate"]; };
  }

  // How often each control's event (and the form's activation) was raised.
  std::map<std::string, int> events;
  std::vector<int> checked_rows;
};

using LabelRendererTest = RendererFixture<LabelForm>;

// ---- Creation and DPI -------------------------------------------------------------------

TEST_F(RendererTest, LoadCreatesAHiddenOwnedWindowWithOneControlPerModel) {
  form.Load();
  const HWND window = Window();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(form.window(), reinterpret_cast<platform::WindowId>(window));
  EXPECT_EQ(ClassOf(window), FromWide(platform::win32::kFormWindowClass));
  EXPECT_EQ(TextOf(window), "Renderer test");
  EXPECT_FALSE(::IsWindowVisible(window));
  EXPECT_EQ(::GetWindow(window, GW_OWNER), host.owner_window());
  EXPECT_FALSE(::IsWindowVisible(host.owner_window()));
  // The design asks for a taskbar button, which an owned window only gets
  // with WS_EX_APPWINDOW.
  EXPECT_NE(StyleOf(window, GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);
  EXPECT_NE(Send(window, WM_GETICON, ICON_BIG), 0);
  EXPECT_NE(Send(window, WM_GETICON, ICON_SMALL), 0);

  // Ids count up in the models' order; a timer has no window.
  std::string classes;
  std::string tab_stops;
  int id = 1000;
  for (const ui::Control* control : form.controls()) {
    SCOPED_TRACE(control->name());
    const HWND child = Child(*control);
    if (control->kind() == ui::ControlKind::kTimer) {
      EXPECT_EQ(child, nullptr);
      continue;
    }
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(::GetParent(child), window);
    EXPECT_EQ(::GetDlgCtrlID(child), id++);
    // An icon has no font.
    if (control != &form.imgLock) {
      EXPECT_EQ(FromWide(FontOf(child).lfFaceName), "Verdana");
    }
    classes += platform::AsciiLower(ClassOf(child)) + " ";
    tab_stops += (StyleOf(child) & WS_TABSTOP) != 0 ? '1' : '0';
  }
  EXPECT_EQ(
      classes,
      "static edit button systabcontrol32 listbox syslistview32 static button button button edit static "
      "static static msctls_progress32 button button ");
  EXPECT_EQ(tab_stops, "01111101011000011");
  // The check box never toggles itself (BS_CHECKBOX): its value comes from
  // the model.
  const auto type = [&](const ui::Control& control, LONG_PTR mask) { return StyleOf(Child(control)) & mask; };
  EXPECT_EQ(
      Join(type(form.chkKeep, BS_TYPEMASK), type(form.fraLock, BS_TYPEMASK), type(form.cmdOK, BS_TYPEMASK),
           type(form.cmdCancel, BS_TYPEMASK), type(form.imgLock, SS_TYPEMASK)),
      Join(BS_CHECKBOX, BS_GROUPBOX, BS_DEFPUSHBUTTON, BS_PUSHBUTTON, SS_ICON));

  const HWND pass = Child(form.txtPass);
  EXPECT_EQ(Join(TextOf(pass), Send(pass, EM_GETPASSWORDCHAR), Send(pass, EM_GETLIMITTEXT)), "design 42 12");
  EXPECT_NE(StyleOf(Child(form.txtFolder)) & ES_READONLY, 0);
  EXPECT_EQ(TextOf(Child(form.fraLock)), "Lock");
  const HWND tabs = Child(form.tabMain);
  wchar_t caption[32] = {};
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = caption;
  item.cchTextMax = 32;
  TabCtrl_GetItem(tabs, 1, &item);
  EXPECT_EQ(Join(TabCtrl_GetItemCount(tabs), FromWide(caption), TabCtrl_GetCurSel(tabs)), "2 Settings 0");
}

TEST_F(RendererTest, TwipsBecomePixelsByTheWindowsDpiAndTheFormIsCentred) {
  form.Load();
  const HWND window = Window();
  const auto dpi = static_cast<LONG>(::GetDpiForWindow(window));
  const auto px = [dpi](int twips) { return ::MulDiv(twips, dpi, 1440); };

  // The designed size is the client area; the border and caption come on top.
  EXPECT_EQ(Edges(ClientRectOf(window)), Edges(RECT{0, 0, px(6000), px(4560)}));
  const RECT outer = RectIn(window, nullptr);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  ::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor);
  EXPECT_NEAR(outer.left - monitor.rcWork.left, monitor.rcWork.right - outer.right, 1);
  EXPECT_NEAR(outer.top - monitor.rcWork.top, monitor.rcWork.bottom - outer.bottom, 1);
  // The model knows where the centred form went.
  EXPECT_EQ(px(form.bounds().left), outer.left);

  // Controls sit in the client area at their designed place, and follow it.
  EXPECT_EQ(Edges(RectIn(Child(form.cmdOK), window)),
            Edges(RECT{px(3240), px(3900), px(3240) + px(1215), px(3900) + px(375)}));
  // The icon is drawn at the image's size; the image keeps its designed size.
  EXPECT_EQ(ClientRectOf(Child(form.imgLock)).right, px(480));
  form.cmdOK.setBounds(ui::Bounds{1440, 1440, 1440, 720});
  EXPECT_EQ(Edges(RectIn(Child(form.cmdOK), window)), Edges(RECT{dpi, dpi, 2 * dpi, dpi + dpi / 2}));

  // A new size from the model is a new client area too.
  form.setBounds(ui::Bounds{1440, 1440, 4320, 2880});
  EXPECT_EQ(Edges(ClientRectOf(window)), Edges(RECT{0, 0, 3 * dpi, 2 * dpi}));
  EXPECT_EQ(Join(RectIn(window, nullptr).left, RectIn(window, nullptr).top), Join(dpi, dpi));
}

TEST_F(RendererTest, ADpiChangeRescalesTheControlsAndTheFont) {
  form.Load();
  const HWND window = Window();
  const HWND button = Child(form.cmdOK);
  const LONG font_height = FontOf(button).lfHeight;
  RECT suggested{100, 100, 100 + 800, 100 + 480};
  Send(window, WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));

  EXPECT_EQ(ClientRectOf(button).right, ::MulDiv(1215, 192, 1440));
  EXPECT_EQ(Edges(RectIn(window, nullptr)), Edges(suggested));
  EXPECT_GT(std::abs(FontOf(button).lfHeight), std::abs(font_height)) << "a larger font";
  // Later model changes use the new DPI too.
  form.cmdOK.setBounds(ui::Bounds{0, 0, 1440, 1440});
  EXPECT_EQ(ClientRectOf(button).right, 192);

  // The size Windows asks for at a new DPI keeps the designed client area.
  SIZE scaled{};
  ASSERT_TRUE(Send(window, WM_GETDPISCALEDSIZE, 144, reinterpret_cast<LPARAM>(&scaled)));
  RECT expected{0, 0, ::MulDiv(6000, 144, 1440), ::MulDiv(4560, 144, 1440)};
  ::AdjustWindowRectExForDpi(&expected, static_cast<DWORD>(StyleOf(window)), FALSE,
                             static_cast<DWORD>(StyleOf(window, GWL_EXSTYLE)), 144);
  EXPECT_EQ(Join(scaled.cx, scaled.cy), Join(expected.right - expected.left, expected.bottom - expected.top));
}

// ---- Model to control -------------------------------------------------------------------

TEST_F(RendererTest, ModelChangesReachTheControls) {
  form.Load();
  const HWND window = Window();
  form.setCaption("Кестров — caption");
  form.lblInfo.setCaption("Tasks Locked: 3");
  form.cmdOK.setCaption("&Apply");
  form.fraLock.setCaption("Lock these");
  form.txtPass.setText("secret");
  EXPECT_EQ(Join(TextOf(window), TextOf(Child(form.lblInfo)), TextOf(Child(form.cmdOK)),
                 TextOf(Child(form.fraLock)), TextOf(Child(form.txtPass))),
            "Кестров — caption Tasks Locked: 3 &Apply Lock these secret");
  // One change, and none more through the control echoing it back.
  EXPECT_EQ(events["txtPass"], 1);

  // On, off and on again: a check box's value, a control's visibility and
  // enabled state, the form's topmost and enabled state.
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

  // The selected tab shows its page; a hidden frame or tab strip hides what
  // it holds, and only that.
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
  form.fraLock.setVisible(true);
  form.tabMain.setVisible(false);
  EXPECT_EQ(shown(), "1 0 0 0 0 1");
  form.tabMain.setVisible(true);
  EXPECT_EQ(shown(), "1 0 1 1 1 1");
  form.fraButtons.setVisible(false);
  EXPECT_EQ(Join(Shown(form.prgWork), Shown(form.cmdOK)), "0 0");
}

TEST_F(RendererTest, WindowStateAndHiding) {
  form.DesignWindowState(ui::WindowState::kMaximized);
  form.Show();
  EXPECT_TRUE(::IsZoomed(Window()));
  form.setWindowState(ui::WindowState::kNormal);
  EXPECT_FALSE(::IsZoomed(Window()));
  form.setWindowState(ui::WindowState::kMinimized);
  EXPECT_TRUE(::IsIconic(Window()));
  form.Hide();
  EXPECT_FALSE(::IsWindowVisible(Window()));
}

TEST_F(RendererTest, ListRowsFollowTheModel) {
  form.Load();
  const HWND names = Child(form.lstNames);
  form.lstNames.addItem("notepad");
  form.lstNames.addItem("regedit");
  form.lstNames.addItem("Диспетчер задач");
  form.lstNames.setListIndex(2);
  EXPECT_EQ(RowsOf(names), (std::vector<std::string>{"notepad", "regedit", "Диспетчер задач"}));
  EXPECT_EQ(Send(names, LB_GETCURSEL), 2);
  // Removing the current row leaves no current row.
  form.lstNames.removeItem(2);
  form.lstNames.removeItem(0);
  EXPECT_EQ(RowsOf(names), (std::vector<std::string>{"regedit"}));
  EXPECT_EQ(Send(names, LB_GETCURSEL), LB_ERR);
  form.lstNames.clear();
  EXPECT_TRUE(RowsOf(names).empty());

  const HWND tasks = Child(form.lstTasks);
  form.lstTasks.addItem("Untitled - Notepad", true);
  form.lstTasks.addItem("Registry Editor");
  form.lstTasks.addItem("Task Manager", true);
  EXPECT_EQ(RowsOf(tasks),
            (std::vector<std::string>{"[x] Untitled - Notepad", "Registry Editor", "[x] Task Manager"}));
  form.lstTasks.setSelected(1, true);
  form.lstTasks.setSelected(0, false);
  form.lstTasks.removeItem(2);
  EXPECT_EQ(RowsOf(tasks), (std::vector<std::string>{"Untitled - Notepad", "[x] Registry Editor"}));
  form.lstTasks.setListIndex(1);
  EXPECT_EQ(ListView_GetNextItem(tasks, -1, LVNI_SELECTED), 1);
  form.lstTasks.clear();
  EXPECT_EQ(ListView_GetItemCount(tasks), 0);
  // No check the renderer made came back as a user's tick.
  EXPECT_EQ(checked_rows, (std::vector<int>{1, 0}));
}

// ---- Control to model -------------------------------------------------------------------

// What a user does to a control, as the window messages it sends, and the
// models' state afterwards.
TEST_F(RendererTest, WindowMessagesReachTheModels) {
  form.Show();
  form.lstNames.addItem("one");
  form.lstNames.addItem("two");
  form.lstTasks.addItem("first");
  form.lstTasks.addItem("second");
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
  const auto pass_state = [&] { return Join(form.txtPass.text(), TextOf(pass), events["txtPass"]); };
  const auto checks = [&] {
    return Join(form.lstTasks.selected(0), form.lstTasks.selected(1), checked_rows.size(),
                checked_rows.empty() ? -1 : checked_rows.back());
  };
  const auto tab_state = [&] {
    return Join(form.tabMain.selectedTab(), events["tabMain"], Shown(form.chkTray));
  };
  RunSteps({
      {"BM_CLICK on a button", [&] { Send(Child(form.cmdOK), BM_CLICK); },
       [&] { return Join(events["cmdOK"]); }, "1"},
      {"BM_CLICK on a check box", [&] { Send(keep, BM_CLICK); }, keep_state, "1 1 1"},
      {"BM_CLICK on it again", [&] { Send(keep, BM_CLICK); }, keep_state, "0 0 2"},
      {"typing", [&] { type(L"typed ключ"); }, pass_state, "typed ключ typed ключ 1"},
      // Typing stops at max_length; a longer text put in whole, as the program
      // shows a stored one, stays whole in the control and the model.
      {"typing too much",
       [&] {
         type(L"");
         for (const wchar_t key : std::wstring_view(L"0123456789abcdef")) Send(pass, WM_CHAR, key);
       },
       pass_state, "0123456789ab 0123456789ab 14"},
      {"a longer text put in whole", [&] { type(L"0123456789abcdef"); }, pass_state,
       "0123456789abcdef 0123456789abcdef 15"},
      {"arrow keys in a list box",
       [&] {
         ::SetFocus(names);
         Send(names, WM_KEYDOWN, VK_DOWN);
         Send(names, WM_KEYDOWN, VK_DOWN);
       },
       [&] { return Join(form.lstNames.listIndex(), events["lstNames"]); }, "1 2"},
      {"a list view row's check box ticked", [&] { ListView_SetCheckState(tasks, 1, TRUE); }, checks,
       "0 1 1 1"},
      {"and cleared", [&] { ListView_SetCheckState(tasks, 1, FALSE); }, checks, "0 0 2 1"},
      {"a list view row selected", [&] { ListView_SetItemState(tasks, 0, LVIS_SELECTED, LVIS_SELECTED); },
       [&] { return Join(form.lstTasks.listIndex()); }, "0"},
      // The control changes its selection and tells the form (TCM_SETCURSEL
      // alone sends no TCN_SELCHANGE).
      {"TCN_SELCHANGE",
       [&] {
         TabCtrl_SetCurSel(tabs, 1);
         NMHDR change{tabs, static_cast<UINT_PTR>(::GetDlgCtrlID(tabs)), static_cast<UINT>(TCN_SELCHANGE)};
         Send(Window(), WM_NOTIFY, change.idFrom, reinterpret_cast<LPARAM>(&change));
       },
       tab_state, "1 1 1"},
      {"a click on a link label", [&] { ClickAt(Child(form.lblHelp), 4, 4); },
       [&] { return Join(events["lblHelp"]); }, "1"},
      {"a mouse click on the first tab",
       [&] {
         RECT first{};
         TabCtrl_GetItemRect(tabs, 0, &first);
         const LPARAM at = MAKELPARAM((first.left + first.right) / 2, (first.top + first.bottom) / 2);
         ::PostMessageW(tabs, WM_LBUTTONDOWN, MK_LBUTTON, at);
         ::PostMessageW(tabs, WM_LBUTTONUP, 0, at);
         PumpUntil([&] { return form.tabMain.selectedTab() == 0; });
       },
       tab_state, "0 2 0"},
      {"a click on an image", [&] { ClickAt(Child(form.imgLock), 4, 4); },
       [&] { return Join(events["imgLock"]); }, "1"},
      {"BM_CLICK on a disabled button",
       [&] {
         form.cmdOK.setEnabled(false);
         Send(Child(form.cmdOK), BM_CLICK);
       },
       [&] { return Join(events["cmdOK"]); }, "1"},
  });
}

// ---- Focus and keyboard -----------------------------------------------------------------

TEST_F(RendererTest, ShowingActivatesAndTheKeyboardNavigates) {
  form.Show();
  EXPECT_TRUE(::IsWindowVisible(Window()));
  ASSERT_TRUE(PumpUntil([&] { return events["activate"] > 0; }));
  // Activation puts the focus on the first control in tab order.
  EXPECT_EQ(::GetFocus(), Child(form.txtPass));

  // Keys go through the event loop's filter, as the program's loop sends them.
  const auto press = [&](WPARAM key) {
    ::PostMessageW(::GetFocus(), WM_KEYDOWN, key, 0);
    ::PostMessageW(::GetFocus(), WM_KEYUP, key, 0xC0000000);
    loop.DoEvents();
  };
  press(VK_TAB);
  EXPECT_EQ(::GetFocus(), Child(form.chkKeep));
  press(VK_RETURN);
  EXPECT_EQ(events["cmdOK"], 1);
  press(VK_ESCAPE);
  EXPECT_EQ(events["cmdCancel"], 1);
  // Enter on a focused push button presses that button.
  ::SetFocus(Child(form.cmdCancel));
  press(VK_RETURN);
  EXPECT_EQ(Join(events["cmdOK"], events["cmdCancel"]), "1 2");
}

TEST_F(RendererTest, TheFocusGoesWhereItWasAskedFor) {
  // Asked before the window exists: met when the form is shown.
  form.cmdCancel.setFocus();
  form.Show();
  ASSERT_TRUE(PumpUntil([&] { return events["activate"] > 0; }));
  EXPECT_EQ(::GetFocus(), Child(form.cmdCancel));
  EXPECT_EQ(form.focusRequest(), nullptr);
  // Asked while on screen: at once.
  form.lstNames.setFocus();
  EXPECT_EQ(::GetFocus(), Child(form.lstNames));
  // A hidden control cannot take it.
  form.chkKeep.setVisible(false);
  form.chkKeep.setFocus();
  EXPECT_EQ(::GetFocus(), Child(form.lstNames));

  // Without a request, the first control that can take the focus in the
  // models' order gets it (txtPass: the label cannot).
  form.Unload();
  form.txtPass.setEnabled(false);
  form.Show();
  ASSERT_TRUE(PumpUntil([&] { return ::GetFocus() != nullptr; }));
  EXPECT_EQ(::GetFocus(), Child(form.chkKeep)) << "txtPass is disabled";
}

TEST_F(RendererTest, CtrlTabAndHidingTheFocusedControlKeepTheKeyboardUsable) {
  form.Show();
  ASSERT_TRUE(PumpUntil([&] { return ::GetFocus() != nullptr; }));
  form.tabMain.setSelectedTab(1);
  form.chkTray.setFocus();
  EXPECT_EQ(::GetFocus(), Child(form.chkTray));
  // The page with the focused control goes: the focus stays with the strip.
  form.tabMain.setSelectedTab(0);
  EXPECT_EQ(::GetFocus(), Child(form.tabMain));

  BYTE keys[256] = {};
  ASSERT_TRUE(::GetKeyboardState(keys));
  BYTE pressed[256];
  std::copy(std::begin(keys), std::end(keys), std::begin(pressed));
  pressed[VK_CONTROL] = 0x80;
  ::SetKeyboardState(pressed);
  ::PostMessageW(::GetFocus(), WM_KEYDOWN, VK_TAB, 0);
  loop.DoEvents();
  ::SetKeyboardState(keys);
  EXPECT_EQ(Join(form.tabMain.selectedTab(), TabCtrl_GetCurSel(Child(form.tabMain)), Shown(form.chkTray)),
            "1 1 1");
}

TEST_F(RendererTest, BringToFrontMakesTheFormTheForegroundWindow) {
  form.Show();
  ASSERT_TRUE(PumpUntil([&] { return ::GetForegroundWindow() == Window(); }));
  const win32_test::TestWindow other(L"In front");
  ::SetForegroundWindow(other.hwnd());
  ASSERT_TRUE(PumpUntil([&] { return ::GetForegroundWindow() == other.hwnd(); }));
  form.BringToFront();
  EXPECT_TRUE(PumpUntil([&] { return ::GetForegroundWindow() == Window(); }));
}

// ---- Closing, unloading, failures and private messages ----------------------------------

TEST_F(RendererTest, TheCloseBoxAsksTheFormAndAnEndingSessionUnloadsIt) {
  std::vector<ui::UnloadReason> asked;
  bool keep = true;
  form.on_query_unload = [&](ui::UnloadRequest& request) {
    asked.push_back(request.reason);
    request.cancel = keep;
  };
  form.Show();
  const HWND window = Window();
  Send(window, WM_CLOSE);
  EXPECT_TRUE(::IsWindowVisible(window)) << "the form stayed";
  // Alt+F4 and the close box come as SC_CLOSE, which becomes WM_CLOSE.
  Send(window, WM_SYSCOMMAND, SC_CLOSE);
  EXPECT_TRUE(::IsWindow(window));

  // Sent by another program while the session goes on: ignored.
  host.session_ending = [] { return false; };
  EXPECT_EQ(Send(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
  Send(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
  EXPECT_TRUE(::IsWindow(window)) << "a forged end of the session closes nothing";

  // The session ends whatever the form answers.
  host.session_ending = [] { return true; };
  EXPECT_EQ(Send(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
  EXPECT_TRUE(form.loaded());
  Send(window, WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF);
  EXPECT_TRUE(form.loaded()) << "the session goes on";
  Send(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
  EXPECT_FALSE(::IsWindow(window));
  EXPECT_EQ(asked, (std::vector<ui::UnloadReason>{ui::UnloadReason::kUserClose, ui::UnloadReason::kUserClose,
                                                  ui::UnloadReason::kWindowsEnding}));

  keep = false;
  form.Show();
  Send(Window(), WM_CLOSE);
  EXPECT_FALSE(form.loaded());
}

TEST_F(RendererTest, UnloadDestroysTheWindowEvenFromTheFormsOwnHandler) {
  form.Show();
  HWND window = Window();
  form.txtPass.setText("changed");
  form.lstTasks.addItem("row", true);
  form.Unload();
  EXPECT_FALSE(::IsWindow(window));
  EXPECT_EQ(Window(), nullptr);
  EXPECT_EQ(form.window(), platform::kNoWindow);
  // The reset to the design state raised nothing through the old controls,
  // and the new ones start from it.
  EXPECT_EQ(events["txtPass"], 1);
  form.Show();
  EXPECT_EQ(Join(TextOf(Child(form.txtPass)), ListView_GetItemCount(Child(form.lstTasks))), "design 0");

  window = Window();
  form.cmdCancel.on_click = [&] { form.Unload(); };
  Send(Child(form.cmdCancel), BM_CLICK);
  EXPECT_FALSE(::IsWindow(window));
  form.Show();
  EXPECT_TRUE(::IsWindowVisible(Window()));
}

TEST_F(RendererTest, AnEscapingHandlerFailureGoesToTheHandler) {
  std::string failure;
  host.set_unhandled_error_handler([&](const std::string& description) { failure = description; });
  form.cmdOK.on_click = [] { throw std::runtime_error("Invalid procedure call"); };
  form.Show();
  Send(Child(form.cmdOK), BM_CLICK);
  EXPECT_EQ(failure, "Invalid procedure call");
}

TEST_F(RendererTest, PrivateMessagesReachTheForm) {
  std::vector<std::string> received;
  form.on_message = [&](std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) {
    received.push_back(Join(message - WM_APP, wparam, lparam));
  };
  form.Load();
  ::PostMessageW(Window(), WM_APP + 1, 7, WM_LBUTTONDBLCLK);
  ::PostMessageW(Window(), WM_USER + 1, 0, 0);  // below WM_APP: not the form's
  ASSERT_TRUE(PumpUntil([&] { return !received.empty(); }));
  loop.DoEvents();
  EXPECT_EQ(received, (std::vector<std::string>{Join(1, 7, WM_LBUTTONDBLCLK)}));
}

// ---- Painting ---------------------------------------------------------------------------

TEST_F(RendererTest, ControlsOnATabPageLieAboveItInThePagesColour) {
  form.Show();
  form.lstTasks.addItem("Untitled - Notepad", true);
  const HWND window = Window();
  const HWND tabs = Child(form.tabMain);
  EXPECT_NE(StyleOf(tabs) & WS_CLIPSIBLINGS, 0);
  // What the user clicks in the middle of a member is the member, not the
  // container under it.
  const auto hit = [&](const ui::Control& member) {
    const RECT rect = RectIn(Child(member), window);
    const POINT centre{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    return ::ChildWindowFromPointEx(window, centre, CWP_SKIPINVISIBLE) == Child(member);
  };
  EXPECT_EQ(Join(hit(form.lstNames), hit(form.lstTasks), hit(form.lblTaskCount)), "1 1 1");
  form.tabMain.setSelectedTab(1);
  EXPECT_TRUE(hit(form.chkTaskManager)) << "above its frame";
  Paint();

  // The page's own colour, in a corner no control covers, against the form's.
  RECT page = ClientRectOf(tabs);
  TabCtrl_AdjustRect(tabs, FALSE, &page);
  const COLORREF page_color = PixelAt(tabs, page.right - 3, page.bottom - 3);
  const COLORREF form_color = PixelAt(window, 2, 2);
  EXPECT_EQ(form_color, RGB(0xFF, 0xF0, 0xE0));
  // Themed, the page has a colour of its own (white on Windows 10 and in
  // Wine's light theme); in the classic look it takes the form's.
  // Backgrounds of controls on the page, right of their short captions.
  const auto background = [&](const ui::Control& control) {
    const RECT rect = ClientRectOf(Child(control));
    return PixelAt(Child(control), rect.right - 3, rect.bottom / 2);
  };
  EXPECT_EQ(background(form.chkTray), page_color);
  EXPECT_EQ(background(form.lblHelp), page_color);
  // In a group box the inside of the box, as the theme paints it.
  const HWND lock = Child(form.fraLock);
  const RECT lock_rect = ClientRectOf(lock);
  EXPECT_EQ(background(form.chkTaskManager), PixelAt(lock, 5, lock_rect.bottom - 5));
  // Nothing stale stays inside the group box, which paints only its frame:
  // it is erased again whenever it is painted.
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
  form.tabMain.setSelectedTab(0);
  Paint();
  EXPECT_EQ(background(form.lblTaskCount), page_color);

  // Off the page the form's colour stays. The button strip has no box, only
  // a line along its top in its colour.
  const HWND strip = Child(form.fraButtons);
  const LONG middle = ClientRectOf(strip).right / 2;
  EXPECT_EQ(Join(PixelAt(strip, 2, 4), PixelAt(strip, middle, 0), PixelAt(strip, middle, 2)),
            Join(form_color, RGB(0xA0, 0xA0, 0xA0), form_color));
}

TEST_F(RendererTest, LinkLabels) {
  form.Show();
  form.tabMain.setSelectedTab(1);
  const HWND help = Child(form.lblHelp);
  EXPECT_EQ(Join(FontOf(help).lfUnderline, FontOf(Child(form.chkTray)).lfUnderline), "1 0");
  // The hand over a link, the arrow over plain text.
  Send(help, WM_SETCURSOR, reinterpret_cast<WPARAM>(help), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, IDC_HAND));
  Send(Window(), WM_SETCURSOR, reinterpret_cast<WPARAM>(Window()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, IDC_ARROW));
  // A form whose controls have no tool tips has no tooltip control.
  EXPECT_EQ(host.ToolTipWindow(form), nullptr);
}

TEST_F(LabelRendererTest, ToolTipsAndLabelsThatAlignWrapAndLetWhatIsUnderThemShow) {
  form.Show();
  const HWND tips = host.ToolTipWindow(form);
  ASSERT_NE(tips, nullptr);
  EXPECT_EQ(Send(tips, TTM_GETTOOLCOUNT), 2);
  wchar_t text[128] = {};
  TOOLINFOW tool{};
  tool.cbSize = sizeof(tool);
  tool.hwnd = Window();
  tool.uId = reinterpret_cast<UINT_PTR>(Child(form.lblWrap));
  tool.lpszText = text;
  Send(tips, TTM_GETTEXTW, 128, reinterpret_cast<LPARAM>(&tool));
  EXPECT_EQ(FromWide(text), "Wraps at word breaks");

  Paint();
  const HWND right = Child(form.lblRight);
  const RECT right_rect = ClientRectOf(right);
  EXPECT_EQ(InkIn(right, RECT{0, 0, right_rect.right / 2, right_rect.bottom}), 0);
  EXPECT_GT(InkIn(right, RECT{right_rect.right / 2, 0, right_rect.right, right_rect.bottom}), 0);

  // The second line of a long caption: there when it wraps, not when not.
  const HWND wrap = Child(form.lblWrap);
  const HWND no_wrap = Child(form.lblNoWrap);
  const RECT wrap_rect = ClientRectOf(wrap);
  const RECT lower{0, wrap_rect.bottom / 2, wrap_rect.right, wrap_rect.bottom};
  EXPECT_GT(InkIn(wrap, lower), 0);
  EXPECT_EQ(InkIn(no_wrap, lower), 0);
  EXPECT_GT(InkIn(no_wrap, RECT{0, 0, wrap_rect.right, wrap_rect.bottom / 2}), 0);

  // The frame's top line runs under both labels: the transparent one lets
  // it show, the opaque one covers it.
  const auto line_in = [&](const ui::Control& label) {
    POINT at{0, 0};
    ::MapWindowPoints(Child(form.fraLine), Child(label), &at, 1);
    return PixelAt(Child(label), 10, at.y);
  };
  EXPECT_EQ(line_in(form.lblOverLine), RGB(0xFF, 0, 0));
  EXPECT_EQ(line_in(form.lblOpaque), RGB(0xF0, 0xF0, 0xF0));
}

}  // namespace

// The form renderer against real Win32 windows: a form with one control of
// each kind is loaded through Win32FormHost; model changes must reach the
// controls, user actions on the controls must reach the models, and unloading
// must destroy the window so that the next load starts from the design.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>
#include <gtest/gtest.h>

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

// 6000 x 3600 twips: 400 x 240 pixels at 96 dpi.
class TestForm : public ui::Form {
 public:
  explicit TestForm(ui::FormEnvironment env)
      : ui::Form(env, "frmRendererTest", "Renderer test", ui::Bounds{0, 0, 6000, 3600}),
        lblInfo(*this, "lblInfo", ui::Bounds{120, 120, 5640, 255}, "Type a password && pick the tasks:"),
        txtPass(*this, "txtPass", ui::Bounds{120, 420, 2760, 315}, "design"),
        chkKeep(*this, "chkKeep", ui::Bounds{3060, 450, 2700, 255}, "Keep &locked"),
        lstNames(*this, "lstNames", ui::Bounds{120, 900, 2760, 1560}),
        lstTasks(*this, "lstTasks", ui::Bounds{3060, 900, 2700, 1560}),
        cmdOK(*this, "cmdOK", ui::Bounds{3240, 2640, 1215, 375}, "OK"),
        cmdCancel(*this, "cmdCancel", ui::Bounds{4545, 2640, 1215, 375}, "Cancel"),
        tmrTick(*this, "tmrTick", 20, true) {
    txtPass.password_char = '*';
    txtPass.max_length = 12;
    cmdOK.is_default = true;
    cmdCancel.is_cancel = true;
    icon = "IDI_PROGRAM";
  }

  ui::Label lblInfo;
  ui::TextBox txtPass;
  ui::CheckBox chkKeep;
  ui::ListBox lstNames;
  ui::CheckListBox lstTasks;
  ui::Button cmdOK;
  ui::Button cmdCancel;
  ui::Timer tmrTick;
};

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

LONG_PTR StyleOf(HWND hwnd) {
  return ::GetWindowLongPtrW(hwnd, GWL_STYLE);
}

std::vector<std::string> ListBoxRows(HWND list) {
  std::vector<std::string> rows;
  const auto count = static_cast<int>(::SendMessageW(list, LB_GETCOUNT, 0, 0));
  for (int row = 0; row < count; ++row) {
    wchar_t text[256] = {};
    ::SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(text));
    rows.push_back(FromWide(text));
  }
  return rows;
}

// Each row of a list view as "text" or "[x] text" when it is checked.
std::vector<std::string> ListViewRows(HWND list) {
  std::vector<std::string> rows;
  const int count = ListView_GetItemCount(list);
  for (int row = 0; row < count; ++row) {
    wchar_t text[256] = {};
    ListView_GetItemText(list, row, 0, text, 256);
    rows.push_back((ListView_GetCheckState(list, row) == 1 ? "[x] " : "") + FromWide(text));
  }
  return rows;
}

class RendererTest : public ::testing::Test {
 protected:
  RendererTest() {
    loop.message_filter = [this](MSG& message) { return host.PreTranslateMessage(message); };
    form.cmdOK.on_click = [this] { ++ok_clicks; };
    form.cmdCancel.on_click = [this] { ++cancel_clicks; };
    form.chkKeep.on_click = [this] { ++keep_clicks; };
    form.txtPass.on_change = [this] { ++text_changes; };
    form.lstNames.on_click = [this] { ++name_clicks; };
    form.lstTasks.on_item_check = [this](int row) { checked_rows.push_back(row); };
    form.on_activate = [this] { ++activations; };
  }

  bool PumpUntil(const std::function<bool()>& done) {
    return win32_test::PumpUntil(done, [this] { loop.DoEvents(); });
  }
  HWND Window() const { return host.WindowOf(form); }
  HWND Child(const ui::Control& control) const { return host.ControlWindow(control); }

  Win32EventLoop loop;
  Win32FormHost host{::GetModuleHandleW(nullptr)};
  TestForm form{ui::FormEnvironment{loop, host}};
  int ok_clicks = 0;
  int cancel_clicks = 0;
  int keep_clicks = 0;
  int text_changes = 0;
  int name_clicks = 0;
  int activations = 0;
  std::vector<int> checked_rows;
};

// ---- Creation ---------------------------------------------------------------------

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
  EXPECT_NE(::GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);

  struct Expected {
    const ui::Control& control;
    const char* window_class;
    bool tab_stop;
  };
  const Expected expected[] = {
      {form.lblInfo, "Static", false},  {form.txtPass, "Edit", true},        {form.chkKeep, "Button", true},
      {form.lstNames, "ListBox", true}, {form.lstTasks, WC_LISTVIEWA, true}, {form.cmdOK, "Button", true},
      {form.cmdCancel, "Button", true},
  };
  int id = 1000;
  for (const Expected& entry : expected) {
    SCOPED_TRACE(entry.control.name());
    const HWND child = Child(entry.control);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(::GetParent(child), window);
    EXPECT_STRCASEEQ(ClassOf(child).c_str(), entry.window_class);
    EXPECT_EQ(::GetDlgCtrlID(child), id++);
    EXPECT_EQ((StyleOf(child) & WS_TABSTOP) != 0, entry.tab_stop);
    EXPECT_NE(::SendMessageW(child, WM_GETFONT, 0, 0), 0);
  }
  EXPECT_EQ(Child(form.tmrTick), nullptr);
  EXPECT_TRUE(form.tmrTick.running());

  EXPECT_EQ(TextOf(Child(form.txtPass)), "design");
  EXPECT_EQ(::SendMessageW(Child(form.txtPass), EM_GETPASSWORDCHAR, 0, 0), '*');
  EXPECT_EQ(::SendMessageW(Child(form.txtPass), EM_GETLIMITTEXT, 0, 0), 12);
  // The check box never toggles itself: its value comes from the model.
  EXPECT_EQ(StyleOf(Child(form.chkKeep)) & BS_TYPEMASK, BS_CHECKBOX);
  EXPECT_EQ(StyleOf(Child(form.cmdOK)) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
  EXPECT_EQ(StyleOf(Child(form.cmdCancel)) & BS_TYPEMASK, BS_PUSHBUTTON);
  EXPECT_NE(ListView_GetExtendedListViewStyle(Child(form.lstTasks)) & LVS_EX_CHECKBOXES, 0U);
  EXPECT_NE(::SendMessageW(window, WM_GETICON, ICON_BIG, 0), 0);
  EXPECT_NE(::SendMessageW(window, WM_GETICON, ICON_SMALL, 0), 0);

  LOGFONTW font{};
  ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(Child(form.lblInfo), WM_GETFONT, 0, 0)), sizeof(font),
               &font);
  EXPECT_EQ(FromWide(font.lfFaceName), "Verdana");
  EXPECT_EQ(font.lfHeight, -::MulDiv(825, static_cast<int>(::GetDpiForWindow(window)), 7200));
}

TEST_F(RendererTest, TwipsBecomePixelsByTheWindowsDpiAndTheFormIsCentred) {
  form.Load();
  const HWND window = Window();
  const auto dpi = static_cast<int>(::GetDpiForWindow(window));
  const auto pixels = [dpi](int twips) { return ::MulDiv(twips, dpi, 1440); };

  // The designed size is the client area; the border and caption come on top.
  RECT client{};
  ::GetClientRect(window, &client);
  EXPECT_EQ(client.right, pixels(6000));
  EXPECT_EQ(client.bottom, pixels(3600));
  RECT outer{};
  ::GetWindowRect(window, &outer);
  EXPECT_GT(outer.bottom - outer.top, client.bottom) << "a caption";
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  ::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor);
  EXPECT_NEAR(outer.left - monitor.rcWork.left, monitor.rcWork.right - outer.right, 1);
  EXPECT_NEAR(outer.top - monitor.rcWork.top, monitor.rcWork.bottom - outer.bottom, 1);
  // The model knows where the centred form went.
  EXPECT_EQ(pixels(form.bounds().left), outer.left);

  // Controls sit in the client area at their designed place.
  RECT button{};
  ::GetWindowRect(Child(form.cmdOK), &button);
  ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&button), 2);
  EXPECT_EQ(button.left, pixels(3240));
  EXPECT_EQ(button.top, pixels(2640));
  EXPECT_EQ(button.right - button.left, pixels(1215));
  EXPECT_EQ(button.bottom - button.top, pixels(375));

  form.cmdOK.setBounds(ui::Bounds{1440, 1440, 1440, 720});
  ::GetWindowRect(Child(form.cmdOK), &button);
  ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&button), 2);
  EXPECT_EQ(button.left, dpi);
  EXPECT_EQ(button.right - button.left, dpi);
  EXPECT_EQ(button.bottom - button.top, dpi / 2);

  // A new size from the model is a new client area too.
  form.setBounds(ui::Bounds{1440, 1440, 4320, 2880});
  ::GetClientRect(window, &client);
  EXPECT_EQ(client.right, 3 * dpi);
  EXPECT_EQ(client.bottom, 2 * dpi);
  ::GetWindowRect(window, &outer);
  EXPECT_EQ(outer.left, dpi);
  EXPECT_EQ(outer.top, dpi);
}

TEST_F(RendererTest, ADpiChangeRescalesTheControlsAndTheFont) {
  form.Load();
  const HWND window = Window();
  const HWND button = Child(form.cmdOK);
  RECT suggested{100, 100, 100 + 800, 100 + 480};
  ::SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));

  RECT rect{};
  ::GetWindowRect(button, &rect);
  EXPECT_EQ(rect.right - rect.left, ::MulDiv(1215, 192, 1440));
  ::GetWindowRect(window, &rect);
  EXPECT_EQ(rect.left, 100);
  EXPECT_EQ(rect.right - rect.left, 800);
  LOGFONTW font{};
  ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(button, WM_GETFONT, 0, 0)), sizeof(font), &font);
  EXPECT_EQ(font.lfHeight, -::MulDiv(825, 192, 7200));
  // Later model changes use the new DPI too.
  form.cmdOK.setBounds(ui::Bounds{0, 0, 1440, 1440});
  ::GetWindowRect(button, &rect);
  EXPECT_EQ(rect.right - rect.left, 192);

  // The size Windows asks for at a new DPI keeps the designed client area.
  SIZE scaled{};
  ASSERT_TRUE(::SendMessageW(window, WM_GETDPISCALEDSIZE, 144, reinterpret_cast<LPARAM>(&scaled)));
  RECT expected{0, 0, ::MulDiv(6000, 144, 1440), ::MulDiv(3600, 144, 1440)};
  ::AdjustWindowRectExForDpi(&expected, static_cast<DWORD>(StyleOf(window)), FALSE,
                             static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_EXSTYLE)), 144);
  EXPECT_EQ(scaled.cx, expected.right - expected.left);
  EXPECT_EQ(scaled.cy, expected.bottom - expected.top);
}

// ---- Model to control ------------------------------------------------------------

TEST_F(RendererTest, ModelChangesReachTheControls) {
  form.Load();
  const HWND window = Window();
  form.setCaption("Кестров — caption");
  EXPECT_EQ(TextOf(window), "Кестров — caption");
  form.lblInfo.setCaption("Tasks Locked: 3");
  EXPECT_EQ(TextOf(Child(form.lblInfo)), "Tasks Locked: 3");
  form.cmdOK.setCaption("&Apply");
  EXPECT_EQ(TextOf(Child(form.cmdOK)), "&Apply");
  form.txtPass.setText("secret");
  EXPECT_EQ(TextOf(Child(form.txtPass)), "secret");
  // One change, and none more through the control echoing it back.
  EXPECT_EQ(text_changes, 1);

  form.chkKeep.setChecked(true);
  EXPECT_EQ(::SendMessageW(Child(form.chkKeep), BM_GETCHECK, 0, 0), BST_CHECKED);
  form.chkKeep.setChecked(false);
  EXPECT_EQ(::SendMessageW(Child(form.chkKeep), BM_GETCHECK, 0, 0), BST_UNCHECKED);

  form.cmdCancel.setVisible(false);
  EXPECT_EQ(StyleOf(Child(form.cmdCancel)) & WS_VISIBLE, 0);
  form.cmdCancel.setVisible(true);
  EXPECT_NE(StyleOf(Child(form.cmdCancel)) & WS_VISIBLE, 0);
  form.txtPass.setEnabled(false);
  EXPECT_FALSE(::IsWindowEnabled(Child(form.txtPass)));
  form.txtPass.setEnabled(true);
  EXPECT_TRUE(::IsWindowEnabled(Child(form.txtPass)));

  form.setTopmost(true);
  EXPECT_NE(::GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  form.setTopmost(false);
  EXPECT_EQ(::GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  form.setEnabled(false);
  EXPECT_FALSE(::IsWindowEnabled(window));
  form.setEnabled(true);
  EXPECT_TRUE(::IsWindowEnabled(window));
}

TEST_F(RendererTest, ListRowsFollowTheModel) {
  form.Load();
  const HWND names = Child(form.lstNames);
  form.lstNames.addItem("notepad");
  form.lstNames.addItem("regedit");
  form.lstNames.addItem("Диспетчер задач");
  form.lstNames.setListIndex(2);
  EXPECT_EQ(ListBoxRows(names), (std::vector<std::string>{"notepad", "regedit", "Диспетчер задач"}));
  EXPECT_EQ(::SendMessageW(names, LB_GETCURSEL, 0, 0), 2);
  // Removing the current row leaves no current row.
  form.lstNames.removeItem(2);
  form.lstNames.removeItem(0);
  EXPECT_EQ(ListBoxRows(names), (std::vector<std::string>{"regedit"}));
  EXPECT_EQ(::SendMessageW(names, LB_GETCURSEL, 0, 0), LB_ERR);
  form.lstNames.clear();
  EXPECT_TRUE(ListBoxRows(names).empty());

  const HWND tasks = Child(form.lstTasks);
  form.lstTasks.addItem("Untitled - Notepad", true);
  form.lstTasks.addItem("Registry Editor");
  form.lstTasks.addItem("Task Manager", true);
  EXPECT_EQ(ListViewRows(tasks),
            (std::vector<std::string>{"[x] Untitled - Notepad", "Registry Editor", "[x] Task Manager"}));
  form.lstTasks.setSelected(1, true);
  form.lstTasks.setSelected(0, false);
  form.lstTasks.removeItem(2);
  EXPECT_EQ(ListViewRows(tasks), (std::vector<std::string>{"Untitled - Notepad", "[x] Registry Editor"}));
  form.lstTasks.setListIndex(1);
  EXPECT_EQ(ListView_GetNextItem(tasks, -1, LVNI_SELECTED), 1);
  form.lstTasks.clear();
  EXPECT_EQ(ListView_GetItemCount(tasks), 0);
  // No check the renderer made came back as a user's tick.
  EXPECT_EQ(checked_rows, (std::vector<int>{1, 0}));
}

// ---- Control to model ------------------------------------------------------------

TEST_F(RendererTest, UserActionsReachTheModels) {
  form.Show();
  ::SendMessageW(Child(form.cmdOK), BM_CLICK, 0, 0);
  EXPECT_EQ(ok_clicks, 1);

  ::SendMessageW(Child(form.chkKeep), BM_CLICK, 0, 0);
  EXPECT_TRUE(form.chkKeep.checked());
  EXPECT_EQ(::SendMessageW(Child(form.chkKeep), BM_GETCHECK, 0, 0), BST_CHECKED);
  ::SendMessageW(Child(form.chkKeep), BM_CLICK, 0, 0);
  EXPECT_FALSE(form.chkKeep.checked());
  EXPECT_EQ(::SendMessageW(Child(form.chkKeep), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(keep_clicks, 2);

  ::SendMessageW(Child(form.txtPass), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"typed ключ"));
  EXPECT_EQ(form.txtPass.text(), "typed ключ");
  EXPECT_EQ(text_changes, 1);
  // Past max_length: the model cuts it and the control shows the cut text.
  ::SendMessageW(Child(form.txtPass), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"0123456789abcdef"));
  EXPECT_EQ(form.txtPass.text(), "0123456789ab");
  EXPECT_EQ(TextOf(Child(form.txtPass)), "0123456789ab");

  form.lstNames.addItem("one");
  form.lstNames.addItem("two");
  const HWND names = Child(form.lstNames);
  ::SetFocus(names);
  ::SendMessageW(names, WM_KEYDOWN, VK_DOWN, 0);
  ::SendMessageW(names, WM_KEYDOWN, VK_DOWN, 0);
  EXPECT_EQ(form.lstNames.listIndex(), 1);
  EXPECT_EQ(name_clicks, 2);

  form.lstTasks.addItem("first");
  form.lstTasks.addItem("second");
  const HWND tasks = Child(form.lstTasks);
  ListView_SetCheckState(tasks, 1, TRUE);
  EXPECT_TRUE(form.lstTasks.selected(1));
  EXPECT_FALSE(form.lstTasks.selected(0));
  ListView_SetCheckState(tasks, 1, FALSE);
  EXPECT_FALSE(form.lstTasks.selected(1));
  EXPECT_EQ(checked_rows, (std::vector<int>{1, 1}));
  ListView_SetItemState(tasks, 0, LVIS_SELECTED, LVIS_SELECTED);
  EXPECT_EQ(form.lstTasks.listIndex(), 0);

  // A disabled button's click is not the model's.
  form.cmdOK.setEnabled(false);
  ::SendMessageW(Child(form.cmdOK), BM_CLICK, 0, 0);
  EXPECT_EQ(ok_clicks, 1);
}

TEST_F(RendererTest, ShowingActivatesAndTheKeyboardNavigates) {
  form.Show();
  const HWND window = Window();
  EXPECT_TRUE(::IsWindowVisible(window));
  ASSERT_TRUE(PumpUntil([&] { return activations > 0; }));
  // Activation puts the focus on the first control in tab order.
  EXPECT_EQ(::GetFocus(), Child(form.txtPass));

  // Keys go through the event loop's filter, as the program's loop sends them.
  const auto press = [&](HWND target, WPARAM key) {
    ::PostMessageW(target, WM_KEYDOWN, key, 0);
    ::PostMessageW(target, WM_KEYUP, key, 0xC0000000);
    loop.DoEvents();
  };
  press(Child(form.txtPass), VK_TAB);
  EXPECT_EQ(::GetFocus(), Child(form.chkKeep));
  press(::GetFocus(), VK_RETURN);
  EXPECT_EQ(ok_clicks, 1);
  press(::GetFocus(), VK_ESCAPE);
  EXPECT_EQ(cancel_clicks, 1);
  // Enter on a focused push button presses that button.
  ::SetFocus(Child(form.cmdCancel));
  press(::GetFocus(), VK_RETURN);
  EXPECT_EQ(cancel_clicks, 2);
  EXPECT_EQ(ok_clicks, 1);
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

// ---- Unloading ---------------------------------------------------------------------

TEST_F(RendererTest, UnloadDestroysTheWindowAndTheNextLoadStartsFromTheDesign) {
  form.Show();
  const HWND first = Window();
  form.txtPass.setText("changed");
  form.lblInfo.setCaption("changed");
  form.lstTasks.addItem("row", true);
  form.Unload();
  EXPECT_FALSE(::IsWindow(first));
  EXPECT_EQ(Window(), nullptr);
  EXPECT_EQ(form.window(), platform::kNoWindow);
  EXPECT_FALSE(form.tmrTick.running());

  form.Load();
  ASSERT_NE(Window(), nullptr);
  EXPECT_FALSE(::IsWindowVisible(Window()));
  EXPECT_EQ(TextOf(Child(form.txtPass)), "design");
  EXPECT_EQ(TextOf(Child(form.lblInfo)), "Type a password && pick the tasks:");
  EXPECT_EQ(ListView_GetItemCount(Child(form.lstTasks)), 0);
  // The reset to the design state raised nothing through the old controls.
  EXPECT_EQ(text_changes, 1);
}

TEST_F(RendererTest, TheCloseBoxUnloadsAndAHandlerMayUnloadItsOwnForm) {
  int unloads = 0;
  form.on_unload = [&] { ++unloads; };
  form.Show();
  ::SendMessageW(Window(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(form.loaded());
  EXPECT_EQ(unloads, 1);

  form.Show();
  const HWND window = Window();
  form.cmdCancel.on_click = [&] { form.Unload(); };
  ::SendMessageW(Child(form.cmdCancel), BM_CLICK, 0, 0);
  EXPECT_FALSE(::IsWindow(window));
  EXPECT_EQ(unloads, 2);
  form.Show();
  EXPECT_TRUE(::IsWindowVisible(Window()));
}

TEST_F(RendererTest, AnEscapingHandlerFailureGoesToTheHandler) {
  std::string failure;
  host.set_unhandled_error_handler([&](const std::string& description) { failure = description; });
  form.cmdOK.on_click = [] { throw std::runtime_error("Invalid procedure call"); };
  form.Show();
  ::SendMessageW(Child(form.cmdOK), BM_CLICK, 0, 0);
  EXPECT_EQ(failure, "Invalid procedure call");
}

// ---- Closing, private messages, focus ------------------------------------------------

TEST_F(RendererTest, AskedToCloseTheFormMayStayAndAnEndingSessionUnloadsIt) {
  std::vector<ui::UnloadReason> asked;
  bool keep = true;
  form.on_query_unload = [&](ui::UnloadRequest& request) {
    asked.push_back(request.reason);
    request.cancel = keep;
  };
  form.Show();
  const HWND window = Window();
  ::SendMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_TRUE(::IsWindow(window));
  EXPECT_TRUE(::IsWindowVisible(window));
  EXPECT_TRUE(form.loaded());
  // Alt+F4 and the close box come as SC_CLOSE, which becomes WM_CLOSE.
  ::SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_TRUE(::IsWindow(window));

  // The session ends whatever the form answers.
  EXPECT_EQ(::SendMessageW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
  EXPECT_TRUE(form.loaded());
  ::SendMessageW(window, WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF);
  EXPECT_TRUE(form.loaded()) << "the session goes on";
  ::SendMessageW(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
  EXPECT_FALSE(form.loaded());
  EXPECT_FALSE(::IsWindow(window));
  EXPECT_EQ(asked, (std::vector<ui::UnloadReason>{ui::UnloadReason::kUserClose, ui::UnloadReason::kUserClose,
                                                  ui::UnloadReason::kWindowsEnding}));

  keep = false;
  form.Show();
  ::SendMessageW(Window(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(form.loaded());
}

TEST_F(RendererTest, PrivateMessagesReachTheForm) {
  struct Received {
    std::uint32_t message;
    std::uintptr_t wparam;
    std::intptr_t lparam;
  };
  std::vector<Received> received;
  form.on_message = [&](std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) {
    received.push_back(Received{message, wparam, lparam});
  };
  form.Load();
  ::PostMessageW(Window(), WM_APP + 1, 7, WM_LBUTTONDBLCLK);
  ::PostMessageW(Window(), WM_USER + 1, 0, 0);  // below WM_APP: not the form's
  ASSERT_TRUE(PumpUntil([&] { return !received.empty(); }));
  loop.DoEvents();
  ASSERT_EQ(received.size(), 1U);
  EXPECT_EQ(received[0].message, static_cast<std::uint32_t>(WM_APP + 1));
  EXPECT_EQ(received[0].wparam, 7U);
  EXPECT_EQ(received[0].lparam, WM_LBUTTONDBLCLK);
}

TEST_F(RendererTest, TheFocusGoesWhereItWasAskedFor) {
  // Asked before the window exists: met when the form is shown.
  form.cmdCancel.setFocus();
  form.Show();
  ASSERT_TRUE(PumpUntil([&] { return activations > 0; }));
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

TEST_F(RendererTest, BringToFrontMakesTheFormTheForegroundWindow) {
  form.Show();
  ASSERT_TRUE(PumpUntil([&] { return ::GetForegroundWindow() == Window(); }));
  const win32_test::TestWindow other(L"In front");
  ::SetForegroundWindow(other.hwnd());
  ASSERT_TRUE(PumpUntil([&] { return ::GetForegroundWindow() == other.hwnd(); }));
  form.BringToFront();
  EXPECT_TRUE(PumpUntil([&] { return ::GetForegroundWindow() == Window(); }));
}

// ---- Tab strips, frames, images, progress bars, labels -------------------------------

// A client area of 5760 x 4830 twips (384 x 322 pixels at 96 dpi): a tab
// strip with two pages, a frame on the second, and a button strip below.
class TabbedForm : public ui::Form {
 public:
  static constexpr std::uint32_t kLineColor = 0xA0A0A0;

  explicit TabbedForm(ui::FormEnvironment env)
      : ui::Form(env, "frmTabbed", "Kestrove Pro", ui::Bounds{0, 0, 5760, 4830}),
        tabMain(*this, "tabMain", ui::Bounds{120, 120, 5520, 3720}, {"Tasks", "Settings"}),
        lblSelectTask(*this, "lblSelectTask", ui::Bounds{300, 540, 5160, 255}, "Select a task to lock:"),
        lstTasks(*this, "lstTasks", ui::Bounds{300, 840, 5160, 2280}),
        lblTaskCount(*this, "lblTaskCount", ui::Bounds{300, 3300, 5160, 255}, "Tasks Locked: 2"),
        chkTray(*this, "chkTray", ui::Bounds{300, 540, 5160, 255}, "No Tray Icon"),
        fraLock(*this, "fraLock", ui::Bounds{300, 900, 5160, 1260}, "Lock"),
        chkTaskManager(*this, "chkTaskManager", ui::Bounds{480, 1200, 4800, 255}, "Task Manager"),
        chkRegistry(*this, "chkRegistry", ui::Bounds{480, 1560, 4800, 255}, "Registry Editing Tools"),
        txtFolder(*this, "txtFolder", ui::Bounds{300, 2400, 5160, 315}, "C:\\Program Files\\Kestrove Pro"),
        lblHelp(*this, "lblHelp", ui::Bounds{300, 2940, 5160, 255}, "Help on these settings"),
        fraButtons(*this, "fraButtons", ui::Bounds{0, 3960, 5760, 870}),
        imgLock(*this, "imgLock", ui::Bounds{240, 4140, 480, 480}, "IDI_PROGRAM"),
        prgWork(*this, "prgWork", ui::Bounds{840, 4260, 1980, 240}),
        cmdOK(*this, "cmdOK", ui::Bounds{3000, 4140, 1215, 375}, "OK"),
        cmdCancel(*this, "cmdCancel", ui::Bounds{4425, 4140, 1215, 375}, "Cancel") {
    lblSelectTask.setContainer(tabMain, 0);
    lstTasks.setContainer(tabMain, 0);
    lblTaskCount.setContainer(tabMain, 0);
    lblTaskCount.alignment = ui::Alignment::kRight;
    chkTray.setContainer(tabMain, 1);
    fraLock.setContainer(tabMain, 1);
    chkTaskManager.setContainer(fraLock);
    chkRegistry.setContainer(fraLock);
    txtFolder.setContainer(tabMain, 1);
    txtFolder.locked = true;
    lblHelp.setContainer(tabMain, 1);
    lblHelp.underline = true;
    lblHelp.setForeColor(ui::kBlue);
    fraButtons.bordered = false;
    fraButtons.top_line_color = kLineColor;
    for (ui::Control* control : {static_cast<ui::Control*>(&imgLock), static_cast<ui::Control*>(&prgWork),
                                 static_cast<ui::Control*>(&cmdOK), static_cast<ui::Control*>(&cmdCancel)}) {
      control->setContainer(fraButtons);
    }
    chkTray.tool_tip = "Runs without an icon in the notification area";
    cmdOK.tool_tip = "Saves the settings";
    cmdOK.is_default = true;
    cmdCancel.is_cancel = true;
    // Not a colour any tab page has, so a control painted in the form's
    // colour on a page shows.
    back_color = 0xFFF0E0;
    icon = "IDI_PROGRAM";
  }

  ui::TabStrip tabMain;
  ui::Label lblSelectTask;
  ui::CheckListBox lstTasks;
  ui::Label lblTaskCount;
  ui::CheckBox chkTray;
  ui::Frame fraLock;
  ui::CheckBox chkTaskManager;
  ui::CheckBox chkRegistry;
  ui::TextBox txtFolder;
  ui::Label lblHelp;
  ui::Frame fraButtons;
  ui::Image imgLock;
  ui::ProgressBar prgWork;
  ui::Button cmdOK;
  ui::Button cmdCancel;
};

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

RECT ClientRectOf(HWND hwnd) {
  RECT rect{};
  ::GetClientRect(hwnd, &rect);
  return rect;
}

POINT CentreIn(HWND child, HWND parent) {
  RECT rect{};
  ::GetWindowRect(child, &rect);
  ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

class TabbedRendererTest : public ::testing::Test {
 protected:
  TabbedRendererTest() {
    loop.message_filter = [this](MSG& message) { return host.PreTranslateMessage(message); };
    form.tabMain.on_click = [this] { ++tab_clicks; };
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
  TabbedForm form{ui::FormEnvironment{loop, host}};
  int tab_clicks = 0;
};

TEST_F(TabbedRendererTest, TheSelectedTabShowsItsPageWhoeverSelectsIt) {
  form.Show();
  const HWND tabs = Child(form.tabMain);
  ASSERT_NE(tabs, nullptr);
  EXPECT_STRCASEEQ(ClassOf(tabs).c_str(), WC_TABCONTROLA);
  ASSERT_EQ(TabCtrl_GetItemCount(tabs), 2);
  wchar_t caption[32] = {};
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = caption;
  item.cchTextMax = 32;
  TabCtrl_GetItem(tabs, 1, &item);
  EXPECT_EQ(FromWide(caption), "Settings");
  EXPECT_EQ(TabCtrl_GetCurSel(tabs), 0);

  const auto expect_page = [&](int page) {
    SCOPED_TRACE("page " + std::to_string(page));
    EXPECT_EQ(Shown(form.lblSelectTask), page == 0);
    EXPECT_EQ(Shown(form.lstTasks), page == 0);
    EXPECT_EQ(Shown(form.chkTray), page == 1);
    EXPECT_EQ(Shown(form.fraLock), page == 1);
    EXPECT_EQ(Shown(form.chkRegistry), page == 1) << "in a frame on the page";
    EXPECT_EQ(Shown(form.txtFolder), page == 1);
    EXPECT_TRUE(Shown(form.cmdOK)) << "not on a page";
  };
  expect_page(0);

  // From the model.
  form.tabMain.setSelectedTab(1);
  EXPECT_EQ(TabCtrl_GetCurSel(tabs), 1);
  expect_page(1);
  EXPECT_EQ(tab_clicks, 1);

  // The user's pick: the control changes its selection and tells the form
  // (TCM_SETCURSEL alone sends no TCN_SELCHANGE).
  TabCtrl_SetCurSel(tabs, 0);
  NMHDR change{tabs, static_cast<UINT_PTR>(::GetDlgCtrlID(tabs)), static_cast<UINT>(TCN_SELCHANGE)};
  ::SendMessageW(Window(), WM_NOTIFY, change.idFrom, reinterpret_cast<LPARAM>(&change));
  EXPECT_EQ(form.tabMain.selectedTab(), 0);
  expect_page(0);
  EXPECT_EQ(tab_clicks, 2);

  // A real click on the second tab.
  RECT second{};
  TabCtrl_GetItemRect(tabs, 1, &second);
  const LPARAM at = MAKELPARAM((second.left + second.right) / 2, (second.top + second.bottom) / 2);
  ::PostMessageW(tabs, WM_LBUTTONDOWN, MK_LBUTTON, at);
  ::PostMessageW(tabs, WM_LBUTTONUP, 0, at);
  ASSERT_TRUE(PumpUntil([&] { return form.tabMain.selectedTab() == 1; }));
  expect_page(1);
  EXPECT_EQ(tab_clicks, 3);

  // A hidden frame hides what it holds; the rest of the page stays.
  form.fraLock.setVisible(false);
  EXPECT_FALSE(Shown(form.chkTaskManager));
  EXPECT_TRUE(Shown(form.chkTray));
  form.fraLock.setVisible(true);
  EXPECT_TRUE(Shown(form.chkTaskManager));
  // So does a hidden tab strip.
  form.tabMain.setVisible(false);
  EXPECT_FALSE(Shown(form.chkTray));
  EXPECT_FALSE(Shown(form.chkTaskManager));
  form.tabMain.setVisible(true);
  EXPECT_TRUE(Shown(form.chkTaskManager));

  // The next load starts on the designed tab.
  form.Unload();
  form.Show();
  EXPECT_EQ(TabCtrl_GetCurSel(Child(form.tabMain)), 0);
  EXPECT_TRUE(Shown(form.lstTasks));
  EXPECT_FALSE(Shown(form.chkTray));
}

TEST_F(TabbedRendererTest, CtrlTabAndHidingTheFocusedControlKeepTheKeyboardUsable) {
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
  EXPECT_EQ(form.tabMain.selectedTab(), 1);
  EXPECT_EQ(TabCtrl_GetCurSel(Child(form.tabMain)), 1);
  EXPECT_TRUE(Shown(form.chkTray));
}

TEST_F(TabbedRendererTest, ControlsOnATabPageLieAboveItInThePagesColour) {
  form.Show();
  form.lstTasks.addItem("Untitled - Notepad", true);
  const HWND window = Window();
  const HWND tabs = Child(form.tabMain);
  EXPECT_NE(StyleOf(tabs) & WS_CLIPSIBLINGS, 0);
  // What the user clicks in the middle of a member is the member, not the
  // tab strip under it.
  for (const ui::Control* member :
       {static_cast<const ui::Control*>(&form.lblSelectTask), static_cast<const ui::Control*>(&form.lstTasks),
        static_cast<const ui::Control*>(&form.lblTaskCount)}) {
    SCOPED_TRACE(member->name());
    EXPECT_EQ(::ChildWindowFromPointEx(window, CentreIn(Child(*member), window), CWP_SKIPINVISIBLE),
              Child(*member));
  }
  form.tabMain.setSelectedTab(1);
  EXPECT_EQ(::ChildWindowFromPointEx(window, CentreIn(Child(form.chkTaskManager), window), CWP_SKIPINVISIBLE),
            Child(form.chkTaskManager))
      << "above its frame";
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
  form.tabMain.setSelectedTab(0);
  Paint();
  EXPECT_EQ(background(form.lblSelectTask), page_color);
  // Off the page the form's colour stays.
  EXPECT_EQ(PixelAt(Child(form.fraButtons), 2, 4), form_color);
}

TEST_F(TabbedRendererTest, FramesImagesProgressBarsAndLockedTextBoxes) {
  form.Show();
  const HWND lock = Child(form.fraLock);
  EXPECT_STRCASEEQ(ClassOf(lock).c_str(), "Button");
  EXPECT_EQ(StyleOf(lock) & BS_TYPEMASK, BS_GROUPBOX);
  EXPECT_EQ(TextOf(lock), "Lock");
  form.fraLock.setCaption("Lock these");
  EXPECT_EQ(TextOf(lock), "Lock these");

  // The button strip: no box, a line along its top in its colour.
  const HWND strip = Child(form.fraButtons);
  Paint();
  const RECT strip_rect = ClientRectOf(strip);
  EXPECT_EQ(PixelAt(strip, strip_rect.right / 2, 0), RGB(0xA0, 0xA0, 0xA0));
  EXPECT_EQ(PixelAt(strip, strip_rect.right / 2, 2), RGB(0xFF, 0xF0, 0xE0));

  const HWND image = Child(form.imgLock);
  const auto dpi = static_cast<int>(::GetDpiForWindow(Window()));
  EXPECT_EQ(StyleOf(image) & SS_TYPEMASK, SS_ICON);
  EXPECT_EQ(ClientRectOf(image).right, ::MulDiv(480, dpi, 1440)) << "the designed size";
  const auto icon = ::SendMessageW(image, STM_GETICON, 0, 0);
  EXPECT_NE(icon, 0);
  form.imgLock.setPicture("IDI_UNLOCKED");
  EXPECT_NE(::SendMessageW(image, STM_GETICON, 0, 0), 0);
  EXPECT_NE(::SendMessageW(image, STM_GETICON, 0, 0), icon);
  int image_clicks = 0;
  form.imgLock.on_click = [&] { ++image_clicks; };
  ::SendMessageW(image, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
  ::SendMessageW(image, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
  EXPECT_EQ(image_clicks, 1);

  const HWND bar = Child(form.prgWork);
  EXPECT_STRCASEEQ(ClassOf(bar).c_str(), PROGRESS_CLASSA);
  form.prgWork.setRange(0, 40);
  form.prgWork.setValue(30);
  EXPECT_EQ(::SendMessageW(bar, PBM_GETRANGE, TRUE, 0), 0);
  EXPECT_EQ(::SendMessageW(bar, PBM_GETRANGE, FALSE, 0), 40);
  EXPECT_EQ(::SendMessageW(bar, PBM_GETPOS, 0, 0), 30);

  form.fraButtons.setVisible(false);
  EXPECT_FALSE(Shown(form.prgWork));
  EXPECT_FALSE(Shown(form.cmdOK));

  // A locked text box takes no typing but looks like one that does.
  form.tabMain.setSelectedTab(1);
  const HWND folder = Child(form.txtFolder);
  EXPECT_NE(StyleOf(folder) & ES_READONLY, 0);
  Paint();
  const RECT folder_rect = ClientRectOf(folder);
  EXPECT_EQ(PixelAt(folder, folder_rect.right - 3, folder_rect.bottom / 2), ::GetSysColor(COLOR_WINDOW));
}

TEST_F(TabbedRendererTest, ToolTipsAndLinkLabels) {
  int help_clicks = 0;
  form.lblHelp.on_click = [&] { ++help_clicks; };
  form.Show();
  const HWND tips = host.ToolTipWindow(form);
  ASSERT_NE(tips, nullptr);
  EXPECT_EQ(::SendMessageW(tips, TTM_GETTOOLCOUNT, 0, 0), 2);
  wchar_t text[128] = {};
  TOOLINFOW tool{};
  tool.cbSize = sizeof(tool);
  tool.hwnd = Window();
  tool.uId = reinterpret_cast<UINT_PTR>(Child(form.chkTray));
  tool.lpszText = text;
  ::SendMessageW(tips, TTM_GETTEXTW, 128, reinterpret_cast<LPARAM>(&tool));
  EXPECT_EQ(FromWide(text), "Runs without an icon in the notification area");

  form.tabMain.setSelectedTab(1);
  const HWND help = Child(form.lblHelp);
  LOGFONTW font{};
  ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(help, WM_GETFONT, 0, 0)), sizeof(font), &font);
  EXPECT_TRUE(font.lfUnderline);
  ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(Child(form.chkTray), WM_GETFONT, 0, 0)), sizeof(font),
               &font);
  EXPECT_FALSE(font.lfUnderline);
  ::SendMessageW(help, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
  ::SendMessageW(help, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
  EXPECT_EQ(help_clicks, 1);
  // The hand over a link, the arrow over plain text.
  ::SendMessageW(help, WM_SETCURSOR, reinterpret_cast<WPARAM>(help), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, IDC_HAND));
  form.tabMain.setSelectedTab(0);
  ::SendMessageW(Window(), WM_SETCURSOR, reinterpret_cast<WPARAM>(Window()),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, IDC_ARROW));

  // A form whose controls have no tool tips has no tooltip control.
  Win32EventLoop other_loop;
  TestForm plain{ui::FormEnvironment{other_loop, host}};
  plain.Load();
  EXPECT_EQ(host.ToolTipWindow(plain), nullptr);
}

// Labels set apart to look at how their text is laid out.
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
  }
  ui::Label lblRight;
  ui::Label lblWrap;
  ui::Label lblNoWrap;
  ui::Frame fraLine;
  ui::Label lblOverLine;
  ui::Label lblOpaque;
};

TEST(LabelRendererTest, LabelsAlignWrapAndLetWhatIsUnderThemShow) {
  Win32EventLoop loop;
  Win32FormHost host{::GetModuleHandleW(nullptr)};
  LabelForm form{ui::FormEnvironment{loop, host}};
  form.Show();
  const HWND window = host.WindowOf(form);
  ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  loop.DoEvents();

  const HWND right = host.ControlWindow(form.lblRight);
  const RECT right_rect = ClientRectOf(right);
  EXPECT_EQ(InkIn(right, RECT{0, 0, right_rect.right / 2, right_rect.bottom}), 0);
  EXPECT_GT(InkIn(right, RECT{right_rect.right / 2, 0, right_rect.right, right_rect.bottom}), 0);

  // The second line of a long caption: there when it wraps, not when not.
  const HWND wrap = host.ControlWindow(form.lblWrap);
  const HWND no_wrap = host.ControlWindow(form.lblNoWrap);
  const RECT wrap_rect = ClientRectOf(wrap);
  const RECT lower{0, wrap_rect.bottom / 2, wrap_rect.right, wrap_rect.bottom};
  EXPECT_GT(InkIn(wrap, lower), 0);
  EXPECT_EQ(InkIn(no_wrap, lower), 0);
  EXPECT_GT(InkIn(no_wrap, RECT{0, 0, wrap_rect.right, wrap_rect.bottom / 2}), 0);

  // The frame's top line runs under both labels: the transparent one lets
  // it show, the opaque one covers it.
  POINT line{0, 0};
  ::MapWindowPoints(host.ControlWindow(form.fraLine), window, &line, 1);
  const auto line_in = [&](HWND label) {
    POINT at = line;
    ::MapWindowPoints(window, label, &at, 1);
    return PixelAt(label, 10, at.y);
  };
  EXPECT_EQ(line_in(host.ControlWindow(form.lblOverLine)), RGB(0xFF, 0, 0));
  EXPECT_EQ(line_in(host.ControlWindow(form.lblOpaque)), RGB(0xF0, 0xF0, 0xF0));
}

// ---- By hand -------------------------------------------------------------------------

// Shows the test form filled in, for a screenshot; not part of the suite.
// Run with --gtest_also_run_disabled_tests --gtest_filter=*Screenshot* and
// KS_SHOT_DONE=<file>: the form stays up until that file exists (60 s at
// most), e.g. while `import -window root` takes the picture.
TEST_F(RendererTest, DISABLED_ShowsTheFormForAScreenshot) {
  form.lstNames.on_click = nullptr;
  form.Show();
  form.lstNames.addItem("Untitled - Notepad");
  form.lstNames.addItem("Registry Editor");
  form.lstNames.setListIndex(1);
  form.lstTasks.addItem("Task Manager", true);
  form.lstTasks.addItem("Windows Explorer");
  form.lstTasks.addItem("Command Prompt", true);
  form.txtPass.setText("password");
  form.chkKeep.setChecked(true);
  form.lblInfo.setForeColor(ui::kRed);
  const char* done = std::getenv("KS_SHOT_DONE");
  ASSERT_NE(done, nullptr);
  const std::wstring done_file = platform::win32::ToWide(done);
  win32_test::PumpUntil([&] { return ::GetFileAttributesW(done_file.c_str()) != INVALID_FILE_ATTRIBUTES; },
                        [this] { loop.DoEvents(); }, std::chrono::seconds(60));
}

// Shows the tabbed form, for a screenshot; not part of the suite. As above,
// with KS_SHOT_TAB=<n> to pick the tab shown.
TEST_F(TabbedRendererTest, DISABLED_ShowsTheTabbedFormForAScreenshot) {
  form.back_color = 0xF0F0F0;
  form.Show();
  form.lstTasks.addItem("Untitled - Notepad", true);
  form.lstTasks.addItem("Registry Editor");
  form.lstTasks.addItem("Windows Task Manager", true);
  form.chkTaskManager.setChecked(true);
  form.prgWork.setValue(60);
  if (const char* tab = std::getenv("KS_SHOT_TAB"); tab != nullptr)
    form.tabMain.setSelectedTab(std::atoi(tab));
  const char* done = std::getenv("KS_SHOT_DONE");
  ASSERT_NE(done, nullptr);
  const std::wstring done_file = platform::win32::ToWide(done);
  win32_test::PumpUntil([&] { return ::GetFileAttributesW(done_file.c_str()) != INVALID_FILE_ATTRIBUTES; },
                        [this] { loop.DoEvents(); }, std::chrono::seconds(60));
}

}  // namespace

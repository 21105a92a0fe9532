// The form renderer against real Win32 windows: a form with one control of
// each kind is loaded through Win32FormHost; model changes must reach the
// controls, user actions on the controls must reach the models, and unloading
// must destroy the window so that the next load starts from the design.
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
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

  // The designed size is the outer size of the window.
  RECT outer{};
  ::GetWindowRect(window, &outer);
  EXPECT_EQ(outer.right - outer.left, pixels(6000));
  EXPECT_EQ(outer.bottom - outer.top, pixels(3600));
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

}  // namespace

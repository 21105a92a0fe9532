// The window thread over the real message queue: the event loop's timers, and the
// form renderer with a control of each kind: model changes reach the controls,
// user actions the models.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <initializer_list>
#include <thread>
#include <utility>
#include <vector>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/win32/win32_event_loop.h"
#include "ui/control.h"
#include "ui/form.h"
#include "ui/win32/win32_form_host.h"
#include "ui/win32/renderer_support.h"
#include "win32/win32_test_support.h"

namespace {

// Password boxes hand their text only to the renderer's own reads.
using ui::win32::TextOf;

using platform::EventLoop;
using platform::win32::FromWide;
using ::testing::StrEq;
using ::testing::ThrowsMessage;
using win32_test::Join;
using win32_test::WindowText;

// A password row, a tab strip with the lists and a group box, a borderless button strip.
class TestForm : public ui::Form {
 public:
  explicit TestForm(ui::FormEnvironment env)
      : ui::Form(env, "frmRendererTest", "Renderer test", ui::Bounds{0, 0, 6000, 4560}) {
    lstNames.setContainer(tabMain, 0);
    lstTasks.setContainer(tabMain, 0);
    chkTray.setContainer(tabMain, 1);
    fraLock.setContainer(tabMain, 1);
    chkTaskManager.setContainer(fraLock);
    for (ui::Control* member : std::initializer_list<ui::Control*>{&imgLock, &cmdOK, &cmdCancel})
      member->setContainer(fraButtons);
    txtPass.password_char = '*';
    txtPass.max_length = 12;
    fraButtons.bordered = false;
    cmdOK.is_default = true;
    cmdCancel.is_cancel = true;
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
  ui::Frame fraButtons{*this, "fraButtons", ui::Bounds{0, 3720, 6000, 840}};
  ui::Image imgLock{*this, "imgLock", ui::Bounds{240, 3900, 480, 480}, "IDI_PROGRAM"};
  ui::Button cmdOK{*this, "cmdOK", ui::Bounds{3240, 3900, 1215, 375}, "OK"};
  ui::Button cmdCancel{*this, "cmdCancel", ui::Bounds{4545, 3900, 1215, 375}, "Cancel"};
};

LRESULT Send(HWND hwnd, UINT message, WPARAM wparam = 0, LPARAM lparam = 0) {
  return ::SendMessageW(hwnd, message, wparam, lparam);
}

// In `parent`'s client coordinates (nullptr: the screen's).
RECT RectIn(HWND hwnd, HWND parent) {
  RECT rect{};
  ::GetWindowRect(hwnd, &rect);
  ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// A list's rows, each followed by "|"; "[x] " marks a checked list view row.
std::string RowsOf(HWND list) {
  std::string rows;
  const bool list_box = WindowText(list, ::GetClassNameW) == "ListBox";
  for (int row = 0; row < (list_box ? Send(list, LB_GETCOUNT) : ListView_GetItemCount(list)); ++row) {
    wchar_t text[256] = {};
    if (list_box) Send(list, LB_GETTEXT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(text));
    if (!list_box) ListView_GetItemText(list, row, 0, text, 256);
    rows += (!list_box && ListView_GetCheckState(list, row) == 1 ? "[x] " : "") + FromWide(text) + "|";
  }
  return rows;
}

// The test form rendered by its own host, the loop's keyboard filter set as the program sets it.
class WindowThreadTest : public ::testing::Test {
 protected:
  WindowThreadTest() {
    loop.message_filter = [this](MSG& message) { return host.PreTranslateMessage(message); };
    for (const auto& [event, name] :
         {std::pair(&form.cmdOK.on_click, "OK"), std::pair(&form.cmdCancel.on_click, "Cancel"),
          std::pair(&form.chkKeep.on_click, "keep"), std::pair(&form.txtPass.on_change, "pass"),
          std::pair(&form.lstNames.on_click, "names"), std::pair(&form.tabMain.on_click, "tab"),
          std::pair(&form.on_activate, "activate")})
      *event = [this, name = std::string(name)] { log += name + " "; };
    for (const auto& [event, name] :
         {std::pair(&form.lstTasks.on_item_check, "check"), std::pair(&form.lstTasks.on_key_down, "key"),
          std::pair(&form.lstTasks.on_mouse_down, "button")})
      *event = [this, name = std::string(name)](int what) { log += name + std::to_string(what) + " "; };
  }

  bool PumpUntil(const std::function<bool()>& done) {
    return win32_test::PumpUntil(done, [this] { loop.DoEvents(); });
  }
  std::string TakeLog() { return std::exchange(log, ""); }
  static LONG_PTR StyleOf(HWND hwnd, int index = GWL_STYLE) { return ::GetWindowLongPtrW(hwnd, index); }
  HWND Window() const { return host.WindowOf(form); }
  HWND Child(const ui::Control& control) const { return host.ControlWindow(control); }
  bool Shown(const ui::Control& control) const { return ::IsWindowVisible(Child(control)) != FALSE; }

  platform::win32::Win32EventLoop loop;
  ui::win32::Win32FormHost host{::GetModuleHandleW(nullptr)};
  TestForm form{ui::FormEnvironment{loop, host}};
  std::string log;  // the models' events in order
};

// A yield inside a tick runs other timers but never the same tick again; a timer
// stopped from its own tick (its function destroyed while it runs) ticks no more.
TEST_F(WindowThreadTest, TimersRepeatUntilStoppedAndAYieldingTickIsNotEnteredAgain) {
  int outside = 0, own = 0, depth = 0, deepest = 0;  // ticks, and how deep the outside tick got
  EventLoop::TimerId own_timer = EventLoop::kNoTimer;
  const EventLoop::TimerId outside_timer = loop.StartTimer(15, [&] {
    deepest = std::max(deepest, ++depth);
    // The first yields for many intervals, as a long scan does.
    if (++outside == 1) PumpUntil([&, until = loop.NowMs() + 150] { return loop.NowMs() >= until; });
    --depth;
  });
  own_timer = loop.StartTimer(10, [&, text = std::string(64, 'k')] {
    ++own;
    loop.StopTimer(own_timer);
    EXPECT_EQ(text, std::string(64, 'k'));
  });
  EXPECT_TRUE(PumpUntil([&] { return outside >= 3 && own >= 1; }));
  loop.StopTimer(outside_timer);
  EXPECT_EQ(Join(own, deepest, loop.running_timers()), "1 1 0");
}

// A tick's failure leaves the DoEvents that ran it, or reaches the handler; the timer goes on.
TEST_F(WindowThreadTest, ATickFailureReachesThePumpOrTheHandler) {
  int ticks = 0;
  const EventLoop::TimerId timer = loop.StartTimer(10, [&] {
    if (++ticks == 1) throw std::runtime_error("Subscript out of range");
    if (loop.tick_failure_handler) throw std::runtime_error("Invalid procedure call");
  });
  EXPECT_THAT([&] { PumpUntil([] { return false; }); },
              ThrowsMessage<std::runtime_error>(StrEq("Subscript out of range")));
  EXPECT_TRUE(PumpUntil([&] { return ticks >= 2; }));
  std::exception_ptr reported;
  loop.tick_failure_handler = [&](std::exception_ptr failure) { reported = std::move(failure); };
  EXPECT_TRUE(PumpUntil([&] { return reported != nullptr; }));
  loop.StopTimer(timer);
  EXPECT_THAT([&] { std::rethrow_exception(reported); },
              ThrowsMessage<std::runtime_error>(StrEq("Invalid procedure call")));
}

// Loaded hidden with the program's icon; model changes reach the controls without
// echoing back; the selected tab shows its page. An inch is 1440 twips and the
// window's DPI in pixels; at a new DPI the window takes the suggested place.
TEST_F(WindowThreadTest, ModelChangesReachTheControlsInPixelsByTheWindowsDpi) {
  form.Load();
  const HWND window = Window();
  EXPECT_EQ(Join(WindowText(window), ::IsWindowVisible(window), Send(window, WM_GETICON, ICON_BIG) != 0),
            "Renderer test 0 1");
  // The check box never toggles itself (BS_CHECKBOX): the model decides.
  const HWND pass = Child(form.txtPass);
  EXPECT_EQ(Join(StyleOf(Child(form.chkKeep)) & BS_TYPEMASK, TextOf(pass), Send(pass, EM_GETPASSWORDCHAR),
                 Send(pass, EM_GETLIMITTEXT)),
            Join(BS_CHECKBOX, "design", 42, 12));

  form.setCaption("Кестров — caption");
  form.cmdOK.setCaption("&Apply");
  form.txtPass.setText("secret");
  EXPECT_EQ(Join(WindowText(window), WindowText(Child(form.cmdOK)), TextOf(pass), TakeLog()),
            "Кестров — caption &Apply secret pass ")
      << "one change, none more through the control echoing it";
  for (const bool on : {true, false, true}) {
    form.chkKeep.setChecked(on);
    form.cmdCancel.setVisible(on);
    form.txtPass.setEnabled(on);
    form.setTopmost(on);
    form.setEnabled(on);
    EXPECT_EQ(Join(Send(Child(form.chkKeep), BM_GETCHECK), (StyleOf(Child(form.cmdCancel)) & WS_VISIBLE) != 0,
                   ::IsWindowEnabled(pass), (StyleOf(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0,
                   ::IsWindowEnabled(window)),
              Join(on, on, on, on, on));
  }
  for (const char* row : {"notepad", "regedit", "Диспетчер задач"}) form.lstNames.addItem(row);
  form.lstNames.removeItem(0);
  form.lstNames.setListIndex(1);
  for (const char* row : {"Untitled - Notepad", "Registry Editor", "Task Manager"})
    form.lstTasks.addItem(row, true);
  form.lstTasks.setSelected(0, false);
  form.lstTasks.removeItem(2);
  form.lstTasks.setListIndex(1);
  const HWND tasks = Child(form.lstTasks);
  EXPECT_EQ(Join(RowsOf(Child(form.lstNames)), Send(Child(form.lstNames), LB_GETCURSEL), RowsOf(tasks),
                 ListView_GetNextItem(tasks, -1, LVNI_SELECTED), TakeLog()),
            "regedit|Диспетчер задач| 1 Untitled - Notepad|[x] Registry Editor| 1 keep keep keep check0 ")
      << "the log: the check box's three changes and a row cleared";
  form.lstTasks.clear();
  EXPECT_EQ(RowsOf(tasks), "");

  form.Show();  // a hidden frame hides what it holds, and only that
  const auto shown = [&] {
    return Join(TabCtrl_GetCurSel(Child(form.tabMain)), Shown(form.lstTasks), Shown(form.chkTray),
                Shown(form.chkTaskManager), Shown(form.cmdOK));
  };
  EXPECT_EQ(shown(), "0 1 0 0 1");
  form.tabMain.setSelectedTab(1);
  EXPECT_EQ(shown(), "1 0 1 1 1");
  form.fraLock.setVisible(false);
  EXPECT_EQ(shown(), "1 0 1 0 1");

  const HWND button = Child(form.cmdOK);
  const auto dpi = static_cast<LONG>(::GetDpiForWindow(window));
  form.cmdOK.setBounds(ui::Bounds{1440, 1440, 1440, 720});
  form.setBounds(ui::Bounds{1440, 1440, 4320, 2880});  // the client area; border and caption come on top
  RECT client{};
  ::GetClientRect(window, &client);
  const RECT placed = RectIn(button, window);
  EXPECT_EQ(Join(placed.left, placed.top, placed.right, placed.bottom, client.right, client.bottom,
                 RectIn(window, nullptr).left),
            Join(dpi, dpi, 2 * dpi, dpi + dpi / 2, 3 * dpi, 2 * dpi, dpi));
  RECT suggested{100, 100, 100 + 800, 100 + 480};
  Send(window, WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
  const RECT moved = RectIn(window, nullptr);
  EXPECT_EQ(Join(RectIn(button, window).right, ::EqualRect(&moved, &suggested)), "384 1");
  form.cmdOK.setBounds(ui::Bounds{0, 0, 720, 720});
  EXPECT_EQ(RectIn(button, window).right, 96);
}

// A user's window messages to the lists, then keys through the event loop's filter.
TEST_F(WindowThreadTest, WindowMessagesAndKeysReachTheModels) {
  form.cmdCancel.setFocus();  // asked before the window exists: met when the form is shown
  form.Show();
  ASSERT_TRUE(PumpUntil([&] { return log.find("activate") != std::string::npos; }));
  EXPECT_EQ(::GetFocus(), Child(form.cmdCancel));
  for (const char* row : {"one", "two"}) form.lstNames.addItem(row);
  for (const char* row : {"first", "second"}) form.lstTasks.addItem(row);
  const HWND tasks = Child(form.lstTasks);
  TakeLog();
  ::SetFocus(Child(form.lstNames));
  Send(Child(form.lstNames), WM_KEYDOWN, VK_DOWN);
  Send(Child(form.lstNames), WM_KEYDOWN, VK_DOWN);
  ListView_SetCheckState(tasks, 1, TRUE);
  ListView_SetCheckState(tasks, 1, FALSE);
  ListView_SetItemState(tasks, 0, LVIS_SELECTED, LVIS_SELECTED);
  EXPECT_EQ(Join(form.lstNames.listIndex(), form.lstTasks.selected(1), form.lstTasks.listIndex(), TakeLog()),
            "1 0 0 names names check1 check1 ")
      << "arrow keys in a list box, a list view row's check box ticked and cleared";
  // A list view holds a pressed button until it is released; the model hears of it after.
  ::SetFocus(tasks);
  Send(tasks, WM_KEYDOWN, VK_DELETE);
  ::PostMessageW(tasks, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(4, 4));
  ::PostMessageW(tasks, WM_RBUTTONUP, 0, MAKELPARAM(4, 4));
  PumpUntil([&] { return log.find("button") != std::string::npos; });
  EXPECT_EQ(TakeLog(), "key46 button2 ") << "Delete and a right click";

  ::SetFocus(Child(form.txtPass));
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
  EXPECT_EQ(Join(form.tabMain.selectedTab(), TabCtrl_GetCurSel(Child(form.tabMain))), "1 1");
  press(VK_TAB);
  EXPECT_EQ(::GetFocus(), Child(form.chkKeep));
  press(VK_RETURN);  // the default button
  press(VK_ESCAPE);  // the cancel button
  ::SetFocus(Child(form.cmdCancel));
  press(VK_RETURN);  // a focused push button presses itself
  EXPECT_EQ(TakeLog(), "tab OK Cancel Cancel ");
}

// Input the form refuses (Form::takesInput) reaches no handler and the controls are
// put back as the models have them; the same input acts once the form takes it.
TEST_F(WindowThreadTest, InputTheFormRefusesLeavesNoTraceOnItsControls) {
  form.Show();
  ASSERT_TRUE(PumpUntil([&] { return log.find("activate") != std::string::npos; }));
  form.lstTasks.addItem("first");
  form.txtPass.setText("kept");
  bool open = false;
  form.input_gate = [&] { return open; };
  const HWND tasks = Child(form.lstTasks);
  const HWND ok = Child(form.cmdOK);
  TakeLog();
  for (const bool takes : {false, true}) {
    open = takes;
    Send(Child(form.chkKeep), BM_CLICK);
    Send(Window(), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(ok), BN_CLICKED), reinterpret_cast<LPARAM>(ok));
    Send(Child(form.txtPass), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"typed"));
    ListView_SetCheckState(tasks, 0, TRUE);
    EXPECT_EQ(
        Join(Send(Child(form.chkKeep), BM_GETCHECK), form.chkKeep.checked(), TextOf(Child(form.txtPass)),
             form.txtPass.text(), ListView_GetCheckState(tasks, 0), form.lstTasks.selected(0), TakeLog()),
        takes ? "1 1 typed typed 1 1 keep OK pass check0 " : "0 0 kept kept 0 0 ");
  }
}

// Messages whose lParam points into another program's memory (Windows copies none
// of these across), sent from another thread or posted, are not read, and a forged
// end of the window leaves the form on it; the form's own notifications still act.
TEST_F(WindowThreadTest, ForeignPointerMessagesAreNotRead) {
  form.lstTasks.addItem("first");
  form.Show();
  ASSERT_TRUE(PumpUntil([&] { return log.find("activate") != std::string::npos; }));
  const HWND window = Window();
  const HWND tasks = Child(form.lstTasks);
  const LPARAM nowhere = 0x10;  // nothing is mapped there
  TakeLog();
  std::atomic<bool> sent = false;
  std::thread sender([&] {
    for (const UINT message : {WM_NOTIFY, WM_DRAWITEM, WM_GETDPISCALEDSIZE, WM_DPICHANGED, WM_NCCREATE}) {
      ::SendMessageW(window, message, 0, nowhere);
      ::PostMessageW(window, message, 0, nowhere);
    }
    ::PostMessageW(tasks, LVM_SETITEMSTATE, 0, nowhere);
    // A destruction that is not one would cut the form off its window.
    ::SendMessageW(window, WM_NCDESTROY, 0, 0);
    ::PostMessageW(window, WM_NCDESTROY, 0, 0);
    sent = true;
  });
  ASSERT_TRUE(PumpUntil([&] { return sent.load(); }));
  sender.join();
  loop.DoEvents();
  ListView_SetCheckState(tasks, 0, TRUE);
  form.Hide();
  EXPECT_EQ(Join(form.lstTasks.selected(0), TakeLog(), Window() == window, ::IsWindowVisible(window)),
            "1 check0  1 0");
}

// A password box's text, kept there or typed, reaches no other thread: not asked
// for, not after its mask was taken away, not through the clipboard, not as the
// window name. The form's own thread and its model still have it.
TEST_F(WindowThreadTest, APasswordBoxKeepsItsTextFromOtherPrograms) {
  form.txtPass.setText("kept");  // in the box from its creation, as a kept password is
  form.Show();
  ASSERT_TRUE(PumpUntil([&] { return log.find("activate") != std::string::npos; }));
  const HWND box = Child(form.txtPass);
  std::string seen;
  std::atomic<bool> done = false;
  std::thread reader([&] {
    const auto read = [&] {
      wchar_t line[32] = {31};
      const auto copied = ::SendMessageW(box, EM_GETLINE, 0, reinterpret_cast<LPARAM>(line));
      seen += Join(::SendMessageW(box, WM_GETTEXTLENGTH, 0, 0), WindowText(box, ::GetWindowTextW),
                   WindowText(box, ::InternalGetWindowText), copied) +
              "|";
    };
    read();
    ::PostMessageW(box, EM_SETPASSWORDCHAR, 0, 0);
    ::SendMessageW(box, EM_SETPASSWORDCHAR, 0, 0);
    ::SendMessageW(box, EM_SETSEL, 0, -1);
    ::SendMessageW(box, WM_COPY, 0, 0);
    read();
    done = true;
  });
  ASSERT_TRUE(PumpUntil([&] { return done.load(); }));
  reader.join();
  loop.DoEvents();
  std::string clipboard;
  if (::OpenClipboard(nullptr) != FALSE) {
    if (const HANDLE data = ::GetClipboardData(CF_UNICODETEXT); data != nullptr)
      clipboard = FromWide(static_cast<const wchar_t*>(::GlobalLock(data)));
    ::CloseClipboard();
  }
  EXPECT_EQ(Join(seen, clipboard.find("kept") != std::string::npos,
                 ::SendMessageW(box, EM_GETPASSWORDCHAR, 0, 0) == '*', TextOf(box), form.txtPass.text()),
            Join("0   0|0   0|", false, true, "kept", "kept"));
}

// The close box asks the form; only a real end of the session unloads it. A handler
// may unload its own form; its failure stops at the window procedure; private
// messages (the tray's) reach the form.
TEST_F(WindowThreadTest, ClosingAndHandlers) {
  std::vector<ui::UnloadReason> asked;
  form.on_query_unload = [&](ui::UnloadRequest& request) {
    asked.push_back(request.reason);
    request.cancel = true;  // the form stays
  };
  form.Show();
  const HWND window = Window();
  Send(window, WM_CLOSE);
  EXPECT_TRUE(::IsWindowVisible(window)) << "the form stayed";
  host.session_ending = [] { return false; };  // sent by another program while the session goes on
  EXPECT_EQ(Send(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
  Send(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
  EXPECT_TRUE(::IsWindow(window)) << "a forged end of the session closes nothing";
  host.session_ending = [] { return true; };
  EXPECT_EQ(Send(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
  Send(window, WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF);
  EXPECT_TRUE(form.loaded()) << "the session goes on";
  Send(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
  EXPECT_FALSE(::IsWindow(window));
  EXPECT_EQ(asked,
            (std::vector<ui::UnloadReason>{ui::UnloadReason::kUserClose, ui::UnloadReason::kWindowsEnding}));

  form.cmdCancel.on_click = [&] { form.Unload(); };
  form.lstTasks.on_key_down = [&](int) { form.Unload(); };
  for (const UINT message : {UINT{BM_CLICK}, UINT{WM_KEYDOWN}}) {
    form.Show();
    const HWND shown = Window();
    Send(message == BM_CLICK ? Child(form.cmdCancel) : Child(form.lstTasks), message, VK_DELETE);
    EXPECT_FALSE(::IsWindow(shown)) << message;
  }
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

}  // namespace

// Renders the toolkit-neutral form and control models as real Win32 windows:
// one top-level window per loaded form, one child control per control model.
// The models stay the whole truth: every model change is pushed to its
// control, and every control notification becomes a model call. The close
// box asks the form (on_query_unload) and unloads it; a user's move, resize,
// minimise or maximise is written back into the form's bounds and window
// state. Controls on tab pages and in frames are siblings on the form,
// shown while their container is on screen.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/unique_handle.h"
#include "ui/control.h"
#include "ui/form.h"

namespace ui::win32 {

class Win32FormHost : public FormHost {
 public:
  // Registers the window classes and creates the hidden owner window. Icons
  // named by Form::icon are loaded from `instance`: "IDI_PROGRAM" and
  // "IDI_UNLOCKED" are the numbered icons 101 and 102 of res/kstrv7.rc, any
  // other name goes to LoadImage as it is ("#101" works too).
  explicit Win32FormHost(HINSTANCE instance);
  // Destroys whatever form windows are left, and the owner window. The host
  // must outlive every form it renders.
  ~Win32FormHost() override;
  Win32FormHost(const Win32FormHost&) = delete;
  Win32FormHost& operator=(const Win32FormHost&) = delete;
  Win32FormHost(Win32FormHost&&) = delete;
  Win32FormHost& operator=(Win32FormHost&&) = delete;

  void FormLoaded(Form& form) override;
  void FormUnloading(Form& form) override;
  void FormChanged(Form& form, FormProperty property) override;
  void FormFocusRequested(Form& form) override;
  void FormBringToFront(Form& form) override;
  void FormRefresh(Form& form) override;
  [[nodiscard]] bool FormOnScreen(const Form& form) const override;

  // Keyboard navigation for the event loop's message filter: Tab, Enter
  // (the default button), Esc (the cancel button), mnemonics and Ctrl+Tab
  // (the next tab of a tab strip) inside a form. True when the message was
  // used and must not be dispatched.
  bool PreTranslateMessage(MSG& msg);

  // The hidden top-level window that owns every form (so forms get no
  // taskbar button unless they ask for one).
  [[nodiscard]] HWND owner_window() const { return owner_.get(); }

  // The window of a loaded form and of one of its controls; nullptr when the
  // form is not loaded or the control has no window (timers).
  [[nodiscard]] HWND WindowOf(const Form& form) const;
  [[nodiscard]] HWND ControlWindow(const Control& control) const;
  // The tooltip control of a loaded form; nullptr when none of its controls
  // has a tool tip.
  [[nodiscard]] HWND ToolTipWindow(const Form& form) const;

  // Receives the description of an exception that a form's or control's
  // event handler let escape into a window procedure, which must not unwind
  // through user32. Without a handler such an exception ends the program.
  void set_unhandled_error_handler(std::function<void(const std::string&)> handler) {
    unhandled_error_ = std::move(handler);
  }

  // Whether Windows is really ending the session. Any program can send
  // WM_QUERYENDSESSION and WM_ENDSESSION; only while this holds do they
  // reach the forms (tests put a stand-in here).
  std::function<bool()> session_ending = [] { return ::GetSystemMetrics(SM_SHUTTINGDOWN) != 0; };

  // One loaded form's window and the views of its controls.
  class FormWindow;

  // Runs fn (which may call the models' handlers) so that no exception
  // escapes and no form state is freed while it runs. Every window
  // procedure of the renderer that reaches a model runs through it.
  template <typename Fn>
  LRESULT Guarded(Fn&& fn);

 private:
  static LRESULT CALLBACK FormWndProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  [[nodiscard]] FormWindow* FindWindowByHandle(HWND hwnd) const;
  // The window of a loaded form; nullptr when it is not loaded.
  [[nodiscard]] FormWindow* FindFormWindow(const Form& form) const;
  // Frees the state of destroyed forms once no window procedure of this host
  // is running (a handler may unload the form whose message it handles).
  void Retire(std::unique_ptr<FormWindow> window);
  void ReportUnhandled(const std::string& description);

  HINSTANCE instance_;
  platform::win32::UniqueWindow owner_;
  std::map<const Form*, std::unique_ptr<FormWindow>> forms_;
  std::vector<std::unique_ptr<FormWindow>> retired_;
  int dispatch_depth_ = 0;
  std::function<void(const std::string&)> unhandled_error_;
};

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

}  // namespace ui::win32

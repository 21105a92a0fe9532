// Toolkit-neutral model of a form (a top-level window): caption, visibility,
// load/unload and activation, and the controls it owns. A form subclass
// declares its controls as members, named as the product names them, and
// implements their handlers.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/event_loop.h"
#include "platform/types.h"
#include "ui/control.h"

namespace ui {

class Form;

enum class FormProperty { kCaption, kVisible, kEnabled, kTopmost, kWindowState, kBounds };

enum class BorderStyle { kNone, kFixedSingle, kSizable, kFixedDialog };
enum class WindowState { kNormal, kMinimized, kMaximized };
enum class StartPosition { kManual, kCenterScreen };

// Why a form is asked to close (Form::on_query_unload).
enum class UnloadReason {
  kUserClose,      // the close box, Alt+F4, or WM_CLOSE from another program
  kCode,           // the program asked (Form::RequestClose from code)
  kWindowsEnding,  // the user is logging off or Windows is shutting down
};

// Handed to on_query_unload, which sets cancel to keep the form loaded.
struct UnloadRequest {
  bool cancel = false;
  UnloadReason reason = UnloadReason::kUserClose;
};

// Whoever shows forms: the win32 renderer, or the headless host in tests.
class FormHost {
 public:
  virtual ~FormHost() = default;
  // The form was loaded: create its window and controls (hidden).
  virtual void FormLoaded(Form& form) = 0;
  // The form is being unloaded: destroy its window.
  virtual void FormUnloading(Form& form) = 0;
  virtual void FormChanged(Form& form, FormProperty property) = 0;
  // A control of the loaded form asked for the focus (Form::focusRequest).
  virtual void FormFocusRequested(Form& /*form*/) {}
  // The loaded form asks to become the foreground window.
  virtual void FormBringToFront(Form& /*form*/) {}
  // The loaded form asks to be repainted now, before the code goes on.
  virtual void FormRefresh(Form& /*form*/) {}
  // Whether the loaded form's window is on screen: shown and not minimised,
  // whatever the model says (another program may have hidden it).
  [[nodiscard]] virtual bool FormOnScreen(const Form& form) const;
};

// What every form needs from its surroundings.
struct FormEnvironment {
  platform::EventLoop& loop;
  FormHost& host;
};

class Form {
 public:
  Form(FormEnvironment env, std::string name, std::string caption, Bounds bounds);
  virtual ~Form();
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;
  Form(Form&&) = delete;
  Form& operator=(Form&&) = delete;

  [[nodiscard]] const std::string& name() const { return name_; }
  [[nodiscard]] platform::EventLoop& loop() const { return env_.loop; }

  [[nodiscard]] const std::string& caption() const { return caption_; }
  void setCaption(std::string caption);
  [[nodiscard]] bool loaded() const { return loaded_; }
  [[nodiscard]] bool visible() const { return visible_; }
  [[nodiscard]] bool enabled() const { return enabled_; }
  void setEnabled(bool enabled);
  [[nodiscard]] bool topmost() const { return topmost_; }
  void setTopmost(bool topmost);
  [[nodiscard]] WindowState windowState() const { return window_state_; }
  void setWindowState(WindowState state);
  // The window state the form takes at every load.
  void DesignWindowState(WindowState state) {
    design_window_state_ = state;
    window_state_ = state;
  }
  // left and top are the window's outer top-left corner on the screen;
  // width and height are its client area (inside the border and caption),
  // as the forms are designed. All in twips.
  [[nodiscard]] const Bounds& bounds() const { return bounds_; }
  void setBounds(const Bounds& bounds);

  // Loads the form if it is not loaded: creates its window, runs on_load and
  // starts its enabled timers. A form that is loaded stays as it is.
  void Load();
  // Loads the form if needed and shows it modelessly.
  void Show();
  void Hide();
  // Runs on_unload, stops its timers, destroys its window and puts every
  // control back to its design state; the next Load starts afresh. Always
  // unloads: on_query_unload is not asked.
  void Unload();
  // Asks on_query_unload and unloads unless it cancels; returns whether the
  // form was unloaded. A form that is not loaded is not asked (false).
  bool RequestClose(UnloadReason reason);
  // Runs on_query_unload alone; returns whether it cancelled. The host uses
  // it where Windows only asks (the session is about to end).
  bool QueryUnload(UnloadReason reason);
  // The form became the active window (the host calls this).
  void Activated();
  // A mouse button (kLeftButton, kRightButton, kMiddleButton) was pressed on
  // the form's own surface, not on one of its controls (the host calls this;
  // nothing happens while the form is disabled).
  void MouseDown(int button);
  // Whether input from outside the program's code reaches the form's
  // controls: the user's, or that of any program sending its windows the
  // messages a user's input makes. Only while the form is loaded, enabled and
  // on screen (model and window alike) and input_gate, when set, agrees.
  // Every control's user path asks this; code that sets values never does.
  [[nodiscard]] bool takesInput() const;

  // Makes the loaded form the foreground window (nothing when headless).
  void BringToFront();
  // Repaints the loaded form at once, so changes show before a long step.
  void Refresh();

  // The control that asked for the focus (Control::setFocus) and has not
  // got it yet: the renderer takes the request when the form's window is
  // on screen. Headless, it stays the last request until the form unloads.
  [[nodiscard]] Control* focusRequest() const { return focus_request_; }
  Control* TakeFocusRequest() { return std::exchange(focus_request_, nullptr); }
  void RequestFocus(Control& control);

  // The window the host made for the form; kNoWindow while not loaded or
  // when headless.
  [[nodiscard]] platform::WindowId window() const { return window_; }
  void setWindow(platform::WindowId window) { window_ = window; }

  [[nodiscard]] const std::vector<Control*>& controls() const { return controls_; }
  void AddControl(Control& control) { controls_.push_back(&control); }

  // Design properties, read by the renderer when it creates the window.
  BorderStyle border_style = BorderStyle::kFixedSingle;
  StartPosition start_position = StartPosition::kCenterScreen;
  bool control_box = true;
  bool min_button = true;
  bool max_button = false;
  bool show_in_taskbar = true;
  std::uint32_t back_color = 0xF0F0F0;
  std::string icon;  // resource name of the window's icon, "" for none

  // The application's condition for input, on top of takesInput's own.
  std::function<bool()> input_gate;

  std::function<void()> on_load;
  std::function<void()> on_activate;
  std::function<void()> on_unload;
  // The form was first shown after loading, or its size or window state
  // changed (minimised, maximised, restored).
  std::function<void()> on_resize;
  // Asked before the user, the program or the ending session closes the form.
  std::function<void(UnloadRequest&)> on_query_unload;
  std::function<void(int button)> on_mouse_down;
  // Private window messages (WM_APP, 0x8000, and above) that reach the
  // form's window: the tray icon's callback is WM_APP + 1 with the mouse
  // message in lparam.
  std::function<void(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam)> on_message;

 private:
  void Notify(FormProperty property);

  FormEnvironment env_;
  std::string name_;
  std::string design_caption_;
  std::string caption_;
  Bounds design_bounds_;
  Bounds bounds_;
  bool loaded_ = false;
  bool visible_ = false;
  bool enabled_ = true;
  bool topmost_ = false;
  WindowState window_state_ = WindowState::kNormal;
  WindowState design_window_state_ = WindowState::kNormal;
  platform::WindowId window_ = platform::kNoWindow;
  std::vector<Control*> controls_;
  Control* focus_request_ = nullptr;
  // on_resize has run for the first showing since the load.
  bool shown_since_load_ = false;
};

// The host for headless runs: no windows; showing a form activates it at once,
// as showing a window does on the desktop.
class HeadlessHost : public FormHost {
 public:
  void FormLoaded(Form& form) override;
  void FormUnloading(Form& form) override;
  void FormChanged(Form& form, FormProperty property) override;
};

}  // namespace ui

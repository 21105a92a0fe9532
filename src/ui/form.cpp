// Form model: load/unload life cycle, closing, visibility, activation and
// focus requests.
#include "ui/form.h"

#include <utility>

namespace ui {

Form::Form(FormEnvironment env, std::string name, std::string caption, Bounds bounds)
    : env_(env),
      name_(std::move(name)),
      design_caption_(caption),
      caption_(std::move(caption)),
      design_bounds_(bounds),
      bounds_(bounds) {}

Form::~Form() {
  if (loaded_) env_.host.FormUnloading(*this);
}

void Form::setCaption(std::string caption) {
  if (caption_ == caption) return;
  caption_ = std::move(caption);
  Notify(FormProperty::kCaption);
}

void Form::setEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  Notify(FormProperty::kEnabled);
}

void Form::setTopmost(bool topmost) {
  if (topmost_ == topmost) return;
  topmost_ = topmost;
  Notify(FormProperty::kTopmost);
}

void Form::setWindowState(WindowState state) {
  if (window_state_ == state) return;
  window_state_ = state;
  Notify(FormProperty::kWindowState);
  if (loaded_ && on_resize) on_resize();
}

void Form::setBounds(const Bounds& bounds) {
  if (bounds_ == bounds) return;
  const bool resized = bounds.width != bounds_.width || bounds.height != bounds_.height;
  bounds_ = bounds;
  Notify(FormProperty::kBounds);
  if (resized && loaded_ && on_resize) on_resize();
}

void Form::Load() {
  if (loaded_) return;
  loaded_ = true;
  env_.host.FormLoaded(*this);
  if (on_load) on_load();
  for (Control* control : controls_) {
    if (control->kind() == ControlKind::kTimer) static_cast<Timer*>(control)->Sync();
  }
}

void Form::Show() {
  Load();
  // on_load may have unloaded the form again.
  if (!loaded_ || visible_) return;
  // As the form comes up the first time after its load, on_resize runs
  // before on_activate.
  if (!std::exchange(shown_since_load_, true) && on_resize) {
    on_resize();
    if (!loaded_ || visible_) return;
  }
  visible_ = true;
  Notify(FormProperty::kVisible);
}

void Form::Hide() {
  if (!visible_) return;
  visible_ = false;
  Notify(FormProperty::kVisible);
}

void Form::Unload() {
  if (!loaded_) return;
  if (on_unload) on_unload();
  loaded_ = false;
  focus_request_ = nullptr;
  shown_since_load_ = false;
  for (Control* control : controls_) {
    if (control->kind() == ControlKind::kTimer) static_cast<Timer*>(control)->Sync();
  }
  env_.host.FormUnloading(*this);
  window_ = platform::kNoWindow;
  visible_ = false;
  enabled_ = true;
  topmost_ = false;
  window_state_ = design_window_state_;
  caption_ = design_caption_;
  bounds_ = design_bounds_;
  for (Control* control : controls_) control->ResetToDesign();
}

bool Form::QueryUnload(UnloadReason reason) {
  UnloadRequest request;
  request.reason = reason;
  if (on_query_unload) on_query_unload(request);
  return request.cancel;
}

bool Form::RequestClose(UnloadReason reason) {
  if (!loaded_) return false;
  if (!QueryUnload(reason)) Unload();
  // The handler itself may have unloaded the form.
  return !loaded_;
}

void Form::Activated() {
  if (on_activate) on_activate();
}

bool Form::takesInput() const {
  return loaded_ && visible_ && enabled_ && env_.host.FormOnScreen(*this) && (!input_gate || input_gate());
}

void Form::MouseDown(int button) {
  if (takesInput() && on_mouse_down) on_mouse_down(button);
}

void Form::BringToFront() {
  if (loaded_) env_.host.FormBringToFront(*this);
}

void Form::Refresh() {
  if (loaded_) env_.host.FormRefresh(*this);
}

void Form::RequestFocus(Control& control) {
  focus_request_ = &control;
  if (loaded_) env_.host.FormFocusRequested(*this);
}

void Form::Notify(FormProperty property) {
  if (loaded_) env_.host.FormChanged(*this, property);
}

bool FormHost::FormOnScreen(const Form& form) const {
  return form.visible();
}

void HeadlessHost::FormLoaded(Form& /*form*/) {}

void HeadlessHost::FormUnloading(Form& /*form*/) {}

void HeadlessHost::FormChanged(Form& form, FormProperty property) {
  if (property == FormProperty::kVisible && form.visible()) form.Activated();
}

}  // namespace ui

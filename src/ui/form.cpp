// Form model: load/unload life cycle, visibility and activation.
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
}

void Form::setBounds(const Bounds& bounds) {
  if (bounds_ == bounds) return;
  bounds_ = bounds;
  Notify(FormProperty::kBounds);
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

void Form::Activated() {
  if (on_activate) on_activate();
}

void Form::Notify(FormProperty property) {
  if (loaded_) env_.host.FormChanged(*this, property);
}

void HeadlessHost::FormLoaded(Form& /*form*/) {}

void HeadlessHost::FormUnloading(Form& /*form*/) {}

void HeadlessHost::FormChanged(Form& form, FormProperty property) {
  if (property == FormProperty::kVisible && form.visible()) form.Activated();
}

}  // namespace ui

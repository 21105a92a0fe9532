// A form host for host tests that puts every loaded form on the fake desktop
// as a window with the form's caption, so the program's own windows take part
// in what the desktop shows (foreground, titles, topmost, system menu), as
// they do on Windows.
#pragma once

#include "platform/fake/fake_desktop.h"
#include "ui/form.h"

namespace ui::fake {

// The class name of the program's form windows on the fake desktop.
inline constexpr const char* kFormClass = "KestroveForm";

class DesktopFormHost : public FormHost {
 public:
  explicit DesktopFormHost(platform::fake::FakeDesktop& desktop) : desktop_(desktop) {}

  void FormLoaded(Form& form) override;
  void FormUnloading(Form& form) override;
  // Showing a form makes it the foreground window and activates it; hiding
  // the foreground form leaves no window active.
  void FormChanged(Form& form, FormProperty property) override;
  void FormBringToFront(Form& form) override;
  // Shown and not minimised on the fake desktop, as the model says too.
  [[nodiscard]] bool FormOnScreen(const Form& form) const override;

 private:
  platform::fake::FakeDesktop& desktop_;
};

}  // namespace ui::fake

// Form host over the fake desktop, for host tests.
#include "ui/fake/desktop_form_host.h"

namespace ui::fake {

void DesktopFormHost::FormLoaded(Form& form) {
  const platform::WindowId window = desktop_.Open(form.caption(), kFormClass, false);
  desktop_.Edit(window).own = true;
  form.setWindow(window);
}

void DesktopFormHost::FormUnloading(Form& form) {
  if (form.window() != platform::kNoWindow) desktop_.Close(form.window());
}

void DesktopFormHost::FormChanged(Form& form, FormProperty property) {
  const platform::WindowId window = form.window();
  if (!desktop_.Exists(window)) return;
  switch (property) {
    case FormProperty::kCaption:
      desktop_.SetTitle(window, form.caption());
      break;
    case FormProperty::kVisible:
      if (form.visible()) {
        desktop_.ShowAsync(window, platform::ShowCommand::kShow);
        desktop_.SetForeground(window);
        form.Activated();
      } else {
        desktop_.ShowAsync(window, platform::ShowCommand::kHide);
        if (desktop_.Foreground() == window) desktop_.SetForeground(platform::kNoWindow);
      }
      break;
    case FormProperty::kTopmost:
      desktop_.SetTopmost(window, form.topmost());
      break;
    case FormProperty::kWindowState:
      desktop_.ShowAsync(window, form.windowState() == WindowState::kMinimized
                                     ? platform::ShowCommand::kMinimize
                                     : platform::ShowCommand::kRestore);
      break;
    case FormProperty::kEnabled:
    case FormProperty::kBounds:
      break;
  }
}

void DesktopFormHost::FormBringToFront(Form& form) {
  if (!desktop_.Exists(form.window())) return;
  desktop_.SetForeground(form.window());
  form.Activated();
}

bool DesktopFormHost::FormOnScreen(const Form& form) const {
  const platform::WindowId window = form.window();
  return form.visible() && desktop_.Exists(window) && desktop_.IsVisible(window) &&
         !desktop_.IsMinimized(window);
}

}  // namespace ui::fake

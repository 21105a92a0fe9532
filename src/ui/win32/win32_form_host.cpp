// Renders forms and their control models as Win32 windows: the host keeps
// one FormWindow per loaded form (form_window.h), which keeps one
// ControlView per control (control_view.h). Here: the window classes, the
// owner window, the form windows' life cycle and the window procedure that
// stops handler failures and keeps freed form state alive until it returns.
#include "ui/win32/win32_form_host.h"

#include <commctrl.h>

#include <exception>
#include <utility>

#include "platform/win32/win32_constants.h"
#include "ui/win32/form_window.h"

namespace ui::win32 {
namespace {

// Registers a window class of this module unless it is there already (a
// second host in the same process).
void RegisterWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC procedure, UINT style,
                         HCURSOR cursor) {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof(window_class);
  if (::GetClassInfoExW(instance, name, &window_class) != FALSE) return;
  window_class = WNDCLASSEXW{};
  window_class.cbSize = sizeof(window_class);
  window_class.style = style;
  window_class.lpfnWndProc = procedure;
  window_class.hInstance = instance;
  window_class.hCursor = cursor;
  window_class.lpszClassName = name;
  ::RegisterClassExW(&window_class);
}

// Messages whose lParam points into the sender's memory and which Windows
// never copies into another program (the notifications, the DPI messages),
// or only to make a new window.
bool CarriesPointer(UINT message) {
  switch (message) {
    case WM_NCCREATE:
    case WM_NCDESTROY:  // no pointer, but only ever sent by the window's destruction
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_GETDPISCALEDSIZE:
    case WM_DPICHANGED:
      return true;
    default:
      return false;
  }
}

// The common controls' own messages that take pointers (list views, their
// headers, tab strips). The program sends them to its controls itself; one
// that was posted came from elsewhere.
bool ControlPointerMessage(UINT message) {
  const auto in = [message](UINT first) { return message >= first && message < first + 0x100; };
  return in(LVM_FIRST) || in(HDM_FIRST) || in(TCM_FIRST);
}

// Every message the thread takes from its queue, also in the modal loops of
// message boxes and menus: a posted one that carries a pointer is emptied
// before anything reads it.
LRESULT CALLBACK DropPostedPointers(int code, WPARAM removal, LPARAM lparam) {
  auto* message = reinterpret_cast<MSG*>(lparam);
  if (code == HC_ACTION && removal == PM_REMOVE &&
      (CarriesPointer(message->message) || ControlPointerMessage(message->message))) {
    message->message = WM_NULL;
  }
  return ::CallNextHookEx(nullptr, code, removal, lparam);
}

}  // namespace

Win32FormHost::Win32FormHost(HINSTANCE instance) : instance_(instance) {
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof(controls);
  controls.dwICC =
      ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES | ICC_PROGRESS_CLASS | ICC_BAR_CLASSES;
  ::InitCommonControlsEx(&controls);

  RegisterWindowClass(instance_, platform::win32::kFormWindowClass, &Win32FormHost::FormWndProc, CS_DBLCLKS,
                      ::LoadCursorW(nullptr, IDC_ARROW));
  RegisterWindowClass(instance_, platform::win32::kOwnerWindowClass, &::DefWindowProcW, 0, nullptr);
  // A tool window, so it never shows on the taskbar even when made visible.
  owner_.reset(::CreateWindowExW(WS_EX_TOOLWINDOW, platform::win32::kOwnerWindowClass, L"", WS_POPUP, 0, 0, 0,
                                 0, nullptr, nullptr, instance_, nullptr));
  posted_pointer_hook_ =
      ::SetWindowsHookExW(WH_GETMESSAGE, &DropPostedPointers, nullptr, ::GetCurrentThreadId());
}

Win32FormHost::~Win32FormHost() {
  // Whatever forms are left may be gone already: only their windows go.
  for (auto& [form, window] : forms_) window->Destroy(false);
  forms_.clear();
  retired_.clear();
  if (posted_pointer_hook_ != nullptr) ::UnhookWindowsHookEx(posted_pointer_hook_);
}

void Win32FormHost::FormLoaded(Form& form) {
  auto window = std::make_unique<FormWindow>(*this, form);
  FormWindow& created = *window;
  if (auto old = forms_.find(&form); old != forms_.end()) {
    old->second->Destroy(false);
    Retire(std::move(old->second));
  }
  forms_[&form] = std::move(window);
  created.Create();
}

void Win32FormHost::FormUnloading(Form& form) {
  const auto found = forms_.find(&form);
  if (found == forms_.end()) return;
  std::unique_ptr<FormWindow> window = std::move(found->second);
  forms_.erase(found);
  // Form::Unload clears loaded() before it calls here; a form destroyed
  // while loaded calls from its destructor, after its controls are gone.
  window->Destroy(!form.loaded());
  Retire(std::move(window));
}

void Win32FormHost::FormChanged(Form& form, FormProperty property) {
  if (FormWindow* window = FindFormWindow(form); window != nullptr) window->Apply(property);
}

void Win32FormHost::FormFocusRequested(Form& form) {
  if (FormWindow* window = FindFormWindow(form); window != nullptr) window->FocusRequested();
}

void Win32FormHost::FormBringToFront(Form& form) {
  if (FormWindow* window = FindFormWindow(form); window != nullptr) window->BringToFront();
}

void Win32FormHost::FormRefresh(Form& form) {
  const HWND hwnd = WindowOf(form);
  if (hwnd != nullptr) ::RedrawWindow(hwnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

bool Win32FormHost::FormOnScreen(const Form& form) const {
  const HWND hwnd = WindowOf(form);
  return form.visible() && hwnd != nullptr && ::IsWindowVisible(hwnd) != FALSE && ::IsIconic(hwnd) == FALSE;
}

Win32FormHost::FormWindow* Win32FormHost::FindFormWindow(const Form& form) const {
  const auto found = forms_.find(&form);
  return found != forms_.end() ? found->second.get() : nullptr;
}

Win32FormHost::FormWindow* Win32FormHost::FindWindowByHandle(HWND hwnd) const {
  for (const auto& [form, window] : forms_) {
    if (window->hwnd() == hwnd) return window.get();
  }
  return nullptr;
}

bool Win32FormHost::PreTranslateMessage(MSG& msg) {
  if (msg.hwnd == nullptr || msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
  const HWND root = ::GetAncestor(msg.hwnd, GA_ROOT);
  FormWindow* window = root != nullptr ? FindWindowByHandle(root) : nullptr;
  if (window == nullptr) return false;
  if (msg.message == WM_KEYDOWN && msg.wParam == VK_TAB && ::GetKeyState(VK_CONTROL) < 0) {
    const bool backwards = ::GetKeyState(VK_SHIFT) < 0;
    if (Guarded([window, backwards] { return static_cast<LRESULT>(window->CycleTab(backwards)); }) != 0) {
      return true;
    }
  }
  return ::IsDialogMessageW(root, &msg) != FALSE;
}

HWND Win32FormHost::WindowOf(const Form& form) const {
  const FormWindow* window = FindFormWindow(form);
  return window != nullptr ? window->hwnd() : nullptr;
}

HWND Win32FormHost::ControlWindow(const Control& control) const {
  const FormWindow* window = FindFormWindow(control.form());
  return window != nullptr ? window->ControlWindow(control) : nullptr;
}

HWND Win32FormHost::ToolTipWindow(const Form& form) const {
  const FormWindow* window = FindFormWindow(form);
  return window != nullptr ? window->tool_tip() : nullptr;
}

void Win32FormHost::ReportUnhandled(const std::string& description) {
  if (!unhandled_error_) std::terminate();
  unhandled_error_(description);
}

void Win32FormHost::Retire(std::unique_ptr<FormWindow> window) {
  if (dispatch_depth_ > 0) retired_.push_back(std::move(window));
}

LRESULT CALLBACK Win32FormHost::FormWndProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  // The DPI messages come from the window's own thread; sent from another,
  // their pointer means nothing here (and one is written through).
  if ((message == WM_GETDPISCALEDSIZE || message == WM_DPICHANGED) &&
      ::InSendMessageEx(nullptr) != ISMEX_NOSEND)
    return 0;
  // Only the creation itself; for a window that has its state already it
  // came from elsewhere, with a pointer that means nothing.
  if (message == WM_NCCREATE) {
    if (::GetWindowLongPtrW(hwnd, GWLP_USERDATA) != 0) return FALSE;
    auto* created = static_cast<FormWindow*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
    created->Attach(hwnd);
  }
  auto* window = reinterpret_cast<FormWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (window == nullptr) return ::DefWindowProcW(hwnd, message, wparam, lparam);
  return window->host().Guarded([&] { return window->Handle(message, wparam, lparam); });
}

}  // namespace ui::win32

// One loaded form's window: created when the form loads and destroyed when
// it unloads, it applies the form model's changes, owns the views of the
// form's controls and routes the window's messages to them and to the form.
// Internal to ui/win32; owned by Win32FormHost.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "platform/win32/unique_handle.h"
#include "ui/control.h"
#include "ui/form.h"
#include "ui/win32/dpi.h"
#include "ui/win32/win32_form_host.h"

namespace ui::win32 {

class ControlView;

class Win32FormHost::FormWindow {
 public:
  FormWindow(Win32FormHost& host, Form& form);
  ~FormWindow();
  FormWindow(const FormWindow&) = delete;
  FormWindow& operator=(const FormWindow&) = delete;
  FormWindow(FormWindow&&) = delete;
  FormWindow& operator=(FormWindow&&) = delete;

  void Create();
  // Destroys the window. With models_alive the control models still exist
  // and are released from their views first; without (the form is being
  // destroyed while loaded) they must not be touched at all.
  void Destroy(bool models_alive);
  void Apply(FormProperty property);
  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);
  // Gives the focus to the control that asked for it, once the window is
  // on screen.
  void FocusRequested();
  void BringToFront();
  // Ctrl+Tab: the next (or previous) tab of the tab strip around the focus,
  // or of the first tab strip on screen. False when there is none.
  bool CycleTab(bool backwards);

  // Shows and hides the controls by whether their models are on screen
  // (own visibility, containers, selected tab pages).
  void SyncVisibility();
  // The font and background a control is drawn with: the inside colour of
  // the nearest container that has one (a tab page, a group box), otherwise
  // the form's.
  [[nodiscard]] HFONT FontFor(const Control& control) const;
  [[nodiscard]] HBRUSH BackgroundBrush(const Control& control) const;
  [[nodiscard]] COLORREF BackgroundColor(const Control& control) const;

  [[nodiscard]] Win32FormHost& host() const { return host_; }
  [[nodiscard]] HWND hwnd() const { return hwnd_; }
  [[nodiscard]] UINT dpi() const { return dpi_; }
  [[nodiscard]] HWND tool_tip() const { return tool_tip_; }
  [[nodiscard]] HWND ControlWindow(const Control& control) const;
  void Attach(HWND hwnd) { hwnd_ = hwnd; }

 private:
  [[nodiscard]] SIZE OuterSizeAt(UINT dpi) const;
  [[nodiscard]] RECT DesignedRect(UINT dpi) const;
  void CreateFonts();
  void CreateToolTips();
  void FitToolTipWidth();
  void LoadIcons();
  void Show();
  ControlView* ViewById(int id, HWND from) const;
  ControlView* ViewByWindow(HWND hwnd) const;
  ControlView* ViewOf(const Control& control) const;
  // The view of the nearest tab strip around a control, nullptr when none.
  ControlView* TabStripAround(const Control& control) const;
  // The view of the nearest container with an inside colour of its own.
  ControlView* PaintedContainerAround(const Control& control) const;
  // The tab strips and frames, ordered by how deep they sit in each other;
  // those equally deep keep the models' order.
  enum class Nesting { kOutermostFirst, kInnermostFirst };
  [[nodiscard]] std::vector<ControlView*> Containers(Nesting nesting) const;
  void UpdateInnerBrushes();
  void PressDefaultButton(bool cancel);
  void RestoreFocus();
  bool ApplyFocusRequest();
  [[nodiscard]] HWND FirstTabStop() const;
  // The focused control was hidden: the focus moves to the tab strip it sat
  // on, or to the first control that can take it.
  void MoveFocusFrom(HWND hidden);
  void OnDpiChanged(UINT dpi, const RECT& suggested);
  void MirrorWindowState(WPARAM size_type);
  void MirrorBounds();
  void EraseBackground(HDC dc);
  LRESULT CtlColor(UINT message, HDC dc, HWND control);

  Win32FormHost& host_;
  Form& form_;
  HWND hwnd_ = nullptr;
  // Owned by the form's window, which destroys it.
  HWND tool_tip_ = nullptr;
  UINT dpi_ = kDefaultDpi;
  platform::win32::UniqueFont font_;
  platform::win32::UniqueFont underline_font_;
  platform::win32::UniqueFont bold_font_;
  platform::win32::UniqueBrush back_brush_;
  platform::win32::UniqueIcon big_icon_;
  platform::win32::UniqueIcon small_icon_;
  // In the models' order (ids count up along it).
  std::vector<std::unique_ptr<ControlView>> views_;
  // The control that had the focus when the form was last deactivated.
  HWND last_focus_ = nullptr;
  // The window is going: its notifications no longer reach the models.
  bool closing_ = false;
  // The renderer is changing the window itself: size and state changes are
  // not mirrored back into the form model.
  bool applying_ = false;
  // The form model is being told what the window did: that change is not
  // applied back to the window.
  bool mirroring_ = false;
};

}  // namespace ui::win32

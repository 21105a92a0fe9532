// One control model and its child window on a form's window: creates the
// window, pushes every model change to it and turns its notifications into
// model calls. Internal to ui/win32; owned by the FormWindow it sits on.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/win32/unique_handle.h"
#include "ui/control.h"
#include "ui/win32/list_rows.h"
#include "ui/win32/win32_form_host.h"

namespace ui::win32 {

class ControlView : public ControlObserver {
 public:
  ControlView(Win32FormHost::FormWindow& owner, Control& control, int id)
      : owner_(owner), control_(control), id_(id) {}

  void Create(HWND parent, HINSTANCE instance, UINT dpi);
  void ControlChanged(Control& control, Property property) override;
  // Reacts to a WM_COMMAND or WM_NOTIFY code from the control.
  void Command(int code);
  void Notify(const NMHDR& header);
  // Paints an owner-drawn control: a label, or a frame without a border.
  void DrawItem(const DRAWITEMSTRUCT& item);
  void Rescale(UINT dpi);
  // Containers: the colour inside them (a tab strip's page, a group box's
  // inside) as the control paints it, which the controls they contain take
  // as their background. Outer containers first: a group box on a tab page
  // is painted over the page's colour.
  void UpdateInnerBrush();

  [[nodiscard]] Control& control() const { return control_; }
  [[nodiscard]] HWND hwnd() const { return hwnd_; }
  [[nodiscard]] int id() const { return id_; }
  // nullptr / CLR_INVALID for what contains nothing or draws no inside of
  // its own (a frame without a border or a background colour).
  [[nodiscard]] HBRUSH inner_brush() const { return inner_brush_.get(); }
  [[nodiscard]] COLORREF inner_color() const { return inner_color_; }
  // A container's inside in its own client coordinates: a tab strip's page
  // area, a group box's whole rectangle.
  [[nodiscard]] RECT InnerRect() const;
  // A label that reacts to clicks: a link, with the hand cursor.
  [[nodiscard]] bool IsLink() const;

 private:
  struct Row {
    std::string text;
    bool checked = false;
  };

  // Tab strips and group boxes leave (part of) their inside unpainted, and
  // nothing else paints there: the form clips its children and the
  // containers clip their siblings. They erase it in the colour around them.
  static LRESULT CALLBACK ContainerProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                                        DWORD_PTR data);
  // A password box keeps its text to this program: see PasswordProc.
  static LRESULT CALLBACK PasswordProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                                       DWORD_PTR data);
  // Keys and mouse buttons pressed on a list reach its model.
  static LRESULT CALLBACK ListProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                                   DWORD_PTR data);
  void SetInnerColor(COLORREF color);
  void Place(UINT dpi);
  void PushCaption();
  void PushText();
  void PushCheck();
  void LoadPicture();
  void LoadButtonPicture(UINT dpi);
  void SyncProgress();
  // Repaints what lies under a transparent label, so its old text goes.
  void RedrawBehind();
  // Rows: the control's rows are mirrored in rows_, so one added or removed
  // row is one insert or delete, not a rebuild of the whole list.
  void SyncRows();
  void SyncChecks();
  void SyncListIndex();
  void InsertRow(int row, const Row& data);
  void DeleteRow(int row);
  void SetRowCheck(int row, bool checked);
  [[nodiscard]] ListControl& list_model() const { return static_cast<ListControl&>(control_); }
  // A ListBox's rows have no check box: they read as unchecked.
  [[nodiscard]] bool ModelChecked(int row) const;
  [[nodiscard]] Row ModelRow(int row) const;

  Win32FormHost::FormWindow& owner_;
  Control& control_;
  int id_;
  HWND hwnd_ = nullptr;
  HINSTANCE instance_ = nullptr;
  // Set while the renderer itself changes the control, whose notifications
  // (EN_CHANGE, LVN_ITEMCHANGED) must not travel back to the model.
  bool pushing_ = false;
  // A list's window rows (nullptr for other controls) and what they show.
  std::unique_ptr<ListRows> list_rows_;
  std::vector<Row> rows_;
  // An image's icon; the static control does not own it.
  platform::win32::UniqueIcon icon_;
  // A button's picture; the button does not own the list either.
  struct ImageListDestroyer {
    void operator()(HIMAGELIST list) const noexcept { ::ImageList_Destroy(list); }
  };
  using ImageListOwner = std::unique_ptr<std::remove_pointer_t<HIMAGELIST>, ImageListDestroyer>;
  ImageListOwner button_pictures_;
  platform::win32::UniqueBrush inner_brush_;
  COLORREF inner_color_ = CLR_INVALID;
};

}  // namespace ui::win32

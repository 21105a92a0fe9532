// The rows of a list control's window behind one small interface, so the
// code that mirrors a list model into its window is written once: a LISTBOX
// for a ListBox, a report-view list view with check boxes for a
// CheckListBox. It only talks to the window; it never calls a model.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <optional>
#include <string>

#include "ui/control.h"

namespace ui::win32 {

class ListRows {
 public:
  // The rows of hwnd, a window created for a control of kind kListBox or
  // kCheckListBox. A list view gets its check boxes and its one column,
  // `width` pixels wide, here.
  static std::unique_ptr<ListRows> For(ControlKind kind, HWND hwnd, int width);

  ListRows() = default;
  virtual ~ListRows() = default;
  ListRows(const ListRows&) = delete;
  ListRows& operator=(const ListRows&) = delete;
  ListRows(ListRows&&) = delete;
  ListRows& operator=(ListRows&&) = delete;

  virtual void Insert(int row, const std::string& text) = 0;
  virtual void Remove(int row) = 0;
  virtual void RemoveAll() = 0;
  // A row's check box; a LISTBOX has none and ignores it.
  virtual void SetCheck(int row, bool checked) = 0;
  // The current row, -1 for none.
  [[nodiscard]] virtual int Current() const = 0;
  virtual void SetCurrent(int row) = 0;
  // Follows a change of the window's size.
  virtual void Fit() = 0;
};

// The check box change that a list view's LVN_ITEMCHANGED reports: the new
// state of a row's check box, or nothing when the check box did not toggle
// (a row that has just been inserted has no check box image yet).
std::optional<bool> CheckToggle(const NMLISTVIEW& change);

}  // namespace ui::win32

// The rows of a LISTBOX and of a list view with check boxes, behind the one
// interface of ListRows.
#include "ui/win32/list_rows.h"

#include "platform/win32/wide_text.h"

namespace ui::win32 {
namespace {

using platform::win32::ToWide;

// State image indexes of a list view with LVS_EX_CHECKBOXES.
constexpr UINT kUncheckedImage = 1;
constexpr UINT kCheckedImage = 2;

class ListBoxRows : public ListRows {
 public:
  explicit ListBoxRows(HWND hwnd) : hwnd_(hwnd) {}

  void Insert(int row, const std::string& text) override {
    const std::wstring wide = ToWide(text);
    ::SendMessageW(hwnd_, LB_INSERTSTRING, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(wide.c_str()));
  }
  void Remove(int row) override { ::SendMessageW(hwnd_, LB_DELETESTRING, static_cast<WPARAM>(row), 0); }
  void RemoveAll() override { ::SendMessageW(hwnd_, LB_RESETCONTENT, 0, 0); }
  void SetCheck(int /*row*/, bool /*checked*/) override {}
  [[nodiscard]] int Current() const override {
    return static_cast<int>(::SendMessageW(hwnd_, LB_GETCURSEL, 0, 0));
  }
  void SetCurrent(int row) override { ::SendMessageW(hwnd_, LB_SETCURSEL, static_cast<WPARAM>(row), 0); }
  void Fit() override {}

 private:
  HWND hwnd_;
};

class ListViewRows : public ListRows {
 public:
  ListViewRows(HWND hwnd, int width) : hwnd_(hwnd) {
    constexpr DWORD kListViewStyles = LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER;
    ListView_SetExtendedListViewStyleEx(hwnd_, kListViewStyles, kListViewStyles);
    LVCOLUMNW column{};
    column.mask = LVCF_WIDTH;
    column.cx = width;
    ListView_InsertColumn(hwnd_, 0, &column);
  }

  void Insert(int row, const std::string& text) override {
    std::wstring wide = ToWide(text);
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = wide.data();
    ListView_InsertItem(hwnd_, &item);
  }
  void Remove(int row) override { ListView_DeleteItem(hwnd_, row); }
  void RemoveAll() override { ListView_DeleteAllItems(hwnd_); }
  void SetCheck(int row, bool checked) override {
    ListView_SetItemState(hwnd_, row, INDEXTOSTATEIMAGEMASK(checked ? kCheckedImage : kUncheckedImage),
                          LVIS_STATEIMAGEMASK);
  }
  [[nodiscard]] int Current() const override { return ListView_GetNextItem(hwnd_, -1, LVNI_SELECTED); }
  void SetCurrent(int row) override {
    if (row < 0) {
      ListView_SetItemState(hwnd_, -1, 0, LVIS_SELECTED);
    } else {
      ListView_SetItemState(hwnd_, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
      ListView_EnsureVisible(hwnd_, row, FALSE);
    }
  }
  // One column as wide as the list's client area, which narrows when the
  // vertical scroll bar comes.
  void Fit() override {
    RECT client{};
    ::GetClientRect(hwnd_, &client);
    ListView_SetColumnWidth(hwnd_, 0, client.right - client.left);
  }

 private:
  HWND hwnd_;
};

}  // namespace

std::unique_ptr<ListRows> ListRows::For(ControlKind kind, HWND hwnd, int width) {
  if (kind == ControlKind::kCheckListBox) return std::make_unique<ListViewRows>(hwnd, width);
  return std::make_unique<ListBoxRows>(hwnd);
}

std::optional<bool> CheckToggle(const NMLISTVIEW& change) {
  // A state image of 0 is a row that has just been inserted, not a toggle.
  const UINT old_image = (change.uOldState & LVIS_STATEIMAGEMASK) >> 12;
  const UINT new_image = (change.uNewState & LVIS_STATEIMAGEMASK) >> 12;
  if (old_image == 0 || new_image == 0 || old_image == new_image) return std::nullopt;
  return new_image == kCheckedImage;
}

}  // namespace ui::win32

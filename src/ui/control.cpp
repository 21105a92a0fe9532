// Control models: state, design state and events.
#include "ui/control.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "platform/text.h"
#include "ui/form.h"

namespace ui {
namespace {

constexpr const char* kBadIndex = "Invalid property array index";
constexpr const char* kBadTab = "Index out of bounds";
constexpr const char* kBadValue = "Invalid property value";
constexpr const char* kPathNotFound = "Path not found";

}  // namespace

// ---- Control ---------------------------------------------------------------

Control::Control(Form& form, std::string name, ControlKind kind, Bounds bounds)
    : form_(form), name_(std::move(name)), kind_(kind), design_bounds_(bounds), bounds_(bounds) {
  form_.AddControl(*this);
}

void Control::setVisible(bool visible) {
  if (visible_ == visible) return;
  visible_ = visible;
  Notify(Property::kVisible);
}

void Control::setEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  Notify(Property::kEnabled);
}

void Control::setBounds(const Bounds& bounds) {
  if (bounds_ == bounds) return;
  bounds_ = bounds;
  Notify(Property::kBounds);
}

void Control::Design(bool visible, bool enabled) {
  design_visible_ = visible;
  design_enabled_ = enabled;
  visible_ = visible;
  enabled_ = enabled;
}

void Control::ResetToDesign() {
  setVisible(design_visible_);
  setEnabled(design_enabled_);
  setBounds(design_bounds_);
}

void Control::setContainer(TabStrip& tabs, int page) {
  if (page < 0 || page >= tabs.tabCount()) throw std::invalid_argument(name_ + ": no such tab page");
  SetContainer(tabs, page);
}

void Control::setContainer(Frame& frame) {
  SetContainer(frame, -1);
}

void Control::SetContainer(const Control& container, int page) {
  for (const Control* outer = &container; outer != nullptr; outer = outer->container_) {
    if (outer == this) throw std::invalid_argument(name_ + ": a container cannot contain itself");
  }
  container_ = &container;
  container_page_ = page;
  // Whether it is on screen may have changed.
  Notify(Property::kVisible);
}

bool Control::onScreen() const {
  if (!visible_) return false;
  if (container_ == nullptr) return true;
  if (container_page_ >= 0 && static_cast<const TabStrip*>(container_)->selectedTab() != container_page_) {
    return false;
  }
  return container_->onScreen();
}

void Control::setFocus() {
  form_.RequestFocus(*this);
}

void Control::Notify(Property property) {
  if (observer_ != nullptr) observer_->ControlChanged(*this, property);
}

bool Control::takesInput() const {
  return enabled_ && visible_ && form_.takesInput();
}

void Control::RaiseClick(const std::function<void()>& handler) const {
  if (takesInput() && handler) handler();
}

// ---- CaptionedControl ------------------------------------------------------

CaptionedControl::CaptionedControl(Form& form, std::string name, ControlKind kind, Bounds bounds,
                                   std::string caption)
    : Control(form, std::move(name), kind, bounds), design_caption_(caption), caption_(std::move(caption)) {}

void CaptionedControl::setCaption(std::string caption) {
  if (caption_ == caption) return;
  caption_ = std::move(caption);
  Notify(Property::kCaption);
}

void CaptionedControl::ResetToDesign() {
  Control::ResetToDesign();
  setCaption(design_caption_);
}

// ---- Label -----------------------------------------------------------------

Label::Label(Form& form, std::string name, Bounds bounds, std::string caption)
    : CaptionedControl(form, std::move(name), ControlKind::kLabel, bounds, std::move(caption)) {}

void Label::setForeColor(std::uint32_t color) {
  if (foreColor() == color) return;
  fore_color_ = color;
  Notify(Property::kForeColor);
}

void Label::click() {
  RaiseClick(on_click);
}

void Label::ResetToDesign() {
  CaptionedControl::ResetToDesign();
  if (fore_color_.has_value()) {
    const bool changed = *fore_color_ != design_fore_color;
    fore_color_.reset();
    if (changed) Notify(Property::kForeColor);
  }
}

// ---- Button ----------------------------------------------------------------

Button::Button(Form& form, std::string name, Bounds bounds, std::string caption)
    : CaptionedControl(form, std::move(name), ControlKind::kButton, bounds, std::move(caption)) {}

void Button::click() {
  RaiseClick(on_click);
}

// ---- CheckBox --------------------------------------------------------------

CheckBox::CheckBox(Form& form, std::string name, Bounds bounds, std::string caption)
    : CaptionedControl(form, std::move(name), ControlKind::kCheckBox, bounds, std::move(caption)) {}

void CheckBox::setChecked(bool checked) {
  if (checked_ == checked) return;
  checked_ = checked;
  Notify(Property::kValue);
  if (on_click) on_click();
}

void CheckBox::click() {
  if (takesInput()) setChecked(!checked_);
}

void CheckBox::ResetToDesign() {
  CaptionedControl::ResetToDesign();
  if (checked_) {
    checked_ = false;
    Notify(Property::kValue);
  }
}

// ---- TextBox ---------------------------------------------------------------

TextBox::TextBox(Form& form, std::string name, Bounds bounds, std::string text)
    : Control(form, std::move(name), ControlKind::kTextBox, bounds),
      design_text_(text),
      text_(std::move(text)) {}

void TextBox::setText(std::string text) {
  if (text_ == text) return;
  text_ = std::move(text);
  Notify(Property::kText);
  if (on_change) on_change();
}

bool TextBox::type(std::string_view text) {
  if (!takesInput()) return false;
  setText(max_length > 0 ? platform::TruncateUtf16Units(text, max_length) : std::string(text));
  return true;
}

void TextBox::ResetToDesign() {
  Control::ResetToDesign();
  if (text_ != design_text_) {
    text_ = design_text_;
    Notify(Property::kText);
  }
}

// ---- ListControl, ListBox, CheckListBox -----------------------------------

ListControl::ListControl(Form& form, std::string name, ControlKind kind, Bounds bounds)
    : Control(form, std::move(name), kind, bounds) {}

void ListControl::CheckRow(int row) const {
  if (row < 0 || row >= listCount()) throw RuntimeError(kBadIndex);
}

const std::string& ListControl::list(int row) const {
  CheckRow(row);
  return rows_[static_cast<std::size_t>(row)].text;
}

void ListControl::AddRow(std::string text, bool checked, int row) {
  if (row == -1) row = listCount();
  if (row < 0 || row > listCount()) throw RuntimeError(kBadIndex);
  rows_.insert(rows_.begin() + row, Row{std::move(text), checked});
  if (list_index_ >= row) ++list_index_;
  Notify(Property::kItems);
}

void ListControl::removeItem(int row) {
  CheckRow(row);
  rows_.erase(rows_.begin() + row);
  if (list_index_ >= listCount()) list_index_ = -1;
  Notify(Property::kItems);
}

void ListControl::clear() {
  rows_.clear();
  list_index_ = -1;
  Notify(Property::kItems);
}

void ListControl::setListIndex(int row) {
  if (row != -1) CheckRow(row);
  if (list_index_ == row) return;
  list_index_ = row;
  Notify(Property::kListIndex);
}

bool ListControl::RowChecked(int row) const {
  CheckRow(row);
  return rows_[static_cast<std::size_t>(row)].checked;
}

bool ListControl::SetRowChecked(int row, bool checked) {
  CheckRow(row);
  auto& target = rows_[static_cast<std::size_t>(row)];
  if (target.checked == checked) return false;
  target.checked = checked;
  Notify(Property::kChecked);
  return true;
}

void ListControl::ResetToDesign() {
  Control::ResetToDesign();
  if (!rows_.empty() || list_index_ != -1) clear();
}

bool ListControl::pick(int row) {
  if (row != -1) CheckRow(row);
  if (!takesInput()) return false;
  setListIndex(row);
  return true;
}

void ListControl::keyDown(int key_code) {
  if (takesInput() && on_key_down) on_key_down(key_code);
}

void ListControl::mouseDown(int button) {
  if (takesInput() && on_mouse_down) on_mouse_down(button);
}

ListBox::ListBox(Form& form, std::string name, Bounds bounds)
    : ListControl(form, std::move(name), ControlKind::kListBox, bounds) {}

void ListBox::addItem(std::string text) {
  int row = listCount();
  if (sorted) {
    // After the last row that does not sort after the text.
    const std::string key = platform::UnicodeLower(text);
    int low = 0;
    while (low < row) {
      const int middle = low + (row - low) / 2;
      if (key < platform::UnicodeLower(list(middle))) {
        row = middle;
      } else {
        low = middle + 1;
      }
    }
  }
  AddRow(std::move(text), false, row);
}

void ListBox::click(int row) {
  CheckRow(row);
  pick(row);
}

bool ListBox::pick(int row) {
  if (!ListControl::pick(row)) return false;
  if (on_click) on_click();
  return true;
}

CheckListBox::CheckListBox(Form& form, std::string name, Bounds bounds)
    : ListControl(form, std::move(name), ControlKind::kCheckListBox, bounds) {}

bool CheckListBox::selected(int row) const {
  return RowChecked(row);
}

void CheckListBox::setSelected(int row, bool checked) {
  if (SetRowChecked(row, checked) && on_item_check) on_item_check(row);
}

bool CheckListBox::tick(int row, bool checked) {
  CheckRow(row);
  if (!takesInput()) return false;
  setSelected(row, checked);
  return true;
}

void CheckListBox::addItem(std::string text, bool checked) {
  AddRow(std::move(text), checked);
}

void CheckListBox::insertItem(int row, std::string text, bool checked) {
  AddRow(std::move(text), checked, row);
}

// ---- Timer -----------------------------------------------------------------

Timer::Timer(Form& form, std::string name, std::uint32_t interval_ms, bool enabled)
    : Control(form, std::move(name), ControlKind::kTimer, Bounds{}),
      design_interval_(interval_ms),
      design_enabled_(enabled),
      interval_(interval_ms),
      timer_enabled_(enabled) {
  Design(false, true);
}

Timer::~Timer() {
  if (running()) form().loop().StopTimer(timer_id_);
}

void Timer::setInterval(std::uint32_t interval_ms) {
  if (interval_ == interval_ms) return;
  interval_ = interval_ms;
  // A new interval restarts the count, as re-arming a Windows timer does.
  if (running()) {
    form().loop().StopTimer(timer_id_);
    timer_id_ = platform::EventLoop::kNoTimer;
  }
  Sync();
  Notify(Property::kTimer);
}

void Timer::setTimerEnabled(bool enabled) {
  if (timer_enabled_ == enabled) return;
  timer_enabled_ = enabled;
  Sync();
  Notify(Property::kTimer);
}

void Timer::Sync() {
  const bool should_run = timer_enabled_ && interval_ > 0 && form().loaded();
  if (should_run && !running()) {
    timer_id_ = form().loop().StartTimer(interval_, [this] { Tick(); });
  } else if (!should_run && running()) {
    form().loop().StopTimer(timer_id_);
    timer_id_ = platform::EventLoop::kNoTimer;
  }
}

void Timer::Tick() {
  if (on_timer) on_timer();
}

void Timer::ResetToDesign() {
  Control::ResetToDesign();
  interval_ = design_interval_;
  timer_enabled_ = design_enabled_;
  Sync();
}

// ---- TabStrip --------------------------------------------------------------

TabStrip::TabStrip(Form& form, std::string name, Bounds bounds, std::vector<std::string> tabs)
    : Control(form, std::move(name), ControlKind::kTabStrip, bounds),
      tabs_(std::move(tabs)),
      selected_(tabs_.empty() ? -1 : 0) {}

void TabStrip::setSelectedTab(int tab) {
  if (tab < 0 || tab >= tabCount()) throw RuntimeError(kBadTab);
  if (selected_ == tab) return;
  selected_ = tab;
  Notify(Property::kSelectedTab);
  if (on_click) on_click();
}

bool TabStrip::pick(int tab) {
  if (!takesInput()) return false;
  setSelectedTab(tab);
  return true;
}

void TabStrip::ResetToDesign() {
  Control::ResetToDesign();
  const int design = tabs_.empty() ? -1 : 0;
  if (selected_ != design) {
    selected_ = design;
    Notify(Property::kSelectedTab);
  }
}

// ---- Image -----------------------------------------------------------------

Image::Image(Form& form, std::string name, Bounds bounds, std::string picture)
    : Control(form, std::move(name), ControlKind::kImage, bounds),
      design_picture_(picture),
      picture_(std::move(picture)) {}

void Image::setPicture(std::string picture) {
  if (picture_ == picture) return;
  picture_ = std::move(picture);
  Notify(Property::kPicture);
}

void Image::click() {
  RaiseClick(on_click);
}

void Image::ResetToDesign() {
  Control::ResetToDesign();
  setPicture(design_picture_);
}

// ---- Frame -----------------------------------------------------------------

Frame::Frame(Form& form, std::string name, Bounds bounds, std::string caption)
    : CaptionedControl(form, std::move(name), ControlKind::kFrame, bounds, std::move(caption)) {}

// ---- ProgressBar -----------------------------------------------------------

ProgressBar::ProgressBar(Form& form, std::string name, Bounds bounds, int min, int max)
    : Control(form, std::move(name), ControlKind::kProgressBar, bounds),
      design_min_(min),
      design_max_(max),
      min_(min),
      max_(max),
      value_(min) {
  if (min >= max) throw std::invalid_argument(this->name() + ": the range needs min < max");
}

void ProgressBar::setRange(int min, int max) {
  if (min >= max) throw RuntimeError(kBadValue);
  if (min_ == min && max_ == max) return;
  min_ = min;
  max_ = max;
  value_ = std::clamp(value_, min_, max_);
  Notify(Property::kProgress);
}

void ProgressBar::setValue(int value) {
  if (value < min_ || value > max_) throw RuntimeError(kBadValue);
  if (value_ == value) return;
  value_ = value;
  Notify(Property::kProgress);
}

void ProgressBar::ResetToDesign() {
  Control::ResetToDesign();
  if (min_ == design_min_ && max_ == design_max_ && value_ == design_min_) return;
  min_ = design_min_;
  max_ = design_max_;
  value_ = design_min_;
  Notify(Property::kProgress);
}

// ---- Shape -----------------------------------------------------------------

Shape::Shape(Form& form, std::string name, Bounds bounds, std::uint32_t fill_color)
    : Control(form, std::move(name), ControlKind::kShape, bounds), fill_color_(fill_color) {}

// ---- FileListBox -----------------------------------------------------------

FileListBox::FileListBox(Form& form, std::string name, platform::FileService& files)
    : Control(form, std::move(name), ControlKind::kFileList, Bounds{}), files_(files) {
  Design(false, true);
}

void FileListBox::setPath(std::string_view path) {
  if (files_.Kind(path) != platform::FileKind::kFolder) throw RuntimeError(kPathNotFound);
  std::string folder(path);
  // "C:\Docs\" names C:\Docs; "C:\" stays the drive's root.
  while (folder.size() > 1 && (folder.back() == '\\' || folder.back() == '/') &&
         !(folder.size() == 3 && folder[1] == ':')) {
    folder.pop_back();
  }
  names_ = files_.FilesOf(folder);
  path_ = std::move(folder);
}

const std::string& FileListBox::list(int row) const {
  if (row < 0 || row >= listCount()) throw RuntimeError(kBadIndex);
  return names_[static_cast<std::size_t>(row)];
}

void FileListBox::ResetToDesign() {
  Control::ResetToDesign();
  path_.clear();
  names_.clear();
}

}  // namespace ui

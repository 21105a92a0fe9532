// Toolkit-neutral models of the controls on the program's forms. A model is
// the whole truth about its control: headless tests read and drive it, and
// the win32 renderer mirrors it into a real control. No Windows headers.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/event_loop.h"
#include "platform/file_service.h"
#include "ui/runtime_error.h"

namespace ui {

class Form;
class Control;
class TabStrip;
class Frame;

// Which property of a control changed, so a renderer updates only that.
enum class Property {
  kCaption,  // a CaptionedControl's caption
  kText,     // TextBox text
  kValue,    // CheckBox value
  kVisible,
  kEnabled,
  kBounds,
  kForeColor,
  kItems,        // the rows of a list changed (added, removed, cleared)
  kListIndex,    // the current row of a list
  kChecked,      // a check state of a CheckListBox row
  kTimer,        // a timer's interval or enabled flag
  kSelectedTab,  // a TabStrip's selected tab
  kPicture,      // an Image's icon
  kProgress,     // a ProgressBar's range or value
};

// Receives every change of a control's model; the win32 renderer is one.
class ControlObserver {
 public:
  virtual ~ControlObserver() = default;
  virtual void ControlChanged(Control& control, Property property) = 0;
};

// Position and size in twips (1/1440 inch), as designed.
struct Bounds {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const Bounds&, const Bounds&) = default;
};

enum class ControlKind {
  kLabel,
  kButton,
  kCheckBox,
  kTextBox,
  kListBox,
  kCheckListBox,
  kTimer,
  kTabStrip,
  kImage,
  kFrame,
  kProgressBar,
  kShape,
  kFileList,
};

enum class Alignment { kLeft, kRight, kCenter };

// Colours as 0xRRGGBB.
inline constexpr std::uint32_t kBlack = 0x000000;
inline constexpr std::uint32_t kRed = 0xFF0000;
inline constexpr std::uint32_t kBlue = 0x0000FF;

// Mouse buttons as the key and mouse events name them.
inline constexpr int kLeftButton = 1;
inline constexpr int kRightButton = 2;
inline constexpr int kMiddleButton = 4;
// Key codes are Windows virtual-key codes.
inline constexpr int kKeyDelete = 0x2E;

class Control {
 public:
  Control(Form& form, std::string name, ControlKind kind, Bounds bounds);
  virtual ~Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;
  Control(Control&&) = delete;
  Control& operator=(Control&&) = delete;

  [[nodiscard]] const std::string& name() const { return name_; }
  [[nodiscard]] ControlKind kind() const { return kind_; }
  [[nodiscard]] Form& form() const { return form_; }

  [[nodiscard]] bool visible() const { return visible_; }
  void setVisible(bool visible);
  [[nodiscard]] bool enabled() const { return enabled_; }
  void setEnabled(bool enabled);
  [[nodiscard]] const Bounds& bounds() const { return bounds_; }
  void setBounds(const Bounds& bounds);

  // Sets the designed visibility and enabled state (and the current ones).
  void Design(bool visible, bool enabled);
  // Back to the state the control had when the form was designed.
  virtual void ResetToDesign();

  // ---- Containers (design). A control placed on page `page` of a tab strip
  // or in a frame keeps its form-relative position; it is on screen only
  // while its container is on screen (and, on a tab page, while that page
  // is the selected tab). visible() stays the control's own property.
  // Throws std::invalid_argument for a page the strip does not have or a
  // container that would contain itself.
  void setContainer(TabStrip& tabs, int page);
  void setContainer(Frame& frame);
  // The tab strip or frame the control sits in; nullptr on the form itself.
  [[nodiscard]] const Control* container() const { return container_; }
  // The tab page the control sits on; -1 when its container is not a tab strip.
  [[nodiscard]] int containerPage() const { return container_page_; }
  // Whether the user can see the control: it is visible and so is every
  // container around it, on the selected page.
  [[nodiscard]] bool onScreen() const;

  // Whether a user's input (a click, a key, a typed text, a ticked box)
  // reaches the control: it is enabled and visible and its form takes input
  // (Form::takesInput). Every user path of the models below asks this and
  // nothing else; input it refuses changes nothing.
  [[nodiscard]] bool takesInput() const;

  // Asks for the keyboard focus: at once when the form is on screen,
  // otherwise when it is next shown (see Form::focusRequest).
  void setFocus();

  // Shown when the mouse rests on the control (design).
  std::string tool_tip;

  void setObserver(ControlObserver* observer) { observer_ = observer; }

 protected:
  void Notify(Property property);
  // Raises `handler` (when set) for a user's click, if the control takes it.
  void RaiseClick(const std::function<void()>& handler) const;

 private:
  void SetContainer(const Control& container, int page);

  Form& form_;
  std::string name_;
  ControlKind kind_;
  Bounds design_bounds_;
  Bounds bounds_;
  bool design_visible_ = true;
  bool design_enabled_ = true;
  bool visible_ = true;
  bool enabled_ = true;
  const Control* container_ = nullptr;
  int container_page_ = -1;
  ControlObserver* observer_ = nullptr;
};

// A control with a caption that code may change; unloading puts the
// designed caption back. Captions use "&&" for an ampersand and "&" for a
// mnemonic, as the forms were designed.
class CaptionedControl : public Control {
 public:
  [[nodiscard]] const std::string& caption() const { return caption_; }
  void setCaption(std::string caption);
  void ResetToDesign() override;

 protected:
  CaptionedControl(Form& form, std::string name, ControlKind kind, Bounds bounds, std::string caption);

 private:
  std::string design_caption_;
  std::string caption_;
};

// Text on the form. A label with on_click acts as a link (hand cursor).
class Label : public CaptionedControl {
 public:
  Label(Form& form, std::string name, Bounds bounds, std::string caption);
  [[nodiscard]] std::uint32_t foreColor() const { return fore_color_.value_or(design_fore_color); }
  void setForeColor(std::uint32_t color);
  // Clicks the label as a user would: nothing happens while it is disabled
  // or hidden.
  void click();
  void ResetToDesign() override;

  // Design properties.
  std::uint32_t design_fore_color = kBlack;
  Alignment alignment = Alignment::kLeft;
  bool underline = false;
  bool bold = false;
  // Long text wraps at word breaks inside the label's box; without, it is
  // cut at the box's edge.
  bool word_wrap = true;
  // No background of its own: whatever lies under the label shows through.
  bool transparent = false;

  std::function<void()> on_click;

 private:
  // Set from code; until then (and after a reset) the designed colour.
  std::optional<std::uint32_t> fore_color_;
};

class Button : public CaptionedControl {
 public:
  Button(Form& form, std::string name, Bounds bounds, std::string caption);
  // Presses the button as a user would: nothing happens while it is disabled.
  void click();

  bool is_default = false;  // pressed by Enter
  bool is_cancel = false;   // pressed by Esc
  // An icon of the program's resources (as Image names them) drawn 32 x 32
  // above the caption; "" for a caption alone (design).
  std::string picture;
  std::function<void()> on_click;
};

class CheckBox : public CaptionedControl {
 public:
  CheckBox(Form& form, std::string name, Bounds bounds, std::string caption);
  [[nodiscard]] bool checked() const { return checked_; }
  // Sets the value from code; raises on_click when it changes, as the
  // program's check boxes do whoever changes them.
  void setChecked(bool checked);
  // Toggles as a user's click would: nothing happens while disabled.
  void click();
  void ResetToDesign() override;

  std::function<void()> on_click;

 private:
  bool checked_ = false;
};

class TextBox : public Control {
 public:
  TextBox(Form& form, std::string name, Bounds bounds, std::string text = "");
  [[nodiscard]] const std::string& text() const { return text_; }
  // Sets the text, whole, and raises on_change when it differs.
  void setText(std::string text);
  // Types a text over the box's content as a user would: what goes past
  // max_length does not go in. False when the box takes no input.
  bool type(std::string_view text);
  void ResetToDesign() override;

  char password_char = 0;  // 0 = plain echo
  // The most characters (UTF-16 units) the user can type in, 0 = no limit.
  // As with an edit box's limit, a longer text set from code is kept and
  // shown whole; the user can then shorten it but not lengthen it.
  std::size_t max_length = 0;
  bool locked = false;  // read-only for the user; code still sets the text
  std::function<void()> on_change;

 private:
  std::string design_text_;
  std::string text_;
};

// The rows and the current row (-1 = none) that ListBox and CheckListBox
// share. Every row carries a check box; only CheckListBox shows and sets it.
class ListControl : public Control {
 public:
  [[nodiscard]] int listCount() const { return static_cast<int>(rows_.size()); }
  // The text of a row; throws RuntimeError ("Invalid property array index")
  // for a row that does not exist, as a row that vanished during a yield.
  [[nodiscard]] const std::string& list(int row) const;
  void removeItem(int row);
  void clear();
  [[nodiscard]] int listIndex() const { return list_index_; }
  void setListIndex(int row);
  // Makes a row (or -1, none) the current one as a user's click or arrow key
  // does; false when the list takes no input. A ListBox raises on_click.
  // Throws RuntimeError for a row that does not exist.
  virtual bool pick(int row);
  void ResetToDesign() override;

  // A key pressed (its key code) or a mouse button pressed on the list, as
  // a user would: nothing happens while the list is disabled or hidden.
  void keyDown(int key_code);
  void mouseDown(int button);
  // Raised by a key before the list's own handling of it, and by a mouse
  // button after the list's own selection and check box handling.
  std::function<void(int key_code)> on_key_down;
  std::function<void(int button)> on_mouse_down;

 protected:
  ListControl(Form& form, std::string name, ControlKind kind, Bounds bounds);
  // Inserts a row at `row` (the end when -1); the current row keeps
  // pointing at the same text.
  void AddRow(std::string text, bool checked, int row = -1);
  // Throws RuntimeError for a row that does not exist.
  void CheckRow(int row) const;
  [[nodiscard]] bool RowChecked(int row) const;
  // False when the row had that check state already.
  bool SetRowChecked(int row, bool checked);

 private:
  struct Row {
    std::string text;
    bool checked = false;
  };
  std::vector<Row> rows_;
  int list_index_ = -1;
};

// A plain list of texts with a current row.
class ListBox : public ListControl {
 public:
  ListBox(Form& form, std::string name, Bounds bounds);
  // Adds a row at the end, or in a sorted list at its place in
  // alphabetical order (letter case ignored; after rows that compare equal).
  void addItem(std::string text);
  // Picks a row as a user's click does: it becomes the current row and
  // on_click is raised; nothing happens while the list is disabled or
  // hidden. Throws RuntimeError for a row that does not exist.
  void click(int row);
  bool pick(int row) override;

  bool sorted = false;  // design
  std::function<void()> on_click;
};

// A list whose rows carry check boxes.
class CheckListBox : public ListControl {
 public:
  CheckListBox(Form& form, std::string name, Bounds bounds);
  [[nodiscard]] bool selected(int row) const;  // the row's check box
  void setSelected(int row, bool checked);
  void addItem(std::string text, bool checked = false);
  // Inserts a row at `row` (0 to listCount()); throws RuntimeError for a
  // position outside that.
  void insertItem(int row, std::string text, bool checked = false);
  // Ticks or clears a row's check box as a user's click does; false when the
  // list takes no input. Throws RuntimeError for a row that does not exist.
  bool tick(int row, bool checked);

  // A user ticked or cleared row `row`'s check box.
  std::function<void(int row)> on_item_check;
};

// A timer runs while it is enabled, its interval is above 0 and its form is
// loaded; the form's event loop drives it.
class Timer : public Control {
 public:
  Timer(Form& form, std::string name, std::uint32_t interval_ms, bool enabled);
  ~Timer() override;
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;
  Timer(Timer&&) = delete;
  Timer& operator=(Timer&&) = delete;

  [[nodiscard]] std::uint32_t interval() const { return interval_; }
  void setInterval(std::uint32_t interval_ms);
  [[nodiscard]] bool timerEnabled() const { return timer_enabled_; }
  void setTimerEnabled(bool enabled);
  [[nodiscard]] bool running() const { return timer_id_ != platform::EventLoop::kNoTimer; }
  // Re-arms or disarms against the form's state; the form calls it on load
  // and unload.
  void Sync();
  void ResetToDesign() override;

  std::function<void()> on_timer;

 private:
  void Tick();
  std::uint32_t design_interval_;
  bool design_enabled_;
  std::uint32_t interval_;
  bool timer_enabled_;
  platform::EventLoop::TimerId timer_id_ = platform::EventLoop::kNoTimer;
};

// A row of tabs. Other controls are placed on its pages with
// Control::setContainer; the strip itself only knows which tab is selected.
class TabStrip : public Control {
 public:
  TabStrip(Form& form, std::string name, Bounds bounds, std::vector<std::string> tabs);
  [[nodiscard]] const std::vector<std::string>& tabs() const { return tabs_; }
  [[nodiscard]] int tabCount() const { return static_cast<int>(tabs_.size()); }
  // The selected tab, 0 at design; -1 only for a strip without tabs.
  [[nodiscard]] int selectedTab() const { return selected_; }
  // Selects a tab, from code or by the user's click; raises on_click when
  // the selection changes. Throws RuntimeError ("Index out of bounds") for
  // a tab that does not exist.
  void setSelectedTab(int tab);
  // Selects a tab as a user's click or Ctrl+Tab does; false when the strip
  // takes no input.
  bool pick(int tab);
  void ResetToDesign() override;

  std::function<void()> on_click;

 private:
  std::vector<std::string> tabs_;
  int selected_;
};

// An icon from the program's resources ("IDI_PROGRAM", "IDI_UNLOCKED", as
// Form::icon names them), drawn at the control's size.
class Image : public Control {
 public:
  Image(Form& form, std::string name, Bounds bounds, std::string picture);
  [[nodiscard]] const std::string& picture() const { return picture_; }
  void setPicture(std::string picture);
  // Clicks the image as a user would: nothing happens while it is disabled
  // or hidden.
  void click();
  void ResetToDesign() override;

  std::function<void()> on_click;

 private:
  std::string design_picture_;
  std::string picture_;
};

// A frame groups controls (Control::setContainer): bordered, it is a group
// box with its caption; without a border it draws nothing but, when
// top_line_color is set, a 1-pixel line along its top (a button strip).
class Frame : public CaptionedControl {
 public:
  Frame(Form& form, std::string name, Bounds bounds, std::string caption = "");

  // Design properties.
  bool bordered = true;
  std::optional<std::uint32_t> top_line_color;
  // Without a border: a background of its own, which the controls in it
  // take, and a 1-pixel line along its bottom.
  std::optional<std::uint32_t> back_color;
  std::optional<std::uint32_t> bottom_line_color;
};

// A bar that fills from min() to max() as value() grows.
class ProgressBar : public Control {
 public:
  ProgressBar(Form& form, std::string name, Bounds bounds, int min = 0, int max = 100);
  [[nodiscard]] int min() const { return min_; }
  [[nodiscard]] int max() const { return max_; }
  [[nodiscard]] int value() const { return value_; }
  // A new range needs min < max, or it throws RuntimeError ("Invalid
  // property value"); the value is moved into the new range.
  void setRange(int min, int max);
  // Throws RuntimeError ("Invalid property value") outside [min, max].
  void setValue(int value);
  void ResetToDesign() override;

 private:
  int design_min_;
  int design_max_;
  int min_;
  int max_;
  int value_;
};

// A rectangle filled with one colour, without a border; code changes its
// bounds (a bar that grows).
class Shape : public Control {
 public:
  Shape(Form& form, std::string name, Bounds bounds, std::uint32_t fill_color);
  [[nodiscard]] std::uint32_t fillColor() const { return fill_color_; }

 private:
  std::uint32_t fill_color_;
};

// A list of the ordinary files of one folder (no folders, no hidden or
// system files), sorted by name, read when the path is set. Never shown.
class FileListBox : public Control {
 public:
  FileListBox(Form& form, std::string name, platform::FileService& files);
  // The folder as it was set, without a trailing "\" (but "C:\" for a
  // drive). Starts empty.
  [[nodiscard]] const std::string& path() const { return path_; }
  // Points the list at a folder and reads its files; throws RuntimeError
  // ("Path not found") when the path names no folder, keeping the old list.
  void setPath(std::string_view path);
  [[nodiscard]] int listCount() const { return static_cast<int>(names_.size()); }
  // Throws RuntimeError ("Invalid property array index") for a row that
  // does not exist.
  [[nodiscard]] const std::string& list(int row) const;
  void ResetToDesign() override;

 private:
  platform::FileService& files_;
  std::string path_;
  std::vector<std::string> names_;
};

}  // namespace ui

// Toolkit-neutral models of the controls on the program's forms. A model is
// the whole truth about its control: headless tests read and drive it, and
// the win32 renderer mirrors it into a real control. No Windows headers.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/event_loop.h"
#include "ui/runtime_error.h"

namespace ui {

class Form;
class Control;

// Which property of a control changed, so a renderer updates only that.
enum class Property {
  kCaption,  // Label, Button, CheckBox caption
  kText,     // TextBox text
  kValue,    // CheckBox value
  kVisible,
  kEnabled,
  kBounds,
  kForeColor,
  kItems,      // the rows of a list changed (added, removed, cleared)
  kListIndex,  // the current row of a list
  kChecked,    // a check state of a CheckListBox row
  kTimer,      // a timer's interval or enabled flag
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

enum class ControlKind { kLabel, kButton, kCheckBox, kTextBox, kListBox, kCheckListBox, kTimer };

// Colours as 0xRRGGBB.
inline constexpr std::uint32_t kBlack = 0x000000;
inline constexpr std::uint32_t kRed = 0xFF0000;

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

  void setObserver(ControlObserver* observer) { observer_ = observer; }

 protected:
  void Notify(Property property);

 private:
  Form& form_;
  std::string name_;
  ControlKind kind_;
  Bounds design_bounds_;
  Bounds bounds_;
  bool design_visible_ = true;
  bool design_enabled_ = true;
  bool visible_ = true;
  bool enabled_ = true;
  ControlObserver* observer_ = nullptr;
};

class Label : public Control {
 public:
  Label(Form& form, std::string name, Bounds bounds, std::string caption);
  [[nodiscard]] const std::string& caption() const { return caption_; }
  void setCaption(std::string caption);
  [[nodiscard]] std::uint32_t foreColor() const { return fore_color_; }
  void setForeColor(std::uint32_t color);
  void ResetToDesign() override;

 private:
  std::string design_caption_;
  std::string caption_;
  std::uint32_t fore_color_ = kBlack;
};

class Button : public Control {
 public:
  Button(Form& form, std::string name, Bounds bounds, std::string caption);
  [[nodiscard]] const std::string& caption() const { return caption_; }
  void setCaption(std::string caption);
  // Presses the button as a user would: nothing happens while it is disabled.
  void click();
  void ResetToDesign() override;

  bool is_default = false;  // pressed by Enter
  bool is_cancel = false;   // pressed by Esc
  std::function<void()> on_click;

 private:
  std::string design_caption_;
  std::string caption_;
};

class CheckBox : public Control {
 public:
  CheckBox(Form& form, std::string name, Bounds bounds, std::string caption);
  [[nodiscard]] const std::string& caption() const { return caption_; }
  [[nodiscard]] bool checked() const { return checked_; }
  // Sets the value from code; raises on_click when it changes, as the
  // program's check boxes do whoever changes them.
  void setChecked(bool checked);
  // Toggles as a user's click would: nothing happens while disabled.
  void click();
  void ResetToDesign() override;

  std::function<void()> on_click;

 private:
  std::string caption_;
  bool checked_ = false;
};

class TextBox : public Control {
 public:
  TextBox(Form& form, std::string name, Bounds bounds, std::string text = "");
  [[nodiscard]] const std::string& text() const { return text_; }
  // Sets the text (cut to max_length characters when that is set) and raises
  // on_change when it differs.
  void setText(std::string text);
  void ResetToDesign() override;

  char password_char = 0;      // 0 = plain echo
  std::size_t max_length = 0;  // 0 = no limit
  std::function<void()> on_change;

 private:
  std::string design_text_;
  std::string text_;
};

// A plain list of texts with a current row (-1 = none).
class ListBox : public Control {
 public:
  ListBox(Form& form, std::string name, Bounds bounds);
  [[nodiscard]] int listCount() const { return static_cast<int>(items_.size()); }
  // The text of a row; throws RuntimeError ("Invalid property array index")
  // for a row that does not exist, as a row that vanished during a yield.
  [[nodiscard]] const std::string& list(int row) const;
  void addItem(std::string text);
  void removeItem(int row);
  void clear();
  [[nodiscard]] int listIndex() const { return list_index_; }
  void setListIndex(int row);
  void ResetToDesign() override;

  std::function<void()> on_click;

 protected:
  void CheckRow(int row) const;

 private:
  std::vector<std::string> items_;
  int list_index_ = -1;
};

// A list whose rows carry check boxes.
class CheckListBox : public Control {
 public:
  CheckListBox(Form& form, std::string name, Bounds bounds);
  [[nodiscard]] int listCount() const { return static_cast<int>(rows_.size()); }
  [[nodiscard]] const std::string& list(int row) const;
  [[nodiscard]] bool selected(int row) const;  // the row's check box
  void setSelected(int row, bool checked);
  void addItem(std::string text, bool checked = false);
  void removeItem(int row);
  void clear();
  [[nodiscard]] int listIndex() const { return list_index_; }
  void setListIndex(int row);
  void ResetToDesign() override;

  // A user ticked or cleared row `row`'s check box.
  std::function<void(int row)> on_item_check;

 private:
  struct Row {
    std::string text;
    bool checked = false;
  };
  void CheckRow(int row) const;
  std::vector<Row> rows_;
  int list_index_ = -1;
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

}  // namespace ui

// Whether the configuration is being loaded or saved, and whether the stored
// one has been put in force in this run. Kept by the main window, which runs
// every load and save; the watch cycle, the unlock prompt and the other
// handlers read it through a const view.
#pragma once

#include <array>

namespace config {

class LoadSaveState {
 public:
  // Raised for the life of a scope, however it is left.
  class [[nodiscard]] Mark {
   public:
    ~Mark() {
      for (bool* flag : lowered_) {
        if (flag != nullptr) *flag = false;
      }
    }
    Mark(const Mark&) = delete;
    Mark& operator=(const Mark&) = delete;
    Mark(Mark&&) = delete;
    Mark& operator=(Mark&&) = delete;

   private:
    friend class LoadSaveState;
    Mark(bool& raised, bool* also_lowered) : lowered_{&raised, also_lowered} { raised = true; }
    std::array<bool*, 2> lowered_;
  };

  // The loader is putting what it read into the controls (at start-up, from
  // before the first load): the Administrator box's handler stores nothing.
  [[nodiscard]] bool configLoading() const { return configLoading_; }
  // The stored password has been put in force once in this run. Until then
  // no lock is raised and no password is checked: the default password is
  // in force only while none is stored.
  [[nodiscard]] bool configLoaded() const { return configLoaded_; }
  // A load is filling the window, or Apply (or the registry tool, on the
  // program's whole key) is writing the settings.
  [[nodiscard]] bool loadRunning() const { return loadRunning_; }
  [[nodiscard]] bool saveRunning() const { return saveRunning_; }
  // Neither a load nor a save may start while either runs.
  [[nodiscard]] bool busy() const { return loadRunning_ || saveRunning_; }

  // A load under way; at its end, however it ends, nothing fills the
  // controls any more.
  Mark Loading() { return {loadRunning_, &configLoading_}; }
  Mark Saving() { return {saveRunning_, nullptr}; }
  // Until the end of the load under way (or, at start-up, of the first one).
  void StartFilling() { configLoading_ = true; }
  void Loaded() { configLoaded_ = true; }

 private:
  bool configLoading_ = false;
  bool configLoaded_ = false;
  bool loadRunning_ = false;
  bool saveRunning_ = false;
};

}  // namespace config

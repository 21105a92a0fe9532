// End to end: the Encryption tab driven as a user drives it. A file is
// encrypted with a password typed in mixed case while the progress bar
// grows, decrypted with the password in another case to the same bytes, and
// a wrong password is answered in red with its code; a program killed in the
// middle of a file leaves nothing behind.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "e2e/harness.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

constexpr int kEncryptionTab = 1;
constexpr std::chrono::milliseconds kRunTimeout{120000};

// A folder of the test's own under the temporary folder (the program lower-
// cases paths, so the name is all lower case), removed afterwards.
class Folder {
 public:
  Folder()
      : path_(fs::temp_directory_path() /
              (L"ksv encrypt " + std::to_wstring(::GetCurrentProcessId()) + L" \u0442\u0435\u0441\u0442")) {
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~Folder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;

  [[nodiscard]] fs::path operator/(std::wstring_view name) const { return path_ / name; }
  // The names in the folder, temporary files included.
  [[nodiscard]] std::vector<std::wstring> Names() const {
    std::vector<std::wstring> names;
    for (const auto& entry : fs::directory_iterator(path_))
      names.push_back(entry.path().filename().wstring());
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  fs::path path_;
};

// A file of `mib` MiB whose every byte depends on its offset.
void WritePattern(const fs::path& path, std::size_t mib) {
  std::ofstream out(path, std::ios::binary);
  std::string block(1 << 20, '\0');
  for (std::size_t m = 0; m < mib; ++m) {
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>((m * 131 + i * 7) ^ (i >> 9));
    out.write(block.data(), static_cast<std::streamsize>(block.size()));
  }
}

bool SameBytes(const fs::path& a, const fs::path& b) {
  std::ifstream first(a, std::ios::binary);
  std::ifstream second(b, std::ios::binary);
  std::string x(1 << 20, '\0');
  std::string y(1 << 20, '\0');
  while (first && second) {
    first.read(x.data(), static_cast<std::streamsize>(x.size()));
    second.read(y.data(), static_cast<std::streamsize>(y.size()));
    if (first.gcount() != second.gcount() || x.compare(0, first.gcount(), y, 0, second.gcount()) != 0)
      return false;
  }
  return first.eof() && second.eof();
}

class EncryptionTab : public Scenario {
 protected:
  // The configuration window on its Encryption tab, and the tab's controls.
  void OpenTab() {
    config_ = StartToMainWindow();
    ASSERT_NE(config_, nullptr);
    std::vector<HWND> edits;
    ::EnumChildWindows(
        config_,
        [](HWND child, LPARAM found) {
          wchar_t name[16] = {};
          ::GetClassNameW(child, name, 16);
          if (::lstrcmpiW(name, L"Edit") == 0) reinterpret_cast<std::vector<HWND>*>(found)->push_back(child);
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&edits));
    // The path box comes first; the password box is the masked one.
    for (const HWND edit : edits) {
      if ((::GetWindowLongW(edit, GWL_STYLE) & ES_PASSWORD) != 0) {
        password_ = edit;
      } else if (path_ == nullptr) {
        path_ = edit;
      }
    }
    abort_ = FindChild(config_, "Button", "Abort");
    progress_label_ = FindChild(config_, "Static", "Progress:");
    ASSERT_TRUE(path_ && password_ && abort_ && progress_label_);
    ASSERT_TRUE(ShowTab(config_, kEncryptionTab, path_));
  }
  void Fill(const fs::path& path, std::wstring_view password) {
    Send(path_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.wstring().c_str()));
    Send(password_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(std::wstring(password).c_str()));
  }
  // The dark blue bar: the untitled static on the progress label's line,
  // right of it. Its width in pixels, 0 when hidden.
  int BarWidth() const {
    RECT label{};
    ::GetWindowRect(progress_label_, &label);
    int width = 0;
    for (HWND child = ::GetWindow(progress_label_, GW_HWNDFIRST); child;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
      RECT rect{};
      ::GetWindowRect(child, &rect);
      if (rect.top == label.top && rect.left > label.right && ControlText(child).empty() && IsShown(child))
        width = std::max(width, static_cast<int>(rect.right - rect.left));
    }
    return width;
  }
  bool Running() const { return IsShown(abort_); }
  // Runs Encrypt or Decrypt and waits for the end of the run.
  bool Run(std::string_view button, Where where = Where::current()) {
    return ClickButton(config_, button) &&
           WaitUntil([&] { return !Running(); }, kRunTimeout, std::string(button) + " to finish", where);
  }

  HWND config_ = nullptr;
  HWND path_ = nullptr;
  HWND password_ = nullptr;
  HWND abort_ = nullptr;
  HWND progress_label_ = nullptr;
};

TEST_F(EncryptionTab, EncryptsWithAMixedCasePasswordAndDecryptsWithAnother) {
  Folder folder;
  const fs::path original = folder / L"report.bin";
  WritePattern(original, 384);
  OpenTab();
  if (HasFatalFailure()) return;

  Fill(original, L"Kestrove Ünïcode Secret");
  ASSERT_TRUE(ClickButton(config_, "Encrypt"));
  ASSERT_TRUE(WaitUntil([&] { return Running() && BarWidth() > 0; }, "the run to show its progress"));
  EXPECT_FALSE(::IsWindowEnabled(FindChild(config_, "Button", "Encrypt"))) << "no second run meanwhile";
  const int early = BarWidth();
  Screenshot("encryption-in-progress");
  ASSERT_TRUE(WaitUntil([&] { return !Running(); }, kRunTimeout, "the encryption to finish"));
  EXPECT_TRUE(fs::exists(folder / L"report.bin.ks7"));
  EXPECT_EQ(fs::file_size(folder / L"report.bin.ks7"), 80 + fs::file_size(original) + 16 * (384 * 16));
  EXPECT_GT(early, 0);
  EXPECT_TRUE(::IsWindowEnabled(FindChild(config_, "Button", "Encrypt")));

  const fs::path kept = folder / L"kept.bin";
  fs::rename(original, kept);
  Fill(folder / L"report.bin.ks7", L"kESTROVE üNÏCODE sECRET");
  ASSERT_TRUE(Run("Decrypt"));
  EXPECT_TRUE(SameBytes(original, kept)) << "the decrypted file is the original";
  Screenshot("encryption-decrypted");

  fs::remove(original);
  Fill(folder / L"report.bin.ks7", L"not the password");
  ASSERT_TRUE(Run("Decrypt"));
  const HWND red = FindChild(config_, "Static", "6 - Wrong password.");
  EXPECT_TRUE(red != nullptr && IsShown(red)) << "the code and message in the red label";
  EXPECT_FALSE(fs::exists(original)) << "a wrong password writes nothing";
  EXPECT_EQ(folder.Names(), (std::vector<std::wstring>{L"kept.bin", L"report.bin.ks7"}));
  Screenshot("encryption-wrong-password");
}

TEST_F(EncryptionTab, AProgramKilledInTheMiddleOfAFileLeavesNothingBehind) {
  Folder folder;
  const fs::path original = folder / L"large.bin";
  WritePattern(original, 768);
  OpenTab();
  if (HasFatalFailure()) return;
  Fill(original, L"pw");
  ASSERT_TRUE(ClickButton(config_, "Encrypt"));
  ASSERT_TRUE(WaitUntil([&] { return Running() && folder.Names().size() > 1; }, "the run to write its file"));
  ASSERT_TRUE(kestrove_->End());
  EXPECT_TRUE(WaitUntil([&] { return folder.Names() == std::vector<std::wstring>{L"large.bin"}; },
                        "only the source left in the folder"))
      << "left: " << folder.Names().size() << " files";
}

}  // namespace
}  // namespace e2e

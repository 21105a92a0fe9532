// End to end: kswindow.exe, the helper that stands in for programs Wine does
// not have, opens exactly the window it is asked for and reports truthfully
// what its window received, so scenarios can rely on its log.
#include <string>
#include <vector>

#include "e2e/harness.h"

namespace e2e {
namespace {

class HelperWindowProgram : public Scenario {};

TEST_F(HelperWindowProgram, OpensExactTitleAndCountsRefusedCloses) {
  // Unicode, quotes and backslashes (one before a quote, two at the end) all
  // survive the command line.
  const std::string title =
      "Probe \xC3\x9Cnic\xC3\xB6"
      "de \"quoted\" C:\\dir\\\"x\\\\";
  const HelperWindow helper =
      StartHelperWindow({.class_name = "KsProbeWindow", .title = title, .refuse_close = true});
  const HWND window =
      WaitForWindow(WindowQuery().OfClass("KsProbeWindow").OfProcess(helper.process->Id()).VisibleOnly(),
                    "the helper's window");
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(WindowTitle(window), title);
  EXPECT_TRUE(WaitUntil([&] { return IsForeground(window); }, "the helper's window in the foreground"));

  ASSERT_TRUE(PostClose(window));
  ASSERT_TRUE(PostClose(window));
  EXPECT_TRUE(WaitUntil([&] { return helper.CountInLog("WM_CLOSE 2") == 1; }, "two closes in the log"))
      << "log lines: " << helper.LogLines().size();
  EXPECT_EQ(helper.CountStartingWith("WM_CLOSE "), 2);
  EXPECT_TRUE(IsShown(window)) << "a refused close closed the window";
  EXPECT_TRUE(helper.process->Running());
  const std::vector<std::string> lines = helper.LogLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), "WM_CREATE");
}

TEST_F(HelperWindowProgram, ClosesOnCloseAndStaysInBackgroundWhenAsked) {
  Process& notepad = StartProgram("notepad.exe");
  const HWND editor = WaitForWindow(WindowQuery().OfClass("Notepad").OfProcess(notepad.Id()), "Notepad");
  ASSERT_NE(editor, nullptr);
  ASSERT_TRUE(WaitUntil([&] { return IsForeground(editor); }, "Notepad in the foreground"));

  const HelperWindow helper =
      StartHelperWindow({.class_name = "KsProbeWindow", .title = "Behind", .background = true});
  const HWND window =
      WaitForWindow(WindowQuery().OfClass("KsProbeWindow").OfProcess(helper.process->Id()).VisibleOnly(),
                    "the helper's window");
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(WaitUntil([&] { return helper.CountInLog("WM_SHOWWINDOW 1") == 1; }, "the show in the log"));
  EXPECT_TRUE(IsForeground(editor)) << "foreground: " << Describe(::GetForegroundWindow());
  EXPECT_EQ(helper.CountInLog("WM_ACTIVATE 1"), 0);

  ASSERT_TRUE(PostClose(window));
  EXPECT_EQ(helper.process->WaitForExit(), 0u);
  EXPECT_EQ(helper.CountInLog("WM_CLOSE 1"), 1);
  const std::vector<std::string> lines = helper.LogLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "WM_DESTROY");
}

}  // namespace
}  // namespace e2e

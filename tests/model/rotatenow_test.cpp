#include "model/rotatenow.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "model/model_support.h"

namespace parvel {
namespace {

using testing::ReadFile;
using testing::WriteFile;

// Polls `done` for up to two minutes: the bound only matters when the awaited event never comes.
template <typename Done>
bool Eventually(Done done) {
  for (int i = 0; i < 12000; ++i) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return done();
}

class RotateNowTest : public testing::DataDirectoryTest {
 protected:
  void SetUp() override {
    testing::WriteSite("Site_1", "One",
                       "LivePath=/srv/one\r\nAutoRotate=True\r\nCurrentRotationPosition=2\r\n"
                       "RotationCount=3\r\n");
    cat.ReadSites();
    cat.SelectSite(0, true);
  }
};

// The program cannot end before the test lets it (it waits for "go", giving up after a minute),
// so a RotateNow that waited for it would return only after the program had given up.
TEST_F(RotateNowTest, StartsTheProgramWithoutArgumentsAndDoesNotWait) {
  const std::string go = tmp / "go";
  const std::string marker = tmp / "ran";
  WriteFile(tmp / "turnwheel", "#!/bin/sh\ni=0\nwhile [ ! -e \"" + go +
                                   "\" ] && [ $i -lt 600 ]; do sleep 0.1; i=$((i+1)); done\n"
                                   "[ -e \"" +
                                   go +
                                   "\" ] && w=go || w=gave-up\n"
                                   "echo \"$# $w\" > \"" +
                                   marker + ".tmp\"\nmv \"" + marker + ".tmp\" \"" + marker +
                                   "\"\n");
  std::filesystem::permissions(tmp / "turnwheel", std::filesystem::perms::owner_all);
  const SelectionStatus status = RotateNow(ui, cat, true);
  EXPECT_FALSE(std::filesystem::exists(marker));
  EXPECT_TRUE(ui.messages().empty());
  EXPECT_EQ(status.next_rotation, "2");
  WriteFile(go, "");
  ASSERT_TRUE(Eventually([&] { return std::filesystem::exists(marker); }));
  EXPECT_EQ(ReadFile(marker), "0 go\n");
}

// A file that is no program is reported as a missing one is (the message table shows that one).
TEST_F(RotateNowTest, AFileThatIsNoProgramIsReportedPlainly) {
  WriteFile(tmp / "turnwheel", "not a program");
  EXPECT_EQ(RotateNow(ui, cat, true).site_name, "One");
  ASSERT_EQ(ui.texts(), std::vector{"Could not load " + tmp.path() + "turnwheel!"});
  EXPECT_EQ(ui.messages()[0].kind, MessageKind::Plain);
}

}  // namespace
}  // namespace parvel

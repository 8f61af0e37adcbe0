#include "model/datadir.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/textutil.h"
#include "support/testsupport.h"

namespace parvel {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

// Writability is injected: root may write anywhere, so a real check could not tell the cases
// apart under a root test run. One case below uses the real check on a path that no one can
// write to (a folder under a regular file).
TEST(DataDirectoryTest, ChoosesByTheProgramFolderAndTheEnvironment) {
  TempDir tmp;
  const std::string portable = tmp / "portable/";  // program files beside the program
  const std::string prefix = tmp / "usr/";         // an installed program
  const std::string bare = tmp / "bare/";          // a program alone in its folder
  WriteFile(portable + "Styles/a.htm", "x");
  WriteFile(prefix + "bin/parvel", "x");
  WriteFile(prefix + "share/parvel-pro/Styles/a.htm", "x");
  WriteFile(bare + "parvel", "x");
  WriteFile(tmp / "file", "x");
  // "<p>", "<u>", "<b>" and "<t>" stand for the portable, installed, bare and temporary folders;
  // `write` is "yes", "no" or "real" (the real check).
  struct Case {
    const char *name, *override_dir, *program, *xdg, *home, *write, *dir, *seed_from;
  } cases[] = {
      {"--data-dir wins, unseeded", "/d", "<p>", "/x", "/h", "no", "/d/", ""},
      {"writable folder with its files", nullptr, "<p>", "/x", "/h", "yes", "<p>", ""},
      {"read-only folder: XDG, seeded from it", nullptr, "<p>", "/x", "/h", "no", "/x/parvel-pro/",
       "<p>"},
      {"installed: seeded from share", nullptr, "<u>bin", "", "/h", "no",
       "/h/.local/share/parvel-pro/", "<u>bin/../share/parvel-pro/"},
      {"writable but empty folder (root's /usr/bin)", nullptr, "<u>bin", "", "/h", "yes",
       "/h/.local/share/parvel-pro/", "<u>bin/../share/parvel-pro/"},
      {"relative XDG_DATA_HOME is ignored", nullptr, "<b>", "rel", "/h", "no",
       "/h/.local/share/parvel-pro/", ""},
      {"real check: a folder under a file", nullptr, "<t>file/sub", "/x", "/h", "real",
       "/x/parvel-pro/", ""},
      {"nowhere to go", nullptr, "<b>", "", "", "no", "", ""},
  };
  const auto expand = [&](std::string text) {
    for (const auto& [from, to] : {std::pair<std::string, std::string>{"<p>", portable},
                                   {"<u>", prefix},
                                   {"<b>", bare},
                                   {"<t>", tmp.path()}}) {
      text = ReplaceAll(text, from, to);
    }
    return text;
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DataDirectoryInputs in;
    if (c.override_dir) in.override_dir = c.override_dir;
    in.program_dir = expand(c.program);
    in.xdg_data_home = c.xdg;
    in.home = c.home;
    const std::string write = c.write;  // the default is the real check
    if (write != "real") in.can_write = [write](const std::string&) { return write == "yes"; };
    const DataDirectoryChoice choice = ChooseDataDirectory(in);
    EXPECT_EQ(choice.dir, expand(c.dir));
    EXPECT_EQ(choice.seed_from, expand(c.seed_from));
    EXPECT_EQ(choice.error.empty(), *c.dir != 0);
  }
}

// (The installed layout, seeding from share/parvel-pro, is checked by tests/cli/install_check.sh.)
TEST(DataDirectoryTest, SeedsWhatIsMissingAndLeavesTheRestAlone) {
  TempDir tmp;
  const std::string from = tmp / "share/";
  WriteFile(from + "Styles/more/deep.htm", "deep");
  WriteFile(from + "help/index.html", "new help");
  WriteFile(from + "sites.ini", "not seeded");
  const std::string dir = tmp / "data/";
  WriteFile(dir + "help/index.html", "the user's own");

  std::string error;
  ASSERT_TRUE(PrepareDataDirectory(dir, from, &error)) << error;
  EXPECT_EQ(ReadFile(dir + "Styles/more/deep.htm"), "deep");
  EXPECT_EQ(ReadFile(dir + "help/index.html"), "the user's own");
  EXPECT_FALSE(std::filesystem::exists(dir + "Samples"));  // nothing to copy it from
  EXPECT_FALSE(std::filesystem::exists(dir + "sites.ini"));
  // Styles and help, and no temporary left beside them.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 2);

  // A folder that cannot be made is an error, not a silent fallback.
  WriteFile(tmp / "blocker", "x");
  EXPECT_FALSE(PrepareDataDirectory(tmp / "blocker/parvel-pro/", from, &error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace parvel

// parvel-cli delete-site end to end: it asks (a terminal, else --yes/--no, else No), sends the
// site's folder and settings to the desktop's Trash, takes the site out of the catalogue, and
// says by its exit status whether the site is gone.
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "reliability/programs_support.h"

namespace parvel {
namespace {

namespace fs = std::filesystem;
using namespace testing;  // the test support

class DeleteSiteTest : public ProgramTest {
 protected:
  DeleteSiteTest() {
    EmptyTrash();
    NewSite("Holiday");
    WriteFile(site_ + "a.jpg", "a");
    WriteFile(site_ + "notes.txt", "notes");
  }
  // What `sites` lists.
  std::string Sites() const { return Cli({"sites"}).output; }

  // Runs parvel-cli with `args` on a terminal of its own, typing `typed`; the exit status and
  // everything the terminal showed.
  Finished OnTerminal(std::vector<std::string> args, const std::string& typed) const {
    const std::string program = std::string(PARVEL_BINARY_DIR) + "/bin/parvel-cli";
    args.insert(args.begin(), {program, "--data-dir", data_});
    std::vector<char*> argv;
    for (auto& word : args) argv.push_back(word.data());
    argv.push_back(nullptr);
    int terminal = -1;
    const pid_t pid = ::forkpty(&terminal, nullptr, nullptr, nullptr);
    if (pid == 0) {
      ::execv(program.c_str(), argv.data());
      ::_exit(127);
    }
    Finished done;
    EXPECT_GT(pid, 0);
    if (pid <= 0) return done;
    EXPECT_EQ(::write(terminal, typed.data(), typed.size()), ssize_t(typed.size()));
    char buffer[4096];
    for (ssize_t n; (n = ::read(terminal, buffer, sizeof buffer)) > 0;)
      done.output.append(buffer, n);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ::close(terminal);
    done.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return done;
  }

  std::string question =
      "Confirmation: Are you sure you want to delete the current site, Holiday?  "
      "\r\n\r\nNote: This will also delete the directory, " +
      site_ + " and all files that it contains!\n";
};

// Without an answer and without a terminal the answer is No, and so with --no: exit 1, nothing
// changed. Usage and an unknown site: exit 2, nothing asked.
TEST_F(DeleteSiteTest, NoOrNoAnswerKeepsTheSite) {
  // The site's folder and the data directory, as they are now.
  const auto state = [&] { return std::pair{ReadTree(site_), ReadTree(data_)}; };
  const auto before = state();
  const std::string listed = Sites();
  for (const std::vector<std::string>& words : std::vector<std::vector<std::string>>{
           {"delete-site", "Holiday"}, {"delete-site", "Site_1", "--no"}}) {
    SCOPED_TRACE(words.back());
    const Finished run = Cli(words);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output, question + "Answer: No\n");
    EXPECT_TRUE(state() == before);
  }
  const std::pair<std::vector<std::string>, const char*> usage[] = {
      {{"delete-site"}, "wrong number of arguments"},
      {{"delete-site", "Holiday", "--yes", "--no"}, "--yes and --no exclude each other"},
      {{"delete-site", "Nowhere", "--yes"}, "No site is called Nowhere"},
  };
  for (const auto& [words, said] : usage) {
    SCOPED_TRACE(said);
    const Finished run = Cli(words);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.output.find(said), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("Confirmation"), std::string::npos) << run.output;
  }
  EXPECT_EQ(Sites(), listed);
  EXPECT_TRUE(TrashContents().empty());
}

// On a terminal the question is asked there, with No as its default (what Enter and each answer
// do is the console's own test's): y sends the folder and the settings file to the Trash; --yes
// answers without a terminal. Exit 0, the catalogue is empty.
TEST_F(DeleteSiteTest, YesOnATerminalOrByOptionSendsTheSiteToTheTrash) {
  Finished run = OnTerminal({"delete-site", "Holiday"}, "y\n");
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("[y/N] "), std::string::npos) << run.output;
  EXPECT_EQ(TrashContents(), (std::vector<TrashedEntry>{{"Site_1.ini", data_ + "Site_1.ini"},
                                                        {"site", dir_ / "site"}}));
  EXPECT_EQ(ReadFile(TrashFolder() + "files/site/notes.txt"), "notes");
  EXPECT_FALSE(fs::exists(site_));
  NewSite("Holiday");
  run = Cli({"delete-site", "Holiday", "--yes"});
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(run.output, question + "Answer: Yes\nDeleted Site_1\n");
  EXPECT_EQ(Sites(), "");
  EXPECT_EQ(ReadFile(data_ + "sites.ini"), "[Sites]\r\n");
}

}  // namespace
}  // namespace parvel

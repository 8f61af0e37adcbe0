// parvel-cli's publish, set and show of the site's keys, and rotate with a live directory on a
// host, run as programs against the test's OpenSSH server.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>

#include "publish/sshserver_support.h"
#include "support/testsupport.h"

namespace parvel {
namespace {

using testing::ReadFile;
using testing::ReadTree;
using testing::SshServer;
using testing::TempDir;
using testing::WriteFile;

struct Finished {
  int status = -1;
  std::string output;  // standard output and error together
};

class PublishCliTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    server_ = new SshServer();
    ASSERT_TRUE(server_->Start()) << server_->log();
  }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }

  void SetUp() override {
    server_->SetKnownHosts(SshServer::Known::Real);
    ASSERT_EQ(Cli("new-site Holiday --path '" + site_.path() + "'").status, 0);
    ASSERT_EQ(Cli("set Site_1 Thumb_Width=120").status, 0);  // makes the first rotation
    WriteFile(site_ / "Index.html", "<img src=\"a b&'#%.jpg\">");
    WriteFile(site_ / "a b&'#%.jpg", "picture");
  }

  // Runs parvel-cli with `arguments` (shell words) and no terminal.
  Finished Cli(const std::string& arguments) {
    const std::string command = std::string(PARVEL_BINARY_DIR) + "/bin/parvel-cli --data-dir '" +
                                data_.path() + "' " + arguments + " </dev/null 2>&1";
    Finished run;
    FILE* pipe = ::popen(command.c_str(), "r");
    char buffer[4096];
    while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) run.output.append(buffer, n);
    const int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
  }

  std::string Url(const std::string& name) {
    return std::string("sftp://") + SshServer::kAlias + server_->Scratch(name);
  }

  static SshServer* server_;
  TempDir data_;
  TempDir site_;
};

SshServer* PublishCliTest::server_ = nullptr;

TEST_F(PublishCliTest, SiteKeysInSetAndShow) {
  struct Row {
    const char* arguments;
    int status;
    const char* said;
  };
  const std::string url = Url("keys");
  const Row rows[] = {
      {"set Site_1 --rotation 1 Publish_URL=sftp://h/x", 2, "is a key of the site"},
      {"show Site_1 --rotation 1 LivePath", 2, "is a key of the site"},
      {"set Site_1 Publish_URL=ftp://h/x", 2, "The value of Publish_URL"},
      {"set Site_1 AutoRotate=maybe", 2, "not True or False"},
      {"set Site_1 LivePath=relative/dir", 2, "not a full path"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.arguments);
    const Finished run = Cli(row.arguments);
    EXPECT_EQ(run.status, row.status) << run.output;
    EXPECT_NE(run.output.find(row.said), std::string::npos) << run.output;
  }
  ASSERT_EQ(Cli("set Site_1 Publish_URL=" + url + " Thumb_Width=120").status, 0);
  EXPECT_EQ(Cli("show Site_1 Publish_URL Thumb_Width").output,
            "Publish_URL=" + url + "\nThumb_Width=120\n");
}

TEST_F(PublishCliTest, PublishAsksOnlyAPersonAboutANewHost) {
  const std::string remote = server_->Scratch("cli");
  ASSERT_EQ(Cli("set Site_1 Publish_URL=" + Url("cli")).status, 0);
  server_->SetKnownHosts(SshServer::Known::None);
  // --yes answers every question but this one; without a terminal it is refused.
  const Finished refused = Cli("publish Site_1 --yes");
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.output.find("Confirmation: The host testhost is not known"), std::string::npos)
      << refused.output;
  EXPECT_NE(refused.output.find("Answer: No"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(remote));
  EXPECT_FALSE(std::filesystem::exists(server_->KnownHostsFile()));

  server_->SetKnownHosts(SshServer::Known::Real);
  const Finished published = Cli("publish Site_1 --no");
  ASSERT_EQ(published.status, 0) << published.output;
  EXPECT_NE(published.output.find(": 2 files sent"), std::string::npos) << published.output;
  EXPECT_EQ(ReadTree(remote), ReadTree(site_.path()));
  EXPECT_EQ(Cli("publish Site_1 --rotation x").status, 2);
  EXPECT_EQ(Cli("publish Site_1 --rotation 4").status, 1);
}

TEST_F(PublishCliTest, ARotationGoesLiveOnTheHostTwiceInARow) {
  const std::string live = server_->Scratch("live");
  ASSERT_EQ(Cli("set Site_1 LivePath=" + Url("live") + " AutoRotate=True").status, 0);
  for (const char* picture : {"b.jpg", "c.jpg"}) {
    SCOPED_TRACE(picture);
    std::filesystem::remove(site_ / "b.jpg");
    WriteFile(site_ / picture, picture);
    const Finished run = Cli("rotate");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("Rotation 1 is live on " + Url("live")), std::string::npos)
        << run.output;
    EXPECT_EQ(ReadTree(live), ReadTree(site_.path()));  // b.jpg gone the second time
  }
  // Unattended: an unknown host is refused without a question, and the exit status says so.
  server_->SetKnownHosts(SshServer::Known::None);
  const Finished refused = Cli("rotate");
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.output.find("is not known"), std::string::npos) << refused.output;
}

}  // namespace
}  // namespace parvel

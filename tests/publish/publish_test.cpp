#include "publish/publish.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>

#include "model/inifile.h"
#include "model/paths.h"
#include "publish/publishrecord.h"
#include "publish/sshserver_support.h"
#include "support/scripted_interaction.h"
#include "support/testsupport.h"

namespace parvel {
namespace {

using testing::ReadFile;
using testing::ReadTree;
using testing::SshServer;
using testing::TempDir;
using testing::WriteFile;

// Answers the host question as told and counts what was asked.
class Questions : public PublishQuestions {
 public:
  bool trust = false;
  int host_questions = 0;
  std::string fingerprint;
  bool TrustNewHost(const std::string&, const std::string& fp) override {
    ++host_questions;
    fingerprint = fp;
    return trust;
  }
  std::optional<std::string> Passphrase(const std::string&) override { return std::nullopt; }
  std::optional<std::string> Password(const std::string&, int) override { return std::nullopt; }
};

// Names a site may hold that a careless upload would mangle.
constexpr const char* kHostile = "Blue & 'green' #1 100% \xC3\xA9t\xC3\xA9.jpg";

class PublishTest : public ::testing::Test {
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
    SetDataDirectory(data_.path());
    server_->SetKnownHosts(SshServer::Known::Real);
    remote_ = server_->Scratch("www" + std::to_string(++count_));
    address_ = *ParsePublishUrl(std::string("sftp://") + SshServer::kAlias + remote_, nullptr);
    WriteFile(site_ / "a.jpg", "picture a");
    WriteFile(site_ / "b.jpg", "picture b");
    WriteFile(site_ / kHostile, "hostile");
    WriteFile(site_ / "thumbs/a_thb.jpg", "thumb a");
    WriteFile(site_ / "thumbs/b_thb.jpg", "thumb b");
    WriteFile(site_ / "Index.html", "<img src=a.jpg>");
    WriteFile(site_ / ".parvel-tmp-Index.html", "half a page");  // a build cut short
  }

  PublishResult Publish(const std::string& source) {
    return PublishFolder(ui_, questions_, source, address_);
  }
  PublishResult Publish() { return Publish(site_.path()); }

  // The remote folder as the site would be without the build's temporary.
  testing::Tree Expected(const std::string& source) {
    testing::Tree tree = ReadTree(source);
    tree.erase(".parvel-tmp-Index.html");
    return tree;
  }

  static SshServer* server_;
  static int count_;
  TempDir data_;
  TempDir site_;
  std::string remote_;
  PublishAddress address_;
  ScriptedInteraction ui_;
  Questions questions_;
};

SshServer* PublishTest::server_ = nullptr;
int PublishTest::count_ = 0;

TEST_F(PublishTest, FirstPublishSendsAllThenAnUnchangedOneNothing) {
  const PublishResult first = Publish();
  ASSERT_TRUE(first.ok()) << first.message;
  EXPECT_EQ(first.counts.sent, 6u);
  EXPECT_EQ(ReadTree(remote_), Expected(site_.path()));  // hostile name arrived as it is
  EXPECT_EQ(questions_.host_questions, 0);
  EXPECT_FALSE(ui_.progress().empty());

  const PublishResult again = Publish();
  ASSERT_TRUE(again.ok()) << again.message;
  EXPECT_EQ(again.counts.sent, 0u);
  EXPECT_EQ(again.counts.unchanged, 6u);
}

TEST_F(PublishTest, SendsOnlyWhatChangedAndNeverTakesAForeignFile) {
  // A first publish into a folder that holds something else is refused whole.
  WriteFile(remote_ + "/index.php", "someone's own site");
  const PublishResult refused = Publish();
  EXPECT_EQ(refused.outcome, PublishOutcome::Refused);
  EXPECT_NE(refused.message.find("did not publish there"), std::string::npos) << refused.message;
  EXPECT_EQ(ReadTree(remote_), (testing::Tree{{"index.php", "someone's own site"}}));

  std::filesystem::remove(remote_ + "/index.php");
  ASSERT_TRUE(Publish().ok());
  WriteFile(remote_ + "/notes.txt", "the host's own file");
  WriteFile(site_ / "a.jpg", "picture a, edited");
  WriteFile(site_ / "thumbs/a_thb.jpg", "thumb a, edited");
  WriteFile(site_ / "Index.html", "<img src=a.jpg> again");
  // A file touched without changing is not sent again either.
  WriteFile(site_ / "b.jpg", "picture b");
  std::filesystem::remove(site_ / "thumbs/b_thb.jpg");
  const PublishResult result = Publish();
  ASSERT_TRUE(result.ok()) << result.message;
  EXPECT_EQ(result.counts.sent, 3u);
  EXPECT_EQ(result.counts.unchanged, 2u);
  EXPECT_EQ(result.counts.removed, 1u);
  testing::Tree expected = Expected(site_.path());
  expected["notes.txt"] = "the host's own file";  // never touched
  EXPECT_EQ(ReadTree(remote_), expected);

  // A new picture whose name a foreign file holds is refused too.
  WriteFile(remote_ + "/c.jpg", "the host's own c");
  WriteFile(site_ / "c.jpg", "picture c");
  const PublishResult clash = Publish();
  EXPECT_EQ(clash.outcome, PublishOutcome::Refused);
  EXPECT_NE(clash.message.find("c.jpg"), std::string::npos) << clash.message;
  EXPECT_EQ(ReadFile(remote_ + "/c.jpg"), "the host's own c");
}

TEST_F(PublishTest, HostKeys) {
  struct Row {
    const char* name;
    SshServer::Known known;
    bool trust;
    bool published;
    int questions;
    const char* said;
  };
  const Row rows[] = {
      {"unknown host, refused", SshServer::Known::None, false, false, 1, "is not known"},
      {"changed key, never asked", SshServer::Known::Other, true, false, 0, "has changed"},
      {"unknown host, trusted", SshServer::Known::None, true, true, 1, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    server_->SetKnownHosts(row.known);
    const std::string before = ReadFile(server_->KnownHostsFile());
    questions_ = Questions();
    questions_.trust = row.trust;
    const PublishResult result = Publish();
    EXPECT_EQ(result.ok(), row.published) << result.message;
    EXPECT_EQ(questions_.host_questions, row.questions);
    EXPECT_NE(result.message.find(row.said), std::string::npos) << result.message;
    if (!row.published) {
      EXPECT_FALSE(std::filesystem::exists(remote_));  // nothing written on the host
      EXPECT_FALSE(std::filesystem::exists(PublishRecordFileName(address_.Text())));
      EXPECT_EQ(ReadFile(server_->KnownHostsFile()), before);
    } else {
      // Trusting appends the key; the next connection is not asked again.
      EXPECT_TRUE(questions_.fingerprint.starts_with("SHA256:"));
      EXPECT_NE(ReadFile(server_->KnownHostsFile()), before);
      EXPECT_TRUE(Publish().ok());
      EXPECT_EQ(questions_.host_questions, 1);
    }
  }
}

TEST_F(PublishTest, AnInterruptedPublishIsCompletedByTheNextWithNoTemporaryLeft) {
  ASSERT_TRUE(Publish().ok());
  const testing::Tree old_site = ReadTree(remote_);
  WriteFile(site_ / "a.jpg", std::string(3 << 20, 'a'));  // several blocks
  WriteFile(site_ / "Index.html", "<img src=a.jpg> new");
  struct Row {
    const char* name;
    bool kill_server;
  };
  for (const Row row : {Row{"cancelled", false}, Row{"server killed", true}}) {
    SCOPED_TRACE(row.name);
    ui_.Clear();
    if (row.kill_server) {
      // The server dies while the first block of the big picture is on its way.
      class Killing : public ScriptedInteraction {
       public:
        void Progress(std::string_view, int, int) override {
          if (!killed) server_->Kill();
          killed = true;
        }
        bool killed = false;
      } killing;
      const PublishResult cut = PublishFolder(killing, questions_, site_.path(), address_);
      EXPECT_EQ(cut.outcome, PublishOutcome::Failed) << cut.message;
      ASSERT_TRUE(server_->Start()) << server_->log();
    } else {
      ui_.CancelAtCheckpoint(0);
      const PublishResult cut = Publish();
      EXPECT_EQ(cut.outcome, PublishOutcome::Cancelled) << cut.message;
    }
    // The old site still works: its page and pictures are whole, and the new page (sent after
    // the pictures) did not go before the picture it shows.
    testing::Tree now = ReadTree(remote_);
    for (auto it = now.begin(); it != now.end();) {
      it = it->first.starts_with(".parvel-part-") ? now.erase(it) : std::next(it);
    }
    EXPECT_EQ(now, old_site);
  }
  const PublishResult done = Publish();
  ASSERT_TRUE(done.ok()) << done.message;
  EXPECT_EQ(ReadTree(remote_), Expected(site_.path()));  // no temporary left
}

// Site Options' Test says what it found at the address, and whether publishing there would work.
TEST_F(PublishTest, TestSaysWhatTheFolderHolds) {
  struct Row {
    const char* name;
    std::function<void()> arrange;
    bool usable;
    const char* said;
  };
  const Row rows[] = {
      {"missing", [] {}, true, "does not exist yet"},
      {"empty", [&] { std::filesystem::create_directories(remote_); }, true, "is empty"},
      {"foreign", [&] { WriteFile(remote_ + "/x.php", "x"); }, false, "did not publish there"},
      {"published before", [&] { ASSERT_TRUE(Publish().ok()); }, true, "published there before"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::filesystem::remove_all(remote_);
    std::filesystem::remove_all(data_ / "Published");
    row.arrange();
    std::string found;
    EXPECT_EQ(TestPublishAddress(questions_, address_.Text(), &found), row.usable) << found;
    EXPECT_NE(found.find(row.said), std::string::npos) << found;
  }
  std::string found;
  EXPECT_FALSE(TestPublishAddress(questions_, "ftp://host/x", &found));
  EXPECT_NE(found.find("begins with sftp://"), std::string::npos) << found;
}

TEST(PublishUrlTest, Parses) {
  // Each row: the address, then its user|host|port|folder.
  const std::pair<const char*, const char*> rows[] = {
      {"sftp://host/var/www", "|host|0|/var/www"},
      {"SFTP://me@host:2222/var/www/", "me|host|2222|/var/www"},
      {"sftp://me@[::1]:22/a%20b/", "me|[::1]|22|/a b"},
      {"sftp://host/", "|host|0|/"},
  };
  for (const auto& [text, parts] : rows) {
    std::string why;
    const auto a = ParsePublishUrl(text, &why);
    ASSERT_TRUE(a) << why;
    EXPECT_EQ(a->user + "|" + a->host + "|" + std::to_string(a->port) + "|" + a->folder, parts);
  }
  for (const char* bad :
       {"ftp://host/x", "sftp://host", "sftp:///x", "sftp://h:0/x", "sftp://h:99999/x",
        "sftp://h:x/y", "sftp://u:pw@h/x", "sftp://h/a/../b", "sftp://h/a%2Fb", "sftp://h/a%zz"}) {
    EXPECT_FALSE(ParsePublishUrl(bad, nullptr)) << bad;
  }
}

TEST(PublishRecordTest, KeepsHostileNamesAndRefusesAnotherAddress) {
  TempDir data;
  SetDataDirectory(data.path());
  PublishRecord record;
  record.address = "sftp://h/x";
  record.files["a\tb\r\n%c.jpg"] = {12, 34, "ab"};
  record.files[kHostile] = {1, 2, "cd"};
  record.folders.insert("thumbs");
  record.temporaries.insert("thumbs/.parvel-part-a.jpg");
  std::string error;
  ASSERT_TRUE(SavePublishRecord(record, &error)) << error;
  PublishRecord read;
  ASSERT_TRUE(LoadPublishRecord("sftp://h/x", &read, &error)) << error;
  EXPECT_TRUE(read.exists);
  EXPECT_EQ(read.files.size(), 2u);
  EXPECT_EQ(read.files["a\tb\r\n%c.jpg"].mtime_ns, 34);
  EXPECT_EQ(read.files[kHostile].digest, "cd");
  EXPECT_EQ(read.folders, record.folders);
  EXPECT_EQ(read.temporaries, record.temporaries);
  // A record file that names another address is not taken for this one's.
  std::filesystem::copy_file(PublishRecordFileName("sftp://h/x"),
                             PublishRecordFileName("sftp://h/y"));
  EXPECT_FALSE(LoadPublishRecord("sftp://h/y", &read, &error));
}

TEST(DefaultPublishRotationTest, IsTheOneLastPutLive) {
  struct Row {
    bool rotations;
    const char* live_record;
    const char* next;
    int expected;
  };
  const Row rows[] = {{false, "/live", "3", 1},
                      {true, "", "3", 1},
                      {true, "/live", "3", 2},
                      {true, "/live", "1", 4},
                      {true, "/live", "9", 1}};
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.live_record) + " next " + row.next);
    IniFile ini("unused.ini");
    if (*row.live_record) ini.Set("General", "TurnwheelLivePath", row.live_record);
    ini.Set("General", "CurrentRotationPosition", row.next);
    EXPECT_EQ(DefaultPublishRotation(ini, 4, row.rotations), row.expected);
  }
}

}  // namespace
}  // namespace parvel

#include "platform/filelock.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/testsupport.h"

namespace parvel {
namespace {

using namespace std::chrono_literals;

// Whether another process can take the lock on `path` within `wait` (the child locks by hand:
// a forked copy of this process would take over its record of the locks held).
bool OtherProcessGets(const std::string& path, std::chrono::milliseconds wait) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
      if (::flock(fd, LOCK_EX | LOCK_NB) == 0) ::_exit(0);
      if (std::chrono::steady_clock::now() >= deadline) ::_exit(1);
      ::usleep(1000);
    }
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(FileLockTest, ExcludesOtherProcessesUntilReleased) {
  testing::TempDir dir;
  {
    const FileLock lock(dir.path(), 0ms);
    ASSERT_TRUE(lock.held()) << lock.error();
    EXPECT_FALSE(OtherProcessGets(dir.path(), 50ms));
  }
  EXPECT_TRUE(OtherProcessGets(dir.path(), 0ms));
}

TEST(FileLockTest, NestsWithinAProcessAndGoesWithTheLastHolder) {
  testing::TempDir dir;
  auto outer = std::make_unique<FileLock>(dir.path(), 0ms);
  auto inner = std::make_unique<FileLock>(dir.path(), 0ms);
  ASSERT_TRUE(outer->held());
  ASSERT_TRUE(inner->held());
  outer.reset();  // not the last: still held
  EXPECT_FALSE(OtherProcessGets(dir.path(), 0ms));
  inner.reset();
  EXPECT_TRUE(OtherProcessGets(dir.path(), 0ms));
}

TEST(FileLockTest, GivesUpAfterTheWaitWithAMessage) {
  testing::TempDir dir;
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t holder = ::fork();
  if (holder == 0) {
    const FileLock lock(dir.path(), 0ms);
    char c = lock.held() ? 'y' : 'n';
    (void)!::write(ready[1], &c, 1);
    ::pause();
    ::_exit(0);
  }
  char c = 0;
  ASSERT_EQ(::read(ready[0], &c, 1), 1);
  ASSERT_EQ(c, 'y');
  const FileLock lock(dir.path(), 100ms);
  EXPECT_FALSE(lock.held());
  EXPECT_EQ(lock.error(), LockTimeoutMessage(dir.path()));
  ::kill(holder, SIGKILL);
  ::waitpid(holder, nullptr, 0);
  ::close(ready[0]);
  ::close(ready[1]);
  // The lock went with the killed holder.
  EXPECT_TRUE(FileLock(dir.path(), 1000ms).held());
}

TEST(FileLockTest, AMissingPathIsAnError) {
  testing::TempDir dir;
  const FileLock lock(dir / "nowhere", 0ms);
  EXPECT_FALSE(lock.held());
  EXPECT_NE(lock.error().find("nowhere"), std::string::npos);
}

}  // namespace
}  // namespace parvel

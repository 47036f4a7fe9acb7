#include "core/PidFile.h"

#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <regex>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

#include "support/TestRoot.h"

namespace fs = std::filesystem;

namespace {

int wait_child(pid_t pid) {
  int status = 0;
  ::waitpid(pid, &status, 0);
  return status;
}

}  // namespace

// The daemon's own run, seen from outside: the file holds the pid of the
// process that keeps running, and is gone once that process has finished.
TEST(PidFile, HoldsThePidWithoutLineEndAndIsRemovedAtExit) {
  testsupport::TestRoot root;
  std::string path = root.file("/var/run/server.pid");
  int ready[2], go[2];
  ASSERT_EQ(::pipe(ready), 0);
  ASSERT_EQ(::pipe(go), 0);
  pid_t pid = ::fork();
  if (pid == 0) {
    {
      Linux::Run run("server");
      char c = 'r';
      (void)!::write(ready[1], &c, 1);
      (void)!::read(go[0], &c, 1);
    }
    ::_exit(0);
  }
  char c;
  ASSERT_EQ(::read(ready[0], &c, 1), 1);
  EXPECT_EQ(root.read("/var/run/server.pid"), std::to_string(pid));
  (void)!::write(go[1], &c, 1);
  EXPECT_EQ(wait_child(pid), 0);
  EXPECT_FALSE(fs::exists(path));
  for (int fd : {ready[0], ready[1], go[0], go[1]}) ::close(fd);
}

TEST(PidFile, AStaleFileIsOverwritten) {
  testsupport::TestRoot root;
  root.write("/var/run/server.pid", "123456789012345\n");
  Linux::Run run("server");
  EXPECT_EQ(root.read("/var/run/server.pid"), std::to_string(::getpid()));
  EXPECT_EQ(run.path(), root.file("/var/run/server.pid"));
}

// The daemon starts child programs: they neither inherit the descriptor nor,
// when a forked copy of the daemon leaves, remove the file.
TEST(PidFile, ChildProcessesNeitherInheritNorRemoveIt) {
  testsupport::TestRoot root;
  std::string path = root.file("/var/run/server.pid");
  auto run = std::make_unique<Linux::Run>("server");
  ASSERT_GE(run->fd(), 0);
  EXPECT_TRUE(::fcntl(run->fd(), F_GETFD) & FD_CLOEXEC);

  pid_t pid = ::fork();
  if (pid == 0) {
    run.reset();
    ::_exit(0);
  }
  wait_child(pid);
  EXPECT_TRUE(fs::exists(path));
  run.reset();
  EXPECT_FALSE(fs::exists(path));
}

TEST(PidFile, AFolderThatCannotBeWrittenIsSilent) {
  testsupport::TestRoot root;  // no var/run below it
  {
    Linux::Run run("server");
    EXPECT_LT(run.fd(), 0);
  }
  EXPECT_FALSE(fs::exists(root.dir() + "/var/run"));
}

TEST(PidFile, TimestampIsDayMonthAndTime) {
  std::ostringstream os;
  timestamp(os);
  EXPECT_TRUE(std::regex_match(os.str(), std::regex(R"(\d\d/\d\d \d\d:\d\d:\d\d)"))) << os.str();
}

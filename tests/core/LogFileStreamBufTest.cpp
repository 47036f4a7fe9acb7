#include "core/LogFileStreamBuf.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <ostream>
#include <regex>

#include "LogTestSupport.h"
#include "support/TestRoot.h"

namespace {

struct LogFileTest : ::testing::Test {
  testsupport::TestRoot root;
  std::string const dir = "/var/log/tarvox";

  void SetUp() override {
    std::filesystem::create_directories(root.file(dir + "/x"));
    testsupport::setClock(2026, 12, 6, 11, 42, 20, 1234);
  }
  void TearDown() override { Mux::set_test_offset(0); }

  std::string file(char const* stamp) { return root.read(dir + "/" + stamp + ".log"); }
};

}  // namespace

TEST_F(LogFileTest, EveryLineHasATimePrefix) {
  LogFileStreamBuf buf(dir);
  EXPECT_EQ(buf.fileName(), root.file(dir + "/2026_12_06-11.log"));
  std::ostream os(&buf);
  os << "hello" << std::endl;
  std::string text = file("2026_12_06-11");
  EXPECT_TRUE(std::regex_match(text, std::regex("42:2[01]:[0-9]{5,6}: hello\n"))) << text;

  // Chunks of one line, and a line longer than the buffer, get one prefix.
  os << "ab" << std::flush << "c" << std::endl;
  os << std::string(100, 'L') << "\nx\ny" << std::flush << "z\n" << std::flush;
  EXPECT_EQ(testsupport::withoutPrefixes(file("2026_12_06-11")), "hello\nabc\n" + std::string(100, 'L') + "\nx\nyz\n");
}

TEST_F(LogFileTest, ANewHourOpensANewFile) {
  LogFileStreamBuf buf(dir);
  std::ostream os(&buf);
  testsupport::setClock(2026, 12, 6, 11, 59, 59);
  os << "before" << std::endl << "started";
  os.flush();
  testsupport::setClock(2026, 12, 6, 12, 0, 1);
  // The line begun before the hour ends in the old file.
  os << " before the hour" << std::endl << "after" << std::endl;
  EXPECT_EQ(testsupport::withoutPrefixes(file("2026_12_06-11")), "before\nstarted before the hour\n");
  EXPECT_EQ(testsupport::withoutPrefixes(file("2026_12_06-12")), "after\n");

  // The same hour a day later is another file.
  testsupport::setClock(2026, 12, 7, 12, 0, 1);
  os << "next day" << std::endl;
  EXPECT_EQ(testsupport::withoutPrefixes(file("2026_12_06-12")), "after\n");
  EXPECT_EQ(testsupport::withoutPrefixes(file("2026_12_07-12")), "next day\n");
}

TEST_F(LogFileTest, ARestartWithinTheHourAppends) {
  {
    LogFileStreamBuf buf(dir);
    std::ostream os(&buf);
    os << "first run" << std::endl << "unfinished";
  }
  {
    LogFileStreamBuf buf(dir);
    std::ostream os(&buf);
    os << "second run" << std::endl;
  }
  // Closing wrote the unfinished line and ended it.
  EXPECT_EQ(testsupport::withoutPrefixes(file("2026_12_06-11")), "first run\nunfinished\nsecond run\n");
}

TEST_F(LogFileTest, AFolderThatAppearsLaterIsUsedFromTheNextLine) {
  std::string const missing = "/var/log/later";
  LogFileStreamBuf buf(missing);
  std::ostream os(&buf);
  os << "lost" << std::endl;
  std::filesystem::create_directories(root.file(missing + "/x"));
  os << "kept" << std::endl;
  EXPECT_EQ(testsupport::withoutPrefixes(root.read(missing + "/2026_12_06-11.log")), "kept\n");
}

TEST_F(LogFileTest, AnOwnBufferOfTheCallerWorksToo) {
  auto buf = std::make_unique<LogFileStreamBuf>(dir);
  char area[64];
  std::ostream os(buf.get());
  os << "own area ";
  buf->pubsetbuf(area, sizeof area);
  os << "then the caller's" << std::endl;
  buf.reset();
  EXPECT_EQ(testsupport::withoutPrefixes(file("2026_12_06-11")), "own area then the caller's\n");
}

TEST_F(LogFileTest, ChildProgramsDoNotInheritTheFile) {
  LogFileStreamBuf buf(dir);
  int flags = -1;
  std::error_code ec;
  for (auto const& fd : std::filesystem::directory_iterator("/proc/self/fd"))
    if (std::filesystem::read_symlink(fd.path(), ec) == std::filesystem::canonical(buf.fileName()))
      flags = ::fcntl(std::stoi(fd.path().filename()), F_GETFD);
  EXPECT_EQ(flags, FD_CLOEXEC);
}

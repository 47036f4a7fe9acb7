// The device layer on the simulated board: request numbers, records in the
// board's byte order, answers, queued records reaching the loop, scripted failures.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>

#include "core/Multiplexer.h"
#include "core/Fd.h"
#include "hardware/Device.h"
#include "hardware/SimBoard.h"
#include "support/LoopHelpers.h"
#include "support/TestRoot.h"

namespace {

using Dev::Sim::Board;

TEST(DeviceRequestNumbers, EncodeDirectionSizeTypeAndNumberAsThePowerPcKernel) {
  EXPECT_EQ(Dev::iow('M', 2, 8), 0x80084D02u);
  EXPECT_EQ(Dev::iowr('M', 5, 8), 0xC0084D05u);
  EXPECT_EQ(Dev::ior('M', 0, 20), 0x40144D00u);
  EXPECT_EQ(Dev::io('M', 2), 0x20004D02u);
  EXPECT_EQ(Dev::iowr('M', 3, 80), 0xC0504D03u);
  EXPECT_EQ(Dev::ior('d', 1, 20), 0x40146401u);
  EXPECT_EQ(Dev::size(0xC0504D03u), 80u);
}

TEST(DeviceRecords, AreBigEndianWhateverTheHost) {
  Dev::Record<8> r;
  r.put32(0, 0x01020304);
  r.put16(4, 0xA1B2);
  EXPECT_EQ(r.bytes[0], 1);
  EXPECT_EQ(r.bytes[3], 4);
  EXPECT_EQ(r.bytes[4], 0xA1);
  EXPECT_EQ(r.get32(0), 0x01020304u);
  EXPECT_EQ(r.get16(4), 0xA1B2);
}

class SimDevice : public ::testing::Test {
 protected:
  testsupport::TestRoot root;
  Board& board = Board::reset();
};

TEST_F(SimDevice, RecordsTheRequestAndReturnsWhatTheDriverFilledIn) {
  int fd = Dev::open("/dev/hal", O_RDWR | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  Dev::Record<8> write;
  write.put32(0, 8200);
  write.put32(4, 0x42);
  EXPECT_EQ(Dev::ioctl(fd, 0xC0084D04u, write), 0);
  Dev::Record<8> read;
  read.put32(0, 8200);
  read.put32(4, 255);
  EXPECT_EQ(Dev::ioctl(fd, 0xC0084D05u, read), 0);
  EXPECT_EQ(read.get32(4), 0x42u);

  auto& hal = board.device("/dev/hal");
  ASSERT_EQ(hal.requests().size(), 2u);
  EXPECT_EQ(hal.last().number, 0xC0084D05u);
  // The log keeps what the daemon sent, not what the driver answered.
  EXPECT_EQ(hal.last().record, (std::vector<uint8_t>{0, 0, 0x20, 0x08, 0, 0, 0, 0xFF}));
  Dev::close(fd);
}

TEST_F(SimDevice, ADuplicatedDescriptorReachesTheSameOpen) {
  int fd = Dev::open("/dev/mcc/ctl", O_RDWR | O_NONBLOCK);
  int fd2 = Dev::open("/dev/mcc/ctl", O_RDWR | O_NONBLOCK);
  int copy = ::dup(fd2);
  Dev::close(fd2);
  EXPECT_EQ(Dev::ioctlValue(fd, Dev::io('M', 2), 0), 9216);
  EXPECT_EQ(Dev::ioctlValue(copy, Dev::io('M', 2), 0), 9217);
  EXPECT_EQ(board.device("/dev/mcc/ctl").last().file, 1u);
  Dev::close(copy);
  EXPECT_TRUE(board.device("/dev/mcc/ctl").file(1).closed());

  // A number closed through an Fd and given again to another device's
  // duplicate belongs to that device from then on.
  int hal = Dev::open("/dev/hal", O_RDWR);
  EXPECT_EQ(Dev::ioctlValue(hal, Dev::io('z', 1), 0), -1);
  { Fd owner(hal); }
  int again = ::dup(fd);
  ASSERT_EQ(again, hal);
  EXPECT_EQ(Dev::ioctlValue(again, Dev::io('M', 2), 0), 9216);
  Dev::close(again);
  Dev::close(fd);
}

TEST_F(SimDevice, TheRequestLogKeepsTheLatestRequestsOnly) {
  int fd = Dev::open("/dev/hal", O_RDWR);
  for (uint32_t n = 0; n < 5000; ++n) {
    Dev::Record<4> r;
    r.put32(0, n);
    Dev::ioctl(fd, 0x80044D03u, r);
  }
  auto const& seen = board.device("/dev/hal").requests();
  ASSERT_EQ(seen.size(), 4096u);
  EXPECT_EQ(seen.front().word(0), 5000u - 4096u);
  EXPECT_EQ(seen.back().word(0), 4999u);
  Dev::close(fd);
}

TEST_F(SimDevice, ScriptedAnswersAndFailuresReplaceTheDefault) {
  int fd = Dev::open("/dev/dsp", O_RDWR);
  auto& dsp = board.device("/dev/dsp");
  EXPECT_EQ(Dev::ioctlValue(fd, 0x40046404u, 0), 2);
  dsp.on(0x40046404u, [](Dev::Sim::Request&) { return 1; });
  EXPECT_EQ(Dev::ioctlValue(fd, 0x40046404u, 0), 1);
  dsp.fail(0x40046404u, EIO);
  errno = 0;
  EXPECT_EQ(Dev::ioctlValue(fd, 0x40046404u, 0), -1);
  EXPECT_EQ(errno, EIO);
  // An unknown request is refused as a driver would.
  EXPECT_EQ(Dev::ioctlValue(fd, Dev::io('z', 1), 0), -1);
  EXPECT_EQ(errno, ENOTTY);
  EXPECT_EQ(dsp.count(0x40046404u), 3u);
  Dev::close(fd);
}

TEST_F(SimDevice, ARequestNamingALargerRecordThanTheCallersNeverReachesTheDriver) {
  int fd = Dev::open("/dev/hal", O_RDWR);
  Dev::Record<4> small;
  errno = 0;
  EXPECT_EQ(Dev::ioctl(fd, 0x80084D02u, small), -1);
  EXPECT_EQ(errno, EINVAL);
  EXPECT_EQ(Dev::ioctl(fd, 0x80084D02u, nullptr), -1);
  EXPECT_EQ(errno, EFAULT);
  EXPECT_TRUE(board.device("/dev/hal").requests().empty());
  Dev::close(fd);
}

TEST_F(SimDevice, ADriverFillsNoMoreThanTheRecordTheRequestNames) {
  int fd = Dev::open("/dev/hal", O_RDWR);
  auto& hal = board.device("/dev/hal");
  hal.on(0xC0084D05u, [](Dev::Sim::Request& r) {
    r.record.assign(64, 0xEE);
    return 0;
  });
  struct {
    Dev::Record<8> record;
    uint8_t after[56];
  } caller{};
  EXPECT_EQ(Dev::ioctl(fd, 0xC0084D05u, caller.record), 0);
  EXPECT_EQ(caller.record.get32(4), 0xEEEEEEEEu);
  for (uint8_t b : caller.after) ASSERT_EQ(b, 0);
  Dev::close(fd);
}

TEST_F(SimDevice, QueuedRecordsArriveOnePerReadThroughTheLoop) {
  int fd = Dev::open("/dev/dtmf", O_RDONLY | O_NONBLOCK);
  auto& dtmf = board.device("/dev/dtmf");
  uint8_t first[16] = {1}, second[3] = {2, 3, 4};
  ASSERT_TRUE(dtmf.push(first, sizeof first));
  ASSERT_TRUE(dtmf.push(second, sizeof second));

  struct Reader {
    std::vector<ssize_t> sizes;
    void on(int fd, short revents) {
      if (!(revents & POLLIN)) return;
      uint8_t buffer[64];
      for (ssize_t n; (n = Dev::read(fd, buffer, sizeof buffer)) > 0;) sizes.push_back(n);
      multiplexer.terminate();
    }
  } reader;
  Event event;
  event.Bind<Reader>("reader", &Reader::on, &reader);
  event.Schedule(Fd(fd), POLLIN);
  testsupport::LoopStopper stopper(2000);
  multiplexer.run(false, true);
  EXPECT_FALSE(stopper.fired());
  EXPECT_EQ(reader.sizes, (std::vector<ssize_t>{16, 3}));
}

TEST_F(SimDevice, WritesAreKeptOneRecordPerWriteAndFailuresAreOneShot) {
  int fd = Dev::open("/dev/mcc/ctl", O_RDWR | O_NONBLOCK);
  auto& file = board.device("/dev/mcc/ctl").latest();
  EXPECT_EQ(Dev::write(fd, "ab", 2), 2);
  file.failNextWrite(EAGAIN);
  errno = 0;
  EXPECT_EQ(Dev::write(fd, "cd", 2), -1);
  EXPECT_EQ(errno, EAGAIN);
  EXPECT_EQ(Dev::write(fd, "e", 1), 1);
  file.failNextRead(EIO);
  char c;
  EXPECT_EQ(Dev::read(fd, &c, 1), -1);
  EXPECT_EQ(errno, EIO);
  EXPECT_EQ(Dev::read(fd, &c, 1), -1);
  EXPECT_EQ(errno, EAGAIN);
  Dev::close(fd);
  // What was written survives the close and the board forgetting the open.
  Dev::close(Dev::open("/dev/mcc/ctl", O_RDWR));
  auto frames = file.written();
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0], (std::vector<uint8_t>{'a', 'b'}));
  EXPECT_EQ(frames[1], (std::vector<uint8_t>{'e'}));
}

TEST_F(SimDevice, MissingDevicesAndOtherPaths) {
  board.device("/dev/dtmf").setOpenError(ENOENT);
  errno = 0;
  EXPECT_EQ(Dev::open("/dev/dtmf", O_RDONLY), -1);
  EXPECT_EQ(errno, ENOENT);
  // A path the board does not simulate is the file of that name below the root.
  root.write("/dev/mdm0", "x");
  int fd = Dev::open("/dev/mdm0", O_RDONLY);
  ASSERT_GE(fd, 0);
  char c = 0;
  EXPECT_EQ(Dev::read(fd, &c, 1), 1);
  EXPECT_EQ(c, 'x');
  Dev::close(fd);
}

}  // namespace

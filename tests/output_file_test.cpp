// Results files when the file system lets a write down: nothing of a failed
// record stays, and every failure is told.

#include "report/output_file.h"

#include <sys/file.h>
#include <sys/stat.h>

#include <cerrno>

#include <gtest/gtest.h>

#include "tests/test_support.h"

namespace {

using namespace vexlor;

// The real file system, but a disk that fills up after `space` more bytes,
// a last byte that may not be read, and a log of the calls that matter.
class FaultyFileSystem : public FileSystem {
 public:
  long space = -1;  // -1: no limit
  bool unreadable = false;
  std::string log;

  int Open(const char* path, int flags, mode_t mode) override {
    return Real().Open(path, flags, mode);
  }
  ssize_t Write(int fd, const void* data, size_t size) override {
    if (space == 0) {
      errno = ENOSPC;
      return -1;
    }
    if (space > 0 && size > static_cast<size_t>(space)) size = static_cast<size_t>(space);
    const ssize_t n = Real().Write(fd, data, size);
    if (n > 0 && space > 0) space -= n;
    log += "write ";
    return n;
  }
  ssize_t ReadAt(int fd, void* data, size_t size, off_t offset) override {
    if (unreadable) {
      errno = EBADF;
      return -1;
    }
    return Real().ReadAt(fd, data, size, offset);
  }
  int Stat(int fd, struct stat* st) override { return Real().Stat(fd, st); }
  int Truncate(int fd, off_t length) override {
    log += "truncate(" + std::to_string(length) + ") ";
    return Real().Truncate(fd, length);
  }
  int Lock(int fd, int operation) override {
    log += operation == LOCK_UN ? "unlock " : "lock ";
    return Real().Lock(fd, operation);
  }
  int Close(int fd) override { return Real().Close(fd); }
};

class OutputFileTest : public testing::Test {
 protected:
  bool WriteOnce(bool append, const std::string& text) {
    OutputFile file(fs_);
    Status status = file.Open(path_, append);
    if (status.ok()) status = file.Write(text);
    const Status closed = file.Close();
    error_ = status.message();
    return status.ok() && closed.ok();
  }

  TempDir dir_;
  std::string path_ = dir_ / "results.txt";
  std::string error_;
  FaultyFileSystem fs_;
};

TEST_F(OutputFileTest, AFailedAppendLeavesTheFileAsItWas) {
  for (const std::string before : {"1 2 \n", "1 2 "}) {
    WriteFile(path_, before);
    fs_.space = 5;
    EXPECT_FALSE(WriteOnce(true, "3 4 5 6 \n"));
    EXPECT_EQ(error_, "cannot write '" + path_ + "': No space left on device");
    EXPECT_EQ(ReadFile(path_), before);
  }
}

TEST_F(OutputFileTest, AFailedOverwriteLeavesNothingOfTheNewRecord) {
  WriteFile(path_, "old record ");
  fs_.space = 3;
  EXPECT_FALSE(WriteOnce(false, "3 4 5 6 "));
  EXPECT_EQ(ReadFile(path_), "");
}

TEST_F(OutputFileTest, OverwriteEmptiesAndWritesUnderOneLock) {
  WriteFile(path_, "old record ");
  ASSERT_TRUE(WriteOnce(false, "3 4 "));
  EXPECT_EQ(ReadFile(path_), "3 4 ");
  EXPECT_EQ(fs_.log, "lock truncate(0) write unlock ");

  fs_.log.clear();
  OutputFile nothing(fs_);
  ASSERT_TRUE(nothing.Open(path_, false).ok());
  ASSERT_TRUE(nothing.Close().ok());
  EXPECT_EQ(ReadFile(path_), "") << "an overwrite with nothing to write still empties";
}

TEST_F(OutputFileTest, ALastByteThatCannotBeReadStopsTheAppend) {
  WriteFile(path_, "1 2 ");
  fs_.unreadable = true;
  EXPECT_FALSE(WriteOnce(true, "3 4 \n"));
  EXPECT_EQ(error_, "cannot read the last byte of '" + path_ +
                        "': Bad file descriptor (needed to start a new line)");
  EXPECT_EQ(ReadFile(path_), "1 2 ");

  WriteFile(path_, "");
  EXPECT_TRUE(WriteOnce(true, "3 4 \n")) << "an empty file needs no check";
}

TEST_F(OutputFileTest, APipeThatNobodyReadsIsRefused) {
  ASSERT_EQ(::mkfifo(path_.c_str(), 0600), 0);
  for (bool append : {false, true}) {
    EXPECT_FALSE(WriteOnce(append, "1 \n"));
    EXPECT_EQ(error_, "cannot open '" + path_ + "': no process reads from this pipe");
  }
}

}  // namespace

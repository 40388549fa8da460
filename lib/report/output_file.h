#ifndef VEXLOR_REPORT_OUTPUT_FILE_H_
#define VEXLOR_REPORT_OUTPUT_FILE_H_

#include <sys/stat.h>
#include <sys/types.h>

#include <functional>
#include <string>
#include <string_view>

#include "vexlor/status.h"

namespace vexlor {

// Writing results files under the rules of vexlor/results_file.h, through a
// seam that tests make fail. One OutputFile belongs to one thread at a time;
// separate ones may run on separate threads.

// The system calls that results files are written through. Each returns what
// the call of the same name returns and leaves the reason in errno. Tests
// pass an implementation that fails where the real system rarely does (a
// write cut short by a full disk, a last byte that cannot be read).
class FileSystem {
 public:
  virtual ~FileSystem() = default;

  virtual int Open(const char* path, int flags, mode_t mode) = 0;
  virtual ssize_t Write(int fd, const void* data, size_t size) = 0;
  virtual ssize_t ReadAt(int fd, void* data, size_t size, off_t offset) = 0;
  virtual int Stat(int fd, struct stat* st) = 0;
  virtual int Truncate(int fd, off_t length) = 0;
  // flock(2).
  virtual int Lock(int fd, int operation) = 0;
  virtual int Close(int fd) = 0;

  // The real one: plain system calls.
  static FileSystem& Real();
};

// An open results file for many writes, closed by the destructor if Close()
// was not called. Each Write() holds whole lines and follows the rules above;
// overwrite mode empties the file at the first Write() (or at Close(), when
// nothing was written), under the same lock.
class OutputFile {
 public:
  explicit OutputFile(FileSystem& fs = FileSystem::Real()) : fs_(fs) {}
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  vexlor::Status Open(const std::string& path, bool append);

  // Wraps an already open descriptor, such as standard output, written as it
  // is (no newline rule, no lock); it is not closed by this object. A failed
  // write is still cut back when it is a regular file.
  void Adopt(int fd, const std::string& name);

  // `alongside(start)`, when given, runs once `text` is written, while the
  // file is still locked, with the offset the text was written at (-1 when
  // unknown): for a file that must grow in step with this one, such as a
  // data set's names, even among several appending processes.
  vexlor::Status Write(std::string_view text,
                       const std::function<vexlor::Status(off_t start)>& alongside = {});
  vexlor::Status Close();

 private:
  // Where the next write will start, -1 when that cannot be known.
  off_t WriteStart() const;
  vexlor::Status WriteAll(std::string_view text);
  // Cuts the file back to `length` after a failed write; says so in the
  // returned failure when that fails too.
  vexlor::Status CutBack(off_t length, vexlor::Status failure);
  vexlor::Status EmptyIfPending();
  vexlor::Status Failure(const char* what, int error_number) const;

  FileSystem& fs_;
  int fd_ = -1;
  bool owned_ = false;
  bool regular_ = false;
  bool truncate_pending_ = false;
  std::string path_;
};

}  // namespace vexlor

#endif  // VEXLOR_REPORT_OUTPUT_FILE_H_

// vexlor/results_file.h: writing records to a results file.
//
// Contract: a results file holds one record per line. Append mode creates a
// missing file, adds the record and a newline, and first adds a newline when
// the file does not end in one, so every record keeps a line of its own.
// Overwrite mode leaves the file holding the record alone, with no newline.
//
// Integrity: each record is written with one write(2) under an advisory lock
// (flock) that vexlor's tools take for the check, the write and, in overwrite
// mode, the emptying of the file, so processes appending to one file at once
// never interleave. A write that fails part way is cut back: the file keeps
// nothing of the record. A pipe that no process reads is refused. The lock
// keeps out only writers that take it too.
//
// Thread safety: separate calls and separate OutputFile objects may run on
// separate threads; one OutputFile belongs to one thread at a time.
//
// Errors: Status (kIOError) with a one-line message that names the file
// ("cannot open '<path>': <reason>").
#ifndef VEXLOR_RESULTS_FILE_H_
#define VEXLOR_RESULTS_FILE_H_

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "vexlor/descriptors.h"
#include "vexlor/record.h"
#include "vexlor/status.h"

namespace vexlor {

// Writes the record of `descriptors` in `form` to the results file at `path`.
Status WriteToFile(const Descriptors& descriptors, const std::string& path, bool append,
                   RecordForm form);

// Writes `message` (for a bad icon, kBadIcon) as a record of its own.
Status WriteMessageToFile(const std::string& path, bool append, std::string_view message);

// A results file read back: the numbers of every line, in file order.
struct ResultsTable {
  // One row of record_token_count numbers per line, NaN for "Bad Icon".
  std::vector<double> values;
  // Per line: whether it is "Bad Icon".
  std::vector<char> bad;
};

// Reads a results file of either form, as vexlor and vexlor-batch write it:
// lines of append mode, a record of overwrite mode without a final newline,
// "Bad Icon" lines. kIOError when the file cannot be read; kInvalidArgument
// naming the file and the line ("<path>:<line>: ...") for a line that is none
// of these, longer than 64 KiB, or a record that breaks the rules of
// CheckRecord (vexlor/nearest.h): every reader takes the same records.
Status ReadResults(const std::string& path, ResultsTable* table);

// The longest line a results file may have, in bytes: a record of either
// form is far shorter (TinyInt at most 1,664 bytes, doubles some 6,000).
inline constexpr std::size_t kMaxResultsLine = 1 << 16;

// Reads the results file at `path` one line at a time, as vexlor and
// vexlor-batch write it, and calls `line` with the line's number (from 1)
// and its record_token_count numbers, or nullptr for "Bad Icon". Stops at the
// first failure `line` returns and returns it. kIOError when the file cannot
// be read; kInvalidArgument ("<path>:<line>: ...") for a line that is neither,
// or that is longer than kMaxResultsLine.
Status ForEachResultsLine(const std::string& path,
                          const std::function<Status(std::size_t number, const double* values)>& line);

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

  vexlor::Status Write(std::string_view text);
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

#endif  // VEXLOR_RESULTS_FILE_H_

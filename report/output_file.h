#ifndef VEXLOR_REPORT_OUTPUT_FILE_H_
#define VEXLOR_REPORT_OUTPUT_FILE_H_

#include <sys/types.h>

#include <string>
#include <string_view>

#include "report/file_system.h"

// An open results file, closed by the destructor if Close() was not called.
// Methods return false with a one-line reason in `*error` ("cannot open
// '<path>': <reason>").
//
// Every Write() is meant to hold whole lines and is a single write(2) where
// the system allows it. It goes to the end of the file, and begins with a
// newline when the file does not end in one (an overwrite-mode run leaves no
// newline), so every record starts a line. A write that fails part way is cut
// back off a regular file: the file never keeps part of a record.
//
// Overwrite mode empties the file when the first Write() (or Close(), when
// nothing was written) comes, under the same lock as that write.
//
// Each Write() holds an advisory lock (flock) on the file for the check, the
// write and the repair: without it, a process could read the last byte while
// another one's write is only partly in the file, and add a needless newline.
// The lock only orders writers that take it too (vexlor and vexlor-batch); it
// denies nobody access to the file.
//
// A pipe with no process reading it is refused when opened: what went into
// it would be lost.
class OutputFile {
 public:
  explicit OutputFile(FileSystem& fs = FileSystem::Real()) : fs_(fs) {}
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Creates a missing file. Append mode keeps the content.
  bool Open(const char* path, bool append, std::string* error);

  // Wraps an already open descriptor, such as standard output, written as it
  // is (no newline rule, no lock); it is not closed by this object. A failed
  // write is still cut back when it is a regular file.
  void Adopt(int fd, const char* name);

  bool Write(std::string_view text, std::string* error);
  bool Close(std::string* error);

 private:
  // Where the next write will start, -1 when that cannot be known.
  off_t WriteStart() const;
  bool WriteAll(std::string_view text, std::string* error);
  // Cuts the file back to `length` after a failed write; adds why that
  // failed too to `*error`.
  void CutBack(off_t length, std::string* error);
  bool EmptyIfPending(std::string* error);
  std::string Describe(const char* what, int error_number) const;

  FileSystem& fs_;
  int fd_ = -1;
  bool owned_ = false;
  bool regular_ = false;
  bool truncate_pending_ = false;
  std::string path_;
};

#endif  // VEXLOR_REPORT_OUTPUT_FILE_H_

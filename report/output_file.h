#ifndef VEXLOR_REPORT_OUTPUT_FILE_H_
#define VEXLOR_REPORT_OUTPUT_FILE_H_

#include <string>
#include <string_view>

// An open results file, closed by the destructor if Close() was not called.
// Methods return false with a one-line reason in `*error` ("cannot open
// '<path>': <reason>").
//
// Every Write() is a single write(2) of the whole text where the system
// allows it. In append mode each goes to the end of the file, and the first
// one begins with a newline when the file does not end in one (an
// overwrite-mode run leaves no newline), so every record starts a line.
//
// Appends hold an advisory lock (flock) on the file for the check and the
// write: without it, a process could read the last byte while another one's
// write is only partly in the file, and add a needless newline. The lock only
// orders writers that take it too (vexlor and vexlor-batch); it denies nobody
// access to the file.
class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Append mode creates a missing file and keeps the content; otherwise the
  // file is created or truncated.
  bool Open(const char* path, bool append, std::string* error);

  // Wraps an already open descriptor, such as standard output, written as it
  // is (no newline rule, no lock); it is not closed by this object.
  void Adopt(int fd, const char* name);

  bool Write(std::string_view text, std::string* error);
  bool Close(std::string* error);

 private:
  bool EndsInsideLine() const;
  bool WriteAll(std::string_view text, std::string* error);
  std::string Describe(const char* what, int error_number) const;

  int fd_ = -1;
  bool owned_ = false;
  bool append_ = false;
  bool written_ = false;
  std::string path_;
};

#endif  // VEXLOR_REPORT_OUTPUT_FILE_H_

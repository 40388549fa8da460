#ifndef VEXLOR_REPORT_OUTPUT_FILE_H_
#define VEXLOR_REPORT_OUTPUT_FILE_H_

#include <string>
#include <string_view>

// An open results file, closed by the destructor if Close() was not called.
// Every Write() is a single write(2) of the whole text where the system
// allows it; in append mode each goes to the end of the file at that moment,
// so whole records of concurrent appenders never interleave. Methods return
// false with a one-line reason in `*error` ("cannot open ...: <reason>").
class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Append mode creates a missing file and keeps the content; otherwise the
  // file is created or truncated. Other processes keep full access to it.
  bool Open(const char* path, bool append, std::string* error);

  // Wraps an already open descriptor, such as standard output; it is not
  // closed by this object.
  void Adopt(int fd, const char* name);

  // True when the file is a non-empty regular file whose last byte is not a
  // newline: an append must then begin with one to start a line of its own.
  bool EndsInsideLine() const;

  bool Write(std::string_view text, std::string* error);
  bool Close(std::string* error);

 private:
  std::string Describe(const char* what, int error_number) const;

  int fd_ = -1;
  bool owned_ = false;
  std::string path_;
};

#endif  // VEXLOR_REPORT_OUTPUT_FILE_H_

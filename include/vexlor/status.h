// vexlor/status.h: how the library reports failure.
//
// Contract: every operation that can fail returns a Status; a default Status
// is success. The two that return a value instead (Describe and RecordLine in
// vexlor/vexlor.h) throw vexlor::Error, which carries the same Status. A
// message is one line that names what failed, the path where there is one,
// and the reason, ready to be printed after a program's name.
//
// Status is a plain value: copy it, keep it, pass it between threads.
#ifndef VEXLOR_STATUS_H_
#define VEXLOR_STATUS_H_

#include <stdexcept>
#include <string>
#include <utility>

namespace vexlor {

class Status {
 public:
  enum class Code {
    kOk,
    kBadIcon,          // the icon cannot be loaded: recorded as "Bad Icon"
    kIconRefused,      // the icon is beyond a bound (pixels, JPEG scans or memory) or
                       // of a kind not read safely (DICOM, a hostile SVG):
                       // recorded as "Bad Icon", and the programs say why
    kInvalidArgument,  // the caller passed something unusable
    kIOError,          // a file could not be read or written
    kMeasureFailed,    // a loaded icon could not be measured (memory, image library)
  };

  Status() = default;
  static Status BadIcon(std::string message) { return {Code::kBadIcon, std::move(message)}; }
  static Status IconRefused(std::string message) {
    return {Code::kIconRefused, std::move(message)};
  }
  static Status InvalidArgument(std::string message) {
    return {Code::kInvalidArgument, std::move(message)};
  }
  static Status IOError(std::string message) { return {Code::kIOError, std::move(message)}; }
  static Status MeasureFailed(std::string message) {
    return {Code::kMeasureFailed, std::move(message)};
  }

  bool ok() const { return code_ == Code::kOk; }
  // Whether the icon's line is "Bad Icon" because of the icon itself.
  bool bad_icon() const { return code_ == Code::kBadIcon || code_ == Code::kIconRefused; }
  Code code() const { return code_; }
  const std::string& message() const { return message_; }

 private:
  Status(Code code, std::string message) : code_(code), message_(std::move(message)) {}

  Code code_ = Code::kOk;
  std::string message_;
};

class Error : public std::runtime_error {
 public:
  explicit Error(Status status) : std::runtime_error(status.message()), status_(std::move(status)) {}
  const Status& status() const { return status_; }

 private:
  Status status_;
};

// The Status that an exception thrown while measuring stands for: an Error's
// own, kMeasureFailed for exhausted memory ("out of memory") and for any other
// exception (its what()). vexlor's own functions turn the image library's
// errors into Errors ("image library error: ...") before they leave.
Status StatusOf(const std::exception& e);

}  // namespace vexlor

#endif  // VEXLOR_STATUS_H_

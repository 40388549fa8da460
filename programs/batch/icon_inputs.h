#ifndef VEXLOR_BATCH_ICON_INPUTS_H_
#define VEXLOR_BATCH_ICON_INPUTS_H_

#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "batch/path_reader.h"
#include "vexlor/status.h"

namespace vexlor {

// One path to measure, and whether it was found by walking a folder (where a
// file that is no image at all is passed over, not recorded).
struct IconPath {
  std::string path;
  bool walked = false;
};

// The paths vexlor-batch's inputs name, in order. An input is a list of paths
// (a file, or "-" for standard input, read by a PathReader) or a folder,
// walked whole when it is opened: every file below it, in byte order of the
// paths, symbolic links to files taken and those to folders not followed.
class IconInputs {
 public:
  IconInputs(std::vector<std::string> inputs, bool nulSeparated);
  ~IconInputs();

  // Opens every input and reads the first block of every list, so that an
  // input that cannot be used is known before anything is written: kIOError
  // naming it when it cannot be read, kInvalidArgument when a list is an
  // image, or holds NUL bytes without `nulSeparated`. `messages` is told of
  // folders below an input that cannot be read (the walk goes on).
  Status Open(std::FILE* messages);

  // Whether an input is the file at `path` (which then must not be written).
  bool Includes(const std::string& path) const;

  // How many paths there are, or -1 when a list is no regular file.
  long long Count() const;

  // Called before a list waits for input that has not arrived yet.
  void set_before_wait(const std::function<void()>& hook);

  // The next path, or nullopt at the end of the last input. A list that
  // fails to be read ends there; status() then says which and why.
  std::optional<IconPath> Next();
  Status status() const { return status_; }
  // Whether a folder below an input could not be read.
  bool missed_folders() const { return missed_folders_; }

 private:
  struct Input;
  std::vector<std::unique_ptr<Input>> inputs_;
  std::size_t current_ = 0;
  bool nul_separated_;
  bool missed_folders_ = false;
  Status status_;
};

}  // namespace vexlor

#endif  // VEXLOR_BATCH_ICON_INPUTS_H_

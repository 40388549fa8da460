#include "batch/icon_inputs.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "decode/image_signatures.h"
#include "support/quoted.h"

namespace vexlor {

namespace fs = std::filesystem;

struct IconInputs::Input {
  std::string name;
  int fd = -1;  // a list's; owned unless it is standard input
  std::unique_ptr<PathReader> reader;
  std::vector<std::string> walked;  // a folder's files
  std::size_t next = 0;

  ~Input() {
    if (fd > STDIN_FILENO) ::close(fd);
  }
};

namespace {

// Every file below `folder`, in no particular order; folders that cannot be
// read are told on `messages` and passed over.
void Walk(const fs::path& folder, std::vector<std::string>* files, std::FILE* messages,
          bool* missed) {
  std::error_code error;
  fs::directory_iterator entries(folder, error);
  std::vector<fs::path> below;
  for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
    const fs::directory_entry& entry = *entries;
    std::error_code kindError;
    const bool link = entry.is_symlink(kindError);
    const bool isFolder = entry.is_directory(kindError);
    if (isFolder) {
      if (!link) below.push_back(entry.path());  // a link to a folder is not followed
      continue;
    }
    files->push_back(entry.path().string());
  }
  if (error) {
    std::fprintf(messages, "vexlor-batch: cannot read folder '%s': %s\n",
                 Quoted(folder.string()).c_str(), error.message().c_str());
    *missed = true;
  }
  for (const fs::path& sub : below) Walk(sub, files, messages, missed);
}

// Why the first bytes of a list show it to be no list of paths, or "".
std::string WhyNoList(const char* head, std::size_t size, bool nulSeparated) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(head);
  if (LooksLikeImage(bytes, size))
    return "is an image, not a list of paths (give a file of paths, or the folder it is in)";
  if (!nulSeparated && std::memchr(head, '\0', size) != nullptr)
    return "holds NUL bytes: a list of paths that end in NUL (find -print0) is read with -0";
  return "";
}

}  // namespace

IconInputs::IconInputs(std::vector<std::string> inputs, bool nulSeparated)
    : nul_separated_(nulSeparated) {
  if (inputs.empty()) inputs.push_back("-");
  for (std::string& name : inputs) {
    inputs_.push_back(std::make_unique<Input>());
    inputs_.back()->name = std::move(name);
  }
}

IconInputs::~IconInputs() = default;

Status IconInputs::Open(std::FILE* messages) {
  for (const std::unique_ptr<Input>& input : inputs_) {
    const std::string& name = input->name;
    const std::string shown = "list '" + Quoted(name) + "'";
    if (name != "-") {
      struct stat st;
      if (::stat(name.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        Walk(name, &input->walked, messages, &missed_folders_);
        std::sort(input->walked.begin(), input->walked.end());
        continue;
      }
    }
    input->fd = name == "-" ? STDIN_FILENO : ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (input->fd < 0) return Status::IOError("cannot open " + shown + ": " + std::strerror(errno));
    input->reader = std::make_unique<PathReader>(input->fd, nul_separated_);
    if (Status primed = input->reader->Prime(); !primed.ok())
      return Status::IOError("cannot read " + shown + ": " + primed.message());
    const std::string_view head = input->reader->buffered();
    if (const std::string why = WhyNoList(head.data(), head.size(), nul_separated_); !why.empty())
      return Status::InvalidArgument("the " + shown + " " + why);
  }
  return {};
}

bool IconInputs::Includes(const std::string& path) const {
  struct stat named;
  if (::stat(path.c_str(), &named) != 0) return false;
  for (const std::unique_ptr<Input>& input : inputs_) {
    struct stat open;
    if (input->fd >= 0 && ::fstat(input->fd, &open) == 0 && open.st_dev == named.st_dev &&
        open.st_ino == named.st_ino)
      return true;
  }
  return false;
}

long long IconInputs::Count() const {
  long long count = 0;
  for (const std::unique_ptr<Input>& input : inputs_) {
    if (!input->reader) {
      count += static_cast<long long>(input->walked.size());
      continue;
    }
    const long long listed =
        CountPaths(input->name == "-" ? "/dev/stdin" : input->name.c_str(), nul_separated_);
    if (listed < 0) return -1;
    count += listed;
  }
  return count;
}

void IconInputs::set_before_wait(const std::function<void()>& hook) {
  for (const std::unique_ptr<Input>& input : inputs_)
    if (input->reader) input->reader->set_before_wait(hook);
}

std::optional<IconPath> IconInputs::Next() {
  for (; current_ < inputs_.size() && status_.ok(); ++current_) {
    Input& input = *inputs_[current_];
    if (!input.reader) {
      if (input.next < input.walked.size()) return IconPath{input.walked[input.next++], true};
      continue;
    }
    if (std::optional<std::string> path = input.reader->Next()) return IconPath{*path, false};
    if (Status read = input.reader->status(); !read.ok())
      status_ = Status::IOError("cannot read list '" + Quoted(input.name) + "': " + read.message());
  }
  return std::nullopt;
}

}  // namespace vexlor

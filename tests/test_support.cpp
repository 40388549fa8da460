#include "tests/test_support.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include <opencv2/imgproc.hpp>

TempDir::TempDir() {
  std::string pattern =
      (std::filesystem::temp_directory_path() / "vexlor-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr)
    throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  // Folders a test made read-only must become writable to be removed.
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  for (const auto& entry :
       std::filesystem::recursive_directory_iterator(path_, ec))
    std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
}

std::string TempDir::operator/(const std::string& name) const {
  return (path_ / name).string();
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

std::string TestDataPath(const std::string& name) {
  return std::string(VEXLOR_TEST_DATA_DIR) + "/" + name;
}

namespace {

void RedirectOrDie(const std::string& path, int fd, int flags) {
  const int opened = ::open(path.c_str(), flags, 0644);
  if (opened < 0 || ::dup2(opened, fd) < 0) ::_exit(127);
  ::close(opened);
}

}  // namespace

ProgramResult RunProgram(const std::string& program,
                         const std::vector<std::string>& args,
                         const ProgramSetup& setup) {
  TempDir io;
  const std::string outPath = io / "out", errPath = io / "err",
                    inPath = io / "in";
  WriteFile(inPath, setup.stdin_text);

  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);

  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    if (::chdir(setup.cwd.c_str()) != 0) ::_exit(127);
    for (const std::string& name : setup.unset_env) ::unsetenv(name.c_str());
    for (const std::string& assignment : setup.set_env)
      ::putenv(const_cast<char*>(assignment.c_str()));
    RedirectOrDie(inPath, STDIN_FILENO, O_RDONLY);
    for (const auto& [resource, bytes] : {std::pair{RLIMIT_FSIZE, setup.file_size_limit},
                                          std::pair{RLIMIT_AS, setup.address_space_limit}}) {
      const struct rlimit limit = {static_cast<rlim_t>(bytes), static_cast<rlim_t>(bytes)};
      if (bytes > 0 && ::setrlimit(resource, &limit) != 0) ::_exit(127);
    }
    if (setup.close_stdout)
      ::close(STDOUT_FILENO);
    else
      RedirectOrDie(setup.stdout_path.empty() ? outPath : setup.stdout_path,
                    STDOUT_FILENO, O_WRONLY | O_CREAT | O_TRUNC);
    RedirectOrDie(errPath, STDERR_FILENO, O_WRONLY | O_CREAT | O_TRUNC);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  int status = 0;
  struct rusage usage {};
  while (::wait4(pid, &status, 0, &usage) < 0) {
  }
  ProgramResult result;
  result.max_rss_kb = usage.ru_maxrss;
  result.exit_status = WIFEXITED(status) ? WEXITSTATUS(status)
                                         : 128 + WTERMSIG(status);
  result.out = ReadFile(outPath);
  result.err = ReadFile(errPath);
  return result;
}

ProgramResult RunVexlorBinary(const std::vector<std::string>& args,
                              const ProgramSetup& setup) {
  return RunProgram(VEXLOR_BINARY, args, setup);
}

ProgramResult RunBatchBinary(const std::vector<std::string>& args,
                             const ProgramSetup& setup) {
  return RunProgram(VEXLOR_BATCH_BINARY, args, setup);
}

std::vector<std::string> Tokens(const std::string& text) {
  std::vector<std::string> tokens;
  std::istringstream in(text);
  for (std::string token; in >> token;) tokens.push_back(token);
  return tokens;
}

cv::Mat SolidIcon(int rows, int cols, cv::Vec3b bgr) {
  return cv::Mat(rows, cols, CV_8UC3, cv::Scalar(bgr[0], bgr[1], bgr[2]));
}

cv::Vec3b LabOf(cv::Vec3b bgr) {
  cv::Mat lab;
  cv::cvtColor(SolidIcon(1, 1, bgr), lab, cv::COLOR_BGR2Lab);
  return lab.at<cv::Vec3b>(0, 0);
}

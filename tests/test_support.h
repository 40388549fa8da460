#ifndef VEXLOR_TESTS_TEST_SUPPORT_H_
#define VEXLOR_TESTS_TEST_SUPPORT_H_

#include <filesystem>
#include <string>
#include <vector>

#include <opencv2/core.hpp>

#include "decode/icon_pixels.h"
#include "opencv/matrices.h"

// A fresh folder, removed with everything in it when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // Path of `name` inside the folder, as text.
  std::string operator/(const std::string& name) const;

 private:
  std::filesystem::path path_;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& content);

// Folder of the icons shipped with the tests.
std::string TestDataPath(const std::string& name);

struct ProgramResult {
  int exit_status = -1;  // as the shell reports it: -1 reads 255
  std::string out;
  std::string err;
  long max_rss_kb = 0;  // peak resident memory of the process
};

struct ProgramSetup {
  std::string cwd = ".";
  std::vector<std::string> unset_env;
  std::vector<std::string> set_env;  // "NAME=value"
  std::string stdin_text;
  // When set, standard output goes to this file instead of being captured
  // (for example /dev/full); with close_stdout it is closed instead.
  std::string stdout_path;
  bool close_stdout = false;
  // Resource limits of the program, in bytes (0: none): the largest file it
  // may write (RLIMIT_FSIZE) and its address space (RLIMIT_AS).
  long file_size_limit = 0;
  long address_space_limit = 0;
};

// Runs `program` with `args` (argv[1..]) and waits for it.
ProgramResult RunProgram(const std::string& program,
                         const std::vector<std::string>& args,
                         const ProgramSetup& setup = {});

// The vexlor binary under test.
ProgramResult RunVexlorBinary(const std::vector<std::string>& args,
                              const ProgramSetup& setup = {});

// The vexlor-batch binary under test.
ProgramResult RunBatchBinary(const std::vector<std::string>& args,
                             const ProgramSetup& setup = {});

// Splits `text` at blanks, dropping empty pieces.
std::vector<std::string> Tokens(const std::string& text);

// An 8-bit BGR image of `rows` x `cols` filled with `bgr`.
cv::Mat SolidIcon(int rows, int cols, cv::Vec3b bgr);

// A copy of `pixels` as a CV_8UC3 matrix (empty for none).
inline cv::Mat MatrixOf(const vexlor::IconPixels& pixels) {
  if (pixels.empty()) return {};
  return vexlor::MatrixCopyOf(pixels.view());
}

// The library's 8-bit Lab value of one BGR colour.
cv::Vec3b LabOf(cv::Vec3b bgr);

#endif  // VEXLOR_TESTS_TEST_SUPPORT_H_

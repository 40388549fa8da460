// The two ways the core decodes a PNG, over every file of a list: bytes in
// memory (image data decoded directly where that is sure to agree with
// libpng) and a stream (libpng alone), without and with a background. Any
// difference in outcome or pixels is reported and fails the run; the time of
// each way is printed (the page cache warm).
// Usage: vexlor_png_decoding_paths LIST

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "decode/png_decoder.h"

namespace {

using Clock = std::chrono::steady_clock;

struct File {
  std::string path;
  std::vector<std::uint8_t> bytes;
};

bool Same(const vexlor::IconPixels& a, const vexlor::IconPixels& b) {
  return a.rows() == b.rows() && a.cols() == b.cols() &&
         (a.size() == 0 || std::memcmp(a.data(), b.data(), a.size()) == 0);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s LIST\n", argv[0]);
    return 1;
  }
  std::vector<File> files;
  std::ifstream list(argv[1]);
  for (std::string path; std::getline(list, path);) {
    std::ifstream in(path, std::ios::binary);
    files.push_back({path, {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()}});
  }
  constexpr std::uint64_t kMaxPixels = std::uint64_t{1} << 26;
  const vexlor::Background backgrounds[2] = {{}, {true, 255, 255, 255}};
  long differences = 0;
  double memorySeconds = 0, streamSeconds = 0;
  vexlor::IconPixels inMemory, streamed;
  for (const vexlor::Background& background : backgrounds) {
    for (const File& file : files) {
      const auto start = Clock::now();
      const auto memoryResult = vexlor::DecodePngBytes(file.bytes.data(), file.bytes.size(),
                                                       kMaxPixels, &inMemory, background);
      const auto middle = Clock::now();
      std::unique_ptr<std::FILE, int (*)(std::FILE*)> stream(
          ::fmemopen(const_cast<std::uint8_t*>(file.bytes.data()), file.bytes.size(), "rb"),
          std::fclose);
      const auto streamResult = vexlor::DecodePng(stream.get(), kMaxPixels, &streamed, background);
      streamSeconds += std::chrono::duration<double>(Clock::now() - middle).count();
      memorySeconds += std::chrono::duration<double>(middle - start).count();
      if (memoryResult.code() != streamResult.code() || !Same(inMemory, streamed)) {
        std::printf("differs%s: %s\n", background.set ? " over white" : "", file.path.c_str());
        ++differences;
      }
    }
  }
  const double n = 2.0 * static_cast<double>(files.size());
  std::printf("%zu files, twice: %ld differ; per file %.1f us in memory, %.1f us libpng alone\n",
              files.size(), differences, memorySeconds / n * 1e6, streamSeconds / n * 1e6);
  return differences == 0 ? 0 : 1;
}

#ifndef VEXLOR_DECODE_FILE_BYTES_H_
#define VEXLOR_DECODE_FILE_BYTES_H_

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace vexlor {

// Icon files up to this size are read whole with one system call and decoded
// from memory; larger ones, and streams that are no regular file, are read
// as streams.
inline constexpr std::size_t kWholeFileLimit = std::size_t{4} << 20;

// Reads the regular file behind `file` whole into `*bytes` if it has
// 1..kWholeFileLimit bytes; false (and the stream untouched) otherwise.
bool ReadWholeSmallFile(std::FILE* file, std::vector<std::uint8_t>* bytes);

}  // namespace vexlor

#endif  // VEXLOR_DECODE_FILE_BYTES_H_

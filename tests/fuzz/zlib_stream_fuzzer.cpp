// Differential fuzz target for the core's own zlib decoding of PNG image
// data. Input: a piece size byte, then a zlib stream. The stream's deflate
// data is decoded raw by zlib and the Adler-32 of what comes out is put in
// its trailer (so that damage reaches the decoding, not only the check).
// Whatever InflateZlibStream then accepts, zlib must accept as libpng drives
// it (the header's window, the output a piece at a time), with the same
// bytes; anything else is a finding.

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "decode/zlib_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  constexpr std::size_t kMaxOutput = 1u << 18;
  if (size < 1 + 2 + 4) return 0;
  const std::size_t piece = 1 + data[0] % 200;
  std::vector<std::uint8_t> stream(data + 1, data + size);

  static std::vector<std::uint8_t> raw(kMaxOutput);  // once: clearing it each time would be most of the work
  z_stream z{};
  if (inflateInit2(&z, -15) != Z_OK) std::abort();
  z.next_in = stream.data() + 2;
  z.avail_in = static_cast<uInt>(stream.size() - 6);
  z.next_out = raw.data();
  z.avail_out = static_cast<uInt>(raw.size());
  inflate(&z, Z_FINISH);
  const std::size_t outSize = z.total_out;
  inflateEnd(&z);
  const std::uint32_t check = vexlor::Adler32(raw.data(), outSize);
  for (int i = 0; i < 4; ++i)
    stream[stream.size() - 4 + i] = static_cast<std::uint8_t>(check >> (24 - 8 * i));

  std::vector<std::uint8_t> ours(outSize + vexlor::kInflateSlack);
  if (!vexlor::InflateZlibStream(stream.data(), stream.size(), ours.data(), outSize)) return 0;

  std::vector<std::uint8_t> theirs(outSize + 1);
  z = z_stream{};
  if (inflateInit2(&z, 0) != Z_OK) std::abort();
  z.next_in = stream.data();
  z.avail_in = static_cast<uInt>(stream.size());
  int result = Z_OK;
  while (result == Z_OK) {
    z.next_out = theirs.data() + z.total_out;
    // Past the declared size, room for one more byte: zlib must have none.
    z.avail_out = static_cast<uInt>(z.total_out < outSize ? std::min(piece, outSize - z.total_out) : 1);
    result = inflate(&z, Z_NO_FLUSH);
  }
  if (result != Z_STREAM_END || z.total_out != outSize || z.avail_in != 0) std::abort();
  if (outSize != 0 && std::memcmp(ours.data(), theirs.data(), outSize) != 0) std::abort();
  inflateEnd(&z);
  return 0;
}

// Differential fuzz target for the core's own zlib decoding of PNG image
// data: three bytes of output size, then a zlib stream. Whatever
// InflateZlibStream accepts, zlib must accept as libpng drives it (the
// header's window, the output a piece at a time, the piece size from the
// input), with the same bytes; anything else is a finding.

#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "icon/zlib_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const std::size_t outSize = (std::size_t{data[0]} << 16 | data[1] << 8 | data[2]) % (1u << 20);
  const std::size_t piece = 1 + data[3] % 200;
  data += 4;
  size -= 4;
  std::vector<std::uint8_t> ours(outSize + vexlor::kInflateSlack);
  if (!vexlor::InflateZlibStream(data, size, ours.data(), outSize)) return 0;

  std::vector<std::uint8_t> theirs(outSize + 1);
  z_stream z{};
  if (inflateInit2(&z, 0) != Z_OK) std::abort();
  z.next_in = const_cast<std::uint8_t*>(data);
  z.avail_in = static_cast<uInt>(size);
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

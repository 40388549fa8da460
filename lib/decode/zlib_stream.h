#ifndef VEXLOR_DECODE_ZLIB_STREAM_H_
#define VEXLOR_DECODE_ZLIB_STREAM_H_

#include <cstddef>
#include <cstdint>

namespace vexlor {

// The output of InflateZlibStream may be written up to this many bytes past
// `out_size` (whole words at a time); the buffer must have that room.
inline constexpr std::size_t kInflateSlack = 16;

// Decodes the zlib stream (RFC 1950 around RFC 1951) of `in_size` bytes at
// `in` into exactly `out_size` bytes at `out`, in one go, for the image data
// of a PNG. It is stricter than zlib: it succeeds only for streams that
// zlib's inflate accepts however the output is cut into pieces (libpng asks
// for a row at a time, with the window the header declares), and then
// writes the bytes zlib gives. Refused: a preset dictionary, a bad header,
// reserved block types and symbols, any Huffman code that is not complete
// (zlib allows a lone one-bit code; refused here all the same), code length
// repeats out of place, distances beyond the output so far or the declared
// window, a stream that yields more or fewer than `out_size` bytes, a wrong
// Adler-32, and bytes after the stream. A refusal says nothing about what
// zlib would do: the caller then asks zlib (through libpng).
// The Adler-32 of `size` bytes (RFC 1950, 8.2), as zlib's adler32(1, ...).
std::uint32_t Adler32(const std::uint8_t* data, std::size_t size);

bool InflateZlibStream(const std::uint8_t* in, std::size_t in_size, std::uint8_t* out,
                       std::size_t out_size);

}  // namespace vexlor

#endif  // VEXLOR_DECODE_ZLIB_STREAM_H_

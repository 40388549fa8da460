#include "decode/zlib_stream.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vexlor {

namespace {

// The input's bits, least significant bit of each byte first (RFC 1951,
// 3.1.1). Refill leaves at least 56 bits in the buffer; past the end of the
// input they are zeros, counted as phantom bytes, and a stream that consumes
// any of them is refused (Overrun).
class BitReader {
 public:
  BitReader(const std::uint8_t* begin, const std::uint8_t* end) : next_(begin), end_(end) {}

  void Refill() {
    if (end_ - next_ >= 8) {
      // Whole bytes are claimed; the word's bits above them are the next
      // input bytes already, so or-ing them in again later changes nothing.
      std::uint64_t word;
      std::memcpy(&word, next_, 8);
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
      word = __builtin_bswap64(word);
#endif
      bits_ |= word << count_;
      next_ += (63 - count_) >> 3;
      count_ |= 56;
      return;
    }
    while (count_ <= 56) {
      if (next_ != end_)
        bits_ |= std::uint64_t{*next_++} << count_;
      else
        ++phantom_;
      count_ += 8;
    }
  }

  std::uint64_t bits() const { return bits_; }
  void Drop(unsigned n) {
    bits_ >>= n;
    count_ -= n;
  }
  std::uint32_t Take(unsigned n) {
    const auto value = static_cast<std::uint32_t>(bits_ & ((std::uint64_t{1} << n) - 1));
    Drop(n);
    return value;
  }
  bool Overrun() const { return 8 * phantom_ > count_; }

  // Skips to the next byte boundary and hands over the position of the
  // first byte not consumed (nullptr after an overrun); Restart continues
  // reading bits at a position.
  const std::uint8_t* ByteBoundary() {
    Drop(count_ & 7);
    if (Overrun()) return nullptr;
    return next_ - (count_ / 8 - phantom_);
  }
  void Restart(const std::uint8_t* at) {
    next_ = at;
    bits_ = 0;
    count_ = 0;
    phantom_ = 0;
  }

 private:
  const std::uint8_t* next_;
  const std::uint8_t* end_;
  std::uint64_t bits_ = 0;
  unsigned count_ = 0;
  unsigned phantom_ = 0;
};

// Decoding tables: the entry at the next `primary` bits of input holds a
// symbol (bits 0-15) and its code length (bits 16-23), or, for codes longer
// than `primary` bits, kSubtable, where the subtable starts (bits 0-15) and
// how many further bits index it (bits 16-23).
constexpr std::uint32_t kSubtable = 0x80000000u;
constexpr unsigned kMaxCodeLength = 15;
constexpr unsigned kLiteralBits = 10;
constexpr unsigned kDistanceBits = 8;
constexpr unsigned kPrecodeBits = 7;
// A subtable per code longer than the primary bits at most.
constexpr std::size_t kLiteralTableSize = (1u << kLiteralBits) + 288 * (1u << (15 - kLiteralBits));
constexpr std::size_t kDistanceTableSize = (1u << kDistanceBits) + 32 * (1u << (15 - kDistanceBits));

unsigned Reversed(unsigned code, unsigned length) {
  unsigned reversed = 0;
  for (unsigned i = 0; i < length; ++i, code >>= 1) reversed = (reversed << 1) | (code & 1);
  return reversed;
}

// The canonical code of `count` code lengths (RFC 1951, 3.2.2); false unless
// the code is complete (neither over-subscribed nor with unused code words).
bool BuildTable(const std::uint8_t* lengths, unsigned count, unsigned primary,
                std::uint32_t* table) {
  unsigned counts[kMaxCodeLength + 1] = {};
  for (unsigned symbol = 0; symbol < count; ++symbol) ++counts[lengths[symbol]];
  counts[0] = 0;
  int left = 1;
  unsigned longest = 0;
  for (unsigned length = 1; length <= kMaxCodeLength; ++length) {
    left = 2 * left - static_cast<int>(counts[length]);
    if (left < 0) return false;
    if (counts[length] != 0) longest = length;
  }
  if (left != 0) return false;

  unsigned nextCode[kMaxCodeLength + 1];
  unsigned firstSorted[kMaxCodeLength + 2];
  nextCode[0] = 0;
  firstSorted[1] = 0;
  for (unsigned length = 1; length <= kMaxCodeLength; ++length) {
    nextCode[length] = (nextCode[length - 1] + counts[length - 1]) << 1;
    firstSorted[length + 1] = firstSorted[length] + counts[length];
  }
  std::uint16_t sorted[288];
  for (unsigned symbol = 0; symbol < count; ++symbol)
    if (lengths[symbol] != 0) sorted[firstSorted[lengths[symbol]]++] = static_cast<std::uint16_t>(symbol);

  const unsigned subBits = longest > primary ? longest - primary : 0;
  std::size_t used = std::size_t{1} << primary;
  std::size_t subtable = 0;
  unsigned currentPrefix = ~0u;
  const unsigned total = firstSorted[kMaxCodeLength + 1];
  for (unsigned k = 0; k < total; ++k) {
    const unsigned symbol = sorted[k];
    const unsigned length = lengths[symbol];
    const unsigned code = nextCode[length]++;
    const std::uint32_t entry = symbol | (length << 16);
    const unsigned reversed = Reversed(code, length);
    if (length <= primary) {
      for (unsigned i = reversed; i < (1u << primary); i += 1u << length) table[i] = entry;
      continue;
    }
    // Canonical codes in this order have non-decreasing prefixes, so the
    // codes of one subtable come together.
    const unsigned prefix = code >> (length - primary);
    if (prefix != currentPrefix) {
      currentPrefix = prefix;
      subtable = used;
      used += std::size_t{1} << subBits;
      table[Reversed(prefix, primary)] =
          kSubtable | static_cast<std::uint32_t>(subtable) | (subBits << 16);
    }
    for (unsigned i = reversed >> primary; i < (1u << subBits); i += 1u << (length - primary))
      table[subtable + i] = entry;
  }
  return true;
}

std::uint32_t DecodeSymbol(const std::uint32_t* table, unsigned primary, BitReader& reader) {
  const std::uint64_t bits = reader.bits();
  std::uint32_t entry = table[bits & ((1u << primary) - 1)];
  if ((entry & kSubtable) != 0)
    entry = table[(entry & 0xffff) +
                  ((bits >> primary) & ((std::uint64_t{1} << ((entry >> 16) & 0xff)) - 1))];
  reader.Drop((entry >> 16) & 0xff);
  return entry & 0xffff;
}

struct FixedTables {
  std::uint32_t literals[1u << kLiteralBits];
  std::uint32_t distances[1u << kDistanceBits];
  FixedTables() {
    std::uint8_t lengths[288];
    std::memset(lengths, 8, 144);
    std::memset(lengths + 144, 9, 112);
    std::memset(lengths + 256, 7, 24);
    std::memset(lengths + 280, 8, 8);
    BuildTable(lengths, 288, kLiteralBits, literals);
    std::memset(lengths, 5, 32);
    BuildTable(lengths, 32, kDistanceBits, distances);
  }
};

constexpr std::uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,
                                           15, 17, 19, 23, 27, 31, 35, 43, 51,  59,
                                           67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                           2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::uint16_t kDistanceBase[30] = {1,    2,    3,    4,    5,    7,     9,     13,
                                             17,   25,   33,   49,   65,   97,    129,   193,
                                             257,  385,  513,  769,  1025, 1537,  2049,  3073,
                                             4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::uint8_t kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                             6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

struct Output {
  std::uint8_t* const begin;
  std::uint8_t* next;
  std::uint8_t* const end;
  const std::size_t window;
};

// One block's Huffman-coded data, up to its end-of-block symbol.
bool DecodeBlock(const std::uint32_t* literals, const std::uint32_t* distances,
                 BitReader& reader, Output& out) {
  for (;;) {
    // 56 bits cover the longest step: 15 + 5 for a length, 15 + 13 for a distance.
    reader.Refill();
    std::uint32_t symbol = DecodeSymbol(literals, kLiteralBits, reader);
    if (symbol < 256) {
      if (out.next == out.end) return false;
      *out.next++ = static_cast<std::uint8_t>(symbol);
      continue;
    }
    if (symbol == 256) return !reader.Overrun();
    symbol -= 257;
    if (symbol >= 29) return false;  // 286 and 287 are reserved
    const std::size_t length = kLengthBase[symbol] + reader.Take(kLengthExtra[symbol]);
    const std::uint32_t code = DecodeSymbol(distances, kDistanceBits, reader);
    if (code >= 30) return false;  // 30 and 31 are reserved
    const std::size_t distance = kDistanceBase[code] + reader.Take(kDistanceExtra[code]);
    if (distance > static_cast<std::size_t>(out.next - out.begin) || distance > out.window)
      return false;
    if (static_cast<std::size_t>(out.end - out.next) < length) return false;
    std::uint8_t* const stop = out.next + length;
    const std::uint8_t* from = out.next - distance;
    if (distance >= 8) {
      // Up to 7 bytes beyond `stop`, within the slack; written again later.
      for (std::uint8_t* to = out.next; to < stop; to += 8, from += 8) std::memcpy(to, from, 8);
    } else if (distance == 1) {
      std::memset(out.next, *from, length);
    } else {
      for (std::uint8_t* to = out.next; to < stop;) *to++ = *from++;
    }
    out.next = stop;
  }
}

// A dynamic block's code lengths (RFC 1951, 3.2.7) and its tables.
bool ReadDynamicTables(BitReader& reader, std::uint32_t* literals, std::uint32_t* distances) {
  reader.Refill();
  const unsigned literalCount = 257 + reader.Take(5);
  const unsigned distanceCount = 1 + reader.Take(5);
  const unsigned precodeCount = 4 + reader.Take(4);
  if (literalCount > 286 || distanceCount > 30) return false;
  static constexpr std::uint8_t kOrder[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                              11, 4,  12, 3, 13, 2, 14, 1, 15};
  std::uint8_t precodeLengths[19] = {};
  for (unsigned i = 0; i < precodeCount; ++i) {
    reader.Refill();
    precodeLengths[kOrder[i]] = static_cast<std::uint8_t>(reader.Take(3));
  }
  std::uint32_t precode[1u << kPrecodeBits];
  if (!BuildTable(precodeLengths, 19, kPrecodeBits, precode)) return false;

  const unsigned total = literalCount + distanceCount;
  std::uint8_t lengths[286 + 30];
  for (unsigned i = 0; i < total;) {
    reader.Refill();
    const std::uint32_t symbol = DecodeSymbol(precode, kPrecodeBits, reader);
    if (symbol < 16) {
      lengths[i++] = static_cast<std::uint8_t>(symbol);
      continue;
    }
    std::uint8_t value = 0;
    unsigned repeat;
    if (symbol == 16) {
      if (i == 0) return false;
      value = lengths[i - 1];
      repeat = 3 + reader.Take(2);
    } else if (symbol == 17) {
      repeat = 3 + reader.Take(3);
    } else {
      repeat = 11 + reader.Take(7);
    }
    if (repeat > total - i) return false;
    std::memset(lengths + i, value, repeat);
    i += repeat;
  }
  if (reader.Overrun() || lengths[256] == 0) return false;
  return BuildTable(lengths, literalCount, kLiteralBits, literals) &&
         BuildTable(lengths + literalCount, distanceCount, kDistanceBits, distances);
}

std::uint32_t BigEndian32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

}  // namespace

std::uint32_t Adler32(const std::uint8_t* data, std::size_t size) {
  constexpr std::uint32_t kBase = 65521;
  // The sums reduced every kChunk bytes stay far below 2^64 (and, in the
  // vector lanes, below 2^32).
  constexpr std::size_t kChunk = 5552 / 16 * 16;
  std::uint64_t a = 1, b = 0;
  while (size > 0) {
    std::size_t n = size < kChunk ? size : kChunk;
    size -= n;
#if defined(__SSE2__)
    if (n >= 16) {
      // Per 16 bytes x0..x15: a += sum x, b += 16 a + sum (16 - i) x_i.
      const __m128i zero = _mm_setzero_si128();
      const __m128i weightsLow = _mm_setr_epi16(16, 15, 14, 13, 12, 11, 10, 9);
      const __m128i weightsHigh = _mm_setr_epi16(8, 7, 6, 5, 4, 3, 2, 1);
      __m128i sums = zero, earlierSums = zero, weighted = zero;
      const std::size_t blocks = n / 16;
      for (std::size_t k = 0; k < blocks; ++k, data += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data));
        earlierSums = _mm_add_epi32(earlierSums, sums);
        sums = _mm_add_epi32(sums, _mm_sad_epu8(x, zero));
        weighted = _mm_add_epi32(weighted, _mm_madd_epi16(_mm_unpacklo_epi8(x, zero), weightsLow));
        weighted = _mm_add_epi32(weighted, _mm_madd_epi16(_mm_unpackhi_epi8(x, zero), weightsHigh));
      }
      std::uint32_t lanes[3][4];
      _mm_storeu_si128(reinterpret_cast<__m128i*>(lanes[0]), sums);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(lanes[1]), earlierSums);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(lanes[2]), weighted);
      const auto total = [](const std::uint32_t* v) {
        return std::uint64_t{v[0]} + v[1] + v[2] + v[3];
      };
      b += 16 * blocks * a + 16 * total(lanes[1]) + total(lanes[2]);
      a += total(lanes[0]);
      n -= blocks * 16;
    }
#endif
    for (; n > 0; --n) {
      a += *data++;
      b += a;
    }
    a %= kBase;
    b %= kBase;
  }
  return static_cast<std::uint32_t>(b << 16 | a);
}

bool InflateZlibStream(const std::uint8_t* in, std::size_t in_size, std::uint8_t* out,
                       std::size_t out_size) {
  if (in_size < 2 + 4) return false;
  const unsigned method = in[0], flags = in[1];
  if ((method & 15) != 8 || (method >> 4) > 7 || (method * 256 + flags) % 31 != 0 ||
      (flags & 0x20) != 0)
    return false;
  // The deflate data must end exactly where the Adler-32 begins.
  const std::uint8_t* const trailer = in + in_size - 4;
  BitReader reader(in + 2, trailer);
  Output output{out, out, out + out_size, std::size_t{1} << ((method >> 4) + 8)};
  static const FixedTables fixed;
  std::uint32_t literals[kLiteralTableSize];
  std::uint32_t distances[kDistanceTableSize];

  for (bool last = false; !last;) {
    reader.Refill();
    if (reader.Overrun()) return false;
    last = reader.Take(1) != 0;
    const std::uint32_t type = reader.Take(2);
    if (type == 0) {
      const std::uint8_t* at = reader.ByteBoundary();
      if (at == nullptr || trailer - at < 4) return false;
      const unsigned length = at[0] | unsigned{at[1]} << 8;
      if ((length ^ (at[2] | unsigned{at[3]} << 8)) != 0xffff) return false;
      at += 4;
      if (static_cast<std::size_t>(trailer - at) < length ||
          static_cast<std::size_t>(output.end - output.next) < length)
        return false;
      std::memcpy(output.next, at, length);
      output.next += length;
      reader.Restart(at + length);
    } else if (type == 1) {
      if (!DecodeBlock(fixed.literals, fixed.distances, reader, output)) return false;
    } else if (type == 2) {
      if (!ReadDynamicTables(reader, literals, distances) ||
          !DecodeBlock(literals, distances, reader, output))
        return false;
    } else {
      return false;
    }
  }
  return reader.ByteBoundary() == trailer && output.next == output.end &&
         Adler32(out, out_size) == BigEndian32(trailer);
}

}  // namespace vexlor

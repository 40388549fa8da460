// The core's own inflater against zlib: it must never accept what zlib (fed
// a row at a time, as libpng feeds it) refuses, and must give zlib's bytes
// where both accept.

#include "decode/zlib_stream.h"

#include <zlib.h>

#include <random>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace vexlor;
using Bytes = std::vector<std::uint8_t>;

Bytes Compress(const Bytes& data, int level, int windowBits, int strategy) {
  z_stream z{};
  EXPECT_EQ(deflateInit2(&z, level, Z_DEFLATED, windowBits, 8, strategy), Z_OK);
  Bytes out(deflateBound(&z, data.size()) + 1024);
  z.next_in = const_cast<std::uint8_t*>(data.data());
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

// zlib as libpng drives it: the window the header declares, the output asked
// for in pieces of `piece` bytes; the bytes, if the whole stream is sound
// and ends with the input.
bool ZlibPieceByPiece(const Bytes& stream, std::size_t size, std::size_t piece, Bytes* out) {
  z_stream z{};
  if (inflateInit2(&z, 0) != Z_OK) return false;
  out->assign(size, 0);
  z.next_in = const_cast<std::uint8_t*>(stream.data());
  z.avail_in = static_cast<uInt>(stream.size());
  int result = Z_OK;
  std::size_t done = 0;
  while (result == Z_OK && done < size) {
    z.next_out = out->data() + done;
    z.avail_out = static_cast<uInt>(std::min(piece, size - done));
    result = inflate(&z, Z_NO_FLUSH);
    done = z.total_out;
  }
  if (result == Z_OK) {  // all the rows are in: the rest of the stream, as libpng reads it
    std::uint8_t spare[1];
    z.next_out = spare;
    z.avail_out = sizeof spare;
    result = inflate(&z, Z_NO_FLUSH);
  }
  const bool sound = result == Z_STREAM_END && z.total_out == size && z.avail_in == 0;
  inflateEnd(&z);
  return sound;
}

bool Ours(const Bytes& stream, std::size_t size, Bytes* out) {
  out->assign(size + kInflateSlack, 0);
  const bool ok = InflateZlibStream(stream.data(), stream.size(), out->data(), size);
  out->resize(size);
  return ok;
}

std::vector<Bytes> SampleData() {
  std::mt19937 random(5);
  std::vector<Bytes> samples = {{}, {42}};
  Bytes noise(70000), runs(50000), text, far(90000);
  for (auto& b : noise) b = static_cast<std::uint8_t>(random());
  for (std::size_t i = 0; i < runs.size(); ++i) runs[i] = static_cast<std::uint8_t>(i / 700);
  for (int i = 0; i < 3000; ++i) {
    const char* word[] = {"icon ", "record ", "cell ", "\n", "descriptor "};
    for (const char* c = word[random() % 5]; *c; ++c) text.push_back(static_cast<std::uint8_t>(*c));
  }
  // Repeats just under the largest distance.
  for (std::size_t i = 0; i < far.size(); ++i)
    far[i] = i < 32700 ? static_cast<std::uint8_t>(random()) : far[i - 32700];
  for (Bytes* b : {&noise, &runs, &text, &far}) samples.push_back(*b);
  return samples;
}

TEST(ZlibStream, DecodesWhatZlibWritesAtEveryLevelStrategyAndWindow) {
  for (const Bytes& data : SampleData())
    for (int strategy : {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED})
      for (int windowBits : {9, 12, 15})
        for (int level : {0, 1, 6, 9}) {
          const Bytes stream = Compress(data, level, windowBits, strategy);
          Bytes out;
          ASSERT_TRUE(Ours(stream, data.size(), &out))
              << data.size() << " bytes, level " << level << " window " << windowBits
              << " strategy " << strategy;
          ASSERT_EQ(out, data);
          // Exactly the declared size, and nothing after the stream.
          EXPECT_FALSE(Ours(stream, data.size() + 1, &out));
          if (!data.empty()) {
            EXPECT_FALSE(Ours(stream, data.size() - 1, &out));
          }
          Bytes longer = stream;
          longer.push_back(0);
          EXPECT_FALSE(Ours(longer, data.size(), &out));
        }
}

TEST(ZlibStream, AcceptsOnlyStreamsZlibAcceptsAndGivesItsBytes) {
  std::mt19937 random(11);
  long bothAccept = 0, onlyZlib = 0;
  for (const Bytes& data : SampleData()) {
    if (data.size() < 2) continue;
    const Bytes small(data.begin(), data.begin() + std::min<std::size_t>(data.size(), 3000));
    for (int strategy : {Z_DEFAULT_STRATEGY, Z_HUFFMAN_ONLY, Z_FIXED}) {
      const Bytes original = Compress(small, strategy == Z_FIXED ? 1 : 6, 15, strategy);
      for (int trial = 0; trial < 1500; ++trial) {
        Bytes stream = original;
        const int changes = 1 + static_cast<int>(random() % 3);
        for (int k = 0; k < changes; ++k) {
          const std::size_t at = 2 + random() % (stream.size() - 6);
          stream[at] ^= static_cast<std::uint8_t>(1u << (random() % 8));
        }
        // The damaged data decoded raw, and its own Adler-32 put in the
        // trailer, so that the check does not hide every difference.
        Bytes raw(small.size() + 1000);
        z_stream z{};
        inflateInit2(&z, -15);
        z.next_in = stream.data() + 2;
        z.avail_in = static_cast<uInt>(stream.size() - 6);
        z.next_out = raw.data();
        z.avail_out = static_cast<uInt>(raw.size());
        inflate(&z, Z_FINISH);
        const std::size_t size = z.total_out;
        inflateEnd(&z);
        const uLong check = adler32_z(1, raw.data(), size);
        for (int i = 0; i < 4; ++i)
          stream[stream.size() - 4 + i] = static_cast<std::uint8_t>(check >> (24 - 8 * i));
        Bytes ours, theirs;
        const bool zlibAccepts = ZlibPieceByPiece(stream, size, 1 + random() % 200, &theirs);
        if (Ours(stream, size, &ours)) {
          ASSERT_TRUE(zlibAccepts) << "accepted what zlib refuses, trial " << trial;
          ASSERT_EQ(ours, theirs);
          ++bothAccept;
        } else {
          onlyZlib += zlibAccepts;
        }
      }
    }
  }
  // Sound streams are the common case, refusals of sound streams rare.
  EXPECT_GT(bothAccept, 1000);
  EXPECT_LT(onlyZlib, bothAccept / 20);
}

TEST(ZlibStream, RefusesWhatZlibPieceByPieceRefusesOrWhatNeedsADictionary) {
  Bytes data(600);
  std::mt19937 random(3);
  for (std::size_t i = 0; i < data.size(); ++i)
    data[i] = i < 300 ? static_cast<std::uint8_t>(random()) : data[i - 300];
  // A stream that refers 300 bytes back while its header declares a window
  // of 256: zlib in one call finds the bytes in its output, row by row it
  // does not.
  Bytes stream = Compress(data, 9, 15, Z_DEFAULT_STRATEGY);
  stream[0] = 0x08;
  stream[1] = static_cast<std::uint8_t>((stream[1] & 0xe0) + 31 - ((0x08 * 256 + (stream[1] & 0xe0)) % 31));
  Bytes out;
  ASSERT_FALSE(ZlibPieceByPiece(stream, data.size(), 50, &out));
  EXPECT_FALSE(Ours(stream, data.size(), &out));

  z_stream z{};
  ASSERT_EQ(deflateInit(&z, 6), Z_OK);
  const std::uint8_t dictionary[] = "icon";
  deflateSetDictionary(&z, dictionary, 4);
  Bytes withDictionary(100);
  z.next_in = data.data();
  z.avail_in = 20;
  z.next_out = withDictionary.data();
  z.avail_out = 100;
  ASSERT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
  withDictionary.resize(z.total_out);
  deflateEnd(&z);
  EXPECT_FALSE(Ours(withDictionary, 20, &out));
}

// Bits least significant first; Huffman codes most significant bit first.
struct BitWriter {
  Bytes bytes;
  unsigned used = 8;
  void Put(unsigned value, unsigned count) {
    for (unsigned i = 0; i < count; ++i, value >>= 1) {
      if (used == 8) bytes.push_back(0), used = 0;
      bytes.back() |= static_cast<std::uint8_t>((value & 1) << used++);
    }
  }
  void Code(unsigned code, unsigned length) {
    while (length-- > 0) Put(code >> length, 1);
  }
};

// "AAA" in one dynamic block whose literal code gives 'A' one bit and the
// end of the block two (`endLength` 1 makes the code complete), and whose
// distance code is a lone one-bit code.
Bytes ThreeLetters(unsigned endLength) {
  BitWriter w;
  w.Put(0x78, 8);
  w.Put(0x01, 8);
  w.Put(1, 1);   // final
  w.Put(2, 2);   // dynamic
  w.Put(0, 5);   // 257 literal/length codes
  w.Put(0, 5);   // 1 distance code
  w.Put(14, 4);  // 18 code length codes: 18 one bit, 1 and 2 two bits
  const unsigned order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
  for (int i = 0; i < 18; ++i)
    w.Put(order[i] == 18 ? 1 : order[i] == 1 || order[i] == 2 ? 2 : 0, 3);
  const auto zeros = [&](unsigned n) { w.Code(0, 1), w.Put(n - 11, 7); };
  const auto length = [&](unsigned n) { w.Code(n == 1 ? 2 : 3, 2); };
  zeros(65);
  length(1);  // 'A'
  zeros(138);
  zeros(52);
  length(endLength);
  length(1);  // distance 0
  for (int i = 0; i < 3; ++i) w.Code(0, 1);
  w.Code(endLength == 1 ? 1 : 2, endLength);
  const std::uint32_t check = adler32_z(1, reinterpret_cast<const Bytef*>("AAA"), 3);
  for (int i = 0; i < 4; ++i) w.bytes.push_back(static_cast<std::uint8_t>(check >> (24 - 8 * i)));
  return w.bytes;
}

TEST(ZlibStream, RefusesCodesThatAreNotComplete) {
  Bytes out;
  // zlib refuses an incomplete literal code; so must we.
  ASSERT_FALSE(ZlibPieceByPiece(ThreeLetters(2), 3, 3, &out));
  EXPECT_FALSE(Ours(ThreeLetters(2), 3, &out));
  // zlib takes the lone one-bit distance code; refusing it is safe (libpng
  // then decodes the file), and no encoder in use writes it.
  ASSERT_TRUE(ZlibPieceByPiece(ThreeLetters(1), 3, 3, &out));
  EXPECT_EQ(out, (Bytes{'A', 'A', 'A'}));
  EXPECT_FALSE(Ours(ThreeLetters(1), 3, &out));
}

TEST(ZlibStream, Adler32IsZlibs) {
  std::mt19937 random(9);
  Bytes data(200000);
  for (auto& b : data) b = static_cast<std::uint8_t>(random());
  const Bytes ones(200000, 0xff);  // the largest sums
  for (const Bytes* b : {const_cast<const Bytes*>(&data), &ones})
    for (std::size_t size : {0, 1, 15, 16, 17, 5551, 5552, 5553, 65536, 200000})
      EXPECT_EQ(Adler32(b->data(), size), adler32_z(1, b->data(), size)) << size;
}

}  // namespace

// Whole streams made by peers decode to the original bytes: a zlib stream that mixes stored,
// fixed and dynamic blocks, a large stream whose output leaves in whole windows, and a
// Deflate64 entry made by 7z; input handed over in reads of many sizes.
#include <gtest/gtest.h>

#include <string>

#include "decode/crc32.h"
#include "decode_support.h"
#include "support/support.h"

TEST(InflateStreams, MixedBlocksDecodeInAnyReadSize) {
  std::string stream = readFileBytes(fixturePath("decode_mixed.deflate"));
  std::string raw = readFileBytes(fixturePath("decode_mixed.raw"));
  for (uint32_t readSize : {61440u, 1u, 2u, 3u, 7u, 16u, 17u, 4097u}) {
    MemoryIo io(stream, readSize);
    EXPECT_EQ(0, inflateAll(io)) << "reads of " << readSize;
    EXPECT_TRUE(io.output == raw) << "reads of " << readSize;
  }
}

TEST(InflateStreams, OutputLeavesInWholeWindows) {
  std::string raw = readFileBytes(fixturePath("decode_large.raw"));
  MemoryIo io(readFileBytes(fixturePath("decode_large.deflate")), 5000);
  ASSERT_EQ(0, inflateAll(io));
  ASSERT_TRUE(io.output == raw);
  std::vector<uint32_t> expected(raw.size() / 65536, 65536u);
  expected.push_back(static_cast<uint32_t>(raw.size() % 65536));
  EXPECT_EQ(expected, io.writes);
}

TEST(InflateStreams, InputArrivesInFullBufferReads) {
  MemoryIo io(readFileBytes(fixturePath("decode_large.deflate")));
  ASSERT_EQ(0, inflateAll(io));
  // 52 KB of input fits one 61,440-byte read; the look-ahead past the end costs one more.
  EXPECT_EQ(2, io.reads);
}

TEST(InflateStreams, Deflate64EntryFromPeerDecodes) {
  PeerEntry e;
  ASSERT_TRUE(findEntry(readFileBytes(fixturePath("decode_deflate64.zip")), "far.bin", e));
  ASSERT_EQ(9, e.method);
  std::string plain = readFileBytes(fixturePath("decode_plain_far.bin"));
  for (uint32_t readSize : {61440u, 13u}) {
    MemoryIo io(e.data, readSize);
    ASSERT_EQ(0, inflateAll(io, false)) << "reads of " << readSize;
    EXPECT_EQ(plain.size(), io.output.size());
    EXPECT_TRUE(io.output == plain);
    uint32_t crc = Crc32Update(reinterpret_cast<const uint8_t*>(io.output.data()), io.output.size(), 0xFFFFFFFF);
    EXPECT_EQ(e.crc, ~crc);
  }
}

TEST(InflateStreams, EmptyInputDecodesToNothing) {
  MemoryIo io("");
  EXPECT_EQ(0, inflateAll(io));
  EXPECT_TRUE(io.writes.empty());
}

TEST(InflateStreams, StopFromWriteOutputEndsDecodingAtOnce) {
  // The engine stops an entry that passes its declared size: nothing more is decoded and the
  // result is 0 (the CRC-32 comparison judges the entry).
  MemoryIo io(readFileBytes(fixturePath("decode_large.deflate")), 1000);
  io.stopAfter = 1;
  EXPECT_EQ(0, inflateAll(io));
  EXPECT_EQ(std::vector<uint32_t>{65536u}, io.writes);
}

TEST(InflateStreams, DecoderIsReusableAfterAFault) {
  MemoryIo io(std::string("\x07", 1));  // BFINAL 1, BTYPE 3
  EXPECT_EQ(INFLATE_BAD_BLOCK_TYPE, inflateAll(io));
  io.setInput(readFileBytes(fixturePath("decode_mixed.deflate")));
  EXPECT_EQ(0, inflateAll(io));
  EXPECT_TRUE(io.output == readFileBytes(fixturePath("decode_mixed.raw")));
}

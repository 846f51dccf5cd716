// The two Deflate64 differences and what both modes share: length symbol 285 (258 in Deflate,
// 16 extra bits and a flush marker in Deflate64) and distance symbols 30 and 31, which reach
// up to 65,536 bytes back in either mode.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "decode_support.h"

TEST(Deflate64Symbols, Symbol285DecodesDifferentlyInTheTwoModes) {
  // 'x', symbol 285, then 16 bits 0x1000, distance symbol 0, end of block. Deflate64 takes the
  // 16 bits as length 4,096 + 3 at distance 1; Deflate copies 258 bytes and finds distance
  // symbol 0 and the end-of-block code inside those same bits.
  BitWriter w;
  fixedHeader(w, true);
  literal(w, 'x');
  lengthSymbol(w, 285);
  w.bits(0x1000, 16);
  w.code(0, 5);
  w.code(0, 7);
  std::string stream = w.finish();

  MemoryIo d64(stream);
  EXPECT_EQ(0, inflateAll(d64, false));
  EXPECT_EQ(std::string(4100, 'x'), d64.output);
  MemoryIo d(stream);
  EXPECT_EQ(0, inflateAll(d, true));
  EXPECT_EQ(std::string(259, 'x'), d.output);
}

TEST(Deflate64Symbols, ZeroLengthIsAFlushMarker) {
  BitWriter w;
  fixedHeader(w, true);
  literal(w, 'a');
  literal(w, 'b');
  lengthSymbol(w, 285);
  w.bits(0, 16);  // flush: no distance follows
  literal(w, 'c');
  w.code(0, 7);
  MemoryIo io(w.finish());
  EXPECT_EQ(0, inflateAll(io, false));
  EXPECT_EQ("abc", io.output);
  EXPECT_EQ((std::vector<uint32_t>{2, 1}), io.writes);
}

TEST(Deflate64Symbols, DistanceSymbols30And31InBothModes) {
  std::mt19937 rng(3);
  std::string data(60000, '\0');
  for (char& c : data) c = static_cast<char>('a' + rng() % 26);
  BitWriter w;
  w.bits(0, 1);
  w.bits(0, 2);
  w.alignToByte();
  w.bits(60000, 16);
  w.bits(static_cast<uint16_t>(~60000), 16);
  for (char c : data) w.byte(static_cast<uint8_t>(c));
  fixedHeader(w, true);
  lengthSymbol(w, 257);  // length 3
  w.code(30, 5);
  w.bits(40000 - 32769, 14);  // symbol 30: 32,769 + 14 extra bits
  lengthSymbol(w, 258);  // length 4
  w.code(31, 5);
  w.bits(50000 - 49153, 14);  // symbol 31: 49,153 + 14 extra bits
  w.code(0, 7);
  std::string stream = w.finish();

  std::string expected = data + data.substr(20000, 3);
  expected += expected.substr(60003 - 50000, 4);
  for (bool deflateMode : {true, false}) {
    MemoryIo io(stream, 777);
    EXPECT_EQ(0, inflateAll(io, deflateMode));
    EXPECT_TRUE(io.output == expected) << (deflateMode ? "Deflate" : "Deflate64");
  }
}

TEST(Deflate64Symbols, AFullWindowBackReadsPastTheMatchBefore) {
  // 70,000 stored bytes wrap the window; a match of 3 at distance 1,000, then one of 4 at
  // distance 65,536 that reads the window bytes just past the first match's end, which hold
  // the output of one window before. Literals after them keep the input ahead of the decoder,
  // as in the middle of a long entry. The first match comes in the same block as the second,
  // or alone in a block of its own whose distance code has neither symbol 30 nor 31: a block
  // that cannot reach 32 KiB back still leaves the bytes past its matches as they were for the
  // blocks after it.
  std::mt19937 rng(5);
  std::string data(70000, '\0');
  for (char& c : data) c = static_cast<char>(rng());
  BitWriter stored;  // the two stored blocks, byte-aligned at their end
  stored.bits(0, 1);
  stored.bits(0, 2);
  stored.alignToByte();
  stored.bits(65535, 16);
  stored.bits(0, 16);
  for (size_t i = 0; i < 65535; ++i) stored.byte(static_cast<uint8_t>(data[i]));
  stored.bits(0, 1);
  stored.bits(0, 2);
  stored.alignToByte();
  stored.bits(70000 - 65535, 16);
  stored.bits(static_cast<uint16_t>(~(70000 - 65535)), 16);
  for (size_t i = 65535; i < 70000; ++i) stored.byte(static_cast<uint8_t>(data[i]));
  for (bool ownBlock : {false, true}) {
    BitWriter w = stored;
    if (ownBlock) {
      // Literal/length codes: end of block 0, symbol 257 (length 3) 1; distance codes:
      // symbol 0 0, symbol 19 1.
      std::vector<unsigned> lit(258, 0), dist(20, 0);
      lit[256] = lit[257] = 1;
      dist[0] = dist[19] = 1;
      w.bits(0, 1);
      w.bits(2, 2);
      dynamicHeader(w, lit, dist);
      w.code(1, 1);           // length 3
      w.code(1, 1);           // distance symbol 19
      w.bits(1000 - 769, 8);  // 769 + 8 extra bits
      w.code(0, 1);           // end of block
      fixedHeader(w, true);
    } else {
      fixedHeader(w, true);
      lengthSymbol(w, 257);  // length 3
      w.code(19, 5);
      w.bits(1000 - 769, 8);  // symbol 19: 769 + 8 extra bits
    }
    lengthSymbol(w, 258);  // length 4
    w.code(31, 5);
    w.bits(65536 - 49153, 14);
    for (int i = 0; i < 40; ++i) literal(w, 'z');
    w.code(0, 7);
    std::string stream = w.finish();

    std::string expected = data + data.substr(69000, 3) + data.substr(70003 - 65536, 4) + std::string(40, 'z');
    for (bool deflateMode : {true, false}) {
      MemoryIo io(stream);
      EXPECT_EQ(0, inflateAll(io, deflateMode));
      EXPECT_TRUE(io.output == expected) << (deflateMode ? "Deflate" : "Deflate64") << (ownBlock ? ", own block" : "");
    }
  }
}

TEST(Deflate64Symbols, MatchesWrapAroundTheWindow) {
  // 70,000 bytes of one long Deflate64 match at distance 3 cross the window end; output
  // still leaves in a whole window and the remainder.
  BitWriter w;
  fixedHeader(w, true);
  literal(w, '1');
  literal(w, '2');
  literal(w, '3');
  lengthSymbol(w, 285);
  w.bits(65535, 16);  // length 65,538
  w.code(2, 5);       // distance 3
  w.code(0, 7);
  MemoryIo io(w.finish());
  EXPECT_EQ(0, inflateAll(io, false));
  std::string expected;
  while (expected.size() < 65541) expected += "123";
  EXPECT_TRUE(io.output == expected.substr(0, 65541));
  EXPECT_EQ((std::vector<uint32_t>{65536, 5}), io.writes);
}

TEST(Deflate64Symbols, AfterAFlushMarkerOnlyThisEntrysBytesAreReachable) {
  // "abcdef", a flush marker, then "g" at offset 0 and a match of 3 whose distance reaches
  // behind the window start: offsets 1-5 hold this entry's bytes, offset 6 on none.
  auto stream = [](uint32_t distance) {
    BitWriter w;
    fixedHeader(w, true);
    for (char c : std::string("abcdef")) literal(w, static_cast<uint8_t>(c));
    lengthSymbol(w, 285);
    w.bits(0, 16);
    literal(w, 'g');
    lengthSymbol(w, 257);  // length 3
    w.code(31, 5);
    w.bits(distance - 49153, 14);
    w.code(0, 7);
    return w.finish();
  };
  MemoryIo reach(stream(65536));  // offsets 1-3 read in place
  EXPECT_EQ(0, inflateAll(reach, false));
  EXPECT_EQ("abcdefgbcd", reach.output);
  MemoryIo beyond(stream(65531));  // offsets 6-8
  EXPECT_EQ(INFLATE_BAD_TABLE, inflateAll(beyond, false));
}

TEST(Deflate64Symbols, LengthSymbols286And287WithAll288Lengths) {
  // HLIT 288: 'a', end of block, 286 and 287 get two bits each; distance symbols 0 and 1 one
  // bit. 286 is 323 + 6 extra bits, 287 is 387 + 6 extra bits.
  std::vector<unsigned> lit(288, 0);
  lit['a'] = lit[256] = lit[286] = lit[287] = 2;
  BitWriter w;
  w.bits(1, 1);
  w.bits(2, 2);
  dynamicHeader(w, lit, {1, 1});
  w.code(0, 2);       // 'a'
  w.code(2, 2);       // 286
  w.bits(1, 6);       // length 324
  w.code(0, 1);       // distance 1
  w.code(3, 2);       // 287
  w.bits(0, 6);       // length 387
  w.code(1, 1);       // distance 2
  w.code(1, 2);       // end of block
  std::string stream = w.finish();
  for (bool deflateMode : {true, false}) {
    MemoryIo io(stream);
    EXPECT_EQ(0, inflateAll(io, deflateMode));
    EXPECT_EQ(std::string(1 + 324 + 387, 'a'), io.output);
  }
}

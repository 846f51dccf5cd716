// Malformed streams, each made by hand and named after the fault it carries, end with the
// right code; streams at the edge of validity (a one-code set, an empty stored block) pass.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "decode_support.h"
#include "support/support.h"

namespace {

std::string storedBlock(uint16_t len, uint16_t nlen, const std::string& data) {
  BitWriter w;
  w.bits(1, 1);
  w.bits(0, 2);
  w.alignToByte();
  w.bits(len, 16);
  w.bits(nlen, 16);
  for (char c : data) w.byte(static_cast<uint8_t>(c));
  return w.finish();
}

// A final dynamic block with these lengths, followed by the given literal/length symbols
// coded with them (distances unused).
std::string dynamicBlock(const std::vector<unsigned>& lit, const std::vector<unsigned>& dist,
                         const std::vector<unsigned>& symbols) {
  BitWriter w;
  w.bits(1, 1);
  w.bits(2, 2);
  dynamicHeader(w, lit, dist);
  std::vector<uint32_t> codes = canonicalCodes(lit);
  for (unsigned s : symbols) w.code(codes[s], lit[s]);
  return w.finish();
}

std::vector<unsigned> lengths(size_t n, std::initializer_list<std::pair<unsigned, unsigned>> set) {
  std::vector<unsigned> v(n, 0);
  for (auto& p : set) v[p.first] = p.second;
  return v;
}

// A dynamic header whose code-length code gives symbol 16 or 18 one bit, 0 and 8 two bits,
// followed by the code-length symbols given (with their extra bits).
std::string codeLengthSequence(unsigned repeatSymbol, const std::vector<std::pair<unsigned, unsigned>>& seq) {
  BitWriter w;
  w.bits(1, 1);
  w.bits(2, 2);
  w.bits(0, 5);       // HLIT 257
  w.bits(0, 5);       // HDIST 1
  w.bits(19 - 4, 4);  // HCLEN 19
  static const unsigned order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
  for (unsigned sym : order) w.bits(sym == repeatSymbol ? 1 : (sym == 0 || sym == 8) ? 2 : 0, 3);
  // Canonical: the one-bit symbol is 0, then 0 is 10 and 8 is 11.
  for (auto& [sym, extra] : seq) {
    if (sym == repeatSymbol) {
      w.code(0, 1);
      w.bits(extra, sym == 16 ? 2 : 7);
    } else {
      w.code(sym == 0 ? 2 : 3, 2);
    }
  }
  for (int i = 0; i < 8; ++i) w.byte(0);
  return w.finish();
}

// A fixed block: `before` is written, then `field`, and the stream is cut inside the field
// (after its first bits). A nine-bit literal in front moves the field until it crosses a
// byte boundary, so any field can be cut.
std::string cutInside(const std::function<void(BitWriter&)>& before, const std::function<void(BitWriter&)>& field,
                      bool finalBlock = true) {
  for (int shift = 0; shift < 8; ++shift) {
    BitWriter w;
    fixedHeader(w, finalBlock);
    for (int i = 0; i < shift; ++i) literal(w, 0xF0);
    before(w);
    size_t start = w.bitsWritten();
    field(w);
    size_t cut = start / 8 + 1;
    if (cut * 8 < w.bitsWritten()) return w.finish().substr(0, cut);
  }
  return "";
}

// Two literals, then a match of length 3 (symbol 257) at distance `distance` (symbol 4: 5-6).
std::string literalsThenMatch(unsigned distanceSymbol, unsigned extra, unsigned extraBits) {
  BitWriter w;
  fixedHeader(w, true);
  literal(w, 'x');
  literal(w, 'y');
  lengthSymbol(w, 257);
  w.code(distanceSymbol, 5);
  w.bits(extra, extraBits);
  w.code(0, 7);
  return w.finish();
}

struct FaultCase {
  const char* name;
  std::string stream;
  int expected;
  std::string output;
};

std::vector<FaultCase> faultCases() {
  std::vector<FaultCase> cases;
  cases.push_back({"block type 3", std::string("\x07", 1), INFLATE_BAD_BLOCK_TYPE, ""});
  cases.push_back({"stored NLEN equal to LEN", storedBlock(0x1234, 0x1234, ""), INFLATE_BAD_TABLE, ""});
  cases.push_back({"stored block of five bytes", storedBlock(5, 0xFFFA, "hello"), 0, "hello"});
  cases.push_back({"empty stored block", storedBlock(0, 0xFFFF, ""), 0, ""});
  // Cut streams: whatever field the input ends in, the result says the data ended.
  cases.push_back({"cut inside stored data", storedBlock(100, 0xFF9B, "only this"), INFLATE_UNEXPECTED_END, ""});
  cases.push_back({"cut inside the stored lengths", storedBlock(5, 0xFFFA, "hello").substr(0, 3),
                   INFLATE_UNEXPECTED_END, ""});
  cases.push_back({"cut inside a dynamic header",
                   dynamicBlock(lengths(257, {{'a', 1}, {256, 1}}), {1, 1}, {'a', 256}).substr(0, 6),
                   INFLATE_UNEXPECTED_END, ""});
  cases.push_back({"cut inside a block header",
                   cutInside([](BitWriter& w) { literal(w, 'a'); w.code(0, 7); w.bits(1, 1); },
                             [](BitWriter& w) { w.bits(2, 2); }, false),
                   INFLATE_UNEXPECTED_END, ""});
  cases.push_back({"cut inside a literal code", cutInside([](BitWriter&) {}, [](BitWriter& w) { literal(w, 0xF1); }),
                   INFLATE_UNEXPECTED_END, ""});
  cases.push_back({"cut inside the extra bits of a length",
                   cutInside([](BitWriter& w) { literal(w, 'a'); lengthSymbol(w, 284); },
                             [](BitWriter& w) { w.bits(0, 5); }),
                   INFLATE_UNEXPECTED_END, ""});
  cases.push_back({"cut inside a distance code",
                   cutInside([](BitWriter& w) { literal(w, 'a'); lengthSymbol(w, 257); },
                             [](BitWriter& w) { w.code(0, 5); }),
                   INFLATE_UNEXPECTED_END, ""});
  // The cut is seen before the distance itself is judged.
  cases.push_back({"cut inside the extra bits of a distance",
                   cutInside([](BitWriter& w) { literal(w, 'a'); lengthSymbol(w, 257); w.code(29, 5); },
                             [](BitWriter& w) { w.bits(0, 13); }),
                   INFLATE_UNEXPECTED_END, ""});
  // Distances: at most the bytes this entry has produced.
  cases.push_back({"distance of the two bytes produced", literalsThenMatch(1, 0, 0), 0, "xyxyx"});
  cases.push_back({"distance beyond the two bytes produced", literalsThenMatch(2, 0, 0), INFLATE_BAD_TABLE, ""});
  cases.push_back({"distance 32,768 after two bytes", literalsThenMatch(29, 8191, 13), INFLATE_BAD_TABLE, ""});
  // Literal/length codes: 'a' and end of block with two bits each leave half the code space.
  cases.push_back({"incomplete literal code", dynamicBlock(lengths(257, {{'a', 2}, {256, 2}}), {1}, {'a', 256}),
                   INFLATE_BAD_TABLE, ""});
  cases.push_back({"over-subscribed literal code",
                   dynamicBlock(lengths(257, {{'a', 1}, {'b', 1}, {256, 1}}), {1}, {'a', 256}), INFLATE_BAD_TABLE, ""});
  cases.push_back({"incomplete distance code",
                   dynamicBlock(lengths(257, {{'a', 1}, {256, 1}}), {2, 2}, {'a', 256}), INFLATE_BAD_TABLE, ""});
  cases.push_back({"complete two-code literal code",
                   dynamicBlock(lengths(257, {{'a', 1}, {256, 1}}), {1, 1}, {'a', 'a', 256}), 0, "aa"});
  cases.push_back({"one-code literal code (end of block only)",
                   dynamicBlock(lengths(257, {{256, 1}}), {0}, {256}), 0, ""});
  cases.push_back({"one-code distance code",
                   dynamicBlock(lengths(257, {{'a', 1}, {256, 1}}), {0, 3}, {'a', 256}), 0, "a"});
  cases.push_back({"repeat code as the first length", codeLengthSequence(16, {{16, 0}}), INFLATE_BAD_TABLE, ""});
  cases.push_back({"zero run past the end of the lengths",
                   codeLengthSequence(18, {{8, 0}, {18, 127}, {18, 127}}), INFLATE_BAD_TABLE, ""});
  // 255 lengths of 8, then a repeat of 4 where only 3 lengths are left (257 + 1 in all).
  std::vector<std::pair<unsigned, unsigned>> eights(255, {8, 0});
  eights.push_back({16, 1});
  cases.push_back({"repeat run past the end of the lengths", codeLengthSequence(16, eights), INFLATE_BAD_TABLE, ""});
  return cases;
}

}  // namespace

TEST(InflateFaults, HandMadeStreamsEndWithTheirCode) {
  for (const FaultCase& c : faultCases()) {
    for (uint32_t readSize : {61440u, 1u}) {
      MemoryIo io(c.stream, readSize);
      EXPECT_EQ(c.expected, inflateAll(io)) << c.name << ", reads of " << readSize;
      if (c.expected == 0) {
        EXPECT_EQ(c.output, io.output) << c.name;
      }
    }
  }
}

TEST(InflateFaults, TruncatedStreamIsAnUnexpectedEnd) {
  std::string stream = readFileBytes(fixturePath("decode_large.deflate"));
  for (size_t cut : {stream.size() / 2, stream.size() - 40, size_t{2000}}) {
    for (uint32_t readSize : {61440u, 3u}) {
      MemoryIo io(stream.substr(0, cut), readSize);
      EXPECT_EQ(INFLATE_UNEXPECTED_END, inflateAll(io)) << "cut at " << cut << ", reads of " << readSize;
      // Whole windows written before the end stay; the partial one is dropped.
      EXPECT_EQ(0u, io.output.size() % 65536);
    }
  }
}

TEST(InflateFaults, EveryCutOfAMixedStreamIsAnUnexpectedEnd) {
  // Stored, fixed and dynamic blocks: the input may end in any field of any of them.
  std::string stream = readFileBytes(fixturePath("decode_mixed.deflate"));
  size_t step = stream.size() / 997 + 1;
  for (size_t cut = 0; cut + 1 < stream.size(); cut += step) {
    MemoryIo io(stream.substr(0, cut + 1), 7);
    EXPECT_EQ(INFLATE_UNEXPECTED_END, inflateAll(io)) << "cut after " << cut + 1 << " of " << stream.size();
  }
}

TEST(InflateFaults, WindowOfTheEntryBeforeIsOutOfReach) {
  // The first entry leaves its bytes in the window; the second copies 1,032 bytes from
  // 32 KiB back as its first symbol, which is nothing of its own.
  MemoryIo io(readFileBytes(fixturePath("decode_large.deflate")));
  ASSERT_EQ(0, inflateAll(io));
  BitWriter w;
  fixedHeader(w, true);
  lengthSymbol(w, 285);     // 258
  w.code(29, 5);            // 24,577 + 13 extra bits
  w.bits(32768 - 24577, 13);
  w.code(0, 7);
  io.setInput(w.finish());
  EXPECT_EQ(INFLATE_BAD_TABLE, inflateAll(io));
  EXPECT_EQ("", io.output);
}

TEST(InflateFaults, UnassignedPatternOfAOneCodeSetEndsTheBlock) {
  // 'A' is the only literal/length code (one bit, 0); the pattern 1 has no code and symbol 0
  // has none either, so it ends the block without an error of its own.
  BitWriter w;
  w.bits(1, 1);
  w.bits(2, 2);
  dynamicHeader(w, lengths(257, {{'A', 1}}), {0});
  w.code(0, 1);
  w.code(0, 1);
  w.code(0, 1);
  w.code(1, 1);
  MemoryIo io(w.finish());
  EXPECT_EQ(0, inflateAll(io));
  EXPECT_EQ("AAA", io.output);
}

TEST(InflateFaults, FaultDropsThePartialWindow) {
  // A fixed block with one literal, then block type 3: the literal never reaches the output.
  BitWriter w;
  w.bits(0, 1);
  w.bits(1, 2);
  w.code(0x30 + 'q', 8);  // literals 0-143 have the eight-bit codes 00110000 upwards
  w.code(0, 7);           // end of block
  w.bits(1, 1);
  w.bits(3, 2);
  MemoryIo io(w.finish());
  EXPECT_EQ(INFLATE_BAD_BLOCK_TYPE, inflateAll(io));
  EXPECT_TRUE(io.writes.empty());
}

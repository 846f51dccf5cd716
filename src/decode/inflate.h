// Inflate (compression method 8) and Deflate64 (method 9) decoder of module INFLATE. It owns
// no memory: it decodes in the three buffers of the extraction context, pulls compressed
// bytes through ReadInput and hands decoded bytes, one window at a time, to WriteOutput.
// The output buffer is a circular window of at least 64 KB that is kept between entries (a
// distance never reaches bytes an earlier entry left there); the code tables are carved out
// of the first MIN_FIXED_BUFFER bytes of the work buffer (inflate_tables.h) and rebuilt for
// every block, so nothing is allocated per entry or per block.
#pragma once

#include <cstdint>

// Largest window (Deflate64 distances reach 65,536 bytes back); OutBufSize must be at least this.
constexpr uint32_t MAXDICSIZE = 65536;
// Work-buffer bytes taken by the code tables (see the layout in inflate_tables.h).
constexpr uint32_t MIN_FIXED_BUFFER = 8372;

// Results of Inflater::Run besides 0.
// 10: bad code lengths, a repeat past the end, LEN/NLEN mismatch, or a distance reaching
// before the first byte this entry produced.
constexpr int INFLATE_BAD_TABLE = 10;
constexpr int INFLATE_BAD_BLOCK_TYPE = 11;  // block type 3
// 12: the input ended where the stream still needed bits (a header field, a stored length or
// stored byte, a symbol, extra bits).
constexpr int INFLATE_UNEXPECTED_END = 12;

// What the decoder needs from the extraction context: its buffers and the two data paths.
class InflateIo {
 public:
  uint8_t* InBuf = nullptr;
  uint32_t InBufSize = 0;
  uint8_t* OutBuf = nullptr;
  uint32_t OutBufSize = 0;
  uint8_t* WorkBuf = nullptr;
  uint32_t WorkBufSize = 0;

  // Reads up to `size` bytes of the entry's compressed data into `buffer`; returns the count,
  // 0 when nothing is left.
  virtual uint32_t ReadInput(uint8_t* buffer, uint32_t size) = 0;
  // Takes `size` decoded bytes. Returns false when decoding must stop at once (the entry has
  // already produced all the bytes it declared); Run then ends with 0 and the caller's CRC-32
  // comparison judges what was written.
  virtual bool WriteOutput(const uint8_t* data, uint32_t size) = 0;
  virtual ~InflateIo() = default;
};

class Inflater {
 public:
  // Prepares one entry: checks the buffer sizes (assertions of module INFLATE), carves the
  // work buffer, puts the output position at the window start and clears error and
  // exhausted count.
  void Init(InflateIo& io);
  // Decodes the whole entry. deflateMode: true for method 8, false for Deflate64 (method 9).
  // Returns 0 on success (also when WriteOutput asked to stop), else 10, 11 or 12.
  int Run(bool deflateMode);

 private:
  enum class Alphabet { LiteralLength, Distance, CodeLength };
  // input and bits
  bool refill();
  int nextByte();
  void loadByte();
  void needBits(unsigned n);
  void dropBits(unsigned n);
  uint32_t takeBits(unsigned n);
  void returnWholeBytes();
  bool truncated() const { return bitCount_ < fillerBits_; }
  // output
  bool flushWindow(uint32_t size);
  bool wrapWindow();
  bool putByte(uint8_t b);
  bool distanceReaches(uint32_t distance, uint32_t length, uint32_t outOff) const;
  bool copyMatch(uint32_t length, uint32_t distance);
  // tables
  uint32_t symbolEntry(Alphabet alphabet, unsigned sym, unsigned len) const;
  uint32_t unassignedEntry(Alphabet alphabet, const uint8_t* lengths, unsigned consume, unsigned dependsOn) const;
  void buildSparseTable(Alphabet alphabet, const uint8_t* lengths, unsigned count, uint32_t* table,
                        unsigned rootBits);
  bool buildTable(Alphabet alphabet, const uint8_t* lengths, unsigned count, uint32_t* table, unsigned rootBits,
                  uint32_t capacity);
  bool buildFixedTables();
  int readDynamicHeader();
  // symbols and blocks
  uint32_t lookup(const uint32_t* table, unsigned rootBits, uint32_t subFlag);
  uint32_t takeEntry(uint32_t e);
  bool lengthDistance(uint32_t e, uint32_t extra);
  void decodeBlock();
  template <bool KEEP_AHEAD>
  bool decodeFast();
  void storedBlock();

  InflateIo* io_ = nullptr;
  bool deflateMode_ = true;
  bool stopped_ = false;  // WriteOutput asked to stop

  // work-buffer carving
  uint32_t* litTable_ = nullptr;
  uint32_t* distTable_ = nullptr;
  uint32_t* clTable_ = nullptr;
  uint8_t* lengths_ = nullptr;    // literal/length then distance code lengths, 320
  uint8_t* clLengths_ = nullptr;  // code-length code lengths, 19
  uint16_t* sorted_ = nullptr;    // symbols in the order of their canonical codes, 288
  unsigned fixedBuilt_ = 0;       // the fixed tables are built: 1 for Deflate, 2 for Deflate64

  // input: bytes [inPos_, inEnd_) of the input buffer not yet taken into the bit buffer
  const uint8_t* inPos_ = nullptr;
  const uint8_t* inEnd_ = nullptr;
  uint64_t bitBuf_ = 0;    // valid bits LSB first
  unsigned bitCount_ = 0;  // number of valid bits; at least 8 between steps
  uint32_t exhausted_ = 0; // refills that brought no data
  unsigned fillerBits_ = 0; // filler bits at the top of the bit buffer (input ended)

  // output window
  uint8_t* winStart_ = nullptr;
  uint8_t* winEnd_ = nullptr;
  uint8_t* outPos_ = nullptr;
  // Window bytes from the start that hold this entry's output (the whole window once it has
  // been written out full); with the bytes before the output position they are what a
  // distance may reach.
  uint32_t windowFilled_ = 0;

  int error_ = 0;
};

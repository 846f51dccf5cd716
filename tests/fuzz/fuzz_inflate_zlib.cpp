// Differential libFuzzer target: the Inflater in Deflate mode (method 8) against zlib's raw
// inflate on the same stream. Where zlib decodes the stream completely, this decoder must
// succeed with the same bytes. Where this decoder succeeds and zlib does not, zlib must have
// stopped at one of the leniencies this decoder keeps on purpose, and the bytes zlib gave up
// to that point must begin this decoder's output:
//   - up to 288 literal/length and 32 distance code lengths;
//   - length symbols 286 and 287 and distance symbols 30 and 31;
//   - a code of a single symbol of any length, whose unassigned patterns read as symbol 0 or
//     end the block (zlib takes only a one-bit single code, and no unassigned pattern);
//   - an empty input, which decodes to nothing.
// A distance beyond the entry's own output, a cut stream, or any other fault zlib names must
// not succeed here.
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "decode/inflate.h"
#include "fuzz_support.h"

namespace {

constexpr uint32_t OUTPUT_CAP = 1u << 20;  // bytes this decoder keeps per input, then it stops
// zlib decodes two windows further: a fault this decoder reports below the cap lies at most one
// window past the output it handed over, so zlib has passed that point when it got this far.
constexpr uint32_t REFERENCE_CAP = OUTPUT_CAP + 2 * 65536;

class FuzzIo : public FuzzInflateIo {
 public:
  uint32_t ReadInput(uint8_t* buffer, uint32_t size) override {
    size_t n = dataSize - pos;
    if (n > size) n = size;
    std::memcpy(buffer, data + pos, n);
    pos += n;
    return static_cast<uint32_t>(n);
  }
  bool WriteOutput(const uint8_t* buffer, uint32_t size) override {
    if (output.size() + size > OUTPUT_CAP) {
      output.insert(output.end(), buffer, buffer + (OUTPUT_CAP - output.size()));
      return false;
    }
    output.insert(output.end(), buffer, buffer + size);
    return true;
  }

  const uint8_t* data = nullptr;
  size_t dataSize = 0;
  size_t pos = 0;
  std::vector<uint8_t> output;
};

// zlib's raw inflate; returns its final code and leaves its message in `message`.
int referenceInflate(const uint8_t* data, size_t size, std::vector<uint8_t>& out, const char** message) {
  z_stream z{};
  if (inflateInit2(&z, -15) != Z_OK) std::abort();
  z.next_in = const_cast<Bytef*>(data);
  z.avail_in = static_cast<uInt>(size);
  uint8_t buf[16384];
  int rc;
  do {
    z.next_out = buf;
    z.avail_out = sizeof buf;
    rc = inflate(&z, Z_NO_FLUSH);
    out.insert(out.end(), buf, buf + (sizeof buf - z.avail_out));
  } while (rc == Z_OK && out.size() < REFERENCE_CAP);
  *message = z.msg;
  inflateEnd(&z);
  return rc;
}

// zlib messages of the stops that stand for this decoder's leniencies.
bool isLeniency(const char* message) {
  static const char* const allowed[] = {
      "too many length or distance symbols",  // HLIT over 286 or HDIST over 30
      "invalid literal/length code",          // 286, 287, or an unassigned pattern
      "invalid distance code",                // 30, 31, or an unassigned pattern
      "invalid code lengths set",             // a one-symbol code-length code
      "invalid literal/lengths set",          // a one-symbol literal/length code
      "invalid distances set",                // a one-symbol distance code
      "invalid code -- missing end-of-block", // a one-symbol literal/length code without 256
  };
  if (message == nullptr) return false;
  for (const char* a : allowed)
    if (std::strcmp(a, message) == 0) return true;
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static FuzzIo io;
  static Inflater inflater;
  io.data = data;
  io.dataSize = size;
  io.pos = 0;
  io.output.clear();
  inflater.Init(io);
  int rc = inflater.Run(true);

  std::vector<uint8_t> expected;
  const char* message = nullptr;
  int zrc = referenceInflate(data, size, expected, &message);
  // zlib got through the whole stream, or as far as it was let.
  bool zlibFine = zrc == Z_STREAM_END || (zrc == Z_OK && expected.size() >= REFERENCE_CAP);
  bool oursStopped = io.output.size() >= OUTPUT_CAP;
  if (zrc == Z_STREAM_END && expected.size() < OUTPUT_CAP) {
    if (rc != 0 || io.output != expected) std::abort();
  } else if (rc != 0) {
    if (zlibFine) std::abort();  // this decoder failed where zlib decoded on
  } else if (size != 0) {
    size_t n = expected.size() < io.output.size() ? expected.size() : io.output.size();
    // zlib stopping past the point where this decoder was stopped says nothing about it.
    bool zlibStoppedEarlier = !zlibFine && !(oursStopped && expected.size() >= OUTPUT_CAP);
    if (zlibStoppedEarlier && (!isLeniency(message) || n != expected.size())) std::abort();
    if (!std::equal(expected.begin(), expected.begin() + n, io.output.begin())) std::abort();
  }
  return 0;
}

// libFuzzer target for the Inflater. The first input byte picks the mode (Deflate or
// Deflate64) and the size of the reads handed to the decoder; the rest is the compressed
// stream. The buffers live for the whole run, like the extraction context's, so the window
// keeps bytes of earlier inputs. Every input is decoded twice: with the chosen read size, and
// with reads of one byte (which keep the decoder off its fast loop) over a window whose old
// contents were all changed; both must give the same result, output and output pieces, so
// neither path may differ from the other nor show a byte of an earlier entry. Nothing may
// crash, hang or read or write out of bounds. fuzz_inflate_zlib compares with zlib.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "decode/inflate.h"
#include "fuzz_support.h"

namespace {

constexpr uint32_t OUTPUT_CAP = 1u << 20;  // bytes kept per input; WriteOutput stops after it

class FuzzIo : public FuzzInflateIo {
 public:
  uint32_t ReadInput(uint8_t* buffer, uint32_t size) override {
    size_t n = data_size - pos;
    if (n > size) n = size;
    if (n > chunk) n = chunk;
    std::memcpy(buffer, data + pos, n);
    pos += n;
    return static_cast<uint32_t>(n);
  }
  bool WriteOutput(const uint8_t* buffer, uint32_t size) override {
    if (size > OutBufSize) std::abort();
    if (output.size() + size > OUTPUT_CAP) return false;
    output.insert(output.end(), buffer, buffer + size);
    pieces.push_back(size);
    return true;
  }

  const uint8_t* data = nullptr;
  size_t data_size = 0;
  size_t pos = 0;
  size_t chunk = 0;
  std::vector<uint8_t> output;
  std::vector<uint32_t> pieces;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static FuzzIo io;
  static Inflater inflater;
  if (size < 1) return 0;
  const bool deflateMode = (data[0] & 1) == 0;
  const size_t chunks[8] = {61440, 1, 2, 3, 7, 13, 64, 4096};

  auto decode = [&](size_t chunk) {
    io.chunk = chunk;
    io.data = data + 1;
    io.data_size = size - 1;
    io.pos = 0;
    io.output.clear();
    io.pieces.clear();
    inflater.Init(io);
    return inflater.Run(deflateMode);
  };
  int rc = decode(chunks[(data[0] >> 1) & 7]);
  if (rc != 0 && rc != INFLATE_BAD_TABLE && rc != INFLATE_BAD_BLOCK_TYPE && rc != INFLATE_UNEXPECTED_END)
    std::abort();
  std::vector<uint8_t> output = io.output;
  std::vector<uint32_t> pieces = io.pieces;
  for (uint32_t i = 0; i < io.OutBufSize; ++i) io.OutBuf[i] = static_cast<uint8_t>(~io.OutBuf[i]);
  if (decode(1) != rc || io.output != output || io.pieces != pieces) std::abort();
  return 0;
}

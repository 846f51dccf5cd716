// libFuzzer target for the Inflater. The first input byte picks the mode (Deflate or
// Deflate64) and the size of the reads handed to the decoder; the rest is the compressed
// stream. The buffers live for the whole run, like the extraction context's, so the window
// keeps bytes of earlier inputs. Every input is decoded twice from the same window contents:
// with the chosen read size and with reads of one byte, which keeps the decoder off its fast
// loop; both must give the same result, output and output pieces. In Deflate mode every
// stream that zlib decodes completely must decode to the same bytes here (zlib is the
// independent reference). Nothing may crash, hang or read or write out of bounds.
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "decode/inflate.h"

namespace {

constexpr uint32_t OUTPUT_CAP = 1u << 20;  // bytes kept per input; WriteOutput stops after it

class FuzzIo : public InflateIo {
 public:
  FuzzIo() {
    InBufSize = 61440;
    OutBufSize = 65536;
    WorkBufSize = 10240;
    InBuf = static_cast<uint8_t*>(std::malloc(InBufSize));
    OutBuf = static_cast<uint8_t*>(std::calloc(1, OutBufSize));
    WorkBuf = static_cast<uint8_t*>(std::malloc(WorkBufSize));
  }
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

// zlib's raw inflate of the whole input; true only when it reaches the end of the stream.
bool referenceInflate(const uint8_t* data, size_t size, std::vector<uint8_t>& out) {
  z_stream z{};
  if (inflateInit2(&z, -15) != Z_OK) return false;
  z.next_in = const_cast<Bytef*>(data);
  z.avail_in = static_cast<uInt>(size);
  uint8_t buf[16384];
  int rc;
  do {
    z.next_out = buf;
    z.avail_out = sizeof buf;
    rc = inflate(&z, Z_NO_FLUSH);
    out.insert(out.end(), buf, buf + (sizeof buf - z.avail_out));
  } while (rc == Z_OK && out.size() <= OUTPUT_CAP);
  inflateEnd(&z);
  return rc == Z_STREAM_END;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static FuzzIo io;
  static Inflater inflater;
  if (size < 1) return 0;
  const bool deflateMode = (data[0] & 1) == 0;
  const size_t chunks[8] = {61440, 1, 2, 3, 7, 13, 64, 4096};
  static std::vector<uint8_t> window(io.OutBufSize);
  std::memcpy(window.data(), io.OutBuf, io.OutBufSize);

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
  std::memcpy(io.OutBuf, window.data(), io.OutBufSize);
  if (decode(1) != rc || io.output != output || io.pieces != pieces) std::abort();

  if (deflateMode) {
    std::vector<uint8_t> expected;
    if (referenceInflate(data + 1, size - 1, expected) && expected.size() <= OUTPUT_CAP) {
      if (rc != 0 || output != expected) std::abort();
    }
  }
  return 0;
}

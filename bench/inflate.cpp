// Inflate throughput, side by side with zlib in the same run. About 100 MB of mixed text and
// binary data is compressed with zlib (level 6, raw Deflate) and with 7z (Deflate64, made at
// run time in a temporary folder); both are decoded the way the engine runs an entry: input
// in reads of 61,440 bytes, output in 65,536-byte windows, CRC-32 over every output byte.
// zlib decodes the Deflate input with its own inflate and crc32 (it has no Deflate64).
//
//   bench_inflate                      full run, prints MB/s and the ratio
//   bench_inflate --slice ours|zlib [deflate64]
//                                      decodes a 10 MB slice once, for
//   valgrind --tool=callgrind --collect-atstart=no --toggle-collect='decodeSlice*' bench_inflate --slice ours
// whose instruction count divided by the printed output size gives instructions per byte.
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "archive/zip_format.h"
#include "decode/crc32.h"
#include "decode/inflate.h"

namespace {

constexpr uint32_t IN_BUF = 61440;
constexpr uint32_t OUT_BUF = 65536;
constexpr uint32_t WORK_BUF = 10240;

// ---- test data ---------------------------------------------------------------------------

struct Rng {
  uint64_t s = 0x9E3779B97F4A7C15ull;
  uint32_t next() {
    s ^= s << 13;
    s ^= s >> 7;
    s ^= s << 17;
    return static_cast<uint32_t>(s >> 16);
  }
};

// Text made of words with a skewed frequency, source-code-like lines, and binary records
// (little-endian counters, small tables, some noise), in alternating stretches.
std::string makeData(size_t size) {
  static const char* const words[] = {
      "the", "of", "and", "to", "in", "a", "is", "that", "for", "it", "as", "with", "was", "on",
      "archive", "entry", "window", "decoder", "compressed", "length", "distance", "symbol",
      "table", "buffer", "output", "input", "return", "static", "const", "uint32_t", "while",
      "struct", "void", "if", "else", "{", "}", "(", ")", ";", "=", "+", "0x7F", "size_t",
      "Extraction", "directory", "attributes", "time", "stamp", "password", "header"};
  const size_t wordCount = sizeof words / sizeof words[0];
  Rng rng;
  std::string out;
  out.reserve(size + 4096);
  while (out.size() < size) {
    uint32_t kind = rng.next() % 10;
    size_t stretch = 2000 + rng.next() % 30000;
    size_t end = out.size() + stretch;
    if (kind < 6) {
      while (out.size() < end) {
        uint32_t r = rng.next();
        size_t a = r % wordCount, b = (r >> 8) % wordCount;  // the smaller of two: skewed
        out += words[a < b ? a : b];
        out += ((r >> 20) % 12 == 0) ? "\r\n" : " ";
      }
    } else if (kind < 9) {
      uint32_t counter = rng.next();
      while (out.size() < end) {
        uint32_t r = rng.next();
        counter += 1 + (r & 3);
        char rec[16];
        std::memcpy(rec, &counter, 4);
        uint32_t flags = (r >> 4) & 0x0F0F;
        std::memcpy(rec + 4, &flags, 4);
        std::memset(rec + 8, 0, 4);
        uint32_t noise = (r >> 28) == 0 ? rng.next() : 0;
        std::memcpy(rec + 12, &noise, 4);
        out.append(rec, sizeof rec);
      }
    } else {
      while (out.size() < end) {
        uint32_t r = rng.next();
        out.append(reinterpret_cast<const char*>(&r), 4);
      }
    }
  }
  out.resize(size);
  return out;
}

std::string zlibDeflate(const std::string& data) {
  z_stream z{};
  deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, data.size()), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(&out[0]);
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

// Deflate64 by 7z: the data goes to a file in a fresh temporary folder, 7z zips it, and the
// entry's data is taken from the archive through its central directory.
std::string sevenZipDeflate64(const std::string& data) {
  char dirTemplate[] = "/tmp/bench-inflate-XXXXXX";
  if (mkdtemp(dirTemplate) == nullptr) return "";
  std::string dir = dirTemplate;
  std::string file = dir + "/data.bin";
  FILE* f = std::fopen(file.c_str(), "wb");
  if (f == nullptr) return "";
  std::fwrite(data.data(), 1, data.size(), f);
  std::fclose(f);
  std::string cmd = "cd '" + dir + "' && 7z a -bd -tzip -mm=Deflate64 -mx=5 out.zip data.bin >/dev/null";
  std::string zip;
  if (std::system(cmd.c_str()) == 0) {
    FILE* z = std::fopen((dir + "/out.zip").c_str(), "rb");
    if (z != nullptr) {
      char buf[65536];
      size_t n;
      while ((n = std::fread(buf, 1, sizeof buf, z)) > 0) zip.append(buf, n);
      std::fclose(z);
    }
  }
  std::system(("rm -rf '" + dir + "'").c_str());
  if (zip.size() < EOCD_SIZE) return "";
  const uint8_t* p = reinterpret_cast<const uint8_t*>(zip.data());
  size_t end = zip.size() - EOCD_SIZE;
  while (end > 0 && le32(p + end) != SIG_END) --end;
  const uint8_t* cdh = p + le32(p + end + EOCD_DIRECTORY_OFFSET);
  const uint8_t* lfh = p + le32(cdh + CDH_LOCAL_OFFSET);
  size_t start = (lfh - p) + LFH_SIZE + le16(lfh + LFH_NAME_LENGTH) + le16(lfh + LFH_EXTRA_LENGTH);
  return zip.substr(start, le32(cdh + CDH_COMPRESSED));
}

// ---- the two decoders ----------------------------------------------------------------------

// The engine's side of an entry: reads of up to 61,440 bytes copied from the "file",
// CRC-32 over each window handed out.
class BenchIo : public InflateIo {
 public:
  BenchIo() : in_(IN_BUF), out_(OUT_BUF), work_(WORK_BUF) {
    InBuf = in_.data();
    InBufSize = IN_BUF;
    OutBuf = out_.data();
    OutBufSize = OUT_BUF;
    WorkBuf = work_.data();
    WorkBufSize = WORK_BUF;
  }
  uint32_t ReadInput(uint8_t* buffer, uint32_t size) override {
    size_t n = src.size() - pos;
    if (n > size) n = size;
    std::memcpy(buffer, src.data() + pos, n);
    pos += n;
    return static_cast<uint32_t>(n);
  }
  bool WriteOutput(const uint8_t* data, uint32_t size) override {
    crc = Crc32Update(data, size, crc);
    written += size;
    return true;
  }
  std::string src;
  size_t pos = 0;
  uint32_t crc = 0xFFFFFFFF;
  uint64_t written = 0;

 private:
  std::vector<uint8_t> in_, out_, work_;
};

struct Result {
  uint64_t bytes;
  uint32_t crc;
  int status;
};

__attribute__((noinline)) Result decodeSliceOurs(const std::string& compressed, bool deflateMode) {
  static BenchIo io;
  static Inflater inflater;
  io.src = compressed;
  io.pos = 0;
  io.crc = 0xFFFFFFFF;
  io.written = 0;
  inflater.Init(io);
  int status = inflater.Run(deflateMode);
  return {io.written, ~io.crc, status};
}

__attribute__((noinline)) Result decodeSliceZlib(const std::string& compressed) {
  static std::vector<uint8_t> in(IN_BUF), out(OUT_BUF);
  z_stream z{};
  inflateInit2(&z, -15);
  size_t pos = 0;
  uint32_t crc = static_cast<uint32_t>(crc32(0, nullptr, 0));
  uint64_t written = 0;
  int rc = Z_OK;
  z.next_out = out.data();
  z.avail_out = OUT_BUF;
  while (rc == Z_OK) {
    if (z.avail_in == 0 && pos < compressed.size()) {
      size_t n = compressed.size() - pos;
      if (n > IN_BUF) n = IN_BUF;
      std::memcpy(in.data(), compressed.data() + pos, n);
      pos += n;
      z.next_in = in.data();
      z.avail_in = static_cast<uInt>(n);
    }
    rc = inflate(&z, Z_NO_FLUSH);
    if (z.avail_out == 0 || rc == Z_STREAM_END) {
      uint32_t n = OUT_BUF - z.avail_out;
      crc = static_cast<uint32_t>(crc32(crc, out.data(), n));
      written += n;
      z.next_out = out.data();
      z.avail_out = OUT_BUF;
    }
  }
  inflateEnd(&z);
  return {written, crc, rc == Z_STREAM_END ? 0 : rc};
}

// CPU time of this process: the machine may be shared, and wall time would charge the
// other programs' turns to whichever decoder happened to run.
double cpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return ts.tv_sec + ts.tv_nsec / 1e9;
}

// Best MB/s of each decoder over `runs` rounds, the decoders taking turns within a round.
template <typename F, typename G>
void bestRates(F&& first, G&& second, size_t outputSize, int runs, double* rate1, double* rate2, Result* r1,
               Result* r2) {
  *rate1 = *rate2 = 0;
  for (int i = 0; i < runs; ++i) {
    double t0 = cpuSeconds();
    *r1 = first();
    double t1 = cpuSeconds();
    *r2 = second();
    double t2 = cpuSeconds();
    double a = outputSize / 1e6 / (t1 - t0), b = outputSize / 1e6 / (t2 - t1);
    if (a > *rate1) *rate1 = a;
    if (b > *rate2) *rate2 = b;
  }
}

int slice(int argc, char** argv) {
  std::string who = argc > 2 ? argv[2] : "ours";
  bool deflate64 = argc > 3 && std::string(argv[3]) == "deflate64";
  std::string data = makeData(10u << 20);
  std::string compressed = deflate64 ? sevenZipDeflate64(data) : zlibDeflate(data);
  Result r = who == "zlib" ? decodeSliceZlib(compressed) : decodeSliceOurs(compressed, !deflate64);
  std::printf("%s %s slice: %llu output bytes from %zu compressed, crc %08X, status %d\n", who.c_str(),
              deflate64 ? "Deflate64" : "Deflate", static_cast<unsigned long long>(r.bytes),
              compressed.size(), r.crc, r.status);
  return r.status == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "--slice") return slice(argc, argv);

  const size_t size = 100u << 20;
  std::string data = makeData(size);
  uint32_t crc = ~Crc32Update(reinterpret_cast<const uint8_t*>(data.data()), data.size(), 0xFFFFFFFF);
  std::string deflated = zlibDeflate(data);
  std::string deflated64 = sevenZipDeflate64(data);
  std::printf("data: %zu bytes, CRC-32 %08X; Deflate (zlib -6) %zu bytes, Deflate64 (7z) %zu bytes\n",
              data.size(), crc, deflated.size(), deflated64.size());

  Result ours{}, theirs{}, ours64{}, theirs2{};
  const int runs = 5;
  double rOurs, rZlib, r64, rZlib2;
  bestRates([&] { return decodeSliceOurs(deflated, true); }, [&] { return decodeSliceZlib(deflated); }, size,
            runs, &rOurs, &rZlib, &ours, &theirs);
  auto ok = [&](const Result& r) { return r.crc == crc && r.bytes == size && r.status == 0 ? "ok" : "WRONG"; };
  std::printf("Deflate:   this decoder %8.1f MB/s (crc %s)   zlib %8.1f MB/s (crc %s)   ratio %.2fx\n", rOurs,
              ok(ours), rZlib, ok(theirs), rOurs / rZlib);
  if (!deflated64.empty()) {
    bestRates([&] { return decodeSliceOurs(deflated64, false); }, [&] { return decodeSliceZlib(deflated); }, size,
              runs, &r64, &rZlib2, &ours64, &theirs2);
    std::printf("Deflate64: this decoder %8.1f MB/s (crc %s)   zlib on the Deflate input %8.1f MB/s   ratio %.2fx\n",
                r64, ok(ours64), rZlib2, r64 / rZlib2);
  } else {
    std::printf("Deflate64: 7z did not produce an archive\n");
  }
  return 0;
}

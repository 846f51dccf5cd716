// Peak memory of `mksfx build`, side by side with Info-ZIP zip on the same tree in the same
// run. A tree of about 1 GB (by default; the first argument gives megabytes) is made in a
// temporary folder: large files of mixed compressible text and incompressible bytes, and a
// few hundred small ones. mksfx builds from the directory, then from the ZIP input its own
// output makes; each run's peak resident set (wait4's ru_maxrss) is printed with the bound
// the builder keeps, 64 MiB plus the largest entry's compressed size. It prints figures and
// decides nothing.
//
//   bench_build_memory [MB]        mksfx beside this program, the stub from $SFX_STUB or
//                                  the stand-in stub of the build's fixtures
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

std::string ownFolder() {
  char self[4096];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  std::string exe(self, n > 0 ? static_cast<size_t>(n) : 0);
  return exe.substr(0, exe.rfind('/'));
}

// Runs argv with output discarded; returns its peak resident set in KiB, or -1.
long peakKib(const std::vector<std::string>& args, int& status) {
  std::fflush(stdout);
  pid_t pid = fork();
  if (pid == 0) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    if (!freopen("/dev/null", "w", stdout) || !freopen("/dev/null", "w", stderr)) _exit(127);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  struct rusage usage;
  if (pid < 0 || wait4(pid, &status, 0, &usage) != pid) return -1;
  return usage.ru_maxrss;
}

// Writes `size` bytes: lines of text with every fourth 64 KiB block random, so that deflate
// has work to do and the compressed entry stays large.
bool writeFile(const std::string& path, uint64_t size, std::mt19937_64& rng) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  std::string block(65536, '\0');
  for (uint64_t done = 0, n = 0; done < size; ++n) {
    if (n % 4 == 3) {
      for (size_t i = 0; i < block.size(); i += 8) {
        uint64_t v = rng();
        std::memcpy(&block[i], &v, 8);
      }
    } else {
      block.clear();
      while (block.size() < 65536) block += "line " + std::to_string(rng() % 100000) + " of the payload text\n";
      block.resize(65536);
    }
    size_t take = static_cast<size_t>(std::min<uint64_t>(block.size(), size - done));
    if (std::fwrite(block.data(), 1, take, f) != take) break;
    done += take;
  }
  return std::fclose(f) == 0;
}

long largestCompressedKib(const std::string& mksfx, const std::string& exe) {
  std::string command = "'" + mksfx + "' show '" + exe + "'";
  FILE* p = popen(command.c_str(), "r");
  if (!p) return 0;
  char line[4096];
  unsigned long long best = 0;
  while (std::fgets(line, sizeof line, p)) {
    unsigned long long size, packed;
    char method[32];
    if (std::sscanf(line, " %llu %llu %31s", &size, &packed, method) == 3 && std::isalpha(method[0])) {
      if (packed > best) best = packed;
    }
  }
  pclose(p);
  return static_cast<long>(best / 1024);
}

}  // namespace

int main(int argc, char** argv) {
  uint64_t megabytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1024;
  std::string folder = ownFolder();
  std::string mksfx = folder + "/mksfx";
  std::string stub = std::getenv("SFX_STUB") ? std::getenv("SFX_STUB") : folder + "/fixtures/builder_stub_fixture.exe";
  char pattern[] = "/tmp/bench-build-memory-XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  std::string work = pattern, tree = work + "/tree";
  mkdir(tree.c_str(), 0755);
  mkdir((tree + "/small").c_str(), 0755);
  std::mt19937_64 rng(12);
  uint64_t large = megabytes * 1024 * 1024 / 4;
  bool ok = true;
  for (int i = 0; i < 4 && ok; ++i) ok = writeFile(tree + "/large" + std::to_string(i) + ".bin", large, rng);
  for (int i = 0; i < 300 && ok; ++i) ok = writeFile(tree + "/small/s" + std::to_string(i) + ".txt", 20000, rng);
  if (!ok) {
    std::fprintf(stderr, "bench: cannot write the tree in %s\n", work.c_str());
    return 1;
  }
  std::printf("tree: 4 files of %llu MB and 300 of 20 KB (%s)\n", static_cast<unsigned long long>(large >> 20),
              work.c_str());
  int status = 0;
  long fromDirectory = peakKib({mksfx, "build", "-q", "-o", work + "/a.exe", "--stub", stub, tree}, status);
  long largest = largestCompressedKib(mksfx, work + "/a.exe");
  long bound = 64 * 1024 + largest;
  std::printf("mksfx build from the directory: peak %ld MiB (status %d)\n", fromDirectory / 1024, WEXITSTATUS(status));
  long fromZip = peakKib({mksfx, "build", "-q", "-o", work + "/b.exe", "--stub", stub, work + "/a.exe"}, status);
  std::printf("mksfx build from a ZIP input:   peak %ld MiB (status %d)\n", fromZip / 1024, WEXITSTATUS(status));
  std::printf("bound: 64 MiB + largest compressed entry (%ld MiB) = %ld MiB\n", largest / 1024, bound / 1024);
  std::string zipOut = work + "/peer.zip";
  long peer = peakKib({"sh", "-c", "cd '" + tree + "' && zip -q -r '" + zipOut + "' ."}, status);
  std::printf("Info-ZIP zip -r on the same tree: peak %ld MiB\n", peer / 1024);
  if (peer > 0) std::printf("ratio mksfx (directory) / zip: %.1f\n", double(fromDirectory) / peer);
  std::string cleanup = "rm -rf '" + work + "'";
  if (std::system(cleanup.c_str()) != 0) std::fprintf(stderr, "bench: %s left behind\n", work.c_str());
  return 0;
}

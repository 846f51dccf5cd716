// The file-descriptor half of the host layer, shared by Linux (host_posix.cpp) and the
// browser (host_wasm.cpp): reads and writes that move every byte, positions, sizes, and the
// path questions that both answer with the C library. Handles are file descriptors.
#include <dirent.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "host/host.h"

namespace {

int fdOf(intptr_t handle) { return static_cast<int>(handle); }

}  // namespace

namespace {

// Repeats a read or write of `size` bytes (`transfer(done)` moves what is left from offset
// `done` on) until all are moved, the file ends (a transfer of 0) or an error other than an
// interruption; the bytes moved, or -1 on an error.
template <typename Transfer>
int64_t transferAll(size_t size, Transfer transfer) {
  size_t done = 0;
  while (done < size) {
    ssize_t n = transfer(done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return static_cast<int64_t>(done);
}

}  // namespace

int64_t HostFile::read(char* buffer, size_t size) {
  return transferAll(size, [&](size_t done) { return ::read(fdOf(handle_), buffer + done, size - done); });
}

bool HostFile::readAt(uint64_t offset, char* buffer, size_t size) {
  return transferAll(size, [&](size_t done) {
           return pread(fdOf(handle_), buffer + done, size - done, static_cast<off_t>(offset + done));
         }) == static_cast<int64_t>(size);
}

bool HostFile::write(const char* bytes, size_t size) {
  return transferAll(size, [&](size_t done) { return ::write(fdOf(handle_), bytes + done, size - done); }) ==
         static_cast<int64_t>(size);
}

bool HostFile::writeAt(uint64_t offset, const char* bytes, size_t size) {
  return transferAll(size, [&](size_t done) {
           return pwrite(fdOf(handle_), bytes + done, size - done, static_cast<off_t>(offset + done));
         }) == static_cast<int64_t>(size);
}

bool HostFile::seek(uint64_t position) {
  return lseek(fdOf(handle_), static_cast<off_t>(position), SEEK_SET) == static_cast<off_t>(position);
}

bool HostFile::truncate(uint64_t position) {
  return ftruncate(fdOf(handle_), static_cast<off_t>(position)) == 0 && seek(position);
}

bool HostFile::size(uint64_t& bytes) {
  struct stat s;
  if (fstat(fdOf(handle_), &s) != 0) return false;
  bytes = static_cast<uint64_t>(s.st_size);
  return true;
}

bool HostFile::close() {
  if (handle_ == -1) return true;
  bool ok = ::close(fdOf(handle_)) == 0;
  handle_ = -1;
  return ok;
}

bool hostExists(const std::string& path) {
  struct stat s;
  return lstat(path.c_str(), &s) == 0;
}

bool hostReadable(const std::string& path) { return access(path.c_str(), R_OK) == 0; }

bool hostListDirectory(const std::string& path, std::vector<std::string>& names) {
  DIR* d = opendir(path.c_str());
  if (!d) return false;
  while (dirent* e = readdir(d)) {
    if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) names.push_back(e->d_name);
  }
  closedir(d);
  return true;
}

std::string hostShortPath(const std::string&) { return std::string(); }

std::string hostCurrentDirectory() {
  char buffer[PATH_MAX];
  return getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string();
}

std::string hostRealPath(const std::string& path) {
  char resolved[PATH_MAX];
  return realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
}

bool hostRemoveFile(const std::string& path) { return unlink(path.c_str()) == 0; }


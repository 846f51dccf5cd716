// The parts of the host layer that need nothing but the layer itself, shared by both hosts.
#include "host/host.h"

bool hostIsFile(const std::string& path) {
  HostStatus status;
  return hostStatus(path, status) && status.kind == HostKind::File;
}

bool hostReadWholeFile(const std::string& path, std::string& bytes) {
  HostFile file;
  if (!hostIsFile(path) || !file.openRead(path)) return false;
  bytes.clear();
  char buffer[65536];
  for (;;) {
    int64_t n = file.read(buffer, sizeof buffer);
    if (n < 0) return false;
    bytes.append(buffer, static_cast<size_t>(n));
    if (n < static_cast<int64_t>(sizeof buffer)) return true;
  }
}

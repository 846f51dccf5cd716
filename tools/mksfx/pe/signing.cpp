// Signing. An Authenticode signature covers the image and everything before its certificate
// table, so a stub that already carries one cannot take an archive behind it: the appended
// bytes break the signature, and Windows then shows the file as tampered with. The builder
// refuses such a stub and signs the finished file instead, by running the author's signing
// command (through the system's shell) on the temporary file before it takes its final
// name, so a failed signing leaves no unsigned file under that name.
#include <cstdio>

#include "pe/signing.h"
#include "host/host.h"
#include "pe/pe_image.h"

void checkStubUnsigned(const std::string& stub, Reporter& reporter) {
  PeImage pe;
  std::string problem;
  if (!parsePeImage(stub, pe, problem)) return;  // the stub check reports what it is not
  uint32_t size = pe.directorySize(stub, DIRECTORY_SECURITY);
  if (size == 0) return;
  reporter.error("the stub is signed (a certificate table of " + std::to_string(size) + " bytes at offset " +
                 std::to_string(pe.directoryAddress(stub, DIRECTORY_SECURITY)) +
                 "); the archive written behind it would break that signature. Build with the unsigned "
                 "stub and sign the finished file (--sign-command, or osslsigncode sign afterwards)");
}

bool signCommandUsable(const std::string& command) { return command.find("{}") != std::string::npos; }

bool runSignCommand(const std::string& command, const std::string& path, Reporter& reporter) {
  std::string line;
  for (size_t i = 0; i < command.size();) {
    if (command.compare(i, 2, "{}") == 0) {
      line += hostQuoted(path);
      i += 2;
    } else {
      line += command[i++];
    }
  }
  std::fflush(stdout);
  int status = hostRunCommand(line);
  if (status != 0) {
    reporter.error(std::string("the signing command failed (") +
                   (status > 0 ? "status " + std::to_string(status) : "it did not run to its end") + "); nothing written");
    return false;
  }
  HostStatus s;
  if (!hostStatus(path, s) || s.kind != HostKind::File || s.size == 0) {
    reporter.error("the signing command left no file at " + path + "; nothing written");
    return false;
  }
  return true;
}

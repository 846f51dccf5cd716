// Writes the builder's archive model as ZIP records behind whatever already lies in the
// output (the stub, its padding and the configuration block), one entry at a time. The stub's reader takes the
// central directory offset and every local header offset as absolute positions in its own
// file, so each offset is counted from the start of the whole output. Local headers are
// written from the central values; an entry flagged with a data descriptor keeps the flag
// (traditional encryption checks the time instead of the CRC then) and gets a descriptor
// with its signature after its data.
#include <cstdio>
#include <cstring>
#include <map>

#include "archive/zip_format.h"
#include "console.h"
#include "mksfx.h"

namespace {

constexpr int DESCRIPTOR_SIZE = 16;  // signature, CRC-32, compressed and uncompressed size
constexpr uint16_t METHOD_AES = 99;             // WinZip AES: the real method is in the 0x9901 field
constexpr uint16_t EXTRA_AES = 0x9901;
constexpr uint16_t GPF_STRONG_ENCRYPTION = 0x0040;

bool hasExtraField(const std::string& extra, uint16_t wanted) {
  for (size_t p = 0; p + 4 <= extra.size();) {
    const uint8_t* r = reinterpret_cast<const uint8_t*>(extra.data()) + p;
    if (le16(r) == wanted) return true;
    p += 4u + le16(r + 2);
  }
  return false;
}

void put16(std::string& out, uint16_t v) {
  uint8_t b[2];
  putLe16(b, v);
  out.append(reinterpret_cast<char*>(b), 2);
}
void put32(std::string& out, uint32_t v) {
  uint8_t b[4];
  putLe32(b, v);
  out.append(reinterpret_cast<char*>(b), 4);
}

std::string localHeader(const ZipEntry& e) {
  std::string out;
  put32(out, SIG_LOCAL);
  put16(out, e.versionNeeded);
  put16(out, e.flags);
  put16(out, e.method);
  put16(out, e.time);
  put16(out, e.date);
  put32(out, e.crc);
  put32(out, e.compressedSize);
  put32(out, e.uncompressedSize);
  put16(out, static_cast<uint16_t>(e.name.size()));
  put16(out, static_cast<uint16_t>(e.localExtra.size()));
  out += e.name;
  out += e.localExtra;
  return out;
}

std::string dataDescriptor(const ZipEntry& e) {
  std::string out;
  put32(out, SIG_SPANNING);  // the data descriptor signature has the same value
  put32(out, e.crc);
  put32(out, e.compressedSize);
  put32(out, e.uncompressedSize);
  return out;
}

// One entry: its local header, its stored bytes and its descriptor. A file to deflate gets
// its header again once the method, CRC and sizes are known.
bool writeEntry(ZipEntry& e, OutputFile& out, Problems& problems) {
  uint64_t header = out.position();
  if (!out.write(localHeader(e))) return false;
  if (e.packSource) {
    if (!writePackedSource(e, out, problems) || !out.rewrite(header, localHeader(e))) return false;
  } else if (!copyStoredBytes(e, out, problems)) {
    return false;
  }
  return !(e.flags & GPF_DATA_DESCRIPTOR) || out.write(dataDescriptor(e));
}

void appendCentral(const ZipEntry& e, uint32_t localOffset, std::string& out) {
  put32(out, SIG_CENTRAL);
  put16(out, e.versionMade);
  put16(out, e.versionNeeded);
  put16(out, e.flags);
  put16(out, e.method);
  put16(out, e.time);
  put16(out, e.date);
  put32(out, e.crc);
  put32(out, e.compressedSize);
  put32(out, e.uncompressedSize);
  put16(out, static_cast<uint16_t>(e.name.size()));
  put16(out, static_cast<uint16_t>(e.centralExtra.size()));
  put16(out, static_cast<uint16_t>(e.comment.size()));
  put16(out, 0);  // disk number start
  put16(out, e.internalAttributes);
  put32(out, e.externalAttributes);
  put32(out, localOffset);
  out += e.name;
  out += e.centralExtra;
  out += e.comment;
}

// Windows compares file names without regard to the case of letters, so two entries whose
// names differ only there end as one file. Only single-byte letters fold; a double-byte
// character stays as it is.
std::string foldedName(const std::string& name) {
  std::string folded;
  for (size_t i = 0; i < name.size();) {
    size_t n = cp932CharLength(name, i);
    if (n == 1) {
      char c = name[i];
      folded += c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c == '\\' ? '/' : c;
    } else {
      folded.append(name, i, n);
    }
    i += n;
  }
  return folded;
}

void checkNameCollisions(const ZipArchive& archive, Problems& problems) {
  std::map<std::string, const ZipEntry*> seen;
  for (const ZipEntry& e : archive.entries) {
    auto inserted = seen.emplace(foldedName(e.name), &e);
    if (!inserted.second) {
      problems.unextractable("entries \"" + shownName(inserted.first->second->name) + "\" and \"" + shownName(e.name) +
                             "\" name the same file on Windows; the later one meets the earlier");
    }
  }
}

}  // namespace

void Problems::error(const std::string& text) {
  clearProgressLine();
  ++errors_;
  std::fprintf(stderr, "mksfx: error: %s\n", text.c_str());
}

void Problems::warning(const std::string& text) {
  clearProgressLine();
  ++warnings_;
  std::fprintf(stderr, "mksfx: %s: %s\n", strict_ ? "error (--strict)" : "warning", text.c_str());
}

void Problems::unextractable(const std::string& text) {
  ++unextractables_;
  if (allowUnextractable_) {
    warning(text);
  } else {
    error(text);
  }
}

void checkEntries(const ZipArchive& archive, Problems& problems) {
  // The end record counts entries in 16 bits; more would need ZIP64.
  if (archive.entries.size() > 0xFFFF) {
    problems.error("more than 65,535 entries; the stub reads no ZIP64 archives");
  }
  checkNameCollisions(archive, problems);
  for (const ZipEntry& e : archive.entries) {
    std::string shown = shownName(e.name);
    std::string reason = entryNameProblem(e.name);
    if (!reason.empty()) problems.unextractable("entry \"" + shown + "\": " + reason);
    if (e.method != 0 && e.method != 8 && e.method != 9 && e.method != METHOD_AES) {
      problems.unextractable("entry \"" + shown + "\": compression method " + std::to_string(e.method) + " (" +
                             methodName(e.method) + ") cannot be extracted by the stub");
    }
    if (e.versionNeeded > 25) {
      problems.unextractable("entry \"" + shown + "\": needs version " + std::to_string(e.versionNeeded / 10) + "." +
                             std::to_string(e.versionNeeded % 10) + " to extract; the stub skips it");
    }
    if (e.method == METHOD_AES || hasExtraField(e.centralExtra, EXTRA_AES) || hasExtraField(e.localExtra, EXTRA_AES)) {
      problems.unextractable("entry \"" + shown + "\": AES encryption, which the stub cannot decrypt");
    } else if (e.flags & GPF_STRONG_ENCRYPTION) {
      problems.unextractable("entry \"" + shown + "\": strong encryption, which the stub cannot decrypt");
    }
    if (e.name.size() > 0xFFFF || e.localExtra.size() > 0xFFFF || e.centralExtra.size() > 0xFFFF ||
        e.comment.size() > 0xFFFF) {
      problems.error("entry \"" + shown + "\": a name, extra field or comment is too long for the format");
    }
  }
  if (archive.comment.size() > 0xFFFF) problems.error("the archive comment is longer than 65,535 bytes");
  // The stub looks for the end record backwards from the end of its file, so a signature
  // inside the comment, which follows the record, would be taken for it.
  const char endSignature[] = {'P', 'K', 5, 6};
  if (archive.comment.find(std::string(endSignature, 4)) != std::string::npos) {
    problems.error("the archive comment holds the end record signature PK\\5\\6; the stub would take it for the end record");
  }
}

bool writeArchive(ZipArchive& archive, OutputFile& out, Problems& problems) {
  constexpr uint64_t LIMIT = 0xFFFFFFFFull;  // offsets and sizes are 32-bit without ZIP64
  auto tooLarge = [&]() {
    problems.error("the result would exceed 4 GB, which the stub's 32-bit offsets cannot reach");
    return false;
  };
  std::vector<uint32_t> offsets;
  offsets.reserve(archive.entries.size());
  ProgressLine progress;
  for (size_t i = 0; i < archive.entries.size(); ++i) {
    ZipEntry& e = archive.entries[i];
    progress.update("mksfx: packing " + std::to_string(i + 1) + " of " + std::to_string(archive.entries.size()) +
                    " (" + std::to_string(out.position() >> 20) + " MB) " + shownName(e.name));
    if (out.position() > LIMIT) {
      progress.done();
      return tooLarge();
    }
    offsets.push_back(static_cast<uint32_t>(out.position()));
    if (!writeEntry(e, out, problems)) {
      progress.done();
      if (problems.errors() == 0) problems.error(std::string("cannot write the output: ") + hostErrorText());
      return false;
    }
  }
  progress.done();
  std::string directory;
  for (size_t i = 0; i < archive.entries.size(); ++i) appendCentral(archive.entries[i], offsets[i], directory);
  uint64_t directoryOffset = out.position();
  if (directoryOffset + directory.size() > LIMIT) return tooLarge();
  uint16_t count = static_cast<uint16_t>(archive.entries.size());
  uint32_t directorySize = static_cast<uint32_t>(directory.size());
  put32(directory, SIG_END);
  put16(directory, 0);  // this disk
  put16(directory, 0);  // disk where the central directory starts
  put16(directory, count);
  put16(directory, count);
  put32(directory, directorySize);
  put32(directory, static_cast<uint32_t>(directoryOffset));
  put16(directory, static_cast<uint16_t>(archive.comment.size()));
  directory += archive.comment;
  if (!out.write(directory)) {
    problems.error(std::string("cannot write the output: ") + hostErrorText());
    return false;
  }
  return true;
}

bool writeOutputFile(const std::string& path, const std::function<bool(OutputFile&)>& produce, bool force,
                     const std::function<bool(const std::string&)>& verify) {
  HostFile file;
  std::string temporary;
  if (!file.createTemporary(path, temporary)) {
    std::fprintf(stderr, "mksfx: error: cannot create a file beside %s: %s\n", path.c_str(), hostErrorText().c_str());
    return false;
  }
  OutputFile out(file);
  bool produced = produce(out);
  bool ok = produced && file.makeExecutable();
  ok = file.close() && ok;
  if (!ok) {
    // A refusal while producing has been reported already.
    if (produced) std::fprintf(stderr, "mksfx: error: cannot write %s: %s\n", path.c_str(), hostErrorText().c_str());
    hostRemoveFile(temporary);
    return false;
  }
  if (verify && !verify(temporary)) {
    hostRemoveFile(temporary);
    return false;
  }
  switch (hostPublish(temporary, path, force)) {
    case HostPublish::Done: return true;
    case HostPublish::Exists:
      std::fprintf(stderr, "mksfx: error: %s exists (use --force to replace it); nothing written\n", path.c_str());
      return false;
    case HostPublish::Failed: break;
  }
  std::fprintf(stderr, "mksfx: error: cannot create %s: %s\n", path.c_str(), hostErrorText().c_str());
  return false;
}

// Reads a ZIP file that an author made with any tool into the builder's model: the end
// record (found backwards from the end, allowing a comment), the central directory, and for
// each entry its local header and its stored bytes. Offsets are taken relative to where the
// central directory really lies, so an archive that already carries a prefix is read too.
// Names flagged UTF-8 (general purpose bit 11) are rewritten in code page 932 with the flag
// cleared, and so are names that Info-ZIP's Unicode Path field gives in UTF-8; every local
// header is rebuilt from the central record, so sizes and offsets stay right whatever the
// input tool wrote. Split archives are refused; ZIP64 records, which the stub does not
// read either, are left out where every value fits in 32 bits, and refused where one
// does not.
#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "archive/zip_format.h"
#include "archive/ziplib.h"
#include "decode/crc32.h"
#include "base/code_page.h"
#include "base/wildcard.h"
#include "host/host.h"
#include "zip/extra_fields.h"
#include "zip/zip_archive.h"

namespace {

constexpr uint32_t SIG_ZIP64_LOCATOR = 0x07064b50;
constexpr int ZIP64_LOCATOR_SIZE = 20;
constexpr uint32_t SIG_ZIP64_END = 0x06064b50;
constexpr int ZIP64_END_SIZE = 56;  // without its extensible data
constexpr int Z64L_END_OFFSET = 8;  // locator: offset of the ZIP64 end record
constexpr int Z64E_THIS_DISK = 16;
constexpr int Z64E_ENTRIES_TOTAL = 32;
constexpr int Z64E_DIRECTORY_SIZE = 40;
constexpr int Z64E_DIRECTORY_OFFSET = 48;
constexpr uint16_t VERSION_ZIP64 = 45;  // what ZIP64 records make a tool write as version needed
constexpr uint16_t EXTRA_ZIP64 = 0x0001;
constexpr uint16_t EXTRA_UNICODE_PATH = 0x7075;  // Info-ZIP: UTF-8 name with the CRC of the old one
constexpr uint32_t MAX_COMMENT = 0xFFFF;

const uint8_t* bytesAt(const std::string& s, size_t offset) {
  return reinterpret_cast<const uint8_t*>(s.data()) + offset;
}

// The input ZIP file: its last part (the end records and the central directory) held in
// memory, other bytes (local headers) read where they lie, so the archive is never read
// whole; the stored bytes are copied from their place when the output is written.
class InputFile {
 public:
  bool open(const std::string& path) {
    uint64_t size = 0;
    if (!hostIsFile(path) || !file_.openRead(path) || !file_.size(size)) return false;
    // A 32-bit build cannot address more; the stub's offsets end at 4 GB anyway.
    if (size > SIZE_MAX) return false;
    size_ = static_cast<size_t>(size);
    // Room for the end record with the longest comment and the ZIP64 records before it.
    size_t last = EOCD_SIZE + MAX_COMMENT + ZIP64_LOCATOR_SIZE + ZIP64_END_SIZE;
    return holdFrom(size_ > last ? size_ - last : 0);
  }
  size_t size() const { return size_; }
  // Holds the bytes from `from` to the end in memory; pointers given before are no longer valid.
  bool holdFrom(size_t from) {
    if (from >= tailStart_ && !tail_.empty()) return true;
    std::string part(size_ - from, '\0');
    if (!readAt(from, &part[0], part.size())) return false;
    tail_.swap(part);
    tailStart_ = from;
    return true;
  }
  // The bytes at `offset` (in the held part, or a window read there, valid until the next
  // call); bytes beyond the end read as zero, and callers check the file's size first.
  const uint8_t* at(size_t offset) {
    if (offset >= tailStart_ && offset - tailStart_ < tail_.size()) {
      return reinterpret_cast<const uint8_t*>(tail_.data()) + (offset - tailStart_);
    }
    window_.assign(WINDOW, '\0');
    if (offset < size_) readAt(offset, &window_[0], std::min<size_t>(WINDOW, size_ - offset));
    return reinterpret_cast<const uint8_t*>(window_.data());
  }
  std::string text(size_t offset, size_t length) {
    std::string out(length, '\0');
    if (offset >= tailStart_ && offset - tailStart_ <= tail_.size()) {
      out.assign(tail_, offset - tailStart_, length);
    } else if (offset < size_) {
      readAt(offset, &out[0], std::min(length, size_ - offset));
    }
    return out;
  }

 private:
  static constexpr size_t WINDOW = 4096;  // more than any fixed-size record
  bool readAt(size_t offset, char* buffer, size_t length) { return file_.readAt(offset, buffer, length); }
  HostFile file_;
  size_t size_ = 0;
  size_t tailStart_ = 0;
  std::string tail_;
  std::string window_;
};

const uint8_t* bytesAt(InputFile& file, size_t offset) { return file.at(offset); }

// The end record's position: the last signature whose comment ends inside the file.
bool findEndRecord(InputFile& file, size_t& position) {
  if (file.size() < EOCD_SIZE) return false;
  size_t last = file.size() - EOCD_SIZE;
  size_t first = last > MAX_COMMENT ? last - MAX_COMMENT : 0;
  for (size_t p = last + 1; p-- > first;) {
    const uint8_t* r = bytesAt(file, p);
    if (le32(r) == SIG_END && p + EOCD_SIZE + le16(r + EOCD_COMMENT_LENGTH) <= file.size()) {
      position = p;
      return true;
    }
  }
  return false;
}

// The ZIP64 end record of an archive whose end record lies at `end`: right before its
// locator (a prefix may have moved it from the offset the locator gives), else at that
// offset. Only a locator with its record counts: the 20 bytes before an end record may
// just as well be the last bytes of a central record (a name can hold the signature).
bool findZip64End(InputFile& file, size_t end, size_t& at) {
  if (end < ZIP64_LOCATOR_SIZE || le32(bytesAt(file, end - ZIP64_LOCATOR_SIZE)) != SIG_ZIP64_LOCATOR) return false;
  uint64_t stated = le64(bytesAt(file, end - ZIP64_LOCATOR_SIZE + Z64L_END_OFFSET));
  if (end >= ZIP64_LOCATOR_SIZE + ZIP64_END_SIZE &&
      le32(bytesAt(file, end - ZIP64_LOCATOR_SIZE - ZIP64_END_SIZE)) == SIG_ZIP64_END) {
    at = end - ZIP64_LOCATOR_SIZE - ZIP64_END_SIZE;
    return true;
  }
  if (stated + ZIP64_END_SIZE <= end - ZIP64_LOCATOR_SIZE && le32(bytesAt(file, stated)) == SIG_ZIP64_END) {
    at = static_cast<size_t>(stated);
    return true;
  }
  return false;
}

std::string printable(const std::string& raw) {
  return isValidUtf8(raw) ? escapeControls(raw, false) : shownName(raw);
}

// The UTF-8 name of Info-ZIP's Unicode Path field (version 1, the CRC-32 of the header
// name, the UTF-8 name), when the field names this header name: a tool that renamed the
// entry without updating the field leaves a CRC that no longer matches, and then the
// header name counts.
bool unicodePathName(const std::string& extra, const std::string& headerName, std::string& utf8) {
  bool found = false;
  forEachExtraField(extra, [&](uint16_t tag, size_t at, size_t length) {
    constexpr size_t HEAD = 4 + 5;  // tag and size, then the version byte and the name's CRC-32
    if (found || tag != EXTRA_UNICODE_PATH || length < HEAD) return;
    const uint8_t* field = bytesAt(extra, at + 4);
    const uint8_t* name = reinterpret_cast<const uint8_t*>(headerName.data());
    uint32_t nameCrc = ~Crc32Update(name, headerName.size(), 0xFFFFFFFFu);
    if (field[0] != 1 || le32(field + 1) != nameCrc) return;
    utf8.assign(extra, at + HEAD, length - HEAD);
    found = true;
  });
  return found;
}

// Brings a name into code page 932. False when it has no form there (reported).
bool convertName(ZipEntry& entry, bool utf8Flagged, const InputOptions& options,
                 Reporter& reporter) {
  std::string raw = entry.name;
  std::string unicode;
  bool fromField = !utf8Flagged && (unicodePathName(entry.centralExtra, raw, unicode) ||
                                    unicodePathName(entry.localExtra, raw, unicode));
  if (fromField) raw = unicode;
  if (utf8Flagged || fromField || options.utf8Names) {
    std::string converted;
    if (!isValidUtf8(raw) || !utf8ToCp932(raw, converted)) {
      reporter.unextractable(noCp932FormText(raw, "the entry name \"" + printable(raw) + "\""));
      return false;
    }
    entry.name = converted;
    entry.flags &= static_cast<uint16_t>(~GPF_UTF8);
    // The Unicode path field names the old header name by its CRC; it no longer matches.
    entry.localExtra = withoutExtraField(entry.localExtra, EXTRA_UNICODE_PATH);
    entry.centralExtra = withoutExtraField(entry.centralExtra, EXTRA_UNICODE_PATH);
    return true;
  }
  if (!isValidCp932(raw)) {
    if (isValidUtf8(raw)) {
      reporter.suggest("--utf8-names takes names without the UTF-8 flag as UTF-8");
      reporter.error("entry \"" + printable(raw) + "\": the name is not valid code page 932 but reads as UTF-8, "
                     "while other names of the input read as code page 932 text too");
    } else {
      reporter.unextractable("entry \"" + printable(raw) + "\": the name is neither code page 932 nor UTF-8");
    }
    return false;
  }
  // Tools on UTF-8 systems often store UTF-8 names without the flag. Such bytes may still
  // pass as code page 932, but as different characters (mojibake on Windows); the author
  // has to say which it is.
  bool nonAscii = false;
  for (unsigned char c : raw) nonAscii = nonAscii || c >= 0x80;
  if (nonAscii && isValidUtf8(raw)) {
    reporter.suggest("--utf8-names takes names without the UTF-8 flag as UTF-8");
    reporter.unextractable("entry \"" + raw + "\": the name is not flagged UTF-8 but reads as UTF-8; as code page "
                           "932 it would show as \"" + shownName(raw) + "\" (use --utf8-names if it is UTF-8)");
  }
  return true;
}

// The fields of one central record; `p` moves past it. False (reported) when it overruns.
bool parseCentralRecord(InputFile& file, size_t& p, size_t directoryEnd, ZipEntry& entry,
                        uint32_t& localOffset, uint16_t& diskStart, Reporter& reporter) {
  if (p + CDH_SIZE > directoryEnd || le32(bytesAt(file, p)) != SIG_CENTRAL) {
    reporter.error("the central directory is damaged (no central header where one belongs)");
    return false;
  }
  const uint8_t* c = bytesAt(file, p);
  size_t nameLength = le16(c + CDH_NAME_LENGTH), extraLength = le16(c + CDH_EXTRA_LENGTH),
         commentLength = le16(c + CDH_COMMENT_LENGTH);
  if (p + CDH_SIZE + nameLength + extraLength + commentLength > directoryEnd) {
    reporter.error("the central directory is damaged (a record runs past its end)");
    return false;
  }
  entry.versionMade = le16(c + CDH_VERSION_MADE);
  // The low byte is the version; some writers put the host system in the high byte, as
  // in "version made by". The stub reads the whole field, so the high byte is dropped.
  entry.versionNeeded = le16(c + CDH_VERSION_NEEDED) & 0xFF;
  entry.flags = le16(c + CDH_FLAGS);
  entry.method = le16(c + CDH_METHOD);
  entry.time = le16(c + CDH_TIME);
  entry.date = le16(c + CDH_DATE);
  entry.crc = le32(c + CDH_CRC32);
  entry.compressedSize = le32(c + CDH_COMPRESSED);
  entry.uncompressedSize = le32(c + CDH_UNCOMPRESSED);
  entry.internalAttributes = le16(c + CDH_INTERNAL_ATTR);
  entry.externalAttributes = le32(c + CDH_EXTERNAL_ATTR);
  entry.name = file.text(p + CDH_NAME, nameLength);
  entry.centralExtra = file.text(p + CDH_NAME + nameLength, extraLength);
  entry.comment = file.text(p + CDH_NAME + nameLength + extraLength, commentLength);
  localOffset = le32(c + CDH_LOCAL_OFFSET);
  diskStart = le16(c + CDH_DISK_START);
  p += CDH_SIZE + nameLength + extraLength + commentLength;
  return true;
}

// The local header of an entry: its extra field and where the stored bytes behind it lie.
bool readLocalPart(InputFile& file, const std::string& path, int64_t local, ZipEntry& entry,
                   const std::string& shown, Reporter& reporter) {
  if (local < 0 || static_cast<uint64_t>(local) + LFH_SIZE > file.size() ||
      le32(bytesAt(file, static_cast<size_t>(local))) != SIG_LOCAL) {
    reporter.error("entry \"" + shown + "\": its local header is missing or damaged");
    return false;
  }
  size_t at = static_cast<size_t>(local);
  const uint8_t* l = bytesAt(file, at);
  size_t nameLength = le16(l + LFH_NAME_LENGTH), extraLength = le16(l + LFH_EXTRA_LENGTH);
  uint64_t dataStart = static_cast<uint64_t>(at) + LFH_SIZE + nameLength + extraLength;
  if (dataStart + entry.compressedSize > file.size()) {
    reporter.error("entry \"" + shown + "\": its data runs past the end of the file");
    return false;
  }
  entry.localExtra = file.text(at + LFH_SIZE + nameLength, extraLength);
  entry.sourcePath = path;
  entry.sourceOffset = dataStart;
  return true;
}

// The values of the ZIP64 extra field: each value that the central record marks with all
// bits set follows there, in the order uncompressed size, compressed size, local header
// offset, disk number. False (reported) when one is missing or needs more than 32 bits.
bool takeZip64Values(ZipEntry& entry, uint32_t& localOffset, uint16_t& diskStart, const std::string& shown,
                     Reporter& reporter) {
  std::string field;
  forEachExtraField(entry.centralExtra, [&](uint16_t tag, size_t at, size_t length) {
    if (tag == EXTRA_ZIP64 && field.empty()) field.assign(entry.centralExtra, at + 4, length - 4);
  });
  size_t p = 0;
  auto take = [&](uint64_t& value, size_t size) {
    if (p + size > field.size()) return false;
    value = size == 8 ? le64(bytesAt(field, p)) : le32(bytesAt(field, p));
    p += size;
    return true;
  };
  uint64_t uncompressed = entry.uncompressedSize, compressed = entry.compressedSize, offset = localOffset,
           disk = diskStart;
  bool ok = (entry.uncompressedSize != 0xFFFFFFFFu || take(uncompressed, 8)) &&
            (entry.compressedSize != 0xFFFFFFFFu || take(compressed, 8)) &&
            (localOffset != 0xFFFFFFFFu || take(offset, 8)) && (diskStart != 0xFFFF || take(disk, 4));
  if (!ok) {
    reporter.error("entry \"" + shown + "\": its ZIP64 extra field lacks a value its header leaves to it");
    return false;
  }
  if (uncompressed >= 0xFFFFFFFFu || compressed >= 0xFFFFFFFFu || offset >= 0xFFFFFFFFu || disk > 0xFFFF) {
    reporter.error("entry \"" + shown + "\": 4 GB or more, which only ZIP64 can hold; the stub cannot read it");
    return false;
  }
  entry.uncompressedSize = static_cast<uint32_t>(uncompressed);
  entry.compressedSize = static_cast<uint32_t>(compressed);
  localOffset = static_cast<uint32_t>(offset);
  diskStart = static_cast<uint16_t>(disk);
  entry.centralExtra = withoutExtraField(entry.centralExtra, EXTRA_ZIP64);
  if (entry.versionNeeded == VERSION_ZIP64) entry.versionNeeded = 20;
  return true;
}

// Info-ZIP and 7-Zip number NTFS 11 where the format's own table has 10; VFAT is 14.
constexpr int HOST_NTFS_INFOZIP = 11;
constexpr int HOST_VFAT = 14;

// An entry of a writer on MS-DOS, OS/2 or Windows file systems, whose names cannot hold
// '\': where one has it, it stands between folders.
bool backslashSeparates(const ZipEntry& entry) {
  int host = entry.versionMade >> 8;
  return host == HOST_MSDOS || host == HOST_OS2_HPFS || host == HOST_NTFS || host == HOST_NTFS_INFOZIP ||
         host == HOST_VFAT;
}

bool readEntry(InputFile& file, const std::string& path, size_t& p, size_t directoryEnd, int64_t shift,
               const InputOptions& options, ZipEntry& entry, bool& leftOut, bool& zip64,
               Reporter& reporter) {
  uint32_t localOffset;
  uint16_t diskStart;
  if (!parseCentralRecord(file, p, directoryEnd, entry, localOffset, diskStart, reporter)) return false;
  if (!options.excludes.empty()) {
    // Patterns see the name as it will be written (see slashesForBackslashes).
    std::string text = isValidUtf8(entry.name) ? entry.name : cp932ToUtf8(entry.name);
    if (backslashSeparates(entry)) std::replace(text.begin(), text.end(), '\\', '/');
    if (excluded(text, options.excludes)) {
      leftOut = true;
      return true;
    }
  }
  std::string shown = printable(entry.name);
  if (entry.compressedSize == 0xFFFFFFFFu || entry.uncompressedSize == 0xFFFFFFFFu ||
      localOffset == 0xFFFFFFFFu || diskStart == 0xFFFF || hasExtraField(entry.centralExtra, EXTRA_ZIP64)) {
    zip64 = true;
    if (!takeZip64Values(entry, localOffset, diskStart, shown, reporter)) return false;
  }
  if (diskStart != 0) {
    reporter.error("entry \"" + shown + "\" lies on another disk; split archives are not supported");
    return false;
  }
  if (!readLocalPart(file, path, static_cast<int64_t>(localOffset) + shift, entry, shown, reporter)) return false;
  if (hasExtraField(entry.localExtra, EXTRA_ZIP64)) {
    zip64 = true;
    entry.localExtra = withoutExtraField(entry.localExtra, EXTRA_ZIP64);
    if (entry.versionNeeded == VERSION_ZIP64) entry.versionNeeded = 20;
  }
  return true;
}

// The name of an entry in code page 932 (and its comment, which is UTF-8 under the same
// flag: the stub does not show it, but a reader that does must not see UTF-8 taken for
// code page 932).
void takeName(ZipEntry& entry, const InputOptions& options, Reporter& reporter) {
  bool utf8 = (entry.flags & GPF_UTF8) != 0;
  if (convertName(entry, utf8, options, reporter) && utf8) {
    std::string comment;
    entry.comment = utf8ToCp932(entry.comment, comment) ? comment : std::string();
  }
}

// Writers on MS-DOS, OS/2 and Windows file systems (backslashSeparates) that put '\'
// between folders, as some Windows tools write their archives: the stub takes it as a
// separator as well, and the name is written with '/', as every reader expects. True when
// the name changed. A Unix writer's '\' is part of a file name and stays for the name
// checks to refuse. The stub's own walk turns them, on code page 932 characters.
bool slashesForBackslashes(ZipEntry& entry) {
  if (!backslashSeparates(entry)) return false;
  std::string stored = entry.name;
  NormaliseSeparators(&entry.name[0], static_cast<uint32_t>(entry.name.size()));
  return entry.name != stored;
}

// True when the names without the UTF-8 flag (and without a Unicode Path field) that are
// not plain ASCII are all UTF-8 and none of them is code page 932 text: then UTF-8 is the
// only reading, whatever tool left the flag out.
bool unflaggedNamesAreUtf8(const ZipArchive& archive) {
  bool any = false;
  for (const ZipEntry& e : archive.entries) {
    std::string unicode;
    if ((e.flags & GPF_UTF8) || unicodePathName(e.centralExtra, e.name, unicode) ||
        unicodePathName(e.localExtra, e.name, unicode)) {
      continue;
    }
    bool ascii = std::all_of(e.name.begin(), e.name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii) continue;
    if (!isValidUtf8(e.name) || isValidCp932(e.name)) return false;
    any = true;
  }
  return any;
}

}  // namespace


bool readZipInput(const std::string& path, const InputOptions& options, ZipArchive& archive,
                  Reporter& reporter) {
  InputFile file;
  if (!file.open(path)) {
    reporter.error("cannot read " + path);
    return false;
  }
  size_t end;
  if (!findEndRecord(file, end)) {
    reporter.error(path + " is not a ZIP archive (no end of central directory record)");
    return false;
  }
  const uint8_t* e = bytesAt(file, end);
  bool zip64 = false;
  uint64_t total = le16(e + EOCD_ENTRIES_TOTAL), size = le32(e + EOCD_DIRECTORY_SIZE),
           offset = le32(e + EOCD_DIRECTORY_OFFSET);
  size_t recordEnd = end;  // where the central directory ends: the end record or the ZIP64 one
  size_t at = 0;
  if (findZip64End(file, end, at)) {
    zip64 = true;
    const uint8_t* z = bytesAt(file, at);
    if (le32(z + Z64E_THIS_DISK) != 0) {
      reporter.error(path + " is one part of a split archive; join it first");
      return false;
    }
    total = le64(z + Z64E_ENTRIES_TOTAL);
    size = le64(z + Z64E_DIRECTORY_SIZE);
    offset = le64(z + Z64E_DIRECTORY_OFFSET);
    recordEnd = at;
    if (total > 0xFFFF || offset >= 0xFFFFFFFFu) {
      reporter.error(path + " needs ZIP64 (more than 65,535 entries or beyond 4 GB); the stub cannot read it");
      return false;
    }
  } else if (total == 0xFFFF || size == 0xFFFFFFFFu || offset == 0xFFFFFFFFu) {
    reporter.error(path + " is a ZIP64 archive without its ZIP64 end record; the stub cannot read it");
    return false;
  }
  if (le16(e + EOCD_THIS_DISK) != 0 || le16(e + EOCD_START_DISK) != 0 ||
      (le16(e + EOCD_ENTRIES_HERE) != total && le16(e + EOCD_ENTRIES_HERE) != 0xFFFF)) {
    reporter.error(path + " is one part of a split archive; join it first");
    return false;
  }
  if (size > recordEnd) {
    reporter.error(path + " is not a usable ZIP archive (the central directory size is larger than the file)");
    return false;
  }
  // Where the directory really lies may differ from what the record says (a prefix was
  // added without adjusting the offsets); every offset is shifted by the same amount.
  size_t directory = recordEnd - static_cast<size_t>(size);
  int64_t shift = static_cast<int64_t>(directory) - static_cast<int64_t>(offset);
  // The directory is held in memory while the archive is built; beyond any real one's size
  // (65,535 records with names of a path's length take some 20 MB) it is refused.
  if (size > (256u << 20)) {
    reporter.error(path + ": its central directory is larger than 256 MB");
    return false;
  }
  if (!file.holdFrom(directory)) {
    reporter.error("cannot read " + path);
    return false;
  }
  e = bytesAt(file, end);
  archive.comment = file.text(end + EOCD_SIZE, le16(e + EOCD_COMMENT_LENGTH));

  size_t p = directory;
  uint64_t localBytes = 0;
  for (uint64_t i = 0; i < total; ++i) {
    ZipEntry entry;
    bool leftOut = false;
    if (!readEntry(file, path, p, recordEnd, shift, options, entry, leftOut, zip64, reporter)) return false;
    if (leftOut) continue;
    // Local records lie apart, so together they fit in the file. Entries sharing theirs
    // would each be held with the shared extra field and written with the shared data (a
    // ZIP64 input is not read by the stub's reader, which refuses overlaps).
    localBytes += entry.localExtra.size() + entry.compressedSize;
    if (localBytes > file.size()) {
      reporter.error(path + " is damaged: entries overlap (they share their local headers or data)");
      return false;
    }
    archive.entries.push_back(std::move(entry));
  }
  InputOptions naming = options;
  if (!options.utf8Names && unflaggedNamesAreUtf8(archive)) {
    naming.utf8Names = true;
    Reporter::notice(path + ": names without the UTF-8 flag are UTF-8 (none of them is code page 932 text); "
                     "taken as UTF-8");
  }
  bool backslashes = false;
  for (ZipEntry& entry : archive.entries) {
    takeName(entry, naming, reporter);
    if (slashesForBackslashes(entry)) backslashes = true;
  }
  if (backslashes) Reporter::notice(path + ": names of a Windows writer have '\\' between folders; written with '/'");
  // The stub reads no ZIP64 records. Tools write them for small archives too (Info-ZIP zip
  // for data from a pipe, zipfile when told to); every value has been taken into 32 bits
  // above, and the archive is written without them. Such an input is read by the builder
  // alone; the dry run reads the result with the stub's reader.
  if (zip64) {
    Reporter::notice(path + ": its ZIP64 records, which the stub cannot read, are left out (every value fits in "
                     "32 bits)");
    return true;
  }
  return checkWithStubReader(path, static_cast<uint32_t>(shift), reporter);
}

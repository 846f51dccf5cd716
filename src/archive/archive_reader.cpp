// The archive reader: opening the archive named by the archive pattern, the end record search, the
// spanning probe, the central directory loader, local headers, reads that continue on the
// next disk, and disk changes. The directory is read in chunks that end on record
// boundaries and is never copied again: the entry table points into the chunks. Every
// failure is a numbered report (fatal or archive-format) and ends the process.
#include "archive/archive_reader.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "decode/crc32.h"
#include "report/user_prompts.h"
#include "options/option_state.h"

using ErrorReporter::FatalError, ErrorReporter::FormatError, ErrorReporter::SetReportedArchive;

namespace {

constexpr const char* MODULE = "ZIPFILE";

constexpr uint32_t SPAN_PROBE_BYTES = 36;

// The shortest data descriptor: CRC-32 and the two sizes; the signature in front of them is
// optional, and the ZIP64 form is longer.
constexpr uint32_t DATA_DESCRIPTOR_LEAST = 12;
// No entry or directory behind a local record on its disk.
constexpr uint64_t NO_LIMIT = ~uint64_t{0};

uint32_t recordLength(const uint8_t* record) {
  return CDH_SIZE + le16(record + CDH_NAME_LENGTH) + le16(record + CDH_EXTRA_LENGTH) +
         le16(record + CDH_COMMENT_LENGTH);
}

// Searches backwards from the end of a file of `size` bytes for the end record signature,
// in windows of at most 1,024 bytes that step back 1,002 bytes, so that consecutive windows
// overlap and every position where a 22-byte record fits is tested, the highest first.
// `readAt(position, buffer, n)` fills `buffer` with n bytes or returns false.
template <typename ReadAt>
bool findEndSignature(uint32_t size, ReadAt readAt, uint32_t* found) {
  uint8_t window[END_SEARCH_WINDOW];
  uint32_t w = size < END_SEARCH_WINDOW ? size : END_SEARCH_WINDOW;
  if (w < EOCD_SIZE) return false;
  uint32_t p = size - w;
  for (;;) {
    std::memset(window, 0, sizeof window);
    if (!readAt(p, window, w)) return false;
    for (uint32_t offset = w - EOCD_SIZE + 1; offset-- > 0;) {
      if (le32(window + offset) == SIG_END) {
        *found = p + offset;
        return true;
      }
    }
    if (p == 0) return false;
    if (p <= END_SEARCH_STEP) {
      w = p + EOCD_SIZE - 1;  // every position below the previous window's first
      p = 0;
    } else {
      p -= END_SEARCH_STEP;
    }
  }
}

// Reads the decimal number that starts at the ninth character of a volume label (leading
// blanks and a sign allowed); 0 when there is none.
int labelDiskNumber(const char* label) {
  if (std::strlen(label) < 9) return 0;
  const char* p = label + 8;
  while (*p == ' ' || *p == '\t') ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  long value = 0;
  for (; *p >= '0' && *p <= '9' && value < 100000; ++p) value = value * 10 + (*p - '0');
  return static_cast<int>(negative ? -value : value);
}

}  // namespace

// Directory block: its header, then the chunk, then 4 spare zero bytes.
struct ArchiveReader::DirectoryBlock {
  DirectoryBlock* next;
  uint32_t length;
  uint8_t* data() { return reinterpret_cast<uint8_t*>(this + 1); }
};

// ---- hooks --------------------------------------------------------------------------

void CopyEndRecord(uint8_t* destination, const uint8_t* source) {
  SFX_ASSERT(MODULE, destination != nullptr, "pDest != NULL");
  SFX_ASSERT(MODULE, source != nullptr, "pSource != NULL");
  std::memcpy(destination, source, EOCD_SIZE);
}

EntryRecord* AdoptCentralRecord(uint8_t* source) {
  SFX_ASSERT(MODULE, source != nullptr, "pSource != NULL");
  return source;
}

void ReadLocalFixed(ArchiveReader* reader, uint8_t* destination) {
  SFX_ASSERT(MODULE, destination != nullptr, "pLocal != NULL");
  reader->ReadExact(destination, LFH_SIZE);
}

// ---- life ---------------------------------------------------------------------------------

ArchiveReader::ArchiveReader() { SetReportedArchive(this); }

ArchiveReader::~ArchiveReader() {
  Close();
  freeDirectory();
  freeLocalExtra();
  endSearch();
  std::free(ahead_);
  SetReportedArchive(nullptr);
}

void ArchiveReader::SetArchiveSpec(const char* spec) {
  CopyName(archiveSpec_, spec, static_cast<uint32_t>(std::strlen(spec)));
}

void ArchiveReader::setExtractionDirectory(const char* directory) {
  CopyName(extractionDirectory_, directory, static_cast<uint32_t>(std::strlen(directory)));
}

void ArchiveReader::destroyStream() {
  dropReadAhead();
  delete zipStream_;
  zipStream_ = nullptr;
}

void ArchiveReader::freeLocalExtra() {
  std::free(localExtra_);
  localExtra_ = nullptr;
  localExtraLength_ = 0;
}

void ArchiveReader::endSearch() {
  if (searchHandle_ != SYS_INVALID_HANDLE) SysFindClose(searchHandle_);
  searchHandle_ = SYS_INVALID_HANDLE;
}

void ArchiveReader::freeDirectory() {
  while (blocks_ != nullptr) {
    DirectoryBlock* next = blocks_->next;
    std::free(blocks_);
    blocks_ = next;
  }
  std::free(entries_);
  entries_ = nullptr;
  std::free(places_);
  places_ = nullptr;
  std::free(endRecord_);
  endRecord_ = nullptr;
  entryCount_ = 0;
  loadedCount_ = 0;
}

void ArchiveReader::Close() {
  if (zipStream_ == nullptr) return;
  freeDirectory();
  destroyStream();
}

void ArchiveReader::Release() {
  freeLocalExtra();
  endSearch();
  Close();
}

// ---- opening ------------------------------------------------------------------------------

bool ArchiveReader::nextMatch(FindRecord* found) {
  if (!searchStarted_) {
    searchStarted_ = true;
    searchHandle_ = SysFindFirst(archiveSpec_, found);
    if (searchHandle_ == SYS_INVALID_HANDLE) {
      if (SysLastError() == SYS_ERROR_NOT_READY) FatalError(FATAL_NOT_READY, archiveSpec_);
      return false;
    }
    return true;
  }
  if (searchHandle_ == SYS_INVALID_HANDLE) return false;
  if (SysFindNext(searchHandle_, found) == 0) return true;
  endSearch();
  return false;
}

bool ArchiveReader::Open() {
  int command = Options().command;
  if ((archivePath_[0] != '\0' && ModifiesArchive(command)) || spanned_) return false;
  fileSize_ = 0;
  FindRecord found;
  if (nextMatch(&found)) {
    // A found name that cannot be joined to the pattern's directory within 259 characters
    // names no file that can be opened.
    if (!JoinFits(archiveSpec_, found.name)) FatalError(FATAL_ARCHIVE_UNREADABLE, archiveSpec_);
    JoinSpecDirectory(archivePath_, archiveSpec_, found.name);
    SysFullPath(fullPath_, archivePath_);
    destroyStream();
    reopen();
    archiveAbsent_ = false;
    driveType_ = driveTypeOf(fullPath_);
    return true;
  }
  if (archivePath_[0] != '\0') return false;
  if (ReadsEntryData(command)) FatalError(FATAL_ARCHIVE_NOT_FOUND, archiveSpec_);
  std::memcpy(archivePath_, archiveSpec_, sizeof archivePath_);
  archiveAbsent_ = true;
  SysFullPath(fullPath_, archivePath_);
  driveType_ = driveTypeOf(fullPath_);
  return true;
}

void ArchiveReader::reopen() {
  uint32_t access = SYS_GENERIC_READ;
  if (ModifiesArchive(Options().command)) access |= SYS_GENERIC_WRITE;
  zipStream_ = new (std::nothrow)
      FileStream(archivePath_, access, SYS_FILE_SHARE_READ, SYS_OPEN_EXISTING, SYS_ATTR_NORMAL);
  if (zipStream_ == nullptr || !zipStream_->IsOpen()) {
    uint32_t error = SysLastError();
    destroyStream();
    FatalError(error == SYS_ERROR_ACCESS_DENIED ? FATAL_WRITE_ACCESS : FATAL_ARCHIVE_UNREADABLE, archivePath_);
  }
  fileSize_ = zipStream_->Seek(0, SYS_FPOS_END);
  zipStream_->Seek(0, SYS_FPOS_BEGIN);
}

uint32_t ArchiveReader::position() const {
  return zipStream_ ? zipStream_->position() - (aheadLength_ - aheadOffset_) : 0;
}

// Positions the stream; a seek is made only when the stream is not there already.
void ArchiveReader::seekTo(uint32_t position, int failureCode) {
  SFX_ASSERT(MODULE, zipStream_ != nullptr, "pZipStream != NULL");
  dropReadAhead();
  if (zipStream_->position() == position) return;
  if (zipStream_->Seek(static_cast<int32_t>(position), SYS_FPOS_BEGIN) != position) {
    FormatError(failureCode, nullptr);
  }
}

// Makes the read-ahead start at `position` with at least `needed` bytes in it: kept when it
// holds them already (the local header of a small entry follows the previous entry's data),
// else filled by one read. False when no buffer could be had or the archive ends before
// `needed` bytes; the stream then stands at `position` with nothing read ahead.
bool ArchiveReader::fillReadAhead(uint32_t position, uint32_t needed) {
  if (aheadLength_ != 0 && position >= aheadStart_ && position - aheadStart_ <= aheadLength_ &&
      aheadLength_ - (position - aheadStart_) >= needed) {
    aheadOffset_ = position - aheadStart_;
    return true;
  }
  seekTo(position, FORMAT_LOCAL_HEADER);
  if (ahead_ == nullptr) ahead_ = static_cast<uint8_t*>(std::malloc(READ_AHEAD_SIZE));
  if (ahead_ == nullptr) return false;  // reads go straight to the stream
  uint32_t got = 0;
  if (zipStream_->Read(ahead_, READ_AHEAD_SIZE, &got) != 0) FormatError(FORMAT_READ, nullptr);
  aheadStart_ = position;
  aheadLength_ = got;
  aheadOffset_ = 0;
  // A split archive's header may continue on the next disk: read it without the buffer.
  if (got >= needed) return true;
  seekTo(position, FORMAT_LOCAL_HEADER);
  return false;
}

// ---- spanning probe -------------------------------------------------------------------------

int ArchiveReader::spanningProbe() {
  if (driveTypeOf(fullPath_) != SYS_DRIVE_REMOVABLE) return SPAN_NONE;
  FileStream probe(archivePath_, SYS_GENERIC_READ, SYS_FILE_SHARE_READ, SYS_OPEN_EXISTING,
                   SYS_ATTR_NORMAL);
  if (!probe.IsOpen()) return SPAN_NONE;
  uint8_t head[SPAN_PROBE_BYTES] = {};
  uint32_t got = 0;
  if (probe.Read(head, SPAN_PROBE_BYTES, &got) == 0) {
    if (le32(head) == SIG_SPANNING) return SPAN_FIRST_DISK;
    if (head[0] == 'M' && head[1] == 'Z') {
      // A self-extracting first disk: the marker follows the program header, or sits at a
      // fixed offset behind a larger program image.
      if (le32(head + SPAN_MARKER_OFFSET_MZ) == SIG_SPANNING) return SPAN_FIRST_DISK;
      uint8_t later[SPAN_PROBE_BYTES] = {};
      if (probe.Seek(SPAN_MARKER_OFFSET_ALT, SYS_FPOS_BEGIN) == SPAN_MARKER_OFFSET_ALT &&
          probe.Read(later, SPAN_PROBE_BYTES, &got) == 0 && got >= 4 &&
          le32(later) == SIG_SPANNING) {
        return SPAN_FIRST_DISK;
      }
    }
  }
  uint32_t size = probe.Seek(0, SYS_FPOS_END);
  auto readAt = [&probe](uint32_t position, uint8_t* buffer, uint32_t n) {
    uint32_t read = 0;
    return probe.Seek(static_cast<int32_t>(position), SYS_FPOS_BEGIN) == position &&
           probe.Read(buffer, n, &read) == 0;
  };
  uint32_t position = 0;
  if (!findEndSignature(size, readAt, &position)) return SPAN_NONE;
  uint8_t record[EOCD_SIZE] = {};
  if (!readAt(position, record, EOCD_SIZE)) return SPAN_NONE;
  return le16(record + EOCD_THIS_DISK) != 0 ? SPAN_END_DISK : SPAN_NONE;
}

// ---- the end record -----------------------------------------------------------------------

void ArchiveReader::locateEndRecord() {
  if (fileSize_ < EOCD_SIZE) FormatError(FORMAT_TOO_SMALL, nullptr);
  int span = spanningProbe();
  if (span != SPAN_NONE) {
    if (driveType_ == SYS_DRIVE_REMOVABLE && ModifiesArchive(Options().command)) {
      FatalError(FATAL_SPLIT_MODIFY, nullptr);
    }
    destroyStream();
    spanned_ = true;
    if (span == SPAN_FIRST_DISK) {
      UserPrompts* prompts = GetUserPrompts();
      if (prompts == nullptr || prompts->askLastDisk() == ANSWER_GIVE_UP) {
        FatalError(FATAL_ABORTED, nullptr);
      }
    }
    reopen();
    if (fileSize_ < EOCD_SIZE) FormatError(FORMAT_TOO_SMALL, nullptr);
  }
  auto readAt = [this](uint32_t position, uint8_t* buffer, uint32_t n) {
    seekTo(position, FORMAT_READ);
    Read(buffer, n);
    return true;
  };
  uint32_t position = 0;
  if (!findEndSignature(fileSize_, readAt, &position)) FormatError(FORMAT_NO_END_RECORD, nullptr);

  uint8_t fixed[EOCD_SIZE] = {};
  seekTo(position, FORMAT_READ);
  Read(fixed, EOCD_SIZE);
  uint16_t commentLength = le16(fixed + EOCD_COMMENT_LENGTH);
  // One spare zero byte keeps the comment a terminated text for its readers.
  endRecord_ = static_cast<uint8_t*>(std::calloc(EOCD_SIZE + commentLength + 1u, 1));
  if (endRecord_ == nullptr) FatalError(FATAL_NO_MEMORY_DIRECTORY, nullptr);
  copyEndRecord(endRecord_, fixed);
  // The comment is read only as far as the file reaches: a damaged length must not send a
  // read of the last disk on to a disk that does not exist.
  uint32_t available = fileSize_ - position - EOCD_SIZE;
  uint32_t wanted = commentLength < available ? commentLength : available;
  if (wanted > 0) Read(endRecord_ + EOCD_SIZE, wanted);
}

// ---- the central directory ------------------------------------------------------------------

int ArchiveReader::LoadDirectory() {
  SFX_ASSERT(MODULE, zipStream_ != nullptr || archiveAbsent_, "pZipStream != NULL");
  freeDirectory();
  if (archiveAbsent_) {
    fileSize_ = 0;
    endRecord_ = static_cast<uint8_t*>(std::calloc(EOCD_SIZE + 1, 1));
    if (endRecord_ == nullptr) FatalError(FATAL_NO_MEMORY_DIRECTORY, nullptr);
    putLe32(endRecord_ + EOCD_SIGNATURE, SIG_END);
    return 0;
  }
  locateEndRecord();
  return loadCentralDirectory();
}

int ArchiveReader::loadCentralDirectory() {
  const uint8_t* end = endRecord_;
  entryCount_ = le16(end + EOCD_ENTRIES_TOTAL);
  uint16_t thisDisk = le16(end + EOCD_THIS_DISK);
  uint16_t startDisk = le16(end + EOCD_START_DISK);
  endRecordDisk_ = thisDisk;
  currentDisk_ = thisDisk;
  if (thisDisk != 0 && driveTypeOf(fullPath_) == SYS_DRIVE_REMOVABLE) {
    spanned_ = true;
    if (startDisk != thisDisk) ChangeDisk(startDisk);
    currentDisk_ = startDisk;
  }

  uint32_t offset = le32(end + EOCD_DIRECTORY_OFFSET) + offsetShift_;
  directoryOffset_ = offset;
  directorySize_ = le32(end + EOCD_DIRECTORY_SIZE);
  directoryDisk_ = spanned_ ? startDisk : 0;
  if (entryCount_ != 0) {
    uint8_t signature[4] = {};
    seekTo(offset, FORMAT_READ);
    Read(signature, sizeof signature);
    if (le32(signature) != SIG_CENTRAL) FormatError(FORMAT_READ, nullptr);
    seekTo(offset, FORMAT_READ);
  }
  if (entryCount_ == 0) return 0;
  int limit = Options().reducedDirectory ? ENTRY_LIMIT_REDUCED : ENTRY_LIMIT;
  if (entryCount_ >= limit) FormatError(FORMAT_TOO_MANY, fullPath_);

  entries_ = static_cast<EntryRecord**>(std::calloc(static_cast<size_t>(entryCount_), sizeof *entries_));
  places_ = static_cast<LocalPlace*>(std::calloc(static_cast<size_t>(entryCount_), sizeof *places_));
  if (entries_ == nullptr || places_ == nullptr) {
    freeDirectory();
    FatalError(FATAL_NO_MEMORY_DIRECTORY, nullptr);
  }

  uint32_t remaining = le32(end + EOCD_DIRECTORY_SIZE);
  while (remaining > 0 && loadedCount_ < entryCount_) {
    uint32_t chunk = remaining < DIRECTORY_CHUNK ? remaining : DIRECTORY_CHUNK;
    uint32_t position = zipStream_->position();
    uint32_t leftOnDisk = fileSize_ > position ? fileSize_ - position : 0;
    if (spanned_ && chunk >= leftOnDisk) chunk = leftOnDisk;
    // Nothing left to read here (the directory claims bytes behind the end of its disk):
    // the load could make no progress.
    if (chunk == 0) FormatError(FORMAT_READ, nullptr);

    auto* block = static_cast<DirectoryBlock*>(std::calloc(sizeof(DirectoryBlock) + chunk + 4, 1));
    if (block == nullptr) {
      freeDirectory();
      FatalError(FATAL_NO_MEMORY_DIRECTORY, nullptr);
    }
    block->next = blocks_;
    blocks_ = block;
    ReadExact(block->data(), chunk);

    if (chunk != remaining) {
      uint32_t kept = trimChunk(block->data(), chunk, remaining);
      if (kept < chunk) {
        std::memset(block->data() + kept, 0, chunk - kept);
        zipStream_->Seek(-static_cast<int32_t>(chunk - kept), SYS_FPOS_CURRENT);
        chunk = kept;
      } else if (spanned_ && zipStream_->position() >= fileSize_ && currentDisk_ != endRecordDisk_) {
        ChangeDisk(currentDisk_ + 1);
      }
    }
    block->length = chunk;
    scanChunk(block->data(), chunk);
    remaining -= chunk;
  }
  if (loadedCount_ < entryCount_) FormatError(FORMAT_NO_END_RECORD, nullptr);
  checkLocalPlaces();
  return 0;
}

// The length of the chunk's leading part that ends on a record boundary. Records are
// followed from the start with the same byte-by-byte skipping of damage as the scan; the
// chunk is cut where a record starts that does not end inside it (it is read again with
// the next chunk). A record that could never fit one chunk (longer than a chunk, or split
// across two disks) is format error 150: cutting before it would make no progress.
uint32_t ArchiveReader::trimChunk(const uint8_t* data, uint32_t chunk, uint32_t remaining) const {
  uint32_t pos = 0;
  while (pos < chunk) {
    if (chunk - pos < 4) break;  // a signature may continue in the next chunk
    if (le32(data + pos) != SIG_CENTRAL) {
      ++pos;
      continue;
    }
    if (chunk - pos < CDH_SIZE) break;  // the fixed part continues in the next chunk
    uint32_t length = recordLength(data + pos);
    if (length <= chunk - pos) {
      pos += length;
      continue;
    }
    // A record that reaches past the whole directory is damage: skipped like garbage.
    if (length > remaining - pos) {
      ++pos;
      continue;
    }
    break;
  }
  if (pos == 0) FormatError(FORMAT_READ, nullptr);
  return pos;
}

void ArchiveReader::scanChunk(uint8_t* data, uint32_t chunk) {
  uint32_t pos = 0;
  while (pos < chunk && loadedCount_ < entryCount_) {
    // Only a record that lies wholly inside its chunk is taken; a signature whose lengths
    // reach past the chunk (damage) is skipped like any other damaged byte.
    if (chunk - pos >= CDH_SIZE && le32(data + pos) == SIG_CENTRAL &&
        recordLength(data + pos) <= chunk - pos) {
      EntryRecord* entry = adoptCentralRecord(data + pos);
      uint16_t nameLength = le16(entry + CDH_NAME_LENGTH);
      char* name = reinterpret_cast<char*>(entry + CDH_NAME);
      LocalPlace& place = places_[loadedCount_];
      place.offset = localOffset(entry);
      place.disk = spanned_ ? le16(entry + CDH_DISK_START) : 0;  // one file: the disk is not read
      place.nameCrc = ~Crc32Update(entry + CDH_NAME, nameLength, 0xFFFFFFFFu);
      place.entry = entry;
      if (convertNames_) SysConvertName(name, name, nameLength, SYS_OEM_TO_ANSI);
      NormaliseSeparators(name, nameLength);
      entries_[loadedCount_++] = entry;
      pos += recordLength(entry);
    } else {
      ++pos;
    }
  }
  // A whole central record right behind the last one announced: the end record's count is
  // damaged, and the entries behind it would be left out without a word.
  if (loadedCount_ == entryCount_ && chunk - pos >= CDH_SIZE && le32(data + pos) == SIG_CENTRAL &&
      recordLength(data + pos) <= chunk - pos) {
    FormatError(FORMAT_NO_END_RECORD, nullptr);
  }
}

// ---- overlapping entries ----------------------------------------------------------------------

// Entries whose local records overlap make the archive damaged (or hostile): central records
// sharing one local header, or data running over the local headers behind it, would decode
// the same bytes again and again. In file order every entry must end, as far as its central
// record tells (local header, name, compressed data and, with the data-descriptor flag, the
// shortest descriptor), at or before the next entry's local header and the central
// directory, and no local header may lie inside the directory. Only the local header knows
// its extra field: ReadLocalHeader checks the full extent when it reads it.
void ArchiveReader::checkLocalPlaces() {
  std::sort(places_, places_ + loadedCount_, [](const LocalPlace& a, const LocalPlace& b) {
    return a.disk != b.disk ? a.disk < b.disk : a.offset < b.offset;
  });
  for (int i = 0; i < loadedCount_; ++i) {
    const LocalPlace& place = places_[i];
    const EntryRecord* entry = place.entry;
    bool insideDirectory = place.disk == directoryDisk_ && place.offset >= directoryOffset_ &&
                           place.offset - directoryOffset_ < directorySize_;
    uint64_t leastEnd = uint64_t{place.offset} + LFH_SIZE + entryNameLength(entry) + le32(entry + CDH_COMPRESSED) +
                        ((le16(entry + CDH_FLAGS) & GPF_DATA_DESCRIPTOR) ? DATA_DESCRIPTOR_LEAST : 0);
    if (insideDirectory || leastEnd > placeLimit(&place)) FormatError(FORMAT_LOCAL_HEADER, nullptr);
  }
}

// Where the entry's records must end: the next local header on its disk, or the central
// directory when that lies behind it on the same disk.
uint64_t ArchiveReader::placeLimit(const LocalPlace* place) const {
  uint64_t limit = NO_LIMIT;
  const LocalPlace* next = place + 1;
  if (next < places_ + loadedCount_ && next->disk == place->disk) limit = next->offset;
  if (place->disk == directoryDisk_ && place->offset < directoryOffset_ && directoryOffset_ < limit) {
    limit = directoryOffset_;
  }
  return limit;
}

// The entry's place, found by its disk and offset (unique once the directory is loaded).
const ArchiveReader::LocalPlace* ArchiveReader::placeOf(const EntryRecord* entry) const {
  LocalPlace key{localOffset(entry), static_cast<uint16_t>(spanned_ ? le16(entry + CDH_DISK_START) : 0),
                 0, entry};
  const LocalPlace* begin = places_;
  const LocalPlace* end = places_ + loadedCount_;
  const LocalPlace* found = std::lower_bound(begin, end, key, [](const LocalPlace& a, const LocalPlace& b) {
    return a.disk != b.disk ? a.disk < b.disk : a.offset < b.offset;
  });
  return found != end && found->entry == entry ? found : nullptr;
}

// The local name must be the central name byte for byte (both as stored, before any
// conversion): no checksum covers names, so this is how a damaged name shows.
void ArchiveReader::compareLocalName(const LocalPlace* place, uint16_t nameLength) {
  if (nameLength != entryNameLength(place->entry)) FormatError(FORMAT_LOCAL_HEADER, nullptr);
  uint8_t piece[256];
  uint32_t crc = 0xFFFFFFFFu;
  for (uint32_t left = nameLength; left > 0;) {
    uint32_t n = left < sizeof piece ? left : static_cast<uint32_t>(sizeof piece);
    ReadExact(piece, n);
    crc = Crc32Update(piece, n, crc);
    left -= n;
  }
  if (~crc != place->nameCrc) FormatError(FORMAT_LOCAL_HEADER, nullptr);
}

// ---- reading --------------------------------------------------------------------------------

uint32_t ArchiveReader::Read(void* buffer, uint32_t n) {
  SFX_ASSERT(MODULE, zipStream_ != nullptr, "pZipStream != NULL");
  if (n == 0) return 0;
  auto* out = static_cast<uint8_t*>(buffer);
  uint32_t got = 0;
  if (aheadOffset_ < aheadLength_) {
    got = aheadLength_ - aheadOffset_ < n ? aheadLength_ - aheadOffset_ : n;
    std::memcpy(out, ahead_ + aheadOffset_, got);
    aheadOffset_ += got;
    if (got == n) return got;
  }
  // The read-ahead is used up: the stream stands where the rest begins.
  uint32_t direct = 0;
  if (zipStream_->Read(out + got, n - got, &direct) != 0) FormatError(FORMAT_READ, nullptr);
  got += direct;
  if (spanned_ && got < n) {
    ChangeDisk(currentDisk_ + 1);
    uint32_t more = 0;
    if (zipStream_->Read(out + got, n - got, &more) != 0) FormatError(FORMAT_READ, nullptr);
    got += more;
  }
  return got;
}

void ArchiveReader::ReadExact(void* buffer, uint32_t n) {
  if (Read(buffer, n) != n) FormatError(FORMAT_TRUNCATED, nullptr);
}

uint32_t ArchiveReader::ReadLocalHeader(const EntryRecord* entry) {
  freeLocalExtra();
  const LocalPlace* place = placeOf(entry);
  SFX_ASSERT(MODULE, place != nullptr, "pCnt is an entry of the directory");
  uint16_t disk = le16(entry + CDH_DISK_START);
  if (spanned_ && disk != currentDisk_) ChangeDisk(disk);
  // The header and what follows it in one read (or none, when an earlier read brought it).
  fillReadAhead(localOffset(entry), LFH_SIZE);
  uint8_t local[LFH_SIZE] = {};
  readLocalFixed(this, local);
  if (le32(local + LFH_SIGNATURE) != SIG_LOCAL) FormatError(FORMAT_LOCAL_HEADER, nullptr);
  // With the data-descriptor flag the local CRC may be zero; the central record holds it.
  if (le32(local + LFH_CRC32) != le32(entry + CDH_CRC32) &&
      (le16(local + LFH_FLAGS) & GPF_DATA_DESCRIPTOR) == 0) {
    FormatError(FORMAT_LOCAL_HEADER, nullptr);
  }
  compareLocalName(place, le16(local + LFH_NAME_LENGTH));
  uint16_t extraLength = le16(local + LFH_EXTRA_LENGTH);
  if (extraLength != 0) {
    localExtra_ = static_cast<uint8_t*>(std::malloc(extraLength + 1u));
    if (localExtra_ == nullptr) FatalError(FATAL_NO_MEMORY_DIRECTORY, nullptr);
    ReadExact(localExtra_, extraLength);
    localExtra_[extraLength] = 0;
    localExtraLength_ = extraLength;
  }
  uint32_t dataStart = position();
  // Now that the extra field is known, the data must still end before the next record. A
  // header that ran on to the next disk has its data there: the limit is of another disk.
  uint64_t dataEnd = uint64_t{dataStart} + le32(entry + CDH_COMPRESSED) +
                     ((le16(entry + CDH_FLAGS) & GPF_DATA_DESCRIPTOR) ? DATA_DESCRIPTOR_LEAST : 0);
  if ((!spanned_ || currentDisk_ == place->disk) && dataEnd > placeLimit(place)) {
    FormatError(FORMAT_LOCAL_HEADER, nullptr);
  }
  return dataStart;
}

// ---- disks ----------------------------------------------------------------------------------

void ArchiveReader::ChangeDisk(int disk) {
  for (;;) {
    destroyStream();
    UserPrompts* prompts = GetUserPrompts();
    if (prompts == nullptr || prompts->askDisk(disk + 1) == ANSWER_GIVE_UP) {
      FatalError(FATAL_ABORTED, nullptr);
    }
    reopen();
    char label[SYS_PATH_MAX + 1] = {};
    uint32_t serial = 0;
    int number = volumeLabelOf(fullPath_, label, &serial) == 0 ? labelDiskNumber(label) : -1;
    if (number == disk + 1 || number == -1) break;
  }
  currentDisk_ = static_cast<uint16_t>(disk);
}

// The archive reader (module ZIPFILE): opens the ZIP archive named by the archive pattern,
// finds the end of central directory record by searching backwards from the end of the
// file, loads the central directory into blocks and exposes it as a table of EntryRecord
// pointers into those blocks. It serves every later access to the archive (local headers,
// entry data, disk changes of an archive split over removable disks) and runs the walk that
// offers each selected entry to the extraction engine. Offsets in the archive are absolute
// positions in the opened file, so an archive appended to the stub is read unchanged.
// Every failure is a numbered report through the error reporter; the process then ends.
#pragma once

#include <cstdint>

#include "archive/zip_format.h"
#include "archive/ziplib.h"
#include "report/error_reporter.h"
#include "system/system.h"

class ArchiveReader;

// The per-entry operation of the walk: the extraction engine's context for one walk.
class EntryProcessor {
 public:
  // Extracts or tests one selected entry; non-zero stops the walk.
  virtual int ExtractEntry(const EntryRecord* entry) = 0;
  virtual int Result() = 0;
  virtual ~EntryProcessor() = default;
};

// Spanning probe results.
constexpr int SPAN_NONE = 0;
constexpr int SPAN_FIRST_DISK = 1;  // the first disk of a split archive: ask for the last
constexpr int SPAN_END_DISK = 2;    // a disk of a split archive that holds the end record

// Sizes of the directory loader. A chunk of 65,368 bytes plus the block header and spare
// bytes stays below 64 KB, so every block fits a 16-bit allocation size.
constexpr uint32_t DIRECTORY_CHUNK = 65368;
constexpr uint32_t END_SEARCH_WINDOW = 1024;
constexpr uint32_t END_SEARCH_STEP = 1002;  // window minus 22: consecutive windows overlap
constexpr int ENTRY_LIMIT = 65536;
constexpr int ENTRY_LIMIT_REDUCED = 16384;
// Bytes read at a local header: the header, its name and extra field and the first piece of
// the entry's data in one read (and, for small entries, the entries that follow).
constexpr uint32_t READ_AHEAD_SIZE = 32768;
constexpr uint32_t SPAN_MARKER_OFFSET_MZ = 32;
constexpr uint32_t SPAN_MARKER_OFFSET_ALT = 87552;

// The three hooks of the reader (plain functions; assertions of module ZIPFILE).
void CopyEndRecord(uint8_t* destination, const uint8_t* source);   // 22 bytes
EntryRecord* AdoptCentralRecord(uint8_t* source);                    // the pointer itself
void ReadLocalFixed(ArchiveReader* reader, uint8_t* destination);    // 30 bytes, exact

class ArchiveReader : public FatalReleasable {
 public:
  using CopyEndRecordHook = void (*)(uint8_t* destination, const uint8_t* source);
  using AdoptCentralRecordHook = EntryRecord* (*)(uint8_t* source);
  using ReadLocalFixedHook = void (*)(ArchiveReader* reader, uint8_t* destination);

  // Registers itself as the archive that fatal reports release.
  ArchiveReader();
  virtual ~ArchiveReader();
  ArchiveReader(const ArchiveReader&) = delete;
  ArchiveReader& operator=(const ArchiveReader&) = delete;

  void SetArchiveSpec(const char* spec);  // at most 259 characters, '\' turned into '/'
  bool Open();                            // the next file matching the pattern; false for none
  int LoadDirectory();                    // end record, spanning probe, central directory: 0
  // Reads on from the current position (the read-ahead of the last local header first);
  // continues on the next disk when spanned.
  uint32_t Read(void* buffer, uint32_t n);
  void ReadExact(void* buffer, uint32_t n);  // a short read is format error 153
  // Positions on the entry's local header, validates it (signature, CRC-32, the name byte
  // for byte, and that its data ends before the next entry's local header or the central
  // directory), keeps its extra field and returns the file position of the entry's first
  // data byte; the stream is left there. `entry` is one of this directory's entries.
  uint32_t ReadLocalHeader(const EntryRecord* entry);
  void ChangeDisk(int disk);  // 0-based; prompts until the labelled disk is in the drive
  void Close();               // frees the directory and closes the stream
  void Release() override;    // local extra, directory search, archive: for fatal reports

  // The walk over the selected entries; stops when ExtractEntry returns non-zero.
  int ExtractSelected(EntryProcessor& processor);

  // Names and selection.
  bool AcceptExtractionDirectory(const char* word, char* copy);  // copy: 260 bytes or null
  void AddInclude(const char* pattern) { selection_.AddInclude(pattern); }
  void AddExclude(const char* pattern) { selection_.AddExclude(pattern); }
  void FinishSelection() { selection_.Finish(); }
  bool IsSelected(const char* name, uint32_t length) const {
    return selection_.IsSelected(name, length);
  }
  SelectionLists& selection() { return selection_; }
  // The walk's name, date and existing-file selection for one entry.
  bool PassesSelection(const EntryRecord* entry) const;

  // Added to every offset the archive states (0 for the stub, whose archives state
  // positions in their own file). The builder checks an input whose offsets count from
  // the end of a prefix that was put before it.
  void setOffsetShift(uint32_t shift) { offsetShift_ = shift; }

  // State read by the session, the dialogs and the engine.
  int entryCount() const { return entryCount_; }
  int loadedCount() const { return loadedCount_; }  // entries found in the directory
  const EntryRecord* entry(int n) const {
    return n >= 0 && n < loadedCount_ ? entries_[n] : nullptr;
  }
  const uint8_t* endRecord() const { return endRecord_; }  // 22 bytes + comment, or null
  uint16_t commentLength() const { return endRecord_ ? le16(endRecord_ + EOCD_COMMENT_LENGTH) : 0; }
  const char* comment() const {
    return endRecord_ ? reinterpret_cast<const char*>(endRecord_ + EOCD_SIZE) : nullptr;
  }
  const char* archivePath() const { return archivePath_; }
  const char* fullPath() const { return fullPath_; }
  const char* extractionDirectory() const { return extractionDirectory_; }
  void setExtractionDirectory(const char* directory);  // empty, or ends in '/' or ':'
  const uint8_t* localExtra() const { return localExtra_; }
  uint16_t localExtraLength() const { return localExtraLength_; }
  bool spanned() const { return spanned_; }
  uint32_t fileSize() const { return fileSize_; }
  int currentDisk() const { return currentDisk_; }
  FileStream* stream() { return zipStream_; }
  // The reading position in the archive: the stream's, less what is read ahead.
  uint32_t position() const;

  // Replaceable hooks (tests); the defaults are the functions above.
  CopyEndRecordHook copyEndRecord = CopyEndRecord;
  AdoptCentralRecordHook adoptCentralRecord = AdoptCentralRecord;
  ReadLocalFixedHook readLocalFixed = ReadLocalFixed;
  // The drive services the reader asks about the archive's drive; tests replace them to
  // present a removable drive whose disks they swap from the prompts.
  using DriveTypeHook = int (*)(const char* path);
  using VolumeLabelHook = int (*)(const char* path, char* label, uint32_t* serial);
  DriveTypeHook driveTypeOf = SysDriveType;
  VolumeLabelHook volumeLabelOf = SysGetVolumeLabel;

 private:
  struct DirectoryBlock;
  // Where one entry's local record lies, for the overlap checks: the table is sorted by
  // disk (when spanned) and local header offset once the directory is loaded.
  struct LocalPlace {
    uint32_t offset;
    uint16_t disk;
    uint32_t nameCrc;  // CRC-32 of the central name's bytes as stored, before conversion
    const EntryRecord* entry;
  };

  uint32_t localOffset(const EntryRecord* entry) const { return le32(entry + CDH_LOCAL_OFFSET) + offsetShift_; }
  bool nextMatch(FindRecord* found);
  int spanningProbe();
  void locateEndRecord();
  int loadCentralDirectory();
  uint32_t trimChunk(const uint8_t* data, uint32_t chunk, uint32_t remaining) const;
  void scanChunk(uint8_t* data, uint32_t chunk);
  void checkLocalPlaces();
  const LocalPlace* placeOf(const EntryRecord* entry) const;
  uint64_t placeLimit(const LocalPlace* place) const;
  void compareLocalName(const LocalPlace* place, uint16_t nameLength);
  void seekTo(uint32_t position, int failureCode);
  bool fillReadAhead(uint32_t position, uint32_t needed);
  void dropReadAhead() { aheadLength_ = aheadOffset_ = 0; }
  void reopen();
  void freeDirectory();
  void freeLocalExtra();
  void endSearch();
  void destroyStream();
  bool existingFileAllows(const EntryRecord* entry) const;

  char archivePath_[SYS_PATH_MAX] = {};
  char fullPath_[SYS_PATH_MAX] = {};
  char archiveSpec_[SYS_PATH_MAX] = {};
  char extractionDirectory_[SYS_PATH_MAX] = {};
  SysHandle searchHandle_ = SYS_INVALID_HANDLE;
  bool searchStarted_ = false;
  uint8_t* localExtra_ = nullptr;
  bool archiveAbsent_ = false;
  bool spanned_ = false;
  int driveType_ = SYS_DRIVE_FIXED;
  uint32_t fileSize_ = 0;
  uint16_t localExtraLength_ = 0;
  bool convertNames_ = true;
  int entryCount_ = 0;
  int loadedCount_ = 0;
  DirectoryBlock* blocks_ = nullptr;
  uint8_t* endRecord_ = nullptr;
  EntryRecord** entries_ = nullptr;
  LocalPlace* places_ = nullptr;  // one per loaded entry, in file order after the load
  uint32_t offsetShift_ = 0;
  uint32_t directoryOffset_ = 0;
  uint32_t directorySize_ = 0;
  uint16_t directoryDisk_ = 0;
  SelectionLists selection_;
  uint16_t currentDisk_ = 0;
  uint16_t endRecordDisk_ = 0;
  FileStream* zipStream_ = nullptr;
  // Read ahead at the last local header: bytes [aheadOffset_, aheadLength_) of the buffer
  // are the next ones to read; the stream stands at aheadStart_ + aheadLength_.
  uint8_t* ahead_ = nullptr;
  uint32_t aheadStart_ = 0;
  uint32_t aheadLength_ = 0;
  uint32_t aheadOffset_ = 0;
};

// The entry engine of module EXTRACT: the extraction context ExtClass that one walk over the
// central directory creates, the per-entry pipeline ExtractEntry (version check, local
// header, NTFS times, password checks, output preparation, decoding with the stored copy or
// the Inflater, time stamps, attributes, CRC-32 comparison, notifications) and the output
// preparation PrepareOutput (name checks, existing files and directories, missing
// directories, the print target and volume labels). Per-entry trouble becomes a warning of
// the error reporter; only exhausted memory, a full disk and archive read failures end the
// process.
#pragma once

#include <cstdint>

#include "archive/archive_reader.h"
#include "archive/zip_format.h"
#include "decode/inflate.h"
#include "report/error_reporter.h"
#include "system/system.h"

// Buffer sizes of the extraction context. The output buffer is the Inflater's window and must
// hold MAXDICSIZE; the work buffer holds the stored copy's chunks and the code tables.
constexpr uint32_t EXT_IN_BUF_SIZE = 61440;
constexpr uint32_t EXT_OUT_BUF_SIZE = 65536;
constexpr uint32_t EXT_WORK_BUF_SIZE = 10240;
// The largest entry, and the largest existing file, for which a replacement is held in
// memory and written over the old file in place (see ExtClass).
constexpr uint32_t EXT_HELD_SIZE = 65536;

// The current password: at most 31 characters and a terminating zero.
constexpr int PASSWORD_BUFFER_SIZE = 32;
constexpr int PASSWORD_CHECKS = 5;

// Highest "version needed to extract" the engine handles: 2.5.
constexpr int VERSION_SUPPORTED = 25;

// Bits of the ZIP record fields the engine reads.
constexpr uint16_t INTERNAL_ATTR_LOW_BYTE_ONLY = 0x0004;  // only the low byte holds attributes
constexpr uint32_t ATTRIBUTE_KEEP_ALWAYS = 0xFFF8;        // bits 3..15 pass every mask

// Host systems (high byte of "version made by") whose external attributes are DOS-style.
constexpr int HOST_MSDOS = 0;
constexpr int HOST_UNIX = 3;
constexpr int HOST_OS2_HPFS = 6;
constexpr int HOST_NTFS = 10;

// Per-entry working state. Every item is reset at the start of an entry.
struct EntryWork {
  char entryName[SYS_PATH_MAX];   // at most 259 bytes of the stored name, '\' turned into '/'
  bool nameCut;                   // the stored name did not fit and was cut
  const char* displayName;        // entryName, later outputPath
  char outputPath[SYS_PATH_MAX];  // extraction directory + the name to create
  char tempPath[SYS_PATH_MAX];    // the file that receives the data beside an existing
                                  // output, renamed over it at the end; empty when none
  bool newOutput;                 // the output file did not exist before this entry
  bool holding;                   // the output is the existing file, opened in place; the
                                  // data waits in the held buffer until the entry is intact
  uint32_t existingAttributes;    // the attributes of that existing file
  bool isDirectory;               // the entry name ends with '/'
  bool decrypting;                // ReadInput decrypts what it reads
  bool cancelled;                 // the user stopped the run at an overwrite question
  bool volumeLabel;               // the entry set a volume label instead of making a file
  uint32_t expectedSize;          // uncompressed size: the most that will be written
  uint32_t written;               // bytes written so far
  uint32_t remainingInput;        // compressed bytes not read yet
  NtfsTimes* timeBlock;           // the entry's NTFS times, or null
};

// The output of an entry is all or nothing. An existing file keeps its bytes, times and
// attributes until the entry's data has been decoded completely and its CRC-32 matched.
// Where both the entry and the file have at most EXT_HELD_SIZE bytes, the data is held in
// memory and then written over the file in place, its old bytes kept in memory to be put
// back should a write fail; otherwise the data goes to a temporary file beside it, which
// then replaces it in one rename. A new name costs far more than writing a small file
// (Wine searches the whole directory for it; ext4 makes and frees an inode for each), and
// the rename is what makes a large file safe. An entry that fails, or a run that ends in
// the middle of an entry (a fatal report, Cancel), removes what it wrote: the temporary
// file, or the file it made where none was. A new file whose CRC-32 does not match stays
// for the user to inspect.
class ExtClass : public EntryProcessor, public InflateIo, public FatalReleasable {
 public:
  // Allocates the work, output and input buffers in that order; fatal error 105 when memory
  // runs out. `extractionDirectory` is read, never copied: it must outlive the context.
  // `reader` may be null for a context that only prepares outputs (no entry data is read).
  // The context is the output that fatal reports release while it lives.
  ExtClass(ArchiveReader* reader, const char* extractionDirectory);
  ~ExtClass() override;
  ExtClass(const ExtClass&) = delete;
  ExtClass& operator=(const ExtClass&) = delete;

  // Processes one entry: 0 to go on with the next, non-zero (the cancelled flag) to stop.
  int ExtractEntry(const EntryRecord* pCnt) override;
  // The last non-zero value ExtractEntry returned, else 0.
  int Result() override { return result_; }

  uint32_t ReadInput(uint8_t* buffer, uint32_t size) override;
  bool WriteOutput(const uint8_t* data, uint32_t size) override;

  // Destroys the output stream, if any (this closes the file).
  void DestroyOutput();
  // Closes an unfinished output and removes what the entry wrote: the temporary file beside
  // an existing output, or a file made where none existed. The print target is only closed.
  void AbandonOutput();
  // For a fatal report in the middle of an entry.
  void Release() override { AbandonOutput(); }
  // The buffer that holds a small replacement (EXT_HELD_SIZE bytes for the entry, as many
  // for the old file's bytes), allocated on first use; null when memory is short.
  uint8_t* HeldBuffer();

  uint32_t crc = 0xFFFFFFFF;               // running CRC-32 of the bytes written
  FileStream* outputStream = nullptr;      // owned; null when the entry has no output
  ArchiveReader* reader;
  const char* extractionDirectory;         // empty or ending in '/' or ':'
  EntryWork work{};

 private:
  void beginEntry(const EntryRecord* entry);
  bool checkPassword(const EntryRecord* entry);
  bool decodeData(const EntryRecord* entry);
  void storedCopy();
  void restoreTimes(const EntryRecord* entry);
  void restoreAttributes(const EntryRecord* entry);
  bool placeOutput(bool intact);
  bool writeHeld(const EntryRecord* entry);
  void releaseTimeBlock();
  int skipEntry();

  Inflater inflater_;
  uint8_t* held_ = nullptr;
  int result_ = 0;
};

// Extracts or tests the selected entries of `reader` (loaded, selection finished) with one
// engine context for the walk; an archive without entries gets none. Returns the walk's
// result.
int RunExtraction(ArchiveReader& reader);

// Output preparation for the current entry of `ext` (step 8 of ExtractEntry): 1 when the
// entry is to be decoded (with or without an output stream in ext.outputStream), 0 when it
// is skipped (ext.work.cancelled tells whether the user stopped the run).
int PrepareOutput(ExtClass& ext, const EntryRecord* entry, const NtfsTimes* timeBlock);

// True when an entry name may be written below the extraction directory: no ':', no
// leading '/', no component made of two or more dots (with or without blanks), no Windows
// device name as a component (with or without an extension, any case), and none of the
// characters that a Windows file name cannot hold (* ? " < > | and 0x01 to 0x1F), on every
// platform alike.
bool IsSafeEntryName(const char* name);

// Attributes of an entry as its host system stored them, masked: the external attributes
// (only their low byte when the internal attributes say so) AND (NOT mask OR 0xFFF8).
uint32_t MaskedAttributes(const EntryRecord* entry, uint32_t mask);

// The password typed at a password question stays the current one for the rest of the
// process; this forgets it (a new session, or tests).
void ForgetTypedPassword();

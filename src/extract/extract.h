// The entry engine of module EXTRACT: the extraction context ExtClass that one walk over the
// central directory creates, the per-entry pipeline ExtractEntry (version check, local
// header, NTFS times, password checks, output preparation, decoding with the stored copy or
// the Inflater through the shared decode step of entry_decoder.h, time stamps, attributes,
// CRC-32 comparison, notifications); the output of each entry comes from the context's
// OutputPreparation (prepare_output.h), whose life is the context's, one run. Per-entry
// trouble becomes a warning of the error reporter; only exhausted memory, a full disk and
// archive read failures end the process.
#pragma once

#include <cstdint>

#include "archive/archive_reader.h"
#include "archive/zip_format.h"
#include "extract/entry_decoder.h"
#include "extract/prepare_output.h"
#include "report/error_reporter.h"
#include "system/system.h"

// Buffer sizes of the extraction context. The output buffer is the Inflater's window and must
// hold MAXDICSIZE; the work buffer holds the stored copy's chunks and the code tables.
constexpr uint32_t EXT_IN_BUF_SIZE = 61440;
constexpr uint32_t EXT_OUT_BUF_SIZE = 65536;
constexpr uint32_t EXT_WORK_BUF_SIZE = 10240;
// The current password: at most 31 characters and a terminating zero.
constexpr int PASSWORD_BUFFER_SIZE = 32;
constexpr int PASSWORD_CHECKS = 5;

// Highest "version needed to extract" the engine handles: 2.5.
constexpr int VERSION_SUPPORTED = 25;

// The output of an entry is all or nothing. An existing file keeps its bytes, times and
// attributes until the entry's data has been decoded completely and its CRC-32 matched.
// The data of every replacement, whatever its size, goes to a temporary file beside the old
// one, is flushed to the disk, and then replaces the old file in one rename: when the
// process ends or the power fails at any moment, the name holds the whole old file or the
// whole new one. A new file with no predecessor is made under its own name and needs no
// flush: until it is complete it replaced nothing. An entry that fails, or a run that ends
// in the middle of an entry (a fatal report, Cancel), removes what it wrote: the temporary
// file, or the file it made where none was. A new file whose CRC-32 does not match stays
// for the user to inspect.
class ExtClass : public EntryProcessor, public EntryDecodeStep, public FatalReleasable {
 public:
  // Allocates the work, output and input buffers in that order; fatal error 105 when memory
  // runs out. `extractionDirectory` is read, never copied: it must outlive the context.
  // `reader` may be null for a context that reads no entry data. The context is the output
  // that fatal reports release while it lives.
  ExtClass(ArchiveReader* reader, const char* extractionDirectory);
  ~ExtClass() override;
  ExtClass(const ExtClass&) = delete;
  ExtClass& operator=(const ExtClass&) = delete;

  // Processes one entry: 0 to go on with the next, non-zero (the cancelled flag) to stop.
  int ExtractEntry(const EntryRecord* pCnt) override;
  // The last non-zero value ExtractEntry returned, else 0.
  int Result() override { return result_; }

  // Destroys the output stream, if any (this closes the file).
  void DestroyOutput();
  // Closes an unfinished output and removes what the entry wrote: the temporary file beside
  // an existing output, or a file made where none existed. The print target is only closed.
  void AbandonOutput();
  // For a fatal report in the middle of an entry.
  void Release() override { AbandonOutput(); }

 protected:
  uint32_t ReadSource(uint8_t* buffer, uint32_t size) override;
  void TakeOutput(const uint8_t* data, uint32_t size) override;

 private:
  void beginEntry(const EntryRecord* entry);
  bool checkPassword(const EntryRecord* entry);
  bool decodeData(const EntryRecord* entry);
  void restoreTimes(const EntryRecord* entry);
  void restoreAttributes(const EntryRecord* entry);
  bool placeOutput(bool intact);
  void releaseTimeBlock();
  int skipEntry();

  ArchiveReader* reader_;
  EntryWork work_{};  // work_.output is owned here
  OutputPreparation preparation_;
  int result_ = 0;
};

// Extracts or tests the selected entries of `reader` (loaded, selection finished) with one
// engine context for the walk; an archive without entries gets none. Returns the walk's
// result.
int RunExtraction(ArchiveReader& reader);

// The password typed at a password question stays the current one for the rest of the
// process; this forgets it (a new session, or tests).
void ForgetTypedPassword();

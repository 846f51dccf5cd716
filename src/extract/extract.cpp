// The entry pipeline of module EXTRACT: one EntryRecord from the central directory to a
// finished output file (or a verified CRC-32 when testing). Decoding runs in the three
// buffers of the extraction context; the stored copy and the Inflater pull entry data
// through ReadInput (which decrypts on the fly) and push decoded bytes through WriteOutput
// (which keeps the CRC-32 and never writes beyond the declared size).
#include "extract/extract.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "archive/ziplib.h"
#include "decode/crc32.h"
#include "decode/zipcrypto.h"
#include "report/error_reporter.h"
#include "report/message_texts.h"
#include "report/user_prompts.h"
#include "options/option_state.h"

using ErrorReporter::FatalError, ErrorReporter::Warning, ErrorReporter::GetProgressLink,
      ErrorReporter::SetReportedOutput, ErrorReporter::GetReportedOutput;

namespace {

constexpr const char* MODULE = "EXTRACT";


// The password typed at a question: the current password for the rest of the process.
char typedPassword[PASSWORD_BUFFER_SIZE];
bool passwordTyped = false;

// The word shown while an entry is processed, by compression method; every word is 13
// characters wide so that the names line up in the progress window.
const char* actionWord(uint16_t method) {
  switch (method) {
    case 0: case 7: return "   Extracting";
    case 1: return "  Unshrinking";
    case 2: case 3: case 4: case 5: return "   Unreducing";
    case 6: return "    Exploding";
    case 8: case 9: return "    Inflating";
    case 10: return "DCL Exploding";
    default: return "Unknown compression method for file";
  }
}

void notify(ProgressEvent event, const char* text, int code = 0) {
  if (ProgressLink* link = GetProgressLink()) link->progress(event, code, text ? text : "");
}

uint8_t* allocate(uint32_t size) {
  uint8_t* buffer = static_cast<uint8_t*>(std::malloc(size));
  if (!buffer) FatalError(FATAL_NO_MEMORY_EXTRACT, nullptr);
  return buffer;
}

// Sets the end of `file` at `size` bytes.
bool cutAt(FileStream& file, uint32_t size) {
  file.Seek(static_cast<int32_t>(size), SYS_FPOS_BEGIN);
  return file.Truncate() == 0;
}

}  // namespace

void ForgetTypedPassword() {
  std::memset(typedPassword, 0, sizeof typedPassword);
  passwordTyped = false;
}

ExtClass::ExtClass(ArchiveReader* archive, const char* directory)
    : reader(archive), extractionDirectory(directory ? directory : "") {
  WorkBufSize = EXT_WORK_BUF_SIZE;
  OutBufSize = EXT_OUT_BUF_SIZE;
  InBufSize = EXT_IN_BUF_SIZE;
  WorkBuf = allocate(WorkBufSize);
  OutBuf = allocate(OutBufSize);
  InBuf = allocate(InBufSize);
  work.displayName = work.entryName;
  SetReportedOutput(this);
}

ExtClass::~ExtClass() {
  if (GetReportedOutput() == this) SetReportedOutput(nullptr);
  DestroyOutput();
  releaseTimeBlock();
  std::free(held_);
  std::free(WorkBuf);
  std::free(OutBuf);
  std::free(InBuf);
}

void ExtClass::DestroyOutput() {
  delete outputStream;
  outputStream = nullptr;
}

void ExtClass::AbandonOutput() {
  if (!outputStream) return;
  DestroyOutput();
  EntryWork& w = work;
  if (w.tempPath[0]) {
    SysDeleteFile(w.tempPath);  // made without the read-only attribute
  } else if (w.newOutput) {
    SysSetAttributes(w.outputPath, SYS_ATTR_NORMAL);  // a read-only file is not deleted
    SysDeleteFile(w.outputPath);
  }
  w.tempPath[0] = '\0';
  w.newOutput = false;
  w.holding = false;  // the old file was never written to
}

uint8_t* ExtClass::HeldBuffer() {
  if (!held_) held_ = static_cast<uint8_t*>(std::malloc(2 * EXT_HELD_SIZE));
  return held_;
}

// The held data takes the old file's place: written over it from its start, the file cut to
// the entry's length. The old bytes and times are read first; should a write come short (a
// full disk), they go back, the attributes too, before the fatal report. False, with
// warning 1, when the old file cannot be read: it is then left as it was.
bool ExtClass::writeHeld(const EntryRecord* entry) {
  EntryWork& w = work;
  FileStream& file = *outputStream;
  uint8_t* old = held_ + EXT_HELD_SIZE;
  uint32_t oldSize = file.Size(), done = 0;
  SysSavedTimes times;
  bool saved = oldSize == 0 || (file.Read(old, oldSize, &done) == 0 && done == oldSize);
  if (!saved || SysSaveFileTimes(file.handle(), &times) != 0) {
    Warning(WARN_CANNOT_CREATE, w.outputPath);
    return false;
  }
  file.Seek(0, SYS_FPOS_BEGIN);
  bool written = (w.written == 0 || (file.Write(held_, w.written, &done) == 0 && done == w.written)) &&
                 (w.written >= oldSize || cutAt(file, w.written));
  if (!written) {
    file.Seek(0, SYS_FPOS_BEGIN);
    if (oldSize > 0) file.Write(old, oldSize, &done);
    cutAt(file, oldSize);
    SysRestoreFileTimes(file.handle(), &times);
    DestroyOutput();
    SysSetAttributes(w.outputPath, w.existingAttributes);
    w.holding = false;
    FatalError(FATAL_DISK_FULL, w.displayName);
  }
  restoreTimes(entry);
  return true;
}

// The decoded data takes the place of the existing file only when it is intact (decoded to
// its end with a matching CRC-32); otherwise the old file stays untouched and the data
// beside it is removed. False when the output does not hold the entry's data now (the
// entry failed, or the rename was refused).
bool ExtClass::placeOutput(bool intact) {
  EntryWork& w = work;
  if (!w.tempPath[0]) return true;
  bool placed = intact && SysReplaceFile(w.tempPath, w.outputPath) == 0;
  if (!placed) SysDeleteFile(w.tempPath);
  w.tempPath[0] = '\0';
  if (intact && !placed) Warning(WARN_CANNOT_CREATE, w.outputPath);
  return placed;
}

void ExtClass::releaseTimeBlock() {
  delete work.timeBlock;
  work.timeBlock = nullptr;
}

int ExtClass::skipEntry() {
  releaseTimeBlock();
  return 0;
}

uint32_t ExtClass::ReadInput(uint8_t* buffer, uint32_t size) {
  uint32_t n = size < work.remainingInput ? size : work.remainingInput;
  if (n == 0) return 0;
  n = reader->Read(buffer, n);
  // The archive ended early: nothing more will come for this entry.
  work.remainingInput = n ? work.remainingInput - n : 0;
  if (work.decrypting) Decrypt(buffer, n);
  return n;
}

bool ExtClass::WriteOutput(const uint8_t* data, uint32_t size) {
  uint32_t room = work.expectedSize - work.written;
  uint32_t count = size < room ? size : room;
  if (work.holding) {
    std::memcpy(held_ + work.written, data, count);  // the declared size fits the buffer
  } else if (outputStream && count > 0) {
    uint32_t done = 0;
    if (outputStream->Write(data, count, &done) != 0 || done != count) {
      // The partial data goes; an existing file it was to replace stays as it was, and the
      // print target keeps the entries before this one.
      AbandonOutput();
      FatalError(FATAL_DISK_FULL, work.displayName);
    }
  }
  work.written += count;
  crc = Crc32Update(data, count, crc);
  // Bytes beyond the declared size were dropped: decoding more would only cost time.
  return count == size;
}

// The encryption header and the password checks. True when a password was accepted (the
// keys then stand ready for the entry data), false when the entry is skipped.
bool ExtClass::checkPassword(const EntryRecord* entry) {
  OptionState& o = Options();
  EntryWork& w = work;
  if (!o.passwordGiven) {
    Warning(WARN_ENCRYPTED_SKIPPED, w.entryName);
    return false;
  }
  uint32_t compressed = le32(entry + CDH_COMPRESSED);
  uint8_t saved[ZIPCRYPTO_HEADER_SIZE];
  // An entry too short for its own encryption header is damaged; reading on would take
  // bytes of the next record.
  if (compressed < ZIPCRYPTO_HEADER_SIZE || reader->Read(saved, sizeof saved) != sizeof saved) {
    Warning(WARN_UNEXPECTED_END, w.entryName);
    return false;
  }
  w.decrypting = true;

  // The password to try first; none while nobody has given one (the placeholder of the
  // option word, an empty stored password): the one-byte check would pass one wrong key in
  // 256 and the entry would be decoded with it, so the question comes first.
  char given[PASSWORD_BUFFER_SIZE];
  const char* current = nullptr;
  if (passwordTyped) {
    current = typedPassword;
  } else if (o.password && !(o.password[0] == PASSWORD_PLACEHOLDER && o.password[1] == '\0')) {
    std::snprintf(given, sizeof given, "%s", o.password);
    current = given;
  } else {
    given[0] = '\0';
    if (UserPrompts* prompts = GetUserPrompts()) prompts->storedPassword(given, sizeof given);
    if (given[0] != '\0') current = given;
  }

  uint16_t flags = le16(entry + CDH_FLAGS);
  uint8_t checkByte = (flags & GPF_DATA_DESCRIPTOR) ? static_cast<uint8_t>(le16(entry + CDH_TIME) >> 8)
                                                    : static_cast<uint8_t>(le32(entry + CDH_CRC32) >> 24);
  for (int check = 0;;) {
    if (current != nullptr) {
      uint8_t header[ZIPCRYPTO_HEADER_SIZE];
      std::memcpy(header, saved, sizeof header);
      DecryptHeader(current, header);
      if (header[ZIPCRYPTO_HEADER_SIZE - 1] == checkByte) break;
      if (++check == PASSWORD_CHECKS) {
        Warning(WARN_BAD_PASSWORD, w.entryName);
        return false;
      }
    }
    UserPrompts* prompts = GetUserPrompts();
    char typed[PASSWORD_BUFFER_SIZE] = "";
    int answer = prompts ? prompts->askPassword(w.entryName, typed, sizeof typed) : PASSWORD_SKIP;
    if (answer == PASSWORD_OK) {
      typed[PASSWORD_BUFFER_SIZE - 1] = '\0';
      std::memcpy(typedPassword, typed, sizeof typedPassword);
      passwordTyped = true;
      current = typedPassword;
      continue;
    }
    if (answer == PASSWORD_SKIP_ALL) o.passwordGiven = false;
    Warning(WARN_ENCRYPTED_SKIPPED, w.entryName);
    return false;
  }
  w.remainingInput = compressed - ZIPCRYPTO_HEADER_SIZE;
  return true;
}

void ExtClass::storedCopy() {
  EntryWork& w = work;
  if (w.expectedSize != w.remainingInput) {
    Warning(WARN_STORED_SIZE, "");
    uint32_t smaller = w.expectedSize < w.remainingInput ? w.expectedSize : w.remainingInput;
    w.expectedSize = w.remainingInput = smaller;
  }
  for (;;) {
    uint32_t n = ReadInput(WorkBuf, WorkBufSize);
    if (n == 0 || !WriteOutput(WorkBuf, n)) break;
  }
}

// Decodes the entry's data; false when the entry failed (a warning has been raised).
bool ExtClass::decodeData(const EntryRecord* entry) {
  crc = 0xFFFFFFFF;
  work.written = 0;
  work.expectedSize = le32(entry + CDH_UNCOMPRESSED);
  uint16_t method = le16(entry + CDH_METHOD);
  if (method == METHOD_STORED) {
    storedCopy();
    return true;
  }
  if (method == METHOD_DEFLATE || method == METHOD_DEFLATE64) {
    inflater_.Init(*this);
    int result = inflater_.Run(method == METHOD_DEFLATE);
    if (result == 0) return true;
    Warning(result, work.entryName);
    return false;
  }
  Warning(WARN_UNKNOWN_METHOD, work.entryName);
  return false;
}

void ExtClass::restoreTimes(const EntryRecord* entry) {
  if (le32(entry + CDH_EXTERNAL_ATTR) & SYS_ATTR_VOLUME) return;
  if (!outputStream) return;
  const OptionState& o = Options();
  if (work.timeBlock) {
    SysSetFileTimes(outputStream->handle(), nullptr, nullptr, nullptr, work.timeBlock,
                    static_cast<int>(o.timesMask));
  } else {
    uint32_t written = entryDateTime(entry);
    SysSetFileTimes(outputStream->handle(), nullptr, nullptr, &written, nullptr,
                    static_cast<int>(o.timesMask));
  }
}

void ExtClass::restoreAttributes(const EntryRecord* entry) {
  // A volume label made no file: there is nothing to give attributes to.
  if (work.volumeLabel) return;
  SysSetAttributes(work.displayName, MaskedAttributes(entry, Options().attributeMask));
}

// Resets the working state for `entry`: its name (at most 259 bytes, '/' as separator),
// which stays the name of every warning about the entry, and no output, times or keys.
void ExtClass::beginEntry(const EntryRecord* entry) {
  EntryWork& w = work;
  uint16_t nameLength = entryNameLength(entry);
  w.nameCut = !NameFits(nameLength);
  CopyName(w.entryName, entryName(entry), nameLength);
  w.displayName = w.entryName;
  AbandonOutput();  // an output still open here was never finished
  w.outputPath[0] = '\0';
  w.tempPath[0] = '\0';
  w.newOutput = false;
  w.holding = false;
  w.isDirectory = LastSingleChar(w.entryName) == '/';
  w.decrypting = false;
  w.cancelled = false;
  w.volumeLabel = false;
  w.written = 0;
  w.expectedSize = 0;
  w.remainingInput = 0;
  releaseTimeBlock();
}

int ExtClass::ExtractEntry(const EntryRecord* pCnt) {
  SFX_ASSERT(MODULE, pCnt != nullptr, "pCnt != NULL");
  const OptionState& o = Options();
  EntryWork& w = work;
  beginEntry(pCnt);

  int needed = le16(pCnt + CDH_VERSION_NEEDED);
  if (needed > VERSION_SUPPORTED) {
    char text[SYS_PATH_MAX + 64];
    std::snprintf(text, sizeof text, VERSION_NEEDED_FORMAT, needed / 10, needed % 10,
                  w.displayName);
    Warning(WARN_VERSION, text);
    return skipEntry();
  }

  reader->ReadLocalHeader(pCnt);  // changes to the entry's disk when the archive is split
  if (o.useExtendedInfo && reader->localExtra() && reader->localExtraLength() &&
      SysParseNtfsTimes(reader->localExtra(), reader->localExtraLength(), &w.timeBlock) < 0) {
    Warning(WARN_NTFS_MEMORY, "");
  }

  if (le16(pCnt + CDH_FLAGS) & GPF_ENCRYPTED) {
    if (!checkPassword(pCnt)) return skipEntry();
  } else {
    w.remainingInput = le32(pCnt + CDH_COMPRESSED);
  }

  if (!PrepareOutput(*this, pCnt, w.timeBlock)) {
    releaseTimeBlock();
    result_ = w.cancelled ? 1 : result_;
    return w.cancelled ? 1 : 0;
  }

  bool testing = o.command == CMD_TEST;
  if (testing) notify(PROGRESS_TESTING, "");
  else notify(PROGRESS_ACTION, actionWord(le16(pCnt + CDH_METHOD)));
  notify(PROGRESS_FILE, w.displayName);

  bool extracting = o.command == CMD_EXTRACT;
  if (w.isDirectory && extracting) return skipEntry();  // PrepareOutput made the directory

  bool decoded = decodeData(pCnt);
  bool intact = decoded && le32(pCnt + CDH_CRC32) == ~crc;
  // A held replacement that failed never touched the old file, its times included.
  bool placed = true;
  if (extracting && w.holding) placed = intact && writeHeld(pCnt);
  else if (extracting) restoreTimes(pCnt);
  DestroyOutput();
  w.newOutput = false;  // complete: a new file stays, also with a CRC-32 mismatch
  releaseTimeBlock();
  if (extracting) {
    // A replacement that failed or was refused leaves the old file's attributes alone.
    bool replacing = w.holding || w.tempPath[0] != '\0';
    if (!w.holding) placed = placeOutput(intact);
    w.holding = false;
    if (placed) restoreAttributes(pCnt);
    if (replacing && intact && !placed) return 0;  // warning 1 named the output
  }
  if (!decoded) return 0;

  // PROGRESS_EXTRACTED carries the bytes written, so the dialog's tally needs no look-up.
  if (intact) notify(testing ? PROGRESS_TESTED : PROGRESS_EXTRACTED, "", static_cast<int>(w.written));
  else Warning(WARN_CRC, w.entryName);
  return 0;
}

int RunExtraction(ArchiveReader& reader) {
  const uint8_t* end = reader.endRecord();
  if (end == nullptr || le16(end + EOCD_ENTRIES_TOTAL) == 0) return 0;  // nothing to walk: no context
  // Released however the walk ends, also when a test's exit hook turns a fatal report into
  // an exception.
  std::unique_ptr<ExtClass> context(new (std::nothrow) ExtClass(&reader, reader.extractionDirectory()));
  if (!context) FatalError(FATAL_NO_MEMORY_EXTRACT, nullptr);
  return reader.ExtractSelected(*context);
}

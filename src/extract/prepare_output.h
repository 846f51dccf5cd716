// Output preparation of module EXTRACT (step 8 of ExtractEntry): the entry's working state
// that the pipeline and the preparation share, and OutputPreparation, which decides whether
// an entry gets an output and opens it. One OutputPreparation serves the entries of one
// run: what it carries from entry to entry (whether the last output name held a file, the
// number of the last temporary name) ends with the run.
#pragma once

#include <cstdint>

#include "report/entry_record.h"
#include "system/system.h"

// Bits of the ZIP record fields the engine reads.
constexpr uint16_t INTERNAL_ATTR_LOW_BYTE_ONLY = 0x0004;  // only the low byte holds attributes
constexpr uint32_t ATTRIBUTE_KEEP_ALWAYS = 0xFFF8;        // bits 3..15 pass every mask

// Per-entry working state. Every item is reset at the start of an entry.
struct EntryWork {
  char entryName[SYS_PATH_MAX];   // at most 259 bytes of the stored name, '\' turned into '/'
  bool nameCut;                   // the stored name did not fit and was cut
  const char* displayName;        // entryName, later outputPath
  FileStream* output;             // the open output, owned by the extraction context;
                                  // null when the entry has none
  char outputPath[SYS_PATH_MAX];  // extraction directory + the name to create
  char tempPath[SYS_PATH_MAX];    // the file that receives the data beside an existing
                                  // output, renamed over it at the end; empty when none
  bool newOutput;                 // the output file did not exist before this entry
  bool isDirectory;               // the entry name ends with '/'
  bool cancelled;                 // the user stopped the run at an overwrite question
  bool volumeLabel;               // the entry set a volume label instead of making a file
  uint32_t inputSize;             // the entry's data bytes after any encryption header
  NtfsTimes* timeBlock;           // the entry's NTFS times, or null
};

// What output preparation carries from one entry to the next within a run. It belongs to
// OutputPreparation, which passes it to its helpers in prepare_output.cpp.
struct OutputRunState {
  const char* directory;  // empty or ending in '/' or ':'
  EntryWork& work;
  // Whether the last output name looked at held a file already: it decides whether the
  // next output is created first or looked at first (see openOutputFile).
  bool previousOutputExisted;
  unsigned tempNumber;  // the number of the last temporary name; advanced past names that exist
};

class OutputPreparation {
 public:
  // Prepares the outputs of the entries that `work` describes in turn. Both are read,
  // never copied: `extractionDirectory` (empty or ending in '/' or ':') and `work` must
  // outlive the preparation.
  OutputPreparation(const char* extractionDirectory, EntryWork& work);
  OutputPreparation(const OutputPreparation&) = delete;
  OutputPreparation& operator=(const OutputPreparation&) = delete;

  // Prepares the output of `entry`, whose name the working state holds: 1 when the entry is
  // to be decoded, with its output in work.output or none there, 0 when it is skipped
  // (work.cancelled tells whether the user stopped the run).
  int Prepare(const EntryRecord* entry);

 private:
  OutputRunState run_;
};

// True when an entry name may be written below the extraction directory: no ':', no
// leading '/', no component made of two or more dots (with or without blanks), no Windows
// device name as a component (with or without an extension, any case), and none of the
// characters that a Windows file name cannot hold (* ? " < > | and 0x01 to 0x1F), on every
// platform alike.
bool IsSafeEntryName(const char* name);

// Attributes of an entry as its host system stored them, masked: the external attributes
// (only their low byte when the internal attributes say so) AND (NOT mask OR 0xFFF8).
uint32_t MaskedAttributes(const EntryRecord* entry, uint32_t mask);

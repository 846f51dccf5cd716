// The configuration block that the archive's author stores in the program's own file,
// behind the program image and ahead of the ZIP archive: a 12-byte header (signature,
// writer and reader versions, scrambled content length) at a file offset that is a multiple
// of 12 below 300,000, then the scrambled 2128-byte content. The content layout is also the
// in-memory layout. Every scrambled byte is XORed with the low 8 bits of its own file offset
// less 7, so scrambling and descrambling are one operation; the builder writes a block with
// ScrambleConfig/SerializeConfigBlock, the stub reads it with ConfigBlock::load.
#pragma once

#include <cstddef>
#include <cstdint>

// ---- flags word (the session's live settings word) ------------------------------------------

constexpr uint16_t CFG_SUBDIRS = 0x0001;
constexpr uint16_t CFG_OVERWRITE_ALL = 0x0004;
constexpr uint16_t CFG_NEVER_OVERWRITE = 0x0008;
constexpr uint16_t CFG_MESSAGES = 0x0010;
constexpr uint16_t CFG_PROGRAM_GROUP = 0x0100;
constexpr uint16_t CFG_EXTENSIONS = 0x0400;

// ---- the block in the file ------------------------------------------------------------------

constexpr uint8_t CONFIG_SIGNATURE[4] = {0x51, 0x58, 0x09, 0x0A};
constexpr uint16_t CONFIG_VERSION = 20;          // written as the writer's version; read limit
constexpr uint32_t CONFIG_STEP = 12;             // the block starts at a multiple of 12
constexpr uint32_t CONFIG_SEARCH_RECORDS = 25000;  // 12-byte records tried: offsets 0..299,988
constexpr uint32_t CONFIG_SEARCH_LIMIT = CONFIG_STEP * CONFIG_SEARCH_RECORDS;  // 300,000

// Header fields (offsets within the 12-byte header).
constexpr int CFGH_SIGNATURE = 0;
constexpr int CFGH_VERSION_MADE = 4;    // plain, not checked
constexpr int CFGH_VERSION_NEEDED = 6;  // plain, accepted when <= CONFIG_VERSION
constexpr int CFGH_LENGTH = 8;          // content length, scrambled
constexpr int CFGH_SIZE = 12;

// The one accepted content layout: 2128 bytes, so the whole record is 2140 bytes.
constexpr uint32_t CONFIG_CONTENT_SIZE = 2128;
constexpr uint32_t CONFIG_RECORD_SIZE = CFGH_SIZE + CONFIG_CONTENT_SIZE;

constexpr uint16_t CONFIG_FORMAT = 2;
constexpr int CFG_FORMAT = 0;       // 16-bit format number
constexpr int CFG_FLAGS = 2;        // 16-bit flags word
constexpr int CFG_END_MARKER = 2124;  // 32-bit zero

// A section is a 32-bit length (its 2-byte type plus its text), the type, the text, and one
// padding byte that aligns the next length to 4 bytes.
enum ConfigSection {
  SECTION_INDEX_DEFAULT_DIR,
  SECTION_INDEX_PROGRAM_GROUP,
  SECTION_INDEX_EXTENSIONS,
  SECTION_INDEX_SPARE_5,
  SECTION_INDEX_SPARE_2,
  CONFIG_SECTION_COUNT
};

constexpr uint16_t SECTION_DEFAULT_DIR = 1;
constexpr uint16_t SECTION_PROGRAM_GROUP = 3;
constexpr uint16_t SECTION_EXTENSIONS = 4;
constexpr uint16_t SECTION_SPARE_5 = 5;
constexpr uint16_t SECTION_SPARE_2 = 2;

struct ConfigSectionLayout {
  uint32_t lengthOffset;  // offset of the 32-bit length within the content
  uint16_t type;
  uint32_t textSize;      // bytes of the text field; the stored length is textSize + 2
  uint32_t typeOffset() const { return lengthOffset + 4; }
  uint32_t textOffset() const { return lengthOffset + 6; }
  uint32_t length() const { return textSize + 2; }
};

constexpr ConfigSectionLayout CONFIG_SECTIONS[CONFIG_SECTION_COUNT] = {
    {4, SECTION_DEFAULT_DIR, 261},
    {272, SECTION_PROGRAM_GROUP, 1041},
    {1320, SECTION_EXTENSIONS, 261},
    {1588, SECTION_SPARE_5, 261},
    {1856, SECTION_SPARE_2, 261},
};

// The list text of the extensions (for the dialog's label and the completion question).
constexpr uint32_t CONFIG_EXTENSION_LIST_SIZE = 261;  // up to 260 characters and a zero

// XORs bytes[i] with the low 8 bits of (fileOffset + i - 7): fileOffset is the file offset of
// bytes[0]. Scrambling and descrambling are the same operation.
void ScrambleConfig(uint8_t* bytes, size_t n, uint32_t fileOffset);

// What load found.
enum class ConfigLoadResult {
  Absent,    // no block in the searched range, length 0, or the file cannot be read
  Loaded,    // a valid block (possibly shorter than the full layout)
  Rejected,  // too long or malformed: defaults, and the notice was shown
};

class ConfigBlock {
 public:
  ConfigBlock();  // the defaults: a valid, empty layout with flags 0
  ~ConfigBlock();
  ConfigBlock(const ConfigBlock&) = delete;
  ConfigBlock& operator=(const ConfigBlock&) = delete;

  // Finds, descrambles and validates the block in the file at `path` (its first 300,000
  // bytes). Shows "不正なｵﾌﾟｼｮﾝです!" for a block that is too long or malformed.
  ConfigLoadResult load(const char* path);
  // The file offset of the block found by the last load, or -1.
  int64_t blockOffset() const { return blockOffset_; }

  void setDefaults();

  // Section texts: null when the text's first character is zero.
  const char* defaultDirectory() const;
  const char* programGroup() const;   // after preparation its first string is the group name
  const char* extensions() const;
  const char* sectionText(ConfigSection section) const;  // never null (may be empty)

  // The first strings of the extension pairs without their marker and dot, joined by ';'
  // (at most 260 characters). Rebuilt on every call; valid until the next call. A '|' that
  // has not yet been turned into a zero separates strings as well.
  const char* extensionListText();

  uint16_t flags() const;
  void setFlags(uint16_t flags);

  // Replaces every '|' of the extension and program group sections by a zero byte (a
  // double-byte-aware scan, so a trail byte 0x7C of a Shift-JIS character stays).
  void prepareSections();

  // Writer side: stores `text` (zero-terminated) into a section; false, and nothing changed,
  // when it does not fit with its terminating zero.
  bool setSectionText(ConfigSection section, const char* text);

  const uint8_t* content() const { return content_; }

 private:
  bool layoutValid() const;
  void terminateSections();
  void clearFlagsOfEmptySections();

  uint8_t content_[CONFIG_CONTENT_SIZE];
  char listText_[CONFIG_EXTENSION_LIST_SIZE];
  int64_t blockOffset_ = -1;
};

// Writes the 12-byte header and the scrambled content of `block` (CONFIG_RECORD_SIZE bytes)
// into `out`, for a block that will lie at file offset `fileOffset` (a multiple of 12 below
// CONFIG_SEARCH_LIMIT; the caller pads the program image to it). Returns the bytes written.
size_t SerializeConfigBlock(const ConfigBlock& block, uint32_t fileOffset, uint8_t* out);

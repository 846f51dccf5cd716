// Finding, descrambling and validating the configuration block, and answering the session's
// and the dialog's questions about it. Leans on FileStream for reading the program's own
// file and on ShowMessage for the one notice, "不正なｵﾌﾟｼｮﾝです!".
#include "session/config_block.h"

#include <cstring>

#include "archive/zip_format.h"
#include "report/error_reporter.h"
#include "report/message_texts.h"
#include "system/system.h"

using ErrorReporter::ShowMessage;

namespace {

// The search reads the file in pieces of whole 12-byte records.
constexpr uint32_t SEARCH_CHUNK = CONFIG_STEP * 512;

bool isSeparator(unsigned char c) { return c == 0 || c == '|'; }

// Length of the string at text[0..limit) up to a zero or a '|', walking double-byte
// characters as units so that a trail byte 0x7C is not taken for a separator.
uint32_t stringLength(const char* text, uint32_t limit) {
  uint32_t i = 0;
  while (i < limit && !isSeparator(static_cast<unsigned char>(text[i]))) {
    if (SysIsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < limit && text[i + 1] != 0)
      i += 2;
    else
      i += 1;
  }
  return i;
}

// Looks for the header in the file's first CONFIG_SEARCH_LIMIT bytes, record by record.
// Returns the header's file offset, or -1.
int64_t findHeader(FileStream& file, uint8_t header[CFGH_SIZE]) {
  static uint8_t chunk[SEARCH_CHUNK];
  uint32_t records = 0;
  uint32_t chunkStart = 0;
  while (records < CONFIG_SEARCH_RECORDS) {
    uint32_t got = 0;
    if (file.Read(chunk, SEARCH_CHUNK, &got) != 0 || got < CFGH_SIZE) return -1;
    for (uint32_t at = 0; at + CFGH_SIZE <= got && records < CONFIG_SEARCH_RECORDS;
         at += CFGH_SIZE, ++records) {
      const uint8_t* record = chunk + at;
      if (std::memcmp(record + CFGH_SIGNATURE, CONFIG_SIGNATURE, sizeof CONFIG_SIGNATURE) == 0 &&
          le16(record + CFGH_VERSION_NEEDED) <= CONFIG_VERSION) {
        std::memcpy(header, record, CFGH_SIZE);
        return static_cast<int64_t>(chunkStart) + at;
      }
    }
    if (got < SEARCH_CHUNK) return -1;  // the file ended (a partial last record is no block)
    chunkStart += got;
  }
  return -1;
}

}  // namespace

void ScrambleConfig(uint8_t* bytes, size_t n, uint32_t fileOffset) {
  for (size_t i = 0; i < n; ++i)
    bytes[i] ^= static_cast<uint8_t>(fileOffset + static_cast<uint32_t>(i) - 7u);
}

ConfigBlock::ConfigBlock() { setDefaults(); }

ConfigBlock::~ConfigBlock() = default;

void ConfigBlock::setDefaults() {
  std::memset(content_, 0, sizeof content_);
  putLe16(content_ + CFG_FORMAT, CONFIG_FORMAT);
  for (const ConfigSectionLayout& s : CONFIG_SECTIONS) {
    putLe32(content_ + s.lengthOffset, s.length());
    putLe16(content_ + s.typeOffset(), s.type);
  }
  putLe32(content_ + CFG_END_MARKER, 0);
  listText_[0] = 0;
}

bool ConfigBlock::layoutValid() const {
  if (le16(content_ + CFG_FORMAT) != CONFIG_FORMAT) return false;
  for (const ConfigSectionLayout& s : CONFIG_SECTIONS) {
    if (le32(content_ + s.lengthOffset) != s.length()) return false;
    if (le16(content_ + s.typeOffset()) != s.type) return false;
  }
  return le32(content_ + CFG_END_MARKER) == 0;
}

// A text that fills its whole field would otherwise run on into the padding and the next
// section's length: the last byte of every field is always a terminator.
void ConfigBlock::terminateSections() {
  for (const ConfigSectionLayout& s : CONFIG_SECTIONS) content_[s.textOffset() + s.textSize - 1] = 0;
}

void ConfigBlock::clearFlagsOfEmptySections() {
  uint16_t f = flags();
  if (!programGroup()) f &= static_cast<uint16_t>(~CFG_PROGRAM_GROUP);
  if (!extensions()) f &= static_cast<uint16_t>(~CFG_EXTENSIONS);
  setFlags(f);
}

ConfigLoadResult ConfigBlock::load(const char* path) {
  setDefaults();
  blockOffset_ = -1;
  ConfigLoadResult result = ConfigLoadResult::Absent;
  FileStream file(path, SYS_GENERIC_READ, SYS_FILE_SHARE_READ, SYS_OPEN_EXISTING, 0);
  uint8_t header[CFGH_SIZE];
  int64_t at = file.IsOpen() ? findHeader(file, header) : -1;
  if (at >= 0) {
    const uint32_t r = static_cast<uint32_t>(at);
    ScrambleConfig(header + CFGH_LENGTH, 4, r + CFGH_LENGTH);
    const uint32_t length = le32(header + CFGH_LENGTH);
    if (length > CONFIG_CONTENT_SIZE) {
      ShowMessage(BAD_OPTIONS_TEXT, MessageKind::Notice);
      result = ConfigLoadResult::Rejected;
    } else if (length > 0) {
      uint8_t stored[CONFIG_CONTENT_SIZE];
      uint32_t got = 0;
      const uint32_t contentAt = r + CFGH_SIZE;
      if (file.Seek(static_cast<int32_t>(contentAt), SYS_FPOS_BEGIN) == contentAt &&
          file.Read(stored, length, &got) == 0) {
        // Bytes missing at the end of the file keep their defaults, like those beyond L.
        ScrambleConfig(stored, got, contentAt);
        std::memcpy(content_, stored, got);
        if (layoutValid()) {
          result = ConfigLoadResult::Loaded;
        } else {
          setDefaults();
          ShowMessage(BAD_OPTIONS_TEXT, MessageKind::Notice);
          result = ConfigLoadResult::Rejected;
        }
      }
    }
    if (result != ConfigLoadResult::Absent) blockOffset_ = at;
  }
  file.Close();
  terminateSections();
  clearFlagsOfEmptySections();
  return result;
}

const char* ConfigBlock::sectionText(ConfigSection section) const {
  return reinterpret_cast<const char*>(content_ + CONFIG_SECTIONS[section].textOffset());
}

const char* ConfigBlock::defaultDirectory() const {
  const char* t = sectionText(SECTION_INDEX_DEFAULT_DIR);
  return t[0] ? t : nullptr;
}

const char* ConfigBlock::programGroup() const {
  const char* t = sectionText(SECTION_INDEX_PROGRAM_GROUP);
  return t[0] ? t : nullptr;
}

const char* ConfigBlock::extensions() const {
  const char* t = sectionText(SECTION_INDEX_EXTENSIONS);
  return t[0] ? t : nullptr;
}

uint16_t ConfigBlock::flags() const { return le16(content_ + CFG_FLAGS); }

void ConfigBlock::setFlags(uint16_t flags) { putLe16(content_ + CFG_FLAGS, flags); }

const char* ConfigBlock::extensionListText() {
  const ConfigSectionLayout& s = CONFIG_SECTIONS[SECTION_INDEX_EXTENSIONS];
  const char* text = sectionText(SECTION_INDEX_EXTENSIONS);
  const uint32_t size = s.textSize;
  uint32_t out = 0;
  const uint32_t room = CONFIG_EXTENSION_LIST_SIZE - 1;
  uint32_t pos = 0;
  // Strings in order: marker+extension, command, marker+extension, command, ...; an empty
  // string (a second zero) ends the list.
  for (uint32_t index = 0; pos < size && text[pos] != 0; ++index) {
    uint32_t len = stringLength(text + pos, size - pos);
    if (len == 0) break;
    if (index % 2 == 0) {
      uint32_t skip = len < 2 ? len : 2;  // the marker character and the dot
      const char* ext = text + pos + skip;
      uint32_t extLen = len - skip;
      if (index > 0 && out < room) listText_[out++] = ';';
      for (uint32_t i = 0; i < extLen;) {  // whole characters only
        uint32_t w = SysIsLeadByte(static_cast<unsigned char>(ext[i])) && i + 1 < extLen ? 2 : 1;
        if (out + w > room) break;
        std::memcpy(listText_ + out, ext + i, w);
        out += w;
        i += w;
      }
    }
    pos += len;
    if (pos < size) ++pos;  // the separator
  }
  listText_[out] = 0;
  return listText_;
}

void ConfigBlock::prepareSections() {
  const ConfigSection order[] = {SECTION_INDEX_EXTENSIONS, SECTION_INDEX_PROGRAM_GROUP};
  for (ConfigSection section : order) {
    const ConfigSectionLayout& s = CONFIG_SECTIONS[section];
    char* text = reinterpret_cast<char*>(content_ + s.textOffset());
    if (text[0] == 0) continue;
    for (uint32_t i = 0; i < s.textSize;) {
      unsigned char c = static_cast<unsigned char>(text[i]);
      if (SysIsLeadByte(c) && i + 1 < s.textSize && text[i + 1] != 0) {
        i += 2;
        continue;
      }
      if (c == '|') text[i] = 0;
      ++i;
    }
  }
}

bool ConfigBlock::setSectionText(ConfigSection section, const char* text) {
  const ConfigSectionLayout& s = CONFIG_SECTIONS[section];
  size_t n = std::strlen(text);
  if (n >= s.textSize) return false;
  uint8_t* field = content_ + s.textOffset();
  std::memset(field, 0, s.textSize);
  std::memcpy(field, text, n);
  return true;
}

size_t SerializeConfigBlock(const ConfigBlock& block, uint32_t fileOffset, uint8_t* out) {
  std::memcpy(out + CFGH_SIGNATURE, CONFIG_SIGNATURE, sizeof CONFIG_SIGNATURE);
  putLe16(out + CFGH_VERSION_MADE, CONFIG_VERSION);
  putLe16(out + CFGH_VERSION_NEEDED, CONFIG_VERSION);
  putLe32(out + CFGH_LENGTH, CONFIG_CONTENT_SIZE);
  ScrambleConfig(out + CFGH_LENGTH, 4, fileOffset + CFGH_LENGTH);
  std::memcpy(out + CFGH_SIZE, block.content(), CONFIG_CONTENT_SIZE);
  ScrambleConfig(out + CFGH_SIZE, CONFIG_CONTENT_SIZE, fileOffset + CFGH_SIZE);
  return CONFIG_RECORD_SIZE;
}

// Record layouts of the ZIP format as the reader and the engine use them: signatures, named
// field offsets and little-endian helpers. Records stay in place in memory and are read
// through these offsets, never through bare numbers.
#pragma once

#include <cstdint>

#include "report/entry_record.h"
#include "system/little_endian.h"

constexpr uint32_t SIG_CENTRAL = 0x02014b50;
constexpr uint32_t SIG_LOCAL = 0x04034b50;
constexpr uint32_t SIG_END = 0x06054b50;
constexpr uint32_t SIG_SPANNING = 0x08074b50;

// Central directory file header (an EntryRecord is one of these, in place).
constexpr int CDH_SIGNATURE = 0;
constexpr int CDH_VERSION_MADE = 4;
constexpr int CDH_VERSION_NEEDED = 6;
constexpr int CDH_FLAGS = 8;
constexpr int CDH_METHOD = 10;
constexpr int CDH_TIME = 12;  // time and date read as one u32: date in the high half
constexpr int CDH_DATE = 14;
constexpr int CDH_CRC32 = 16;
constexpr int CDH_COMPRESSED = 20;
constexpr int CDH_UNCOMPRESSED = 24;
constexpr int CDH_NAME_LENGTH = 28;
constexpr int CDH_EXTRA_LENGTH = 30;
constexpr int CDH_COMMENT_LENGTH = 32;
constexpr int CDH_DISK_START = 34;
constexpr int CDH_INTERNAL_ATTR = 36;
constexpr int CDH_EXTERNAL_ATTR = 38;
constexpr int CDH_LOCAL_OFFSET = 42;
constexpr int CDH_NAME = 46;
constexpr int CDH_SIZE = 46;

// Host systems (high byte of "version made by").
constexpr int HOST_MSDOS = 0;
constexpr int HOST_UNIX = 3;
constexpr int HOST_OS2_HPFS = 6;
constexpr int HOST_NTFS = 10;

// Local file header.
constexpr int LFH_SIGNATURE = 0;
constexpr int LFH_VERSION_NEEDED = 4;
constexpr int LFH_FLAGS = 6;
constexpr int LFH_METHOD = 8;
constexpr int LFH_TIME = 10;
constexpr int LFH_DATE = 12;
constexpr int LFH_CRC32 = 14;
constexpr int LFH_COMPRESSED = 18;
constexpr int LFH_UNCOMPRESSED = 22;
constexpr int LFH_NAME_LENGTH = 26;
constexpr int LFH_EXTRA_LENGTH = 28;
constexpr int LFH_SIZE = 30;

// End of central directory record.
constexpr int EOCD_SIGNATURE = 0;
constexpr int EOCD_THIS_DISK = 4;
constexpr int EOCD_START_DISK = 6;
constexpr int EOCD_ENTRIES_HERE = 8;
constexpr int EOCD_ENTRIES_TOTAL = 10;
constexpr int EOCD_DIRECTORY_SIZE = 12;
constexpr int EOCD_DIRECTORY_OFFSET = 16;
constexpr int EOCD_COMMENT_LENGTH = 20;
constexpr int EOCD_SIZE = 22;

// Compression methods the engine decodes.
constexpr uint16_t METHOD_STORED = 0;
constexpr uint16_t METHOD_DEFLATE = 8;
constexpr uint16_t METHOD_DEFLATE64 = 9;

// General purpose flag bits.
constexpr uint16_t GPF_ENCRYPTED = 0x0001;
constexpr uint16_t GPF_DATA_DESCRIPTOR = 0x0008;
constexpr uint16_t GPF_UTF8 = 0x0800;

// Fields of an EntryRecord (report/entry_record.h) that several layers read.
inline uint32_t entryDateTime(const EntryRecord* e) { return le32(e + CDH_TIME); }
inline uint16_t entryNameLength(const EntryRecord* e) { return le16(e + CDH_NAME_LENGTH); }
inline const char* entryName(const EntryRecord* e) { return reinterpret_cast<const char*>(e + CDH_NAME); }

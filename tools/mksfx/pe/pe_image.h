// The parts of a PE32 image that the builder reads and rewrites in the stub: the headers'
// positions, the data directories (resources, certificates) and the section table. Field
// offsets are those of the PE format; every read is checked against the image's size.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

constexpr uint32_t PE_SIGNATURE = 0x00004550;  // "PE\0\0"
constexpr uint16_t PE32_MAGIC = 0x010b;
constexpr int MZ_LFANEW = 0x3c;
constexpr int COFF_SECTION_COUNT = 6;  // offsets from the PE signature
constexpr int COFF_OPTIONAL_SIZE = 20;
constexpr int OPTIONAL_HEADER = 24;
// Offsets inside the PE32 optional header.
constexpr int OPT_MAGIC = 0;
constexpr int OPT_INITIALIZED_DATA = 8;
constexpr int OPT_SECTION_ALIGNMENT = 32;
constexpr int OPT_FILE_ALIGNMENT = 36;
constexpr int OPT_IMAGE_SIZE = 56;
constexpr int OPT_HEADERS_SIZE = 60;
constexpr int OPT_CHECKSUM = 64;
constexpr int OPT_DIRECTORY_COUNT = 92;
constexpr int OPT_DIRECTORIES = 96;
constexpr int DIRECTORY_RESOURCES = 2;
constexpr int DIRECTORY_SECURITY = 4;  // file offset (not an address) and size of the certificates
constexpr int DIRECTORY_RELOCATIONS = 5;
// A section header.
constexpr int SECTION_HEADER_SIZE = 40;
constexpr int SEC_VIRTUAL_SIZE = 8;
constexpr int SEC_ADDRESS = 12;
constexpr int SEC_RAW_SIZE = 16;
constexpr int SEC_RAW_POINTER = 20;

struct PeSection {
  std::string name;
  size_t header;  // file offset of its section header
  uint32_t virtualSize, address, rawSize, rawPointer;
};

struct PeImage {
  size_t optional = 0;  // file offset of the optional header
  uint32_t directoryCount = 0;
  uint32_t fileAlignment = 0, sectionAlignment = 0;
  std::vector<PeSection> sections;
  // The address and size of data directory `index` (0, 0 when absent).
  uint32_t directoryAddress(const std::string& image, int index) const;
  uint32_t directorySize(const std::string& image, int index) const;
  size_t directoryField(int index) const { return optional + OPT_DIRECTORIES + 8 * index; }
};

// False (with `problem` saying why) when `image` is not a PE32 image whose headers lie inside it.
bool parsePeImage(const std::string& image, PeImage& pe, std::string& problem);
// The PE checksum of `image` with its own checksum field taken as zero.
uint32_t peChecksum(const std::string& image, size_t checksumField);

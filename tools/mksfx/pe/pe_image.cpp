// Reads the headers of a PE32 image (see pe_image.h) and computes its checksum.
#include "pe/pe_image.h"

#include "archive/zip_format.h"

namespace {

const uint8_t* at(const std::string& s, size_t offset) { return reinterpret_cast<const uint8_t*>(s.data()) + offset; }

}  // namespace

uint32_t PeImage::directoryAddress(const std::string& image, int index) const {
  return static_cast<uint32_t>(index) < directoryCount ? le32(at(image, directoryField(index))) : 0;
}

uint32_t PeImage::directorySize(const std::string& image, int index) const {
  return static_cast<uint32_t>(index) < directoryCount ? le32(at(image, directoryField(index) + 4)) : 0;
}

bool parsePeImage(const std::string& image, PeImage& pe, std::string& problem) {
  if (image.size() < 64 || image[0] != 'M' || image[1] != 'Z') {
    problem = "it does not start with \"MZ\"";
    return false;
  }
  size_t header = le32(at(image, MZ_LFANEW));
  if (header > image.size() || image.size() - header < OPTIONAL_HEADER + OPT_DIRECTORIES ||
      le32(at(image, header)) != PE_SIGNATURE) {
    problem = "it has no PE header";
    return false;
  }
  pe.optional = header + OPTIONAL_HEADER;
  uint16_t optionalSize = le16(at(image, header + COFF_OPTIONAL_SIZE));
  if (le16(at(image, pe.optional + OPT_MAGIC)) != PE32_MAGIC || optionalSize < OPT_DIRECTORIES ||
      pe.optional + optionalSize > image.size()) {
    problem = "it is not a 32-bit (PE32) image";
    return false;
  }
  pe.directoryCount = le32(at(image, pe.optional + OPT_DIRECTORY_COUNT));
  if (pe.directoryCount > (optionalSize - OPT_DIRECTORIES) / 8u) pe.directoryCount = (optionalSize - OPT_DIRECTORIES) / 8u;
  pe.fileAlignment = le32(at(image, pe.optional + OPT_FILE_ALIGNMENT));
  pe.sectionAlignment = le32(at(image, pe.optional + OPT_SECTION_ALIGNMENT));
  // Powers of two, the file's at most 64 KB and not above the memory's (as loaders require).
  auto powerOfTwo = [](uint32_t v) { return v != 0 && (v & (v - 1)) == 0; };
  if (!powerOfTwo(pe.fileAlignment) || !powerOfTwo(pe.sectionAlignment) || pe.fileAlignment > 0x10000 ||
      pe.sectionAlignment > 0x100000 || pe.fileAlignment > pe.sectionAlignment) {
    problem = "its alignment values are not ones a loader accepts";
    return false;
  }
  size_t table = pe.optional + optionalSize;
  uint16_t count = le16(at(image, header + COFF_SECTION_COUNT));
  if (table + size_t(count) * SECTION_HEADER_SIZE > image.size()) {
    problem = "its section table runs past its end";
    return false;
  }
  pe.sections.clear();
  for (uint16_t i = 0; i < count; ++i) {
    size_t h = table + size_t(i) * SECTION_HEADER_SIZE;
    PeSection s;
    s.header = h;
    s.name.assign(image, h, 8);
    s.name.resize(s.name.find('\0') == std::string::npos ? 8 : s.name.find('\0'));
    s.virtualSize = le32(at(image, h + SEC_VIRTUAL_SIZE));
    s.address = le32(at(image, h + SEC_ADDRESS));
    s.rawSize = le32(at(image, h + SEC_RAW_SIZE));
    s.rawPointer = le32(at(image, h + SEC_RAW_POINTER));
    pe.sections.push_back(s);
  }
  return true;
}

uint32_t peChecksum(const std::string& image, size_t checksumField) {
  // The sum of the image's 16-bit words with end-around carry, the field itself counted as
  // zero, plus the image's length.
  uint64_t sum = 0;
  for (size_t i = 0; i < image.size(); i += 2) {
    if (i >= checksumField && i < checksumField + 4) continue;
    uint32_t word = static_cast<uint8_t>(image[i]);
    if (i + 1 < image.size()) word |= uint32_t(static_cast<uint8_t>(image[i + 1])) << 8;
    sum += word;
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<uint32_t>(sum + image.size());
}

// Reads and writes the resource tree of the stub's program image. The tree has three levels
// of directories (type, name, language) whose entries are sorted names first, then numbers;
// its leaves point at data by address. The builder reads the whole tree, changes the icon,
// the version record and the manifest, and writes the tree anew in place of the old one.
// The resource section may grow: it must then be the last section but for the relocations,
// which lie behind it, hold no addresses of their own and so move behind it unchanged but
// for their directory entry. Every read is checked against the section it lies in.
#include "pe/pe_resources.h"

#include <cstdio>
#include <cstring>

#include "archive/zip_format.h"
#include "base/code_page.h"
#include "host/host.h"
#include "pe/pe_image.h"

namespace {

constexpr uint32_t RT_ICON = 3;
constexpr uint32_t RT_GROUP_ICON = 14;
constexpr uint32_t RT_VERSION = 16;
constexpr uint32_t RT_MANIFEST = 24;
constexpr uint32_t HIGH_BIT = 0x80000000u;
constexpr int DIRECTORY_SIZE = 16;  // characteristics, time, version, named and numbered counts
constexpr int DIRECTORY_NAMED = 12;
constexpr int DIRECTORY_NUMBERED = 14;
constexpr int ENTRY_SIZE = 8;  // name or number, offset of the data or the subdirectory
constexpr int DATA_ENTRY_SIZE = 16;  // address, size, code page, reserved
constexpr int ICONDIR_SIZE = 6;  // reserved, type 1, count
constexpr int ICON_ENTRY_SIZE = 16;  // in an .ico file: ..., size, file offset
constexpr int GROUP_ENTRY_SIZE = 14;  // in a group icon: ..., size, icon number
constexpr uint32_t FIXED_SIGNATURE = 0xFEEF04BD;
constexpr int FIXED_FILE_VERSION = 8;  // high and low halves, then the product version
constexpr int FIXED_PRODUCT_VERSION = 16;
constexpr int FIXED_SIZE = 52;

// A name or a number at one level of the tree. Names come first, in upper-case order, as
// the loader's search expects.
struct ResourceKey {
  std::u16string name;
  uint32_t id = 0;
  bool operator<(const ResourceKey& o) const {
    if (name.empty() != o.name.empty()) return !name.empty();
    if (name.empty()) return id < o.id;
    auto upper = [](char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - 32) : c; };
    for (size_t i = 0; i < name.size() && i < o.name.size(); ++i) {
      if (upper(name[i]) != upper(o.name[i])) return upper(name[i]) < upper(o.name[i]);
    }
    return name.size() < o.name.size();
  }
};

struct ResourceLeaf {
  std::string data;
  uint32_t codePage = 0;
};

using Languages = std::map<ResourceKey, ResourceLeaf>;
using Names = std::map<ResourceKey, Languages>;
using ResourceTree = std::map<ResourceKey, Names>;

ResourceKey numbered(uint32_t id) {
  ResourceKey k;
  k.id = id;
  return k;
}

const uint8_t* bytes(const std::string& s, size_t at) { return reinterpret_cast<const uint8_t*>(s.data()) + at; }

void put16(std::string& s, size_t at, uint16_t v) { putLe16(reinterpret_cast<uint8_t*>(&s[at]), v); }
void put32(std::string& s, size_t at, uint32_t v) { putLe32(reinterpret_cast<uint8_t*>(&s[at]), v); }
void append16(std::string& s, uint16_t v) { s.append(2, '\0'), put16(s, s.size() - 2, v); }
void append32(std::string& s, uint32_t v) { s.append(4, '\0'), put32(s, s.size() - 4, v); }
void align(std::string& s, size_t to) { s.append((to - s.size() % to) % to, '\0'); }

// ---- reading the tree -----------------------------------------------------------------------

struct Section {
  const std::string* image;
  size_t start;      // file offset of the section's data
  size_t size;       // bytes of it present in the file
  uint32_t address;  // its address in memory
};

// What one read of the tree may still take. Directories, names and data may be shared by
// any number of entries and are read once for each, so the entries are counted, and so are
// the bytes copied: of data, no more than the section holds (each resource has data of its
// own); of names, which are short identifiers (the stub has none), 64 KB, which only names
// shared many times reach.
struct ReadBudget {
  explicit ReadBudget(size_t sectionSize) : dataBytes(sectionSize) {}
  size_t entries = 65536;
  size_t nameBytes = 65536;
  size_t dataBytes;
  static bool take(size_t& left, size_t n) {
    if (n > left) return false;
    left -= n;
    return true;
  }
};

bool readKey(const Section& s, uint32_t field, ResourceKey& key, ReadBudget& budget) {
  if (!(field & HIGH_BIT)) {
    key.id = field;
    return true;
  }
  size_t at = field & ~HIGH_BIT;
  if (at + 2 > s.size) return false;
  size_t length = le16(bytes(*s.image, s.start + at));
  if (at + 2 + 2 * length > s.size || !ReadBudget::take(budget.nameBytes, 2 * length)) return false;
  for (size_t i = 0; i < length; ++i) key.name += char16_t(le16(bytes(*s.image, s.start + at + 2 + 2 * i)));
  return !key.name.empty();
}

// The entries of the directory at `at`: key and the raw offset field. False when it overruns
// the section or the budget.
bool readDirectory(const Section& s, size_t at, std::vector<std::pair<ResourceKey, uint32_t>>& entries,
                   ReadBudget& budget) {
  if (at + DIRECTORY_SIZE > s.size) return false;
  size_t count = size_t(le16(bytes(*s.image, s.start + at + DIRECTORY_NAMED))) +
                 le16(bytes(*s.image, s.start + at + DIRECTORY_NUMBERED));
  if (at + DIRECTORY_SIZE + count * ENTRY_SIZE > s.size || count > budget.entries) return false;
  budget.entries -= count;
  for (size_t i = 0; i < count; ++i) {
    size_t e = s.start + at + DIRECTORY_SIZE + i * ENTRY_SIZE;
    ResourceKey key;
    if (!readKey(s, le32(bytes(*s.image, e)), key, budget)) return false;
    entries.emplace_back(key, le32(bytes(*s.image, e + 4)));
  }
  return true;
}

bool readLeaf(const Section& s, uint32_t field, ResourceLeaf& leaf, ReadBudget& budget) {
  if (field & HIGH_BIT || field + DATA_ENTRY_SIZE > s.size) return false;
  const uint8_t* d = bytes(*s.image, s.start + field);
  uint32_t address = le32(d), size = le32(d + 4);
  // The data lies in the same section (as every linker writes it).
  if (address < s.address || address - s.address > s.size || size > s.size - (address - s.address) ||
      !ReadBudget::take(budget.dataBytes, size)) {
    return false;
  }
  leaf.data.assign(*s.image, s.start + (address - s.address), size);
  leaf.codePage = le32(d + 8);
  return true;
}

// Subdirectory offsets point forwards or backwards freely; the three fixed levels bound the
// depth, and the budget keeps directories, names and data shared by many entries from
// multiplying the work.
bool readTree(const Section& s, ResourceTree& tree) {
  ReadBudget budget(s.size);
  std::vector<std::pair<ResourceKey, uint32_t>> types;
  if (!readDirectory(s, 0, types, budget)) return false;
  for (const auto& t : types) {
    if (!(t.second & HIGH_BIT)) return false;
    std::vector<std::pair<ResourceKey, uint32_t>> names;
    if (!readDirectory(s, t.second & ~HIGH_BIT, names, budget)) return false;
    for (const auto& n : names) {
      if (!(n.second & HIGH_BIT)) return false;
      std::vector<std::pair<ResourceKey, uint32_t>> languages;
      if (!readDirectory(s, n.second & ~HIGH_BIT, languages, budget)) return false;
      for (const auto& l : languages) {
        if (!readLeaf(s, l.second, tree[t.first][n.first][l.first], budget)) return false;
      }
    }
  }
  return true;
}

// ---- writing the tree -----------------------------------------------------------------------

// Lays the tree out as directories (breadth first), names, data entries and data (each on an
// 8-byte boundary). `address` is where the section lies in memory.
std::string writeTree(const ResourceTree& tree, uint32_t address) {
  size_t directories = DIRECTORY_SIZE + tree.size() * ENTRY_SIZE;
  size_t leaves = 0;
  std::vector<const ResourceKey*> keys;
  for (const auto& t : tree) {
    keys.push_back(&t.first);
    directories += DIRECTORY_SIZE + t.second.size() * ENTRY_SIZE;
    for (const auto& n : t.second) {
      keys.push_back(&n.first);
      directories += DIRECTORY_SIZE + n.second.size() * ENTRY_SIZE;
      for (const auto& l : n.second) keys.push_back(&l.first), ++leaves;
    }
  }
  std::string names;
  std::map<std::u16string, size_t> nameAt;
  for (const ResourceKey* k : keys) {
    if (k->name.empty() || nameAt.count(k->name)) continue;
    nameAt[k->name] = directories + names.size();
    append16(names, static_cast<uint16_t>(k->name.size()));
    for (char16_t c : k->name) append16(names, c);
  }
  size_t dataEntries = (directories + names.size() + 7) / 8 * 8;
  size_t data = dataEntries + leaves * DATA_ENTRY_SIZE;

  std::string out(data, '\0');
  std::memcpy(&out[directories], names.data(), names.size());
  size_t nextDirectory = 0, nextLeaf = dataEntries;
  auto keyField = [&](const ResourceKey& k) { return k.name.empty() ? k.id : uint32_t(HIGH_BIT | nameAt[k.name]); };
  auto directory = [&](size_t named, size_t count) {
    size_t at = nextDirectory;
    put16(out, at + DIRECTORY_NAMED, static_cast<uint16_t>(named));
    put16(out, at + DIRECTORY_NUMBERED, static_cast<uint16_t>(count - named));
    nextDirectory += DIRECTORY_SIZE + count * ENTRY_SIZE;
    return at + DIRECTORY_SIZE;
  };
  auto namedCount = [](const auto& level) {
    size_t n = 0;
    for (const auto& e : level) n += !e.first.name.empty();
    return n;
  };
  size_t typeEntry = directory(namedCount(tree), tree.size());
  std::vector<std::pair<size_t, const Names*>> typeDirs;
  for (const auto& t : tree) {
    put32(out, typeEntry, keyField(t.first));
    typeDirs.emplace_back(typeEntry + 4, &t.second);
    typeEntry += ENTRY_SIZE;
  }
  std::vector<std::pair<size_t, const Languages*>> nameDirs;
  for (const auto& td : typeDirs) {
    put32(out, td.first, uint32_t(HIGH_BIT | nextDirectory));
    size_t e = directory(namedCount(*td.second), td.second->size());
    for (const auto& n : *td.second) {
      put32(out, e, keyField(n.first));
      nameDirs.emplace_back(e + 4, &n.second);
      e += ENTRY_SIZE;
    }
  }
  for (const auto& nd : nameDirs) {
    put32(out, nd.first, uint32_t(HIGH_BIT | nextDirectory));
    size_t e = directory(namedCount(*nd.second), nd.second->size());
    for (const auto& l : *nd.second) {
      put32(out, e, keyField(l.first));
      put32(out, e + 4, static_cast<uint32_t>(nextLeaf));
      align(out, 8);
      put32(out, nextLeaf, static_cast<uint32_t>(address + out.size()));
      put32(out, nextLeaf + 4, static_cast<uint32_t>(l.second.data.size()));
      put32(out, nextLeaf + 8, l.second.codePage);
      out += l.second.data;
      nextLeaf += DATA_ENTRY_SIZE;
      e += ENTRY_SIZE;
    }
  }
  return out;
}

// ---- the image around the tree --------------------------------------------------------------

// In 64 bits: a section's size near 4 GiB in a damaged stub does not wrap to a small end.
uint64_t alignUp(uint64_t v, uint64_t to) { return (v + to - 1) / to * to; }

// The section that holds the resource directory, or -1 (with `problem`) when there is none.
int resourceSection(const std::string& image, const PeImage& pe, std::string& problem) {
  uint32_t address = pe.directoryAddress(image, DIRECTORY_RESOURCES);
  if (address == 0 || pe.directorySize(image, DIRECTORY_RESOURCES) == 0) {
    problem = "the stub has no resources";
    return -1;
  }
  for (size_t i = 0; i < pe.sections.size(); ++i) {
    const PeSection& s = pe.sections[i];
    if (address == s.address && s.rawPointer <= image.size() && s.rawSize <= image.size() - s.rawPointer) {
      return static_cast<int>(i);
    }
  }
  problem = "the stub's resource directory does not start a section";
  return -1;
}

bool readStubTree(const std::string& image, ResourceTree& tree, std::string& problem) {
  PeImage pe;
  if (!parsePeImage(image, pe, problem)) {
    problem = "the stub's resources cannot be read: " + problem;
    return false;
  }
  int index = resourceSection(image, pe, problem);
  if (index < 0) return false;
  const PeSection& s = pe.sections[index];
  Section section{&image, s.rawPointer, s.rawSize, s.address};
  if (!readTree(section, tree)) {
    problem = "the stub's resource tree is damaged";
    return false;
  }
  return true;
}

// Puts `rsrc` in place of the resource section's data. Sections behind it may only be the
// relocations, which move with it.
bool replaceResourceSection(std::string& image, const std::string& rsrc, std::string& problem) {
  PeImage pe;
  if (!parsePeImage(image, pe, problem)) return false;
  int index = resourceSection(image, pe, problem);
  if (index < 0) return false;
  const PeSection& r = pe.sections[index];
  // The stub must end below the configuration block's search limit; larger is refused there.
  if (rsrc.size() > 1u << 24 || image.size() > 1u << 24) {
    problem = "the stub's resources would exceed 16 MB";
    return false;
  }
  // The relocations move by the resources' growth, in the file and in memory, so they must lie
  // wholly behind them in both; one that overlaps them would take the resource directory's
  // own entry along.
  const uint64_t resourceEnd = r.address + alignUp(r.virtualSize, pe.sectionAlignment);
  for (size_t i = index + 1; i < pe.sections.size(); ++i) {
    const PeSection& s = pe.sections[i];
    if (s.name != ".reloc") {
      problem = "the stub's resources are followed by the section " + s.name + ", which cannot move";
      return false;
    }
    if (s.address < resourceEnd || (s.rawPointer != 0 && s.rawPointer < uint64_t(r.rawPointer) + r.rawSize)) {
      problem = "the stub's section " + s.name + " behind its resources overlaps them";
      return false;
    }
  }
  uint32_t newRaw = static_cast<uint32_t>(alignUp(rsrc.size(), pe.fileAlignment));
  int64_t rawDelta = int64_t(newRaw) - r.rawSize;
  int64_t addressDelta = int64_t(alignUp(rsrc.size(), pe.sectionAlignment)) -
                         int64_t(alignUp(r.virtualSize, pe.sectionAlignment));
  std::string out = image.substr(0, r.rawPointer);
  out += rsrc;
  out.resize(r.rawPointer + newRaw, '\0');
  out.append(image, r.rawPointer + r.rawSize, std::string::npos);
  put32(out, r.header + SEC_VIRTUAL_SIZE, static_cast<uint32_t>(rsrc.size()));
  put32(out, r.header + SEC_RAW_SIZE, newRaw);
  for (size_t i = index + 1; i < pe.sections.size(); ++i) {
    const PeSection& s = pe.sections[i];
    put32(out, s.header + SEC_ADDRESS, static_cast<uint32_t>(s.address + addressDelta));
    if (s.rawPointer) put32(out, s.header + SEC_RAW_POINTER, static_cast<uint32_t>(s.rawPointer + rawDelta));
    // Every directory that lies in a moved section moves with it (the relocations).
    for (uint32_t d = 0; d < pe.directoryCount; ++d) {
      uint32_t a = pe.directoryAddress(image, d);
      if (d != DIRECTORY_SECURITY && a >= s.address && a < s.address + alignUp(s.virtualSize, pe.sectionAlignment)) {
        put32(out, pe.directoryField(d), static_cast<uint32_t>(a + addressDelta));
      }
    }
  }
  put32(out, pe.directoryField(DIRECTORY_RESOURCES) + 4, static_cast<uint32_t>(rsrc.size()));
  put32(out, pe.optional + OPT_IMAGE_SIZE, static_cast<uint32_t>(le32(bytes(image, pe.optional + OPT_IMAGE_SIZE)) + addressDelta));
  put32(out, pe.optional + OPT_INITIALIZED_DATA,
        static_cast<uint32_t>(le32(bytes(image, pe.optional + OPT_INITIALIZED_DATA)) + rawDelta));
  put32(out, pe.optional + OPT_CHECKSUM, 0);
  put32(out, pe.optional + OPT_CHECKSUM, peChecksum(out, pe.optional + OPT_CHECKSUM));
  image.swap(out);
  return true;
}

// ---- text -----------------------------------------------------------------------------------

std::u16string ascii16(const char* text) {
  std::u16string out;
  while (*text) out += char16_t(*text++);
  return out;
}


// ---- the version record ---------------------------------------------------------------------

// One node of the version record: its length, the length of its value, its type (1 text,
// 0 binary), its key, then on 4-byte boundaries its value and its children.
struct VersionNode {
  std::u16string key;
  uint16_t type = 1;
  bool hasValue = false;
  std::u16string text;  // the value of a text node, without its terminating zero
  std::string binary;   // the value of a binary node
  std::vector<VersionNode> children;
};

size_t align4(size_t v) { return (v + 3) & ~size_t(3); }

bool readVersionNode(const std::string& d, size_t at, size_t limit, VersionNode& node, int depth) {
  if (depth > 4 || at + 6 > limit) return false;
  size_t length = le16(bytes(d, at)), valueLength = le16(bytes(d, at + 2));
  node.type = le16(bytes(d, at + 4));
  if (length < 6 || length > limit - at) return false;
  size_t end = at + length, p = at + 6;
  for (; p + 2 <= end && le16(bytes(d, p)) != 0; p += 2) node.key += char16_t(le16(bytes(d, p)));
  if (p + 2 > end) return false;
  p = align4(p + 2);
  if (valueLength > 0 && p < end) {
    node.hasValue = true;
    // Writers differ on whether a text value's length counts characters or bytes; the
    // node's own end bounds it either way, and the text ends at its zero.
    size_t size = node.type == 1 ? 2 * valueLength : valueLength;
    if (size > end - p) size = end - p;
    if (node.type == 1) {
      for (size_t q = p; q + 2 <= p + size && le16(bytes(d, q)) != 0; q += 2) node.text += char16_t(le16(bytes(d, q)));
    } else {
      node.binary.assign(d, p, size);
    }
    p += size;
  }
  for (p = align4(p); p + 6 <= end; p = align4(p + le16(bytes(d, p)))) {
    VersionNode child;
    if (!readVersionNode(d, p, end, child, depth + 1)) return false;
    node.children.push_back(child);
  }
  return true;
}

void writeVersionNode(const VersionNode& node, std::string& out) {
  size_t start = out.size();
  append16(out, 0);
  size_t valueLength = !node.hasValue ? 0 : node.type == 1 ? node.text.size() + 1 : node.binary.size();
  append16(out, static_cast<uint16_t>(valueLength));
  append16(out, node.type);
  for (char16_t c : node.key) append16(out, c);
  append16(out, 0);
  align(out, 4);
  if (node.hasValue && node.type == 1) {
    for (char16_t c : node.text) append16(out, c);
    append16(out, 0);
  } else if (node.hasValue) {
    out += node.binary;
  }
  for (const VersionNode& child : node.children) {
    align(out, 4);
    writeVersionNode(child, out);
  }
  put16(out, start, static_cast<uint16_t>(out.size() - start));
}

VersionNode* childNamed(VersionNode& node, const std::u16string& key) {
  for (VersionNode& c : node.children) {
    if (c.key == key) return &c;
  }
  return nullptr;
}

// How a version text reads as the fixed record's numbers.
enum class VersionText { NoNumbers, Numbers, TooLarge };

// "2.1.0.7" or "2, 1, 0, 7" (up to four numbers below 65536, anything after them ignored) as
// the two 32-bit halves of the fixed record; TooLarge when one of the leading numbers is
// 65536 or more.
VersionText versionNumbers(const std::string& text, uint32_t& high, uint32_t& low) {
  uint32_t part[4] = {0, 0, 0, 0};
  size_t i = 0;
  int count = 0;
  while (count < 4 && i < text.size() && text[i] >= '0' && text[i] <= '9') {
    uint32_t v = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9' && v <= 0xFFFF) v = v * 10 + (text[i++] - '0');
    if (v > 0xFFFF) return VersionText::TooLarge;
    part[count++] = v;
    // "2.1.0.5", or "2, 1, 0, 5" as resource scripts have long written it.
    if (i < text.size() && text[i] == '.') {
      ++i;
    } else if (i < text.size() && text[i] == ',') {
      for (++i; i < text.size() && text[i] == ' ';) ++i;
    } else {
      break;
    }
  }
  if (count == 0) return VersionText::NoNumbers;
  high = part[0] << 16 | part[1];
  low = part[2] << 16 | part[3];
  return VersionText::Numbers;
}

ResourceLeaf* versionLeaf(ResourceTree& tree) {
  auto type = tree.find(numbered(RT_VERSION));
  if (type == tree.end() || type->second.empty() || type->second.begin()->second.empty()) return nullptr;
  return &type->second.begin()->second.begin()->second;
}

bool setVersionStrings(ResourceTree& tree, const std::vector<std::pair<std::string, std::string>>& strings,
                       std::string& problem, Reporter& reporter) {
  ResourceLeaf* leaf = versionLeaf(tree);
  VersionNode root;
  if (!leaf || !readVersionNode(leaf->data, 0, leaf->data.size(), root, 0)) {
    problem = "--version-info: the stub has no readable version record";
    return false;
  }
  VersionNode* files = childNamed(root, ascii16("StringFileInfo"));
  if (!files || files->children.empty()) {
    problem = "--version-info: the stub's version record has no string table";
    return false;
  }
  VersionNode& table = files->children.front();
  for (const auto& kv : strings) {
    std::u16string key = ascii16(kv.first.c_str()), value;
    if (!utf8ToUtf16(kv.second, value)) {
      problem = "--version-info " + kv.first + ": the value is not UTF-8";
      return false;
    }
    VersionNode* entry = childNamed(table, key);
    if (!entry) {
      table.children.emplace_back();
      entry = &table.children.back();
      entry->key = key;
    }
    entry->type = 1;
    entry->hasValue = true;
    entry->text = value;
    int field = kv.first == "FileVersion" ? FIXED_FILE_VERSION : kv.first == "ProductVersion" ? FIXED_PRODUCT_VERSION : -1;
    uint32_t high, low;
    VersionText numbers = field >= 0 ? versionNumbers(kv.second, high, low) : VersionText::NoNumbers;
    if (numbers == VersionText::TooLarge) {
      reporter.warning("--version-info " + kv.first + "=" + kv.second + ": a number above 65535 does not fit the " +
                       "numeric version, which stays the stub's");
    }
    if (numbers == VersionText::Numbers && root.binary.size() >= FIXED_SIZE &&
        le32(bytes(root.binary, 0)) == FIXED_SIGNATURE) {
      put32(root.binary, field, high);
      put32(root.binary, field + 4, low);
    }
  }
  std::string out;
  writeVersionNode(root, out);
  if (out.size() > 0xFFFF) {
    problem = "--version-info: the version record would exceed 65,535 bytes";
    return false;
  }
  leaf->data = out;
  return true;
}

// A version of the record's fixed part ("1.2.3.4": the high and low halves of two 32-bit
// words); empty when the record has no fixed part.
std::string fixedVersion(const VersionNode& root, int field) {
  if (root.binary.size() < FIXED_SIZE || le32(bytes(root.binary, 0)) != FIXED_SIGNATURE) return std::string();
  uint32_t high = le32(bytes(root.binary, field)), low = le32(bytes(root.binary, field + 4));
  return std::to_string(high >> 16) + "." + std::to_string(high & 0xFFFF) + "." + std::to_string(low >> 16) + "." +
         std::to_string(low & 0xFFFF);
}

void readVersion(ResourceTree& tree, ProgramIdentity& identity) {
  ResourceLeaf* leaf = versionLeaf(tree);
  VersionNode root;
  if (!leaf || !readVersionNode(leaf->data, 0, leaf->data.size(), root, 0)) return;
  identity.hasVersion = true;
  identity.fileVersion = fixedVersion(root, FIXED_FILE_VERSION);
  identity.productVersion = fixedVersion(root, FIXED_PRODUCT_VERSION);
  VersionNode* files = childNamed(root, ascii16("StringFileInfo"));
  if (!files || files->children.empty()) return;
  for (const VersionNode& entry : files->children.front().children) {
    identity.versionStrings.emplace_back(escapeControls(utf16ToUtf8(entry.key), false),
                                         escapeControls(utf16ToUtf8(entry.text), false));
  }
}

// ---- the icon -------------------------------------------------------------------------------

struct IconImage {
  std::string header;  // the first 12 bytes of its directory entry: size, colours, planes, bits
  std::string data;
};

bool parseIconFile(const std::string& file, const std::string& path, std::vector<IconImage>& images,
                   std::string& problem) {
  if (file.size() < ICONDIR_SIZE || le16(bytes(file, 0)) != 0 || le16(bytes(file, 2)) != 1 ||
      le16(bytes(file, 4)) == 0) {
    problem = path + " is not an icon file (.ico)";
    return false;
  }
  size_t count = le16(bytes(file, 4));
  if (ICONDIR_SIZE + count * ICON_ENTRY_SIZE > file.size()) {
    problem = path + ": its image list runs past its end";
    return false;
  }
  size_t total = 0;
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* e = bytes(file, ICONDIR_SIZE + i * ICON_ENTRY_SIZE);
    uint32_t size = le32(e + 8), offset = le32(e + 12);
    if (size == 0 || offset > file.size() || size > file.size() - offset) {
      problem = path + ": image " + std::to_string(i + 1) + " lies outside the file";
      return false;
    }
    // The images of an icon file lie apart, so together they fit in it; images sharing
    // their bytes would be copied once each, up to 65,535 times the file.
    total += size;
    if (total > file.size()) {
      problem = path + ": its images overlap each other";
      return false;
    }
    IconImage image;
    image.header.assign(reinterpret_cast<const char*>(e), 12);
    image.data.assign(file, offset, size);
    images.push_back(image);
  }
  return true;
}

// The first group icon and its images as an .ico file: the group's 14-byte entries end in
// an icon number where the file's 16-byte entries end in a file offset.
std::string iconFileOf(const ResourceTree& tree, std::vector<IconSize>& sizes) {
  auto groups = tree.find(numbered(RT_GROUP_ICON));
  auto icons = tree.find(numbered(RT_ICON));
  if (groups == tree.end() || groups->second.empty() || groups->second.begin()->second.empty()) return std::string();
  const std::string& g = groups->second.begin()->second.begin()->second.data;
  size_t count = g.size() >= ICONDIR_SIZE ? le16(bytes(g, 4)) : 0;
  std::string head, images;
  size_t taken = 0;
  for (size_t i = 0; i < count && ICONDIR_SIZE + (i + 1) * GROUP_ENTRY_SIZE <= g.size(); ++i) {
    const uint8_t* e = bytes(g, ICONDIR_SIZE + i * GROUP_ENTRY_SIZE);
    if (icons == tree.end()) break;
    auto image = icons->second.find(numbered(le16(e + 12)));
    if (image == icons->second.end() || image->second.empty()) continue;
    const std::string& data = image->second.begin()->second.data;
    head.append(reinterpret_cast<const char*>(e), 8);
    append32(head, static_cast<uint32_t>(data.size()));
    append32(head, 0);  // the offset, set below
    images += data;
    sizes.push_back({e[0] ? e[0] : 256, e[1] ? e[1] : 256, le16(e + 6)});
    ++taken;
  }
  if (taken == 0) return std::string();
  std::string file;
  append16(file, 0);
  append16(file, 1);
  append16(file, static_cast<uint16_t>(taken));
  uint32_t offset = static_cast<uint32_t>(ICONDIR_SIZE + taken * ICON_ENTRY_SIZE);
  for (size_t i = 0; i < taken; ++i) {
    put32(head, i * ICON_ENTRY_SIZE + 12, offset);
    offset += le32(bytes(head, i * ICON_ENTRY_SIZE + 8));
  }
  return file + head + images;
}

// Replaces the first group icon (the one Windows shows for the file) and its images.
bool replaceIcon(ResourceTree& tree, const std::vector<IconImage>& images, std::string& problem) {
  Names& groups = tree[numbered(RT_GROUP_ICON)];
  Names& icons = tree[numbered(RT_ICON)];
  ResourceKey language = numbered(0);
  if (groups.empty()) {
    groups[numbered(1)];
  } else {
    Languages& old = groups.begin()->second;
    if (!old.empty()) language = old.begin()->first;
    for (const auto& l : old) {
      const std::string& g = l.second.data;
      size_t count = g.size() >= ICONDIR_SIZE ? le16(bytes(g, 4)) : 0;
      for (size_t i = 0; i < count && ICONDIR_SIZE + (i + 1) * GROUP_ENTRY_SIZE <= g.size(); ++i) {
        icons.erase(numbered(le16(bytes(g, ICONDIR_SIZE + i * GROUP_ENTRY_SIZE + 12))));
      }
    }
    old.clear();
  }
  std::string group;
  append16(group, 0);
  append16(group, 1);
  append16(group, static_cast<uint16_t>(images.size()));
  uint32_t id = 1;
  for (const IconImage& image : images) {
    while (icons.count(numbered(id))) ++id;
    if (id > 0xFFFF) {
      problem = "no free icon numbers left in the stub";
      return false;
    }
    icons[numbered(id)][language].data = image.data;
    group += image.header.substr(0, 8);
    append32(group, static_cast<uint32_t>(image.data.size()));
    append16(group, static_cast<uint16_t>(id++));
  }
  groups.begin()->second[language].data = group;
  return true;
}

// ---- the manifest ---------------------------------------------------------------------------

bool setManifestLevel(ResourceTree& tree, const std::string& level, std::string& problem) {
  auto type = tree.find(numbered(RT_MANIFEST));
  if (type == tree.end() || type->second.empty() || type->second.begin()->second.empty()) {
    problem = "--manifest-level: the stub has no application manifest";
    return false;
  }
  std::string& text = type->second.begin()->second.begin()->second.data;
  size_t element = text.find("requestedExecutionLevel");
  size_t attribute = element == std::string::npos ? element : text.find("level=", element);
  size_t close = element == std::string::npos ? element : text.find('>', element);
  if (attribute == std::string::npos || attribute > close || attribute + 7 >= text.size()) {
    problem = "--manifest-level: the stub's manifest names no execution level";
    return false;
  }
  char quote = text[attribute + 6];
  size_t end = text.find(quote, attribute + 7);
  if ((quote != '"' && quote != '\'') || end == std::string::npos) {
    problem = "--manifest-level: the stub's manifest is malformed";
    return false;
  }
  text.replace(attribute + 7, end - attribute - 7, level);
  return true;
}

std::string manifestLevelOf(const ResourceTree& tree) {
  auto type = tree.find(numbered(RT_MANIFEST));
  if (type == tree.end() || type->second.empty() || type->second.begin()->second.empty()) return "(no manifest)";
  const std::string& text = type->second.begin()->second.begin()->second.data;
  size_t element = text.find("requestedExecutionLevel");
  size_t attribute = element == std::string::npos ? element : text.find("level=", element);
  if (attribute == std::string::npos || attribute + 7 >= text.size()) return "(none named)";
  size_t end = text.find(text[attribute + 6], attribute + 7);
  return end == std::string::npos ? "(malformed)" : escapeControls(text.substr(attribute + 7, end - attribute - 7), false);
}

}  // namespace

const char* const VERSION_KEY_LIST =
    "ProductName, FileDescription, CompanyName, LegalCopyright, ProductVersion, FileVersion, OriginalFilename";

bool isVersionKey(const std::string& key) {
  static const char* const KEYS[] = {"ProductName",    "FileDescription", "CompanyName",   "LegalCopyright",
                                     "ProductVersion", "FileVersion",     ORIGINAL_FILENAME_KEY};
  for (const char* k : KEYS) {
    if (key == k) return true;
  }
  return false;
}

bool isManifestLevel(const std::string& level) { return level == "asInvoker" || level == "requireAdministrator"; }

void applyResourceEdits(std::string& stub, const ResourceEdits& edits, const std::string& originalFilename,
                        Reporter& reporter) {
  ResourceTree tree;
  std::string problem;
  std::vector<IconImage> images;
  std::vector<std::pair<std::string, std::string>> strings = edits.versionStrings;
  // The output's own name goes first, so that a name the author gives wins. A stub without
  // a version record (or without resources) is left as it is unless the author asked for more.
  if (!originalFilename.empty() && readStubTree(stub, tree, problem) && versionLeaf(tree)) {
    strings.insert(strings.begin(), {ORIGINAL_FILENAME_KEY, originalFilename});
  }
  if (!edits.any() && strings.empty()) return;
  std::string iconFile = edits.iconFile, iconName = "the icon of the settings";
  if (!edits.icon.empty()) {
    iconName = edits.icon;
    if (!hostReadWholeFile(edits.icon, iconFile)) {
      std::string reason = hostErrorText();
      if (hostExists(edits.icon) && !hostIsFile(edits.icon)) reason = "not a regular file";
      reporter.error("cannot read the icon " + edits.icon + ": " + reason);
      return;
    }
  }
  // An icon file that is given is parsed even when empty, so that an empty one is refused.
  bool iconGiven = !edits.icon.empty() || !iconFile.empty();
  tree.clear();
  if (!readStubTree(stub, tree, problem) ||
      (iconGiven && (!parseIconFile(iconFile, iconName, images, problem) || !replaceIcon(tree, images, problem))) ||
      (!strings.empty() && !setVersionStrings(tree, strings, problem, reporter)) ||
      (!edits.manifestLevel.empty() && !setManifestLevel(tree, edits.manifestLevel, problem))) {
    reporter.error(problem);
    return;
  }
  PeImage pe;
  parsePeImage(stub, pe, problem);
  std::string rewritten = stub;
  if (!replaceResourceSection(rewritten, writeTree(tree, pe.directoryAddress(stub, DIRECTORY_RESOURCES)), problem)) {
    reporter.error(problem);
    return;
  }
  stub.swap(rewritten);
}

bool readProgramIdentity(const std::string& image, ProgramIdentity& identity, std::string& problem) {
  identity = ProgramIdentity();
  ResourceTree tree;
  if (!readStubTree(image, tree, problem)) return false;
  identity.iconFile = iconFileOf(tree, identity.icons);
  readVersion(tree, identity);
  identity.manifestLevel = manifestLevelOf(tree);
  return true;
}

std::string programImageOf(const std::string& path) {
  std::string file(1 << 20, '\0');
  HostFile f;
  int64_t n = f.openRead(path) ? f.read(&file[0], file.size()) : 0;
  file.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return file;
}

void showResources(const std::string& path) {
  ProgramIdentity identity;
  std::string problem;
  if (!readProgramIdentity(programImageOf(path), identity, problem)) {
    std::printf("resources: none (%s)\n", problem.c_str());
    return;
  }
  std::string list;
  for (const IconSize& i : identity.icons) {
    list += (list.empty() ? "" : ", ") + std::to_string(i.width) + "x" + std::to_string(i.height) + " " +
            std::to_string(i.bits) + "-bit";
  }
  std::printf("icon: %s\n", list.empty() ? "(none)" : list.c_str());
  if (!identity.hasVersion) std::printf("version: (none)\n");
  if (!identity.fileVersion.empty()) {
    std::printf("version: file %s, product %s\n", identity.fileVersion.c_str(), identity.productVersion.c_str());
  }
  for (const auto& kv : identity.versionStrings) {
    std::printf("version: %s: \"%s\"\n", kv.first.c_str(), kv.second.c_str());
  }
  std::printf("manifest: execution level %s\n", identity.manifestLevel.c_str());
}

std::string programFileVersion(const std::string& image) {
  ProgramIdentity identity;
  std::string ignored;
  return readProgramIdentity(image, identity, ignored) ? identity.fileVersion : std::string();
}

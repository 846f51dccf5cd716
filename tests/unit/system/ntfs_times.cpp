// The NTFS extra field (header id 0x000A) of a ZIP entry carries three file times in its
// attribute 1. Fields whose sizes lie must give null and never make the parser read past
// the bytes it was given (each case is handed an exactly sized heap copy, so the address
// sanitizer sees any overrun).
#include <gtest/gtest.h>

#include <memory>
#include <new>
#include <vector>

#include "support/support.h"
#include "support/zip_writer.h"
#include "system/system.h"

// Lets a test make the next non-throwing allocation fail; every other one is served as usual
// (through the ordinary operator new, so the matching delete stays the ordinary one).
static bool failNextNothrowNew = false;
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  if (failNextNothrowNew) {
    failNextNothrowNew = false;
    return nullptr;
  }
  try {
    return ::operator new(size);
  } catch (...) {
    return nullptr;
  }
}

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint64_t WRITTEN = 0x01D0A1B2C3D4E5F6ull, ACCESSED = 0x01D0000000000001ull,
                   CREATED = 0x01C0FFEEDDCCBBAAull;

// A well-formed field: header, 4 reserved bytes, optional leading attributes, attribute 1.
Bytes ntfsField(const Bytes& before = {}, uint16_t tag = 1, uint16_t size = 24) {
  Bytes data = {0, 0, 0, 0};
  data.insert(data.end(), before.begin(), before.end());
  put16(data, tag);
  put16(data, size);
  put64(data, WRITTEN);
  put64(data, ACCESSED);
  put64(data, CREATED);
  Bytes field;
  put16(field, 0x000A);
  put16(field, static_cast<uint16_t>(data.size()));
  field.insert(field.end(), data.begin(), data.end());
  return field;
}

std::unique_ptr<NtfsTimes> parse(const Bytes& bytes, size_t length) {
  std::unique_ptr<uint8_t[]> exact(new uint8_t[length ? length : 1]);
  std::copy(bytes.begin(), bytes.begin() + static_cast<long>(length), exact.get());
  NtfsTimes* times = nullptr;
  int found = SysParseNtfsTimes(exact.get(), static_cast<uint32_t>(length), &times);
  EXPECT_EQ(found, times ? 1 : 0);
  return std::unique_ptr<NtfsTimes>(times);
}
std::unique_ptr<NtfsTimes> parse(const Bytes& bytes) { return parse(bytes, bytes.size()); }

}  // namespace

TEST(NtfsTimes, ValidFieldGivesCreationAccessWrite) {
  auto times = parse(ntfsField());
  ASSERT_TRUE(times);
  EXPECT_EQ(CREATED, times->created);
  EXPECT_EQ(ACCESSED, times->accessed);
  EXPECT_EQ(WRITTEN, times->written);
}

TEST(NtfsTimes, OtherAttributesBeforeTheTimesAreSkipped) {
  Bytes other;
  put16(other, 7);
  put16(other, 3);
  other.insert(other.end(), {1, 2, 3});
  put16(other, 1);  // tag 1 with the wrong size is not the times
  put16(other, 2);
  other.insert(other.end(), {9, 9});
  auto times = parse(ntfsField(other));
  ASSERT_TRUE(times);
  EXPECT_EQ(WRITTEN, times->written);
}

TEST(NtfsTimes, MalformedFieldsGiveNull) {
  Bytes good = ntfsField();
  Bytes wrongId = good;
  wrongId[0] = 0x0B;
  Bytes zeroSize = good;
  zeroSize[2] = zeroSize[3] = 0;
  Bytes dataSizeLies = good;  // claims 4 more bytes of data than there are
  dataSizeLies[2] = static_cast<uint8_t>(good.size() - 4 + 4);
  Bytes attrTooLong = ntfsField({}, 1, 24);
  attrTooLong[2] = static_cast<uint8_t>(attrTooLong[2] - 1);  // data ends one byte inside the times
  attrTooLong.pop_back();
  Bytes wrongTag = ntfsField({}, 2, 24);
  Bytes hugeAttribute;  // an attribute claiming 65535 bytes inside a short field
  put16(hugeAttribute, 9);
  put16(hugeAttribute, 0xFFFF);
  Bytes hugeFirst = ntfsField(hugeAttribute);

  const struct {
    const char* name;
    const Bytes& bytes;
    size_t length;
  } cases[] = {
      {"wrong header id", wrongId, wrongId.size()},
      {"data size 0", zeroSize, zeroSize.size()},
      {"data size beyond the field", dataSizeLies, dataSizeLies.size()},
      {"times cut short", attrTooLong, attrTooLong.size()},
      {"only another tag", wrongTag, wrongTag.size()},
      {"huge attribute first", hugeFirst, hugeFirst.size()},
      {"truncated to the header", good, 4},
      {"truncated inside the times", good, good.size() - 1},
      {"three bytes", good, 3},
      {"nothing", good, 0},
  };
  for (const auto& c : cases) EXPECT_FALSE(parse(c.bytes, c.length)) << c.name;
}

TEST(NtfsTimes, EveryTruncationIsSafe) {
  Bytes good = ntfsField();
  for (size_t length = 0; length < good.size(); ++length) EXPECT_FALSE(parse(good, length)) << length;
  EXPECT_TRUE(parse(good, good.size()));
}

TEST(NtfsTimes, NoMemoryForTheRecordIsTheCallersToReport) {
  ReportCatcher catcher;
  Bytes good = ntfsField();
  NtfsTimes* times = nullptr;
  failNextNothrowNew = true;
  int found = SysParseNtfsTimes(good.data(), static_cast<uint32_t>(good.size()), &times);
  failNextNothrowNew = false;
  EXPECT_EQ(-1, found);
  EXPECT_EQ(nullptr, times);
  EXPECT_TRUE(catcher.shown.empty());  // the engine shows warning 27
}

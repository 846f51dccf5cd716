// Traditional decryption against archives encrypted by peers (Info-ZIP zip -P and 7z with
// ZipCrypto): the decrypted header ends with the check byte, and the data decrypts to the
// original file (stored entries directly, deflated ones through the Inflater).
#include <gtest/gtest.h>

#include <string>

#include "decode/zipcrypto.h"
#include "decode_support.h"
#include "support/support.h"

namespace {

const char* const PASSWORD = "Secret-7";

struct Case {
  const char* archive;
  const char* entry;
  const char* plain;
};

const Case CASES[] = {
    {"decode_zipcrypto_zip.zip", "small.bin", "decode_plain_small.bin"},
    {"decode_zipcrypto_zip.zip", "text.txt", "decode_plain_text.txt"},
    {"decode_zipcrypto_7z.zip", "small.bin", "decode_plain_small.bin"},
    {"decode_zipcrypto_7z.zip", "text.txt", "decode_plain_text.txt"},
};

// The byte the last header byte must match: the time's high byte when a data descriptor
// follows the data (the CRC was not known when the header was written), else the CRC's.
uint8_t checkByte(const PeerEntry& e) {
  return static_cast<uint8_t>((e.flags & GPF_DATA_DESCRIPTOR) ? e.time >> 8 : e.crc >> 24);
}

std::string decryptEntry(const PeerEntry& e, const char* password, uint8_t* lastHeaderByte) {
  std::string header = e.data.substr(0, ZIPCRYPTO_HEADER_SIZE);
  DecryptHeader(password, reinterpret_cast<uint8_t*>(&header[0]));
  *lastHeaderByte = static_cast<uint8_t>(header[ZIPCRYPTO_HEADER_SIZE - 1]);
  std::string body = e.data.substr(ZIPCRYPTO_HEADER_SIZE);
  // In uneven pieces: the key state carries from one call to the next.
  for (size_t pos = 0, n = 1; pos < body.size(); pos += n, n = n * 3 % 4099 + 1) {
    if (n > body.size() - pos) n = body.size() - pos;
    Decrypt(reinterpret_cast<uint8_t*>(&body[pos]), n);
  }
  return body;
}

}  // namespace

TEST(ZipCryptoArchives, PeerArchivesDecryptToTheOriginal) {
  for (const Case& c : CASES) {
    SCOPED_TRACE(std::string(c.archive) + ": " + c.entry);
    PeerEntry e;
    ASSERT_TRUE(findEntry(readFileBytes(fixturePath(c.archive)), c.entry, e));
    ASSERT_TRUE(e.flags & GPF_ENCRYPTED);
    uint8_t last = 0;
    std::string body = decryptEntry(e, PASSWORD, &last);
    EXPECT_EQ(checkByte(e), last);
    std::string plain = readFileBytes(fixturePath(c.plain));
    if (e.method == 0) {
      EXPECT_TRUE(body == plain);
    } else {
      ASSERT_EQ(8, e.method);
      MemoryIo io(body, 777);
      EXPECT_EQ(0, inflateAll(io));
      EXPECT_EQ(plain.size(), io.output.size());
      EXPECT_TRUE(io.output == plain);
    }
  }
}

TEST(ZipCryptoArchives, WrongPasswordGivesOtherBytes) {
  PeerEntry e;
  ASSERT_TRUE(findEntry(readFileBytes(fixturePath("decode_zipcrypto_zip.zip")), "small.bin", e));
  uint8_t last = 0;
  for (const char* wrong : {"secret-7", "Secret-77", ""}) {
    EXPECT_NE(readFileBytes(fixturePath("decode_plain_small.bin")), decryptEntry(e, wrong, &last)) << wrong;
  }
}

TEST(ZipCryptoArchives, EmptyPasswordAndEmptyDecryptLeaveTheInitialKeys) {
  InitKeys("");
  ZipCryptoKeys k = CurrentKeys();
  Decrypt(nullptr, 0);
  ZipCryptoKeys after = CurrentKeys();
  EXPECT_EQ(0x12345678u, after.key0);
  EXPECT_EQ(0x23456789u, after.key1);
  EXPECT_EQ(0x34567890u, after.key2);
  EXPECT_EQ(k.key0, after.key0);
}

TEST(ZipCryptoArchives, EveryAttemptStartsFromFreshKeys) {
  PeerEntry e;
  ASSERT_TRUE(findEntry(readFileBytes(fixturePath("decode_zipcrypto_7z.zip")), "small.bin", e));
  uint8_t first = 0, again = 0;
  decryptEntry(e, "wrong one", &first);
  std::string body = decryptEntry(e, PASSWORD, &again);
  EXPECT_EQ(checkByte(e), again);
  EXPECT_TRUE(body == readFileBytes(fixturePath("decode_plain_small.bin")));
}

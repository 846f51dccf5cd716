// Japanese literals reach the program as code page 932 bytes, including characters whose
// second byte is 0x5C (the backslash), which a careless conversion would split or escape.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

TEST(JapaneseLiterals, TrailByte5CSurvives) {
  const char* hyou = "表";
  ASSERT_EQ(2u, std::strlen(hyou));
  EXPECT_EQ(0x95, static_cast<unsigned char>(hyou[0]));
  EXPECT_EQ(0x5C, static_cast<unsigned char>(hyou[1]));
  EXPECT_EQ(std::string("\x83\x5c\x83\x74\x83\x67"), std::string("ソフト"));
}

TEST(JapaneseLiterals, HalfWidthKatakanaIsOneByte) {
  EXPECT_EQ(std::string("\xc3\xbd\xc4"), std::string("ﾃｽﾄ"));
  EXPECT_EQ(std::string("\x93\x57\x8a\x4a\x8a\xae\x97\xb9"), std::string("展開完了"));
}

#include "base/codepage.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

TEST(Codepage, Windows1252ToUtf8AndBack) {
  const std::string cp = "Caf\xE9 \x80 \x93x\x94 \xB0";
  const std::string utf8 = Cp1252ToUtf8(cp);
  EXPECT_EQ(utf8, "Caf\xC3\xA9 \xE2\x82\xAC \xE2\x80\x9Cx\xE2\x80\x9D \xC2\xB0");
  EXPECT_EQ(Utf8ToCp1252(utf8), cp);
  EXPECT_EQ(Utf8ToCp1252("\xE4\xB8\xAD"), "?");  // not in the code page
}

TEST(Codepage, EveryByteConverts) {
  std::string all;
  for (int i = 0; i < 256; ++i) all.push_back(static_cast<char>(i));
  EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all)), all);
}

}  // namespace
}  // namespace orv

#include "platform/text.h"

#include <gtest/gtest.h>

namespace ferrowin {
namespace {

TEST(CaseRules, MapOnlyAsciiLetters) {
  EXPECT_EQ(LowerCase("Default.MIGRATED-Ärger"), "default.migrated-Ärger");
  EXPECT_EQ(UpperCase("bob o'brien ß é"), "BOB O'BRIEN ß é");
  EXPECT_TRUE(SameText("Public", "PUBLIC"));
  EXPECT_FALSE(SameText("Ärger", "ärger"));  // not ASCII: compared as bytes
}

TEST(Trimming, RemovesBlanksAndControlCharactersOnly) {
  EXPECT_EQ(Trim("  \t Bob \r\n"), "Bob");
  EXPECT_EQ(Trim("\x01\x1f" "a b" "\x20"), "a b");
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(Trim("\xc3\xa9t\xc3\xa9"), "\xc3\xa9t\xc3\xa9");  // bytes above 127 stay
}

TEST(TextLines, EveryLineBreakKindEndsALine) {
  EXPECT_EQ(SplitLines("a\r\nb\rc\nd"), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitLines("15\r\n"), (std::vector<std::string>{"15"}));  // a final break adds no line
  EXPECT_EQ(SplitLines("a\n\nb\n"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(SplitLines("\r\n"), (std::vector<std::string>{""}));
  EXPECT_TRUE(SplitLines("").empty());
  EXPECT_EQ(JoinLines({"x > y", "del z"}), "x > y\r\ndel z");
}

TEST(TextSearch, FindsNothingInAnEmptyText) {
  EXPECT_FALSE(Contains("", ""));
  EXPECT_TRUE(Contains("Property(s) update successful.", "update"));
}

TEST(FileNames, WhatWindowsRefusesOrDropsIsReplaced) {
  const std::pair<std::string, std::string> cases[] = {
      {"Chrome - Work", "Chrome - Work"}, {"a<b>c:d\"e/f\\g|h?i*j\x01k\tl", "a_b_c_d_e_f_g_h_i_j_k_l"},
      {"Work. . ", "Work"}, {" ..", "_"}, {"", "_"}, {"con", "con_"}, {"LPT1.log", "LPT1_.log"}, {"COM10", "COM10"},
      {"J\xc3\xb6rg", "J\xc3\xb6rg"},
      {std::string(199, 'a') + "\xc3\xb6z", std::string(199, 'a')},  // cut to 200 bytes, never inside a character
  };
  for (const auto& [name, safe] : cases) EXPECT_EQ(SafeFileName(name), safe) << name;
}

TEST(CodePages, RoundTripThroughTheConsolePage) {
  std::string oem = ToCodePage("J\xc3\xb6rg", 437);  // "Jörg"
  EXPECT_EQ(oem, "J\x94rg");
  EXPECT_EQ(FromCodePage(oem, 437), "J\xc3\xb6rg");
  EXPECT_EQ(Narrow(Widen("na\xc3\xafve_\xe6\x97\xa5\xe6\x9c\xac")), "na\xc3\xafve_\xe6\x97\xa5\xe6\x9c\xac");
}

}  // namespace
}  // namespace ferrowin

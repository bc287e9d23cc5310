// The LZ4 block decoder, against blocks of the reference compressor.
#include "migration/lz4_block.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "tests/migration/samples.h"

namespace ferrowin {
namespace {

class Lz4Block : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(test::CopySamples(samples)); }
  std::string Sample(const std::string& name) { return test::ReadWholeFile(samples / name); }

  test::TestFolder samples;
};

TEST_F(Lz4Block, BlocksOfTheReferenceCompressorDecodeExactlyAndOnlyToTheirStatedSize) {
  for (const std::string name : {"literals-only", "long-literals", "overlapping-match", "long-match"}) {
    SCOPED_TRACE(name);
    const std::string raw = Sample(name + ".raw"), block = Sample(name + ".lz4block");
    ASSERT_FALSE(block.empty());
    EXPECT_EQ(DecodeLz4Block(block, raw.size()), raw);
    EXPECT_EQ(DecodeLz4Block(block, raw.size() - 1), std::nullopt);
    EXPECT_EQ(DecodeLz4Block(block, raw.size() + 1), std::nullopt);
    for (size_t cut = 0; cut < block.size(); ++cut) {
      EXPECT_EQ(DecodeLz4Block(block.substr(0, cut), raw.size()), std::nullopt) << cut;
    }
  }
  // The samples hold what they are for.
  EXPECT_EQ(Sample("literals-only.lz4block"), std::string(1, '\xA0') + Sample("literals-only.raw"));
  EXPECT_EQ(Sample("long-literals.lz4block").substr(0, 3), "\xF0\xFF\x1E");  // 15 + 255 + 30
  EXPECT_EQ(Sample("overlapping-match.lz4block").substr(0, 6), std::string("\x2F"
                                                                           "ab\x02\x00\x4F",
                                                                           6));
  EXPECT_EQ(Sample("long-match.lz4block").substr(0, 8), std::string("\x1F"
                                                                    "a\x01\x00\xFF\xFF\xFF\xD7",
                                                                    8));
}

TEST_F(Lz4Block, DamagedBlocksAreRefused) {
  const std::string overlapping = Sample("overlapping-match.lz4block");
  const size_t size = Sample("overlapping-match.raw").size();
  std::string before = overlapping;
  before[3] = 3;  // three back, with two bytes written
  EXPECT_EQ(DecodeLz4Block(before, size), std::nullopt);
  std::string zero = overlapping;
  zero[3] = 0;
  EXPECT_EQ(DecodeLz4Block(zero, size), std::nullopt);
  // A length that goes on and on, and lengths past what the block holds.
  EXPECT_EQ(DecodeLz4Block(std::string(1, '\xF0').append(100000, '\xFF'), kMaxMozLz4Bytes), std::nullopt);
  EXPECT_EQ(DecodeLz4Block("\x50"
                           "abc",
                           5),
            std::nullopt);
  EXPECT_EQ(DecodeLz4Block("\x1F"
                           "a\x01\x00\xFF",
                           1000),
            std::nullopt);
  EXPECT_EQ(DecodeLz4Block("", kMaxMozLz4Bytes + 1), std::nullopt);
  EXPECT_EQ(DecodeLz4Block(std::string(1, '\0'), 0), "");
}

TEST_F(Lz4Block, AFirefoxBackupDecodesAndAHeaderThatLiesIsRefused) {
  const std::string file = Sample("old-newer.jsonlz4"), json = Sample("old-newer.json");
  ASSERT_EQ(file.substr(0, 8), std::string("mozLz40\0", 8));
  EXPECT_EQ(DecodeMozLz4(file), json);
  auto stating = [&file](std::uint32_t size) {
    std::string changed = file;
    for (int i = 0; i < 4; ++i) changed[8 + i] = static_cast<char>(size >> (8 * i));
    return changed;
  };
  const auto size = static_cast<std::uint32_t>(json.size());
  EXPECT_EQ(DecodeMozLz4(stating(size)), json);
  for (std::uint32_t wrong : {size - 1, size + 1, static_cast<std::uint32_t>(kMaxMozLz4Bytes) + 1, 0xFFFFFFFFu}) {
    EXPECT_EQ(DecodeMozLz4(stating(wrong)), std::nullopt) << wrong;
  }
  EXPECT_EQ(DecodeMozLz4("mozLz40"), std::nullopt);
  EXPECT_EQ(DecodeMozLz4("mozLz41" + file.substr(7)), std::nullopt);
}

}  // namespace
}  // namespace ferrowin

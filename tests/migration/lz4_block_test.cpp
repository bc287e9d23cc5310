// The LZ4 block decoder, against blocks of the reference compressor.
#include "migration/lz4_block.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>

#include "tests/migration/samples.h"

namespace ferrowin {
namespace {

std::string Bytes(std::initializer_list<unsigned char> bytes) { return std::string(bytes.begin(), bytes.end()); }

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
    for (size_t cut = 0; cut < block.size(); ++cut)
      EXPECT_EQ(DecodeLz4Block(block.substr(0, cut), raw.size()), std::nullopt);
  }
  // The samples hold what they are for: tokens, lengths past 15 and 270, offsets.
  EXPECT_EQ(Sample("literals-only.lz4block"), Bytes({0xA0}) + Sample("literals-only.raw"));
  EXPECT_EQ(Sample("long-literals.lz4block").substr(0, 3), Bytes({0xF0, 0xFF, 0x1E}));
  EXPECT_EQ(Sample("overlapping-match.lz4block").substr(0, 6), Bytes({0x2F, 'a', 'b', 2, 0, 0x4F}));
  EXPECT_EQ(Sample("long-match.lz4block").substr(0, 8), Bytes({0x1F, 'a', 1, 0, 0xFF, 0xFF, 0xFF, 0xD7}));
}

TEST_F(Lz4Block, DamagedBlocksAndHeadersThatLieAreRefused) {
  const std::string overlapping = Sample("overlapping-match.lz4block");
  for (const char offset : {'\3', '\0'}) {  // before the start (two bytes written), and none
    std::string damaged = overlapping;
    damaged[3] = offset;
    EXPECT_EQ(DecodeLz4Block(damaged, Sample("overlapping-match.raw").size()), std::nullopt);
  }
  // A length that goes on and on, and lengths past what the block holds.
  EXPECT_EQ(DecodeLz4Block(Bytes({0xF0}).append(100000, '\xFF'), kMaxMozLz4Bytes), std::nullopt);
  EXPECT_EQ(DecodeLz4Block(Bytes({0x50, 'a', 'b', 'c'}), 5), std::nullopt);
  EXPECT_EQ(DecodeLz4Block(Bytes({0x1F, 'a', 1, 0, 0xFF}), 1000), std::nullopt);
  EXPECT_EQ(DecodeLz4Block(Bytes({0}), 0), "");

  const std::string file = Sample("old-newer.jsonlz4"), json = Sample("old-newer.json");
  const auto size = static_cast<std::uint32_t>(json.size());
  for (std::uint32_t stated : {size, size - 1, size + 1, static_cast<std::uint32_t>(kMaxMozLz4Bytes) + 1, ~0u}) {
    std::string header = file;
    for (int i = 0; i < 4; ++i) header[8 + i] = static_cast<char>(stated >> (8 * i));
    EXPECT_EQ(DecodeMozLz4(header), stated == size ? std::optional(json) : std::nullopt) << stated;
  }
  EXPECT_EQ(DecodeMozLz4("mozLz40"), std::nullopt);
  EXPECT_EQ(DecodeMozLz4("mozLz41" + file.substr(7)), std::nullopt);
}

}  // namespace
}  // namespace ferrowin

#include "migration/lz4_block.h"

#include <algorithm>
#include <cstdint>

namespace ferrowin {

namespace {

constexpr std::string_view kMozLz4Magic("mozLz40\0", 8);
constexpr size_t kMinMatch = 4;

// Reads a block front to back; every read is checked against what is left.
class BlockReader {
 public:
  explicit BlockReader(std::string_view block) : block_(block) {}

  bool AtEnd() const { return at_ == block_.size(); }
  size_t Left() const { return block_.size() - at_; }

  bool Byte(std::uint8_t& value) {
    if (AtEnd()) return false;
    value = static_cast<std::uint8_t>(block_[at_++]);
    return true;
  }

  // A length of a token's four bits: 15 goes on in bytes of 255 until a
  // smaller one. Stops, false, once the length passes `limit`, so no sum
  // can overflow and no run of 255s is read further than it could matter.
  bool Length(size_t nibble, size_t limit, size_t& length) {
    length = nibble;
    if (nibble < 15) return length <= limit;
    for (std::uint8_t more = 255; more == 255;) {
      if (!Byte(more)) return false;
      length += more;
      if (length > limit) return false;
    }
    return true;
  }

  std::string_view Take(size_t count) {
    const std::string_view taken = block_.substr(at_, count);
    at_ += count;
    return taken;
  }

 private:
  std::string_view block_;
  size_t at_ = 0;
};

}  // namespace

std::optional<std::string> DecodeLz4Block(std::string_view block, size_t decodedSize) {
  if (decodedSize > kMaxMozLz4Bytes) return std::nullopt;
  std::string out;
  out.reserve(decodedSize);
  BlockReader in(block);
  // Each sequence: a token, literals, then (except in the last one) a
  // two-byte offset back into what was written and a match to copy from there.
  while (!in.AtEnd()) {
    std::uint8_t token = 0;
    (void)in.Byte(token);
    size_t literals = 0;
    if (!in.Length(token >> 4, std::min(in.Left(), decodedSize - out.size()), literals)) return std::nullopt;
    if (literals > in.Left()) return std::nullopt;
    out.append(in.Take(literals));
    if (in.AtEnd()) break;  // the last sequence has no match

    std::uint8_t low = 0, high = 0;
    if (!in.Byte(low) || !in.Byte(high)) return std::nullopt;
    const size_t offset = low | (static_cast<size_t>(high) << 8);
    if (offset == 0 || offset > out.size()) return std::nullopt;
    const size_t room = decodedSize - out.size();
    if (room < kMinMatch) return std::nullopt;
    size_t match = 0;
    if (!in.Length(token & 15, room - kMinMatch, match)) return std::nullopt;
    match += kMinMatch;
    size_t from = out.size() - offset;
    if (offset >= match) {
      out.append(out, from, match);
      continue;
    }
    // Byte by byte: a match that overlaps what it copies (offset < length)
    // repeats the last `offset` bytes.
    for (size_t i = 0; i < match; ++i) out.push_back(out[from++]);
  }
  if (out.size() != decodedSize) return std::nullopt;
  return out;
}

std::optional<std::string> DecodeMozLz4(std::string_view file) {
  constexpr size_t kHeader = kMozLz4Magic.size() + 4;
  if (file.size() < kHeader || file.substr(0, kMozLz4Magic.size()) != kMozLz4Magic) return std::nullopt;
  std::uint32_t size = 0;
  for (size_t i = 0; i < 4; ++i) size |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(file[8 + i])) << (8 * i);
  if (size > kMaxMozLz4Bytes) return std::nullopt;
  return DecodeLz4Block(file.substr(kHeader), size);
}

}  // namespace ferrowin

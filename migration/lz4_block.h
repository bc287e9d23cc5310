// Firefox's compressed files (.jsonlz4, .mozlz4): the eight bytes "mozLz40\0",
// the decompressed size as a 32-bit little-endian number, then one LZ4 block
// (not an LZ4 frame). The decoder trusts nothing in the file: the stated size
// is a limit, and every length and offset is checked against what has been
// written and what remains before a byte moves.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace ferrowin {

// More than a browser's bookmarks ever take; a file that states more is refused
// before anything is allocated.
inline constexpr size_t kMaxMozLz4Bytes = 64 * 1024 * 1024;

// The largest file that can hold kMaxMozLz4Bytes: header, and an LZ4 block
// of bytes that did not compress (a length byte per 255 literals).
inline constexpr size_t kMaxMozLz4FileBytes = 12 + kMaxMozLz4Bytes + kMaxMozLz4Bytes / 255 + 16;

// Exactly `decodedSize` bytes from one LZ4 block; nullopt when the block is
// damaged: a length that runs past its input or past `decodedSize`, an offset
// before the start or of zero, a block that ends short of `decodedSize` or
// inside a sequence.
std::optional<std::string> DecodeLz4Block(std::string_view block, size_t decodedSize);

// The contents of a mozLz40 file; nullopt when its header is not one, it
// states more than kMaxMozLz4Bytes, or its block is damaged.
std::optional<std::string> DecodeMozLz4(std::string_view file);

}  // namespace ferrowin

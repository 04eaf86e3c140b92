// Conversions between the core's UTF-16 texts and UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orrimax {

// UTF-8 for messages and output; a lone surrogate becomes U+FFFD.
std::string ToUtf8(std::u16string_view text);

// Like ToUtf8, but a lone surrogate is written as its own three-byte
// sequence (WTF-8), so that any pool text survives a trip through a file.
std::string ToWtf8(std::u16string_view text);

// Reads UTF-8 (and the WTF-8 surrogate sequences of ToWtf8). Returns false
// on malformed input, leaving `out` unspecified.
bool FromWtf8(std::string_view bytes, std::u16string& out);

// For ASCII literals and numbers.
std::u16string Ascii(std::string_view text);

}  // namespace orrimax

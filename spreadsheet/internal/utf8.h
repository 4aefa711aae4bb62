#pragma once
// UTF-8 helpers: encoding, decoding with replacement, and UTF-16 lengths.

#include <cstddef>
#include <string>
#include <string_view>

namespace veltrano::spreadsheet::utf8 {

inline constexpr char32_t kReplacement = 0xFFFD;

// Appends the UTF-8 form of a code point; surrogates and values past U+10FFFF become U+FFFD.
void append(std::string& out, char32_t codePoint);

// Appends text stored as Latin-1 bytes, as UTF-8.
void appendLatin1(std::string& out, std::string_view bytes);

// Appends text stored as UTF-16LE code units, as UTF-8: a surrogate pair as one code point, a
// lone surrogate as U+FFFD; an odd last byte is left out.
void appendUtf16Le(std::string& out, std::string_view bytes);

// Decodes the code point at text[pos] and advances pos. A malformed sequence (bad lead
// byte, truncated, overlong, surrogate, past U+10FFFF) yields U+FFFD and advances one byte.
char32_t next(std::string_view text, std::size_t& pos);

// The same text with every malformed sequence replaced by U+FFFD.
std::string sanitize(std::string_view text);

// One line of valid text for a message: malformed sequences as U+FFFD, control characters
// (line breaks, tabs) as blanks, so a value read from a file never splits a message.
std::string singleLine(std::string_view text);

// How many UTF-16 code units the text takes (malformed bytes count as one unit each).
std::size_t utf16Length(std::string_view text);

// The longest prefix of valid text that fits in maxUnits UTF-16 code units, never cutting a
// code point.
std::string_view truncateUtf16(std::string_view text, std::size_t maxUnits);

}  // namespace veltrano::spreadsheet::utf8

namespace veltrano::spreadsheet::utf8 {

// Lower-case copy for case-insensitive comparison of names: ASCII and Latin-1 letters
// (enough for English and Spanish); other characters are kept as they are.
std::string foldCase(std::string_view text);

}  // namespace veltrano::spreadsheet::utf8

namespace veltrano::spreadsheet {

// ASCII lower-case copy, for comparing part, stream and record names.
std::string lowerAscii(std::string_view text);

}  // namespace veltrano::spreadsheet

#pragma once
// The text forms of cell strings and table column names inside OOXML parts: XML escaping
// plus the _xHHHH_ escapes that carry characters XML 1.0 cannot hold.

#include <string>
#include <string_view>

namespace veltrano::spreadsheet {

// Turns _xHHHH_ escapes (already XML-decoded text) into the characters they stand for;
// _x005F_ gives '_'. A lone surrogate escape becomes U+FFFD.
std::string decodeEscapes(std::string_view text);

// The value of one hexadecimal digit (either case), or -1 for any other character.
int hexDigitValue(char c);

// Appends text for the inside of a <t> element: & < > escaped, CR and characters illegal in
// XML 1.0 as _xHHHH_, and literal _xHHHH_ sequences protected with _x005F_. Malformed UTF-8
// becomes U+FFFD.
void appendEncodedText(std::string_view text, std::string& out);

// The same for an attribute value between quote characters (' or "): also that quote, and
// tab and line ends as _xHHHH_ (attribute values cannot keep them raw).
void appendEncodedAttribute(std::string_view text, std::string& out, char quote = '"');

// True when a <t> holding this text needs xml:space="preserve": it starts or ends with a
// space, tab or line end.
bool needsSpacePreserve(std::string_view text);

}  // namespace veltrano::spreadsheet

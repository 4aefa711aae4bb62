#include "spreadsheet/xlsx/header_codes.h"

namespace veltrano::spreadsheet {
namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isHexDigit(char c)
{
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// The length of the code at text[at] (text[at] == '&', not "&&").
std::size_t codeLength(std::string_view text, std::size_t at)
{
    const std::size_t rest = text.size() - at;
    if (rest < 2)
        return rest;  // a lone '&' at the end is kept as it is
    const char kind = text[at + 1];
    if (kind == '"') {
        const std::size_t close = text.find('"', at + 2);
        return close == std::string_view::npos ? rest : close - at + 1;
    }
    std::size_t length = 2;
    if (isDigit(kind)) {  // font size
        while (length < rest && isDigit(text[at + length]))
            ++length;
    } else if (kind == 'K') {  // colour: six hex digits, or a theme colour such as 01+000
        while (length < rest && length < 8
               && (isHexDigit(text[at + length]) || text[at + length] == '+' || text[at + length] == '-'))
            ++length;
    } else if ((kind == 'P' || kind == 'N') && rest > 2 && (text[at + 2] == '+' || text[at + 2] == '-') && rest > 3
               && isDigit(text[at + 3])) {  // page number with an offset
        length = 3;
        while (length < rest && isDigit(text[at + length]))
            ++length;
    }
    return length;
}

}  // namespace

std::vector<HeaderPiece> splitHeaderCodes(std::string_view text)
{
    std::vector<HeaderPiece> pieces;
    auto literal = [&pieces]() -> std::string& {
        if (pieces.empty() || pieces.back().code)
            pieces.push_back({false, {}});
        return pieces.back().text;
    };
    for (std::size_t at = 0; at < text.size();) {
        if (text[at] != '&') {
            literal() += text[at++];
        } else if (at + 1 < text.size() && text[at + 1] == '&') {
            literal() += '&';
            at += 2;
        } else {
            const std::size_t length = codeLength(text, at);
            pieces.push_back({true, std::string(text.substr(at, length))});
            at += length;
        }
    }
    return pieces;
}

std::string joinHeaderPieces(const std::vector<HeaderPiece>& pieces)
{
    std::string out;
    for (const HeaderPiece& piece : pieces) {
        if (piece.code) {
            out += piece.text;
            continue;
        }
        for (const char c : piece.text) {
            out += c;
            if (c == '&')
                out += '&';
        }
    }
    return out;
}

}  // namespace veltrano::spreadsheet

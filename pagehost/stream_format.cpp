#include "pagehost/stream_format.h"

#include <charconv>

namespace veltrano::pagehost {
namespace {

constexpr std::string_view kReserved = "[]\\^$/@<>{}";
// Appended to each text: a sentence end, then the superblank with the text's number. The empty
// superblank keeps the sentence end a word of its own: after "Mr" or "no" a bare "." would be
// read as part of an abbreviation ("Mr.", "no."), leave the sentence open, and let the
// pipeline's reordering carry words from one text into the next.
constexpr std::string_view kSentenceEnd = "[].";
// The pipeline holds a segment back until it sees a blank after the last sentence end.
constexpr std::string_view kClosingBlank = "[\n]";
// Starts each segment: a sentence end of its own and the blank that marks it, so that the first
// text, like every other, follows a sentence end. Rules that know a cell's start by the sentence
// end before it missed the first text of every segment ("Responsable" alone came out Manager,
// after another cell Owner).
constexpr std::string_view kSegmentStart = "[].[start]";
constexpr std::string_view kSegmentStartBlank = "start";
// Starts the content of a protected block, which neither a number nor an empty blank does.
constexpr char kProtectedMark = '=';

// Reads the superblank that starts at answer[pos] ('['); returns its content with escapes
// removed and moves pos past its ']', or nullopt when it never closes.
std::optional<std::string> readSuperblank(std::string_view answer, std::size_t& pos)
{
    std::string content;
    for (std::size_t i = pos + 1; i < answer.size(); ++i) {
        if (answer[i] == '\\' && i + 1 < answer.size()) {
            content += answer[++i];
        } else if (answer[i] == ']') {
            pos = i + 1;
            return content;
        } else {
            content += answer[i];
        }
    }
    return std::nullopt;
}

std::optional<std::size_t> markerNumber(std::string_view content)
{
    std::size_t number = 0;
    const auto* end = content.data() + content.size();
    const auto [ptr, error] = std::from_chars(content.data(), end, number);
    if (content.empty() || error != std::errc() || ptr != end)
        return std::nullopt;
    return number;
}

bool onlyClosingBlanksLeft(std::string_view answer, std::size_t pos)
{
    while (pos < answer.size()) {
        if (answer[pos] == '[') {
            auto content = readSuperblank(answer, pos);
            if (!content || markerNumber(*content))
                return false;
        } else if (answer[pos] == ' ' || answer[pos] == '\n' || answer[pos] == '\t' || answer[pos] == '\r') {
            ++pos;
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string escapeForStream(std::string_view text)
{
    std::string escaped;
    escaped.reserve(text.size() + text.size() / 8);
    for (const char c : text) {
        if (kReserved.find(c) != std::string_view::npos)
            escaped += '\\';
        escaped += c;
    }
    return escaped;
}

std::string joinSegment(const std::vector<std::string_view>& texts, std::size_t firstNumber)
{
    std::vector<std::string> streamTexts;
    streamTexts.reserve(texts.size());
    for (const auto text : texts)
        streamTexts.push_back(escapeForStream(text));
    return joinStreamSegment(streamTexts, firstNumber);
}

std::string protectedBlock(std::string_view text)
{
    return '[' + std::string(1, kProtectedMark) + escapeForStream(text) + ']';
}

std::string joinStreamSegment(const std::vector<std::string>& streamTexts, std::size_t firstNumber)
{
    std::string segment(kSegmentStart);
    for (std::size_t i = 0; i < streamTexts.size(); ++i) {
        segment += streamTexts[i];
        segment += kSentenceEnd;
        segment += '[';
        segment += std::to_string(firstNumber + i);
        segment += ']';
    }
    segment += kClosingBlank;
    return segment;
}

std::optional<std::vector<std::string>> splitSegment(std::string_view answer, std::size_t firstNumber,
                                                     std::size_t count)
{
    std::vector<std::string> texts;
    texts.reserve(count);
    std::string current;
    std::size_t pos = 0;
    while (texts.size() < count) {
        if (pos >= answer.size())
            return std::nullopt;
        const char c = answer[pos];
        if (c == '\\' && pos + 1 < answer.size()) {
            current += answer[pos + 1];
            pos += 2;
        } else if (c == '[') {
            auto content = readSuperblank(answer, pos);
            if (!content)
                return std::nullopt;
            if (content->empty())
                continue;  // the one before a sentence end of ours
            if (texts.empty() && *content == kSegmentStartBlank) {
                // The segment's own sentence end; a word there was moved out of a text.
                if (current.find_first_not_of(" .") != std::string::npos)
                    return std::nullopt;
                current.clear();
                continue;
            }
            if (content->front() == kProtectedMark) {
                current.append(*content, 1);
                continue;
            }
            const auto number = markerNumber(*content);
            if (!number || *number != firstNumber + texts.size())
                return std::nullopt;
            texts.push_back(std::move(current));
            current.clear();
        } else {
            current += c;
            ++pos;
        }
    }
    if (!onlyClosingBlanksLeft(answer, pos))
        return std::nullopt;
    return texts;
}

}  // namespace veltrano::pagehost

#pragma once
// Apertium's stream format, done in-process: escaping plain text on the way in, and carrying
// several texts through the pipeline in one NUL-terminated segment and splitting them back out.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace veltrano::pagehost {

// text with each of the stream format's reserved characters [ ] \ ^ $ / @ < > { } preceded by a
// backslash, so the pipeline treats it as plain text.
std::string escapeForStream(std::string_view text);

// One segment (without its terminating NUL) carrying the texts in order. Each text is followed by
// a sentence end and a numbered superblank, which the pipeline passes through untouched and which
// keeps one text's words out of the next one's sentence; a closing blank ends the segment so the
// pipeline answers at once. Texts must not contain NUL.
std::string joinSegment(const std::vector<std::string_view>& texts);

// The texts of a pipeline answer to joinSegment, unescaped, in order, each still ending with the
// sentence end that joinSegment added (when the pipeline kept it). nullopt when the numbered
// superblanks are not all there exactly once and in order, so the texts cannot be told apart.
std::optional<std::vector<std::string>> splitSegment(std::string_view answer, std::size_t count);

}  // namespace veltrano::pagehost

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

// One segment (without its terminating NUL) carrying the texts in order, after a sentence end
// of its own, so that the first text starts as every other does. Each text is followed by
// a sentence end that keeps its words out of the next text's sentence, and a numbered superblank,
// which the pipeline passes through untouched; a closing blank ends the segment so the
// pipeline answers at once. The numbers run from firstNumber, so that an answer meant for another
// segment is never taken for this one's. Texts must not contain NUL.
std::string joinSegment(const std::vector<std::string_view>& texts, std::size_t firstNumber);

// A superblank carrying text for the pipeline to pass through untouched; splitSegment puts the
// text back, unescaped, as part of the text around it.
std::string protectedBlock(std::string_view text);

// joinSegment for texts already in the stream format: escaped, with protected blocks.
std::string joinStreamSegment(const std::vector<std::string>& streamTexts, std::size_t firstNumber);

// The count texts of a pipeline answer to joinSegment(texts, firstNumber), unescaped, in order,
// each still ending with the sentence end that joinSegment added (when the pipeline kept it),
// with the text of protected blocks in place; what comes before the segment's opening blank is
// no text's.
// nullopt when the numbered superblanks are not all there exactly once and in order.
std::optional<std::vector<std::string>> splitSegment(std::string_view answer, std::size_t firstNumber,
                                                     std::size_t count);

}  // namespace veltrano::pagehost

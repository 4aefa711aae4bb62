#pragma once
// Texts that differ only in their numbers ("Item 3696 order", "Item 42 order") translated once:
// each number that stands alone between spaces is put in the pipeline's hands as a stand-in
// number, and the real numbers are written back into the translation afterwards.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace veltrano::batch {

// A text with its standalone numbers replaced by stand-ins, and each stand-in with the number it
// replaced.
struct NumberTemplate {
    std::string text;
    std::vector<std::pair<std::string, std::string>> numbers;  // stand-in, original
};

// The template of text, or nullopt when it has no number worth replacing. Only a run of ASCII
// digits between spaces (or the text's ends) is replaced, and not "0", "1" (which the pipeline
// may agree a noun with) nor one with leading zeros; decimals, thousands separators and digits
// touching other characters stay as written, and a text with many numbers gets no template. A stand-in is a number no other digit run of the
// text spells, so that each can be found again.
std::optional<NumberTemplate> numberTemplateOf(std::string_view text);

// The translation of the real text from translatedTemplate, the translation of templ.text, or
// nullopt when that holds some stand-in other than exactly once as a digit run of its own (the
// pipeline dropped, doubled or merged it): the real text must then be translated itself.
std::optional<std::string> restoreNumbers(std::string_view translatedTemplate, const NumberTemplate& templ);

}  // namespace veltrano::batch

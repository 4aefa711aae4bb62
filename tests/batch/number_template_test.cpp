// Texts that differ only in standalone numbers, translated through one template: the numbers put
// back must give what translating the text itself gives, or the text must be sent itself.

#include "batch/number_template.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

using veltrano::batch::numberTemplateOf;
using veltrano::batch::restoreNumbers;
using Pipeline = std::function<std::string(const std::string&)>;

std::vector<std::string> wordsOf(const std::string& text)
{
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string word; in >> word;)
        words.push_back(word);
    return words;
}

std::string joined(const std::vector<std::string>& words)
{
    std::string text;
    for (const auto& word : words)
        text += (text.empty() ? "" : " ") + word;
    return text;
}

// Stand-ins for a pipeline: one that treats every number alike, and ones that lose track of them.
const Pipeline kSame = [](const std::string& text) { return text; };
const Pipeline kReversed = [](const std::string& text) {
    auto words = wordsOf(text);
    return joined({words.rbegin(), words.rend()});
};
const Pipeline kNumbersDropped = [](const std::string& text) {
    std::vector<std::string> words;
    for (const auto& word : wordsOf(text))
        if (word.find_first_not_of("0123456789") != std::string::npos)
            words.push_back(word);
    return joined(words);
};
const Pipeline kRepeated = [](const std::string& text) { return text + " " + text; };
const Pipeline kNumbersGlued = [](const std::string& text) {
    std::string glued;
    for (const auto& word : wordsOf(text))
        glued +=
            (glued.empty() ? "" : " ") + word + (word.find_first_not_of("0123456789") == std::string::npos ? "." : "");
    return glued;
};

TEST(NumberTemplate, TranslationThroughTheTemplateIsTheTextsOwnOrNone)
{
    struct Case {
        const char* text;
        const Pipeline& pipeline;
        bool templated;  // whether the text gets a template at all
        bool mapped;     // whether the template's translation maps back
    };
    const Case cases[] = {
        {"Item 3696 order green", kReversed, true, true},
        {"From 12 to 12 days", kSame, true, true},
        {"Page 2 of 10 and 1 more", kReversed, true, true},
        {"Rows 2 and 3, 4", kSame, true, true},
        {"Item 5 in size 2x", kReversed, true, true},
        {"42", kSame, true, true},
        {"Item 3696 order", kNumbersDropped, true, false},
        {"Item 3696 order", kRepeated, true, false},
        {"Item 3696 order", kNumbersGlued, true, false},
        {"1 item", kSame, false, false},
        {"Code 007", kSame, false, false},
        {"Total 1,000 and 3.5 kg", kSame, false, false},
        {"A4 paper, item 12.", kSame, false, false},
        {"Item  99999999999999999", kSame, false, false},
        {"2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17", kSame, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto templ = numberTemplateOf(c.text);
        ASSERT_EQ(templ.has_value(), c.templated);
        if (!templ)
            continue;
        const auto restored = restoreNumbers(c.pipeline(templ->text), *templ);
        ASSERT_EQ(restored.has_value(), c.mapped);
        if (restored) {
            EXPECT_EQ(*restored, c.pipeline(c.text));
        }
    }
}

}  // namespace

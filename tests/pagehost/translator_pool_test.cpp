#include "pagehost/translator_pool.h"

#include <gtest/gtest.h>

#include <atomic>

namespace veltrano::pagehost {
namespace {

using Texts = std::vector<std::string>;
using Ranges = std::vector<std::pair<std::size_t, std::size_t>>;

// Echoes every segment, so translations equal their texts; counts the pipelines started.
class EchoPipeline final : public Pipeline {
public:
    Result<std::string> exchange(std::string_view segment, std::chrono::milliseconds) override
    {
        return std::string(segment);
    }
    bool ready() override { return true; }
};

// Takes out the field's word a segment starts with, as the grammar does; in a workbook of field x
// it gives "leak" (and "LEAK") a renamed lemma that no entry translates, and "lost" the tag a
// rule leaves of a word it lost.
class FieldPipeline final : public Pipeline {
public:
    Result<std::string> exchange(std::string_view segment, std::chrono::milliseconds) override
    {
        std::string answer(segment.substr(segment.find('[')));
        if (segment.starts_with("vfieldx[")) {
            for (std::size_t at = answer.find("leak"); at != std::string::npos; at = answer.find("leak", at + 1))
                answer.insert(at + 4, "_vfx");
            for (std::size_t at = answer.find("LEAK"); at != std::string::npos; at = answer.find("LEAK", at + 1))
                answer.insert(at + 4, "_VFX");
            for (std::size_t at = answer.find("lost"); at != std::string::npos; at = answer.find("lost", at + 1))
                answer.insert(at + 4, "<vblex>");
        }
        return answer;
    }
    bool ready() override { return true; }
};

struct ShareCase {
    const char* name;
    std::vector<std::size_t> sizes;  // text lengths
    std::size_t shares;
    std::size_t minShareBytes;
    Ranges expected;
};

TEST(TranslatorPool, SharesOutConsecutiveTextsOfAboutEqualSize)
{
    const ShareCase cases[] = {
        {"equal texts, two shares", {9, 9, 9, 9}, 2, 1, {{0, 2}, {2, 4}}},
        {"a long text weighs more", {29, 9, 9, 9}, 2, 1, {{0, 1}, {1, 4}}},
        {"too small to share", {9, 9, 9, 9}, 4, 30, {{0, 4}}},
        {"never more shares than texts", {99, 99}, 8, 1, {{0, 1}, {1, 2}}},
        {"no texts", {}, 4, 1, {{0, 0}}},
    };
    for (const ShareCase& c : cases) {
        Texts texts;
        for (const std::size_t size : c.sizes)
            texts.emplace_back(size, 'a');
        EXPECT_EQ(shareOut(texts, c.shares, c.minShareBytes), c.expected) << c.name;
    }
}

TEST(TranslatorPool, ATextThatShowsARenamedLemmaOrALostWordsTagIsTranslatedAgainWithoutTheField)
{
    const PipelineFactory factory = []() -> Result<std::unique_ptr<Pipeline>> {
        return std::unique_ptr<Pipeline>(std::make_unique<FieldPipeline>());
    };
    TranslatorPool pool(factory, {}, 1, nullptr,
                        std::make_shared<const WorkbookFields>("\tvfieldnone\t\nx\tvfieldx\tword:1\n"));
    const auto translated = pool.translate({"a leak here", "fine", "A LEAK", "lost word", "a <tag> kept lost"}, "x");
    ASSERT_TRUE(translated) << translated.error().message;
    EXPECT_EQ(translated.value(), (Texts{"a leak here", "fine", "A LEAK", "lost word", "a <tag> kept lost<vblex>"}))
        << "a tag the text has already is its own";
}

TEST(TranslatorPool, ALargeBatchTakesEveryPipelineAndASingleTextOne)
{
    std::atomic<int> started = 0;
    const PipelineFactory factory = [&started]() -> Result<std::unique_ptr<Pipeline>> {
        ++started;
        return std::unique_ptr<Pipeline>(std::make_unique<EchoPipeline>());
    };
    TranslatorPool pool(factory, {}, 3);
    ASSERT_TRUE(pool.translate({"Hello"}));
    EXPECT_EQ(started, 1);

    Texts texts;
    for (int i = 0; i < 3000; ++i)
        texts.push_back("text number " + std::to_string(i));
    const auto translated = pool.translate(texts);
    ASSERT_TRUE(translated) << translated.error().message;
    EXPECT_EQ(translated.value(), texts);
    EXPECT_EQ(started, 3);
}

}  // namespace
}  // namespace veltrano::pagehost

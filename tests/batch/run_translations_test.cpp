// A run's translations across workbooks of different fields, in the run and through the memory.

#include "batch/run_translations.h"
#include "tests/spreadsheet/fixture.h"

#include <gtest/gtest.h>

#include <string_view>

namespace {

using namespace veltrano;

// Tells "sports" for texts holding "Goals", and marks each translation with its field.
class FieldTranslator final : public batch::TextTranslator {
public:
    pagehost::Result<std::string> fieldOf(const std::vector<std::string>& texts) override
    {
        return std::string(std::find(texts.begin(), texts.end(), "Goals") != texts.end() ? "sports" : "");
    }
    pagehost::Result<std::vector<std::string>> translate(const std::vector<std::string>& texts,
                                                         const std::optional<std::string>& field) override
    {
        std::vector<std::string> translations;
        for (const std::string& text : texts) {
            translations.push_back(text + "@" + field.value_or("?"));
            ++sent;
        }
        return translations;
    }
    int sent = 0;
};

struct Workbook {
    std::vector<std::string_view> texts;
    std::vector<std::string> expected;
    int sent;  // texts the translator is asked for
};

TEST(RunTranslations, EachWorkbooksTextsAreTranslatedAndRememberedInItsOwnField)
{
    const spreadsheet::testing::TempDir folder;
    const auto memoryPath = (folder / "memory.sqlite").string();
    // Two runs over the same memory: the second asks the translator nothing.
    const std::vector<std::vector<Workbook>> runs = {
        {{{"Goals", "Home"}, {"Goals@sports", "Home@sports"}, 2},
         {{"Home", "Rent"}, {"Home@", "Rent@"}, 2},
         {{"Home", "Goals"}, {"Home@sports", "Goals@sports"}, 0}},
        {{{"Rent", "Home"}, {"Rent@", "Home@"}, 0}, {{"Home", "Goals"}, {"Home@sports", "Goals@sports"}, 0}},
    };
    for (std::size_t run = 0; run < runs.size(); ++run) {
        FieldTranslator translator;
        const auto memory = batch::TranslationMemory::open(
            memoryPath, "en-es", "fp", [](const std::string& warning) { ADD_FAILURE() << warning; });
        ASSERT_TRUE(memory);
        batch::RunTranslations translations(translator, memory.get(), true);
        for (std::size_t book = 0; book < runs[run].size(); ++book) {
            const Workbook& workbook = runs[run][book];
            const int sentBefore = translator.sent;
            ASSERT_TRUE(translations.prepare(workbook.texts));
            std::vector<std::string> got;
            for (const std::string_view text : workbook.texts)
                got.push_back(translations.of(text));
            EXPECT_EQ(got, workbook.expected) << "run " << run << ", workbook " << book;
            EXPECT_EQ(translator.sent - sentBefore, workbook.sent) << "run " << run << ", workbook " << book;
        }
    }
}

}  // namespace

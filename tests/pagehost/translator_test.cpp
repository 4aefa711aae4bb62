#include "pagehost/translator.h"

#include <gtest/gtest.h>

#include <cctype>
#include <memory>
#include <regex>
#include <utility>

namespace veltrano::pagehost {
namespace {

using namespace std::string_literals;
using Texts = std::vector<std::string>;
using Answerer = std::function<Result<std::string>(const std::string&)>;

// Stands in for an Apertium pipeline: answers each segment through a function, and counts.
struct FakeState {
    Answerer answer;
    std::vector<std::string> segments;
    int started = 0;
    bool dead = false;
};

class FakePipeline final : public Pipeline {
public:
    explicit FakePipeline(FakeState& state)
        : m_state(state)
    {}
    Result<std::string> exchange(std::string_view segment, std::chrono::milliseconds) override
    {
        m_state.segments.emplace_back(segment);
        return m_state.answer(std::string(segment));
    }
    bool ready() override { return !m_state.dead; }

private:
    FakeState& m_state;
};

PipelineFactory factoryFor(FakeState& state)
{
    return [&state]() -> Result<std::unique_ptr<Pipeline>> {
        ++state.started;
        state.dead = false;
        return std::unique_ptr<Pipeline>(std::make_unique<FakePipeline>(state));
    };
}

Result<std::string> echo(const std::string& segment)
{
    return segment;
}

// Like Apertium: each sentence comes back capitalised, after a space where a dropped word was;
// what superblanks hold passes untouched.
Result<std::string> capitaliseSentences(const std::string& segment)
{
    std::string answer;
    bool sentenceStart = true;
    bool inBlank = false;
    for (std::size_t i = 0; i < segment.size(); ++i) {
        const char c = segment[i];
        inBlank = (inBlank || c == '[') && c != ']';
        const bool letter = std::isalpha(static_cast<unsigned char>(c)) && !inBlank;
        if (sentenceStart && letter) {
            answer += ' ';
            answer += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        } else {
            answer += c;
        }
        sentenceStart = c == ']' || (sentenceStart && !letter && c != '\\');
    }
    return answer;
}

TEST(Translator, KeepsWhitespaceNulAndCaseAroundWhatThePipelineChanges)
{
    FakeState state;
    state.answer = capitaliseSentences;
    Translator translator(factoryFor(state));
    const Texts texts = {"", "   ", "  plain words\n", "1,234.57", "a\0b"s, "[x] \\y\\", "line\nbreak", "plain words"};
    const auto translated = translator.translate(texts);
    ASSERT_TRUE(translated) << translated.error().message;
    EXPECT_EQ(translated.value(), texts);
    // One segment; the repeated core and the texts without letters never reached the pipeline,
    // and each line of a text went as a text of its own.
    ASSERT_EQ(state.segments.size(), 1u);
    EXPECT_EQ(state.segments[0],
              "[].[start]plain words[].[0]a[].[1]b[].[2]\\[x\\] \\\\y\\\\[].[3]line[].[4]break[].[5][\n]");
}

TEST(Translator, GlossaryDecidesWholeTextsAndProtectsTermsInsideOthers)
{
    FakeState state;
    state.answer = echo;
    auto glossary = std::make_shared<Glossary>();
    std::vector<std::string> problems;
    glossary->addTsv("N/A\tN/D\nYTD\tAcum. [anual]\n", "test", problems);
    Translator translator(factoryFor(state), {}, glossary);
    const auto translated = translator.translate({" n/a ", "N/A", "Sales YTD"});
    ASSERT_TRUE(translated) << translated.error().message;
    EXPECT_EQ(translated.value(), (Texts{" n/d ", "N/D", "Sales Acum. [anual]"}));
    ASSERT_EQ(state.segments.size(), 1u);
    EXPECT_EQ(state.segments[0], "[].[start]Sales [=Acum. \\[anual\\]][].[0][\n]");
}

TEST(Translator, AddressesAndCodesPassThePipelineUntouched)
{
    FakeState state;
    state.answer = echo;
    Translator translator(factoryFor(state));
    const Texts texts = {"=SUM(A1:A3)", "https://example.com/x", "Invoice INV-2024-00317 overdue"};
    const auto translated = translator.translate(texts);
    ASSERT_TRUE(translated) << translated.error().message;
    EXPECT_EQ(translated.value(), texts);
    ASSERT_EQ(state.segments.size(), 1u);
    EXPECT_EQ(state.segments[0], "[].[start]Invoice [=INV-2024-00317] overdue[].[0][\n]");
}

TEST(Translator, SpanishDatesGoAsNumbersAndAgainProtectedWhenARuleChangedOne)
{
    for (const bool ruleChangesNumbers : {false, true}) {
        FakeState state;
        state.answer = [&](const std::string& segment) -> Result<std::string> {
            return ruleChangesNumbers ? std::regex_replace(segment, std::regex(R"((\d{5}))"), "$1st") : segment;
        };
        Translator translator(factoryFor(state));
        const Texts texts = {"Pagar antes del 15/03 o del 1/4/25", "Ejercicio 2024/25"};
        const auto translated = translator.translate(texts);
        ASSERT_TRUE(translated) << translated.error().message;
        EXPECT_EQ(translated.value(), texts);
        ASSERT_EQ(state.segments.size(), ruleChangesNumbers ? 2u : 1u);
        EXPECT_EQ(state.segments[0].find("15/03"), std::string::npos) << state.segments[0];
        EXPECT_NE(state.segments[0].find(R"([=2024\/25])"), std::string::npos) << state.segments[0];
        if (ruleChangesNumbers) {
            EXPECT_NE(state.segments[1].find(R"([=15\/03] o del [=1\/4\/25])"), std::string::npos) << state.segments[1];
        }
    }
}

TEST(Translator, AnEnglishCodeThatQualifiesTheWordsAfterItGoesAsAnAcronymAndAgainProtectedWhenLost)
{
    for (const bool ruleDropsIt : {false, true}) {
        FakeState state;
        state.answer = [&](const std::string& segment) -> Result<std::string> {
            return ruleDropsIt ? std::regex_replace(segment, std::regex(R"(\[start\]SKU sales)"), "[start]sales")
                               : segment;
        };
        TranslatorSettings settings;
        settings.spanishTarget = true;
        Translator translator(factoryFor(state), settings);
        const Texts texts = {"Q1 sales", "A1 is empty", "SKU Q1 sales"};
        const auto translated = translator.translate(texts);
        ASSERT_TRUE(translated) << translated.error().message;
        EXPECT_EQ(translated.value(), texts);
        ASSERT_EQ(state.segments.size(), ruleDropsIt ? 2u : 1u);
        EXPECT_NE(state.segments[0].find("SKU sales[].[0][=A1] is empty[].[1]SKU [=Q1] sales"), std::string::npos)
            << state.segments[0];
        if (ruleDropsIt) {
            EXPECT_NE(state.segments[1].find("[=Q1] sales"), std::string::npos) << state.segments[1];
        }
    }
}

TEST(Translator, EachWordOfASlashedLabelIsALabelOfItsOwn)
{
    FakeState state;
    state.answer = echo;
    Translator translator(factoryFor(state));
    const Texts texts = {" Qty/box", "Parent/Guardian/Tutor", "km/h", "Cost per unit/box", "a/1"};
    const auto translated = translator.translate(texts);
    ASSERT_TRUE(translated) << translated.error().message;
    EXPECT_EQ(translated.value(), texts);
    ASSERT_EQ(state.segments.size(), 1u);
    // A unit goes whole; a phrase with spaces goes whole, and once with each word of its slashed
    // pair; "a/1" is a code, kept as it is.
    const auto ending = translator.translate({"Profesor/a \n"});
    ASSERT_TRUE(ending) << ending.error().message;
    EXPECT_EQ(ending.value(), Texts{"Profesor \n"}) << "a feminine ending is left out";
    EXPECT_EQ(state.segments[0], "[].[start]Qty[].[0]box[].[1]Parent[].[2]Guardian[].[3]Tutor[].[4]km\\/h[].[5]"
                                 "Cost per unit\\/box[].[6]Cost per box[].[7]Cost per unit[].[8][\n]");
}

TEST(Translator, EachPartOfALabelBetweenDashesIsALabelOfItsOwn)
{
    FakeState state;
    state.answer = echo;
    Translator translator(factoryFor(state));
    const Texts texts = {"Work stopped - safety issue", "Planta 2 \u2013 estado", "Mon 9:00 - 17:00",
                         "Paid - see note.", "Pre-paid"};
    const auto translated = translator.translate(texts);
    ASSERT_TRUE(translated) << translated.error().message;
    EXPECT_EQ(translated.value(), texts);
    ASSERT_EQ(state.segments.size(), 1u);
    // A range of times and a sentence go whole, and so does a hyphen inside a word.
    EXPECT_EQ(state.segments[0], "[].[start]Work stopped[].[0]safety issue[].[1]Planta 2[].[2]estado[].[3]"
                                 "Mon 9:00 - 17:00[].[4]Paid - see note.[].[5]Pre-paid[].[6][\n]");
}

TEST(Translator, WordsOfASlashedLabelThatTranslateAlikeComeOnce)
{
    FakeState state;
    state.answer = [](const std::string& segment) -> Result<std::string> {
        std::string answer = segment;
        for (const std::string word : {"City", "Phone"})
            for (auto at = answer.find(word); at != std::string::npos; at = answer.find(word))
                answer.replace(at, word.size(), word == "City" ? "Town" : "Tel.");
        return answer;
    };
    Translator translator(factoryFor(state));
    const auto translated =
        translator.translate({"Town/City ", "Tel./Phone/Fax", "Town/town", "Fax/Phone", "Town / City"});
    ASSERT_TRUE(translated) << translated.error().message;
    EXPECT_EQ(translated.value(), (Texts{"Town ", "Tel./Fax", "Town/town", "Fax/Tel.", "Town"}));
}

TEST(Translator, AnEmptyTranslationLeavesTheTextAsItWas)
{
    FakeState state;
    state.answer = [](const std::string&) -> Result<std::string> { return std::string(" .[0][\n]"); };
    Translator translator(factoryFor(state));
    const auto translated = translator.translate({" He "});
    ASSERT_TRUE(translated) << translated.error().message;
    EXPECT_EQ(translated.value(), Texts{" He "});
}

TEST(Translator, MovedSeparatorsFallBackToOneTextPerSegment)
{
    FakeState state;
    state.answer = [](const std::string& segment) -> Result<std::string> {
        if (segment.find("[1]") == std::string::npos)
            return segment;
        return std::string("one.[1]two.[0][\n]");
    };
    Translator translator(factoryFor(state));
    const auto translated = translator.translate({"one", "two"});
    ASSERT_TRUE(translated) << translated.error().message;
    EXPECT_EQ(translated.value(), (Texts{"one", "two"}));
    EXPECT_EQ(state.segments.size(), 3u);
}

TEST(Translator, EverySegmentOfABatchNamesItsField)
{
    // The grammar takes the field's word out; a segment sent again alone must name it too.
    FakeState state;
    state.answer = [](const std::string& segment) -> Result<std::string> {
        if (!segment.starts_with("vfieldx["))
            return Failure{"segment without its field: " + segment};
        if (segment.find("[1]") != std::string::npos)
            return std::string("one.[1]two.[0][\n]");
        return segment.substr(std::string_view("vfieldx").size());
    };
    Translator translator(factoryFor(state));
    const auto translated = translator.translate({"one", "two"}, "vfieldx");
    ASSERT_TRUE(translated) << translated.error().message;
    EXPECT_EQ(translated.value(), (Texts{"one", "two"}));
    EXPECT_EQ(state.segments.size(), 3u);
}

TEST(Translator, AFailedExchangeIsReportedAndThePipelineReplaced)
{
    FakeState state;
    state.answer = [](const std::string&) -> Result<std::string> { return Failure{"pipeline hung"}; };
    Translator translator(factoryFor(state));
    const auto failed = translator.translate({"text"});
    ASSERT_FALSE(failed);
    EXPECT_NE(failed.error().message.find("pipeline hung"), std::string::npos);
    EXPECT_EQ(state.started, 2);

    state.answer = echo;
    const auto recovered = translator.translate({"text"});
    ASSERT_TRUE(recovered) << recovered.error().message;
    EXPECT_EQ(recovered.value(), Texts{"text"});
    EXPECT_EQ(state.started, 2);
}

TEST(Translator, AnAnswerMeantForAnEarlierSegmentIsNeverTaken)
{
    // In step at first, then one answer behind, as after a program flushed on its way out.
    FakeState state;
    std::string previous;
    state.answer = [&previous](const std::string& segment) -> Result<std::string> {
        return previous.empty() ? (previous = segment) : std::exchange(previous, segment);
    };
    Translator translator(factoryFor(state));
    ASSERT_EQ(translator.translate({"One"}).value(), Texts{"One"});
    EXPECT_FALSE(translator.translate({"Two"}));
    EXPECT_EQ(state.started, 2);
}

TEST(Translator, APipelineThatEndedWhileIdleIsReplacedBeforeUse)
{
    FakeState state;
    state.answer = echo;
    Translator translator(factoryFor(state));
    ASSERT_TRUE(translator.translate({"first"}));
    state.dead = true;
    const auto translated = translator.translate({"second"});
    ASSERT_TRUE(translated) << translated.error().message;
    EXPECT_EQ(translated.value(), Texts{"second"});
    EXPECT_EQ(state.started, 2);
}

TEST(Translator, APipelineThatCannotStartIsReported)
{
    Translator translator([]() -> Result<std::unique_ptr<Pipeline>> { return Failure{"cannot start lt-proc"}; });
    const auto failed = translator.translate({"text"});
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.error().message, "cannot start lt-proc");
    // Texts that need no pipeline are still answered.
    EXPECT_TRUE(translator.translate({" 42 ", ""}));
}

TEST(Translator, LargeBatchesTravelInSeveralSegments)
{
    FakeState state;
    state.answer = echo;
    TranslatorSettings settings;
    settings.maxSegmentBytes = 100;
    Translator translator(factoryFor(state), settings);
    Texts texts;
    for (int i = 0; i < 30; ++i)
        texts.push_back("text number " + std::to_string(i));
    const auto translated = translator.translate(texts);
    ASSERT_TRUE(translated) << translated.error().message;
    EXPECT_EQ(translated.value(), texts);
    EXPECT_GT(state.segments.size(), 5u);
}

}  // namespace
}  // namespace veltrano::pagehost

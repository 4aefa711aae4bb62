#include "pagehost/word_stand_ins.h"

#include <gtest/gtest.h>

#include <optional>
#include <string_view>
#include <vector>

namespace veltrano::pagehost {
namespace {

TEST(WordStandIns, OnlyAShortCodeThatQualifiesTheWordsAfterItStandsIn)
{
    const std::pair<std::string_view, std::optional<std::string_view>> cases[] = {
        {"Q1 sales", "Q1"},
        {"FY2024 budget", "FY2024"},
        {"Covid-19 test results", "Covid-19"},
        {"A1 is the first cell", std::nullopt},
        {"Q1 and Q2", std::nullopt},
        {"Q1 2024 targets", std::nullopt},
        {"INV-2024-00317 paid", std::nullopt},
        {"Sales Q1", std::nullopt},
        {"Q1", std::nullopt},
        {"Q1 sku list", std::nullopt},
    };
    for (const auto& [core, expected] : cases)
        EXPECT_EQ(qualifyingCodeAtStart(core), expected) << core;
}

TEST(WordStandIns, AnAcronymTheAnalyserDoesNotKnowStandsInUnlessATermHoldsIt)
{
    // The analyser stand-in knows a few words, and "MAC address" only as a whole.
    const auto knows = [](std::string_view word) {
        return word == "monthly" || word == "report" || word == "PAYE" || word == "MAC address" || word == "acct.";
    };
    const std::pair<std::string_view, std::optional<std::string_view>> cases[] = {
        {"Monthly NHS report", "NHS"},        {"NHS number", "NHS"}, {"Número ERP", "ERP"},
        {"PAYE code", std::nullopt},           // a word the analyser knows
        {"MAC address", std::nullopt},         // inside a term
        {"MONTHLY NHS REPORT", std::nullopt},  // a heading in capitals
        {"Phase II report", std::nullopt},     // a Roman numeral
        {"Total (NHS)", std::nullopt},         // not a word standing apart
        {"NHS and SKU list", std::nullopt},    // the stand-in is the label's own word
        {"A report", std::nullopt},            // one letter
    };
    for (const auto& [core, expected] : cases) {
        const auto found = unknownAcronymIn(core, knows);
        EXPECT_EQ(found ? std::optional(core.substr(found->begin, found->length)) : std::nullopt, expected) << core;
    }
}

TEST(WordStandIns, AnUnknownNameAfterTheFirstWordStandsInUnlessAVerbLeadsToIt)
{
    const auto knows = [](std::string_view word) {
        return word == "monthly" || word == "export" || word == "Enable" || word == "enable" || word == "plantilla";
    };
    const auto isVerb = [](std::string_view word) { return word == "Enable"; };
    const std::pair<std::string_view, std::optional<std::string_view>> cases[] = {
        {"Monthly Xero export", "Xero"},         {"Plantilla Excel", "Excel"},
        {"Monthly PayPal export", "PayPal"},     {"PayPal export", "PayPal"},  // but for one with a capital inside
        {"Xero export", std::nullopt},          // the first word's capital may be the sentence's
        {"Enable Xero export", std::nullopt},   // after a verb
        {"Acme Xero export", std::nullopt},     // a name of several words
        {"Monthly Xero Export", std::nullopt},  // so in a heading in Title Case
        {"Monthly NHS export", std::nullopt},   // an acronym's
        {"Monthly (Xero) export", std::nullopt},
    };
    for (const auto& [core, expected] : cases) {
        const auto found = unknownNameIn(core, knows, isVerb);
        EXPECT_EQ(found ? std::optional(core.substr(found->begin, found->length)) : std::nullopt, expected) << core;
    }
}

TEST(WordStandIns, ACapitalAfterANounNamesOneOfASeriesUnlessItReadsAsAWord)
{
    // English words, as its analyser reads them: nouns, and nouns that are verbs too.
    const auto isNoun = [](std::string_view word) {
        return word == "Vitamin" || word == "Plan" || word == "Section" || word == "Zone" || word == "type"
               || word == "Schedule" || word == "Category" || word == "INVENTORY";
    };
    const auto onlyNoun = [](std::string_view word) {
        return word == "Vitamin" || word == "Section" || word == "Zone" || word == "Category";
    };
    const std::pair<std::string_view, std::vector<std::string_view>> cases[] = {
        {"Vitamin A Level", {"A"}},
        {"Plan A cost", {"A"}},         // a word in small letters after it
        {"Schedule A", {"A"}},          // the end
        {"Section A: Details", {"A"}},  // a mark
        {"Zone A and Zone B", {"A", "B"}},
        {"Blood type B", {"B"}},
        {"Plan A Review", {}},      // "Plan" may be a verb: "A" the article
        {"Enter A Value", {}},      // no noun before it
        {"Mark with an X", {}},     // after the article
        {"John F Kennedy", {}},     // a name's initial
        {"Vitamin D. Smith", {}},   // an initial with its dot
        {"VITAMIN A LEVEL", {}},    // no small letters to tell a heading's case
        {"INVENTORY A 31/12", {}},  // "A" before a number
        {"Section I", {}},          // "I" the pronoun, or Roman
        {"Vitamin AB", {}},         // not one letter
        {"A", {}},
        {"Zone B of 80201", {}},  // the stand-in is the text's own
    };
    for (const auto& [core, expected] : cases) {
        std::vector<std::string_view> found;
        for (const auto& span : seriesLettersIn(core, "AI", isNoun, onlyNoun))
            found.push_back(core.substr(span.begin, span.length));
        EXPECT_EQ(found, expected) << core;
    }
}

TEST(WordStandIns, TheCodeComesBackOnlyWhereTheStandInDidOnce)
{
    const std::pair<std::string_view, std::optional<std::string>> cases[] = {
        {"Ventas de sku", "Ventas de Q1"}, {"SKU ventas", "Q1 ventas"},  {"Ventas", std::nullopt},
        {"Ventas de skus", std::nullopt},  {"SKU de SKU", std::nullopt},
    };
    for (const auto& [translated, expected] : cases)
        EXPECT_EQ(withStandInRestored(std::string(translated), kCodeStandIn, "Q1"), expected) << translated;
}

TEST(WordStandIns, ClockTimesAreWordsOfAnHourAndTwoFiguresOfMinutes)
{
    const std::pair<std::string_view, std::vector<std::string_view>> cases[] = {
        {"Meeting at 9:30, open 08:00-18:00.", {"9:30", "08:00", "18:00"}},
        {"Ratio 3:1, 25:00, 9:75, 1:2:3, A1:B9, 123:45", {}},
    };
    for (const auto& [text, expected] : cases) {
        std::vector<std::string_view> found;
        for (const auto& span : clockTimesIn(text))
            found.push_back(text.substr(span.begin, span.length));
        EXPECT_EQ(found, expected) << text;
    }
}

}  // namespace
}  // namespace veltrano::pagehost

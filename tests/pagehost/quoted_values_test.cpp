#include "pagehost/quoted_values.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace veltrano::pagehost {
namespace {

TEST(QuotedValues, ShortValuesBetweenPairedMarksAreFoundAndTheirMarksLeftOut)
{
    const struct {
        std::string_view text;
        std::vector<std::string_view> contents;
        std::string_view unquoted;
    } cases[] = {
        {"Marcar con \"X\" las entregas", {"X"}, "Marcar con X las entregas"},
        {"See the \u201cCampaigns\u201d sheet", {"Campaigns"}, "See the Campaigns sheet"},
        {"Poner \"S\u00ed\" o \"No\"", {"S\u00ed", "No"}, "Poner S\u00ed o No"},
        {"\u00abPendiente\u00bb o \"En curso\".", {"Pendiente", "En curso"}, "Pendiente o En curso."},
        {"(\"N/A\" if none)", {"N/A"}, "(N/A if none)"},
        {"Don't edit the 'Totals' column", {"Totals"}, "Don't edit the Totals column"},
        {"Enter 'Yes' or \u2018No\u2019 in the customers' sheet",
         {"Yes", "No"},
         "Enter Yes or No in the customers' sheet"},
        // Single marks that pair with none are apostrophes.
        {"It's the manager's call", {}, ""},
        {"Customers' orders", {}, ""},
        // An inch mark, a quoted sentence, a lone mark, values without a letter: left alone.
        {"12\" pipe", {}, ""},
        {"Screen 5\" and 7\"", {}, ""},
        {"He said \"do not send any more emails\"", {}, ""},
        {"\"Unclosed value", {}, ""},
        {"Type \"0\" or \"\"", {}, ""},
        {"a \u201dstray\u201d mark", {}, ""},
    };
    for (const auto& [text, contents, unquoted] : cases) {
        const auto values = quotedValuesIn(text);
        std::vector<std::string_view> found;
        for (const auto& value : values)
            found.push_back(quotedContent(text, value));
        EXPECT_EQ(found, contents) << text;
        if (!values.empty()) {
            EXPECT_EQ(withoutQuoteMarks(text, values), unquoted) << text;
        }
    }
}

TEST(QuotedValues, EachValuesTranslationFoundOnceIsQuotedAgainOrNothingIs)
{
    const struct {
        std::string_view translated, source;
        std::vector<std::string> valueTranslations;
        std::optional<std::string> expected;
    } cases[] = {
        {"Mark the full deliveries with X",
         "Marcar con \"X\" las entregas completas",
         {"X"},
         "Mark the full deliveries with \"X\""},
        {"Estado enviado", "Status \"Shipped\"", {"Enviado"}, "Estado \"Enviado\""},
        {"Consulte la hoja Campa\u00f1as",
         "See the \u201cCampaigns\u201d sheet",
         {"Campa\u00f1as"},
         "Consulte la hoja \u201cCampa\u00f1as\u201d"},
        {"Put Yes or No", "Poner \"S\u00ed\" o \"No\"", {"Yes", "No"}, "Put \"Yes\" or \"No\""},
        {"Put X next to each X", "Put \"X\" next to each X", {"X"}, std::nullopt},
        {"Mark the boxes", "Marcar \"S\"", {"Y"}, std::nullopt},
        {"Check the Xbox", "Check the \"X\" box", {"X"}, std::nullopt},
    };
    for (const auto& [translated, source, valueTranslations, expected] : cases)
        EXPECT_EQ(withValuesQuoted(std::string(translated), source, quotedValuesIn(source), valueTranslations),
                  expected)
            << source;
}

}  // namespace
}  // namespace veltrano::pagehost

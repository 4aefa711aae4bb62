#pragma once
// Values in quotes inside a label or an instruction ("Mark with "X" the completed
// deliveries", "See the “Campaigns” sheet"). The pipeline passes the marks through where they
// stand and moves the words between them, or the words around them, as its rules order a phrase
// ("Mark the "" full deliveries with X", "Consulte la "hoja" Campañas"). The text goes without the
// marks, each value alone, and the marks are put back around the value's translation.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace veltrano::pagehost {

// Where a value's marks are in its text: the opening mark's first byte and length, the closing's.
struct QuotedValue {
    std::size_t open = 0, openLength = 0;
    std::size_t close = 0, closeLength = 0;
};

// The values between double quotes (ASCII, “ ” or « ») in text, in order: each of one to three
// words with a letter, opened at the start of a word and closed at the end of one. None when a
// mark stands unpaired or a pair holds anything else (an inch mark, a sentence in quotes). So
// also the values between single quotes (ASCII, or ‘ ’: "See sheet 'Summary'"), where a mark that
// pairs with none is an apostrophe and passed over.
std::vector<QuotedValue> quotedValuesIn(std::string_view text);

// What value holds between its marks in text.
std::string_view quotedContent(std::string_view text, const QuotedValue& value);

// text without the marks of values.
std::string withoutQuoteMarks(std::string_view text, const std::vector<QuotedValue>& values);

// translated (of source without the marks) with each value's translation, found in it exactly once
// as words of their own and in any case, written in as it is between the marks source gives it;
// none when one is not found so.
std::optional<std::string> withValuesQuoted(std::string translated, std::string_view source,
                                            const std::vector<QuotedValue>& values,
                                            const std::vector<std::string>& valueTranslations);

}  // namespace veltrano::pagehost

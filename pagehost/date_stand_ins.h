#pragma once
// Dates written in figures ("hasta el 31/12", "Pay before 15/03") reach the pipeline as numbers
// that stand in for them. Its rules then read each as a number (no article before it, "until" as
// a preposition, "a" as "at"), where a date kept out of their sight in a protected block left
// "the 31/12" and "hasta que 15/04". The dates are put back in the translation.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace veltrano::pagehost {

// Whether text is a date in figures: day and month ("31/12"), with a year ("3/4/24",
// "31-12-2024", "31.12.2024"), or a year first ("2024-12-31").
bool isNumericDate(std::string_view text);

// The number that stands in for the index-th date of source; empty when source itself holds
// such a number, whose place in a translation could not be told from the stand-in's.
std::string dateStandIn(std::string_view source, std::size_t index);

// translated with each date's stand-in replaced by the date; none unless every stand-in comes
// back exactly once as a number of its own (a rule may have made one "90001st").
std::optional<std::string> withDatesRestored(std::string translated, const std::vector<std::string_view>& dates);

}  // namespace veltrano::pagehost

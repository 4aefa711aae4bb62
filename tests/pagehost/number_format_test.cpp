#include "pagehost/number_format.h"

#include <gtest/gtest.h>

#include <string_view>

namespace veltrano::pagehost {
namespace {

TEST(NumberFormat, NumbersTakeTheTargetsSeparatorsWhereTheyCannotBeReadOtherwise)
{
    const struct {
        bool spanishTarget;
        std::string_view translated, expected, source = {};
    } cases[] = {
        // Into English: dotted thousands and decimal commas.
        {false, "Quotes from 1.000 €", "Quotes from 1,000 €"},
        {false, "Price: 1.234,56 € or €1.234.567", "Price: 1,234.56 € or €1,234,567"},
        {false, "Rate of 2,5 % and 0,75 kg, then -99,99 €.", "Rate of 2.5 % and 0.75 kg, then -99.99 €."},
        {false, "From 1.000-2.000 € (7,5/10)", "From 1,000-2,000 € (7.5/10)"},
        {false, "Grade 1,000 or 1,2,3", "Grade 1,000 or 1,2,3"},
        {false, "Dated 15.03.2024, version 1.2.3, IP 192.168.1.1", "Dated 15.03.2024, version 1.2.3, IP 192.168.1.1"},
        {false, "Ref INV-1.000, v2,5, x_1,5 and 1.2345", "Ref INV-1.000, v2,5, x_1,5 and 1.2345"},
        // Into Spanish: comma thousands always, a decimal point only in a quantity.
        {true, "Pedidos superiores a 1,000 $", "Pedidos superiores a 1.000 $"},
        {true, "Total: $1,234.56 y 1,234,567 unidades", "Total: $1.234,56 y 1.234.567 unidades"},
        {true, "Tasa del 2.5%, 0.75 kg, 3.5kg, 1.5 millones, $3.50",
         "Tasa del 2,5%, 0,75 kg, 3,5kg, 1,5 millones, $3,50"},
        {true, "Ver cláusula 12.3 y 4.5 estrellas", "Ver cláusula 12.3 y 4.5 estrellas"},
        {true, "Versión v2.1, 1,5 y 10.000.000", "Versión v2.1, 1,5 y 10.000.000"},
        {true, "3.5 transferencia de kg, 1.5", "3,5 transferencia de kg, 1.5", "3.5 kg transfer, 1.5"},
    };
    for (const auto& [spanishTarget, translated, expected, source] : cases)
        EXPECT_EQ(withTargetNumberFormat(source, translated, spanishTarget), expected) << translated;
}

}  // namespace
}  // namespace veltrano::pagehost

#include "pagehost/verbatim.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace veltrano::pagehost {
namespace {

std::vector<std::string> keptIn(std::string_view text)
{
    std::vector<std::string> kept;
    for (const auto& span : verbatimSpans(text))
        kept.emplace_back(text.substr(span.begin, span.length));
    return kept;
}

TEST(Verbatim, AddressesPathsCodesNamesAndFormulasAreKeptWhole)
{
    using Kept = std::vector<std::string>;
    const struct {
        std::string_view text;
        Kept kept;
    } cases[] = {
        {"See https://example.com/a?b=1.", {"https://example.com/a?b=1"}},
        {"Visit www.example.org, then call", {"www.example.org"}},
        {"Write to ana.ruiz@example.es (sales)", {"ana.ruiz@example.es"}},
        {"Saved in C:\\Reports\\2024\\q1.xlsx", {"C:\\Reports\\2024\\q1.xlsx"}},
        {"Copy to /home/ana/books/ventas.xlsx now", {"/home/ana/books/ventas.xlsx"}},
        {"Share \\\\server\\finance", {"\\\\server\\finance"}},
        {"Invoice INV-2024-00317 is overdue", {"INV-2024-00317"}},
        {"SKU12345 (v2.1)", {"SKU12345", "v2.1"}},
        {"=SUM(A1:A9)", {"=SUM(A1:A9)"}},
        {"+A1*2", {"+A1*2"}},
        {"3rd quarter, 24h service, 5kg, 30-day trial", {}},
        {"Weight 3.5 kg, grade 7.5 of 1.2.3 or 15.03-2", {"1.2.3", "15.03-2"}},
        {"and/or, 10%, 1,234.57 and 42", {"1,234.57"}},
        {"Total: $1,234.56, $2.5M or -€5k", {"$1,234.56", "$2.5M", "-€5k"}},
        {"Over $50, $1,000 or 5kg", {}},
        {"~5 days, ~ 20%", {"~5", "~"}},
        {"Dear {FirstName}, your {{balance}} is due", {"{FirstName}", "{{balance}}"}},
        {"{INV-2024} and INV-2025, {} or { open", {"{INV-2024}", "INV-2025"}},
        {"= total", {}},
        {"user @ home", {}},
        {"Blue Fish Co", {"Blue Fish Co"}},
        {"Talleres Pérez y Hijos S.L.", {"Talleres Pérez y Hijos S.L."}},
        {"(Smith & Sons Ltd.)", {"(Smith & Sons Ltd.)"}},
        {"Pay Blue Fish Co by Friday", {}},
        {"Ltd", {}},
        {"Delivered by the Co", {}},
        {"Due, Acme Inc", {"Acme Inc"}},
        {"Invoice to Delta Foods Inc. by Friday", {"Delta Foods Inc."}},
        {"Cliente: Talleres Pérez y Hijos S.L.", {"Talleres Pérez y Hijos S.L."}},
        {"Delta Foods Inc. invoice", {}},
        {"Acme Ltd: invoice paid, Blue Co, paid", {"Acme Ltd", "Blue Co"}},
        {"Sent to and Co", {}},
        {"Domicilio: C/ Mayor, 12, 3º B", {"C/ Mayor, 12, 3º B"}},
        {"Calle Real 14, 28001 Madrid (centro)", {"Calle Real 14, 28001 Madrid"}},
        {"Avda. de la Constitución 23 2.º izda. desde el lunes", {"Avda. de la Constitución 23 2.º izda."}},
        {"Ship to: 45 High Street, London", {"45 High Street, London"}},
        {"123 Main St., Suite 200, Springfield IL 62701 by Friday", {"123 Main St., Suite 200, Springfield IL 62701"}},
        {"Reservar plaza 5 en la calle", {}},
        {"Pasillo 3, estante 4 de la calle central", {}},
        {"Q1 2024 Sales Report", {"Q1"}},
        {"Ship to 12 Main St, Acme Ltd", {"12 Main St, Acme Ltd"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(keptIn(c.text), c.kept) << c.text;
}

TEST(Verbatim, DottedInitialismsAreFoundWhole)
{
    const std::pair<std::string_view, std::vector<std::string>> cases[] = {
        {"Cant. x P.U.", {"P.U."}},
        {"I.T. dept, S.A and J.R.R. Smith", {"I.T.", "S.A", "J.R.R."}},
        {"A. Pérez, U.S, e.g., AB.C., P.Uno", {"U.S"}},
    };
    for (const auto& [text, expected] : cases) {
        std::vector<std::string> found;
        for (const auto& span : dottedInitialismsIn(text))
            found.emplace_back(text.substr(span.begin, span.length));
        EXPECT_EQ(found, expected) << text;
    }
}

TEST(Verbatim, FirmsJoinedByAnAmpersandAreFoundWhole)
{
    const auto isCommonWord = [](std::string_view word) {
        return word == "Windows" || word == "Doors" || word == "Black" || word == "Sons";
    };
    const std::pair<std::string_view, std::vector<std::string>> cases[] = {
        {"Orders from Smith & Sons", {"Smith & Sons"}},
        {"Black & Decker drill", {"Black & Decker"}},
        {"García & Hijos", {"García & Hijos"}},
        {"Windows & Doors", {}},
        {"Sales & marketing", {}},
        {"Q & A", {}},
        {"R&D budget", {}},
        {"Barnes & Noble, Smith & Sons", {"Barnes & Noble", "Smith & Sons"}},
    };
    for (const auto& [text, expected] : cases) {
        std::vector<std::string> found;
        for (const auto& span : ampersandNamesIn(text, isCommonWord))
            found.emplace_back(text.substr(span.begin, span.length));
        EXPECT_EQ(found, expected) << text;
    }
}

TEST(Verbatim, ACapitalisedArticleInsideASpanishTextOpensAName)
{
    const std::pair<std::string_view, std::vector<std::string>> cases[] = {
        {"Finca Los Olivos", {"Los Olivos"}},
        {"P-02 La Vega", {"La Vega"}},
        {"Boda · 14/06/2025 · Finca La Esperanza Alta", {"La Esperanza Alta"}},
        {"Entrega en El Corte Inglés y La Rioja", {"El Corte Inglés", "La Rioja"}},
        {"La Vega", {}},
        {"Total De Las Ventas", {}},
        {"Finca La, norte", {}},
        {"Enviar a la oficina", {}},
    };
    for (const auto& [text, expected] : cases) {
        std::vector<std::string> found;
        for (const auto& span : spanishArticleNamesIn(text))
            found.emplace_back(text.substr(span.begin, span.length));
        EXPECT_EQ(found, expected) << text;
    }
}

}  // namespace
}  // namespace veltrano::pagehost

#include "pagehost/glossary.h"

#include <gtest/gtest.h>

namespace veltrano::pagehost {
namespace {

using namespace std::string_literals;

Glossary glossaryOf(std::string_view builtIn, std::string_view user, std::vector<std::string>& problems)
{
    Glossary glossary;
    glossary.addTsv(builtIn, "built-in", problems);
    glossary.addTsv(user, "user", problems);
    return glossary;
}

TEST(Glossary, WholeTextsComeBackInTheirOwnLetterCase)
{
    std::vector<std::string> problems;
    const Glossary glossary =
        glossaryOf("N/A\tN/D\nQty\tCant.\nFecha de alta\tStart date\nAcme\tACME Corp\nC.P.\tPostal code\n",
                   "# mine\nacme\t=\nqty\tUds.\n", problems);
    EXPECT_TRUE(problems.empty());
    const struct {
        std::string_view text;
        std::optional<std::string> expected;
    } cases[] = {
        {"N/A", "N/D"},
        {"n/a", "n/d"},
        {"Qty", "Uds."},
        {"QTY", "UDS."},  // the user's entry wins over the built-in one
        {"FECHA DE ALTA", "START DATE"},
        {"fecha de alta", "start date"},
        {"Fecha De Alta", "Start date"},
        {"ACME", "ACME"},
        {"acme", "acme"},  // kept as written
        {"Fecha", std::nullopt},
        {"N/A N/A", std::nullopt},
        {"C.P.", "Postal code"},  // initials are in capitals whatever they stand for
    };
    for (const auto& c : cases)
        EXPECT_EQ(glossary.wholeText(c.text), c.expected) << c.text;
}

TEST(Glossary, FindsTermsInsideTextsOnlyAtWordBoundaries)
{
    std::vector<std::string> problems;
    const Glossary glossary = glossaryOf(
        "YTD\tAcumulado anual\nNo.\tNº\tcell\nN/A\tN/D\nsales rep\tcomercial\nsales\tventas\n", "", problems);
    const struct {
        std::string_view text;
        std::vector<std::pair<std::string_view, std::string>> expected;  // found text, replacement
    } cases[] = {
        {"Total YTD", {{"YTD", "Acumulado anual"}}},
        {"YTD total, n/a here", {{"YTD", "Acumulado anual"}, {"n/a", "N/D"}}},
        {"Sales rep name", {{"Sales rep", "comercial"}}},  // the longest term
        {"YTDs, SYTD, salesman", {}},
        {"No. of items", {}},               // whole-cell terms stay out of longer texts
        {"n/abc, N/A.", {{"N/A", "N/D"}}},  // a term ends where a word does
    };
    for (const auto& c : cases) {
        std::vector<std::pair<std::string_view, std::string>> found;
        for (const auto& term : glossary.termsIn(c.text))
            found.emplace_back(c.text.substr(term.begin, term.length), term.replacement);
        EXPECT_EQ(found, c.expected) << c.text;
    }
    // A term with a number standing alone makes that number matter to the text's translation.
    EXPECT_FALSE(glossary.hasTermWithStandaloneNumber());
    const std::pair<std::string_view, bool> numbered[] = {
        {"Form 1099\tFormulario 1099\n", true},
        {"1099 form\tformulario 1099\n", true},
        {"1ª Ev.\tTerm 1\tcell\n", false},
        {"ICD-10 code\tCódigo CIE-10\n", false},
        {"Q4\tT4\n", false},
    };
    for (const auto& [lines, standalone] : numbered)
        EXPECT_EQ(glossaryOf("", std::string(lines), problems).hasTermWithStandaloneNumber(), standalone) << lines;
}

TEST(Glossary, MalformedLinesAreReportedWithTheirNumberAndSkipped)
{
    std::vector<std::string> problems;
    const Glossary glossary = glossaryOf("",
                                         "good\tbueno\nno tab here\n\n\tempty\none\ttwo\tthree\nlast\túltimo\r\n"
                                         "nul\0\tnulo\nbad\xff\tmalo\nbell\tcampana\a\nend\tfin\n"s,
                                         problems);
    EXPECT_EQ(problems, (std::vector<std::string>{
                            "user:2: expected a term, a tab and its translation", "user:4: empty term or translation",
                            "user:5: third column must be \"cell\" or absent", "user:7: holds a NUL character",
                            "user:8: is not valid UTF-8", "user:9: holds a control character"}));
    EXPECT_EQ(glossary.wholeText("end"), "fin");
    EXPECT_EQ(glossary.wholeText("good"), "bueno");
    EXPECT_EQ(glossary.wholeText("Last"), "Último");
}

TEST(Glossary, CapitalWordsGetTheirCapitalsBack)
{
    Glossary glossary;
    glossary.addCapitalWords("VAT\nID\n# a comment\n\nCO2\n");
    const std::pair<std::string, std::string> cases[] = {
        {"Vat amount", "VAT amount"}, {"Patient id", "Patient ID"},
        {"Vat-free", "VAT-free"},     {"Void, avid, idle", "Void, avid, idle"},
        {"co2 levels", "CO2 levels"}, {"", ""},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(glossary.withCapitalWords(text), expected) << text;
}

TEST(Glossary, AWordAlsoWrittenSmallGetsCapitalsOnlyWhereTheSourceCallsForThem)
{
    Glossary glossary;
    glossary.addCapitalWords("TI\tIT ICT\nIT\tTI\n");
    const struct {
        std::string source, text, expected;
    } cases[] = {
        {"IT manager", "Responsable de ti", "Responsable de TI"},
        {"Departamento de TI", "It department", "IT department"},
        {"ICT budget", "Presupuesto de ti", "Presupuesto de TI"},
        {"Esto es para ti", "This is for it", "This is for it"},
        {"Enviar a TI", "Send it to it", "Send it to it"},
        {"Copy it to IT", "Cópialo a ti", "Cópialo a TI"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(glossary.withCapitalWords(c.text, c.source), c.expected) << c.source;
}

TEST(Glossary, AGivenNameOrABrandTheSourceCapitalisesKeepsItsCapitals)
{
    Glossary glossary;
    glossary.addGivenNames("John\nJulio\nMaría\n");
    const struct {
        std::string source, text, expected;
    } cases[] = {
        {"John's tasks", "Las tareas de john", "Las tareas de John"},
        {"Informe para María", "report for maría", "report for María"},
        {"Pagos de julio", "July payments, julio", "July payments, julio"},
        {"Tasks", "las tareas de john", "las tareas de john"},
        {"LinkedIn profile", "Perfil de linkedin", "Perfil de LinkedIn"},
        {"iPhone 14 Pro", "iPHONE 14 Pro", "iPhone 14 Pro"},
        {"PhD students, kWh", "Estudiantes de phd, KWH", "Estudiantes de PhD, kWh"},
        {"Linkedin", "linkedin", "linkedin"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(glossary.withCapitalWords(c.text, c.source), c.expected) << c.source;
}

TEST(Glossary, GivenNamesAfterALabelsFirstWordAreKeptWithTheirSurnames)
{
    Glossary glossary;
    glossary.addGivenNames("Tom\nMarta\nJake\n");
    using Names = std::vector<std::string>;
    const std::pair<std::string, Names> cases[] = {
        {"Assigned to Tom Baker", {"Tom Baker"}},
        {"Informe de Marta", {"Marta"}},
        {"Sent to Tom and Jake Hill Smith Jones Ltd", {"Tom", "Jake Hill Smith Jones"}},
        {"Tom's tasks", {}},
        {"Assigned to tom", {}},
        {"Call Tom BAKER", {"Tom"}},
        {"Contact: Mrs. Brown", {"Brown"}},
        {"Ms. Rose Gold Smith Jones, Sra. Blanco", {"Rose Gold Smith", "Blanco"}},
        {"Sr Accountant", {}},
        {"Dr. smith or Dr.", {}},
        {"Approved by: J. Smith, checked by A. Baker", {"Smith", "Baker"}},
        {"A. Introduction, Part B. Scope", {}},
    };
    for (const auto& [text, expected] : cases) {
        Names names;
        for (const auto& name : glossary.namesIn(text))
            names.push_back(name.replacement);
        EXPECT_EQ(names, expected) << text;
    }
}

TEST(Glossary, AGivenNameAndCapitalisedWordsAreAPersonsName)
{
    Glossary glossary;
    glossary.addGivenNames("Tom\nLucía\nJuan\n# Mark\n");
    const std::pair<std::string_view, bool> cases[] = {
        {"Tom Price", true},
        {"Lucía Mora", true},
        {"Juan Pablo García-Vela", true},
        {"Tom O'Neill", true},
        {"Tom J. Price", true},
        {"Tom Price J.", false},
        {"Tom", false},
        {"Tom price", false},
        {"TOM PRICE", false},
        {"Tom Price Ltd B2", false},
        {"Juan Pablo De La Vega Ruiz", false},
        {"Mark Attendance", false},
        {"Price Tom", false},
        {"Tom  Price", false},
    };
    for (const auto& [text, name] : cases)
        EXPECT_EQ(glossary.isPersonName(text), name) << text;
}

}  // namespace
}  // namespace veltrano::pagehost

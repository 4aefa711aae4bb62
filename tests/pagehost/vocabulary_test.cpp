// The spreadsheet vocabulary through the real host: the table of labels people use, and the
// user's own glossary.
#include "host_process.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace veltrano::pagehost::testing {
namespace {

using namespace std::string_literals;

// The share of labels that must come out as one of their accepted translations.
constexpr double kTargetShare = 0.95;

using Accepted = std::map<std::string, std::set<std::string>>;  // by source label

std::vector<std::string> split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::istringstream stream(text);
    for (std::string part; std::getline(stream, part, separator);)
        parts.push_back(part);
    return parts;
}

std::string lower(std::string text)
{
    // The table is compared without regard to case; the accented capitals it holds are few.
    for (auto& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const auto& [upper, small] :
         {std::pair{"Á", "á"}, {"É", "é"}, {"Í", "í"}, {"Ó", "ó"}, {"Ú", "ú"}, {"Ñ", "ñ"}}) {
        for (auto at = text.find(upper); at != std::string::npos; at = text.find(upper, at))
            text.replace(at, 2, small);
    }
    return text;
}

// The table's lines: English forms, a tab, Spanish forms, and optionally a tab and the only
// direction the line is for; the first form of a side is the text translated.
std::map<std::string, Accepted> readTable()
{
    std::map<std::string, Accepted> table;
    std::ifstream file(VELTRANO_SOURCE_DIR "/tests/pagehost/data/spreadsheet_vocabulary.tsv");
    for (std::string line; std::getline(file, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        const auto columns = split(line, '\t');
        const auto english = split(columns.at(0), '|');
        const auto spanish = split(columns.at(1), '|');
        const std::string only = columns.size() > 2 ? columns[2] : "";
        for (const auto& [direction, source, targets] :
             {std::tuple{"en-es", &english, &spanish}, {"es-en", &spanish, &english}}) {
            if (!only.empty() && only != direction)
                continue;
            for (const auto& target : *targets)
                table[direction][source->front()].insert(lower(target));
        }
    }
    return table;
}

TEST(PageHostVocabulary, SpreadsheetLabelsComeOutAsPeopleWriteThem)
{
    std::string error;
    const auto host = HostProcess::start({}, error);
    ASSERT_TRUE(host) << error;
    const auto client = host->client();
    const auto table = readTable();
    ASSERT_EQ(table.size(), 2u);
    for (const auto& [direction, accepted] : table) {
        std::vector<std::string> sources;
        for (const auto& entry : accepted)
            sources.push_back(entry.first);
        const ApiAnswer answer = translate(*client, direction.substr(0, 2), direction.substr(3), sources);
        ASSERT_EQ(answer.status, 200) << answer.body.dump();
        const auto translations = answer.body.at("translations").get<std::vector<std::string>>();
        std::string misses;
        std::size_t good = 0;
        for (std::size_t i = 0; i < sources.size(); ++i) {
            if (accepted.at(sources[i]).count(lower(translations.at(i))))
                ++good;
            else
                misses += "\n  " + sources[i] + " -> " + translations[i];
        }
        const double share = static_cast<double>(good) / static_cast<double>(sources.size());
        EXPECT_GE(share, kTargetShare) << direction << ": " << good << " of " << sources.size() << misses;
    }
}

// Cells go to the pipeline together, and a rule that holds words for the end of its cell must
// put them out there: "in red" once came out in the next cell ("Total in red"). A cell alone, or
// first, starts as the others do ("Asegurado" alone once gave "Ensured", after another "Insured").
TEST(PageHostVocabulary, ACellTranslatesTheSameAloneAsAmongOthers)
{
    std::string error;
    const auto host = HostProcess::start({}, error);
    ASSERT_TRUE(host) << error;
    const auto client = host->client();
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"es-en",
         {"Marcar en rojo las facturas proveedor", "Total", "Asegurado", "Marcar con una X los gastos estimados",
          "Fecha", "Enviar al proveedor la factura pendiente", "Notas"}},
        {"en-es", {"Mark overdue invoices in red", "Total", "Monthly NHS report", "Date"}},
    };
    for (const auto& [direction, cells] : cases) {
        const auto together = translate(*client, direction.substr(0, 2), direction.substr(3), cells);
        ASSERT_EQ(together.status, 200) << together.body.dump();
        for (std::size_t i = 0; i < cells.size(); ++i) {
            const auto alone = translate(*client, direction.substr(0, 2), direction.substr(3), {cells[i]});
            ASSERT_EQ(alone.status, 200) << alone.body.dump();
            EXPECT_EQ(together.body.at("translations").at(i), alone.body.at("translations").at(0)) << cells[i];
        }
    }
}

TEST(PageHostVocabulary, TheUsersGlossaryGoesOverTheBuiltInOneAndABadLineHarmsNothing)
{
    char dir[] = "/tmp/veltrano-glossary-XXXXXX";
    ASSERT_TRUE(mkdtemp(dir));
    std::filesystem::create_directories(std::string(dir) + "/veltrano");
    std::ofstream(std::string(dir) + "/veltrano/glossary-en-es.tsv")
        << "# names\nAcme Widget\t=\nthis line has no tab\nQty\tUds.\nred\tro\0jo\nred car\tcoche \xff\n"s;
    const char* previous = std::getenv("XDG_CONFIG_HOME");
    const std::string restore = previous ? previous : "";
    setenv("XDG_CONFIG_HOME", dir, 1);
    std::string error;
    const auto host = HostProcess::start({}, error);
    previous ? setenv("XDG_CONFIG_HOME", restore.c_str(), 1) : unsetenv("XDG_CONFIG_HOME");
    std::filesystem::remove_all(dir);
    ASSERT_TRUE(host) << error;

    const auto client = host->client();
    // The lines with a NUL and with bytes that are not UTF-8 were left out, and harm nothing.
    const ApiAnswer answer = translate(*client, "en", "es", {"QTY", "The Acme Widget is red", "N/A", "red car"});
    ASSERT_EQ(answer.status, 200) << answer.body.dump();
    EXPECT_EQ(answer.body.at("translations"), nlohmann::json({"UDS.", "El Acme Widget es rojo", "N/D", "coche rojo"}));
    EXPECT_NE(host->errorOutput().find(":5: holds a NUL character"), std::string::npos) << host->errorOutput();
}

}  // namespace
}  // namespace veltrano::pagehost::testing

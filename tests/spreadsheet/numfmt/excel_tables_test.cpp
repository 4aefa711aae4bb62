// Every row of the tables in data/ (format code, value, the text Excel showed) rendered
// through the Renderer. Rows listed in data/known_gaps.tsv are expected to differ; a listed
// row that starts to match fails as a surprise pass, so the list only ever shrinks.
#include "spreadsheet/numfmt/renderer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace veltrano::numfmt {
namespace {

const std::string dataDir = std::string(VELTRANO_SOURCE_DIR) + "/tests/spreadsheet/numfmt/data/";
constexpr double requiredShare = 0.995;
constexpr std::size_t reportedFailures = 40;

struct Row {
    int line = 0;
    std::string code;
    std::string value;
    std::string expected;
};

std::vector<std::string> splitTabs(const std::string& line)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (true) {
        const auto tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab - start));
        if (tab == std::string::npos)
            return fields;
        start = tab + 1;
    }
}

std::vector<Row> readTable(const std::string& file)
{
    std::ifstream in(dataDir + file, std::ios::binary);
    EXPECT_TRUE(in) << "cannot read " << dataDir + file;
    std::vector<Row> rows;
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        if (++number == 1 || line.empty())
            continue;  // header
        const auto fields = splitTabs(line);
        if (fields.size() < 3) {
            ADD_FAILURE() << file << ":" << number << ": fewer than three columns";
            continue;
        }
        rows.push_back({number, fields[0], fields[1], fields[2]});
    }
    return rows;
}

// Key of a gap: table, format code and value (line numbers would go stale as tables grow).
std::string gapKey(const std::string& file, const std::string& code, const std::string& value)
{
    return file + '\t' + code + '\t' + value;
}

// known_gaps.tsv: table, format code, value, reason (lines starting with '#' are comments).
std::map<std::string, std::string> readGaps()
{
    std::ifstream in(dataDir + "known_gaps.tsv", std::ios::binary);
    EXPECT_TRUE(in) << "cannot read known_gaps.tsv";
    std::map<std::string, std::string> gaps;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        const auto fields = splitTabs(line);
        if (fields.size() != 4 || fields[3].empty()) {
            ADD_FAILURE() << "known gap without table, code, value and reason: " << line;
            continue;
        }
        gaps[gapKey(fields[0], fields[1], fields[2])] = fields[3];
    }
    return gaps;
}

struct TableOutcome {
    std::size_t rows = 0;
    std::size_t gaps = 0;
    std::vector<std::string> failures;
};

enum class ValueKind {
    Number,
    Text
};

TableOutcome runTable(const std::string& file, DateSystem system, ValueKind kind)
{
    const auto gaps = readGaps();
    Renderer renderer(system);
    TableOutcome outcome;
    for (const auto& row : readTable(file)) {
        const auto handle = renderer.intern(row.code);
        const std::string shown = kind == ValueKind::Number
                                      ? renderer.number(handle, std::strtod(row.value.c_str(), nullptr))
                                      : renderer.text(handle, row.value);
        const bool isGap = gaps.count(gapKey(file, row.code, row.value)) != 0;
        ++outcome.rows;
        outcome.gaps += isGap ? 1 : 0;
        if ((shown == row.expected) == !isGap)
            continue;
        std::ostringstream message;
        message << file << ":" << row.line << " [" << row.code << "] " << row.value << " -> [" << shown << "]"
                << (isGap ? " now matches; remove it from known_gaps.tsv" : " expected [" + row.expected + "]");
        outcome.failures.push_back(message.str());
    }
    return outcome;
}

void expectAllRows(const TableOutcome& outcome)
{
    EXPECT_GT(outcome.rows, 0u);
    std::ostringstream report;
    for (std::size_t i = 0; i < outcome.failures.size() && i < reportedFailures; ++i)
        report << outcome.failures[i] << '\n';
    EXPECT_TRUE(outcome.failures.empty()) << outcome.failures.size() << " rows differ:\n" << report.str();
}

TEST(ExcelTables, NumbersInThe1900DateSystem)
{
    expectAllRows(runTable("cases.tsv", DateSystem::Excel1900, ValueKind::Number));
}

TEST(ExcelTables, NumbersInThe1904DateSystem)
{
    expectAllRows(runTable("cases_1904.tsv", DateSystem::Excel1904, ValueKind::Number));
}

TEST(ExcelTables, TextValues)
{
    expectAllRows(runTable("cases_text.tsv", DateSystem::Excel1900, ValueKind::Text));
}

TEST(ExcelTables, KnownGapsAreRealRowsAndFewerThanHalfAPercent)
{
    const std::map<std::string, DateSystem> tables = {{"cases.tsv", DateSystem::Excel1900},
                                                      {"cases_1904.tsv", DateSystem::Excel1904},
                                                      {"cases_text.tsv", DateSystem::Excel1900}};
    std::set<std::string> rowKeys;
    std::size_t rows = 0;
    for (const auto& [file, system] : tables) {
        for (const auto& row : readTable(file)) {
            rowKeys.insert(gapKey(file, row.code, row.value));
            ++rows;
        }
    }
    const auto gaps = readGaps();
    for (const auto& [key, reason] : gaps)
        EXPECT_TRUE(rowKeys.count(key) != 0) << "known gap matches no row: " << key;
    EXPECT_LE(static_cast<double>(gaps.size()), (1 - requiredShare) * static_cast<double>(rows));
}

}  // namespace
}  // namespace veltrano::numfmt

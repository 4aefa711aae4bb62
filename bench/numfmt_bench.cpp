// Renders every cell of a 20,000-row x 7-column sheet (General, decimals with thousands,
// percent, dates, times, accounting, text) through formats interned once, and prints renders
// per second. Where LibreOffice and openpyxl are installed it then writes the same sheet as
// .xlsx, has LibreOffice headless export it to CSV (its displayed texts) in the same run, and
// prints LibreOffice's cells per second and how many of its texts equal ours.
//
//   build/bin/numfmt_bench                (both)
//   build/bin/numfmt_bench --no-peer      (ours only)
//   build/bin/numfmt_bench --differences  (both, and a few texts per column that differ)
#include "spreadsheet/numfmt/renderer.h"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;
using veltrano::numfmt::DateSystem;
using veltrano::numfmt::FormatHandle;
using veltrano::numfmt::Renderer;

namespace {

constexpr int rows = 20000;
constexpr int columns = 7;
constexpr double minimumSeconds = 1.0;

const std::vector<std::string> columnCodes = {
    "General",  "#,##0.00",      "0.0%",
    "m/d/yyyy", "h:mm:ss AM/PM", R"(_("$"* #,##0.00_);_("$"* \(#,##0.00\);_("$"* "-"??_);_(@_))",
    "@",
};
constexpr int textColumn = 6;

struct Cell {
    double number = 0;
    std::string text;
};

// Fixed-seed generator so every run renders the same sheet.
class Sequence {
public:
    double next()  // in [0, 1)
    {
        m_state = m_state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<double>(m_state >> 11) / 9007199254740992.0;
    }

private:
    std::uint64_t m_state = 20240601;
};

std::vector<Cell> makeSheet()
{
    static const char* words[] = {"Invoice", "Total due", "North region", "Q3 forecast", "Paid", "Pending review"};
    Sequence random;
    std::vector<Cell> cells(static_cast<std::size_t>(rows) * columns);
    for (int r = 0; r < rows; ++r) {
        auto* row = &cells[static_cast<std::size_t>(r) * columns];
        const double u = random.next();
        row[0].number = r % 3 == 0 ? std::floor(u * 100000) : (r % 3 == 1 ? u * 1000 : u * 1e13);
        row[1].number = (random.next() - 0.3) * 2e6;
        row[2].number = random.next() - 0.2;
        row[3].number = std::floor(30000 + random.next() * 20000);
        row[4].number = random.next();
        row[5].number = (random.next() - 0.5) * 1e5;
        row[textColumn].text = words[r % 6];
    }
    return cells;
}

void renderAll(const Renderer& renderer, const std::vector<FormatHandle>& handles, const std::vector<Cell>& cells,
               std::string& buffer)
{
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const auto column = static_cast<int>(i % columns);
        buffer.clear();
        if (column == textColumn)
            buffer = renderer.text(handles[column], cells[i].text);
        else
            renderer.appendNumber(handles[column], cells[i].number, buffer);
    }
}

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// CPU time of this process: on a shared machine wall time also counts other programs' turns.
double cpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

struct Rate {
    double perWallSecond = 0;
    double perCpuSecond = 0;
};

Rate measureOurs(const std::vector<Cell>& cells)
{
    Renderer renderer(DateSystem::Excel1900);
    std::vector<FormatHandle> handles;
    for (const auto& code : columnCodes)
        handles.push_back(renderer.intern(code));
    std::string buffer;
    buffer.reserve(64);
    renderAll(renderer, handles, cells, buffer);  // warm-up
    long passes = 0;
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = cpuSeconds();
    while (passes < 3 || secondsSince(start) < minimumSeconds) {
        renderAll(renderer, handles, cells, buffer);
        ++passes;
    }
    const double renders = static_cast<double>(passes) * static_cast<double>(cells.size());
    return {renders / secondsSince(start), renders / (cpuSeconds() - cpuStart)};
}

// Parsing cost: distinct codes interned into a fresh Renderer.
double measureParses()
{
    constexpr int codes = 20000;
    std::vector<std::string> texts;
    for (int i = 0; i < codes; ++i)
        texts.push_back(columnCodes[static_cast<std::size_t>(i % 6)] + "\"" + std::to_string(i) + "\"");
    const auto start = std::chrono::steady_clock::now();
    Renderer renderer(DateSystem::Excel1900);
    for (const auto& text : texts)
        renderer.intern(text);
    return codes / secondsSince(start);
}

std::vector<std::string> ourTexts(const std::vector<Cell>& cells)
{
    Renderer renderer(DateSystem::Excel1900);
    std::vector<std::string> texts;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const auto column = i % columns;
        const auto handle = renderer.intern(columnCodes[column]);
        texts.push_back(column == textColumn ? renderer.text(handle, cells[i].text)
                                             : renderer.number(handle, cells[i].number));
    }
    return texts;
}

bool run(const std::string& command)
{
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

// One CSV record per line as LibreOffice writes it: comma separated, quotes doubled.
std::vector<std::string> readCsv(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::vector<std::string> fields;
    std::string line;
    while (std::getline(in, line)) {
        std::string field;
        bool quoted = false;
        for (std::size_t i = 0; i < line.size(); ++i) {
            const char c = line[i];
            if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = !quoted;
            } else if (c == ',' && !quoted) {
                fields.push_back(field);
                field.clear();
            } else {
                field += c;
            }
        }
        fields.push_back(field);
    }
    return fields;
}

const char* writerScript = R"(import sys, openpyxl
codes = sys.argv[3:]
wb = openpyxl.Workbook(write_only=True)
ws = wb.create_sheet()
from openpyxl.cell import WriteOnlyCell
for line in open(sys.argv[1], encoding='utf-8'):
    fields = line.rstrip('\n').split('\t')
    row = []
    for i, field in enumerate(fields):
        cell = WriteOnlyCell(ws, value=field if i == 6 else float(field))
        cell.number_format = codes[i]
        row.append(cell)
    ws.append(row)
wb.save(sys.argv[2])
)";

void measureLibreOffice(const std::vector<Cell>& cells, bool showDifferences)
{
    if (!run("command -v soffice") || !run("/usr/bin/python3 -c 'import openpyxl'")) {
        std::cout << "peer: LibreOffice or python3-openpyxl not installed (scripts/setup.sh --bench)\n";
        return;
    }
    const fs::path dir = fs::temp_directory_path() / ("numfmt_bench_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    {
        std::ofstream values(dir / "values.tsv");
        values.precision(17);
        for (std::size_t i = 0; i < cells.size(); ++i) {
            const auto column = i % columns;
            if (column == textColumn)
                values << cells[i].text;
            else
                values << cells[i].number;
            values << (column + 1 == columns ? '\n' : '\t');
        }
        std::ofstream(dir / "write.py") << writerScript;
    }
    std::string command = "/usr/bin/python3 " + (dir / "write.py").string() + " " + (dir / "values.tsv").string() + " "
                          + (dir / "sheet.xlsx").string();
    for (const auto& code : columnCodes)
        command += " '" + code + "'";
    if (!run(command)) {
        std::cout << "peer: could not write the workbook with openpyxl\n";
        return;
    }
    // CSV filter options: comma, double quotes, UTF-8, en-US (1033), cell contents as shown.
    const std::string soffice = "soffice --headless -env:UserInstallation=file://" + (dir / "profile").string()
                                + " --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76,1,,1033,false,true,true'"
                                  " --outdir "
                                + dir.string() + " ";
    run(soffice + (dir / "sheet.xlsx").string());  // first start builds the profile; not timed
    const auto start = std::chrono::steady_clock::now();
    const bool converted = run(soffice + (dir / "sheet.xlsx").string());
    const double seconds = secondsSince(start);
    const auto theirs = readCsv(dir / "sheet.csv");
    if (!converted || theirs.size() != cells.size()) {
        std::cout << "peer: LibreOffice conversion failed\n";
        return;
    }
    const auto ours = ourTexts(cells);
    std::size_t same = 0;
    std::vector<std::size_t> sameInColumn(columns, 0);
    std::vector<int> shown(columns, 0);
    for (std::size_t i = 0; i < ours.size(); ++i) {
        const auto column = i % columns;
        if (ours[i] == theirs[i]) {
            ++same;
            ++sameInColumn[column];
        } else if (showDifferences && shown[column]++ < 3) {
            std::printf("  column %zu, value %.17g: ours [%s], LibreOffice [%s]\n", column, cells[i].number,
                        ours[i].c_str(), theirs[i].c_str());
        }
    }
    std::printf("peer: LibreOffice headless xlsx -> csv: %.0f cells/s (%.2f s for %zu cells, start-up included)\n",
                static_cast<double>(cells.size()) / seconds, seconds, cells.size());
    std::printf("agreement with LibreOffice's texts: %.2f%%; per column:",
                100.0 * static_cast<double>(same) / static_cast<double>(ours.size()));
    for (int c = 0; c < columns; ++c)
        std::printf(" %.1f%%", 100.0 * static_cast<double>(sameInColumn[static_cast<std::size_t>(c)]) / rows);
    std::printf("\n");
    fs::remove_all(dir);
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string option = argc > 1 ? argv[1] : "";
    const bool peer = option != "--no-peer";
    const auto cells = makeSheet();
    std::printf("sheet: %d rows x %d columns = %zu cells\n", rows, columns, cells.size());
    const Rate ours = measureOurs(cells);
    std::printf("ours: %.2f million renders per CPU second, %.2f million per wall second (formats interned once)\n",
                ours.perCpuSecond / 1e6, ours.perWallSecond / 1e6);
    std::printf("ours: %.0f distinct codes parsed/s\n", measureParses());
    if (peer)
        measureLibreOffice(cells, option == "--differences");
    return 0;
}

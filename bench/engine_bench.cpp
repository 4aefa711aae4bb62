// Benchmark of the workbook engine against its peers on the same generated workbook:
// open + read every cell's text + write a new text into every text cell + save, as a whole
// process, beside LibreOffice headless converting the file, apertium -f xlsx translating it,
// and openpyxl doing the same edit; then the same workbook saved as .xls, against LibreOffice
// opening and saving that. Wall time and peak memory come from /usr/bin/time.
//
//   build/bin/engine_bench [ROWS ...]        (default: 20000 200000)
//   build/bin/engine_bench --generate ROWS OUT.xlsx
//   build/bin/engine_bench --generate-varied OUT.xlsx [ROWS]   (free-text descriptions, default 20000 rows)
//   build/bin/engine_bench --edit FILE        (the engine's part on an .xlsx or .xls, as its own process)
#include <unistd.h>
#include <zip.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "spreadsheet/workbook.h"

namespace {

namespace fs = std::filesystem;
namespace ss = veltrano::spreadsheet;

const char* kWords[] = {"red",    "green",   "apple", "house",  "river",  "quick", "report",
                        "total",  "monthly", "sales", "north",  "office", "paper", "window",
                        "garden", "price",   "order", "client", "water",  "light"};

std::string sentence(unsigned seed, int words)
{
    std::string out;
    for (int i = 0; i < words; ++i) {
        seed = seed * 1103515245u + 12345u;
        if (i)
            out += ' ';
        out += kWords[(seed >> 16) % 20];
    }
    return out;
}

// The word list of the varied workbook: one word a line, kept in bench/ so the workbook is the
// same from one run and one machine to the next.
std::vector<std::string> variedWords()
{
    std::ifstream in(std::string(VELTRANO_SOURCE_DIR) + "/bench/varied-words.txt");
    std::vector<std::string> words;
    for (std::string word; std::getline(in, word);)
        if (!word.empty())
            words.push_back(word);
    if (words.empty())
        throw std::runtime_error("cannot read bench/varied-words.txt");
    return words;
}

// A free-text description of 2 to 8 words, sentence case, as people type them into a cell:
// unlike "Item N ..." no two differ only in a number, so no number template joins them.
std::string description(unsigned seed, const std::vector<std::string>& words)
{
    seed = seed * 2654435761u + 97u;
    const int count = 2 + int((seed >> 13) % 7);
    std::string out;
    for (int i = 0; i < count; ++i) {
        seed = seed * 1103515245u + 12345u;
        if (i)
            out += ' ';
        out += words[((seed >> 8) ^ (seed >> 20)) % words.size()];
    }
    out[0] = char(std::toupper(static_cast<unsigned char>(out[0])));
    return out;
}

// libzip reads the content when the archive is closed, so it must outlive that.
void addPart(zip_t* archive, std::deque<std::string>& keep, const std::string& name, std::string content)
{
    keep.push_back(std::move(content));
    zip_source_t* source = zip_source_buffer(archive, keep.back().data(), keep.back().size(), 0);
    if (zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8) < 0)
        throw std::runtime_error("cannot add " + name);
}

// Text (unique and repeated shared strings), numbers with formats, dates, formulas with
// cached values, and percentages: 7 columns. With words, column A holds free-text descriptions
// drawn from them instead of numbered items.
void generate(int rows, const fs::path& path, const std::vector<std::string>* words = nullptr)
{
    const std::string main = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
    const std::string rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    std::vector<std::string> strings = {"Description", "Amount", "Date", "Double", "Category", "Share", "Comment"};
    const int firstComment = 7 + 20;
    for (int i = 0; i < 20; ++i)
        strings.push_back("Category " + sentence(unsigned(i) * 7u, 2));
    for (int i = 0; i < 500; ++i)
        strings.push_back(sentence(unsigned(i) * 31u + 5u, 4) + ".");
    std::string sheet;
    sheet.reserve(std::size_t(rows) * 330);
    sheet += "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<worksheet xmlns=\"" + main
             + "\" xmlns:r=\"" + rel + "\"><dimension ref=\"A1:G" + std::to_string(rows + 1)
             + "\"/><sheetData><row r=\"1\">";
    for (int c = 0; c < 7; ++c)
        sheet += "<c r=\"" + std::string(1, char('A' + c)) + "1\" t=\"s\"><v>" + std::to_string(c) + "</v></c>";
    sheet += "</row>";
    for (int r = 2; r <= rows + 1; ++r) {
        std::string n = std::to_string(r);
        strings.push_back(words ? description(unsigned(r), *words) : "Item " + n + " " + sentence(unsigned(r), 3));
        double amount = (r * 37 % 100000) / 4.0;
        sheet +=
            "<row r=\"" + n + "\"><c r=\"A" + n + "\" t=\"s\"><v>" + std::to_string(strings.size() - 1) + "</v></c>";
        sheet += "<c r=\"B" + n + "\" s=\"1\"><v>" + std::to_string(amount) + "</v></c>";
        sheet += "<c r=\"C" + n + "\" s=\"2\"><v>" + std::to_string(43000 + r % 3000) + "</v></c>";
        sheet += "<c r=\"D" + n + "\" s=\"1\"><f>B" + n + "*2</f><v>" + std::to_string(amount * 2) + "</v></c>";
        sheet += "<c r=\"E" + n + "\" t=\"s\"><v>" + std::to_string(7 + r % 20) + "</v></c>";
        sheet += "<c r=\"F" + n + "\" s=\"3\"><v>0." + std::to_string(r % 100) + "</v></c>";
        sheet += "<c r=\"G" + n + "\" t=\"s\"><v>" + std::to_string(firstComment + r % 500) + "</v></c></row>";
    }
    sheet += "</sheetData></worksheet>";
    std::string sst = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<sst xmlns=\"" + main
                      + "\" count=\"" + std::to_string(7 + rows * 3) + "\" uniqueCount=\""
                      + std::to_string(strings.size()) + "\">";
    for (const auto& s : strings)
        sst += "<si><t>" + s + "</t></si>";
    sst += "</sst>";
    const std::string ct = "application/vnd.openxmlformats-officedocument.spreadsheetml.";
    fs::remove(path);
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_EXCL, &error);
    if (!archive)
        throw std::runtime_error("cannot create " + path.string());
    std::deque<std::string> keep;
    addPart(archive, keep, "[Content_Types].xml",
            "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<Types "
            "xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
            "<Default Extension=\"rels\" "
            "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/><Default Extension=\"xml\" "
            "ContentType=\"application/xml\"/>"
            "<Override PartName=\"/xl/workbook.xml\" ContentType=\""
                + ct + "sheet.main+xml\"/><Override PartName=\"/xl/worksheets/sheet1.xml\" ContentType=\"" + ct
                + "worksheet+xml\"/><Override PartName=\"/xl/styles.xml\" ContentType=\"" + ct
                + "styles+xml\"/><Override PartName=\"/xl/sharedStrings.xml\" ContentType=\"" + ct
                + "sharedStrings+xml\"/></Types>");
    addPart(archive, keep, "_rels/.rels",
            "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<Relationships "
            "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
            "<Relationship Id=\"rId1\" Type=\""
                + rel + "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>");
    addPart(archive, keep, "xl/workbook.xml",
            "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<workbook xmlns=\"" + main + "\" xmlns:r=\""
                + rel + "\"><sheets><sheet name=\"Data\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>");
    addPart(archive, keep, "xl/_rels/workbook.xml.rels",
            "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<Relationships "
            "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
            "<Relationship Id=\"rId1\" Type=\""
                + rel + "/worksheet\" Target=\"worksheets/sheet1.xml\"/><Relationship Id=\"rId2\" Type=\"" + rel
                + "/styles\" Target=\"styles.xml\"/><Relationship Id=\"rId3\" Type=\"" + rel
                + "/sharedStrings\" Target=\"sharedStrings.xml\"/></Relationships>");
    addPart(
        archive, keep, "xl/styles.xml",
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<styleSheet xmlns=\"" + main
            + "\"><numFmts count=\"1\"><numFmt numFmtId=\"164\" formatCode=\"0.0%\"/></numFmts>"
              "<fonts count=\"1\"><font><sz val=\"11\"/><name val=\"Calibri\"/></font></fonts><fills "
              "count=\"2\"><fill><patternFill patternType=\"none\"/></fill><fill><patternFill "
              "patternType=\"gray125\"/></fill></fills>"
              "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders><cellStyleXfs "
              "count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/></cellStyleXfs>"
              "<cellXfs count=\"4\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/><xf "
              "numFmtId=\"4\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyNumberFormat=\"1\"/>"
              "<xf numFmtId=\"14\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyNumberFormat=\"1\"/><xf "
              "numFmtId=\"164\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyNumberFormat=\"1\"/></cellXfs>"
              "<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" "
              "builtinId=\"0\"/></cellStyles></styleSheet>");
    addPart(archive, keep, "xl/worksheets/sheet1.xml", std::move(sheet));
    addPart(archive, keep, "xl/sharedStrings.xml", std::move(sst));
    if (zip_close(archive) != 0)
        throw std::runtime_error("cannot write " + path.string());
}

// The engine's share of the work, as the program does it: every cell's text, and a new
// text for every text cell.
int edit(const std::string& path)
{
    auto book = ss::Workbook::open(path);
    if (!book) {
        std::cerr << book.error().message() << "\n";
        return 1;
    }
    std::size_t characters = 0, written = 0;
    for (std::size_t i = 0; i < book.value().worksheetCount(); ++i) {
        auto sheet = book.value().worksheet(i);
        auto used = sheet.usedRange();
        for (int row = 1; row <= used.lastRow; ++row) {
            for (int column = 1; column <= used.lastColumn; ++column) {
                std::string text = sheet.text(row, column);
                characters += text.size();
                if (sheet.kind(row, column) != ss::CellKind::Text
                    || sheet.writeBlock(row, column) != ss::WriteBlock::None)
                    continue;
                if (!sheet.setValue(row, column, text + " (es)"))
                    return 1;
                ++written;
            }
        }
    }
    auto saved = book.value().save();
    if (!saved) {
        std::cerr << saved.error().message() << "\n";
        return 1;
    }
    std::cerr << "read " << characters << " characters, wrote " << written << " cells\n";
    return 0;
}

struct Measure {
    bool ran = false;
    double seconds = 0;
    long peakKb = 0;
};

// Runs a shell command under /usr/bin/time; the file is restored from pristine first.
Measure timed(const std::string& command, const fs::path& pristine, const fs::path& work)
{
    fs::copy_file(pristine, work, fs::copy_options::overwrite_existing);
    fs::path report = work.parent_path() / "time.txt";
    std::string line = "/usr/bin/time -f '%e %M' -o '" + report.string() + "' " + command + " >/dev/null 2>&1";
    Measure m;
    if (std::system(line.c_str()) != 0)
        return m;
    std::ifstream in(report);
    in >> m.seconds >> m.peakKb;
    m.ran = bool(in);
    return m;
}

bool have(const std::string& program)
{
    return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

void row(const std::string& name, const Measure& m, const Measure& ours)
{
    if (!m.ran) {
        std::printf("  %-34s  not available or failed\n", name.c_str());
        return;
    }
    std::printf("  %-34s %8.2f s %8.1f MB", name.c_str(), m.seconds, static_cast<double>(m.peakKb) / 1024.0);
    if (&m != &ours && ours.seconds > 0)
        std::printf("   (%.1fx our time)", m.seconds / ours.seconds);
    std::printf("\n");
}

void compare(const std::string& self, int rows, const fs::path& dir)
{
    fs::path pristine = dir / ("bench-" + std::to_string(rows) + ".xlsx");
    fs::path work = dir / "work.xlsx";
    generate(rows, pristine);
    std::printf("%d rows x 7 columns (%.1f MB file)\n", rows, double(fs::file_size(pristine)) / 1e6);
    Measure ours = timed("'" + self + "' --edit '" + work.string() + "'", pristine, work);
    row("veltrano engine: open+read+write+save", ours, ours);

    fs::path script = fs::path(VELTRANO_SOURCE_DIR) / "bench/openpyxl_edit.py";
    if (fs::exists("/usr/bin/python3"))
        row("openpyxl: load+edit+save",
            timed("/usr/bin/python3 '" + script.string() + "' '" + work.string() + "'", pristine, work), ours);
    if (have("soffice")) {
        std::string profile = "-env:UserInstallation=file://" + (dir / "lo-profile").string();
        std::string convert = "soffice " + profile + " --headless --convert-to xlsx --outdir '"
                              + (dir / "lo-out").string() + "' '" + work.string() + "'";
        timed(convert, pristine, work);  // the first start creates the profile
        row("LibreOffice headless --convert-to xlsx", timed(convert, pristine, work), ours);
    }
    if (have("apertium"))
        row("apertium -f xlsx eng-spa",
            timed("apertium -f xlsx eng-spa '" + work.string() + "' '" + (dir / "ap.xlsx").string() + "'", pristine,
                  work),
            ours);
}

// The same workbook saved as .xls by LibreOffice (so only up to the format's 65,536 rows): the
// engine's edit against LibreOffice opening and saving that .xls.
void compareLegacy(const std::string& self, int rows, const fs::path& dir)
{
    if (rows >= 65536 || !have("soffice"))
        return;
    const fs::path xlsx = dir / ("bench-" + std::to_string(rows) + ".xlsx");
    const fs::path pristine = dir / ("bench-" + std::to_string(rows) + ".xls");
    const std::string profile = "-env:UserInstallation=file://" + (dir / "lo-profile").string();
    const std::string make = "soffice " + profile + " --headless --convert-to 'xls:MS Excel 97' --outdir '"
                             + dir.string() + "' '" + xlsx.string() + "' >/dev/null 2>&1";
    if (std::system(make.c_str()) != 0 || !fs::exists(pristine)) {
        std::printf("  LibreOffice could not save the workbook as .xls\n");
        return;
    }
    std::printf("%d rows x 7 columns as .xls, saved by LibreOffice (%.1f MB file)\n", rows,
                double(fs::file_size(pristine)) / 1e6);
    const fs::path work = dir / "work.xls";
    Measure ours = timed("'" + self + "' --edit '" + work.string() + "'", pristine, work);
    row("veltrano engine: open+read+write+save", ours, ours);
    std::string convert = "soffice " + profile + " --headless --convert-to 'xls:MS Excel 97' --outdir '"
                          + (dir / "lo-out").string() + "' '" + work.string() + "'";
    row("LibreOffice headless open+save .xls", timed(convert, pristine, work), ours);
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);  // each figure shows as soon as it is measured
    if (args.size() == 2 && args[0] == "--edit")
        return edit(args[1]);
    if (args.size() == 3 && args[0] == "--generate") {
        generate(std::stoi(args[1]), args[2]);
        return 0;
    }
    if ((args.size() == 2 || args.size() == 3) && args[0] == "--generate-varied") {
        const auto words = variedWords();
        generate(args.size() == 3 ? std::stoi(args[2]) : 20000, args[1], &words);
        return 0;
    }
    std::vector<int> sizes;
    for (const auto& a : args)
        sizes.push_back(std::stoi(a));
    if (sizes.empty())
        sizes = {20000, 200000};
    fs::path dir = fs::temp_directory_path() / ("veltrano-bench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::string self = fs::canonical("/proc/self/exe").string();
    for (int rows : sizes) {
        compare(self, rows, dir);
        compareLegacy(self, rows, dir);
    }
    fs::remove_all(dir);
    return 0;
}

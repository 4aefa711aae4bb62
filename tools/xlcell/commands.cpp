#include "tools/xlcell/commands.h"

#include <charconv>
#include <cmath>
#include <istream>
#include <ostream>

#include "core/sheet_reference.h"
#include "core/tsv_field.h"
#include "spreadsheet/cell_ref.h"
#include "spreadsheet/numfmt/renderer.h"
#include "spreadsheet/workbook.h"
#include "veltrano_version.h"

namespace veltrano::xlcell {

namespace ss = veltrano::spreadsheet;
using core::escapeField;

namespace {

constexpr std::string_view kUsageText =
    "usage: xlcell sheets FILE\n"
    "       xlcell dump FILE [--sheet NAME] [--all]   (--all: notes, charts, shapes, headers too)\n"
    "       xlcell set FILE [-o OUT] SHEET!REF=TEXT ...\n"
    "       xlcell format CODE VALUE [--date1904] [--text]\n"
    "       xlcell format [--date1904] [--text]   (reads CODE<TAB>VALUE lines from standard input)\n"
    "       xlcell --help | --version\n";

// A usage error is one line on standard error, like every other error.
int usage(std::ostream& err, std::string_view problem)
{
    err << "xlcell: " << problem << " (xlcell without arguments shows the usage)\n";
    return kUsage;
}

int failure(std::ostream& err, const ss::Error& error)
{
    err << "xlcell: " << error.message() << "\n";
    return kFailed;
}

std::optional<ss::Workbook> openOrReport(const std::string& path, std::ostream& err)
{
    auto workbook = ss::Workbook::open(path);
    if (!workbook) {
        failure(err, workbook.error());
        return std::nullopt;
    }
    return std::move(workbook.value());
}

int sheetsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.size() != 2)
        return usage(err, "sheets takes one FILE");
    auto workbook = openOrReport(args[1], err);
    if (!workbook)
        return kFailed;
    const auto& sheets = workbook->sheets();
    for (std::size_t i = 0; i < sheets.size(); ++i) {
        out << (i + 1) << '\t' << escapeField(sheets[i].name) << '\t' << ss::sheetKindName(sheets[i].kind) << '\t'
            << ss::visibilityName(sheets[i].visibility);
        if (i == workbook->activeSheet())
            out << "\t*";
        out << '\n';
    }
    return kOk;
}

void dumpWorksheet(ss::Worksheet sheet, std::ostream& out)
{
    const std::string name = escapeField(sheet.name());
    // Only the cells stored: a sheet holding A1 and XFD1048576 costs two cells, not the grid.
    for (const ss::CellAddress& cell : sheet.storedCells(sheet.usedRange())) {
        const int row = cell.row, column = cell.column;
        ss::CellKind kind = sheet.kind(row, column);
        if (kind == ss::CellKind::Empty)
            continue;
        ss::WriteBlock block = sheet.translationBlock(row, column);
        out << name << '\t' << ss::cellName(row, column) << '\t' << ss::cellKindName(kind) << '\t';
        if (block == ss::WriteBlock::None)
            out << "yes";
        else
            out << "no: " << ss::writeBlockReason(block);
        out << '\t' << escapeField(sheet.text(row, column)) << '\n';
    }
}

// The texts outside the cells, each with where it is, in the columns of the cells': sheet,
// place, kind, "yes", text. Parts left as they are are named on err.
int dumpOtherTexts(ss::Workbook& workbook, const std::optional<std::string>& only, std::ostream& out, std::ostream& err)
{
    auto listing = workbook.texts(ss::TextKinds::all());
    if (!listing)
        return failure(err, listing.error());
    for (const std::string& left : listing.value().leftAsTheyAre)
        err << "xlcell: " << left << '\n';
    for (const ss::PlacedText& text : listing.value().texts) {
        if (only && text.sheet != *only)
            continue;
        out << escapeField(text.sheet) << '\t' << escapeField(text.place) << '\t' << ss::textKindName(text.kind)
            << "\tyes\t" << escapeField(text.text) << '\n';
    }
    return kOk;
}

int dumpCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    std::optional<std::string> only;
    bool all = false;
    std::optional<std::string> path;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--sheet" && i + 1 < args.size())
            only = args[++i];
        else if (args[i] == "--all")
            all = true;
        else if (!path)
            path = args[i];
        else
            return usage(err, "dump takes FILE [--sheet NAME] [--all]");
    }
    if (!path)
        return usage(err, "dump takes FILE [--sheet NAME] [--all]");
    auto workbook = openOrReport(*path, err);
    if (!workbook)
        return kFailed;
    if (only) {
        auto index = workbook->findWorksheet(*only);
        if (!index) {
            err << "xlcell: " << *path << ": no worksheet named \"" << *only << "\"\n";
            return kFailed;
        }
        only = workbook->worksheet(*index).name();
        dumpWorksheet(workbook->worksheet(*index), out);
    } else {
        for (std::size_t i = 0; i < workbook->worksheetCount(); ++i)
            dumpWorksheet(workbook->worksheet(i), out);
    }
    return all ? dumpOtherTexts(*workbook, only, out, err) : kOk;
}

int setCommand(const std::vector<std::string>& args, std::ostream& err)
{
    if (args.size() < 3)
        return usage(err, "set takes FILE [-o OUT] SHEET!REF=TEXT ...");
    std::optional<std::string> output;
    std::size_t first = 2;
    if (args[2] == "-o") {
        if (args.size() < 5)
            return usage(err, "set -o needs OUT and at least one SHEET!REF=TEXT");
        output = args[3];
        first = 4;
    }
    std::vector<Assignment> assignments;
    for (std::size_t i = first; i < args.size(); ++i) {
        auto assignment = parseAssignment(args[i]);
        if (!assignment)
            return usage(err, "\"" + args[i] + "\" is not SHEET!REF=TEXT");
        assignments.push_back(std::move(*assignment));
    }
    auto workbook = openOrReport(args[1], err);
    if (!workbook)
        return kFailed;
    for (const auto& a : assignments) {
        auto index = workbook->findWorksheet(a.sheet);
        if (!index) {
            err << "xlcell: " << args[1] << ": no worksheet named \"" << a.sheet << "\"\n";
            return kFailed;
        }
        auto written = workbook->worksheet(*index).setValue(a.row, a.column, a.text);
        if (!written)
            return failure(err, written.error());
    }
    ss::Status saved = output ? workbook->saveAs(*output) : workbook->save();
    if (!saved)
        return failure(err, saved.error());
    return kOk;
}

// A value that reads fully as a number is a number; anything else is text.
std::optional<double> readNumber(std::string_view text)
{
    double value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::string formatValue(numfmt::Renderer& renderer, std::string_view code, std::string_view value, bool asText)
{
    numfmt::FormatHandle handle = renderer.intern(code);
    auto number = asText ? std::nullopt : readNumber(value);
    return number ? renderer.number(handle, *number) : renderer.text(handle, value);
}

int formatCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err)
{
    bool date1904 = false;
    bool asText = false;
    std::vector<std::string> positional;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--date1904")
            date1904 = true;
        else if (args[i] == "--text")
            asText = true;
        else
            positional.push_back(args[i]);
    }
    numfmt::Renderer renderer(date1904 ? numfmt::DateSystem::Excel1904 : numfmt::DateSystem::Excel1900);
    if (positional.size() == 2) {
        out << formatValue(renderer, positional[0], positional[1], asText) << '\n';
        return kOk;
    }
    if (!positional.empty())
        return usage(err, "format takes CODE VALUE, or no arguments to read standard input");
    std::string line;
    int lineNumber = 0;
    while (std::getline(in, line)) {
        ++lineNumber;
        std::size_t tab = line.find('\t');
        if (tab == std::string::npos) {
            err << "xlcell: standard input line " << lineNumber << ": expected CODE<TAB>VALUE\n";
            return kFailed;
        }
        std::size_t valueEnd = line.find('\t', tab + 1);
        std::string_view value = std::string_view(line).substr(
            tab + 1, valueEnd == std::string::npos ? std::string::npos : valueEnd - tab - 1);
        out << formatValue(renderer, std::string_view(line).substr(0, tab), value, asText) << '\n';
    }
    return kOk;
}

}  // namespace

std::optional<Assignment> parseAssignment(std::string_view argument)
{
    // The reference ends at the first "=" before which the argument reads as SHEET!CELL: a
    // sheet's name may hold "=" and "!", and the text after it anything.
    for (std::size_t equals = argument.find('='); equals != std::string_view::npos;
         equals = argument.find('=', equals + 1)) {
        const auto split = veltrano::core::splitSheetName(argument.substr(0, equals));
        if (!split || split->first.empty())
            continue;
        const auto address = ss::parseCellName(split->second);
        if (!address)
            continue;
        return Assignment{split->first, address->row, address->column, std::string(argument.substr(equals + 1))};
    }
    return std::nullopt;
}

int run(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err)
{
    if (args.empty()) {
        err << kUsageText;
        return kUsage;
    }
    const std::string& command = args[0];
    if (command == "--help" || command == "-h") {
        out << kUsageText;
        return kOk;
    }
    if (command == "--version") {
        out << "xlcell " VELTRANO_VERSION "\n";
        return kOk;
    }
    if (command == "sheets")
        return sheetsCommand(args, out, err);
    if (command == "dump")
        return dumpCommand(args, out, err);
    if (command == "set")
        return setCommand(args, err);
    if (command == "format")
        return formatCommand(args, in, out, err);
    return usage(err, "unknown command \"" + command + "\"");
}

}  // namespace veltrano::xlcell

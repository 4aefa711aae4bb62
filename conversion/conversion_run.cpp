#include "conversion/conversion_run.h"

#include "conversion/backup_copy.h"
#include "conversion/excel_access.h"
#include "platform/excel/workbook_window.h"

#include <QFile>
#include <QLocale>

#include <algorithm>
#include <cmath>

namespace veltrano::conversion {

using platform::excel::Application;
using platform::excel::ExcelError;
using platform::excel::Workbook;
using translation::WalkError;

namespace {

// Sets the pointer to busy when made and back to default however the work on a file ends.
class BusyPointer {
public:
    explicit BusyPointer(const RunWindow& window)
        : m_window(window)
    {
        again();
    }
    ~BusyPointer() { m_window.setPointerBusy(false); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

    // Busy once more, as at each step of the work on a file.
    void again() const { m_window.setPointerBusy(true); }

private:
    const RunWindow& m_window;
};

class RunningFlag {
public:
    explicit RunningFlag(bool& flag)
        : m_flag(flag)
    {
        m_flag = true;
    }
    ~RunningFlag() { m_flag = false; }
    RunningFlag(const RunningFlag&) = delete;
    RunningFlag& operator=(const RunningFlag&) = delete;

private:
    bool& m_flag;
};

// A failure's text without the file's path in front, since the closing message puts the path
// before every reason itself.
QString reasonWithoutPath(const std::string& message, const QString& path)
{
    const std::string prefix = QFile::encodeName(path).toStdString();
    std::string reason = message;
    if (!prefix.empty() && reason.starts_with(prefix)) {
        reason.erase(0, prefix.size());
        if (reason.starts_with(": ") || reason.starts_with(", "))
            reason.erase(0, 2);
    }
    return QString::fromStdString(reason);
}

}  // namespace

int overallPercent(int position, int count)
{
    if (count <= 0)
        return 100;
    const double percent = std::floor(double(position) / double(count) * 100.0);
    return int(std::clamp(percent, 0.0, 100.0));
}

QString closingMessage(const QStringList& failures)
{
    const QString done = QStringLiteral("Done.");
    if (failures.isEmpty())
        return done;
    return done + QStringLiteral("\n\n") + failures.join(QLatin1Char('\n'));
}

ConversionRun::ConversionRun(RunWindow window)
    : m_window(std::move(window)),
      m_lookup(std::make_unique<platform::excel::ProcessTable>()),
      m_now([] { return QDateTime::currentDateTime(); })
{}

ConversionRun::~ConversionRun() = default;

void ConversionRun::setRunningProgramLookup(std::unique_ptr<platform::excel::RunningProgramLookup> lookup)
{
    m_lookup = std::move(lookup);
}

void ConversionRun::Check7_Click()
{
    // The window stays live during a run, so Convert can be pressed again meanwhile.
    if (m_running)
        return;
    const RunningFlag running(m_running);
    if (m_window.listedCount() == 0)
        return;
    if (StopForOpenExcel(m_window.owner, m_window.shell(), *m_lookup))
        return;

    // The entries are taken once: removing or moving entries during the run changes nothing
    // in it.
    const QStringList files = m_window.listedFiles();
    QStringList failures;
    for (int position = 1; position <= files.size(); ++position) {
        const QString& path = files.at(position - 1);
        if (const std::optional<QString> failure = convertFile(path))
            failures << path + QStringLiteral(": ") + *failure;
        m_window.showOverallProgress(overallPercent(position, m_window.listedCount()));
    }
    m_window.shell().MsgBox(m_window.owner, closingMessage(failures), platform::shell::kOkOnly,
                            QStringLiteral("Veltrano"));
}

std::optional<QString> ConversionRun::convertFile(const QString& path)
{
    // The choices are read for each file, so a change during a run counts from the next file.
    if (m_window.backupWanted())
        if (const std::optional<QString> failure = makeBackup(path))
            return failure;
    try {
        return openWalkAndSave(path);
    } catch (const ExcelError& error) {
        return reasonWithoutPath(error.what(), path);
    } catch (const WalkError& error) {
        // The cells written so far were never saved.
        return reasonWithoutPath(error.what(), path) + QStringLiteral("; the file was left as it was");
    }
}

std::optional<QString> ConversionRun::makeBackup(const QString& path)
{
    const BackupCopy backup = copyForBackup(path, backupStamp(m_now(), QLocale::system()));
    if (!backup.failure.isEmpty())
        return QStringLiteral("no backup copy could be made (%1), so the file was not converted").arg(backup.failure);
    return std::nullopt;
}

std::optional<QString> ConversionRun::openWalkAndSave(const QString& path)
{
    const BusyPointer pointer(m_window);
    // Declared after the pointer, so the instance has quit, with nothing saved when the work
    // failed, before the pointer is set back.
    Application excel = OpenWorkbookInExcel(QFile::encodeName(path).toStdString());
    pointer.again();
    const platform::excel::Workbooks books = excel.Workbooks();
    const Workbook workbook = books.Item(books.Count());
    pointer.again();
    translation::PassedOver passedOver;
    if (const std::optional<QString> failure = walkChosenScope(excel, workbook, passedOver))
        return failure;
    workbook.Save();
    excel.Quit();
    if (passedOver.empty())
        return std::nullopt;
    QStringList cells;
    for (const std::string& cell : passedOver)
        cells << reasonWithoutPath(cell, path);
    return QStringLiteral("saved, but not every cell was converted: ") + cells.join(QStringLiteral("; "));
}

std::optional<QString> ConversionRun::walkChosenScope(Application& excel, const Workbook& workbook,
                                                      translation::PassedOver& passedOver)
{
    translation::PageClient& page = m_window.page();
    const std::optional<ConversionScope> scope = m_window.chosenScope();
    if (!scope)
        return std::nullopt;  // no scope chosen: the workbook is saved as it is
    switch (*scope) {
    case ConversionScope::EntireWorkbook:
        passedOver = translation::ConvertWorkbook(workbook, page, m_walkPacing);
        break;
    case ConversionScope::ActiveSheetOnly:
        m_window.setPointerBusy(true);
        passedOver = translation::ConvertActiveSheet(workbook, page, m_walkPacing);
        break;
    case ConversionScope::CellBlock: {
        m_window.setPointerBusy(true);
        excel.setVisible(true);
        const std::optional<platform::excel::Range> block =
            excel.InputBox(platform::excel::kBlockPrompt, platform::excel::kInputBoxRange);
        if (!block)
            return QStringLiteral("no block of cells was chosen, so the file was not converted");
        passedOver = translation::ConvertCellBlock(workbook, *block, page, m_walkPacing);
        break;
    }
    }
    return std::nullopt;
}

}  // namespace veltrano::conversion

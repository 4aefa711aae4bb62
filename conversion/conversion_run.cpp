#include "conversion/conversion_run.h"

#include "conversion/backup_copy.h"
#include "conversion/excel_access.h"
#include "core/file_steps.h"
#include "excel/workbook_window.h"

#include <QFile>
#include <QLocale>

#include <algorithm>
#include <cmath>

namespace veltrano::conversion {

using core::Scope;
using excel::Application;
using excel::Workbook;

namespace {

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

// The window's way through a file's steps: the workbook opened in an instance of its own, the
// block asked for in the workbook window, the scope walked through the page with the window's
// pacing, the pointer busy from opening until the instance has quit.
class WindowSteps final : public core::FileSteps {
public:
    WindowSteps(const RunWindow& window, const pageclient::WalkPacing& pacing)
        : m_window(window),
          m_pacing(pacing)
    {}

    core::Result<spreadsheet::Workbook*> open(const std::string& path) override
    {
        m_window.setPointerBusy(true);
        m_path = path;
        auto excel = OpenWorkbookInExcel(path);
        if (!excel)
            return excel.error();
        m_excel = std::make_unique<Application>(std::move(excel).value());
        m_window.setPointerBusy(true);
        return excel::attempt([&] {
            const excel::Workbooks books = m_excel->Workbooks();
            m_workbook = std::make_unique<Workbook>(books.Item(books.Count()));
            m_window.setPointerBusy(true);
            return &m_workbook->engineWorkbook();
        });
    }

    core::Result<std::optional<Scope>> chooseCells(spreadsheet::Workbook&) override
    {
        const std::optional<Scope::Kind> chosen = m_window.chosenScope();
        if (!chosen)
            return std::optional<Scope>();  // no scope chosen: the workbook is saved as it is
        switch (*chosen) {
        case Scope::Kind::Workbook:
            return std::optional(Scope::wholeWorkbook());
        case Scope::Kind::ActiveSheet:
            m_window.setPointerBusy(true);
            return std::optional(Scope::activeSheet());
        case Scope::Kind::Block:
            m_window.setPointerBusy(true);
            return askForBlock();
        }
        return std::optional<Scope>();
    }

    // The window saves every workbook it converts, so the cells changed are not counted.
    core::Result<core::Converted> convert(spreadsheet::Workbook&, const Scope& scope) override
    {
        auto walked = walk(scope);
        if (!walked)
            return walked.error();
        core::Converted converted;
        converted.cellsLeft = std::move(walked).value();
        return converted;
    }

    // The instance quits, with nothing saved when the work failed, before the pointer is set back.
    void close() override
    {
        m_workbook.reset();
        m_block.reset();
        if (m_excel)
            m_excel->Quit();
        m_excel.reset();
        m_window.setPointerBusy(false);
    }

private:
    pageclient::Walked walk(const Scope& scope)
    {
        pageclient::PageClient& page = m_window.page();
        switch (scope.kind) {
        case Scope::Kind::Workbook:
            return pageclient::ConvertWorkbook(*m_workbook, page, m_pacing);
        case Scope::Kind::ActiveSheet:
            return pageclient::ConvertActiveSheet(*m_workbook, page, m_pacing);
        case Scope::Kind::Block:
            return pageclient::ConvertCellBlock(*m_workbook, *m_block, page, m_pacing);
        }
        return pageclient::PassedOver();
    }

    core::Result<std::optional<Scope>> askForBlock()
    {
        auto block = excel::attempt([&] {
            m_excel->setVisible(true);
            m_block = m_excel->InputBox(excel::kBlockPrompt, excel::kInputBoxRange);
            return m_block ? std::optional(Scope::cellBlock(m_block->Worksheet().Name(), m_block->area()))
                           : std::optional<Scope>();
        });
        if (block && !block.value()) {
            const excel::Place file{m_path, {}, {}};
            return core::Failure{"no block of cells was chosen, so the file was not converted", file};
        }
        return block;
    }

    const RunWindow& m_window;
    const pageclient::WalkPacing& m_pacing;
    std::string m_path;
    std::unique_ptr<Application> m_excel;
    std::unique_ptr<Workbook> m_workbook;
    std::optional<excel::Range> m_block;
};

// A failure's text without the file, since the closing message puts the path before every
// reason itself.
QString reasonInFile(const core::Failure& failure)
{
    return QString::fromStdString(failure.messageWithoutFile());
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
      m_lookup(std::make_unique<excel::ProcessTable>()),
      m_now([] { return QDateTime::currentDateTime(); })
{}

ConversionRun::~ConversionRun() = default;

void ConversionRun::setRunningProgramLookup(std::unique_ptr<excel::RunningProgramLookup> lookup)
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
        if (const auto converted = convertFile(path); !converted)
            failures << path + QStringLiteral(": ") + converted.error();
        m_window.showOverallProgress(overallPercent(position, m_window.listedCount()));
    }
    m_window.shell().MsgBox(m_window.owner, closingMessage(failures), platform::shell::kOkOnly,
                            QStringLiteral("Veltrano"));
}

veltrano::Result<void, QString> ConversionRun::convertFile(const QString& path)
{
    // The choices are read for each file, so a change during a run counts from the next file.
    core::FilePlan plan;
    plan.backup = m_window.backupWanted() ? core::BackupWhen::BeforeOpening : core::BackupWhen::Never;
    plan.backupStamp = [this] { return backupStamp(m_now(), QLocale::system()).toStdString(); };
    const std::string file = QFile::encodeName(path).toStdString();
    WindowSteps steps(m_window, m_walkPacing);
    const core::FileOutcome outcome = core::convertFile(file, plan, steps);
    if (outcome.failure)
        return reasonInFile(*outcome.failure);
    if (outcome.converted.cellsLeft.empty())
        return {};
    QStringList cells;
    for (const core::Failure& cell : outcome.converted.cellsLeft)
        cells << reasonInFile(cell);
    return QStringLiteral("saved, but not every cell was converted: ") + cells.join(QStringLiteral("; "));
}

}  // namespace veltrano::conversion

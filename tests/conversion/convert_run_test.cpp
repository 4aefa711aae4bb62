// Convert pressed in the window, end to end: workbooks in a temporary folder, the real page host
// over Apertium, no pauses. Order, progress, pointer, backups, messages, failures that leave
// their files as they were, changes made during a run, and the block asked in the workbook window.

#include "app/form1.h"
#include "app/picture_button.h"
#include "conversion/backup_copy.h"
#include "conversion/conversion_run.h"
#include "conversion/excel_access.h"
#include "excel/workbook_window.h"
#include "filelist/file_list.h"
#include "pageclient/browser_page_client.h"
#include "pageclient/page_host.h"
#include "platform/browser/web_browser.h"
#include "spreadsheet/workbook.h"
#include "tests/excel/sheet_cells.h"
#include "tests/platform/browser/web_test_main.h"
#include "tests/spreadsheet/fixture.h"
#include "tests/support/scripted_shell.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>

using namespace veltrano;
using app::MousePointer;
using veltrano::testing::text;
namespace fs = std::filesystem;

namespace {

const QDateTime kNow(QDate(2026, 12, 5), QTime(15, 7));

class SpreadsheetProgram final : public excel::RunningProgramLookup {
public:
    explicit SpreadsheetProgram(const bool& runs)
        : m_runs(runs)
    {}
    std::optional<excel::RunningProgram> findSpreadsheetProgram() const override
    {
        return m_runs ? std::optional(excel::RunningProgram{4242, "soffice.bin"}) : std::nullopt;
    }
    const bool& m_runs;
};

// The real page, with a look in at each exchange; the text "stop here" fails.
class PageInTheMiddle final : public pageclient::PageClient {
public:
    explicit PageInTheMiddle(pageclient::PageClient& page)
        : m_page(page)
    {}
    void takeDocument() override { m_page.takeDocument(); }
    void releaseDocument() override { m_page.releaseDocument(); }
    pageclient::CellTranslation TranslateCellText(const QString& text) override
    {
        sent << text;
        if (during)
            during();
        return text == "stop here" ? pageclient::CellTranslation::failed("the page went away")
                                   : m_page.TranslateCellText(text);
    }
    QStringList sent;
    std::function<void()> during;
    pageclient::PageClient& m_page;
};

std::string bytes(const QString& path)
{
    return spreadsheet::testing::readFile(path.toStdString());
}

QString backupOf(const QString& path)
{
    return conversion::backupPathFor(path, conversion::backupStamp(kNow, QLocale::system()));
}

// The saved cells' displayed texts, "|" between them, "=" before a formula's result.
QString shown(const QString& path, std::initializer_list<std::pair<int, int>> cells = {{1, 1}})
{
    auto book = spreadsheet::Workbook::open(path.toStdString());
    if (!book)
        return QString::fromStdString(book.error().message());
    QStringList texts;
    for (const auto& [row, column] : cells)
        texts << (book.value().worksheet(0).kind(row, column) == spreadsheet::CellKind::Formula ? "=" : "")
                     + QString::fromStdString(book.value().worksheet(0).text(row, column));
    return texts.join('|');
}

}  // namespace

class ConvertRunTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_config.isValid());
        qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
        qunsetenv(pageclient::kPageHostVariable);
        m_host = pageclient::PageHost::launch(QStringLiteral(VELTRANO_BIN_DIR));
        const auto address = m_host->waitForAddress(QDeadlineTimer(pageclient::kPageHostStartLimit));
        QVERIFY2(address, qPrintable(address ? QString() : address.error().message));
        m_form = std::make_unique<app::Form1>(address.value());
        m_form->setShell(
            std::unique_ptr<veltrano::testing::ScriptedShell>(m_shell = new veltrano::testing::ScriptedShell));
        m_form->setProgramFolder(m_config.path());
        m_form->setHomePageDraw([] { return 0.0; });
        m_form->Form_Load();
        m_form->show();
        QVERIFY(m_form->WebBrowser1->waitUntilLoaded(QDeadlineTimer(30'000)));
        // The program's own page client, with no wait before the first look at a result.
        m_realPage = std::make_unique<pageclient::BrowserPageClient>(*m_form->WebBrowser1,
                                                                     pageclient::ExchangePacing{0.0, 30.0, 0.01});
        m_form->setPageClient(std::unique_ptr<PageInTheMiddle>(m_page = new PageInTheMiddle(*m_realPage)));
        m_form->conversionRun().setWalkPacing({0.0, {}});
        m_form->conversionRun().setRunningProgramLookup(std::make_unique<SpreadsheetProgram>(m_programRuns));
        m_form->conversionRun().setClock([] { return kNow; });
    }

    void cleanupTestCase()
    {
        m_form.reset();
        m_realPage.reset();
        m_host.reset();
    }

    void init()
    {
        m_folder = std::make_unique<spreadsheet::testing::TempDir>();
        while (m_form->fileList().remove(1)) {}
        m_shell->messages.clear();
        m_shell->msgBoxAnswers.clear();
        m_page->sent.clear();
        m_page->during = {};
        m_programRuns = false;
        m_form->Check1->setChecked(false);
        m_form->Option3->setChecked(true);
    }

    // One path listed twice among three entries: each converted in list order, the bar moving on
    // from the last run's value, the pointer busy meanwhile; numbers (never sent) and formulas kept.
    void convertsEachListedFileInOrder()
    {
        const QString a =
            book("a.xlsx", {{"A1", text("house")}, {"A2", "><v>1234.5</v>"}, {"A3", "><f>A2*2</f><v>2469</v>"}});
        const QString b = book("b.xlsx", {{"A1", text("Sales")}});
        m_form->fileList().append(QStringList{a, b, a});
        m_form->ProgressBar2->setValue(100);
        QStringList seen;  // bar and pointer at each exchange
        m_page->during = [&] {
            seen << QStringLiteral("%1/%2").arg(m_form->ProgressBar2->value()).arg(int(m_form->mousePointer()));
        };
        convert();
        QCOMPARE(m_page->sent, (QStringList{"house", "Sales", "casa"}));
        QCOMPARE(seen, (QStringList{"100/11", "33/11", "66/11"}));
        QCOMPARE(m_form->ProgressBar2->value(), 100);
        QCOMPARE(m_form->mousePointer(), MousePointer::Default);
        QCOMPARE(shown(a, {{1, 1}, {2, 1}, {3, 1}}) + "|" + shown(b), QStringLiteral("casa|1234.5|=2469|Ventas"));
        QCOMPARE(m_shell->messages.size(), std::size_t(1));
        QCOMPARE(m_shell->messages[0].prompt + m_shell->messages[0].title, QStringLiteral("Done.Veltrano"));
        QCOMPARE(m_shell->messages[0].style, platform::shell::kOkOnly);
        QCOMPARE(m_form->fileList().count(), 3);
    }

    void nothingConvertedWhen_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("the list is empty") << "" << QStringList{};
        QTest::newRow("a program runs, answer No") << "listed runs" << QStringList{conversion::kExcelMayBeOpenMessage};
        QTest::newRow("no scope is chosen") << "listed noscope" << QStringList{"Done."};  // saved as it was
    }

    void nothingConvertedWhen()
    {
        QFETCH(QString, setup);
        QFETCH(QStringList, messages);
        const QString path = book("a.xlsx", {{"A1", text("house")}});
        const std::string original = bytes(path);
        if (setup.contains("listed"))
            m_form->fileList().append(path);
        m_programRuns = setup.contains("runs");
        m_form->Check1->setChecked(true);
        m_form->Option3->setAutoExclusive(false);
        m_form->Option3->setChecked(!setup.contains("noscope"));
        m_form->Option3->setAutoExclusive(true);
        convert();
        QStringList prompts;
        for (const auto& message : m_shell->messages)
            prompts << message.prompt;
        QCOMPARE(prompts, messages);
        QCOMPARE(shown(path), QStringLiteral("house"));
        const bool ran = messages.endsWith("Done.");
        QVERIFY(ran || bytes(path) == original);
        QCOMPARE(regularFiles(), ran ? 2 : 1);
    }

    // Files that fail are left byte for byte and listed while the others convert; meanwhile the
    // user presses Convert again, empties the list and unticks the backup box. A backup holds the
    // file as it was, keeps it private, and never replaces one made in the same minute.
    void failuresAndChangesOnTheWay()
    {
        const QString corrupt = file("corrupt.xlsx", "PK\x03\x04 not a workbook");
        const QString legacy =
            file("old.xls", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(504, '\0'));
        // A name that leaves no room for its backup's in the folder.
        const QString blocked = book(std::string(235, 'b') + ".xlsx", {{"A1", text("house")}});
        const QString first = book("first.xlsx", {{"A1", text("house")}});
        QFile::setPermissions(first, QFile::ReadOwner | QFile::WriteOwner);
        spreadsheet::testing::writeFile(backupOf(first).toStdString(), "older");
        const std::string firstBefore = bytes(first);
        const QString stops = book("stops.xlsx", {{"A1", text("green apple")}, {"A2", text("stop here")}});
        const QString last = book("last.xlsx", {{"A1", text("Sales")}});
        const QStringList failing{corrupt, legacy, blocked, stops};
        std::vector<std::string> before;
        for (const QString& path : failing)
            before.push_back(bytes(path));
        m_form->fileList().append(QStringList{corrupt, legacy, blocked, first, stops, last});
        m_form->Check1->setChecked(true);
        m_page->during = [&] {
            if (m_page->sent.size() > 1)
                return;
            convert();
            while (m_form->fileList().remove(1)) {}
            m_form->Check1->setChecked(false);
        };
        convert();

        QCOMPARE(m_page->sent, (QStringList{"house", "green apple", "stop here", "Sales"}));
        QCOMPARE(shown(first) + "|" + shown(last), QStringLiteral("casa|Ventas"));
        QCOMPARE(m_shell->messages.size(), std::size_t(1));
        const QStringList lines = m_shell->messages[0].prompt.split('\n');
        QCOMPARE(lines.size(), 2 + failing.size());
        QCOMPARE(lines[0] + lines[1], QStringLiteral("Done."));
        for (int i = 0; i < failing.size(); ++i) {
            QVERIFY2(bytes(failing[i]) == before[std::size_t(i)], qPrintable(failing[i]));
            QVERIFY2(lines[i + 2].startsWith(failing[i] + ": "), qPrintable(lines[i + 2]));
        }
        // Backups of the three files before the box was unticked, and no half-made copy.
        const QString firstBackup =
            conversion::backupPathFor(first, conversion::backupStamp(kNow, QLocale::system()) + " (2)");
        QVERIFY(bytes(backupOf(first)) == "older" && bytes(firstBackup) == firstBefore
                && !QFile::exists(backupOf(last)));
        QCOMPARE(QFile::permissions(firstBackup), QFile::permissions(first));
        QCOMPARE(regularFiles(), 6 + 4);
        QCOMPARE(m_form->ProgressBar2->value(), 100);
        QCOMPARE(m_form->mousePointer(), MousePointer::Default);
    }

    // The workbook window asks for each file's block in turn and is gone when the run ends; the
    // first is answered with a typed block, the second cancelled.
    void blockScopeAsksInTheWorkbookWindow()
    {
        m_form->Option5->setChecked(true);
        const QString a = book("a.xlsx", {{"A1", text("house")}, {"B2", text("Sales")}, {"C3", text("Name")}});
        const QString b = book("b.xlsx", {{"A1", text("house")}});
        const std::string bBefore = bytes(b);
        m_form->fileList().append(QStringList{a, b});
        QStringList answers{"B2:C3", ""}, asked;
        QTimer person;
        connect(&person, &QTimer::timeout, this, [&] {
            auto* window = visibleWorkbookWindow();
            if (!window || !window->isAsking() || answers.isEmpty())
                return;
            asked << QString::fromStdString(window->workbook().path());
            window->referenceField()->setText(answers.first());
            QTest::mouseClick(answers.takeFirst().isEmpty() ? window->cancelButton() : window->okButton(),
                              Qt::LeftButton);
        });
        person.start(20);
        convert();

        QCOMPARE(asked, (QStringList{a, b}));
        QVERIFY(!visibleWorkbookWindow());
        QCOMPARE(shown(a, {{1, 1}, {2, 2}, {3, 3}}), QStringLiteral("house|Ventas|Nombre"));
        QVERIFY(bytes(b) == bBefore);
        QCOMPARE(m_shell->messages.size(), std::size_t(1));
        QCOMPARE(m_shell->messages[0].prompt,
                 "Done.\n\n" + b + ": no block of cells was chosen, so the file was not converted");
    }

private:
    QString book(const std::string& name, const std::vector<std::pair<std::string, std::string>>& cells)
    {
        const fs::path path = m_folder->path() / name;
        fs::create_directories(path.parent_path());
        spreadsheet::testing::WorkbookFixture().worksheet("Sheet1", veltrano::testing::sheetRows(cells)).write(path);
        return QString::fromStdString(path.string());
    }

    QString file(const std::string& name, const std::string& content)
    {
        spreadsheet::testing::writeFile(m_folder->path() / name, content);
        return QString::fromStdString((m_folder->path() / name).string());
    }

    int regularFiles() const
    {
        const auto entries = fs::recursive_directory_iterator(m_folder->path());
        return int(std::count_if(fs::begin(entries), fs::end(entries),
                                 [](const auto& entry) { return entry.is_regular_file(); }));
    }

    void convert() { QTest::mouseClick(m_form->Check7, Qt::LeftButton); }

    static excel::WorkbookWindow* visibleWorkbookWindow()
    {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* window = qobject_cast<excel::WorkbookWindow*>(widget); window && window->isVisible())
                return window;
        return nullptr;
    }

    QTemporaryDir m_config;
    std::unique_ptr<spreadsheet::testing::TempDir> m_folder;
    std::unique_ptr<pageclient::PageHost> m_host;
    std::unique_ptr<app::Form1> m_form;
    std::unique_ptr<pageclient::BrowserPageClient> m_realPage;
    veltrano::testing::ScriptedShell* m_shell = nullptr;
    PageInTheMiddle* m_page = nullptr;
    bool m_programRuns = false;
};

VELTRANO_WEB_TEST_MAIN(ConvertRunTest)
#include "convert_run_test.moc"

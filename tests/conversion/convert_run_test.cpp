// Convert pressed in the window, end to end: workbooks in a temporary folder, the real page host
// over Apertium, no pauses. What is converted and in which order, the progress bar, the pointer,
// the backups, the messages, the failures that leave their files as they were, changes made in
// the middle of a run, and the block of cells answered in the workbook window.

#include "app/form1.h"
#include "app/picture_button.h"
#include "conversion/backup_copy.h"
#include "conversion/conversion_run.h"
#include "conversion/excel_access.h"
#include "filelist/file_list.h"
#include "platform/browser/web_browser.h"
#include "platform/excel/workbook_window.h"
#include "spreadsheet/workbook.h"
#include "tests/platform/browser/web_test_main.h"
#include "tests/platform/excel/sheet_cells.h"
#include "tests/spreadsheet/fixture.h"
#include "tests/support/scripted_shell.h"
#include "translation/browser_page_client.h"
#include "translation/page_host.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>

using namespace veltrano;
using app::MousePointer;
using spreadsheet::testing::WorkbookFixture;
using veltrano::testing::text;
namespace fs = std::filesystem;

namespace {

using Cells = std::vector<std::pair<std::string, std::string>>;

const QDateTime kNow(QDate(2026, 12, 5), QTime(15, 7));

class SpreadsheetProgram final : public platform::excel::RunningProgramLookup {
public:
    explicit SpreadsheetProgram(const bool& runs) : m_runs(runs) {}
    std::optional<platform::excel::RunningProgram> findSpreadsheetProgram() const override
    {
        return m_runs ? std::optional(platform::excel::RunningProgram{4242, "soffice.bin"}) : std::nullopt;
    }

private:
    const bool& m_runs;
};

// Passes each exchange on to the real page after letting the test look or act in the middle of
// the run; the text "stop here" fails instead.
class PageInTheMiddle final : public translation::PageClient {
public:
    explicit PageInTheMiddle(translation::PageClient& page) : m_page(page) {}
    void takeDocument() override { m_page.takeDocument(); }
    void releaseDocument() override { m_page.releaseDocument(); }
    translation::CellTranslation TranslateCellText(const QString& text) override
    {
        sent << text;
        if (during)
            during();
        return text == QLatin1String("stop here") ? translation::CellTranslation::failed("the page went away")
                                                  : m_page.TranslateCellText(text);
    }
    QStringList sent;
    std::function<void()> during;

private:
    translation::PageClient& m_page;
};

std::string bytes(const QString& path) { return spreadsheet::testing::readFile(path.toStdString()); }

QString backupOf(const QString& path)
{
    return conversion::backupPathFor(path, conversion::backupStamp(kNow, QLocale::system()));
}

// The cell's displayed text in the saved file, with "=" before a formula's result.
QString shown(const QString& path, int row = 1, int column = 1)
{
    auto book = spreadsheet::Workbook::open(path.toStdString());
    if (!book)
        return QString::fromStdString(book.error().message);
    const auto sheet = book.value().worksheet(0);
    const QString prefix = sheet.kind(row, column) == spreadsheet::CellKind::Formula ? "=" : "";
    return prefix + QString::fromStdString(sheet.text(row, column));
}

} // namespace

class ConvertRunTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_config.isValid());
        qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
        qunsetenv(translation::kPageHostVariable);
        m_host = translation::PageHost::launch(QStringLiteral(VELTRANO_BIN_DIR));
        const std::optional<QString> address = m_host->waitForAddress(QDeadlineTimer(translation::kPageHostStartLimit));
        QVERIFY2(address, qPrintable(m_host->failure()));

        m_form = std::make_unique<app::Form1>(*address);
        auto shell = std::make_unique<veltrano::testing::ScriptedShell>();
        m_shell = shell.get();
        m_form->setShell(std::move(shell));
        m_form->setProgramFolder(m_config.path());
        m_form->setHomePageDraw([] { return 0.0; });
        m_form->Form_Load();
        m_form->show();
        QVERIFY(m_form->WebBrowser1->waitUntilLoaded(QDeadlineTimer(30'000)));

        m_realPage = std::make_unique<translation::BrowserPageClient>(*m_form->WebBrowser1,
                                                                      translation::ExchangePacing{0.0, 30.0, 0.01});
        auto page = std::make_unique<PageInTheMiddle>(*m_realPage);
        m_page = page.get();
        m_form->setPageClient(std::move(page));
        conversion::ConversionRun& run = m_form->conversionRun();
        run.setWalkPacing({0.0, {}});
        run.setRunningProgramLookup(std::make_unique<SpreadsheetProgram>(m_programRuns));
        run.setClock([] { return kNow; });
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
        while (m_form->fileList().remove(1)) {
        }
        m_shell->messages.clear();
        m_shell->msgBoxAnswers.clear();
        m_page->sent.clear();
        m_page->during = {};
        m_programRuns = false;
        m_form->Check1->setChecked(false);
        m_form->Option3->setChecked(true);
    }

    // One path listed twice among three entries: each converted in list order, the bar moving on
    // from the last run's value, the pointer busy while a file is worked on; numbers and formulas
    // kept.
    void convertsEachListedFileInOrder()
    {
        const QString a = book("a.xlsx", {{"A1", text("house")}, {"A2", "><v>1234.5</v>"}, {"A3", "><f>A2*2</f><v>2469</v>"}});
        const QString b = book("b.xlsx", {{"A1", text("Sales")}});
        m_form->fileList().append(QStringList{a, b, a});
        m_form->ProgressBar2->setValue(100);
        QList<int> bars;
        QList<MousePointer> pointers;
        m_page->during = [&] {
            bars << m_form->ProgressBar2->value();
            pointers << m_form->mousePointer();
        };
        convert();
        QCOMPARE(m_page->sent, (QStringList{"house", "1234.5", "Sales", "casa", "1234.5"}));
        QCOMPARE(bars, (QList<int>{100, 100, 33, 66, 66}));
        QCOMPARE(pointers, QList<MousePointer>(5, MousePointer::Busy));
        QCOMPARE(m_form->ProgressBar2->value(), 100);
        QCOMPARE(m_form->mousePointer(), MousePointer::Default);
        QCOMPARE((QStringList{shown(a), shown(a, 2, 1), shown(a, 3, 1), shown(b)}),
                 (QStringList{"casa", "1234.5", "=2469", "Ventas"}));
        QCOMPARE(m_shell->messages.size(), std::size_t(1));
        QCOMPARE(m_shell->messages[0].prompt, QStringLiteral("Done."));
        QCOMPARE(m_shell->messages[0].style, platform::shell::kOkOnly);
        QCOMPARE(m_shell->messages[0].title, QStringLiteral("Veltrano"));
        QCOMPARE(m_form->fileList().count(), 3);
    }

    void whatARunTouches_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("listed");
        QTest::addColumn<bool>("programRuns");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("scopeChosen");
        QTest::addColumn<bool>("backup");
        QTest::addColumn<bool>("oldBackup"); // one made earlier in the same minute
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<bool>("converted");
        const int yes = platform::shell::kAnswerYes, no = platform::shell::kAnswerNo;
        const QString question = conversion::kExcelMayBeOpenMessage;
        const QString done = QStringLiteral("Done.");
        QTest::newRow("two dots") << "a.b.xlsx" << true << false << 0 << true << true << false << QStringList{done} << true;
        QTest::newRow("no dot") << "notes" << true << false << 0 << true << true << false << QStringList{done} << true;
        QTest::newRow("dot in the folder") << "v1.2/notes" << true << false << 0 << true << true << false << QStringList{done} << true;
        QTest::newRow("same minute") << "a.xlsx" << true << false << 0 << true << true << true << QStringList{done} << true;
        QTest::newRow("backup off") << "a.xlsx" << true << false << 0 << true << false << false << QStringList{done} << true;
        QTest::newRow("empty list") << "a.xlsx" << false << false << 0 << true << true << false << QStringList{} << false;
        QTest::newRow("program runs, No") << "a.xlsx" << true << true << no << true << true << false << QStringList{question} << false;
        QTest::newRow("program runs, Yes") << "a.xlsx" << true << true << yes << true << true << false << QStringList{question, done} << true;
        QTest::newRow("no scope chosen") << "a.xlsx" << true << false << 0 << false << true << false << QStringList{done} << false;
    }

    void whatARunTouches()
    {
        QFETCH(QString, name);
        QFETCH(bool, listed);
        QFETCH(bool, programRuns);
        QFETCH(int, answer);
        QFETCH(bool, scopeChosen);
        QFETCH(bool, backup);
        QFETCH(bool, oldBackup);
        QFETCH(QStringList, messages);
        QFETCH(bool, converted);
        const QString path = book(name.toStdString(), {{"A1", text("house")}});
        // The copy keeps a private file private.
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        const std::string original = bytes(path);
        if (oldBackup)
            spreadsheet::testing::writeFile(backupOf(path).toStdString(), "older");
        if (listed)
            m_form->fileList().append(path);
        m_programRuns = programRuns;
        m_shell->msgBoxAnswers.enqueue(answer);
        m_form->Check1->setChecked(backup);
        if (!scopeChosen)
            selectNoOption();

        convert();
        QStringList prompts;
        for (const auto& message : m_shell->messages)
            prompts << message.prompt;
        QCOMPARE(prompts, messages);
        QCOMPARE(shown(path), converted ? QStringLiteral("casa") : QStringLiteral("house"));
        if (!messages.endsWith(QStringLiteral("Done.")))
            QVERIFY(bytes(path) == original);
        const bool backedUp = backup && messages.endsWith(QStringLiteral("Done."));
        if (backedUp) {
            QVERIFY(bytes(backupOf(path)) == original);
            QCOMPARE(QFile::permissions(backupOf(path)), QFile::permissions(path));
        }
        QCOMPARE(regularFiles(), 1 + int(backedUp || oldBackup));
    }

    // Files that fail are left byte for byte and listed while the others convert; meanwhile the
    // user presses Convert again, empties the list and unticks the backup box.
    void failuresAndChangesOnTheWay()
    {
        const QString corrupt = file("corrupt.xlsx", "PK\x03\x04 not a workbook");
        const QString legacy = file("old.xls", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(504, '\0'));
        const QString blocked = book("blocked.xlsx", {{"A1", text("house")}});
        fs::create_directory(backupOf(blocked).toStdString()); // a folder stands where its backup goes
        const QString first = book("first.xlsx", {{"A1", text("house")}});
        const QString stops = book("stops.xlsx", {{"A1", text("green apple")}, {"A2", text("stop here")}});
        const QString last = book("last.xlsx", {{"A1", text("Sales")}});
        const QStringList failing{corrupt, legacy, blocked, stops};
        std::vector<std::string> before;
        for (const QString& path : failing)
            before.push_back(bytes(path));
        m_form->fileList().append(QStringList{corrupt, legacy, blocked, first, stops, last});
        m_form->Check1->setChecked(true);
        m_page->during = [&] {
            if (m_page->sent.size() != 1)
                return;
            convert();
            while (m_form->fileList().remove(1)) {
            }
            m_form->Check1->setChecked(false);
        };

        convert();
        QCOMPARE(m_page->sent, (QStringList{"house", "green apple", "stop here", "Sales"}));
        for (int i = 0; i < failing.size(); ++i)
            QVERIFY2(bytes(failing[i]) == before[std::size_t(i)], qPrintable(failing[i]));
        QCOMPARE((QStringList{shown(first), shown(last)}), (QStringList{"casa", "Ventas"}));
        QCOMPARE(m_shell->messages.size(), std::size_t(1));
        const QStringList lines = m_shell->messages[0].prompt.split('\n');
        QCOMPARE(lines.size(), 6);
        QCOMPARE(lines.mid(0, 2), (QStringList{"Done.", ""}));
        for (int i = 0; i < failing.size(); ++i)
            QVERIFY2(lines[i + 2].startsWith(failing[i] + ": "), qPrintable(lines[i + 2]));
        // Backups of the three files before the box was unticked; no half-made copy anywhere.
        QVERIFY(QFile::exists(backupOf(first)) && !QFile::exists(backupOf(last)));
        QCOMPARE(regularFiles(), 6 + 3);
        QCOMPARE(m_form->ProgressBar2->value(), 100);
        QCOMPARE(m_form->mousePointer(), MousePointer::Default);
        QVERIFY(!m_form->Check7->isChecked());
    }

    // The workbook window asks for a block for each file in turn and is gone when the run ends;
    // the first is answered with a typed block, the second cancelled.
    void blockScopeAsksInTheWorkbookWindow()
    {
        m_form->Option5->setChecked(true);
        const QString a = book("a.xlsx", {{"A1", text("house")}, {"B2", text("Sales")}, {"C3", text("Name")}});
        const QString b = book("b.xlsx", {{"A1", text("house")}});
        const std::string bBefore = bytes(b);
        m_form->fileList().append(QStringList{a, b});
        QStringList answers{"B2:C3", ""};
        QStringList asked;
        QTimer person;
        connect(&person, &QTimer::timeout, this, [&] {
            const auto windows = findVisibleWorkbookWindows();
            if (windows.empty() || !windows[0]->isAsking() || answers.isEmpty())
                return;
            auto* window = windows[0];
            asked << QString::fromStdString(window->workbook().path());
            const QString answer = answers.takeFirst();
            if (answer.isEmpty())
                return QTest::mouseClick(window->cancelButton(), Qt::LeftButton);
            window->referenceField()->clear();
            QTest::keyClicks(window->referenceField(), answer);
            QTest::mouseClick(window->okButton(), Qt::LeftButton);
        });
        person.start(20);

        convert();
        QCOMPARE(asked, (QStringList{a, b}));
        QVERIFY(findVisibleWorkbookWindows().empty());
        QCOMPARE((QStringList{shown(a), shown(a, 2, 2), shown(a, 3, 3)}), (QStringList{"house", "Ventas", "Nombre"}));
        QVERIFY(bytes(b) == bBefore);
        QCOMPARE(m_shell->messages.size(), std::size_t(1));
        QCOMPARE(m_shell->messages[0].prompt,
                 "Done.\n\n" + b + ": no block of cells was chosen, so the file was not converted");
    }

private:
    QString book(const std::string& name, const Cells& cells)
    {
        const fs::path path = m_folder->path() / name;
        fs::create_directories(path.parent_path());
        WorkbookFixture().worksheet("Sheet1", veltrano::testing::sheetRows(cells)).write(path);
        return QString::fromStdString(path.string());
    }

    QString file(const std::string& name, const std::string& content)
    {
        spreadsheet::testing::writeFile(m_folder->path() / name, content);
        return QString::fromStdString((m_folder->path() / name).string());
    }

    int regularFiles() const
    {
        int count = 0;
        for (const auto& entry : fs::recursive_directory_iterator(m_folder->path()))
            count += entry.is_regular_file() ? 1 : 0;
        return count;
    }

    void convert() { QTest::mouseClick(m_form->Check7, Qt::LeftButton); }

    void selectNoOption()
    {
        m_form->Option3->setAutoExclusive(false);
        m_form->Option3->setChecked(false);
        m_form->Option3->setAutoExclusive(true);
    }

    static std::vector<platform::excel::WorkbookWindow*> findVisibleWorkbookWindows()
    {
        std::vector<platform::excel::WorkbookWindow*> found;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* window = qobject_cast<platform::excel::WorkbookWindow*>(widget); window && window->isVisible())
                found.push_back(window);
        return found;
    }

    QTemporaryDir m_config;
    std::unique_ptr<spreadsheet::testing::TempDir> m_folder;
    std::unique_ptr<translation::PageHost> m_host;
    std::unique_ptr<app::Form1> m_form;
    std::unique_ptr<translation::BrowserPageClient> m_realPage;
    veltrano::testing::ScriptedShell* m_shell = nullptr;
    PageInTheMiddle* m_page = nullptr;
    bool m_programRuns = false;
};

VELTRANO_WEB_TEST_MAIN(ConvertRunTest)
#include "convert_run_test.moc"

// The window's start and the pointer: the kept choices restored and written back, the order
// of the start-up, centring, the hand pointer beside the program, the home-page draw and the
// hover rule.

#include "app/form1.h"
#include "app/kept_choices.h"
#include "app/main_routines.h"
#include "app/picture_button.h"
#include "platform/browser/web_browser.h"
#include "platform/settings/settings_store.h"
#include "tests/platform/browser/web_test_main.h"
#include "tests/support/scripted_shell.h"
#include "tests/translation/test_page_server.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QProgressBar>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTreeView>

using veltrano::app::Form1;
using veltrano::app::MousePointer;
using veltrano::testing::ScriptedShell;

namespace {

const QString kAbsent = QStringLiteral("<absent>");
const QString kHandFile = QStringLiteral(VELTRANO_BIN_DIR "/HAND-M.CUR");

QString stored(const char* key)
{
    return veltrano::platform::settings::read(veltrano::app::kSettingsApplication,
                                              veltrano::app::kSettingsSection, key, kAbsent);
}

void store(const char* key, const QString& text)
{
    if (text != kAbsent)
        veltrano::platform::settings::write(veltrano::app::kSettingsApplication,
                                            veltrano::app::kSettingsSection, key, text);
}

QString selectedOption(const Form1& form)
{
    QStringList selected;
    for (const QRadioButton* option : {form.Option3, form.Option4, form.Option5})
        if (option->isChecked())
            selected << option->objectName();
    return selected.join(QLatin1Char(','));
}

} // namespace

class StartupTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_config.isValid() && m_emptyFolder.isValid());
        qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
        QVERIFY2(QFile::exists(kHandFile), "the build draws the hand pointer beside the program");
        m_server = std::make_unique<veltrano::translation::testing::TestPageServer>();
    }

    void init() { QFile::remove(veltrano::platform::settings::storeFilePath(veltrano::app::kSettingsApplication)); }

    void restoredAndWrittenBack_data()
    {
        QTest::addColumn<QString>("backupBefore");
        QTest::addColumn<QString>("typeBefore");
        QTest::addColumn<bool>("backupChecked");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("backupAfter");
        QTest::addColumn<QString>("typeAfter");
        const auto row = [](const char* name, const QString& backupBefore, const QString& typeBefore, bool checked,
                            const char* selected, const QString& backupAfter, const QString& typeAfter) {
            QTest::newRow(name) << backupBefore << typeBefore << checked << QString(selected) << backupAfter
                                << typeAfter;
        };
        row("first start writes nothing", kAbsent, kAbsent, true, "Option3", kAbsent, kAbsent);
        row("True and 1", "True", "1", true, "Option3", "True", "1");
        row("False", "False", kAbsent, false, "Option3", "False", kAbsent);
        row("true in small letters becomes False", "true", kAbsent, false, "Option3", "False", kAbsent);
        row("Type 2", kAbsent, "2", true, "Option4", kAbsent, "2");
        row("Type 5", kAbsent, "5", true, "Option5", kAbsent, "5");
        // A stored scope that selects another option is written again, in the program's form.
        row("Type 02 is written again as 2", kAbsent, "02", true, "Option4", kAbsent, "2");
        row("Type 1.0 keeps Option3 and is not written", kAbsent, "1.0", true, "Option3", kAbsent, "1.0");
        row("Type 4 selects nothing new", kAbsent, "4", true, "Option3", kAbsent, "4");
        row("Type not a number counts as absent", kAbsent, "abc", true, "Option3", kAbsent, "abc");
    }

    void restoredAndWrittenBack()
    {
        QFETCH(QString, backupBefore);
        QFETCH(QString, typeBefore);
        store("BackupCheck", backupBefore);
        store("Type", typeBefore);
        const std::unique_ptr<Form1> form = loadedForm(m_emptyFolder.path());

        QTEST(form->Check1->isChecked(), "backupChecked");
        QTEST(selectedOption(*form), "selected");
        QTEST(stored("BackupCheck"), "backupAfter");
        QTEST(stored("Type"), "typeAfter");
        // The direction is never kept: every start begins with English to Spanish.
        QCOMPARE(form->Combo1->currentIndex(), 0);
    }

    void theUsersChangesAreWrittenAtOnce()
    {
        const std::unique_ptr<Form1> form = loadedForm(m_emptyFolder.path());
        const auto after = [](const std::function<void()>& change, const char* key) {
            change();
            return stored(key);
        };
        QCOMPARE(after([&] { form->Check1->click(); }, "BackupCheck"), QStringLiteral("False"));
        QCOMPARE(after([&] { form->Check1->click(); }, "BackupCheck"), QStringLiteral("True"));
        QCOMPARE(after([&] { form->Check1->setCheckState(Qt::PartiallyChecked); }, "BackupCheck"),
                 QStringLiteral("True"));
        QCOMPARE(after([&] { form->Option5->click(); }, "Type"), QStringLiteral("5"));
        QCOMPARE(after([&] { form->Option4->click(); }, "Type"), QStringLiteral("2"));
        QCOMPARE(after([&] { form->Option3->click(); }, "Type"), QStringLiteral("1"));
        form->Combo1->setCurrentIndex(1);
        const std::unique_ptr<Form1> next = loadedForm(m_emptyFolder.path());
        QCOMPARE(next->Combo1->currentIndex(), 0);
    }

    void startUpOrder()
    {
        // Each observation point is a step that can be seen from outside; what it sees tells
        // which steps have run before it.
        store("BackupCheck", "False");
        store("Type", "5");
        Form1 form(m_server->host());
        auto* shell = new ScriptedShell;
        form.setShell(std::unique_ptr<ScriptedShell>(shell));
        form.setProgramFolder(QStringLiteral(VELTRANO_BIN_DIR));
        QStringList seen;
        const auto snapshot = [&](const char* step) {
            form.setMousePointer(MousePointer::Custom);
            const bool hand = form.cursor().shape() == Qt::BitmapCursor;
            form.setMousePointer(MousePointer::Default);
            seen << QStringLiteral("%1: loading %2, at %3,%4, hand %5, home %6, %7, column %8, backup %9, %10, "
                                   "directions %11")
                        .arg(step)
                        .arg(form.WebBrowser1->isLoading())
                        .arg(form.x())
                        .arg(form.y())
                        .arg(hand)
                        .arg(shell->openedUrls.size())
                        .arg(form.windowTitle())
                        .arg(form.ListView1->model()->headerData(0, Qt::Horizontal).toString())
                        .arg(form.Check1->isChecked())
                        .arg(selectedOption(form))
                        .arg(form.Combo1->count());
        };
        form.setHomePageDraw([&] {
            snapshot("draw");
            return 0.065; // draws 7
        });
        connect(form.Check1, &QCheckBox::stateChanged, this, [&] { snapshot("backup"); });
        connect(form.Option5, &QRadioButton::toggled, this, [&] { snapshot("scope"); });
        connect(form.Combo1, &QComboBox::currentIndexChanged, this, [&] { snapshot("direction"); });
        form.Form_Load();

        // The offscreen screen is 800 × 800 pixels; the window 457 × 436.
        QCOMPARE(seen, QStringList({
                           "draw: loading 1, at 172,182, hand 1, home 0, Form1, column 1, backup 1, Option3, directions 0",
                           "backup: loading 1, at 172,182, hand 1, home 1, Veltrano, column Excel File(s), backup 0, "
                           "Option3, directions 0",
                           "scope: loading 1, at 172,182, hand 1, home 1, Veltrano, column Excel File(s), backup 0, "
                           "Option5, directions 0",
                           "direction: loading 1, at 172,182, hand 1, home 1, Veltrano, column Excel File(s), backup 0, "
                           "Option5, directions 2",
                       }));
        QCOMPARE(form.Combo1->currentIndex(), 0);
        QCOMPARE(shell->openedUrls, std::vector<QUrl>{QUrl(veltrano::app::kHomePageAddress)});
    }

    void centring_data()
    {
        QTest::addColumn<QSize>("window");
        QTest::addColumn<QPoint>("place");
        // The offscreen screen is 800 × 800 pixels.
        QTest::newRow("smaller than the screen") << QSize(457, 436) << QPoint(172, 182);
        QTest::newRow("as large as the screen") << QSize(800, 800) << QPoint(0, 0);
        QTest::newRow("larger than the screen") << QSize(830, 860) << QPoint(-15, -30);
    }

    void centring()
    {
        QFETCH(QSize, window);
        QWidget widget;
        widget.resize(window);
        veltrano::app::CenterForm(widget);
        QTEST(widget.pos(), "place");
        // In twips a window 100 wider than the screen sits 50 to the left of it, unrounded.
        QCOMPARE(veltrano::app::centredOffsetTwips(12000.0F, 12100.0F), -50.0F);
        QCOMPARE(veltrano::app::centredOffsetTwips(12000.0F, 6855.0F), 2572.5F);
    }

    void thePointerFile_data()
    {
        QTest::addColumn<QByteArray>("content"); // empty: no file
        QTest::addColumn<bool>("hand");
        QFile hand(kHandFile);
        QVERIFY(hand.open(QIODevice::ReadOnly));
        const QByteArray ours = hand.readAll();
        QTest::newRow("ours") << ours << true;
        QTest::newRow("none") << QByteArray() << false;
        QTest::newRow("not a picture") << QByteArray("not a cursor") << false;
        QTest::newRow("cut short") << ours.left(200) << false;
        QByteArray icon = ours;
        icon[2] = 1; // an icon's directory, not a cursor's
        QTest::newRow("an icon") << icon << false;
    }

    void thePointerFile()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, hand);
        QTemporaryDir folder;
        if (!content.isEmpty()) {
            QFile file(folder.filePath(QStringLiteral("HAND-M.CUR")));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
        }
        const std::unique_ptr<Form1> form = loadedForm(folder.path());
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        // Every window of this test sits in the same place; a move must come from elsewhere.
        QTest::mouseMove(form->ProgressBar1, form->ProgressBar1->rect().center());
        QTest::mouseMove(form->Check6, form->Check6->rect().center());
        QCOMPARE(form->mousePointer(), MousePointer::Custom);
        QCOMPARE(form->cursor().shape(), hand ? Qt::BitmapCursor : Qt::ArrowCursor);
        if (hand)
            QCOMPARE(form->cursor().hotSpot(), QPoint(12, 1));
    }

    void theHomePageOpensOnlyOnSeven_data()
    {
        QTest::addColumn<double>("draw");
        QTest::addColumn<bool>("opens");
        QTest::newRow("1") << 0.0 << false;
        QTest::newRow("6") << 0.0599 << false;
        QTest::newRow("7, low") << 0.0601 << true;
        QTest::newRow("7, high") << 0.0699 << true;
        QTest::newRow("8") << 0.0701 << false;
        QTest::newRow("100") << 0.9999 << false;
        QTest::newRow("a draw of 1 itself") << 1.0 << false;
    }

    void theHomePageOpensOnlyOnSeven()
    {
        QFETCH(double, draw);
        QFETCH(bool, opens);
        ScriptedShell shell;
        veltrano::app::OpenHomePageByChance(shell, [draw] { return draw; });
        QCOMPARE(shell.openedUrls.size(), opens ? 1U : 0U);
        if (opens)
            QCOMPARE(shell.openedUrls.front(), QUrl(QStringLiteral("https://www.marlquist.example/veltrano")));
    }

    void theHoverRule_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<QStringList>("path"); // controls, or "" for the bare window surface
        QTest::addColumn<int>("end");
        QTest::addColumn<int>("shape");
        const int arrow = Qt::ArrowCursor, hand = Qt::BitmapCursor, hourglass = Qt::WaitCursor;
        const auto row = [](const char* name, MousePointer start, const QStringList& path, MousePointer end,
                            int shape) { QTest::newRow(name) << int(start) << path << int(end) << shape; };
        row("a button shows the hand", MousePointer::Default, {"Check3"}, MousePointer::Custom, hand);
        row("the bare surface brings the arrow back", MousePointer::Default, {"Check7", ""}, MousePointer::Default,
            arrow);
        row("the hand stays over the direction box", MousePointer::Default, {"Check7", "Combo1"},
            MousePointer::Custom, hand);
        row("the hand stays over the options and the backup box", MousePointer::Default,
            {"Check6", "Option4", "Frame2", "Check1", "ProgressBar2"}, MousePointer::Custom, hand);
        row("busy stays busy over Convert", MousePointer::Busy, {"Check7"}, MousePointer::Busy, hourglass);
        row("busy stays busy over the surface", MousePointer::Busy, {"Check3", ""}, MousePointer::Busy, hourglass);
    }

    void theHoverRule()
    {
        QFETCH(int, start);
        QFETCH(QStringList, path);
        if (!m_hoverForm) {
            m_hoverForm = loadedForm(QStringLiteral(VELTRANO_BIN_DIR));
            m_hoverForm->show();
            QVERIFY(QTest::qWaitForWindowExposed(m_hoverForm.get()));
        }
        // Start from a control without a pointer handler, so every move below is a real move.
        QTest::mouseMove(m_hoverForm->ProgressBar1, m_hoverForm->ProgressBar1->rect().center());
        m_hoverForm->setMousePointer(static_cast<MousePointer>(start));
        for (const QString& name : path) {
            if (name.isEmpty()) // between Check3 and Check6
                QTest::mouseMove(m_hoverForm.get(), QPoint(154, 300));
            else
                QTest::mouseMove(m_hoverForm->findChild<QWidget*>(name), QPoint(4, 4));
        }
        QTEST(int(m_hoverForm->mousePointer()), "end");
        QTEST(int(m_hoverForm->cursor().shape()), "shape");
    }

    void cleanupTestCase()
    {
        m_hoverForm.reset();
        m_server.reset();
    }

private:
    // A window loaded as at start, with the hand pointer looked for in programFolder and a
    // home-page draw that never opens it.
    std::unique_ptr<Form1> loadedForm(const QString& programFolder)
    {
        auto form = std::make_unique<Form1>(m_server->host());
        form->setShell(std::make_unique<ScriptedShell>());
        form->setProgramFolder(programFolder);
        form->setHomePageDraw([] { return 0.0; });
        form->Form_Load();
        return form;
    }

    QTemporaryDir m_config;
    QTemporaryDir m_emptyFolder;
    std::unique_ptr<veltrano::translation::testing::TestPageServer> m_server;
    std::unique_ptr<Form1> m_hoverForm;
};

VELTRANO_WEB_TEST_MAIN(StartupTest)
#include "startup_test.moc"

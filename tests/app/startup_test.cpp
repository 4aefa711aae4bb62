// The window's start: kept choices restored and written back, the order of the steps,
// centring, the hand pointer beside the program, the home-page draw and the hover rule.
#include "app/form1.h"
#include "app/kept_choices.h"
#include "app/picture_button.h"
#include "platform/browser/web_browser.h"
#include "platform/settings/settings_store.h"
#include "tests/pageclient/test_page_server.h"
#include "tests/platform/browser/web_test_main.h"
#include "tests/support/scripted_shell.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QProgressBar>
#include <QRadioButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTreeView>

using namespace veltrano::app;
using veltrano::testing::ScriptedShell;
namespace settings = veltrano::platform::settings;
Q_DECLARE_METATYPE(MousePointer)

namespace {

const QString kAbsent = QStringLiteral("-");
const QString kHandFile = QStringLiteral(VELTRANO_BIN_DIR "/HAND-M.CUR");

QString stored(const char* key)
{
    return settings::read(kSettingsApplication, kSettingsSection, key, kAbsent);
}

QString selectedOption(const Form1& form)
{
    for (const QRadioButton* option : {form.Option3, form.Option4, form.Option5})
        if (option->isChecked())
            return option->objectName();
    return {};
}

}  // namespace

class StartupTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_config.isValid() && m_noPointer.isValid() && QFile::exists(kHandFile));
        qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
    }

    void init() { QFile::remove(settings::storeFilePath(kSettingsApplication)); }

    void restoredAndWrittenBack_data()
    {
        QTest::addColumn<QString>("backupBefore");
        QTest::addColumn<QString>("typeBefore");
        QTest::addColumn<bool>("checked");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("backupAfter");
        QTest::addColumn<QString>("typeAfter");
        const auto row = [](const char* name, const char* backup, const char* type, bool checked, const char* selected,
                            const char* backupAfter, const char* typeAfter) {
            QTest::newRow(name) << QString(backup) << QString(type) << checked << QString(selected)
                                << QString(backupAfter) << QString(typeAfter);
        };
        row("first start writes nothing", "-", "-", true, "Option3", "-", "-");
        row("False", "False", "-", false, "Option3", "False", "-");
        row("true in small letters becomes False", "true", "-", false, "Option3", "False", "-");
        row("2", "-", "2", true, "Option4", "-", "2");
        row("5", "-", "5", true, "Option5", "-", "5");
        // A value that changes the selection is written again, in the program's own form.
        row("02 is written again as 2", "-", "02", true, "Option4", "-", "2");
        row("1.0 keeps Option3 unwritten", "-", "1.0", true, "Option3", "-", "1.0");
        row("4 selects nothing new", "-", "4", true, "Option3", "-", "4");
        row("not a number counts as absent", "-", "abc", true, "Option3", "-", "abc");
    }

    void restoredAndWrittenBack()
    {
        QFETCH(QString, backupBefore);
        QFETCH(QString, typeBefore);
        const QString app = kSettingsApplication, section = kSettingsSection;
        if (backupBefore != kAbsent)
            settings::write(app, section, "BackupCheck", backupBefore);
        if (typeBefore != kAbsent)
            settings::write(app, section, "Type", typeBefore);
        const std::unique_ptr<Form1> form = loadedForm(m_noPointer.path());
        QTEST(form->Check1->isChecked(), "checked");
        QTEST(selectedOption(*form), "selected");
        QTEST(stored("BackupCheck"), "backupAfter");
        QTEST(stored("Type"), "typeAfter");
    }

    void theUsersChangesAreWrittenAtOnce()
    {
        const std::unique_ptr<Form1> form = loadedForm(m_noPointer.path());
        const std::tuple<std::function<void()>, const char*, QString> changes[] = {
            {[&] { form->Check1->click(); }, "BackupCheck", "False"},
            {[&] { form->Check1->click(); }, "BackupCheck", "True"},
            {[&] { form->Check1->setCheckState(Qt::PartiallyChecked); }, "BackupCheck", "True"},
            {[&] { form->Option5->click(); }, "Type", "5"},
            {[&] { form->Option4->click(); }, "Type", "2"},
            {[&] { form->Option3->click(); }, "Type", "1"},
        };
        for (const auto& [change, key, expected] : changes) {
            change();
            QCOMPARE(stored(key), expected);
        }
        // The direction is not kept: the next start begins with English to Spanish.
        form->Combo1->setCurrentIndex(1);
        QCOMPARE(loadedForm(m_noPointer.path())->Combo1->currentIndex(), 0);
    }

    void startUpOrder()
    {
        // What each step that can be seen from outside finds tells which steps ran before it.
        settings::write(kSettingsApplication, kSettingsSection, "BackupCheck", "False");
        settings::write(kSettingsApplication, kSettingsSection, "Type", "5");
        Form1 form(m_server.host());
        auto* shell = new ScriptedShell;
        form.setShell(std::unique_ptr<ScriptedShell>(shell));
        form.setProgramFolder(QStringLiteral(VELTRANO_BIN_DIR));
        QStringList seen;
        const auto look = [&](const char* step) {
            form.setMousePointer(MousePointer::Custom);
            const bool hand = form.cursor().shape() == Qt::BitmapCursor;
            form.setMousePointer(MousePointer::Default);
            seen << QStringLiteral("%1: loading %2 at %3,%4 hand %5 home %6 %7 %8 backup %9 %10 directions %11")
                        .arg(step)
                        .arg(form.WebBrowser1->isLoading())
                        .arg(form.x())
                        .arg(form.y())
                        .arg(hand)
                        .arg(shell->openedUrls.size())
                        .arg(form.windowTitle(), form.ListView1->model()->headerData(0, Qt::Horizontal).toString())
                        .arg(form.Check1->isChecked())
                        .arg(selectedOption(form))
                        .arg(form.Combo1->count());
        };
        form.setHomePageDraw([&] {
            look("draw");
            return 0.065;  // 7
        });
        connect(form.Check1, &QCheckBox::stateChanged, this, [&] { look("backup"); });
        connect(form.Option5, &QRadioButton::toggled, this, [&] { look("scope"); });
        connect(form.Combo1, &QComboBox::currentIndexChanged, this, [&] { look("direction"); });
        form.Form_Load();

        // The offscreen screen is 800 × 800 pixels, the window 457 × 436.
        const QString done = "loading 1 at 172,182 hand 1 home 1 Veltrano Excel File(s)";
        QCOMPARE(seen, QStringList({"draw: loading 1 at 172,182 hand 1 home 0 Form1 1 backup 1 Option3 directions 0",
                                    "backup: " + done + " backup 0 Option3 directions 0",
                                    "scope: " + done + " backup 0 Option5 directions 0",
                                    "direction: " + done + " backup 0 Option5 directions 2"}));
        QCOMPARE(form.Combo1->currentIndex(), 0);
        QCOMPARE(shell->openedUrls, std::vector<QUrl>{QUrl("https://www.marlquist.example/veltrano")});
    }

    void centring()
    {
        // 830 pixels are 12450 twips, 450 more than the 800-pixel screen.
        QWidget larger;
        larger.resize(830, 860);
        CenterForm(larger);
        QCOMPARE(larger.pos(), QPoint(-15, -30));
        QCOMPARE(centredOffsetTwips(12000.0F, 12100.0F), -50.0F);

        // Shown, the window gets its frame; it is the whole, frame included, that is centred.
        const std::unique_ptr<Form1> form = loadedForm(m_noPointer.path());
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        const QRect frame = form->frameGeometry();
        QVERIFY(frame.size() != form->size());
        const QPoint offCentre = frame.center() - form->screen()->geometry().center();
        QVERIFY2(offCentre.manhattanLength() <= 1,
                 qPrintable(QStringLiteral("%1,%2").arg(offCentre.x()).arg(offCentre.y())));
    }

    void theHomePageOpensOnlyOnSeven_data()
    {
        QTest::addColumn<double>("draw");
        QTest::addColumn<bool>("opens");
        for (const auto& [draw, opens] :
             {std::pair{0.0599, false}, {0.0601, true}, {0.0699, true}, {0.0701, false}, {1.0, false}})
            QTest::addRow("%g", draw) << draw << opens;
    }

    void theHomePageOpensOnlyOnSeven()
    {
        QFETCH(double, draw);
        ScriptedShell shell;
        OpenHomePageByChance(shell, [draw] { return draw; });
        QTEST(shell.openedUrls.size() == 1, "opens");
    }

    void theHandPointerAndTheHoverRule_data()
    {
        QTest::addColumn<QByteArray>("pointerFile");  // empty: none beside the program
        QTest::addColumn<MousePointer>("start");
        QTest::addColumn<QStringList>("path");  // controls; "" is the bare window surface
        QTest::addColumn<MousePointer>("end");
        QTest::addColumn<Qt::CursorShape>("shape");
        QFile file(kHandFile);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray hand = file.readAll();
        QByteArray icon = hand;
        icon[2] = 1;  // an icon's directory, not a cursor's
        using P = MousePointer;
        const auto row = [](const char* name, const QByteArray& pointerFile, P start, QStringList path, P end,
                            Qt::CursorShape shape) {
            QTest::newRow(name) << pointerFile << start << path << end << shape;
        };
        row("no pointer file: the arrow", "", P::Default, {"Check3"}, P::Custom, Qt::ArrowCursor);
        row("not a cursor: the arrow", "not a cursor", P::Default, {"Check6"}, P::Custom, Qt::ArrowCursor);
        row("cut short: the arrow", hand.left(200), P::Default, {"Check6"}, P::Custom, Qt::ArrowCursor);
        row("an icon: the arrow", icon, P::Default, {"Check6"}, P::Custom, Qt::ArrowCursor);
        row("the hand over a button", hand, P::Default, {"Check3"}, P::Custom, Qt::BitmapCursor);
        row("the bare surface brings the arrow back", hand, P::Default, {"Check7", ""}, P::Default, Qt::ArrowCursor);
        row("the hand stays over the other controls", hand, P::Default,
            {"Check6", "Combo1", "Option4", "Frame2", "Check1"}, P::Custom, Qt::BitmapCursor);
        row("busy over Convert", hand, P::Busy, {"Check7"}, P::Busy, Qt::WaitCursor);
        row("busy over the surface", hand, P::Busy, {"Check3", ""}, P::Busy, Qt::WaitCursor);
    }

    void theHandPointerAndTheHoverRule()
    {
        QFETCH(QByteArray, pointerFile);
        QFETCH(MousePointer, start);
        QFETCH(QStringList, path);
        QTemporaryDir folder;
        QFile file(folder.filePath("HAND-M.CUR"));
        QVERIFY(pointerFile.isEmpty() || (file.open(QIODevice::WriteOnly) && file.write(pointerFile) > 0));
        file.close();
        const std::unique_ptr<Form1> form = loadedForm(folder.path());
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        // From a control without a pointer handler, so that every move below is a real move.
        QTest::mouseMove(form->ProgressBar1, QPoint(2, 2));
        form->setMousePointer(start);
        for (const QString& name : path) {
            if (name.isEmpty())  // between Check3 and Check6
                QTest::mouseMove(form.get(), QPoint(154, 300));
            else
                QTest::mouseMove(form->findChild<QWidget*>(name), QPoint(4, 4));
        }
        QTEST(form->mousePointer(), "end");
        QTEST(form->cursor().shape(), "shape");
        if (form->cursor().shape() == Qt::BitmapCursor)
            QCOMPARE(form->cursor().hotSpot(), QPoint(12, 1));  // the fingertip
    }

private:
    // A window loaded as at start, with the hand pointer looked for in programFolder and a
    // home-page draw that never opens it.
    std::unique_ptr<Form1> loadedForm(const QString& programFolder)
    {
        auto form = std::make_unique<Form1>(m_server.host());
        form->setShell(std::make_unique<ScriptedShell>());
        form->setProgramFolder(programFolder);
        form->setHomePageDraw([] { return 0.0; });
        form->Form_Load();
        return form;
    }

    QTemporaryDir m_config;
    QTemporaryDir m_noPointer;
    veltrano::pageclient::testing::TestPageServer m_server;
};

VELTRANO_WEB_TEST_MAIN(StartupTest)
#include "startup_test.moc"

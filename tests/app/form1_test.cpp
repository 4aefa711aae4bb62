// Form1 as laid out: every control's kind, text, place, font and design-time value, the tab
// order, the hint, the push-button rule, the pointer setting, and the page it loads.

#include "app/form1.h"
#include "app/picture_button.h"
#include "platform/browser/web_browser.h"
#include "tests/pageclient/test_page_server.h"
#include "tests/platform/browser/web_test_main.h"
#include "tests/support/scripted_shell.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QProgressBar>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTreeView>

using veltrano::app::Form1;
using veltrano::app::MousePointer;

class Form1Test : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The window keeps choices in the user's settings; these go to a folder of the test's.
        QVERIFY(m_config.isValid());
        qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
        m_server = std::make_unique<veltrano::pageclient::testing::TestPageServer>();
        m_form = std::make_unique<Form1>(m_server->host());
        // The add commands open dialogs; these are answered (as cancelled) without a person.
        m_form->setShell(std::make_unique<veltrano::testing::ScriptedShell>());
        // No hand pointer beside this window, and no home page opened by chance.
        m_form->setProgramFolder(m_config.path());
        m_form->setHomePageDraw([] { return 0.0; });
        m_form->Form_Load();
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    }

    void cleanupTestCase()
    {
        m_form.reset();
        m_server.reset();
    }

    void theWindow()
    {
        QCOMPARE(m_form->size(), QSize(457, 436));
        QCOMPARE(m_form->windowTitle(), QStringLiteral("Veltrano"));
        QVERIFY(!(m_form->windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(m_form->windowFlags() & Qt::WindowMinimizeButtonHint);
        QCOMPARE(m_form->minimumSize(), m_form->maximumSize());
        QCOMPARE(m_form->palette().color(QPalette::Window), QColor(Qt::white));
        QCOMPARE(m_form->focusWidget(), m_form->ListView1);
        const QImage icon = m_form->windowIcon().pixmap(32, 32).toImage();
        QCOMPARE(icon.size(), QSize(32, 32));
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                QCOMPARE(qAlpha(icon.pixel(x, y)), 0);
    }

    void everyControlInItsPlace_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QRect>("pixels");
        QTest::addColumn<double>("points");  // 0: the control shows no text
        const auto row = [](const char* name, const char* kind, const char* text, QRect pixels, double points) {
            QTest::newRow(name) << name << kind << QString::fromUtf8(text) << pixels << points;
        };
        row("ListView1", "QTreeView", "", {8, 8, 441, 162}, 9);
        row("Combo1", "QComboBox", "Convert English To Spanish", {8, 177, 441, 23}, 9);
        row("Frame2", "QGroupBox", "", {8, 202, 441, 49}, 0);
        row("Option3", "QRadioButton", "Entire workbook", {9, 15, 124, 25}, 9);
        row("Option4", "QRadioButton", "Active sheet", {135, 15, 103, 25}, 9);
        row("Option5", "QRadioButton", "Block of specific cells", {240, 15, 145, 25}, 9);
        row("Check3", "veltrano::app::PictureButton", "Add Excel File(s)", {8, 256, 141, 89}, 11.25);
        row("Check6", "veltrano::app::PictureButton", "Add All Excel File(s) In Folder", {159, 256, 141, 89}, 11.25);
        row("Check7", "veltrano::app::PictureButton", "Convert", {307, 256, 141, 89}, 11.25);
        row("ProgressBar1", "QProgressBar", "", {9, 352, 441, 25}, 0);
        row("ProgressBar2", "QProgressBar", "", {9, 384, 441, 25}, 0);
        row("Check1", "QCheckBox", "Make backup of Excel files before convert and put backup in same folder",
            {8, 416, 441, 17}, 9);
        row("WebBrowser1", "veltrano::platform::browser::WebBrowser", "", {495, 33, 367, 394}, 0);
    }

    void everyControlInItsPlace()
    {
        QFETCH(QString, name);
        QFETCH(QString, kind);
        QFETCH(QString, text);
        QFETCH(QRect, pixels);
        QFETCH(double, points);
        auto* control = m_form->findChild<QWidget*>(name);
        QVERIFY(control);
        QCOMPARE(QString::fromLatin1(control->metaObject()->className()), kind);
        QCOMPARE(control->geometry(), pixels);
        if (auto* button = qobject_cast<QAbstractButton*>(control))
            QCOMPARE(button->text(), text);
        if (auto* combo = qobject_cast<QComboBox*>(control))
            QCOMPARE(combo->currentText(), text);
        if (points > 0) {
            const QFont font = control->font();
            QVERIFY2(font.family() == "Arial" || font.family() == "Liberation Sans", qPrintable(font.family()));
            QCOMPARE(font.pointSizeF(), points);
            QCOMPARE(font.weight(), QFont::Bold);
            QVERIFY(!font.italic() && !font.underline() && !font.strikeOut());
        }
        QCOMPARE(control->toolTip().isEmpty(), name != "ListView1");
    }

    void designTimeValues()
    {
        QVERIFY(m_form->Check1->isChecked());
        QVERIFY(m_form->Option3->isChecked());
        QVERIFY(!m_form->Option4->isChecked() && !m_form->Option5->isChecked());
        for (QAbstractButton* button :
             std::initializer_list<QAbstractButton*>{m_form->Check3, m_form->Check6, m_form->Check7})
            QVERIFY(button->isCheckable() && !button->isChecked());
        QCOMPARE(m_form->Combo1->count(), 2);
        QCOMPARE(m_form->Combo1->itemText(1), QStringLiteral("Convert Spanish To English"));
        QCOMPARE(m_form->ListView1->toolTip(),
                 QStringLiteral("Drag and drop files here. Double-click item to remove it. Move bar to right and "
                                "out of window to reveal full names."));
        QCOMPARE(m_form->ListView1->model()->columnCount(), 1);
        QCOMPARE(m_form->ListView1->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Excel File(s)"));
        QCOMPARE(m_form->ListView1->header()->sectionSize(0), 367);
    }

    void tabOrder_data()
    {
        QTest::addColumn<QString>("selectedOption");
        QTest::addColumn<bool>("backwards");
        QTest::addColumn<QStringList>("expected");
        const QStringList head{"ListView1", "Check3", "Check6", "Check7", "Check1"};
        QTest::newRow("Entire workbook") << "Option3" << false << head + QStringList{"Option3", "Combo1", "ListView1"};
        QTest::newRow("Block of specific cells")
            << "Option5" << false << head + QStringList{"Option5", "Combo1", "ListView1"};
        QTest::newRow("Shift+Tab, Active sheet")
            << "Option4" << true
            << QStringList{"ListView1", "Combo1", "Option4", "Check1", "Check7", "Check6", "Check3", "ListView1"};
    }

    void tabOrder()
    {
        QFETCH(QString, selectedOption);
        QFETCH(bool, backwards);
        QFETCH(QStringList, expected);
        m_form->findChild<QRadioButton*>(selectedOption)->setChecked(true);
        m_form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
        m_form->ListView1->setFocus(Qt::OtherFocusReason);
        // The page is loaded, so a browser that took the focus would now be in the way.
        QVERIFY(m_form->WebBrowser1->waitUntilLoaded(QDeadlineTimer(30'000)));
        QStringList visited{controlWithFocus()};
        while (visited.size() < expected.size()) {
            QTest::keyClick(QApplication::focusWidget(), backwards ? Qt::Key_Backtab : Qt::Key_Tab);
            visited << controlWithFocus();
        }
        m_form->Option3->setChecked(true);
        QCOMPARE(visited, expected);
    }

    void aClickRunsItsCommandOnceAndReleases_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("command");  // 0 add files, 1 add folder, 2 convert
        QTest::newRow("Check3") << "Check3" << 0;
        QTest::newRow("Check6") << "Check6" << 1;
        QTest::newRow("Check7") << "Check7" << 2;
    }

    void aClickRunsItsCommandOnceAndReleases()
    {
        QFETCH(QString, button);
        QFETCH(int, command);
        auto* clicked = m_form->findChild<QAbstractButton*>(button);
        QList<int> counts{0, 0, 0};
        QList<bool> releasedWhenRun;
        const auto record = [&](int which) {
            ++counts[which];
            releasedWhenRun << !clicked->isChecked();
        };
        const QMetaObject::Connection connections[] = {
            connect(m_form.get(), &Form1::addFilesCommand, this, [&] { record(0); }),
            connect(m_form.get(), &Form1::addFolderCommand, this, [&] { record(1); }),
            connect(m_form.get(), &Form1::convertCommand, this, [&] { record(2); }),
        };
        QTest::mouseClick(clicked, Qt::LeftButton);
        for (const auto& connection : connections)
            disconnect(connection);

        QList<int> expected{0, 0, 0};
        expected[command] = 1;
        QCOMPARE(counts, expected);
        QCOMPARE(releasedWhenRun, QList<bool>{true});
        QVERIFY(!clicked->isChecked());
    }

    void thePointerSetting_data()
    {
        QTest::addColumn<int>("setting");
        QTest::addColumn<int>("shape");
        QTest::newRow("busy") << 11 << int(Qt::WaitCursor);
        QTest::newRow("custom without a picture") << 99 << int(Qt::ArrowCursor);
        QTest::newRow("default") << 0 << int(Qt::ArrowCursor);
    }

    void thePointerSetting()
    {
        QFETCH(int, setting);
        QFETCH(int, shape);
        m_form->setMousePointer(static_cast<MousePointer>(setting));
        QCOMPARE(int(m_form->mousePointer()), setting);
        QCOMPARE(int(m_form->cursor().shape()), shape);
        // Controls without a pointer of their own show the window's.
        QCOMPARE(int(m_form->Check1->cursor().shape()), shape);
    }

    void thePageLoadsOutOfSightAndFollowsTheDirection()
    {
        auto* browser = m_form->WebBrowser1;
        QVERIFY(browser->isVisible());
        QVERIFY(browser->geometry().left() >= m_form->width());
        QVERIFY(browser->waitUntilLoaded(QDeadlineTimer(30'000)));
        QVERIFY(browser->lastLoadSucceeded());
        QVERIFY(m_server->requests().contains("/translate_t?sl=en&tl=es&text="));
        QCOMPARE(m_form->ProgressBar1->maximum(), 101);  // the progress report reached the bar

        // The browser may ask for other things too (its icon), in its own time.
        const QString spanishToEnglish = QStringLiteral("/translate_t?sl=es&tl=en&text=");
        const QString englishToSpanish = QStringLiteral("/translate_t?sl=en&tl=es&text=");
        const qsizetype before = m_server->requests().count(spanishToEnglish);
        m_form->Combo1->setCurrentIndex(1);
        QVERIFY(browser->waitUntilLoaded(QDeadlineTimer(30'000)));
        QCOMPARE(m_server->requests().count(spanishToEnglish), before + 1);

        // Chosen again from the list, the entry shown loads its page again; another entry
        // loads its page once.
        const std::pair<int, QString> choices[] = {{1, spanishToEnglish}, {0, englishToSpanish}};
        for (const auto& [entry, address] : choices) {
            const qsizetype loads = m_server->requests().count(address);
            m_form->Combo1->showPopup();
            QAbstractItemView* popup = m_form->Combo1->view();
            QVERIFY(QTest::qWaitForWindowExposed(popup->window()));
            popup->setCurrentIndex(popup->model()->index(entry, 0));
            QTest::keyClick(popup, Qt::Key_Return);
            QVERIFY(browser->waitUntilLoaded(QDeadlineTimer(30'000)));
            QCOMPARE(m_form->Combo1->currentIndex(), entry);
            QCOMPARE(m_server->requests().count(address), loads + 1);
        }
        m_form->Combo1->setCurrentIndex(-1);
        QVERIFY(!browser->isLoading());
    }

private:
    // The control of the layout that holds the focus (the browser's focus sits in a child).
    QString controlWithFocus() const
    {
        for (QWidget* w = QApplication::focusWidget(); w; w = w->parentWidget())
            if (w->parentWidget() == m_form.get() || w->parentWidget() == m_form->Frame2)
                return w->objectName();
        return {};
    }

    QTemporaryDir m_config;
    std::unique_ptr<veltrano::pageclient::testing::TestPageServer> m_server;
    std::unique_ptr<Form1> m_form;
};

VELTRANO_WEB_TEST_MAIN(Form1Test)
#include "form1_test.moc"

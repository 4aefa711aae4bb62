// The workbook window as InputBox shows it, driven as a person would: highlighting with the
// mouse on another sheet, typing references, and cancelling in each way.

#include "core/sheet_reference.h"
#include "excel/application.h"
#include "excel/workbook_window.h"
#include "tests/excel/sheet_cells.h"
#include "tests/spreadsheet/fixture.h"
#include "tests/support/data_rows.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace veltrano::excel;
using veltrano::spreadsheet::testing::TempDir;
using veltrano::spreadsheet::testing::WorkbookFixture;
using veltrano::testing::addRow;
using veltrano::testing::namedCells;
using veltrano::testing::sheetRows;

class WorkbookWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_excel = std::make_unique<Application>();
        const auto path = m_folder / "book.xlsx";
        WorkbookFixture()
            .worksheet("First", sheetRows(namedCells({"A1", "B2"})))
            .chartsheet("Plot")
            .worksheet("Second", sheetRows(namedCells({"B2", "C3"})))
            .write(path);
        m_excel->Workbooks().Open({.FileName = path.string()});
        m_excel->setVisible(true);
    }

    void cleanup()
    {
        m_excel.reset();
        QVERIFY2(!m_guardClosed, "the actions left the window waiting");
        m_guardClosed = false;
    }

    void highlightingWithTheMouseGivesTheBlockOnItsSheet()
    {
        QString shown;
        const auto block = ask([&](WorkbookWindow* window) {
            QTest::mouseClick(window->sheetTabs(), Qt::LeftButton, {}, window->sheetTabs()->tabRect(2).center());
            QTableView* grid = window->currentGrid();
            const QPoint from = grid->visualRect(grid->model()->index(1, 1)).center();
            const QPoint to = grid->visualRect(grid->model()->index(2, 2)).center();
            QTest::mousePress(grid->viewport(), Qt::LeftButton, {}, from);
            QTest::mouseMove(grid->viewport(), to);
            QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, to);
            shown = window->referenceField()->text();
            QTest::mouseClick(window->okButton(), Qt::LeftButton);
        });
        QCOMPARE(shown, QStringLiteral("Second!$B$2:$C$3"));
        QVERIFY(block);
        QCOMPARE(QString::fromStdString(block->Worksheet().Name()), QStringLiteral("Second"));
        QCOMPARE(QString::fromStdString(block->Address()), QStringLiteral("$B$2:$C$3"));
        QCOMPARE(QString::fromStdString(block->Item(4).Text()), QStringLiteral("C3"));
    }

    // A reference typed into the field, then the way the user ends the question.
    void typedReferencesAndWaysToEnd_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("end");       // Return, OK, Cancel, close or Escape
        QTest::addColumn<QString>("expected");  // "" for no block
        addRow("on the sheet shown", "B2:C3", "Return", "First!$B$2:$C$3");
        addRow("another sheet, any case, with $", "second!$b$2", "OK", "Second!$B$2");
        addRow("quoted sheet, whole column", "'Second'!A:A", "Return", "Second!$A:$A");
        addRow("several areas: the first", "C3:B2,E5", "Return", "First!$B$2:$C$3");
        addRow("no such sheet", "Nowhere!A1", "Return", "");
        addRow("a chart sheet", "Plot!A1", "OK", "");
        addRow("not a reference", "B2:", "Return", "");
        addRow("Cancel", "B2", "Cancel", "");
        addRow("closing the window", "B2", "close", "");
        addRow("Escape", "B2", "Escape", "");
    }

    void typedReferencesAndWaysToEnd()
    {
        QFETCH(QString, typed);
        QFETCH(QString, end);
        QFETCH(QString, expected);
        bool problemShown = false;
        const auto block = ask([&](WorkbookWindow* window) {
            window->referenceField()->clear();
            QTest::keyClicks(window->referenceField(), typed);
            if (end == "Return")
                QTest::keyClick(window->referenceField(), Qt::Key_Return);
            else if (end == "OK")
                QTest::mouseClick(window->okButton(), Qt::LeftButton);
            else if (end == "Cancel")
                QTest::mouseClick(window->cancelButton(), Qt::LeftButton);
            else if (end == "close")
                window->close();
            else
                QTest::keyClick(window->referenceField(), Qt::Key_Escape);
            // A refused reference keeps the question open and says why.
            problemShown = window->problemLabel()->isVisible();
            if (window->isAsking())
                QTest::mouseClick(window->cancelButton(), Qt::LeftButton);
        });
        QCOMPARE(
            block ? QString::fromStdString(veltrano::core::qualifiedAddress(block->Worksheet().Name(), block->area()))
                  : QString(),
            expected);
        QCOMPARE(problemShown, expected.isEmpty() && (end == "Return" || end == "OK"));
        QVERIFY(!m_excel->window()->isAsking());
    }

private:
    // Asks for a block while actions act on the window, as the user would.
    std::optional<Range> ask(const std::function<void(WorkbookWindow*)>& actions)
    {
        QTimer::singleShot(0, m_excel->window(), [this, actions] { actions(m_excel->window()); });
        // Ends a wait that the actions failed to end, so a fault cannot hang the test.
        QTimer guard;
        guard.setSingleShot(true);
        connect(&guard, &QTimer::timeout, m_excel->window(), [this] {
            m_guardClosed = true;
            m_excel->window()->close();
        });
        guard.start(20'000);
        return m_excel->InputBox(kBlockPrompt, kInputBoxRange);
    }

    TempDir m_folder;
    std::unique_ptr<Application> m_excel;
    bool m_guardClosed = false;
};

QTEST_MAIN(WorkbookWindowTest)
#include "workbook_window_test.moc"

#pragma once
// The window an Excel instance shows when it is made visible: the workbook's sheet tabs and a
// grid of each cell's displayed text. While it asks for a block of cells it also shows the
// prompt, a reference field that follows the highlighted block and takes a typed reference,
// and OK and Cancel.

#include "result/result.h"
#include "spreadsheet/cell_types.h"
#include "spreadsheet/workbook.h"

#include <QWidget>

#include <optional>
#include <vector>

class QEventLoop;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QTabBar;
class QTableView;

namespace veltrano::excel {

// The prompt InputBox shows for a block.
inline constexpr char kBlockPrompt[] = "Highlight a block of cells with mouse";

class WorkbookWindow final : public QWidget {
    Q_OBJECT
public:
    // A top-level window over book, which must outlive it; it opens on the active sheet.
    explicit WorkbookWindow(spreadsheet::Workbook& book);
    ~WorkbookWindow() override;

    struct Block {
        std::size_t worksheet;  // index among the workbook's worksheets
        spreadsheet::CellRange range;
        bool operator==(const Block&) const = default;
    };

    // Shows the prompt and waits, in a local event loop that keeps every other window
    // working, until the user confirms a valid block (returned) or cancels or closes the
    // window (nullopt). A reference that is not valid is reported in the window and the wait
    // goes on.
    std::optional<Block> askForBlock(const QString& prompt);

    const spreadsheet::Workbook& workbook() const { return m_book; }
    // Whether askForBlock is waiting for the user.
    bool isAsking() const { return m_wait != nullptr; }

    // The parts a person uses, for tests that act as one.
    QTabBar* sheetTabs() const { return m_tabs; }
    // The grid of the sheet shown now; null when that sheet is not a worksheet.
    QTableView* currentGrid() const;
    QLineEdit* referenceField() const { return m_reference; }
    QLabel* problemLabel() const { return m_problem; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* createPromptStrip();
    void createSheetTabs();
    QWidget* pageForTab(int tab);
    QTableView* createGrid(std::size_t worksheet);
    void showTab(int tab);
    std::optional<std::size_t> worksheetOfTab(int tab) const;
    int tabOfWorksheet(std::size_t worksheet) const;

    void showSelection();
    // The block a typed reference names, or why it names none.
    veltrano::Result<Block, QString> blockFromText(const QString& text) const;
    void applyTypedReference();
    void select(const Block& block);
    void confirm();
    void finish(std::optional<Block> result);

    spreadsheet::Workbook& m_book;
    std::vector<std::size_t> m_tabSheets;  // sheet index (into sheets()) of each tab
    std::vector<QWidget*> m_pages;         // per tab, made when first shown
    QWidget* m_promptStrip = nullptr;
    QLabel* m_prompt = nullptr;
    QLineEdit* m_reference = nullptr;
    QLabel* m_problem = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    QStackedWidget* m_stack = nullptr;
    QTabBar* m_tabs = nullptr;
    QEventLoop* m_wait = nullptr;
    std::optional<Block> m_result;
};

}  // namespace veltrano::excel

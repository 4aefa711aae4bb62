#include "excel/workbook_window.h"

#include "core/sheet_reference.h"
#include "excel/sheet_grid_model.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QTableView>
#include <QVBoxLayout>

#include <filesystem>

namespace veltrano::excel {

using spreadsheet::CellRange;

namespace {

QString fromUtf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

}  // namespace

WorkbookWindow::WorkbookWindow(spreadsheet::Workbook& book)
    : m_book(book)
{
    setWindowTitle(fromUtf8(std::filesystem::path(book.path()).filename().string()) + QStringLiteral(" - Veltrano"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(createPromptStrip());
    m_stack = new QStackedWidget(this);
    layout->addWidget(m_stack, 1);
    createSheetTabs();
    layout->addWidget(m_tabs);
    resize(960, 640);
}

WorkbookWindow::~WorkbookWindow() = default;

QWidget* WorkbookWindow::createPromptStrip()
{
    m_promptStrip = new QWidget(this);
    auto* strip = new QVBoxLayout(m_promptStrip);
    strip->setContentsMargins(0, 0, 0, 0);
    m_prompt = new QLabel(m_promptStrip);
    strip->addWidget(m_prompt);
    auto* row = new QHBoxLayout;
    m_reference = new QLineEdit(m_promptStrip);
    m_ok = new QPushButton(QStringLiteral("OK"), m_promptStrip);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), m_promptStrip);
    row->addWidget(m_reference, 1);
    row->addWidget(m_ok);
    row->addWidget(m_cancel);
    strip->addLayout(row);
    m_problem = new QLabel(m_promptStrip);
    m_problem->setStyleSheet(QStringLiteral("color: #b00020"));
    m_problem->hide();
    strip->addWidget(m_problem);
    m_promptStrip->hide();

    connect(m_ok, &QPushButton::clicked, this, &WorkbookWindow::confirm);
    connect(m_reference, &QLineEdit::returnPressed, this, &WorkbookWindow::confirm);
    connect(m_reference, &QLineEdit::textEdited, this, &WorkbookWindow::applyTypedReference);
    connect(m_cancel, &QPushButton::clicked, this, [this] { finish(std::nullopt); });
    return m_promptStrip;
}

void WorkbookWindow::createSheetTabs()
{
    m_tabs = new QTabBar(this);
    m_tabs->setShape(QTabBar::RoundedSouth);
    m_tabs->setExpanding(false);
    const auto& sheets = m_book.sheets();
    int activeTab = 0;
    for (std::size_t i = 0; i < sheets.size(); ++i) {
        if (sheets[i].visibility != spreadsheet::SheetVisibility::Visible)
            continue;
        if (i == m_book.activeSheet())
            activeTab = int(m_tabSheets.size());
        m_tabSheets.push_back(i);
        m_tabs->addTab(fromUtf8(sheets[i].name));
    }
    m_pages.assign(m_tabSheets.size(), nullptr);
    m_tabs->setCurrentIndex(activeTab);
    connect(m_tabs, &QTabBar::currentChanged, this, &WorkbookWindow::showTab);
    showTab(activeTab);
}

std::optional<std::size_t> WorkbookWindow::worksheetOfTab(int tab) const
{
    if (tab < 0 || std::size_t(tab) >= m_tabSheets.size())
        return std::nullopt;
    return m_book.worksheetOfSheet(m_tabSheets[std::size_t(tab)]);
}

int WorkbookWindow::tabOfWorksheet(std::size_t worksheet) const
{
    for (std::size_t tab = 0; tab < m_tabSheets.size(); ++tab)
        if (m_book.worksheetOfSheet(m_tabSheets[tab]) == worksheet)
            return int(tab);
    return -1;
}

QWidget* WorkbookWindow::pageForTab(int tab)
{
    QWidget*& page = m_pages[std::size_t(tab)];
    if (!page) {
        if (const auto worksheet = worksheetOfTab(tab)) {
            page = createGrid(*worksheet);
        } else {
            auto* label = new QLabel(QStringLiteral("This sheet holds no cells."), m_stack);
            label->setAlignment(Qt::AlignCenter);
            page = label;
        }
        m_stack->addWidget(page);
    }
    return page;
}

QTableView* WorkbookWindow::createGrid(std::size_t worksheet)
{
    auto* grid = new QTableView(m_stack);
    grid->setModel(new SheetGridModel(m_book.worksheet(worksheet), grid));
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setWordWrap(false);
    // Fixed, uniform sections keep a sheet of a million rows as quick as a small one.
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
    grid->horizontalHeader()->setDefaultSectionSize(90);
    connect(grid->selectionModel(), &QItemSelectionModel::selectionChanged, this, &WorkbookWindow::showSelection);
    connect(grid->selectionModel(), &QItemSelectionModel::currentChanged, this, &WorkbookWindow::showSelection);
    grid->setCurrentIndex(grid->model()->index(0, 0));
    return grid;
}

void WorkbookWindow::showTab(int tab)
{
    if (tab < 0 || std::size_t(tab) >= m_pages.size())
        return;
    m_stack->setCurrentWidget(pageForTab(tab));
    showSelection();
}

QTableView* WorkbookWindow::currentGrid() const
{
    return qobject_cast<QTableView*>(m_stack->currentWidget());
}

// The field follows the highlighted block: its first area, or the current cell when nothing
// is highlighted.
void WorkbookWindow::showSelection()
{
    QTableView* grid = currentGrid();
    if (!grid) {
        m_reference->clear();
        return;
    }
    const QItemSelection selection = grid->selectionModel()->selection();
    CellRange range;
    if (!selection.isEmpty()) {
        const QItemSelectionRange& first = selection.first();
        range = {first.top() + 1, first.left() + 1, first.bottom() + 1, first.right() + 1};
    } else {
        const QModelIndex current = grid->currentIndex();
        const int row = current.isValid() ? current.row() + 1 : 1;
        const int column = current.isValid() ? current.column() + 1 : 1;
        range = {row, column, row, column};
    }
    const std::string& sheet = m_book.sheets()[m_tabSheets[std::size_t(m_tabs->currentIndex())]].name;
    m_reference->setText(fromUtf8(core::qualifiedAddress(sheet, range)));
    m_problem->hide();
}

veltrano::Result<WorkbookWindow::Block, QString> WorkbookWindow::blockFromText(const QString& text) const
{
    const auto reference = core::parseReference(text.toStdString());
    if (!reference)
        return QStringLiteral("\"%1\" is not a reference to a block of cells.").arg(text.trimmed());
    if (reference->sheet.empty()) {
        if (const auto worksheet = worksheetOfTab(m_tabs->currentIndex()))
            return Block{*worksheet, reference->range};
        return QStringLiteral("This sheet holds no cells; pick a worksheet first.");
    }
    if (const auto worksheet = m_book.findWorksheet(reference->sheet); worksheet && tabOfWorksheet(*worksheet) >= 0)
        return Block{*worksheet, reference->range};
    return QStringLiteral("There is no worksheet named \"%1\".").arg(fromUtf8(reference->sheet));
}

// While a reference is typed, the grid shows the block it names; the field keeps what was typed.
void WorkbookWindow::applyTypedReference()
{
    const auto block = blockFromText(m_reference->text());
    if (!block)
        return;
    const QString typed = m_reference->text();
    const int cursor = m_reference->cursorPosition();
    select(block.value());
    m_reference->setText(typed);
    m_reference->setCursorPosition(cursor);
}

void WorkbookWindow::select(const Block& block)
{
    m_tabs->setCurrentIndex(tabOfWorksheet(block.worksheet));
    QTableView* grid = currentGrid();
    if (!grid)
        return;
    const QAbstractItemModel* model = grid->model();
    const QModelIndex topLeft = model->index(block.range.firstRow - 1, block.range.firstColumn - 1);
    const QModelIndex bottomRight = model->index(block.range.lastRow - 1, block.range.lastColumn - 1);
    grid->selectionModel()->setCurrentIndex(topLeft, QItemSelectionModel::NoUpdate);
    grid->selectionModel()->select(QItemSelection(topLeft, bottomRight), QItemSelectionModel::ClearAndSelect);
    grid->scrollTo(topLeft);
}

void WorkbookWindow::confirm()
{
    if (!m_wait)
        return;
    const auto block = blockFromText(m_reference->text());
    if (!block) {
        m_problem->setText(block.error());
        m_problem->show();
        return;
    }
    finish(block.value());
}

// The first answer stands: once the wait is told to end, nothing else can change the answer.
void WorkbookWindow::finish(std::optional<Block> result)
{
    if (!m_wait)
        return;
    m_result = result;
    m_wait->quit();
    m_wait = nullptr;
}

std::optional<WorkbookWindow::Block> WorkbookWindow::askForBlock(const QString& prompt)
{
    Q_ASSERT_X(!m_wait, "askForBlock", "one question at a time");
    m_prompt->setText(prompt);
    m_promptStrip->show();
    m_problem->hide();
    show();
    raise();
    activateWindow();
    showSelection();
    m_reference->setFocus();
    m_reference->selectAll();

    QEventLoop wait;
    m_wait = &wait;
    m_result.reset();
    wait.exec();
    m_promptStrip->hide();
    return std::exchange(m_result, std::nullopt);
}

// Escape cancels the question, from the field or the grid alike (neither uses it).
void WorkbookWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && isAsking()) {
        finish(std::nullopt);
        return;
    }
    QWidget::keyPressEvent(event);
}

void WorkbookWindow::closeEvent(QCloseEvent* event)
{
    finish(std::nullopt);
    event->accept();
}

}  // namespace veltrano::excel

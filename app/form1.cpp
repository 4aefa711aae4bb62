#include "app/form1.h"

#include "app/button_pictures.h"
#include "app/cursor_file.h"
#include "app/kept_choices.h"
#include "app/picture_button.h"
#include "app/pointer_moves.h"
#include "app/program_end.h"
#include "app/twips.h"
#include "conversion/conversion_run.h"
#include "filelist/file_list_handlers.h"
#include "pageclient/browser_page_client.h"
#include "pageclient/page_handlers.h"
#include "pageclient/translation_direction.h"
#include "platform/browser/web_browser.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHeaderView>
#include <QProgressBar>
#include <QRadioButton>
#include <QStandardItemModel>
#include <QTreeView>

#include <algorithm>
#include <utility>

namespace veltrano::app {

namespace {

// The window's client area.
constexpr double kClientWidthTwips = 6855;
constexpr double kClientHeightTwips = 6540;
// The one column of the file list.
constexpr double kFileColumnWidthTwips = 5500;

// The hand pointer's file, looked for beside the program.
const QString kHandPointerFile = QStringLiteral("HAND-M.CUR");

const QString kListHint =
    QStringLiteral("Drag and drop files here. Double-click item to remove it. Move bar to right and out of "
                   "window to reveal full names.");

// Arial where the machine has it, else its metric twin, so texts take the same room.
QString controlFontFamily()
{
    static const QString family = QFontDatabase::families().contains(QStringLiteral("Arial"))
                                      ? QStringLiteral("Arial")
                                      : QStringLiteral("Liberation Sans");
    return family;
}

QFont controlFont(double points)
{
    QFont font(controlFontFamily());
    font.setPointSizeF(points);
    font.setWeight(QFont::Bold);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    return font;
}

template <typename Control>
Control* named(Control* control, const char* name)
{
    control->setObjectName(QLatin1String(name));
    return control;
}

void place(QWidget* control, double left, double top, double width, double height)
{
    control->setGeometry(twipsRect(left, top, width, height));
}

}  // namespace

Form1::Form1(QString pageHost, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_pageHost(std::move(pageHost)),
      m_programFolder(QCoreApplication::applicationDirPath())
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Form1"));
    setWindowIcon(transparentWindowIcon());
    // A fixed size keeps WebBrowser1, which sits beyond the right edge, out of sight.
    setFixedSize(twipsToPixels(kClientWidthTwips), twipsToPixels(kClientHeightTwips));

    createControls();
    applyFonts();
    applyColours();
    connectHandlers();
    connectFileList();
    connectConversion();
    connectKeptChoices();
    connectHoverPointers();
    m_pageClient = std::make_unique<pageclient::BrowserPageClient>(*WebBrowser1);
    ListView1->setFocus();
}

Form1::~Form1() = default;

void Form1::createControls()
{
    createListAndDirectionBox();
    createScopeFrame();
    createLargeButtons();
    createProgressBarsAndBackupBox();
    createBrowser();
}

void Form1::createListAndDirectionBox()
{
    ListView1 = named(new QTreeView(this), "ListView1");
    m_fileListModel = new QStandardItemModel(0, 1, ListView1);
    ListView1->setModel(m_fileListModel);
    ListView1->setRootIsDecorated(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setToolTip(kListHint);
    place(ListView1, 120, 120, 6615, 2430);

    // A drop-down list: the user can only pick one of its entries.
    Combo1 = named(new QComboBox(this), "Combo1");
    Combo1->setEditable(false);
    place(Combo1, 120, 2650, 6615, 345);
}

void Form1::createScopeFrame()
{
    Frame2 = named(new QGroupBox(this), "Frame2");
    Frame2->setFocusPolicy(Qt::NoFocus);
    place(Frame2, 120, 3030, 6615, 735);
    // The options' places are relative to the frame.
    Option3 = named(new QRadioButton(QStringLiteral("Entire workbook"), Frame2), "Option3");
    place(Option3, 135, 225, 1860, 375);
    Option4 = named(new QRadioButton(QStringLiteral("Active sheet"), Frame2), "Option4");
    place(Option4, 2025, 225, 1545, 375);
    Option5 = named(new QRadioButton(QStringLiteral("Block of specific cells"), Frame2), "Option5");
    place(Option5, 3600, 225, 2175, 375);
    Option3->setChecked(true);
}

void Form1::createLargeButtons()
{
    Check3 = named(new PictureButton(QStringLiteral("Add Excel File(s)"), spreadsheetWindowPicture(), this), "Check3");
    place(Check3, 120, 3840, 2115, 1335);
    Check6 = named(new PictureButton(QStringLiteral("Add All Excel File(s) In Folder"), openFolderPicture(), this),
                   "Check6");
    place(Check6, 2385, 3840, 2115, 1335);
    Check7 = named(new PictureButton(QStringLiteral("Convert"), dropperPicture(), this), "Check7");
    place(Check7, 4605, 3840, 2115, 1335);
}

void Form1::createProgressBarsAndBackupBox()
{
    const auto newProgressBar = [this](const char* name) {
        auto* bar = named(new QProgressBar(this), name);
        bar->setRange(0, 100);
        bar->setValue(0);
        bar->setTextVisible(false);
        bar->setFocusPolicy(Qt::NoFocus);
        return bar;
    };
    ProgressBar1 = newProgressBar("ProgressBar1");
    place(ProgressBar1, 135, 5280, 6615, 375);
    ProgressBar2 = newProgressBar("ProgressBar2");
    place(ProgressBar2, 135, 5760, 6615, 375);

    Check1 = named(new QCheckBox(QStringLiteral("Make backup of Excel files before convert and put backup in "
                                                "same folder"),
                                 this),
                   "Check1");
    Check1->setChecked(true);
    place(Check1, 120, 6240, 6615, 255);
}

void Form1::createBrowser()
{
    // Live and shown, but placed beyond the client area so the page loads and runs normally
    // while nobody sees it.
    WebBrowser1 = named(new platform::browser::WebBrowser(this), "WebBrowser1");
    place(WebBrowser1, 7425, 495, 5505, 5910);
}

void Form1::applyFonts()
{
    const QFont text = controlFont(9);
    for (QWidget* control : std::initializer_list<QWidget*>{ListView1, Combo1, Option3, Option4, Option5, Check1})
        control->setFont(text);
    const QFont buttons = controlFont(11.25);
    for (QWidget* control : std::initializer_list<QWidget*>{Check3, Check6, Check7})
        control->setFont(buttons);
}

void Form1::applyColours()
{
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::Button, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);
    // The list and the direction box keep the system's own colours.
    ListView1->setPalette(QApplication::palette(ListView1));
    Combo1->setPalette(QApplication::palette(Combo1));
}

std::vector<QWidget*> Form1::tabOrder() const
{
    // Of the options, tabbing reaches only the selected one (the first when none is); the
    // frame and the progress bars take no focus.
    QWidget* option = Option3;
    for (QRadioButton* candidate : {Option3, Option4, Option5})
        if (candidate->isChecked())
            option = candidate;
    return {ListView1, Check3, Check6, Check7, Check1, option, Combo1};
}

bool Form1::focusNextPrevChild(bool next)
{
    // Tab and Shift+Tab follow the order here, from whichever control holds the focus (or from
    // within it).
    const std::vector<QWidget*> order = tabOrder();
    const auto holder = std::find_if(order.begin(), order.end(), [](QWidget* control) {
        const QWidget* focused = QApplication::focusWidget();
        return focused && (focused == control || control->isAncestorOf(focused));
    });
    if (holder == order.end())
        return QWidget::focusNextPrevChild(next);
    const auto count = static_cast<std::ptrdiff_t>(order.size());
    const std::ptrdiff_t from = holder - order.begin();
    for (std::ptrdiff_t step = 1; step < count; ++step) {
        QWidget* candidate =
            order[static_cast<std::size_t>(((next ? from + step : from - step) % count + count) % count)];
        // Qt takes Tab focus away from options other than the last one focused, so only
        // "takes no focus at all" counts here.
        if (candidate->isVisible() && candidate->isEnabled() && candidate->focusPolicy() != Qt::NoFocus) {
            candidate->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
    }
    return QWidget::focusNextPrevChild(next);
}

void Form1::connectHandlers()
{
    actAsPushButton(Check3, &Form1::addFilesCommand);
    actAsPushButton(Check6, &Form1::addFolderCommand);
    actAsPushButton(Check7, &Form1::convertCommand);

    // A change of the entry, by the user or by the program, loads its page. So does the user's
    // choice of the entry already shown (a page that failed to load is loaded again), which
    // Qt reports only as an activation; an activation right after a change is that change.
    connect(Combo1, &QComboBox::currentIndexChanged, this, [this] {
        pageclient::Combo1_Click(*Combo1, *WebBrowser1, m_pageHost);
        m_directionJustChanged = true;
        QMetaObject::invokeMethod(
            this, [this] { m_directionJustChanged = false; }, Qt::QueuedConnection);
    });
    connect(Combo1, &QComboBox::activated, this, [this] {
        if (!std::exchange(m_directionJustChanged, false))
            pageclient::Combo1_Click(*Combo1, *WebBrowser1, m_pageHost);
    });
    // A drop-down list never has its text edited, so this is there for completeness.
    connect(Combo1, &QComboBox::editTextChanged, this,
            [this] { pageclient::Combo1_Change(*Combo1, *WebBrowser1, m_pageHost); });
    connect(WebBrowser1, &platform::browser::WebBrowser::ProgressChange, this, [this](int progress, int progressMax) {
        pageclient::WebBrowser1_ProgressChange(*ProgressBar1, progress, progressMax);
    });
}

void Form1::connectFileList()
{
    filelist::WindowServices services;
    services.owner = this;
    services.shell = [this]() -> platform::shell::Shell& { return shell(); };
    services.pointerIsBusy = [this] { return m_mousePointer == MousePointer::Busy; };
    services.setPointerBusy = [this](bool busy) { setMousePointer(busy ? MousePointer::Busy : MousePointer::Default); };
    services.pumpEvents = [] { QCoreApplication::processEvents(); };
    services.programFolder = QCoreApplication::applicationDirPath();
    m_fileListHandlers =
        std::make_unique<filelist::FileListHandlers>(*ListView1, *m_fileListModel, std::move(services));
    connect(this, &Form1::addFilesCommand, this, [this] { m_fileListHandlers->Check3_Click(); });
    connect(this, &Form1::addFolderCommand, this, [this] { m_fileListHandlers->Check6_Click(); });
}

void Form1::connectConversion()
{
    using Kind = core::Scope::Kind;
    conversion::RunWindow window;
    window.owner = this;
    window.listedFiles = [this] {
        QStringList paths;
        for (int position = 1; position <= fileList().count(); ++position)
            paths << fileList().text(position);
        return paths;
    };
    window.listedCount = [this] { return fileList().count(); };
    window.backupWanted = [this] { return Check1->checkState() == Qt::Checked; };
    window.chosenScope = [this]() -> std::optional<Kind> {
        if (Option3->isChecked())
            return Kind::Workbook;
        if (Option4->isChecked())
            return Kind::ActiveSheet;
        if (Option5->isChecked())
            return Kind::Block;
        return std::nullopt;
    };
    window.showOverallProgress = [this](int percent) { ProgressBar2->setValue(percent); };
    window.setPointerBusy = [this](bool busy) { setMousePointer(busy ? MousePointer::Busy : MousePointer::Default); };
    window.shell = [this]() -> platform::shell::Shell& { return shell(); };
    window.page = [this]() -> pageclient::PageClient& { return pageClient(); };
    m_conversionRun = std::make_unique<conversion::ConversionRun>(std::move(window));
    connect(this, &Form1::convertCommand, this, [this] { m_conversionRun->Check7_Click(); });
}

filelist::FileList& Form1::fileList()
{
    return m_fileListHandlers->fileList();
}

void Form1::actAsPushButton(QAbstractButton* button, void (Form1::*command)())
{
    // The button's value is 1 only right after a click pressed it: it is released first and
    // then the command runs, once. Releasing it raises this handler again with value 0, which
    // does nothing.
    connect(button, &QAbstractButton::toggled, this, [this, button, command] {
        if (!button->isChecked())
            return;
        button->setChecked(false);
        (this->*command)();
    });
}

void Form1::connectKeptChoices()
{
    // Each fires only on a real change, by the user or by the restore at start.
    connect(Check1, &QCheckBox::stateChanged, this, [this] { Check1_Click(*Check1); });
    connect(Option3, &QRadioButton::toggled, this, [](bool selected) {
        if (selected)
            Option3_Click();
    });
    connect(Option4, &QRadioButton::toggled, this, [](bool selected) {
        if (selected)
            Option4_Click();
    });
    connect(Option5, &QRadioButton::toggled, this, [](bool selected) {
        if (selected)
            Option5_Click();
    });
}

void Form1::connectHoverPointers()
{
    onBareSurfacePointerMove(*this, [this] { Form_MouseMove(); });
    onPointerMove(*Check3, [this] { Check3_MouseMove(); });
    onPointerMove(*Check6, [this] { Check6_MouseMove(); });
    onPointerMove(*Check7, [this] { Check7_MouseMove(); });
}

void Form1::Form_MouseMove()
{
    // The hourglass stays until the work that set it ends.
    if (m_mousePointer != MousePointer::Busy)
        setMousePointer(MousePointer::Default);
}

void Form1::Check3_MouseMove()
{
    showHandUnlessBusy();
}

void Form1::Check6_MouseMove()
{
    showHandUnlessBusy();
}

void Form1::Check7_MouseMove()
{
    showHandUnlessBusy();
}

void Form1::showHandUnlessBusy()
{
    if (m_mousePointer != MousePointer::Busy)
        setMousePointer(MousePointer::Custom);
}

bool Form1::frameKnown() const
{
    return frameGeometry().size() != size();
}

bool Form1::event(QEvent* event)
{
    const bool handled = QWidget::event(event);
    // The window system tells the frame only after the window is shown (a window without any
    // frame is centred right away), so Form_Load's centring, made without it, is made again
    // with it, once. These are the events that come as the frame is put round the window.
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Paint:
    case QEvent::WindowActivate:
        if (m_centreOnceFramed && frameKnown()) {
            m_centreOnceFramed = false;
            CenterForm(*this);
        }
        break;
    default:
        break;
    }
    return handled;
}

void Form1::closeEvent(QCloseEvent* event)
{
    event->accept();
    Form_Unload();
}

void Form1::Form_Unload()
{
    endProgramNow(0);
}

void Form1::setMousePointer(MousePointer setting)
{
    m_mousePointer = setting;
    switch (setting) {
    case MousePointer::Default:
        unsetCursor();
        break;
    case MousePointer::Busy:
        setCursor(Qt::WaitCursor);
        break;
    case MousePointer::Custom:
        setCursor(m_customPointerImage.value_or(QCursor(Qt::ArrowCursor)));
        break;
    }
    // The list shows a pointer of its own, which would otherwise win over the hourglass.
    if (m_fileListHandlers)
        m_fileListHandlers->mouse().windowPointerChanged();
}

void Form1::setCustomPointerImage(const QCursor& image)
{
    m_customPointerImage = image;
    if (m_mousePointer == MousePointer::Custom)
        setMousePointer(MousePointer::Custom);
}

void Form1::Form_Load()
{
    WebBrowser1->Navigate(pageclient::TranslateBaseUrl(pageclient::TranslationDirection::EnglishToSpanish, m_pageHost));
    CenterForm(*this);
    m_centreOnceFramed = !frameKnown();
    loadCustomPointerImage();
    OpenHomePageByChance(shell(), m_homePageDraw);
    setWindowTitle(QStringLiteral("Veltrano"));
    showFileListColumn();
    paintProgressTracksWhite();
    restoreBackupChoice(*Check1);
    restoreScope(*Option3, *Option4, *Option5);
    fillDirectionBox();
}

void Form1::loadCustomPointerImage()
{
    // Without the file, or with one that holds no cursor, the hand is simply not there: the
    // buttons show the arrow and nothing else depends on it.
    const QString path = QDir(m_programFolder).filePath(kHandPointerFile);
    if (!FileExists(path))
        return;
    if (const std::optional<QCursor> hand = loadCursorFile(path))
        setCustomPointerImage(*hand);
}

void Form1::showFileListColumn()
{
    m_fileListModel->setHorizontalHeaderLabels({QStringLiteral("Excel File(s)")});
    ListView1->header()->setStretchLastSection(false);
    ListView1->header()->resizeSection(0, twipsToPixels(kFileColumnWidthTwips));
}

void Form1::paintProgressTracksWhite()
{
    for (QProgressBar* bar : {ProgressBar1, ProgressBar2}) {
        QPalette track = bar->palette();
        track.setColor(QPalette::Base, Qt::white);
        track.setColor(QPalette::Window, Qt::white);
        bar->setPalette(track);
    }
}

void Form1::fillDirectionBox()
{
    using pageclient::TranslationDirection;
    {
        // Adding the first entry would select it on its own; the selection is made below,
        // once, as a change that runs the box's handler.
        const QSignalBlocker quiet(Combo1);
        Combo1->addItem(pageclient::directionCaption(TranslationDirection::EnglishToSpanish));
        Combo1->addItem(pageclient::directionCaption(TranslationDirection::SpanishToEnglish));
        Combo1->setCurrentIndex(-1);
    }
    Combo1->setCurrentIndex(static_cast<int>(TranslationDirection::EnglishToSpanish));
}

}  // namespace veltrano::app

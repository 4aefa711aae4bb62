#pragma once
// Form1, the one working window: its controls with their design-time values, the window's
// pointer setting, the three large buttons' push-button rule, and the start-up of the window.

#include "app/main_routines.h"
#include "pageclient/page_client.h"
#include "platform/shell/shell.h"

#include <QCursor>
#include <QWidget>

#include <memory>
#include <optional>
#include <vector>

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QProgressBar;
class QRadioButton;
class QStandardItemModel;
class QTreeView;

namespace veltrano::platform::browser {
class WebBrowser;
}

namespace veltrano::conversion {
class ConversionRun;
}

namespace veltrano::filelist {
class FileList;
class FileListHandlers;
}  // namespace veltrano::filelist

namespace veltrano::app {

class PictureButton;

// The window's pointer setting; while it is not Default it overrides every control's pointer.
enum class MousePointer {
    Default = 0,  // the ordinary arrow
    Busy = 11,    // the hourglass, while long work runs
    Custom = 99,  // the window's custom pointer image (the arrow while it has none)
};

class Form1 : public QWidget {
    Q_OBJECT
public:
    // Builds the window with every control at its design-time value. pageHost
    // ("127.0.0.1:PORT") is where the translation pages are loaded from; an empty one gives
    // pages that fail to load, and every exchange then fails saying so.
    explicit Form1(QString pageHost, QWidget* parent = nullptr);
    ~Form1() override;

    // The start-up of the window, run once before it is first shown, in this order: starts
    // loading the English-to-Spanish page, centres the window, loads the hand pointer from
    // "HAND-M.CUR" in the program's folder (none when it is missing or unreadable), opens the
    // home page by chance, sets the caption, the list's column, the progress bars' white
    // tracks, restores the backup choice and the scope, and fills the direction box, whose
    // selection loads that page again.
    void Form_Load();

    // Closing the window ends the whole program at once, also in the middle of long work.
    [[noreturn]] void Form_Unload();

    // Pointer movement over the window's bare surface: the arrow, unless the pointer is busy.
    void Form_MouseMove();
    // Pointer movement over one of the large buttons: the hand, unless the pointer is busy.
    void Check3_MouseMove();
    void Check6_MouseMove();
    void Check7_MouseMove();

    // The folder Form_Load looks for "HAND-M.CUR" in; the program's own folder unless set.
    void setProgramFolder(const QString& folder) { m_programFolder = folder; }
    // The draw that decides whether Form_Load opens the home page; clock-seeded unless set.
    void setHomePageDraw(UnitDraw draw) { m_homePageDraw = std::move(draw); }

    MousePointer mousePointer() const { return m_mousePointer; }
    // Changes the pointer setting and the pointer shown over the whole window at once.
    void setMousePointer(MousePointer setting);
    // Gives the Custom setting its picture; it keeps it for the life of the window.
    void setCustomPointerImage(const QCursor& image);

    // The desktop's dialogs and services, as the window's commands reach them.
    platform::shell::Shell& shell() { return *m_shell; }
    // Replaces the dialogs and services (tests answer them through their own).
    void setShell(std::unique_ptr<platform::shell::Shell> shell) { m_shell = std::move(shell); }

    // The translation page client; the one over WebBrowser1 unless replaced.
    pageclient::PageClient& pageClient() { return *m_pageClient; }
    // Replaces the page client (tests exchange through their own, or pace it differently).
    void setPageClient(std::unique_ptr<pageclient::PageClient> page) { m_pageClient = std::move(page); }

    // The Convert command that a click on Check7 runs (tests set its pacing and clock).
    conversion::ConversionRun& conversionRun() { return *m_conversionRun; }

    // The file list held by ListView1: the paths to convert, in order.
    filelist::FileList& fileList();
    // ListView1's handlers and the commands that fill the list.
    filelist::FileListHandlers& fileListHandlers() { return *m_fileListHandlers; }

    // The controls, by the names the rest of the program knows them by.
    QTreeView* ListView1 = nullptr;
    QComboBox* Combo1 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QRadioButton* Option3 = nullptr;
    QRadioButton* Option4 = nullptr;
    QRadioButton* Option5 = nullptr;
    PictureButton* Check3 = nullptr;
    PictureButton* Check6 = nullptr;
    PictureButton* Check7 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QProgressBar* ProgressBar2 = nullptr;
    QCheckBox* Check1 = nullptr;
    platform::browser::WebBrowser* WebBrowser1 = nullptr;

signals:
    // A click on Check3 ("Add Excel File(s)"), after the button is released again.
    void addFilesCommand();
    // A click on Check6 ("Add All Excel File(s) In Folder"), after the button is released again.
    void addFolderCommand();
    // A click on Check7 ("Convert"), after the button is released again.
    void convertCommand();

protected:
    bool event(QEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void createListAndDirectionBox();
    void createScopeFrame();
    void createLargeButtons();
    void createProgressBarsAndBackupBox();
    void createBrowser();
    void applyFonts();
    void applyColours();
    // The controls in tab order: ListView1, Check3, Check6, Check7, Check1, the selected
    // option, Combo1. WebBrowser1 takes no focus: keys never reach the page.
    std::vector<QWidget*> tabOrder() const;
    void connectHandlers();
    void actAsPushButton(QAbstractButton* button, void (Form1::*command)());
    void connectFileList();
    void connectConversion();
    void connectKeptChoices();
    void connectHoverPointers();
    void showHandUnlessBusy();

    // Whether the window system has told the window's frame (false also for a window without one).
    bool frameKnown() const;
    void loadCustomPointerImage();
    void showFileListColumn();
    void paintProgressTracksWhite();
    void fillDirectionBox();

    QString m_pageHost;
    QStandardItemModel* m_fileListModel = nullptr;
    std::unique_ptr<pageclient::PageClient> m_pageClient;
    std::unique_ptr<filelist::FileListHandlers> m_fileListHandlers;
    std::unique_ptr<conversion::ConversionRun> m_conversionRun;
    std::unique_ptr<platform::shell::Shell> m_shell = std::make_unique<platform::shell::QtShell>();
    MousePointer m_mousePointer = MousePointer::Default;
    // Set when Form_Load centred the window without its frame, until it is centred with it.
    bool m_centreOnceFramed = false;
    // Set by a change of Combo1's entry until control returns to the event loop.
    bool m_directionJustChanged = false;
    std::optional<QCursor> m_customPointerImage;
    QString m_programFolder;
    UnitDraw m_homePageDraw = clockSeededDraw();
};

}  // namespace veltrano::app

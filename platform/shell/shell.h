#pragma once
// The desktop services the window uses: message and input boxes, the file-open dialog, the
// folder browser, opening an address in the user's browser, and the pointer's position.
// Behind one interface so that tests can answer the dialogs themselves.

#include <QPoint>
#include <QString>
#include <QStringList>
#include <QUrl>

class QWidget;

namespace veltrano::platform::shell {

// Message box styles and answers, by the numbers the program's messages use.
inline constexpr int kOkOnly = 0;
inline constexpr int kYesNo = 4;
inline constexpr int kAnswerOk = 1;
inline constexpr int kAnswerYes = 6;
inline constexpr int kAnswerNo = 7;

// What the file-open dialog is asked to show.
struct OpenFilesRequest {
    QString title;
    QString filterName;    // e.g. "Excel Files (*.xl*)"
    QStringList patterns;  // e.g. {"*.xl*"}
    bool multipleFiles = true;
    bool readOnlyOption = true;  // offer the read-only choice (its answer is not used)
};

class Shell {
public:
    virtual ~Shell() = default;

    // Modal message box owned by owner; style kOkOnly or kYesNo (Yes the default, no icon).
    // Returns the answer: kAnswerOk, kAnswerYes, or kAnswerNo (also when closed).
    virtual int MsgBox(QWidget* owner, const QString& prompt, int style, const QString& title) = 0;

    // Modal input box with a title and a default text; returns the text, or "" when cancelled.
    virtual QString InputBox(QWidget* owner, const QString& prompt, const QString& defaultText,
                             const QString& title) = 0;

    // Modal file-open dialog; the chosen files' full paths in the dialog's order, none when
    // cancelled.
    virtual QStringList GetOpenFileNames(QWidget* owner, const OpenFilesRequest& request) = 0;

    // Modal folder browser that opens at startFolder; the chosen folder's full path, or ""
    // when cancelled.
    virtual QString BrowseForFolder(QWidget* owner, const QString& title, const QString& startFolder) = 0;

    // Hands an address to the desktop's web browser; nothing waits for it.
    virtual void OpenUrl(const QUrl& address) = 0;

    // Where the pointer is on the screen, in pixels from the screen's top-left corner.
    virtual QPoint GetCursorPos() const = 0;
};

// The real dialogs, on Qt's widgets.
class QtShell final : public Shell {
public:
    int MsgBox(QWidget* owner, const QString& prompt, int style, const QString& title) override;
    QString InputBox(QWidget* owner, const QString& prompt, const QString& defaultText, const QString& title) override;
    QStringList GetOpenFileNames(QWidget* owner, const OpenFilesRequest& request) override;
    QString BrowseForFolder(QWidget* owner, const QString& title, const QString& startFolder) override;
    void OpenUrl(const QUrl& address) override;
    QPoint GetCursorPos() const override;
};

}  // namespace veltrano::platform::shell

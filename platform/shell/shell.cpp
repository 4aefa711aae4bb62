#include "platform/shell/shell.h"

#include <QCheckBox>
#include <QCursor>
#include <QDesktopServices>
#include <QFileDialog>
#include <QGridLayout>
#include <QInputDialog>
#include <QMessageBox>

namespace veltrano::platform::shell {

namespace {

// The dialog offers "Open as read-only", ticked at first; nothing reads the answer back.
// Qt's own dialog (not the desktop's) is used, since only it can carry the extra choice.
void addReadOnlyChoice(QFileDialog& dialog)
{
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    auto* grid = qobject_cast<QGridLayout*>(dialog.layout());
    if (!grid)
        return;
    auto* choice = new QCheckBox(QStringLiteral("Open as read-only"), &dialog);
    choice->setObjectName(QStringLiteral("readOnlyChoice"));
    choice->setChecked(true);
    grid->addWidget(choice, grid->rowCount(), 0, 1, grid->columnCount());
}

}  // namespace

int QtShell::MsgBox(QWidget* owner, const QString& prompt, int style, const QString& title)
{
    QMessageBox box(QMessageBox::NoIcon, title, prompt, QMessageBox::NoButton, owner);
    if (style == kYesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    const int answer = box.exec();
    if (style != kYesNo)
        return kAnswerOk;
    return answer == QMessageBox::Yes ? kAnswerYes : kAnswerNo;
}

QString QtShell::InputBox(QWidget* owner, const QString& prompt, const QString& defaultText, const QString& title)
{
    bool accepted = false;
    const QString text = QInputDialog::getText(owner, title, prompt, QLineEdit::Normal, defaultText, &accepted);
    return accepted ? text : QString();
}

QStringList QtShell::GetOpenFileNames(QWidget* owner, const OpenFilesRequest& request)
{
    QFileDialog dialog(owner, request.title);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(request.multipleFiles ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    dialog.setNameFilter(request.filterName.section(QLatin1Char('('), 0, 0).trimmed() + QStringLiteral(" (")
                         + request.patterns.join(QLatin1Char(' ')) + QLatin1Char(')'));
    if (request.readOnlyOption)
        addReadOnlyChoice(dialog);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

QString QtShell::BrowseForFolder(QWidget* owner, const QString& title, const QString& startFolder)
{
    return QFileDialog::getExistingDirectory(owner, title, startFolder);
}

void QtShell::OpenUrl(const QUrl& address)
{
    QDesktopServices::openUrl(address);
}

QPoint QtShell::GetCursorPos() const
{
    return QCursor::pos();
}

}  // namespace veltrano::platform::shell

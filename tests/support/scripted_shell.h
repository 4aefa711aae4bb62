#pragma once
// A Shell for tests: answers each dialog from a queue the test fills, and records what was
// asked, so tests drive the window's commands without a person.

#include "platform/shell/shell.h"

#include <QQueue>
#include <QStringList>
#include <QUrl>

#include <vector>

namespace veltrano::testing {

class ScriptedShell final : public platform::shell::Shell {
public:
    struct Message {
        QString prompt;
        int style;
        QString title;
    };

    // Answers, taken in order; an empty queue answers as a cancel (No, "", nothing).
    QQueue<int> msgBoxAnswers;
    QQueue<QString> inputBoxAnswers;
    QQueue<QStringList> openFileAnswers;
    QQueue<QString> folderAnswers;
    QPoint cursorPos;

    // What was asked.
    std::vector<Message> messages;
    QStringList inputPrompts;
    QStringList inputDefaults;
    QStringList inputTitles;
    std::vector<platform::shell::OpenFilesRequest> openFileRequests;
    QStringList folderTitles;
    QStringList folderStarts;
    std::vector<QUrl> openedUrls;

    int MsgBox(QWidget*, const QString& prompt, int style, const QString& title) override
    {
        messages.push_back({prompt, style, title});
        if (!msgBoxAnswers.isEmpty())
            return msgBoxAnswers.dequeue();
        return style == platform::shell::kYesNo ? platform::shell::kAnswerNo : platform::shell::kAnswerOk;
    }
    QString InputBox(QWidget*, const QString& prompt, const QString& defaultText, const QString& title) override
    {
        inputPrompts << prompt;
        inputDefaults << defaultText;
        inputTitles << title;
        return inputBoxAnswers.isEmpty() ? QString() : inputBoxAnswers.dequeue();
    }
    QStringList GetOpenFileNames(QWidget*, const platform::shell::OpenFilesRequest& request) override
    {
        openFileRequests.push_back(request);
        return openFileAnswers.isEmpty() ? QStringList() : openFileAnswers.dequeue();
    }
    QString BrowseForFolder(QWidget*, const QString& title, const QString& startFolder) override
    {
        folderTitles << title;
        folderStarts << startFolder;
        return folderAnswers.isEmpty() ? QString() : folderAnswers.dequeue();
    }
    void OpenUrl(const QUrl& address) override { openedUrls.push_back(address); }
    QPoint GetCursorPos() const override { return cursorPos; }
};

}  // namespace veltrano::testing

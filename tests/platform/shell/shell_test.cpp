// The real dialogs, answered by simulated keys once they are up.
#include "platform/shell/shell.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QTimer>
#include <QtTest>

#include <functional>

using namespace veltrano::platform::shell;

namespace {

// Runs act on the first modal dialog as soon as it is shown.
void whenModalShown(std::function<void(QWidget*)> act)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            act(modal);
        }
    });
    timer->start();
}

}  // namespace

class ShellTest : public QObject {
    Q_OBJECT
private slots:
    void yesNoBoxAnswersByKey_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("answer");
        QTest::newRow("Enter takes the default, Yes") << int(Qt::Key_Return) << kAnswerYes;
        QTest::newRow("Escape is No") << int(Qt::Key_Escape) << kAnswerNo;
    }
    void yesNoBoxAnswersByKey()
    {
        QFETCH(int, key);
        QFETCH(int, answer);
        whenModalShown([key](QWidget* box) { QTest::keyClick(box, Qt::Key(key)); });
        QCOMPARE(QtShell().MsgBox(nullptr, QStringLiteral("Go on?"), kYesNo, QStringLiteral("Veltrano")), answer);
    }

    void okBoxAnswersOk()
    {
        whenModalShown([](QWidget* box) { QTest::keyClick(box, Qt::Key_Escape); });
        QCOMPARE(QtShell().MsgBox(nullptr, QStringLiteral("Done."), kOkOnly, QStringLiteral("Veltrano")), kAnswerOk);
    }

    void fileDialogOffersTickedReadOnlyChoiceAndItsFilter()
    {
        bool ticked = false;
        QStringList filters;
        whenModalShown([&](QWidget* dialog) {
            auto* choice = dialog->findChild<QCheckBox*>(QStringLiteral("readOnlyChoice"));
            ticked = choice && choice->isChecked();
            filters = qobject_cast<QFileDialog*>(dialog)->nameFilters();
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
        const OpenFilesRequest request{
            QStringLiteral("Add"), QStringLiteral("Excel Files (*.xl*)"), {QStringLiteral("*.xl*")}, true, true};
        QVERIFY(QtShell().GetOpenFileNames(nullptr, request).isEmpty());
        QVERIFY(ticked);
        QCOMPARE(filters, QStringList{QStringLiteral("Excel Files (*.xl*)")});
    }
};

QTEST_MAIN(ShellTest)
#include "shell_test.moc"

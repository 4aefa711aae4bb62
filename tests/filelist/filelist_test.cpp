// The file list in the window: removing and carrying entries with the mouse, the file dialog,
// the folder scan and drops, driven through the window's own controls and events.

#include "app/form1.h"
#include "app/picture_button.h"
#include "conversion/backup_copy.h"
#include "filelist/file_list.h"
#include "filelist/file_list_handlers.h"
#include "filelist/folder_scan.h"
#include "filelist/list_mouse.h"
#include "tests/platform/browser/web_test_main.h"
#include "tests/support/data_rows.h"
#include "tests/support/scripted_shell.h"

#include <QHeaderView>
#include <QMimeData>
#include <QProcess>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using veltrano::app::Form1;
using veltrano::app::MousePointer;
using veltrano::testing::addRow;
using veltrano::testing::ScriptedShell;

class FileListTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_form = std::make_unique<Form1>(QString());
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        makeFolderTree();
    }

    void cleanupTestCase()
    {
        m_form.reset();
        // Our own removal works by full paths, which the deepest folders are too long for.
        QProcess::execute(QStringLiteral("rm"), {QStringLiteral("-rf"), m_tree.path()});
    }

    void init()
    {
        auto shell = std::make_unique<ScriptedShell>();
        m_shell = shell.get();
        m_form->setShell(std::move(shell));
        m_form->setMousePointer(MousePointer::Default);
        list().model().removeRows(0, list().count());
        m_form->ListView1->scrollToTop();
    }

    void doubleClickRemovesTheSelectedEntryOnly()
    {
        list().append(QStringList{"a", "b", "c"});
        play(QStringLiteral("d0"));  // its first press clears the selection
        QCOMPARE(texts(), (QStringList{"a", "b", "c"}));

        play(QStringLiteral("d2"));
        QCOMPARE(texts(), (QStringList{"a", "c"}));
        // The carried entry was the removed one: carrying now moves nothing.
        QCOMPARE(m_form->fileListHandlers().mouse().dragItemPosition(), 0);
        play(QStringLiteral("p0 m1 m2 r"));
        QCOMPARE(texts(), (QStringList{"a", "c"}));
    }

    void carryingExchangesTexts_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("gesture");  // p/P: press left/right on entry n (0: empty space),
                                               // c: click, d: double-click, m: move, r: release
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<int>("selected");
        const QStringList abcde{"a", "b", "c", "d", "e"};
        QTest::newRow("jump 1 to 4") << abcde << "p1 m4 r" << QStringList{"d", "b", "c", "a", "e"} << 4;
        QTest::newRow("steady 1 over 2 to 3") << abcde << "p1 m1 m2 m3 r" << QStringList{"b", "c", "a", "d", "e"} << 3;
        QTest::newRow("identical texts") << QStringList{"a", "b", "a"} << "p1 m3 r" << QStringList{"a", "b", "a"} << 1;
        QTest::newRow("no button held") << abcde << "m1 m2 m4" << abcde << 0;
        QTest::newRow("right button") << abcde << "P1 m2 r" << QStringList{"b", "a", "c", "d", "e"} << 2;
        QTest::newRow("after release, moving on") << abcde << "p1 r m3" << abcde << 1;
        QTest::newRow("earlier click, press on empty space")
            << abcde << "c2 p0 m4 r" << QStringList{"a", "d", "c", "b", "e"} << 4;
    }

    void carryingExchangesTexts()
    {
        QFETCH(QStringList, entries);
        QFETCH(QString, gesture);
        QFETCH(QStringList, expected);
        QFETCH(int, selected);
        list().append(entries);
        play(gesture);
        QCOMPARE(texts(), expected);
        const QModelIndexList rows = m_form->ListView1->selectionModel()->selectedRows();
        QCOMPARE(rows.isEmpty() ? 0 : rows.first().row() + 1, selected);
    }

    void carryScrollsByScreenRow_data()
    {
        QTest::addColumn<int>("screenRow");
        QTest::addColumn<bool>("nearTop");    // carried onto the top visible entry, else the bottom one
        QTest::addColumn<bool>("atListEnd");  // that entry is the first (or last) of the list
        QTest::addColumn<int>("shift");       // entries the list scrolled by
        QTest::newRow("row 300, entry 5 at the top") << 300 << true << false << -1;
        QTest::newRow("row 305, entry 5 at the top") << 305 << true << false << 0;
        QTest::newRow("row 300, first entry") << 300 << true << true << 0;
        QTest::newRow("row 364, at the bottom") << 364 << false << false << 0;
        QTest::newRow("row 365, at the bottom") << 365 << false << false << 1;
        QTest::newRow("row 365, last entry") << 365 << false << true << 0;
    }

    void carryScrollsByScreenRow()
    {
        QFETCH(int, screenRow);
        QFETCH(bool, nearTop);
        QFETCH(bool, atListEnd);
        QFETCH(int, shift);
        for (int i = 1; i <= 30; ++i)
            list().append(QString::number(i));
        QTreeView* view = m_form->ListView1;
        const int edge = nearTop ? (atListEnd ? 1 : 5) : (atListEnd ? 30 : 15);
        view->scrollTo(list().model().index(edge - 1, 0),
                       nearTop ? QAbstractItemView::PositionAtTop : QAbstractItemView::PositionAtBottom);
        const int topBefore = topEntry();
        m_shell->cursorPos = QPoint(10, screenRow);
        play(QStringLiteral("p%1 m%2 r").arg(nearTop ? edge + 1 : edge - 1).arg(edge));
        QCOMPARE(list().text(edge), QString::number(nearTop ? edge + 1 : edge - 1));  // exchanged
        QCOMPARE(topEntry() - topBefore, shift);
    }

    void keysKeepTheSelectedEntryInView_data()
    {
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<int>("selected");
        const QList<int> down20(20, Qt::Key_Down);
        const QList<int> up20(20, Qt::Key_Up);
        // The first key only makes the first entry current, whichever key it is.
        QTest::newRow("End") << QList<int>{Qt::Key_Home, Qt::Key_End} << 30;
        QTest::newRow("Home after End") << QList<int>{Qt::Key_Home, Qt::Key_End, Qt::Key_Home} << 1;
        QTest::newRow("down past the bottom") << QList<int>{Qt::Key_Home} + down20 << 21;
        QTest::newRow("up past the top") << QList<int>{Qt::Key_Home, Qt::Key_End} + up20 << 10;
    }

    void keysKeepTheSelectedEntryInView()
    {
        QFETCH(QList<int>, keys);
        QFETCH(int, selected);
        for (int i = 1; i <= 30; ++i)
            list().append(QString::number(i));
        for (const int key : keys)
            QTest::keyClick(m_form->ListView1, Qt::Key(key));
        const QModelIndexList rows = m_form->ListView1->selectionModel()->selectedRows();
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.first().row() + 1, selected);
        QVERIFY(viewport()->rect().contains(m_form->ListView1->visualRect(rows.first())));
    }

    void carryingOntoAnEntryShownInPartDoesNotScroll()
    {
        for (int i = 1; i <= 30; ++i)
            list().append(QString::number(i));
        const QModelIndex cut = m_form->ListView1->indexAt(QPoint(5, viewport()->height() - 2));
        QVERIFY(cut.isValid() && m_form->ListView1->visualRect(cut).bottom() >= viewport()->height());
        const int topBefore = topEntry();
        m_shell->cursorPos = QPoint(10, 330);  // a screen row where a carry does not scroll
        play(QStringLiteral("p%1 m%2 r").arg(cut.row()).arg(cut.row() + 1));
        QCOMPARE(list().text(cut.row() + 1), QString::number(cut.row()));  // exchanged
        QCOMPARE(topEntry(), topBefore);
    }

    void pointers_data()
    {
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("afterMove");
        QTest::newRow("custom becomes default") << int(MousePointer::Custom) << int(MousePointer::Default);
        QTest::newRow("busy stays") << int(MousePointer::Busy) << int(MousePointer::Busy);
    }

    void pointers()
    {
        QFETCH(int, before);
        QFETCH(int, afterMove);
        const bool busy = before == int(MousePointer::Busy);
        list().append(QStringList{"a", "b"});
        m_form->setMousePointer(MousePointer(before));
        QTest::mouseMove(viewport(), entryAt(2));
        QCOMPARE(int(m_form->mousePointer()), afterMove);

        // While the window is busy, the hourglass shows over the list and its header whatever
        // the list's own pointer is; it comes back when the window is no longer busy.
        QTest::mousePress(viewport(), Qt::LeftButton, {}, entryAt(1));
        QCOMPARE(viewport()->cursor().shape(), busy ? Qt::WaitCursor : Qt::BitmapCursor);
        QCOMPARE(m_form->ListView1->header()->cursor().shape(), busy ? Qt::WaitCursor : Qt::ArrowCursor);
        m_form->setMousePointer(MousePointer::Default);
        QCOMPARE(viewport()->cursor().pixmap().size(), QSize(32, 32));
        QCOMPARE(viewport()->cursor().hotSpot(), QPoint(0, 0));
        m_form->setMousePointer(MousePointer(before));
        QTest::mouseRelease(viewport(), Qt::LeftButton, {}, entryAt(1));
        QCOMPARE(viewport()->cursor().shape(), busy ? Qt::WaitCursor : Qt::ArrowCursor);
        m_form->setMousePointer(MousePointer::Default);
        QCOMPARE(viewport()->cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(veltrano::filelist::carryPointer(QStringLiteral("/nonexistent")).shape(), Qt::ArrowCursor);
    }

    void addFilesByDialog_data()
    {
        QTest::addColumn<QList<QStringList>>("answers");  // empty: cancelled
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("cancel") << QList<QStringList>{{}} << QStringList{"/w/listed.xls"};
        QTest::newRow("one") << QList<QStringList>{{"/w/a b.xlsx"}} << QStringList{"/w/listed.xls", "/w/a b.xlsx"};
        QTest::newRow("several, at the root, one listed already")
            << QList<QStringList>{{"/c.xls", "/a.xlsm", "/w/listed.xls"}}
            << QStringList{"/w/listed.xls", "/c.xls", "/a.xlsm", "/w/listed.xls"};
    }

    void addFilesByDialog()
    {
        QFETCH(QList<QStringList>, answers);
        QFETCH(QStringList, expected);
        list().append(QStringLiteral("/w/listed.xls"));
        m_shell->openFileAnswers.append(answers.first());
        QTest::mouseClick(m_form->Check3, Qt::LeftButton);
        QCOMPARE(texts(), expected);
        QVERIFY(!m_form->Check3->isChecked());
        QCOMPARE(m_shell->openFileRequests.size(), 1u);
        const auto& request = m_shell->openFileRequests.front();
        QCOMPARE(request.title, QStringLiteral("Add File(s) - Hold Ctrl to select multiple files"));
        QCOMPARE(request.filterName, QStringLiteral("Excel Files (*.xl*)"));
        QCOMPARE(request.patterns, QStringList{"*.xl*"});
        QVERIFY(request.multipleFiles && request.readOnlyOption);
    }

    void addFolder_data()
    {
        QTest::addColumn<QString>("extension");  // "": cancelled or emptied
        QTest::addColumn<bool>("folderChosen");
        QTest::addColumn<QStringList>("expected");  // below the chosen folder
        QTest::newRow("extension cancelled") << "" << true << QStringList{};
        QTest::newRow("folder cancelled") << "xls" << false << QStringList{};
        QTest::newRow("extension with a dot") << ".xls" << true << QStringList{};
        const QStringList found{".hidden.xls", "a.xls",    "a~b.xls",    "B.XLS",           "link.xls",
                                "S1/b.xls",    "S2/d.xls", "S1/T/c.xls", "S2/outside/e.xls"};
        QStringList foundWithLonger = found;
        foundWithLonger.insert(5, "x.xlsx");
        QTest::newRow("xls, longer extensions too") << "xls" << true << foundWithLonger;
        QTest::newRow("XLS, with ?") << "X?S" << true << found;
    }

    void addFolder()
    {
        QFETCH(QString, extension);
        QFETCH(bool, folderChosen);
        QFETCH(QStringList, expected);
        const QString folder = m_tree.filePath(QStringLiteral("D"));
        m_shell->inputBoxAnswers.append(extension);
        m_shell->folderAnswers.append(folderChosen ? folder : QString());
        m_form->setMousePointer(MousePointer::Custom);
        // The first events pumped inside the scan run this; it sees the pointer of the scan.
        std::optional<MousePointer> duringScan;
        QTimer probe;
        probe.setSingleShot(true);
        connect(&probe, &QTimer::timeout, this, [&] { duringScan = m_form->mousePointer(); });
        probe.start(0);
        // The found files are listed in one step, so no handler that runs in between (Convert,
        // say) can see a part of them.
        int listings = 0;
        const auto counting = connect(&list().model(), &QAbstractItemModel::rowsInserted, this, [&] { ++listings; });
        QTest::mouseClick(m_form->Check6, Qt::LeftButton);
        disconnect(counting);

        QCOMPARE(m_shell->inputPrompts, QStringList{"Enter file extension to load:"});
        QCOMPARE(m_shell->inputDefaults, QStringList{"xls"});
        QCOMPARE(m_shell->inputTitles, QStringList{"Veltrano"});
        QCOMPARE(m_shell->folderStarts, extension.isEmpty() ? QStringList{} : QStringList{QDir::homePath()});
        QCOMPARE(listings, expected.isEmpty() ? 0 : 1);
        QStringList wanted;
        for (const QString& path : expected)
            wanted << folder + '/' + path;
        QCOMPARE(texts(), wanted);
        const bool scanned = !extension.isEmpty() && folderChosen;
        QCOMPARE(int(m_form->mousePointer()), int(scanned ? MousePointer::Default : MousePointer::Custom));
        if (!scanned)
            return;
        QCOMPARE(duringScan, std::optional(MousePointer::Busy));
        // The folder whose path is too long to open, and a matching file that no path we could
        // list would name, are reported in one message after the scan.
        QCOMPARE(m_shell->messages.size(), 1u);
        QCOMPARE(m_shell->messages.front().title, QStringLiteral("Veltrano"));
        const QString& report = m_shell->messages.front().prompt;
        QVERIFY(report.contains(folder + "/deep/") && report.contains("File name too long"));
        QVERIFY(report.contains(folder + "/gone: the link cannot be followed") && !report.contains(".#lock"));
        QCOMPARE(report.contains("not valid UTF-8"), !expected.isEmpty());
    }

    void namesAndPatterns_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("matches");
        addRow("same three letters", "*.xls", "a.xls", true);
        addRow("longer extension", "*.xls", "b.xlsx", true);
        addRow("longer extension, other case", "*.xls", "c.XLSM", true);
        addRow("shorter extension", "*.xls", "d.xl", false);
        addRow("longer extension, not the last", "*.xls", "e.xlsx.bak", false);
        addRow("no dot", "*.xls", "xlsx", false);
        addRow("stem still matched", "a*.xls", "b.xlsx", false);
        addRow("wildcard in the extension", "*.x?s", "b.xlsx", false);
        addRow("four-letter extension", "*.xlsx", "b.xlsxx", false);
        addRow("question mark needs one", "*.x?s", "b.xs", false);
        addRow("two dots", "*..xls", "a.xls", false);
        addRow("brackets are plain", "*.[x]ls", "a.[x]ls", true);
        addRow("non-ASCII case", "*.ÉXL", "a.éxl", true);
    }

    void namesAndPatterns()
    {
        QFETCH(QString, pattern);
        QFETCH(QString, name);
        QFETCH(bool, matches);
        QCOMPARE(veltrano::filelist::WildcardPattern(pattern).matches(name), matches);
    }

    // The names of the backups this program makes, in any locale, are told apart from the names
    // people give workbooks.
    void backupNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("isBackup");
        const QDateTime when(QDate(2026, 12, 7), QTime(22, 36));
        for (const auto language : {QLocale::English, QLocale::Spanish, QLocale::German, QLocale::Japanese}) {
            const QString stamp = veltrano::conversion::backupStamp(when, QLocale(language));
            for (const QString& suffix : {QString(), QStringLiteral(" (2)"), QStringLiteral(" (13)")}) {
                const QString name =
                    veltrano::conversion::backupPathFor(QStringLiteral("Ventas.Q1.xlsx"), stamp + suffix);
                QTest::newRow(qPrintable(name)) << name << true;
            }
        }
        for (const char* name : {"Backup plan.xlsx", "Sales Backup.xlsx", "Backup 2026.xlsx",
                                 "Sales backup 10 36 PM.xlsx", "Sales Backup 10 36 PM Monday.xlsx"})
            QTest::newRow(name) << QString::fromUtf8(name) << false;
    }

    void backupNames()
    {
        QFETCH(QString, name);
        QFETCH(bool, isBackup);
        QCOMPARE(veltrano::filelist::isBackupName(name), isBackup);
    }

    void theRootJoinsWithOneSeparator()
    {
        QCOMPARE(veltrano::filelist::joinPath("/", "a.xls"), QStringLiteral("/a.xls"));
    }

    void drops_data()
    {
        QTest::addColumn<QStringList>("urls");  // none: plain text is dragged
        QTest::addColumn<int>("actions");
        QTest::addColumn<bool>("accepted");
        const int copyOrMove = int(Qt::CopyAction | Qt::MoveAction);
        QTest::newRow("three files") << QStringList{"file:///w/b.txt", "file:///w/a%20b.xlsx", "file:///w/x.xls"}
                                     << copyOrMove << true;
        QTest::newRow("a folder") << QStringList{"file:///w/folder"} << copyOrMove << true;
        QTest::newRow("plain text") << QStringList{} << copyOrMove << false;
        QTest::newRow("a web address among files")
            << QStringList{"file:///w/a.xls", "https://example.org/b.xls"} << copyOrMove << false;
        QTest::newRow("only a move offered") << QStringList{"file:///w/a.xls"} << int(Qt::MoveAction) << false;
    }

    void drops()
    {
        QFETCH(QStringList, urls);
        QFETCH(int, actions);
        QFETCH(bool, accepted);
        list().append(QStringLiteral("/w/x.xls"));
        QMimeData data;
        QStringList paths{"/w/x.xls"};
        if (urls.isEmpty())
            data.setText(QStringLiteral("/w/a.xls"));
        QList<QUrl> parsed;
        for (const QString& url : urls) {
            parsed << QUrl(url);
            paths << parsed.last().toLocalFile();
        }
        data.setUrls(parsed);
        // Over the first entry: the drop still goes to the end.
        const auto possible = Qt::DropActions(actions);
        QDragEnterEvent enter(entryAt(1), possible, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(viewport(), &enter);
        QCOMPARE(enter.isAccepted(), accepted);
        QDropEvent drop(QPointF(entryAt(1)), possible, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(viewport(), &drop);
        QCOMPARE(texts(), accepted ? paths : QStringList{"/w/x.xls"});
        if (accepted)
            QCOMPARE(drop.dropAction(), Qt::CopyAction);
    }

private:
    veltrano::filelist::FileList& list() { return m_form->fileList(); }
    QWidget* viewport() { return m_form->ListView1->viewport(); }

    QStringList texts()
    {
        QStringList all;
        for (int i = 1; i <= list().count(); ++i)
            all << list().text(i);
        return all;
    }

    QPoint entryAt(int position)
    {
        return m_form->ListView1->visualRect(list().model().index(position - 1, 0)).center();
    }

    QPoint emptySpace() { return QPoint(5, viewport()->height() - 3); }

    int topEntry() { return m_form->ListView1->indexAt(QPoint(5, 1)).row() + 1; }

    // Plays a gesture such as "p1 m4 r" on the list (see carryingExchangesTexts_data).
    void play(const QString& gesture)
    {
        Qt::MouseButton held = Qt::LeftButton;
        QPoint at;
        for (const QString& step : gesture.split(' ')) {
            const int position = step.mid(1).toInt();
            if (step.size() > 1)
                at = position == 0 ? emptySpace() : entryAt(position);
            switch (step[0].toLatin1()) {
            case 'c':
                QTest::mouseClick(viewport(), Qt::LeftButton, {}, at);
                break;
            case 'd':  // as the platform delivers it: a click, then the second press and release
                QTest::mouseClick(viewport(), Qt::LeftButton, {}, at);
                QTest::mouseDClick(viewport(), Qt::LeftButton, {}, at);
                QTest::mouseRelease(viewport(), Qt::LeftButton, {}, at);
                break;
            case 'p':
            case 'P':
                held = step[0] == 'p' ? Qt::LeftButton : Qt::RightButton;
                QTest::mousePress(viewport(), held, {}, at);
                break;
            case 'm':
                QTest::mouseMove(viewport(), at);
                break;
            case 'r':
                QTest::mouseRelease(viewport(), held, {}, at);
                break;
            }
        }
    }

    // D holds the example tree (a.xls; S1 with b.xls and T/c.xls; S2 with d.xls) and around it:
    // backups this program made (which a search leaves out), a lock file, a "~" inside a name,
    // a hidden file, a capitalised name, a link to a file, a
    // name that is not UTF-8, a hidden folder, a link back up (a loop), a second link to S1/T,
    // a link to a folder outside D, a link to nothing (and a hidden one, as editors leave), a
    // workbook of another extension, and a chain of folders whose last one's path is too long
    // to open.
    void makeFolderTree()
    {
        QVERIFY(m_tree.isValid());
        const QDir d(m_tree.filePath(QStringLiteral("D")));
        for (const char* folder : {"D/S1/T", "D/S2", "D/.git", "D/deep", "E"})
            QVERIFY(QDir(m_tree.path()).mkpath(QString::fromLatin1(folder)));
        for (const char* file :
             {"a.xls", "a~b.xls", "~$a.xls", ".hidden.xls", "B.XLS", "x.xlsx", "S1/b.xls", "S1/T/c.xls", "S2/d.xls",
              ".git/e.xls", "../E/e.xls", "a Backup 10 36 PM Monday, Dec 7 2026.xls",
              "S1/b Backup 9 05 AM Tuesday, Dec 8 2026 (2).xlsx"}) {
            QFile workbook(d.filePath(QString::fromLatin1(file)));
            QVERIFY(workbook.open(QIODevice::WriteOnly));
        }
        QVERIFY(QFile::link(d.filePath("a.xls"), d.filePath("link.xls")));
        const int undecodable = ::open(QFile::encodeName(d.path()) + "/bad\xff.xls", O_CREAT | O_WRONLY, 0644);
        QVERIFY(undecodable >= 0);
        close(undecodable);
        QVERIFY(QFile::link(d.path(), d.filePath("S1/loop")));
        QVERIFY(QFile::link(d.filePath("S1/T"), d.filePath("S2/T2")));
        QVERIFY(QFile::link(m_tree.filePath("E"), d.filePath("S2/outside")));
        QVERIFY(QFile::link(d.filePath("nothing"), d.filePath("gone")));
        QVERIFY(QFile::link(d.filePath("nothing"), d.filePath(".#lock.xls")));
        int folder = open(QFile::encodeName(d.filePath("deep")).constData(), O_RDONLY | O_DIRECTORY);
        const QByteArray name(250, 'n');
        for (int level = 0; level < 17 && folder >= 0; ++level) {
            mkdirat(folder, name.constData(), 0755);
            const int next = openat(folder, name.constData(), O_RDONLY | O_DIRECTORY);
            close(folder);
            folder = next;
        }
        QVERIFY(folder >= 0);
        const int file = openat(folder, "x.xls", O_CREAT | O_WRONLY, 0644);
        QVERIFY(file >= 0);
        close(file);
        close(folder);
    }

    std::unique_ptr<Form1> m_form;
    ScriptedShell* m_shell = nullptr;
    QTemporaryDir m_tree;
};

VELTRANO_WEB_TEST_MAIN(FileListTest)
#include "filelist_test.moc"

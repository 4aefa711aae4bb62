#include "filelist/folder_scan.h"

#include "filelist/folder_reader.h"

#include <QFile>
#include <QRegularExpression>

#include <algorithm>
#include <set>
#include <utility>

namespace veltrano::filelist {

namespace {

struct DecodedName {
    QString text;
    bool exact;  // false when the bytes are not UTF-8: text then does not name the entry
};

DecodedName decodeName(const std::string& bytes)
{
    QString text = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    // Invalid bytes come out as replacement characters; a name may also hold one for real.
    const bool exact = !text.contains(QChar::ReplacementCharacter)
                       || text.toUtf8() == QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size()));
    return {std::move(text), exact};
}

std::string joinNative(const std::string& folder, const std::string& name)
{
    std::string path = folder;
    if (path.empty() || path.back() != '/')
        path += '/';
    path += name;
    return path;
}

bool isHidden(const std::string& name)
{
    return !name.empty() && name.front() == '.';
}

// Capitals of every UTF-16 unit, one for one, as the platform's listing compares names.
QString listingKey(const QString& name)
{
    QString key(name.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < name.size(); ++i)
        key[i] = name[i].toUpper();
    return key;
}

// The positions of names in the platform's listing order: capitals compared first, then, for
// names that differ only in case, the exact texts.
std::vector<std::size_t> listingOrder(const QStringList& names)
{
    std::vector<QString> keys;
    keys.reserve(static_cast<std::size_t>(names.size()));
    for (const QString& name : names)
        keys.push_back(listingKey(name));
    std::vector<std::size_t> order(keys.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const int byKey = keys[a].compare(keys[b]);
        if (byKey != 0)
            return byKey < 0;
        return names[static_cast<qsizetype>(a)] < names[static_cast<qsizetype>(b)];
    });
    return order;
}

void fillFileNames(ScannedFolder& folder, const std::vector<std::string>& files, PacedPump& pump)
{
    folder.fileNames.reserve(static_cast<qsizetype>(files.size()));
    for (const std::string& file : files) {
        DecodedName name = decodeName(file);
        (name.exact ? folder.fileNames : folder.undecodableFileNames).append(std::move(name.text));
        pump();
    }
    sortLikeListing(folder.fileNames);
}

// A folder waiting in the walk's queue: its path as shown and as the file system takes it.
struct PendingFolder {
    QString path;
    std::string nativePath;
};

// Queues parent's subfolders that are not hidden, in the platform's listing order; a name that
// no shown path can hold is reported instead.
void queueSubfolders(const PendingFolder& parent, const std::vector<std::string>& names,
                     std::vector<PendingFolder>& queue, std::vector<ScanProblem>& problems, PacedPump& pump)
{
    QStringList shownNames;
    std::vector<const std::string*> nativeNames;
    for (const std::string& name : names) {
        pump();
        if (isHidden(name))
            continue;
        DecodedName shown = decodeName(name);
        if (!shown.exact) {
            problems.push_back({joinPath(parent.path, shown.text),
                                QStringLiteral("the name is not valid UTF-8, so the folder was not searched")});
            continue;
        }
        shownNames.append(std::move(shown.text));
        nativeNames.push_back(&name);
    }
    for (const std::size_t i : listingOrder(shownNames))
        queue.push_back({joinPath(parent.path, shownNames[static_cast<qsizetype>(i)]),
                         joinNative(parent.nativePath, *nativeNames[i])});
}

}  // namespace

PacedPump::PacedPump(std::function<void()> pump, std::chrono::milliseconds interval)
    : m_pump(std::move(pump)),
      m_interval(interval),
      m_last(std::chrono::steady_clock::now())
{}

void PacedPump::operator()()
{
    if (std::chrono::steady_clock::now() - m_last >= m_interval)
        now();
}

void PacedPump::now()
{
    if (m_pump)
        m_pump();
    m_last = std::chrono::steady_clock::now();
}

FolderTree CollectSubfolders(const QString& folder, PacedPump& pump)
{
    FolderTree tree;
    // The breadth-first walk's queue: each folder read appends its subfolders at the end, so the
    // levels follow one another.
    std::vector<PendingFolder> queue{{folder, QFile::encodeName(folder).toStdString()}};
    // Links may lead to a folder met before, or back up the tree: each real folder is read once,
    // under the first path that reached it.
    std::set<FolderIdentity> seen;
    pump.now();

    for (std::size_t next = 0; next < queue.size(); ++next) {
        const PendingFolder pending = queue[next];
        const FolderEntries entries = readFolder(pending.nativePath);
        pump();
        if (entries.identity && !seen.insert(*entries.identity).second)
            continue;
        if (!entries.error.empty())
            tree.problems.push_back({pending.path, QString::fromLocal8Bit(entries.error)});
        ScannedFolder scanned{pending.path, {}, {}};
        fillFileNames(scanned, entries.files, pump);
        for (const BrokenLink& link : entries.brokenLinks)
            if (!isHidden(link.name))
                tree.problems.push_back(
                    {joinPath(pending.path, decodeName(link.name).text),
                     QStringLiteral("the link cannot be followed: %1").arg(QString::fromLocal8Bit(link.reason))});
        queueSubfolders(pending, entries.folders, queue, tree.problems, pump);
        tree.folders.push_back(std::move(scanned));
    }
    return tree;
}

bool isBackupName(const QString& name)
{
    // The hour and minutes, the designator (empty in some locales, "p. m." in others), the day's
    // name, a comma, the month's (which may hold a dot), the day and the year.
    static const QRegularExpression backup(
        QStringLiteral(R"( Backup \d{1,2} \d{2} .*, .+ \d{1,2} \d{4}( \(\d+\))?(\.[^.]*)?$)"));
    return backup.match(name).hasMatch();
}

MatchedFiles MatchingFilePaths(const ScannedFolder& folder, const WildcardPattern& pattern,
                               std::vector<ScanProblem>& problems)
{
    // A name starting with "~" is an open workbook's lock or temporary file.
    const auto wanted = [&](const QString& name) {
        return !name.startsWith(QLatin1Char('~')) && pattern.matches(name);
    };
    MatchedFiles matched;
    for (const QString& name : folder.fileNames) {
        if (!wanted(name))
            continue;
        if (isBackupName(name))
            ++matched.backupsLeftOut;
        else
            matched.paths.append(joinPath(folder.path, name));
    }
    for (const QString& name : folder.undecodableFileNames)
        if (wanted(name))
            problems.push_back({joinPath(folder.path, name),
                                QStringLiteral("the name is not valid UTF-8, so the file was not added")});
    return matched;
}

QString joinPath(const QString& folder, const QString& name)
{
    if (folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

void sortLikeListing(QStringList& names)
{
    QStringList sorted;
    sorted.reserve(names.size());
    for (const std::size_t i : listingOrder(names))
        sorted.append(std::move(names[static_cast<qsizetype>(i)]));
    names = std::move(sorted);
}

namespace {

constexpr uint kAnyRun = '*';
constexpr uint kAnyOne = '?';
constexpr uint kDot = '.';
constexpr qsizetype kShortExtension = 3;

}  // namespace

WildcardPattern::WildcardPattern(const QString& pattern)
    : m_pattern(pattern.toCaseFolded().toUcs4())
{
    const qsizetype dot = m_pattern.lastIndexOf(kDot);
    if (dot < 0 || m_pattern.size() - dot - 1 != kShortExtension)
        return;
    const CodePoints extension = m_pattern.mid(dot + 1);
    if (extension.contains(kAnyRun) || extension.contains(kAnyOne))
        return;
    m_stem = m_pattern.first(dot);
    m_extension = extension;
}

bool WildcardPattern::matches(const QString& name) const
{
    const CodePoints text = name.toCaseFolded().toUcs4();
    return wholeMatch(m_pattern, text) || matchesByExtensionStart(text);
}

bool WildcardPattern::matchesByExtensionStart(const CodePoints& text) const
{
    if (m_extension.isEmpty())
        return false;
    const qsizetype dot = text.lastIndexOf(kDot);
    if (dot < 0)
        return false;
    const CodePoints extension = text.mid(dot + 1);
    return extension.size() > kShortExtension && extension.first(kShortExtension) == m_extension
           && wholeMatch(m_stem, text.first(dot));
}

bool WildcardPattern::wholeMatch(const CodePoints& pattern, const CodePoints& text)
{
    qsizetype p = 0;
    qsizetype t = 0;
    // Where the last "*" was, and the text position it was last tried against: on a mismatch
    // the "*" takes one more character and the rest is tried again.
    qsizetype starP = -1;
    qsizetype starT = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == kAnyRun) {
            starP = p++;
            starT = t;
        } else if (p < pattern.size() && (pattern[p] == kAnyOne || pattern[p] == text[t])) {
            ++p;
            ++t;
        } else if (starP >= 0) {
            p = starP + 1;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == kAnyRun)
        ++p;
    return p == pattern.size();
}

}  // namespace veltrano::filelist

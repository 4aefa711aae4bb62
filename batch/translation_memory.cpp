#include "batch/translation_memory.h"

#include <sqlite3.h>
#include <unistd.h>

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace veltrano::batch {
namespace {

namespace fs = std::filesystem;

// Another process writing its batch holds the lock for a fraction of a second at a time.
constexpr int kBusyTimeoutMs = 30000;

constexpr const char* kSchema =
    "PRAGMA journal_mode=WAL;"
    "PRAGMA synchronous=NORMAL;"
    "CREATE TABLE IF NOT EXISTS translations ("
    " direction TEXT NOT NULL, fingerprint TEXT NOT NULL, source TEXT NOT NULL, target TEXT NOT NULL,"
    " PRIMARY KEY (direction, fingerprint, source)) WITHOUT ROWID;"
    "SELECT count(*) FROM translations;";

// Holds a read transaction for its lifetime; ends it however the reading ends.
class ReadTransaction {
public:
    explicit ReadTransaction(sqlite3* db)
        : m_db(db),
          m_open(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK)
    {}
    ~ReadTransaction()
    {
        if (m_open)
            sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
    }
    ReadTransaction(const ReadTransaction&) = delete;
    ReadTransaction& operator=(const ReadTransaction&) = delete;

private:
    sqlite3* m_db;
    bool m_open;
};

bool isDamage(int code)
{
    code &= 0xff;
    return code == SQLITE_CORRUPT || code == SQLITE_NOTADB;
}

// A statement finalized however its use ends.
class Statement {
public:
    Statement(sqlite3* db, const char* sql) { m_code = sqlite3_prepare_v2(db, sql, -1, &m_statement, nullptr); }
    ~Statement() { sqlite3_finalize(m_statement); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    int prepared() const { return m_code; }
    sqlite3_stmt* get() const { return m_statement; }
    void bind(int index, const std::string& text) const
    {
        sqlite3_bind_text(m_statement, index, text.data(), int(text.size()), SQLITE_STATIC);
    }

private:
    sqlite3_stmt* m_statement = nullptr;
    int m_code = SQLITE_OK;
};

// The first bytes of every SQLite database file.
constexpr std::string_view kSqliteHeader{"SQLite format 3\0", 16};

bool hasSqliteHeader(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::string head(kSqliteHeader.size(), '\0');
    return file.read(head.data(), std::streamsize(head.size())) && head == kSqliteHeader;
}

bool isLink(const std::string& path)
{
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

// Read-only by its permission bits (as well as for this user): root may write anything, yet a
// memory its owner made read-only is not to be changed.
bool readOnlyFor(const std::string& path)
{
    struct stat info;
    if (::stat(path.c_str(), &info) != 0)
        return false;
    return (info.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0;
}

bool canOnlyBeRead(const std::string& path)
{
    const std::string folder = fs::path(path).parent_path().empty() ? "." : fs::path(path).parent_path().string();
    return readOnlyFor(path) || readOnlyFor(folder);
}

// The names of the tables of the database at path; nullopt when it cannot be read as one.
std::optional<std::vector<std::string>> tablesOf(const std::string& path)
{
    sqlite3* db = nullptr;
    std::vector<std::string> tables;
    bool read = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK;
    if (read) {
        sqlite3_stmt* statement = nullptr;
        read = sqlite3_prepare_v2(db, "SELECT name FROM sqlite_master WHERE type = 'table'", -1, &statement, nullptr)
               == SQLITE_OK;
        while (read && sqlite3_step(statement) == SQLITE_ROW)
            tables.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    if (!read)
        return std::nullopt;
    return tables;
}

// path as the path of a file: URI, with the characters a URI gives a meaning escaped.
std::string uriPath(const std::string& path)
{
    std::string escaped;
    for (const char c : path) {
        if (c == '%' || c == '?' || c == '#') {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", static_cast<unsigned char>(c));
            escaped += hex;
        } else {
            escaped += c;
        }
    }
    return escaped;
}

std::string stampNow()
{
    const std::time_t now = std::time(nullptr);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", std::localtime(&now));
    return stamp;
}

}  // namespace

std::string defaultMemoryPath()
{
    const char* cache = std::getenv("XDG_CACHE_HOME");
    fs::path folder;
    if (cache && *cache)
        folder = cache;
    else if (const char* home = std::getenv("HOME"); home && *home)
        folder = fs::path(home) / ".cache";
    else
        folder = fs::temp_directory_path();
    return (folder / "veltrano" / "translations.sqlite").string();
}

veltrano::Result<void, std::string> checkMemoryFile(const std::string& path)
{
    std::error_code error;
    const auto status = fs::status(path, error);
    if (!fs::exists(status)) {
        if (isLink(path))
            return path + " is a link to nothing";
        return {};
    }
    if (!fs::is_regular_file(status))
        return path + " is not a file";
    if (fs::file_size(path, error) == 0)
        return {};
    if (!hasSqliteHeader(path))
        return path + " is not a translation memory (not an SQLite database)";
    // A damaged memory can be set aside; a healthy database of another program is not ours to change.
    const auto tables = tablesOf(path);
    if (tables && !tables->empty() && std::find(tables->begin(), tables->end(), "translations") == tables->end())
        return path + " is a database of something else, not a translation memory";
    return {};
}

TranslationMemory::TranslationMemory(std::string path, std::string direction, std::string fingerprint, Warn warn)
    : m_path(std::move(path)),
      m_direction(std::move(direction)),
      m_fingerprint(std::move(fingerprint)),
      m_warn(std::move(warn))
{}

TranslationMemory::~TranslationMemory()
{
    sqlite3_close(m_db);
}

std::unique_ptr<TranslationMemory> TranslationMemory::open(const std::string& path, std::string direction,
                                                           std::string fingerprint, Warn warn)
{
    std::unique_ptr<TranslationMemory> memory(
        new TranslationMemory(path, std::move(direction), std::move(fingerprint), std::move(warn)));
    std::error_code ignored;  // a folder that cannot be made shows as a database that cannot be opened
    fs::create_directories(fs::path(path).parent_path(), ignored);
    if (fs::exists(path, ignored) && canOnlyBeRead(path)) {
        if (memory->connectForReading())
            return memory;
        return nullptr;  // warned already
    }
    if (memory->connect())
        return memory;
    if (!memory->m_db)
        return nullptr;  // warned already; nothing to set aside
    const int code = sqlite3_extended_errcode(memory->m_db);
    const std::string reason = sqlite3_errmsg(memory->m_db);
    sqlite3_close(memory->m_db);
    memory->m_db = nullptr;
    return memory->setAsideAndStartAgain(code, reason);
}

std::unique_ptr<TranslationMemory> TranslationMemory::setAsideAndStartAgain(int code, const std::string& reason)
{
    // Only a damaged database of ours is moved: never a link (whose target is someone's file),
    // never a file that is not a database at all.
    if (!isDamage(code) || isLink(m_path) || !hasSqliteHeader(m_path)) {
        m_warn("the translation memory " + m_path + " cannot be used (" + reason + "); it was left as it is and "
               + "this run goes on without it");
        return nullptr;
    }
    const std::string aside = m_path + ".damaged-" + stampNow();
    std::error_code renamed, ignored;
    fs::rename(m_path, aside, renamed);
    for (const char* suffix : {"-wal", "-shm"})
        fs::remove(m_path + suffix, ignored);
    if (renamed) {
        m_warn("the translation memory " + m_path + " is damaged (" + reason + ") and cannot be set aside ("
               + renamed.message() + "); going on without it");
        return nullptr;
    }
    m_warn("the translation memory " + m_path + " was damaged (" + reason + "); it was set aside as " + aside
           + " and a new one started");
    std::unique_ptr<TranslationMemory> again(new TranslationMemory(m_path, m_direction, m_fingerprint, m_warn));
    if (again->connect())
        return again;
    if (again->m_db)
        again->giveUp("cannot be made again", sqlite3_errmsg(again->m_db));
    return nullptr;
}

// Opens a memory this user may only read, without writing to it or beside it (a database in
// the WAL journal cannot be read in a read-only folder unless it is opened as unchanging).
bool TranslationMemory::connectForReading()
{
    for (const std::string& name : {m_path, "file:" + uriPath(m_path) + "?immutable=1"}) {
        sqlite3_close(m_db);
        m_db = nullptr;
        if (sqlite3_open_v2(name.c_str(), &m_db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) != SQLITE_OK)
            continue;
        sqlite3_extended_result_codes(m_db, 1);
        if (sqlite3_exec(m_db, "SELECT count(*) FROM translations", nullptr, nullptr, nullptr) == SQLITE_OK) {
            m_readOnly = true;
            m_warn("the translation memory " + m_path
                   + " can only be read; its translations are used, new ones "
                     "are not kept");
            return true;
        }
    }
    const std::string reason = m_db ? sqlite3_errmsg(m_db) : "it cannot be opened";
    sqlite3_close(m_db);
    m_db = nullptr;
    m_warn("the translation memory " + m_path + " can only be read, and reading it failed (" + reason
           + "); going on without it");
    return false;
}

// Opens the file and makes sure the table is there and readable. False with m_db still open
// (for its error) when the file is not a usable database; false with m_db null, after a warning,
// when the file cannot be opened at all.
bool TranslationMemory::connect()
{
    const int opened = sqlite3_open_v2(m_path.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (opened != SQLITE_OK) {
        const std::string reason = m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(opened);
        sqlite3_close(m_db);
        m_db = nullptr;
        m_warn("the translation memory " + m_path + " cannot be opened (" + reason + "); going on without it");
        return false;
    }
    sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
    sqlite3_extended_result_codes(m_db, 1);
    return sqlite3_exec(m_db, kSchema, nullptr, nullptr, nullptr) == SQLITE_OK;
}

void TranslationMemory::giveUp(const std::string& what, const std::string& reason)
{
    m_warn("the translation memory " + m_path + " " + what + " (" + reason
           + "); the rest of this run goes on without it");
    sqlite3_close(m_db);
    m_db = nullptr;
}

std::string TranslationMemory::keyOf(const std::string& field) const
{
    // Translations of no field keep the key they had before fields were told apart, so that a
    // memory kept earlier still serves them.
    return field.empty() ? m_fingerprint : m_fingerprint + " field:" + field;
}

std::vector<std::optional<std::string>> TranslationMemory::find(const std::vector<std::string>& texts,
                                                                const std::string& field)
{
    if (!m_db)
        return std::vector<std::optional<std::string>>(texts.size());
    auto found = lookUp(texts, keyOf(field));
    if (!found) {
        giveUp("cannot be read", found.error());
        return std::vector<std::optional<std::string>>(texts.size());
    }
    return std::move(found).value();
}

veltrano::Result<std::vector<std::optional<std::string>>, std::string>
TranslationMemory::lookUp(const std::vector<std::string>& texts, const std::string& key)
{
    std::vector<std::optional<std::string>> found(texts.size());
    const Statement select(m_db,
                           "SELECT target FROM translations WHERE direction = ?1 AND fingerprint = ?2 AND source = ?3");
    if (select.prepared() != SQLITE_OK)
        return std::string(sqlite3_errmsg(m_db));
    select.bind(1, m_direction);
    select.bind(2, key);
    // One read transaction for all the look-ups, rather than one each (in WAL mode each costs a
    // look at the log's index).
    const ReadTransaction reading(m_db);
    for (std::size_t i = 0; i < texts.size(); ++i) {
        select.bind(3, texts[i]);
        const int step = sqlite3_step(select.get());
        if (step == SQLITE_ROW) {
            const auto* target = reinterpret_cast<const char*>(sqlite3_column_text(select.get(), 0));
            found[i] = std::string(target ? target : "", std::size_t(sqlite3_column_bytes(select.get(), 0)));
        } else if (step != SQLITE_DONE) {
            return std::string(sqlite3_errmsg(m_db));
        }
        sqlite3_reset(select.get());
    }
    return found;
}

void TranslationMemory::keep(const std::vector<std::pair<std::string, std::string>>& translations,
                             const std::string& field)
{
    if (!writable() || translations.empty())
        return;
    if (const auto written = write(translations, keyOf(field)); !written)
        giveUp("cannot be written", written.error());
}

veltrano::Result<void, std::string>
TranslationMemory::write(const std::vector<std::pair<std::string, std::string>>& translations, const std::string& key)
{
    // BEGIN IMMEDIATE takes the write lock at once, so waiting for another process happens here,
    // under the busy timeout, rather than failing half-way.
    if (sqlite3_exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
        return std::string(sqlite3_errmsg(m_db));
    const auto rolledBack = [this] {
        std::string reason = sqlite3_errmsg(m_db);  // before ROLLBACK, whose success clears it
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        return reason;
    };
    {
        const Statement insert(m_db, "INSERT OR REPLACE INTO translations (direction, fingerprint, source, target) "
                                     "VALUES (?1, ?2, ?3, ?4)");
        if (insert.prepared() != SQLITE_OK)
            return rolledBack();
        insert.bind(1, m_direction);
        insert.bind(2, key);
        for (const auto& [source, target] : translations) {
            insert.bind(3, source);
            insert.bind(4, target);
            if (sqlite3_step(insert.get()) != SQLITE_DONE) {
                sqlite3_reset(insert.get());
                return rolledBack();
            }
            sqlite3_reset(insert.get());
        }
    }
    if (sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        return rolledBack();
    return {};
}

}  // namespace veltrano::batch

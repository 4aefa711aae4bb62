#pragma once
// Translations kept between runs in an SQLite database, keyed by direction, the page host's
// translation fingerprint with the field of the workbook the text came from, and the source text. Several processes may share one file. The memory
// is a cache: when it cannot be used the run goes on without it, after a warning.

#include "result/result.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

struct sqlite3;

namespace veltrano::batch {

// $XDG_CACHE_HOME/veltrano/translations.sqlite, with ~/.cache for an unset XDG_CACHE_HOME.
std::string defaultMemoryPath();

// Whether the file at path may be used as a translation memory: no file yet, an empty file, or
// an SQLite database holding a memory's table or no table at all; else why not (it is something
// else: a folder, a workbook, another program's database). Checked before a run touches
// anything, so that a slip such as "--memory Ventas.xlsx" costs no file.
veltrano::Result<void, std::string> checkMemoryFile(const std::string& path);

class TranslationMemory {
public:
    using Warn = std::function<void(const std::string&)>;

    // Opens the database at path, making it and its folder when missing. A damaged database (a
    // file whose header says SQLite, not a link) is renamed aside (path + ".damaged-" + time) and
    // a new one made, with a warning; any other file is left as it is. A memory this user may
    // not write (its file or folder read-only) is opened for reading only: its translations are
    // used and new ones are not kept, with a warning. nullptr, after a warning, when no database
    // can be had at all.
    static std::unique_ptr<TranslationMemory> open(const std::string& path, std::string direction,
                                                   std::string fingerprint, Warn warn);
    ~TranslationMemory();
    TranslationMemory(const TranslationMemory&) = delete;
    TranslationMemory& operator=(const TranslationMemory&) = delete;

    // The kept translation of each text from a workbook of field ("" for none), or nullopt
    // where none is kept.
    std::vector<std::optional<std::string>> find(const std::vector<std::string>& texts, const std::string& field);

    // Keeps these (source, translation) pairs of a workbook of field, in one transaction.
    void keep(const std::vector<std::pair<std::string, std::string>>& translations, const std::string& field);

    // False once a failure made the memory stop being used for this run.
    bool usable() const { return m_db != nullptr; }

    // False when new translations are not kept (a read-only memory).
    bool writable() const { return m_db != nullptr && !m_readOnly; }

private:
    TranslationMemory(std::string path, std::string direction, std::string fingerprint, Warn warn);
    bool connect();
    bool connectForReading();
    std::unique_ptr<TranslationMemory> setAsideAndStartAgain(int code, const std::string& reason);
    // Warns that the memory what (with sqlite's reason) and closes it for the rest of the run;
    // called once no statement is left open, so that the connection does close.
    void giveUp(const std::string& what, const std::string& reason);
    // The fingerprint column's value for translations of a workbook of field.
    std::string keyOf(const std::string& field) const;
    // The kept translation of each text under key (nullopt where none is kept), or the reason
    // looking them up failed, taken before ending the statement and the transaction clears it.
    veltrano::Result<std::vector<std::optional<std::string>>, std::string> lookUp(const std::vector<std::string>& texts,
                                                                                  const std::string& key);
    // Nothing, or the reason writing failed, taken the same way.
    veltrano::Result<void, std::string> write(const std::vector<std::pair<std::string, std::string>>& translations,
                                              const std::string& key);

    std::string m_path;
    std::string m_direction;
    std::string m_fingerprint;
    Warn m_warn;
    sqlite3* m_db = nullptr;
    bool m_readOnly = false;
};

}  // namespace veltrano::batch

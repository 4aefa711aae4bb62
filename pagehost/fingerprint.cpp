#include "pagehost/fingerprint.h"

#include "pagehost/file_text.h"
#include "pagehost/glossary_fingerprint.h"

#include <filesystem>
#include <sstream>

namespace veltrano::pagehost {
namespace {

constexpr const char* kPackageDatabase = "/var/lib/dpkg/status";

// The Version field of an installed package's stanza in the package database; "" when absent.
std::string installedVersion(const std::string& database, const std::string& package)
{
    std::istringstream lines(database);
    std::string line;
    bool inStanza = false;
    while (std::getline(lines, line)) {
        if (line.empty())
            inStanza = false;
        else if (line.starts_with("Package: "))
            inStanza = line.substr(9) == package;
        else if (inStanza && line.starts_with("Version: "))
            return line.substr(9);
    }
    return {};
}

std::string fnv1a(std::string_view text)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    std::ostringstream hex;
    hex << std::hex << hash;
    return hex.str();
}

// The installed Apertium pair package's name and version; for a pair not installed as a
// package, a hash of its mode file's text.
std::string pairFingerprint(const Direction& direction)
{
    // A pair "xxx-yyy" is packaged as apertium-xxx-yyy, which also holds its reverse yyy-xxx.
    const std::string pair = std::filesystem::path(direction.modeFile).stem().string();
    const auto dash = pair.find('-');
    const std::string database = readWholeFile(kPackageDatabase).value_or(std::string());
    if (dash != std::string::npos) {
        const std::string reverse = pair.substr(dash + 1) + "-" + pair.substr(0, dash);
        for (const std::string& name : {pair, reverse}) {
            const std::string package = "apertium-" + name;
            if (const std::string version = installedVersion(database, package); !version.empty())
                return package + " " + version;
        }
    }
    return "mode " + pair + " " + fnv1a(readWholeFile(direction.modeFile).value_or(std::string()));
}

// The running page host program: its own handling of the texts around the pipeline (what it
// protects, spacing, case, the words it rewrites) decides translations as much as the data does,
// so a translation kept from another build of it is not reused.
std::string programFingerprint()
{
    static const std::string fingerprint = fnv1a(readWholeFile("/proc/self/exe").value_or(std::string()));
    return fingerprint;
}

}  // namespace

std::string translationFingerprint(const Direction& direction)
{
    // The pair's version, the vocabulary (rules, dictionary additions, glossaries) over it, and
    // the program that runs them.
    return pairFingerprint(direction) + " vocabulary " + glossaryFingerprint(direction) + " host "
           + programFingerprint();
}

}  // namespace veltrano::pagehost

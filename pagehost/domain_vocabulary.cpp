#include "pagehost/domain_vocabulary.h"

#include "pagehost/file_text.h"
#include "pagehost/glossary_fingerprint.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

namespace veltrano::pagehost {
namespace {

// FNV-1a over the parts with their lengths, so that moving bytes from one file to the next
// changes the hash; stable from one run and one build to the next.
class Fingerprint {
public:
    void add(std::string_view part)
    {
        mix(std::to_string(part.size()));
        mix(part);
    }
    std::string hex() const
    {
        char digits[17];
        for (int i = 0; i < 16; ++i)
            digits[i] = "0123456789abcdef"[(m_hash >> (60 - 4 * i)) & 0xF];
        digits[16] = '\0';
        return digits;
    }

private:
    void mix(std::string_view bytes)
    {
        for (const char c : bytes) {
            m_hash ^= static_cast<unsigned char>(c);
            m_hash *= 0x100000001b3ULL;
        }
    }
    std::uint64_t m_hash = 0xcbf29ce484222325ULL;
};

// The compiled files, the two glossaries and the capital words.
constexpr int kFingerprintParts = 12;

std::mutex& registryMutex()
{
    static std::mutex mutex;
    return mutex;
}

// The fingerprints of the vocabularies loaded so far, by "sl-tl".
std::map<std::string, std::string>& registry()
{
    static std::map<std::string, std::string> fingerprints;
    return fingerprints;
}

std::string directionKey(const std::string& sourceLanguage, const std::string& targetLanguage)
{
    return sourceLanguage + "-" + targetLanguage;
}

}  // namespace

std::string userGlossaryPath(const std::string& sourceLanguage, const std::string& targetLanguage)
{
    std::string base;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config)
        base = config;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::string(home) + "/.config";
    else
        base = ".config";
    return base + "/veltrano/glossary-" + directionKey(sourceLanguage, targetLanguage) + ".tsv";
}

std::string defaultVocabularyDir()
{
    // Found from the running program, so the build tree (bin/ beside share/) and an installed
    // copy (libexec/veltrano/ two levels below share/) each use their own; the folder the build
    // wrote it to is the last resort.
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        for (const char* up : {"..", "../.."}) {
            const std::filesystem::path candidate = program.parent_path() / up / "share/veltrano-pagehost";
            if (std::filesystem::is_directory(candidate, error))
                return candidate.lexically_normal().string();
        }
    }
    return VELTRANO_PAGEHOST_VOCABULARY_DIR;
}

DomainVocabulary loadDomainVocabulary(const std::string& dataDir, const std::string& mode,
                                      const std::string& sourceLanguage, const std::string& targetLanguage,
                                      std::ostream& report)
{
    DomainVocabulary vocabulary;
    Fingerprint fingerprint;
    const std::string base = dataDir + "/" + mode;
    DomainStages stages{base + ".autobil.bin",
                        base + ".domain.lrx.bin",
                        base + ".automorf.bin",
                        base + ".autogen.bin",
                        base + ".cg.bin",
                        {base + ".source.t1x", base + ".source.bin"},
                        {base + ".target.t1x", base + ".target.bin"}};
    // All or nothing: the words added to one dictionary are looked up in the others.
    const std::string* const files[] = {&stages.bilingualDictionary,
                                        &stages.selectionRules,
                                        &stages.analyser,
                                        &stages.generator,
                                        &stages.grammar,
                                        &stages.sourceRules.rules,
                                        &stages.sourceRules.compiled,
                                        &stages.targetRules.rules,
                                        &stages.targetRules.compiled};
    std::vector<std::optional<std::string>> contents;
    for (const auto* file : files)
        contents.push_back(readWholeFile(*file));
    const auto missing = std::find(contents.begin(), contents.end(), std::nullopt);
    if (missing == contents.end()) {
        for (const auto& content : contents)
            fingerprint.add(*content);
        vocabulary.stages = stages;
    } else {
        report << "cannot read " << *files[missing - contents.begin()] << "; translating without the domain's rules\n";
        for (std::size_t part = 0; part < contents.size(); ++part)
            fingerprint.add({});
    }

    auto glossary = std::make_shared<Glossary>();
    std::vector<std::string> problems;
    for (const auto& path :
         {dataDir + "/" + mode + ".glossary.tsv", userGlossaryPath(sourceLanguage, targetLanguage)}) {
        const auto text = readWholeFile(path);
        fingerprint.add(text.value_or(std::string()));
        if (text)
            glossary->addTsv(*text, path, problems);
    }
    const auto capitals = readWholeFile(dataDir + "/" + mode + ".capitals.txt");
    fingerprint.add(capitals.value_or(std::string()));
    if (capitals)
        glossary->addCapitalWords(*capitals);
    const auto givenNames = readWholeFile(dataDir + "/given-names.txt");
    fingerprint.add(givenNames.value_or(std::string()));
    if (givenNames)
        glossary->addGivenNames(*givenNames);
    // The fields' markers are only sent to a pipeline whose grammar, built with them, takes them out.
    const auto fields = readWholeFile(dataDir + "/" + mode + ".fields.tsv");
    fingerprint.add(fields.value_or(std::string()));
    if (fields && vocabulary.stages)
        vocabulary.fields = std::make_shared<const WorkbookFields>(*fields);
    for (const auto& problem : problems)
        report << problem << '\n';
    vocabulary.glossary = std::move(glossary);
    vocabulary.fingerprint = fingerprint.hex();

    std::lock_guard lock(registryMutex());
    registry()[directionKey(sourceLanguage, targetLanguage)] = vocabulary.fingerprint;
    return vocabulary;
}

std::string glossaryFingerprint(const Direction& direction)
{
    {
        std::lock_guard lock(registryMutex());
        const auto found = registry().find(directionKey(direction.sourceLanguage, direction.targetLanguage));
        if (found != registry().end())
            return found->second;
    }
    // A direction made without loading a vocabulary translates with none.
    Fingerprint none;
    for (int part = 0; part < kFingerprintParts; ++part)
        none.add({});
    return none.hex();
}

}  // namespace veltrano::pagehost

#pragma once
// The translations of one run: every distinct text is translated once, taken from the memory
// when it is kept there, else sent to the translator in one batch with the run's other new texts.

#include "batch/page_host_client.h"
#include "batch/translation_memory.h"

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace veltrano::batch {

class RunTranslations {
public:
    // memory may be null (--no-memory, or none could be opened); keepNew false reads it only.
    RunTranslations(TextTranslator& translator, TranslationMemory* memory, bool keepNew);

    // Makes sure each of texts has its translation, asking the memory and then the translator
    // only for those the run has not met before. The translator's failure when it fails.
    Outcome<bool> prepare(const std::vector<std::string_view>& texts);

    // The translation of a text prepare() was given.
    const std::string& of(const std::string& text) const { return m_known.find(text)->second; }

    std::size_t distinctTexts() const { return m_known.size(); }
    std::size_t fromMemory() const { return m_fromMemory; }

private:
    TextTranslator& m_translator;
    TranslationMemory* m_memory;
    bool m_keepNew;
    // Looked up by string_view without making a string of it.
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
    };
    std::unordered_map<std::string, std::string, Hash, std::equal_to<>> m_known;
    std::size_t m_fromMemory = 0;
};

}  // namespace veltrano::batch

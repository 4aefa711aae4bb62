#pragma once
// The translations of one run: every distinct text is translated once for each field of the
// workbooks it comes from (the field chooses some words' translations: "Goals" in a sports sheet),
// taken from the memory when it is kept there, else sent to the translator in one batch with the
// workbook's other new texts.
// With number templates, texts that differ only in standalone numbers share one translation of
// their template (number_template.h), and the memory keeps what was actually translated: the
// template, or the text itself when it has none or its template's translation cannot be mapped back.

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
    // numberTemplates only when the translator gives a template's numbers no meaning of their own.
    RunTranslations(TextTranslator& translator, TranslationMemory* memory, bool keepNew, bool numberTemplates = false);

    // Makes sure each of texts, one workbook's, has its translation in the field the translator
    // tells from them all, asking the memory and then the translator only for those the run has
    // not met before in that field. The translator's failure when it fails.
    Result<void> prepare(const std::vector<std::string_view>& texts);

    // The translation of a text the last prepare() was given.
    const std::string& of(std::string_view text) const { return m_current->find(text)->second; }

    // Distinct texts, counted once for each field they were translated in.
    std::size_t distinctTexts() const;
    // How many of the distinct texts had their translation (or their template's) in the memory.
    std::size_t fromMemory() const { return m_fromMemory; }

private:
    // The translations of distinct texts, from the memory or else the translator, kept in the
    // memory when new; fromMemory tells which the memory had.
    Result<std::vector<std::string>> translateDistinct(const std::vector<std::string>& texts,
                                                       std::vector<bool>& fromMemory);
    Result<void> prepareThroughTemplates(std::vector<std::string> unknown);
    // Each text translated as it is (or found in the memory), and known from then on.
    Result<void> prepareDirectly(std::vector<std::string> texts);

    TextTranslator& m_translator;
    TranslationMemory* m_memory;
    bool m_keepNew;
    bool m_numberTemplates;
    // Looked up by string_view without making a string of it.
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
    };
    using Known = std::unordered_map<std::string, std::string, Hash, std::equal_to<>>;
    // Each field's translations ("" for none); a text may have one in each.
    std::unordered_map<std::string, Known> m_knownByField;
    std::string m_field;  // the field of the workbook last prepared
    Known* m_current = &m_knownByField[""];
    std::size_t m_fromMemory = 0;
};

}  // namespace veltrano::batch

#include "batch/run_translations.h"

#include <unordered_set>

namespace veltrano::batch {

RunTranslations::RunTranslations(TextTranslator& translator, TranslationMemory* memory, bool keepNew)
    : m_translator(translator), m_memory(memory), m_keepNew(keepNew)
{
}

Outcome<bool> RunTranslations::prepare(const std::vector<std::string_view>& texts)
{
    std::vector<std::string> unknown;
    std::unordered_set<std::string_view> listed;
    for (const std::string_view text : texts)
        if (!m_known.contains(text) && listed.insert(text).second)
            unknown.emplace_back(text);
    if (unknown.empty())
        return true;

    std::vector<std::string> toSend;
    if (m_memory && m_memory->usable()) {
        const auto kept = m_memory->find(unknown);
        for (std::size_t i = 0; i < unknown.size(); ++i) {
            if (kept[i]) {
                m_known.emplace(unknown[i], *kept[i]);
                ++m_fromMemory;
            } else {
                toSend.push_back(unknown[i]);
            }
        }
    } else {
        toSend = std::move(unknown);
    }
    if (toSend.empty())
        return true;

    auto translated = m_translator.translate(toSend);
    if (!translated)
        return Failure{translated.error()};
    std::vector<std::pair<std::string, std::string>> pairs;
    pairs.reserve(toSend.size());
    for (std::size_t i = 0; i < toSend.size(); ++i) {
        m_known.emplace(toSend[i], translated.value()[i]);
        pairs.emplace_back(std::move(toSend[i]), std::move(translated.value()[i]));
    }
    if (m_memory && m_keepNew)
        m_memory->keep(pairs);
    return true;
}

}  // namespace veltrano::batch

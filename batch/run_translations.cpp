#include "batch/run_translations.h"

#include "batch/number_template.h"

#include <algorithm>
#include <optional>
#include <unordered_set>

namespace veltrano::batch {

RunTranslations::RunTranslations(TextTranslator& translator, TranslationMemory* memory, bool keepNew,
                                 bool numberTemplates)
    : m_translator(translator),
      m_memory(memory),
      m_keepNew(keepNew),
      m_numberTemplates(numberTemplates)
{}

Result<void> RunTranslations::prepare(const std::vector<std::string_view>& texts)
{
    std::vector<std::string> unknown;  // every distinct text until the field is known
    std::unordered_set<std::string_view> listed;
    for (const std::string_view text : texts)
        if (listed.insert(text).second)
            unknown.emplace_back(text);
    if (unknown.empty())
        return {};
    // Told from all the workbook's texts, also those already known, so that the field does not
    // depend on what earlier workbooks or the memory held.
    auto field = m_translator.fieldOf(unknown);
    if (!field)
        return field.error();
    m_field = std::move(field).value();
    m_current = &m_knownByField[m_field];
    std::erase_if(unknown, [this](const std::string& text) { return m_current->contains(text); });
    if (unknown.empty())
        return {};
    if (m_numberTemplates)
        return prepareThroughTemplates(std::move(unknown));
    return prepareDirectly(std::move(unknown));
}

std::size_t RunTranslations::distinctTexts() const
{
    std::size_t count = 0;
    for (const auto& [field, known] : m_knownByField)
        count += known.size();
    return count;
}

Result<void> RunTranslations::prepareDirectly(std::vector<std::string> texts)
{
    std::vector<bool> kept;
    auto translated = translateDistinct(texts, kept);
    if (!translated)
        return translated.error();
    for (std::size_t i = 0; i < texts.size(); ++i)
        m_current->emplace(std::move(texts[i]), std::move(translated.value()[i]));
    m_fromMemory += static_cast<std::size_t>(std::count(kept.begin(), kept.end(), true));
    return {};
}

Result<void> RunTranslations::prepareThroughTemplates(std::vector<std::string> unknown)
{
    // Each template (or text without one) once, in the order first met.
    std::vector<std::optional<NumberTemplate>> templates;
    std::vector<std::string> sent;
    std::vector<std::size_t> sentIndex;
    std::unordered_map<std::string, std::size_t> indexOf;
    for (const auto& text : unknown) {
        templates.push_back(numberTemplateOf(text));
        const std::string& key = templates.back() ? templates.back()->text : text;
        const auto [found, added] = indexOf.try_emplace(key, sent.size());
        if (added)
            sent.push_back(key);
        sentIndex.push_back(found->second);
    }
    std::vector<bool> kept;
    auto translated = translateDistinct(sent, kept);
    if (!translated)
        return translated.error();

    std::vector<std::string> unmapped;  // texts whose template's translation lost a number
    for (std::size_t i = 0; i < unknown.size(); ++i) {
        std::string& translation = translated.value()[sentIndex[i]];
        if (!templates[i]) {
            m_current->emplace(std::move(unknown[i]), translation);
        } else if (auto restored = restoreNumbers(translation, *templates[i])) {
            m_current->emplace(std::move(unknown[i]), std::move(*restored));
        } else {
            unmapped.push_back(std::move(unknown[i]));
            continue;
        }
        m_fromMemory += kept[sentIndex[i]] ? 1 : 0;
    }
    if (unmapped.empty())
        return {};
    return prepareDirectly(std::move(unmapped));
}

Result<std::vector<std::string>> RunTranslations::translateDistinct(const std::vector<std::string>& texts,
                                                                    std::vector<bool>& fromMemory)
{
    std::vector<std::string> result(texts.size());
    fromMemory.assign(texts.size(), false);
    std::vector<std::string> toSend;
    std::vector<std::size_t> sentAt;
    const auto kept = m_memory && m_memory->usable() ? m_memory->find(texts, m_field)
                                                     : std::vector<std::optional<std::string>>(texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (kept[i]) {
            result[i] = *kept[i];
            fromMemory[i] = true;
        } else {
            toSend.push_back(texts[i]);
            sentAt.push_back(i);
        }
    }
    if (toSend.empty())
        return result;

    auto translated = m_translator.translate(toSend, m_field);
    if (!translated)
        return translated.error();
    std::vector<std::pair<std::string, std::string>> pairs;
    pairs.reserve(toSend.size());
    for (std::size_t i = 0; i < toSend.size(); ++i) {
        result[sentAt[i]] = translated.value()[i];
        pairs.emplace_back(std::move(toSend[i]), std::move(translated.value()[i]));
    }
    if (m_memory && m_keepNew)
        m_memory->keep(pairs, m_field);
    return result;
}

}  // namespace veltrano::batch

#pragma once
// The translation directions this host offers, each with its own translator.

#include "pagehost/translator_pool.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace veltrano::pagehost {

struct Direction {
    std::string sourceLanguage;                  // two-letter code, as in the page address: "en"
    std::string targetLanguage;                  // "es"
    std::string title;                           // for people: "English to Spanish"
    std::unique_ptr<TranslatorPool> translator;  // null when the direction is not available
    std::string unavailable;                     // why, when translator is null
    std::string modeFile;                        // the Apertium mode file its pipelines come from
};

class TranslationService {
public:
    explicit TranslationService(std::vector<Direction> directions);

    // The direction from sourceLanguage to targetLanguage; nullptr when this host does not offer it.
    Direction* find(std::string_view sourceLanguage, std::string_view targetLanguage);

    const std::vector<Direction>& directions() const { return m_directions; }

    // Warms every available direction's pipeline at the same time; returns when all are done.
    // Directions whose pipeline fails here report it on their first request.
    void warmUp();

private:
    std::vector<Direction> m_directions;
};

// English to Spanish and Spanish to English through Apertium's modes "eng-spa" and "spa-eng" in
// modesDir, each with pipelines pipelines; a direction whose mode file is missing or unreadable is
// kept, marked unavailable.
std::vector<Direction> apertiumDirections(const std::string& modesDir, TranslatorSettings settings,
                                          std::size_t pipelines = 1);

}  // namespace veltrano::pagehost

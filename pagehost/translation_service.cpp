#include "pagehost/translation_service.h"

#include "pagehost/domain_vocabulary.h"
#include "pagehost/mode_file.h"
#include "pagehost/process_pipeline.h"

#include <iostream>
#include <sstream>
#include <thread>

namespace veltrano::pagehost {
namespace {

struct ApertiumMode {
    const char* source;
    const char* target;
    const char* title;
    const char* mode;
};

constexpr ApertiumMode kModes[] = {
    {"en", "es", "English to Spanish", "eng-spa"},
    {"es", "en", "Spanish to English", "spa-eng"},
};

Direction directionFor(const ApertiumMode& mode, const std::string& modesDir, TranslatorSettings settings,
                       std::size_t pipelines)
{
    Direction direction{mode.source, mode.target, mode.title, nullptr, {}, modesDir + "/" + mode.mode + ".mode"};
    std::ostringstream report;
    auto vocabulary = loadDomainVocabulary(defaultVocabularyDir(), mode.mode, mode.source, mode.target, report);
    std::istringstream reported(report.str());
    for (std::string line; std::getline(reported, line);)
        std::cerr << "veltrano-pagehost: " << mode.title << ": " << line << '\n';
    auto programs = readModeFile(direction.modeFile);
    if (programs && vocabulary.stages)
        programs = withDomainStages(std::move(programs.value()), *vocabulary.stages);
    if (!programs) {
        direction.unavailable = programs.error().message;
        return direction;
    }
    settings.name = mode.title;
    settings.spanishTarget = std::string_view(mode.target) == "es";
    PipelineFactory factory = [programs = std::move(programs.value())] { return ProcessPipeline::start(programs); };
    direction.translator =
        std::make_unique<TranslatorPool>(factory, settings, pipelines, std::move(vocabulary.glossary));
    return direction;
}

}  // namespace

TranslationService::TranslationService(std::vector<Direction> directions)
    : m_directions(std::move(directions))
{}

Direction* TranslationService::find(std::string_view sourceLanguage, std::string_view targetLanguage)
{
    for (auto& direction : m_directions) {
        if (direction.sourceLanguage == sourceLanguage && direction.targetLanguage == targetLanguage)
            return &direction;
    }
    return nullptr;
}

void TranslationService::warmUp()
{
    std::vector<std::jthread> warmers;
    for (auto& direction : m_directions) {
        if (direction.translator)
            warmers.emplace_back([&direction] {
                if (auto warmed = direction.translator->warmUp(); !warmed)
                    std::cerr << "veltrano-pagehost: " << direction.title << ": " << warmed.error().message << '\n';
            });
    }
}

std::vector<Direction> apertiumDirections(const std::string& modesDir, TranslatorSettings settings,
                                          std::size_t pipelines)
{
    std::vector<Direction> directions;
    for (const auto& mode : kModes)
        directions.push_back(directionFor(mode, modesDir, settings, pipelines));
    return directions;
}

}  // namespace veltrano::pagehost

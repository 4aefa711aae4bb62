#include "pagehost/translation_service.h"

#include "pagehost/domain_vocabulary.h"
#include "pagehost/mode_file.h"
#include "pagehost/process_pipeline.h"

#include <filesystem>
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

// The analyser of a mode's source language: the vocabulary's, or else the one the mode starts with;
// empty when there is neither.
std::string analyserOf(const ApertiumMode& mode, const std::string& modesDir)
{
    const std::string withVocabulary = defaultVocabularyDir() + "/" + mode.mode + ".automorf.bin";
    std::error_code error;
    if (std::filesystem::exists(withVocabulary, error))
        return withVocabulary;
    const auto programs = readModeFile(modesDir + "/" + mode.mode + ".mode");
    if (!programs || programs.value().empty() || programs.value().front().size() < 2)
        return {};
    return programs.value().front().back();
}

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
    direction.translator = std::make_unique<TranslatorPool>(
        factory, settings, pipelines, std::move(vocabulary.glossary), std::move(vocabulary.fields));
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
    // Each language's analyser serves both directions: the source's in one, the target's in the other.
    const std::string english = analyserOf(kModes[0], modesDir);
    const std::string spanish = analyserOf(kModes[1], modesDir);
    std::shared_ptr<const KnownWords> words[] = {nullptr, nullptr};
    if (!english.empty() && !spanish.empty()) {
        words[0] = std::make_shared<const KnownWords>(english);
        words[1] = std::make_shared<const KnownWords>(spanish);
    }
    std::vector<Direction> directions;
    for (std::size_t i = 0; i < std::size(kModes); ++i) {
        if (words[0])
            settings.languageCheck = std::make_shared<const LanguageCheck>(words[i], words[1 - i]);
        directions.push_back(directionFor(kModes[i], modesDir, settings, pipelines));
    }
    return directions;
}

}  // namespace veltrano::pagehost

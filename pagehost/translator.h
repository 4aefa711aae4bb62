#pragma once
// Translation of batches of cell texts in one direction through one kept-warm pipeline.

#include "pagehost/glossary.h"
#include "pagehost/language_check.h"
#include "pagehost/pipeline.h"
#include "pagehost/verbatim.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace veltrano::pagehost {

struct TranslatorSettings {
    // Time a segment may take before the pipeline counts as hung, plus an allowance per KiB
    // of segment (a warm pipeline needs about 10 ms per KiB on a small machine).
    std::chrono::milliseconds baseTimeout{10000};
    std::chrono::milliseconds timeoutPerKiB{50};
    // Added for the first segment of a newly started pipeline, which loads its dictionaries
    // first (a third of a second on an idle machine, several seconds on a busy one).
    std::chrono::milliseconds startAllowance{20000};
    // Texts are sent in segments of at most this many bytes (a longer single text goes alone).
    std::size_t maxSegmentBytes = 64 * 1024;
    // Names the pipeline in the line written to standard error when it is restarted.
    std::string name = "translation";
    // The target is Spanish: questions and exclamations open with ¿ and ¡, and a label in
    // sentence case gets no capital after its first word (Spanish capitalises less than English).
    bool spanishTarget = false;
    // Decides which texts are in the target language already, to come back as they are; none
    // when null.
    std::shared_ptr<const LanguageCheck> languageCheck;
};

// A kept span of a text that goes to the pipeline as a word standing in for it.
struct WordStandIn {
    std::size_t begin = 0;
    std::size_t length = 0;
    std::string_view word;
};

class Translator {
public:
    // glossary, when given, decides texts that are one of its terms and the terms inside others.
    explicit Translator(PipelineFactory factory, TranslatorSettings settings = {},
                        std::shared_ptr<const Glossary> glossary = nullptr);

    // The translations of texts, in the same order. Surrounding whitespace, line breaks, NUL
    // characters and the case forced at sentence starts are kept as in the text; texts with no
    // letters come back unchanged without reaching the pipeline, and so do texts the glossary
    // translates whole, and texts the language check finds in the target language already.
    // Glossary terms inside a text reach the pipeline protected from it. A failure when the pipeline
    // cannot be started, ends, hangs or garbles the texts; it is then restarted for the next call.
    // Calls are serialised: one batch at a time goes through the pipeline. fieldMarker, when not
    // empty, is the word that tells the pipeline the field of the workbook the texts come from;
    // a text leftToField says is that field's to translate is not taken whole from the glossary.
    Result<std::vector<std::string>> translate(const std::vector<std::string>& texts, std::string_view fieldMarker = {},
                                               const std::function<bool(std::string_view)>& leftToField = {});

    // Starts the pipeline and passes a short text through it, and loads the language check's
    // analysers, so the first request does not pay for loading the dictionaries; nothing to do
    // once it has answered. A failure says why the pipeline is not usable.
    Result<void> warmUp();

private:
    Result<std::vector<std::string>> translateCores(const std::vector<std::string_view>& cores,
                                                    std::string_view fieldMarker);
    // The core's glossary terms and verbatim spans, in order: what reaches the pipeline protected,
    // or, for a date, as the number that stands in for it.
    std::vector<GlossaryTerm> keptIn(std::string_view core) const;
    // The unknown acronym or name of core that goes to the pipeline as the code's stand-in.
    std::optional<VerbatimSpan> unknownAcronymFor(std::string_view core) const;
    // The letters of core that name one of a series, which go to the pipeline as numbers.
    std::vector<VerbatimSpan> seriesLettersFor(std::string_view core) const;
    // The pipeline's text for core made fit to stand in its place, as finishTranslation does; a
    // kept span that starts core and translated alike is left out of the case the rest takes.
    std::string finished(std::string_view core, std::string_view translated) const;
    std::vector<std::string_view> datesStoodInFor(std::string_view core) const;
    // The kept spans of core (kept, when the caller has them already) that go as stand-in words.
    std::vector<WordStandIn> wordStandInsFor(std::string_view core,
                                             const std::vector<GlossaryTerm>* kept = nullptr) const;
    std::string streamTextOf(std::string_view core, bool standIns) const;
    // text with the marks the pipeline misreads written as the words they stand for.
    std::string wordedForPipeline(std::string_view text) const;
    Result<std::vector<std::string>> translateChunk(const std::vector<std::string_view>& cores, bool standIns);
    // The chunk as one segment, its separators numbered from m_nextMarker on (which it advances).
    std::string segmentOf(const std::vector<std::string_view>& cores, std::size_t& first, bool standIns);
    Result<std::vector<std::string>> translationsFrom(const std::vector<std::string_view>& cores, std::size_t first,
                                                      const std::string& answer, bool standIns);
    Result<std::vector<std::string>> exchangeAll(const std::vector<std::string>& segments);
    Result<void> ensurePipeline();
    Result<void> startPipeline();
    Failure restartAfter(const std::string& message);
    void reportRestart(const std::string& cause) const;
    std::chrono::milliseconds timeoutFor(std::size_t segmentBytes) const;

    PipelineFactory m_factory;
    TranslatorSettings m_settings;
    std::shared_ptr<const Glossary> m_glossary;  // may be null
    std::mutex m_mutex;
    std::unique_ptr<Pipeline> m_pipeline;
    bool m_pipelineAnswered = false;  // whether m_pipeline has answered once (is loaded)
    std::size_t m_nextMarker = 0;     // first separator number of the next segment
    std::string m_fieldMarker;        // the word each segment of the batch going through starts with
};

}  // namespace veltrano::pagehost

// Any bytes as the text of a cell: the page host's handling of it around the pipeline (what it
// keeps as it is, the marks it rewords, the dates it stands numbers in for, the parts it cuts a
// text into) must never crash, read out of bounds or hang, and what it keeps must lie inside the
// text, in order.
//   CXX=clang++ cmake -S . -B build-fuzz -DVELTRANO_FUZZ=ON
//   cmake --build build-fuzz --target cell_text_fuzz
//   mkdir -p /tmp/cell-corpus && cut -f2 tests/pagehost/data/labels/dev.*.tsv |
//     split -l 1 - /tmp/cell-corpus/label-      (seeds: the development labels)
//   build-fuzz/bin/cell_text_fuzz -max_len=400 -timeout=5 -max_total_time=600 /tmp/cell-corpus
#include "pagehost/date_stand_ins.h"
#include "pagehost/text_shape.h"
#include "pagehost/translator.h"
#include "pagehost/verbatim.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

namespace {

using namespace veltrano::pagehost;

// Gives each segment back as it came, as a pipeline that changes nothing would.
class EchoPipeline final : public Pipeline {
public:
    Result<std::string> exchange(std::string_view segment, std::chrono::milliseconds) override
    {
        return std::string(segment);
    }
    bool ready() override { return true; }
};

Translator& translatorFor(bool spanishTarget)
{
    static std::unique_ptr<Translator> translators[2];
    auto& translator = translators[spanishTarget];
    if (!translator) {
        TranslatorSettings settings;
        settings.spanishTarget = spanishTarget;
        translator = std::make_unique<Translator>(
            [] {
                return Result<std::unique_ptr<Pipeline>>(std::unique_ptr<Pipeline>(std::make_unique<EchoPipeline>()));
            },
            settings);
    }
    return *translator;
}

void checkSpans(std::string_view text)
{
    std::size_t end = 0;
    for (const auto& span : verbatimSpans(text)) {
        if (span.begin < end || span.begin + span.length > text.size())
            std::abort();
        end = span.begin + span.length;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    checkSpans(text);
    isNumericDate(text);
    withoutGenderAlternatives(text);
    withNumberSignsSpelled(withWordedAmpersands(text, "and"));
    const std::string turned = withOpeningQuotesTurned(text);
    if (text.find("\u2018") == std::string::npos && text.find("\u2019") == std::string::npos
        && quotesRestored(text, turned) != text)
        std::abort();
    for (const bool spanishTarget : {false, true}) {
        const auto translated = translatorFor(spanishTarget).translate({text, text + "\n" + text});
        if (!translated || translated.value().size() != 2)
            std::abort();
    }
    return 0;
}

#pragma once
// Several translators of one direction, each with its own pipeline: a large batch is shared out
// among them so that it keeps as many processor cores busy as there are pipelines, while a single
// text (the window's one-at-a-time exchange) goes to the least busy one alone.

#include "pagehost/translator.h"
#include "pagehost/workbook_fields.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace veltrano::pagehost {

class TranslatorPool {
public:
    // size translators (at least one), each starting its own pipeline from factory when first used,
    // all deciding by the same glossary when one is given, and told the field of each batch
    // when fields are given (the pipeline's grammar must then know their markers).
    TranslatorPool(const PipelineFactory& factory, TranslatorSettings settings, std::size_t size,
                   std::shared_ptr<const Glossary> glossary = nullptr,
                   std::shared_ptr<const WorkbookFields> fields = nullptr);

    // As Translator::translate, for texts of a workbook of the field code ("" for none). Texts of a
    // batch go in consecutive shares of about equal size to the least busy translators, at most
    // one share each; small batches stay in one share.
    Result<std::vector<std::string>> translate(const std::vector<std::string>& texts, std::string_view field = {});

    // The fields whose workbooks translate some words their own way; null when none.
    const WorkbookFields* fields() const { return m_fields.get(); }

    // Warms the first translator only; the others start their pipelines when a batch first needs
    // them, so a host that only serves the window costs no more than one pipeline per direction.
    Result<void> warmUp();

    std::size_t size() const { return m_members.size(); }

    // Whether two texts that differ only in their numbers may be translated differently other
    // than by the pipeline: when a glossary term has a digit.
    bool numbersMayDecide() const { return m_numbersMayDecide; }

private:
    struct Member {
        std::unique_ptr<Translator> translator;
        std::atomic<int> inFlight = 0;  // shares this member has been given and not finished
    };

    std::vector<Member*> leastBusy(std::size_t count);
    // texts shared out among the translators, each segment starting with marker.
    Result<std::vector<std::string>> translateShared(const std::vector<std::string>& texts, const std::string& marker,
                                                     const std::function<bool(std::string_view)>& leftToField);

    std::vector<std::unique_ptr<Member>> m_members;
    std::mutex m_choosing;
    std::shared_ptr<const WorkbookFields> m_fields;
    bool m_numbersMayDecide;
};

// The consecutive shares [begin, end) of texts for at most shares translators: about equal in
// bytes, none much below minShareBytes unless it is the only one.
std::vector<std::pair<std::size_t, std::size_t>> shareOut(const std::vector<std::string>& texts, std::size_t shares,
                                                          std::size_t minShareBytes);

}  // namespace veltrano::pagehost

#include "pagehost/translator_pool.h"

#include "pagehost/text_shape.h"

#include <algorithm>
#include <future>
#include <numeric>

namespace veltrano::pagehost {
namespace {

// Below this a share costs more in hand-over than a second pipeline saves (a few milliseconds
// of Apertium time).
constexpr std::size_t kMinShareBytes = 4096;

// Marks a member busy for as long as one share runs on it.
class InFlight {
public:
    explicit InFlight(std::atomic<int>& count)
        : m_count(count)
    {}
    ~InFlight() { --m_count; }
    InFlight(const InFlight&) = delete;
    InFlight& operator=(const InFlight&) = delete;

private:
    std::atomic<int>& m_count;
};

// Whether text holds a tag of the pipeline's stream, such as "<vblex>": two small letters or
// more between angle brackets.
bool hasStreamTag(std::string_view text)
{
    for (auto open = text.find('<'); open != std::string_view::npos; open = text.find('<', open + 1)) {
        const auto close = text.find('>', open);
        if (close == std::string_view::npos)
            return false;
        const std::string_view inside = text.substr(open + 1, close - open - 1);
        if (inside.size() >= 2 && std::all_of(inside.begin(), inside.end(), isSmallAscii))
            return true;
    }
    return false;
}

}  // namespace

std::vector<std::pair<std::size_t, std::size_t>> shareOut(const std::vector<std::string>& texts, std::size_t shares,
                                                          std::size_t minShareBytes)
{
    const std::size_t total =
        std::accumulate(texts.begin(), texts.end(), std::size_t{0},
                        [](std::size_t sum, const std::string& text) { return sum + text.size() + 1; });
    shares = std::clamp<std::size_t>(std::min(shares, total / std::max<std::size_t>(minShareBytes, 1)), 1,
                                     std::max<std::size_t>(texts.size(), 1));
    std::vector<std::pair<std::size_t, std::size_t>> ranges;
    std::size_t begin = 0;
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        bytes += texts[i].size() + 1;
        // Share k ends once the bytes so far reach k/shares of the whole.
        if (ranges.size() + 1 < shares && bytes * shares >= total * (ranges.size() + 1)) {
            ranges.emplace_back(begin, i + 1);
            begin = i + 1;
        }
    }
    ranges.emplace_back(begin, texts.size());
    return ranges;
}

TranslatorPool::TranslatorPool(const PipelineFactory& factory, TranslatorSettings settings, std::size_t size,
                               std::shared_ptr<const Glossary> glossary, std::shared_ptr<const WorkbookFields> fields)
    : m_fields(std::move(fields)),
      m_numbersMayDecide(glossary && glossary->hasTermWithStandaloneNumber())
{
    for (std::size_t i = 0; i < std::max<std::size_t>(size, 1); ++i) {
        auto member = std::make_unique<Member>();
        member->translator = std::make_unique<Translator>(factory, settings, glossary);
        m_members.push_back(std::move(member));
    }
}

std::vector<TranslatorPool::Member*> TranslatorPool::leastBusy(std::size_t count)
{
    std::lock_guard lock(m_choosing);
    std::vector<Member*> members;
    for (auto& member : m_members)
        members.push_back(member.get());
    // Stable, so that among idle members the first (the warm one) is taken first.
    std::stable_sort(members.begin(), members.end(),
                     [](const Member* a, const Member* b) { return a->inFlight < b->inFlight; });
    members.resize(count);
    for (Member* member : members)
        ++member->inFlight;
    return members;
}

Result<std::vector<std::string>> TranslatorPool::translate(const std::vector<std::string>& texts,
                                                           std::string_view field)
{
    if (!m_fields)
        return translateShared(texts, {}, {});
    auto result = translateShared(texts, m_fields->markerOf(field), [this, field](std::string_view cell) {
        return m_fields->leavesToField(field, cell);
    });
    if (!result || field.empty())
        return result;
    // A reading of a renamed word that the field's entry does not translate would show the
    // lemma's new name, in capitals too where the text is, and a rule that looks for the lemma's
    // old name may lose the word and leave its tags: such a text is translated again as in a
    // workbook of no field.
    std::vector<std::size_t> again;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const std::string translated = foldCase(result.value()[i]);
        const std::string text = foldCase(texts[i]);
        if ((translated.find(kRenamedMark) != std::string::npos && text.find(kRenamedMark) == std::string::npos)
            || (hasStreamTag(translated) && !hasStreamTag(text)))
            again.push_back(i);
    }
    if (again.empty())
        return result;
    std::vector<std::string> redo;
    for (const std::size_t i : again)
        redo.push_back(texts[i]);
    auto redone = translateShared(redo, m_fields->markerOf({}), {});
    if (!redone)
        return redone;
    for (std::size_t k = 0; k < again.size(); ++k)
        result.value()[again[k]] = std::move(redone.value()[k]);
    return result;
}

Result<std::vector<std::string>>
TranslatorPool::translateShared(const std::vector<std::string>& texts, const std::string& marker,
                                const std::function<bool(std::string_view)>& leftToField)
{
    const auto shares = shareOut(texts, m_members.size(), kMinShareBytes);
    const std::vector<Member*> members = leastBusy(shares.size());
    const auto translateShare = [&](std::size_t i) {
        const InFlight busy(members[i]->inFlight);
        const std::vector<std::string> share(texts.begin() + static_cast<std::ptrdiff_t>(shares[i].first),
                                             texts.begin() + static_cast<std::ptrdiff_t>(shares[i].second));
        return members[i]->translator->translate(share, marker, leftToField);
    };
    std::vector<std::future<Result<std::vector<std::string>>>> others;
    for (std::size_t i = 1; i < shares.size(); ++i)
        others.push_back(std::async(std::launch::async, translateShare, i));
    auto result = translateShare(0);
    for (auto& other : others) {
        auto translated = other.get();
        if (!result)
            continue;  // every share is waited for: they refer to texts
        if (!translated) {
            result = translated.error();
            continue;
        }
        auto& all = result.value();
        std::move(translated.value().begin(), translated.value().end(), std::back_inserter(all));
    }
    return result;
}

Result<void> TranslatorPool::warmUp()
{
    return m_members.front()->translator->warmUp();
}

}  // namespace veltrano::pagehost

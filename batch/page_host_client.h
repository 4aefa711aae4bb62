#pragma once
// Translations from a running veltrano-pagehost through its JSON API.

#include "pagehost/failure.h"

#include <nlohmann/json_fwd.hpp>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace httplib {
class Client;
}

namespace veltrano::batch {

using pagehost::Failure;
using pagehost::Result;

// Whatever turns texts into their translations, in the same order.
class TextTranslator {
public:
    virtual ~TextTranslator() = default;

    // The field of the workbook texts come from (payroll, sports...), which chooses some words'
    // translations; "" for none. A translator that knows no fields says none.
    virtual Result<std::string> fieldOf(const std::vector<std::string>& /*texts*/) { return std::string(); }

    // texts translated as a workbook of field's ("" for none); with nullopt, the field the
    // translator tells from texts themselves.
    virtual Result<std::vector<std::string>> translate(const std::vector<std::string>& texts,
                                                       const std::optional<std::string>& field) = 0;
    Result<std::vector<std::string>> translate(const std::vector<std::string>& texts)
    {
        return translate(texts, std::nullopt);
    }
};

class PageHostClient final : public TextTranslator {
public:
    // address is "host:port"; texts go from sourceLanguage to targetLanguage.
    PageHostClient(const std::string& address, std::string sourceLanguage, std::string targetLanguage);
    ~PageHostClient() override;

    // POST /api/translate in requests of a few hundred KiB, which the host shares out among its
    // pipelines, two at a time so that the pipelines have the next one while the last share of
    // the one before finishes; a request the host finds too large is sent again in halves. Texts
    // that take several requests without a field given are first sent together, as far as one
    // request holds them, for the host to tell the field of the workbook they come from, which
    // then goes with each request.
    Result<std::vector<std::string>> translate(const std::vector<std::string>& texts,
                                               const std::optional<std::string>& field) override;
    using TextTranslator::translate;

    // The field the host tells from texts (as many as one request holds); "" for none.
    Result<std::string> fieldOf(const std::vector<std::string>& texts) override;

    // The host's translation fingerprint for this direction (GET /api/version).
    Result<std::string> fingerprint();

    // Whether the host says texts of this direction that differ only in standalone numbers may
    // go through one template (GET /api/version); false when it cannot say.
    bool allowsNumberTemplates();

    // Called after each request with the texts of the current translate() done so far and in all.
    void onProgress(std::function<void(std::size_t done, std::size_t total)> report) { m_progress = std::move(report); }

private:
    Result<nlohmann::json> directionVersion();
    Result<std::vector<std::string>> translateRequest(httplib::Client& client, const std::vector<std::string>& texts,
                                                      std::size_t begin, std::size_t end,
                                                      const std::optional<std::string>& field);

    // One connection per request in flight.
    std::vector<std::unique_ptr<httplib::Client>> m_clients;
    std::string m_address;
    std::string m_sourceLanguage;
    std::string m_targetLanguage;
    std::function<void(std::size_t, std::size_t)> m_progress;
};

}  // namespace veltrano::batch

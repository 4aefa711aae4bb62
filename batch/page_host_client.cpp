#include "batch/page_host_client.h"

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <future>
#include <optional>

namespace veltrano::batch {
namespace {

using nlohmann::json;

// Well under the host's body limit, and large enough that each pipeline gets a share of several
// segments.
constexpr std::size_t kRequestBytes = 384 * 1024;
constexpr std::size_t kRequestTexts = 4000;
// A large request on a busy machine can take minutes; the host restarts a hung pipeline itself.
constexpr time_t kReadTimeoutSeconds = 900;
constexpr int kTooLarge = 413;
constexpr std::size_t kRequestsInFlight = 2;
// What the host is given to tell a workbook's field by: enough of its texts, in one request.
constexpr std::size_t kContextTexts = 2000;
constexpr std::size_t kContextBytes = 256 * 1024;

// Consecutive ranges of texts, each one request.
std::vector<std::pair<std::size_t, std::size_t>> requestRanges(const std::vector<std::string>& texts)
{
    std::vector<std::pair<std::size_t, std::size_t>> ranges;
    std::size_t begin = 0;
    while (begin < texts.size()) {
        std::size_t end = begin;
        std::size_t bytes = 0;
        while (end < texts.size() && end - begin < kRequestTexts
               && (end == begin || bytes + texts[end].size() <= kRequestBytes))
            bytes += texts[end++].size() + 8;
        ranges.emplace_back(begin, end);
        begin = end;
    }
    return ranges;
}

std::string errorOf(const httplib::Result& result)
{
    if (!result)
        return "the page host did not answer: " + httplib::to_string(result.error());
    try {
        const json body = json::parse(result->body);
        if (body.contains("error") && body["error"].is_string())
            return "the page host answered " + std::to_string(result->status) + ": " + body["error"].get<std::string>();
    } catch (const json::exception&) {
        // Not our JSON: the status alone says it.
    }
    return "the page host answered " + std::to_string(result->status);
}

}  // namespace

PageHostClient::PageHostClient(const std::string& address, std::string sourceLanguage, std::string targetLanguage)
    : m_address(address),
      m_sourceLanguage(std::move(sourceLanguage)),
      m_targetLanguage(std::move(targetLanguage))
{
    for (std::size_t i = 0; i < kRequestsInFlight; ++i) {
        auto& client = m_clients.emplace_back(std::make_unique<httplib::Client>("http://" + address));
        client->set_read_timeout(kReadTimeoutSeconds, 0);
        client->set_keep_alive(true);
        client->set_tcp_nodelay(true);
    }
}

PageHostClient::~PageHostClient() = default;

Result<std::vector<std::string>> PageHostClient::translate(const std::vector<std::string>& texts,
                                                           const std::optional<std::string>& given)
{
    const auto ranges = requestRanges(texts);
    // The texts of one call are one workbook's: all go for the field the host tells from them
    // together, which a request holding part of them might tell otherwise.
    std::optional<std::string> field = given;
    if (!field && ranges.size() > 1) {
        auto told = fieldOf(texts);
        if (!told)
            return told.error();
        field = std::move(told).value();
    }
    std::vector<std::future<Result<std::vector<std::string>>>> requests(ranges.size());
    // Request i goes out on connection i % kRequestsInFlight once request i - kRequestsInFlight,
    // the connection's last, has been answered; answers are taken in order.
    const auto send = [&](std::size_t i) {
        requests[i] = std::async(std::launch::async, [this, &texts, &ranges, &field, i] {
            return translateRequest(*m_clients[i % kRequestsInFlight], texts, ranges[i].first, ranges[i].second, field);
        });
    };
    for (std::size_t i = 0; i < std::min(kRequestsInFlight, ranges.size()); ++i)
        send(i);
    std::vector<std::string> translations;
    translations.reserve(texts.size());
    std::optional<Failure> failure;
    // After a failure nothing more is sent; the requests out are still waited for.
    for (std::size_t i = 0; i < ranges.size() && requests[i].valid(); ++i) {
        auto translated = requests[i].get();
        if (!translated && !failure)
            failure = translated.error();
        if (!failure && i + kRequestsInFlight < ranges.size())
            send(i + kRequestsInFlight);
        if (failure)
            continue;
        std::move(translated.value().begin(), translated.value().end(), std::back_inserter(translations));
        if (m_progress)
            m_progress(ranges[i].second, texts.size());
    }
    if (failure)
        return *failure;
    return translations;
}

Result<std::string> PageHostClient::fieldOf(const std::vector<std::string>& texts)
{
    std::vector<std::string> context;
    std::size_t bytes = 0;
    for (const auto& text : texts) {
        if (context.size() == kContextTexts || bytes + text.size() > kContextBytes)
            break;
        bytes += text.size() + 8;
        context.push_back(text);
    }
    const json request = {
        {"sl", m_sourceLanguage}, {"tl", m_targetLanguage}, {"q", json::array()}, {"context", context}};
    const auto result = m_clients.front()->Post(
        "/api/translate", request.dump(-1, ' ', false, json::error_handler_t::replace), "application/json");
    if (!result || result->status != 200)
        return Failure{errorOf(result)};
    try {
        return json::parse(result->body).value("field", std::string());
    } catch (const json::exception& error) {
        return Failure{std::string("the page host's answer is not the expected JSON: ") + error.what()};
    }
}

Result<std::vector<std::string>> PageHostClient::translateRequest(httplib::Client& client,
                                                                  const std::vector<std::string>& texts,
                                                                  std::size_t begin, std::size_t end,
                                                                  const std::optional<std::string>& field)
{
    json request = {{"sl", m_sourceLanguage},
                    {"tl", m_targetLanguage},
                    {"q", std::vector<std::string>(texts.begin() + long(begin), texts.begin() + long(end))}};
    if (field)
        request["field"] = *field;
    const auto result =
        client.Post("/api/translate", request.dump(-1, ' ', false, json::error_handler_t::replace), "application/json");
    if (result && result->status == kTooLarge && end - begin > 1) {
        const std::size_t middle = begin + (end - begin) / 2;
        auto first = translateRequest(client, texts, begin, middle, field);
        if (!first)
            return first;
        auto second = translateRequest(client, texts, middle, end, field);
        if (!second)
            return second;
        std::move(second.value().begin(), second.value().end(), std::back_inserter(first.value()));
        return first;
    }
    if (!result || result->status != 200)
        return Failure{errorOf(result)};
    try {
        auto translations = json::parse(result->body).at("translations").get<std::vector<std::string>>();
        if (translations.size() != end - begin)
            return Failure{"the page host answered " + std::to_string(translations.size()) + " translations for "
                           + std::to_string(end - begin) + " texts"};
        return translations;
    } catch (const json::exception& error) {
        return Failure{std::string("the page host's answer is not the expected JSON: ") + error.what()};
    }
}

Result<json> PageHostClient::directionVersion()
{
    const auto result = m_clients.front()->Get("/api/version");
    if (!result || result->status != 200)
        return Failure{errorOf(result)};
    try {
        const json version = json::parse(result->body);
        for (const json& direction : version.at("directions"))
            if (direction.at("sl") == m_sourceLanguage && direction.at("tl") == m_targetLanguage)
                return direction;
    } catch (const json::exception& error) {
        return Failure{std::string("the page host's version is not the expected JSON: ") + error.what()};
    }
    return Failure{"the page host at " + m_address + " does not translate " + m_sourceLanguage + " to "
                   + m_targetLanguage};
}

Result<std::string> PageHostClient::fingerprint()
{
    auto direction = directionVersion();
    if (!direction)
        return direction.error();
    const auto field = direction.value().find("fingerprint");
    if (field == direction.value().end() || !field->is_string())
        return Failure{"the page host's version names no fingerprint"};
    return field->get<std::string>();
}

bool PageHostClient::allowsNumberTemplates()
{
    auto direction = directionVersion();
    if (!direction)
        return false;
    const auto field = direction.value().find("numberTemplates");
    // A host from before templates were known says nothing, and is taken at its silence.
    return field != direction.value().end() && field->is_boolean() && field->get<bool>();
}

}  // namespace veltrano::batch

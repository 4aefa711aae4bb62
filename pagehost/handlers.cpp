#include "pagehost/handlers.h"

#include "pagehost/fingerprint.h"
#include "pagehost/page.h"

#include <nlohmann/json.hpp>

#include <iostream>

namespace veltrano::pagehost {
namespace {

constexpr const char* kJson = "application/json; charset=utf-8";
constexpr const char* kHtml = "text/html; charset=utf-8";

PageDirection pageDirection(const Direction& direction)
{
    return PageDirection{direction.sourceLanguage, direction.targetLanguage, direction.title};
}

std::vector<PageDirection> pageDirectionsExcept(const TranslationService& service, const Direction* except)
{
    std::vector<PageDirection> directions;
    for (const auto& direction : service.directions()) {
        if (&direction != except)
            directions.push_back(pageDirection(direction));
    }
    return directions;
}

std::string offeredPairs(const TranslationService& service)
{
    std::string pairs;
    for (const auto& direction : service.directions())
        pairs += (pairs.empty() ? "" : ", ") + direction.sourceLanguage + "-" + direction.targetLanguage;
    return pairs;
}

void answerError(httplib::Response& response, int status, std::string_view message)
{
    response.status = status;
    response.set_content(errorJson(message), kJson);
}

}  // namespace

void servePage(const httplib::Request& request, httplib::Response& response, TranslationService& service)
{
    const auto sourceLanguage = request.get_param_value("sl");
    const auto targetLanguage = request.get_param_value("tl");
    const Direction* direction = service.find(sourceLanguage, targetLanguage);
    response.set_header("Cache-Control", "no-store");
    if (!direction) {
        response.status = 404;
        response.set_content(unsupportedPairPage(sourceLanguage, targetLanguage, pageDirectionsExcept(service, nullptr)), kHtml);
        return;
    }
    response.set_content(translationPage(pageDirection(*direction), request.get_param_value("text"),
                                         pageDirectionsExcept(service, direction)),
                         kHtml);
}

void serveTranslate(const httplib::Request& request, httplib::Response& response, TranslationService& service,
                    const ApiLimits& limits)
{
    auto parsed = parseTranslateRequest(request.body, limits);
    if (const auto* error = std::get_if<ApiError>(&parsed))
        return answerError(response, error->status, error->message);
    const auto& translateRequest = std::get<TranslateRequest>(parsed);

    Direction* direction = service.find(translateRequest.sourceLanguage, translateRequest.targetLanguage);
    if (!direction)
        return answerError(response, 400, "no translation from \"" + translateRequest.sourceLanguage + "\" to \"" +
                                              translateRequest.targetLanguage + "\" here; offered: " + offeredPairs(service));
    if (!direction->translator)
        return answerError(response, 503, direction->title + " is not available: " + direction->unavailable);

    auto translations = direction->translator->translate(translateRequest.texts);
    if (!translations)
        return answerError(response, 503, direction->title + ": " + translations.error());
    auto body = translationsJson(translations.value());
    if (const auto* error = std::get_if<ApiError>(&body))
        return answerError(response, error->status, error->message);
    response.set_content(std::get<std::string>(body), kJson);
}

void serveHealth(const httplib::Request&, httplib::Response& response, const TranslationService& service)
{
    nlohmann::json available = nlohmann::json::array();
    nlohmann::json unavailable = nlohmann::json::array();
    for (const auto& direction : service.directions()) {
        nlohmann::json pair = {{"sl", direction.sourceLanguage}, {"tl", direction.targetLanguage}};
        if (direction.translator) {
            available.push_back(pair);
        } else {
            pair["reason"] = direction.unavailable;
            unavailable.push_back(pair);
        }
    }
    nlohmann::json body = {{"status", available.empty() ? "unavailable" : "ok"}, {"pairs", available}};
    if (!unavailable.empty())
        body["unavailable"] = unavailable;
    response.status = available.empty() ? 503 : 200;
    response.set_content(body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace), kJson);
}

void serveVersion(const httplib::Request&, httplib::Response& response, const TranslationService& service)
{
    nlohmann::json directions = nlohmann::json::array();
    for (const auto& direction : service.directions())
        directions.push_back({{"sl", direction.sourceLanguage},
                              {"tl", direction.targetLanguage},
                              {"fingerprint", translationFingerprint(direction)}});
    const nlohmann::json body = {{"program", "veltrano-pagehost"}, {"version", VELTRANO_VERSION}, {"directions", directions}};
    response.set_content(body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace), kJson);
}

int bindLoopback(httplib::Server& server, int port)
{
    constexpr const char* kLoopback = "127.0.0.1";
    if (port == 0)
        return server.bind_to_any_port(kLoopback);
    return server.bind_to_port(kLoopback, port) ? port : -1;
}

void reportException(const httplib::Request& request, httplib::Response& response, std::exception_ptr exception)
{
    std::string reason = "unknown exception";
    try {
        std::rethrow_exception(exception);
    } catch (const std::exception& error) {
        reason = error.what();
    } catch (...) {
        // reason stays "unknown exception"; it is still reported below.
    }
    std::cerr << "veltrano-pagehost: " << request.method << ' ' << request.path << ": " << reason << '\n';
    answerError(response, 500, "internal error: " + reason);
}

void describeError(const httplib::Request& request, httplib::Response& response)
{
    if (!response.body.empty())
        return;
    std::string message;
    switch (response.status) {
    case 404: message = "no such page: " + request.path; break;
    case 405: message = "method " + request.method + " not allowed on " + request.path; break;
    case 413: message = "request body is too large"; break;
    default: message = "request failed with status " + std::to_string(response.status);
    }
    answerError(response, response.status, message);
}

}  // namespace veltrano::pagehost

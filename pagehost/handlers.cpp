#include "pagehost/handlers.h"

#include "pagehost/bounded_server.h"
#include "pagehost/fingerprint.h"
#include "pagehost/page.h"
#include "pagehost/request_origin.h"
#include "veltrano_version.h"

#include <nlohmann/json.hpp>

#include <charconv>
#include <iostream>

namespace veltrano::pagehost {
namespace {

constexpr const char* kJson = "application/json; charset=utf-8";
constexpr const char* kHtml = "text/html; charset=utf-8";

PageDirection pageDirection(const Direction& direction)
{
    return PageDirection{direction.sourceLanguage, direction.targetLanguage, direction.title};
}

std::vector<PageDirection> offeredDirections(const TranslationService& service)
{
    std::vector<PageDirection> directions;
    for (const auto& direction : service.directions())
        directions.push_back(pageDirection(direction));
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

std::string tooLargeMessage(const ApiLimits& limits)
{
    return "request body is too large: more than " + std::to_string(limits.maxBodyBytes) + " bytes";
}

// The body, read no further than the limit: a chunked body announces no length, so its size is
// only known as it comes.
veltrano::Result<std::string, ApiError> bodyWithin(const httplib::ContentReader& reader, const ApiLimits& limits)
{
    std::string body;
    bool tooLarge = false;
    const bool whole = reader([&](const char* data, std::size_t size) {
        tooLarge = size > limits.maxBodyBytes - body.size();
        if (!tooLarge)
            body.append(data, size);
        return !tooLarge;
    });
    if (tooLarge)
        return ApiError{413, tooLargeMessage(limits)};
    if (!whole)
        return ApiError{400, "request body did not arrive whole"};
    return body;
}

}  // namespace

void servePage(const httplib::Request& request, httplib::Response& response, TranslationService& service)
{
    const auto sourceLanguage = request.get_param_value("sl");
    const auto targetLanguage = request.get_param_value("tl");
    // An address that names a language twice asks for no one direction.
    const bool oneDirection = request.get_param_value_count("sl") == 1 && request.get_param_value_count("tl") == 1;
    const Direction* direction = oneDirection ? service.find(sourceLanguage, targetLanguage) : nullptr;
    response.set_header("Cache-Control", "no-store");
    if (!direction) {
        response.status = 404;
        response.set_content(unsupportedPairPage(sourceLanguage, targetLanguage, offeredDirections(service)), kHtml);
        return;
    }
    response.set_content(translationPage(pageDirection(*direction), request.get_param_value("text")), kHtml);
}

void serveTranslate(const httplib::Request&, httplib::Response& response, const httplib::ContentReader& reader,
                    TranslationService& service, const ApiLimits& limits)
{
    const auto read = bodyWithin(reader, limits);
    if (!read) {
        BoundedServer::closeConnectionAfterAnswer(response);
        return answerError(response, read.error().status, read.error().message);
    }
    auto parsed = parseTranslateRequest(read.value(), limits);
    if (!parsed)
        return answerError(response, parsed.error().status, parsed.error().message);
    const auto& translateRequest = parsed.value();

    Direction* direction = service.find(translateRequest.sourceLanguage, translateRequest.targetLanguage);
    if (!direction)
        return answerError(response, 400,
                           "no translation from \"" + translateRequest.sourceLanguage + "\" to \""
                               + translateRequest.targetLanguage + "\" here; offered: " + offeredPairs(service));
    if (!direction->translator)
        return answerError(response, 503, direction->title + " is not available: " + direction->unavailable);

    std::string field;
    if (const auto* fields = direction->translator->fields()) {
        if (translateRequest.field) {
            field = *translateRequest.field;
        } else {
            std::vector<std::string> told = translateRequest.texts;
            told.insert(told.end(), translateRequest.context.begin(), translateRequest.context.end());
            field = fields->guess(told);
        }
        if (!field.empty() && !fields->knows(field))
            return answerError(response, 400, "\"" + field + "\" is not a field " + direction->title + " knows");
    }
    auto translations = direction->translator->translate(translateRequest.texts, field);
    if (!translations)
        return answerError(response, 503, direction->title + ": " + translations.error().message);
    auto body = translationsJson(translations.value(), field);
    if (!body)
        return answerError(response, body.error().status, body.error().message);
    response.set_content(body.value(), kJson);
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

httplib::Server::HandlerResponse refuseForeignRequest(const httplib::Request& request, httplib::Response& response,
                                                      int port)
{
    using Handled = httplib::Server::HandlerResponse;
    const std::string host = request.get_header_value("Host");
    if (request.get_header_value_count("Host") != 1 || !isOwnHost(host, port)) {
        BoundedServer::closeConnectionAfterAnswer(response);
        answerError(response, 421,
                    "this host answers for 127.0.0.1:" + std::to_string(port) + " and localhost:" + std::to_string(port)
                        + " only, not for \"" + host + "\"");
        return Handled::Handled;
    }
    // A page elsewhere may have a browser POST a form or plain text here unasked; JSON it may
    // not send without the browser first asking this host, which does not answer such questions.
    const std::string contentType = request.get_header_value("Content-Type");
    if (request.method == "POST" && !isJsonContentType(contentType)) {
        BoundedServer::closeConnectionAfterAnswer(response);
        answerError(response, 415, "a request body must be application/json, not \"" + contentType + "\"");
        return Handled::Handled;
    }
    return Handled::Unhandled;
}

httplib::Server::HandlerResponse refuseUnreadBody(const httplib::Request& request, httplib::Response& response,
                                                  const ApiLimits& limits)
{
    using Handled = httplib::Server::HandlerResponse;
    const std::string announced = request.get_header_value("Content-Length");
    std::uint64_t length = 0;  // none announced: no body, unless a transfer coding says otherwise
    const auto [end, error] = std::from_chars(announced.data(), announced.data() + announced.size(), length);
    const bool lengthValid = announced.empty() || (error == std::errc() && end == announced.data() + announced.size());
    if (!request.has_header("Transfer-Encoding") && lengthValid && length == 0)
        return Handled::Unhandled;
    if (request.method == "POST" && request.path == kTranslateRoute && lengthValid && length <= limits.maxBodyBytes)
        return Handled::Unhandled;

    BoundedServer::closeConnectionAfterAnswer(response);
    if (!lengthValid)
        answerError(response, 400, "Content-Length is not a number: " + announced);
    else if (request.path == kTranslateRoute)
        answerError(response, 413, tooLargeMessage(limits));
    else
        answerError(response, 400, request.method + " " + request.path + " takes no request body");
    return Handled::Handled;
}

void serveVersion(const httplib::Request&, httplib::Response& response, const TranslationService& service)
{
    nlohmann::json directions = nlohmann::json::array();
    for (const auto& direction : service.directions())
        directions.push_back({{"sl", direction.sourceLanguage},
                              {"tl", direction.targetLanguage},
                              {"fingerprint", translationFingerprint(direction)},
                              {"numberTemplates", direction.translator && !direction.translator->numbersMayDecide()}});
    const nlohmann::json body = {
        {"program", "veltrano-pagehost"}, {"version", VELTRANO_VERSION}, {"directions", directions}};
    response.set_content(body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace), kJson);
}

int bindLoopback(BoundedServer& server, int port)
{
    constexpr const char* kLoopback = "127.0.0.1";
    const int bound = port == 0 ? server.bind_to_any_port(kLoopback) : server.bind_to_port(kLoopback, port) ? port : -1;
    if (bound >= 0)
        server.widenAcceptQueue();
    return bound;
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
    case 404:
        message = "no such page: " + request.path;
        break;
    case 405:
        message = "method " + request.method + " not allowed on " + request.path;
        break;
    case 413:
        message = "request body is too large";
        break;
    default:
        message = "request failed with status " + std::to_string(response.status);
    }
    answerError(response, response.status, message);
}

}  // namespace veltrano::pagehost

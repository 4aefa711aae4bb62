#include "pagehost/api.h"

#include <nlohmann/json.hpp>

namespace veltrano::pagehost {
namespace {

using nlohmann::json;

constexpr int kBadRequest = 400;
constexpr int kTooLarge = 413;
constexpr int kInternalError = 500;

std::size_t characterCount(std::string_view utf8)
{
    std::size_t count = 0;
    for (const char c : utf8)
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return count;
}

veltrano::Result<std::string, ApiError> languageField(const json& body, const char* key)
{
    const auto field = body.find(key);
    if (field == body.end() || !field->is_string())
        return ApiError{kBadRequest, std::string("\"") + key + "\" must be a language code string"};
    return field->get<std::string>();
}

veltrano::Result<std::vector<std::string>, ApiError> textsField(const json& body, const ApiLimits& limits,
                                                                const std::string& key = "q")
{
    const auto field = body.find(key);
    if (field == body.end() || !field->is_array())
        return ApiError{kBadRequest, "\"" + key + "\" must be an array of strings"};
    if (field->size() > limits.maxTexts)
        return ApiError{kTooLarge, "too many texts: " + std::to_string(field->size()) + ", at most "
                                       + std::to_string(limits.maxTexts) + " per request"};
    std::vector<std::string> texts;
    texts.reserve(field->size());
    for (std::size_t i = 0; i < field->size(); ++i) {
        const auto& item = (*field)[i];
        if (!item.is_string())
            return ApiError{kBadRequest, "\"" + key + "\"[" + std::to_string(i) + "] is not a string"};
        const auto& text = item.get_ref<const std::string&>();
        if (characterCount(text) > limits.maxTextCharacters)
            return ApiError{kTooLarge, "\"" + key + "\"[" + std::to_string(i)
                                           + "] is too long: " + std::to_string(characterCount(text))
                                           + " characters, at most " + std::to_string(limits.maxTextCharacters)};
        texts.push_back(text);
    }
    return texts;
}

}  // namespace

veltrano::Result<TranslateRequest, ApiError> parseTranslateRequest(std::string_view body, const ApiLimits& limits)
{
    if (body.size() > limits.maxBodyBytes)
        return ApiError{kTooLarge, "request body is " + std::to_string(body.size()) + " bytes, at most "
                                       + std::to_string(limits.maxBodyBytes)};
    json parsed;
    try {
        parsed = json::parse(body);
    } catch (const json::parse_error& error) {
        return ApiError{kBadRequest, std::string("request body is not valid JSON: ") + error.what()};
    }
    if (!parsed.is_object())
        return ApiError{kBadRequest, "request body must be a JSON object"};

    TranslateRequest request;
    auto source = languageField(parsed, "sl");
    VELTRANO_TRY(source);
    auto target = languageField(parsed, "tl");
    VELTRANO_TRY(target);
    auto texts = textsField(parsed, limits);
    VELTRANO_TRY(texts);
    std::optional<std::string> field;
    if (const auto given = parsed.find("field"); given != parsed.end()) {
        if (!given->is_string())
            return ApiError{kBadRequest, "\"field\" must be a string: the field of the workbook, or \"\" for none"};
        field = given->get<std::string>();
    }
    std::vector<std::string> context;
    if (parsed.contains("context")) {
        auto given = textsField(parsed, limits, "context");
        VELTRANO_TRY(given);
        context = std::move(given).value();
    }
    return TranslateRequest{std::move(source).value(), std::move(target).value(), std::move(texts).value(),
                            std::move(field), std::move(context)};
}

veltrano::Result<std::string, ApiError> translationsJson(const std::vector<std::string>& translations,
                                                         std::string_view field)
{
    try {
        json answer = {{"translations", translations}};
        if (!field.empty())
            answer["field"] = field;
        return answer.dump();
    } catch (const json::type_error& error) {
        return ApiError{kInternalError, std::string("translation is not valid UTF-8: ") + error.what()};
    }
}

std::string errorJson(std::string_view message)
{
    return json{{"error", message}}.dump(-1, ' ', false, json::error_handler_t::replace);
}

}  // namespace veltrano::pagehost

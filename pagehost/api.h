#pragma once
// The JSON translation API's request checks and answers, apart from HTTP.

#include "result/result.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace veltrano::pagehost {

struct ApiLimits {
    std::size_t maxBodyBytes = 1024 * 1024;
    std::size_t maxTexts = 10000;
    std::size_t maxTextCharacters = 32767;  // the most one spreadsheet cell can hold
};

struct TranslateRequest {
    std::string sourceLanguage;
    std::string targetLanguage;
    std::vector<std::string> texts;
    std::optional<std::string> field;  // the field of the workbook the texts come from, when the client says
    std::vector<std::string> context;  // other texts of the same workbook, read for its field only
};

// An answer the API gives instead of translations: the HTTP status and a one-line message.
struct ApiError {
    int status;
    std::string message;
};

// The request in a body {"sl":"en","tl":"es","q":["text", ...]}, with "field":"hr-payroll" when
// the client knows the workbook's field ("" for none), or "context":["text", ...], more texts of
// the workbook to tell its field by, not translated. An ApiError when the body is
// not such JSON (400) or goes over a limit (413); the message says which field or limit.
veltrano::Result<TranslateRequest, ApiError> parseTranslateRequest(std::string_view body, const ApiLimits& limits);

// {"translations":[...]}, with "field":"..." when they were translated for a workbook's field; an
// ApiError (500) when a text is not valid UTF-8.
veltrano::Result<std::string, ApiError> translationsJson(const std::vector<std::string>& translations,
                                                         std::string_view field = {});

// {"error":"message"}
std::string errorJson(std::string_view message);

}  // namespace veltrano::pagehost

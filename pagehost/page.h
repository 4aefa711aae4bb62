#pragma once
// The translation page: plain HTML and a small script, nothing fetched from elsewhere.

#include <string>
#include <string_view>
#include <vector>

namespace veltrano::pagehost {

struct PageDirection {
    std::string sourceLanguage;  // "en"
    std::string targetLanguage;  // "es"
    std::string title;           // "English to Spanish"
};

// The page for one direction. Its script watches the text area "source" (a value set from
// script fires no event, so it polls), asks /api/translate for each new text and puts the
// answer into "result_box" while "source" still holds that text; failures go to "error_box",
// never into "result_box". initialText, when not empty, is in "source" from the start. The
// page holds no link, form or other control that leads elsewhere.
std::string translationPage(const PageDirection& direction, std::string_view initialText);

// A page saying that sourceLanguage to targetLanguage is not offered, naming (not linking to)
// the offered directions.
std::string unsupportedPairPage(std::string_view sourceLanguage, std::string_view targetLanguage,
                                const std::vector<PageDirection>& offered);

// text with & < > " ' as character references, safe inside HTML text and attribute values.
std::string escapeHtml(std::string_view text);

}  // namespace veltrano::pagehost

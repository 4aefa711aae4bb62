#include "pagehost/page.h"

#include <nlohmann/json.hpp>

namespace veltrano::pagehost {
namespace {

constexpr std::string_view kStyle = R"(<style>
body { font-family: sans-serif; margin: 1.5em auto; max-width: 48em; padding: 0 1em; }
#source { display: block; width: 100%; min-height: 8em; box-sizing: border-box; font: inherit; }
#result_box { white-space: pre-wrap; min-height: 8em; margin-top: 1em; padding: 2px;
  border: 1px solid #888; overflow-wrap: anywhere; }
#error_box { white-space: pre-wrap; color: #a00000; margin-top: 0.5em; }
</style>
)";

// Polls rather than listens: a value set from script fires no input event. An answer is shown
// only while "source" still holds the text it was asked for, and a later text cancels it.
// Writes to "source" are counted as well, so that the same text written again (the client
// empties "result_box" between cells) gets its result back without a new request, or is asked
// again after a failure; a result is never put back without such a write, since the next text
// may be about to replace it.
// A write also polls at once, as a microtask: that runs when the writer's script is over (so
// it sees whatever that script did next, such as emptying "result_box"), and it is not a timer,
// which a browser slows to once a second or once a minute while the page is hidden. The
// interval remains for typing, which no hook sees.
constexpr std::string_view kScript = R"(
(function () {
  "use strict";
  const source = document.getElementById("source");
  const resultBox = document.getElementById("result_box");
  const errorBox = document.getElementById("error_box");
  let handled = "";
  let result = "";
  let failed = false;
  let latest = 0;
  let writes = 0;
  let seenWrites = 0;

  const valueProperty = Object.getOwnPropertyDescriptor(HTMLTextAreaElement.prototype, "value");
  Object.defineProperty(source, "value", {
    configurable: true,
    get() { return valueProperty.get.call(this); },
    set(text) { valueProperty.set.call(this, text); ++writes; queueMicrotask(poll); }
  });

  function fail(message) {
    failed = true;
    resultBox.textContent = "";
    errorBox.textContent = message;
  }

  // A client about to send a workbook's cells one by one gives their texts first, so that each
  // cell is translated for the field the workbook comes from; answers that field ("" for none).
  window.readWorkbookContext = function (texts) {
    const request = new XMLHttpRequest();
    request.open("POST", "/api/translate", false);
    request.setRequestHeader("Content-Type", "application/json");
    window.workbookField = undefined;
    try {
      request.send(JSON.stringify({ sl: direction.sl, tl: direction.tl, q: [], context: texts }));
      if (request.status === 200) window.workbookField = JSON.parse(request.responseText).field || "";
    } catch (error) {
      // No field then: each cell is read alone, as before.
    }
    return window.workbookField === undefined ? "" : window.workbookField;
  };

  function ask(text) {
    const asked = ++latest;
    const request = { sl: direction.sl, tl: direction.tl, q: [text] };
    if (typeof window.workbookField === "string") request.field = window.workbookField;
    fetch("/api/translate", {
      method: "POST",
      headers: { "Content-Type": "application/json" },
      body: JSON.stringify(request)
    })
      .then(response => response.json().then(
        body => ({ ok: response.ok, status: response.status, body: body })))
      .then(answer => {
        if (asked !== latest || source.value !== text) return;
        const translations = answer.body && answer.body.translations;
        if (answer.ok && Array.isArray(translations) && typeof translations[0] === "string") {
          result = translations[0];
          resultBox.textContent = result;
        } else {
          fail("Translation failed (" + answer.status + "): " +
               ((answer.body && answer.body.error) || "unexpected answer"));
        }
      })
      .catch(error => {
        if (asked === latest) fail("Translation failed: " + error);
      });
  }

  function start(text) {
    handled = text;
    result = "";
    failed = false;
    ++latest;
    resultBox.textContent = "";
    errorBox.textContent = "";
    if (text !== "") ask(text);
  }

  function poll() {
    const text = source.value;
    const written = writes !== seenWrites;
    seenWrites = writes;
    if (text !== handled) {
      start(text);
    } else if (written && failed) {
      start(text);
    } else if (written && result !== "" && resultBox.textContent === "") {
      resultBox.textContent = result;
    }
  }

  if (initialText !== "") source.value = initialText;
  poll();
  setInterval(poll, 50);
})();
)";

// A JSON string is a JavaScript string literal; '<' escaped so the text cannot end the script.
std::string scriptString(std::string_view text)
{
    const std::string json =
        nlohmann::json(std::string(text)).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    std::string safe;
    for (const char c : json) {
        if (c == '<')
            safe += "\\u003c";
        else
            safe += c;
    }
    return safe;
}

// The directions by name, as plain text: the page offers nothing to follow, so that only the
// address the client asked for decides the direction.
std::string namesOf(const std::vector<PageDirection>& directions)
{
    std::string names;
    for (const auto& direction : directions) {
        names += names.empty() ? "" : ", ";
        names += escapeHtml(direction.title) + " (sl=" + escapeHtml(direction.sourceLanguage)
                 + ", tl=" + escapeHtml(direction.targetLanguage) + ")";
    }
    return names;
}

std::string head(std::string_view title)
{
    return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" + escapeHtml(title)
           + "</title>\n" + std::string(kStyle) + "</head>\n";
}

}  // namespace

std::string escapeHtml(std::string_view text)
{
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&':
            escaped += "&amp;";
            break;
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        case '"':
            escaped += "&quot;";
            break;
        case '\'':
            escaped += "&#39;";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

std::string translationPage(const PageDirection& direction, std::string_view initialText)
{
    std::string page = head("Translate " + direction.title);
    page += "<body>\n<h1>" + escapeHtml(direction.title) + "</h1>\n";
    // A text area, not a one-line input: an input's value loses the line breaks of a cell.
    page += "<textarea id=\"source\" lang=\"" + escapeHtml(direction.sourceLanguage)
            + "\" spellcheck=\"false\" aria-label=\"Text to translate\"></textarea>\n";
    page +=
        "<div id=\"result_box\" lang=\"" + escapeHtml(direction.targetLanguage) + "\" aria-live=\"polite\"></div>\n";
    page += "<div id=\"error_box\" role=\"alert\"></div>\n";
    page += "<script>\nconst direction = { sl: " + scriptString(direction.sourceLanguage) + ", tl: "
            + scriptString(direction.targetLanguage) + " };\nconst initialText = " + scriptString(initialText) + ";";
    page += kScript;
    page += "</script>\n</body>\n</html>\n";
    return page;
}

std::string unsupportedPairPage(std::string_view sourceLanguage, std::string_view targetLanguage,
                                const std::vector<PageDirection>& offered)
{
    std::string page = head("Translation not offered");
    page += "<body>\n<h1>Translation not offered</h1>\n<p>This page host does not translate from \""
            + escapeHtml(sourceLanguage) + "\" to \"" + escapeHtml(targetLanguage) + "\".</p>\n";
    page += "<p>Offered: " + (offered.empty() ? std::string("nothing") : namesOf(offered)) + "</p>\n</body>\n</html>\n";
    return page;
}

}  // namespace veltrano::pagehost

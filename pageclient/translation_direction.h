#pragma once
// The two translation directions and the page address of each.

#include <QString>

#include <optional>

namespace veltrano::pageclient {

// The position of an entry in Combo1 is the direction's value.
enum class TranslationDirection {
    EnglishToSpanish = 0,  // "Convert English To Spanish"
    SpanishToEnglish = 1,  // "Convert Spanish To English"
};

// The direction box's entry text for a direction.
QString directionCaption(TranslationDirection direction);

// The direction at a position of Combo1; none for any other position (−1: nothing selected).
std::optional<TranslationDirection> directionAtPosition(int position);

// The page address of a direction on the page host ("127.0.0.1:PORT"): the query ends in an
// empty "text=", because text reaches the page only through its input field.
QString TranslateBaseUrl(TranslationDirection direction, const QString& pageHost);

}  // namespace veltrano::pageclient

#include "pageclient/translation_direction.h"

namespace veltrano::pageclient {

QString directionCaption(TranslationDirection direction)
{
    switch (direction) {
    case TranslationDirection::EnglishToSpanish:
        return QStringLiteral("Convert English To Spanish");
    case TranslationDirection::SpanishToEnglish:
        return QStringLiteral("Convert Spanish To English");
    }
    Q_UNREACHABLE();
}

std::optional<TranslationDirection> directionAtPosition(int position)
{
    switch (position) {
    case 0:
        return TranslationDirection::EnglishToSpanish;
    case 1:
        return TranslationDirection::SpanishToEnglish;
    default:
        return std::nullopt;
    }
}

QString TranslateBaseUrl(TranslationDirection direction, const QString& pageHost)
{
    const QString pathAndQuery = direction == TranslationDirection::EnglishToSpanish
                                     ? QStringLiteral("/translate_t?sl=en&tl=es&text=")
                                     : QStringLiteral("/translate_t?sl=es&tl=en&text=");
    return QStringLiteral("http://") + pageHost + pathAndQuery;
}

}  // namespace veltrano::pageclient

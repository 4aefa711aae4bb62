#include "core/failure.h"

#include <utility>

namespace veltrano::core {

std::string Failure::message() const
{
    if (engineWhere)
        return spreadsheet::joinedMessage(engineWhere->file, engineWhere->place, reason);
    return messageAt(place, reason);
}

std::string Failure::messageWithoutFile() const
{
    // Another file than the reader's (a link's target) is still named.
    if (engineWhere)
        return spreadsheet::joinedMessage(engineWhere->file == place.file ? std::string() : engineWhere->file,
                                          engineWhere->place, reason);
    return messageAt({{}, place.sheet, place.cell}, reason);
}

Failure engineFailure(const spreadsheet::Error& error, Place place)
{
    return {error.reason, std::move(place), EngineWhere{error.file, error.place}};
}

}  // namespace veltrano::core

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
    if (engineWhere)
        return spreadsheet::joinedMessage({}, engineWhere->place, reason);
    return messageAt({{}, place.sheet, place.cell}, reason);
}

Failure engineFailure(const spreadsheet::Error& error, Place place)
{
    return {error.reason, std::move(place), EngineWhere{error.file, error.place}};
}

}  // namespace veltrano::core

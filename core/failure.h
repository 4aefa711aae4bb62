#pragma once
// What the conversion core gives back: a value, or a failure that says what went wrong and
// where.

#include "core/place.h"
#include "result/result.h"
#include "spreadsheet/result.h"

#include <optional>
#include <string>

namespace veltrano::core {

// The file and the place inside it as the engine named them in one of its errors.
struct EngineWhere {
    std::string file;   // the file the engine read or wrote: a link's target, for one
    std::string place;  // "Sheet1!B7", "xl/workbook.xml at byte 80"; empty for the whole file
};

// An expected failure, in pieces; its text is joined by message() alone.
struct Failure {
    std::string reason;  // what went wrong, naming neither the file nor a place in it
    Place place;         // where it happened, for a front end that points at it
    // For the engine's errors: where the engine said it happened, which the text names in the
    // engine's words instead of place's. nullopt for the core's and the front ends' own.
    std::optional<EngineWhere> engineWhere = std::nullopt;

    // The one-line text: the place (messageAt), or the engine's file and place, then the reason.
    std::string message() const;
    // The same text without place's file, for a reader that names that file itself.
    std::string messageWithoutFile() const;
};

// The engine's error as a failure at place: the file, or the cell being written.
Failure engineFailure(const spreadsheet::Error& error, Place place);

// Either a T or a Failure; never both, never neither.
template <typename T>
using Result = veltrano::Result<T, Failure>;

}  // namespace veltrano::core

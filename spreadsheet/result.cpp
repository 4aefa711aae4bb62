#include "spreadsheet/result.h"

#include <initializer_list>
#include <utility>

namespace veltrano::spreadsheet {

Error::Error(ErrorCode errorCode, std::string errorFile, std::string errorPlace, std::string errorReason)
    : code(errorCode),
      file(std::move(errorFile)),
      place(std::move(errorPlace)),
      reason(std::move(errorReason))
{}

std::string Error::message() const
{
    return joinedMessage(file, place, reason);
}

std::string Error::messageWithoutFile() const
{
    return joinedMessage({}, place, reason);
}

std::string joinedMessage(const std::string& file, const std::string& place, const std::string& reason)
{
    std::string text;
    for (const std::string* piece : {&file, &place, &reason}) {
        if (piece->empty())
            continue;
        if (!text.empty())
            text += ": ";
        text += *piece;
    }
    return text;
}

}  // namespace veltrano::spreadsheet

#pragma once
// Results of engine operations: a value, or an error that says what went wrong and where.

#include "result/result.h"

#include <string>

namespace veltrano::spreadsheet {

// What kind of failure an operation met. Refusals of whole files come first.
enum class ErrorCode {
    NotFound,         // no file at the path
    NotAFile,         // the path is a folder, device or other non-regular file
    InUse,            // the file is being edited by another program or process
    Io,               // reading or writing the file system failed
    TooLarge,         // the file or one of its parts passes a size or nesting limit
    LegacyBinary,     // an Excel 5.0/95 or older workbook (BIFF5 and before)
    Encrypted,        // a password-protected workbook (encrypted package)
    BinaryWorkbook,   // an .xlsb workbook
    OpenDocument,     // an .ods spreadsheet
    NotAWorkbook,     // a zip or other file that is not a spreadsheet package
    Signed,           // a digitally signed package; editing would break the signature
    Damaged,          // a broken zip, XML part or relationship
    Unsupported,      // a valid package using something this engine cannot edit safely
    NotWritable,      // a cell whose value is not ours to replace
    InvalidArgument,  // a caller's mistake: no such sheet, row or column out of range
};

// An expected failure, in pieces: the file, the place in it and what was found there. Each
// piece is one line; file and place are empty when no file or no place inside it applies.
struct Error {
    Error(ErrorCode errorCode, std::string errorFile, std::string errorPlace, std::string errorReason);

    // The one-line text: file, place and reason joined by ": ", the empty ones left out.
    std::string message() const;
    // The same text without the file, for a reader that names the file itself.
    std::string messageWithoutFile() const;

    ErrorCode code;
    std::string file;    // the workbook's path, or the name given to workbook bytes
    std::string place;   // "xl/workbook.xml at byte 80", "Sheet1!B7", "sheet \"Data\""
    std::string reason;  // "part is missing"
};

// file, place and reason joined by ": ", the empty ones left out: how every engine failure reads.
std::string joinedMessage(const std::string& file, const std::string& place, const std::string& reason);

// Either a T or an Error; never both, never neither.
template <typename T>
using Result = veltrano::Result<T, Error>;

// Success with nothing to return, or an Error.
using Status = Result<void>;

}  // namespace veltrano::spreadsheet

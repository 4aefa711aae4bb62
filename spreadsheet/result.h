#pragma once
// Results of engine operations: a value, or an error that says what went wrong and where.

#include <string>
#include <utility>
#include <variant>

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

// An expected failure. message names the file and the place (part and byte offset, or
// sheet and cell) and what was found there.
struct Error {
    ErrorCode code;
    std::string message;
};

// Either a T or an Error; never both, never neither.
template <typename T>
class [[nodiscard]] Result {
public:
    Result(T value)
        : m_state(std::move(value))
    {}
    Result(Error error)
        : m_state(std::move(error))
    {}

    bool ok() const { return m_state.index() == 0; }
    explicit operator bool() const { return ok(); }

    // Only when ok().
    T& value() & { return std::get<0>(m_state); }
    const T& value() const& { return std::get<0>(m_state); }
    T&& value() && { return std::get<0>(std::move(m_state)); }

    // Only when !ok().
    const Error& error() const { return std::get<1>(m_state); }

private:
    std::variant<T, Error> m_state;
};

// Success with nothing to return, or an Error.
template <>
class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Error error)
        : m_error(std::move(error)),
          m_failed(true)
    {}

    bool ok() const { return !m_failed; }
    explicit operator bool() const { return ok(); }

    // Only when !ok().
    const Error& error() const { return m_error; }

private:
    Error m_error{ErrorCode::Io, {}};
    bool m_failed = false;
};

using Status = Result<void>;

}  // namespace veltrano::spreadsheet

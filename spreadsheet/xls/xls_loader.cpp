// Reading an .xls workbook: the compound file, refused when it cannot be edited safely, then
// its workbook stream in phases (globals, string table, sheet records) into the model the zip
// package also fills.
#include "spreadsheet/xls/xls_loader.h"

#include <cstring>

#include "spreadsheet/internal/utf8.h"
#include "spreadsheet/xls/xls_workbook.h"

namespace veltrano::spreadsheet::xls {

namespace {

const CompoundEntry* findStream(const CompoundFile& file, std::string_view name)
{
    for (const CompoundEntry& entry : file.root().children)
        if (!entry.isStorage && lowerAscii(entry.name) == lowerAscii(name))
            return &entry;
    return nullptr;
}

bool hasRootEntry(const CompoundFile& file, std::string_view name)
{
    for (const CompoundEntry& entry : file.root().children)
        if (lowerAscii(entry.name) == name)
            return true;
    return false;
}

// Directory entry names are UTF-16LE, and an encrypted package stores "EncryptionInfo": found
// in the raw bytes, it names a file whose directory could not be walked.
bool mentionsEncryptionInfo(std::string_view bytes)
{
    static const std::string kEncryptionInfo = [] {
        std::string name;
        for (char c : std::string_view("EncryptionInfo")) {
            name += c;
            name += '\0';
        }
        return name;
    }();
    return bytes.find(kEncryptionInfo) != std::string_view::npos;
}

}  // namespace

Result<std::unique_ptr<Workbook::Impl>> Loader::run()
{
    auto file = CompoundFile::read(m_bytes, m_path);
    if (!file)  // an encrypted package whose directory cannot be walked is still named as such
        return mentionsEncryptionInfo(m_bytes) ? encrypted() : file.error();
    Status refused = refuseUnsupported(file.value());
    if (!refused)
        return refused.error();
    const std::string stream = findStream(file.value(), "Workbook")->name;
    auto backend = std::make_unique<XlsBackend>(std::move(m_bytes), std::move(file.value()), stream);
    m_backend = backend.get();
    m_stream = m_backend->stream();
    m_wb = std::make_unique<Workbook::Impl>(m_path, std::move(backend));
    Status read = readGlobals();
    if (read)
        read = readSheets();
    if (!read)
        return read.error();
    return std::move(m_wb);
}

Status Loader::refuseUnsupported(const CompoundFile& file) const
{
    if (hasRootEntry(file, "_xmlsignatures") || hasRootEntry(file, "_signatures"))
        return Error{ErrorCode::Signed, m_path, "",
                     "the workbook carries a digital signature, which any edit would break"};
    // A file saved as "Excel 97 & 5.0/95" holds both streams; editing one would leave the
    // other showing the old texts.
    if (findStream(file, "Book"))
        return excel95OrOlder();
    if (!findStream(file, "Workbook")) {
        if (hasRootEntry(file, "encryptioninfo"))
            return encrypted();
        return Error{ErrorCode::NotAWorkbook, m_path, "", "a compound file that holds no Excel workbook"};
    }
    return {};
}

Error Loader::encrypted() const
{
    return {ErrorCode::Encrypted, m_path, "",
            "the workbook is password-protected (encrypted); it cannot be opened without the password"};
}

Error Loader::excel95OrOlder() const
{
    return {ErrorCode::LegacyBinary, m_path, "", "an Excel 5.0/95 or older workbook, which cannot be edited safely"};
}

Error Loader::damaged(std::uint32_t offset, const std::string& what) const
{
    return {ErrorCode::Damaged, m_path, "", "damaged workbook stream at byte " + std::to_string(offset) + ": " + what};
}

Status Loader::record(std::uint32_t offset, Record& out) const
{
    if (!readRecord(m_stream, offset, out))
        return damaged(offset, "a record runs past the end of the stream");
    return {};
}

bool isCompoundFile(std::string_view bytes)
{
    static constexpr char kSignature[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
    return bytes.size() >= 8 && std::memcmp(bytes.data(), kSignature, 8) == 0;
}

Result<std::unique_ptr<Workbook::Impl>> loadWorkbook(const std::string& path, std::string bytes)
{
    return Loader(path, std::move(bytes)).run();
}

}  // namespace veltrano::spreadsheet::xls

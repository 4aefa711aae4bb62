#include "spreadsheet/xlsx/zip_archive.h"

#include "spreadsheet/internal/part_place.h"
#include "spreadsheet/internal/utf8.h"
#include "spreadsheet/xlsx/parallel_deflate.h"

#include <zip.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <unordered_map>

namespace veltrano::spreadsheet {

namespace {

struct ArchiveCloser {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
struct FileCloser {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};
struct SourceFreer {
    void operator()(zip_source_t* source) const { zip_source_free(source); }
};
using ArchivePtr = std::unique_ptr<zip_t, ArchiveCloser>;
using SourcePtr = std::unique_ptr<zip_source_t, SourceFreer>;

std::string zipErrorText(zip_error_t* error)
{
    return zip_error_strerror(error);
}

// A source handing libzip a part already deflated, with the sizes and checksum that make libzip
// copy it into the archive as it is instead of compressing it again. part must outlive the
// archive's close.
struct PrecompressedSource {
    const DeflatedPart* part;
    std::size_t offset = 0;
    zip_error_t error;
};

zip_int64_t precompressedCallback(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command)
{
    auto* source = static_cast<PrecompressedSource*>(state);
    const std::string& bytes = source->part->data;
    switch (command) {
    case ZIP_SOURCE_OPEN:
        source->offset = 0;
        return 0;
    case ZIP_SOURCE_READ: {
        const std::size_t count = std::min<std::size_t>(length, bytes.size() - source->offset);
        std::memcpy(data, bytes.data() + source->offset, count);
        source->offset += count;
        return zip_int64_t(count);
    }
    case ZIP_SOURCE_CLOSE:
        return 0;
    case ZIP_SOURCE_STAT: {
        auto* stat = static_cast<zip_stat_t*>(data);
        stat->size = source->part->size;
        stat->comp_size = bytes.size();
        stat->crc = source->part->crc;
        stat->comp_method = ZIP_CM_DEFLATE;
        stat->encryption_method = ZIP_EM_NONE;
        stat->valid |=
            ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_CRC | ZIP_STAT_COMP_METHOD | ZIP_STAT_ENCRYPTION_METHOD;
        return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_GET_FILE_ATTRIBUTES: {
        // Bits 1 and 2 of the entry's flags name the effort deflate spent: zlib's middle levels are "normal".
        auto* attributes = static_cast<zip_file_attributes_t*>(data);
        attributes->valid |= ZIP_FILE_ATTRIBUTES_GENERAL_PURPOSE_BIT_FLAGS;
        attributes->general_purpose_bit_flags = 0;
        attributes->general_purpose_bit_mask = 0x6;
        return 0;
    }
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&source->error, data, length);
    case ZIP_SOURCE_FREE:
        zip_error_fini(&source->error);
        delete source;
        return 0;
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                              ZIP_SOURCE_GET_FILE_ATTRIBUTES, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE,
                                              ZIP_SOURCE_SUPPORTS, -1);
    default:
        zip_error_set(&source->error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
}

zip_source_t* precompressedSource(zip_t* archive, const DeflatedPart& part)
{
    auto* state = new PrecompressedSource{&part, 0, {}};
    zip_error_init(&state->error);
    zip_source_t* source = zip_source_function(archive, precompressedCallback, state);
    if (!source) {
        zip_error_fini(&state->error);
        delete state;
    }
    return source;
}

}  // namespace

struct ZipArchive::Impl {
    std::string bytes;
    std::string label;
    ArchivePtr archive;
    std::vector<ZipEntry> entries;
    std::unordered_map<std::string, std::size_t> byLowerName;
    // Bytes handed out by read(): many entries each just under the limits must not add up
    // to more memory than the machine has.
    mutable std::uint64_t readBytes = 0;

    Error damaged(const std::string& what) const { return {ErrorCode::Damaged, label, "", "damaged zip: " + what}; }
};

ZipArchive::ZipArchive(std::unique_ptr<Impl> impl)
    : m_impl(std::move(impl))
{}
ZipArchive::ZipArchive(ZipArchive&&) noexcept = default;
ZipArchive& ZipArchive::operator=(ZipArchive&&) noexcept = default;
ZipArchive::~ZipArchive() = default;

Result<ZipArchive> ZipArchive::open(std::string bytes, std::string label)
{
    auto impl = std::make_unique<Impl>();
    impl->bytes = std::move(bytes);
    impl->label = std::move(label);

    zip_error_t error;
    zip_error_init(&error);
    SourcePtr source(zip_source_buffer_create(impl->bytes.data(), impl->bytes.size(), 0, &error));
    if (!source)
        return impl->damaged(zipErrorText(&error));
    zip_t* archive = zip_open_from_source(source.get(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (!archive) {
        std::string what = zipErrorText(&error);
        zip_error_fini(&error);
        return impl->damaged(what);
    }
    source.release();  // now owned by the archive
    impl->archive.reset(archive);

    zip_int64_t count = zip_get_num_entries(archive, 0);
    if (count < 0 || std::uint64_t(count) > kMaxEntries)
        return Error{ErrorCode::TooLarge, impl->label, "",
                     "the zip holds more than " + std::to_string(kMaxEntries) + " entries"};
    impl->entries.reserve(std::size_t(count));
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(archive, zip_uint64_t(i), 0, &stat) != 0 || !(stat.valid & ZIP_STAT_NAME))
            return impl->damaged("entry " + std::to_string(i) + " cannot be read");
        ZipEntry entry;
        entry.name = stat.name;
        entry.size = (stat.valid & ZIP_STAT_SIZE) ? stat.size : 0;
        entry.compressedSize = (stat.valid & ZIP_STAT_COMP_SIZE) ? stat.comp_size : 0;
        entry.isDirectory = !entry.name.empty() && entry.name.back() == '/';
        if ((stat.valid & ZIP_STAT_ENCRYPTION_METHOD) && stat.encryption_method != ZIP_EM_NONE)
            return Error{ErrorCode::Encrypted, impl->label, "", "zip entry " + entry.name + " is encrypted"};
        std::string key = lowerAscii(entry.name);
        if (!key.empty() && key.front() == '/')
            key.erase(0, 1);
        if (!entry.isDirectory && !impl->byLowerName.emplace(key, impl->entries.size()).second)
            return impl->damaged("two entries are named " + entry.name);
        impl->entries.push_back(std::move(entry));
    }
    return ZipArchive(std::move(impl));
}

const std::vector<ZipEntry>& ZipArchive::entries() const
{
    return m_impl->entries;
}

const std::string& ZipArchive::bytes() const
{
    return m_impl->bytes;
}

std::optional<std::size_t> ZipArchive::find(std::string_view name) const
{
    if (!name.empty() && name.front() == '/')
        name.remove_prefix(1);
    auto found = m_impl->byLowerName.find(lowerAscii(name));
    if (found == m_impl->byLowerName.end())
        return std::nullopt;
    return found->second;
}

Result<std::string> ZipArchive::read(std::size_t index) const
{
    const ZipEntry& entry = m_impl->entries.at(index);
    const PartPlace where{m_impl->label, entry.name};
    if (entry.size > kMaxEntryBytes)
        return where.error(ErrorCode::TooLarge, "declared size " + std::to_string(entry.size)
                                                    + " bytes passes the limit of " + std::to_string(kMaxEntryBytes));
    if (entry.size > (1u << 20) && entry.size / std::max<std::uint64_t>(entry.compressedSize, 1) > kMaxCompressionRatio)
        return where.error(ErrorCode::TooLarge,
                           "compression ratio beyond " + std::to_string(kMaxCompressionRatio) + ":1");
    if (m_impl->readBytes + entry.size > kMaxTotalReadBytes)
        return where.error(ErrorCode::TooLarge, "the package's parts together pass the limit of "
                                                    + std::to_string(kMaxTotalReadBytes) + " bytes uncompressed");

    std::unique_ptr<zip_file_t, FileCloser> file(zip_fopen_index(m_impl->archive.get(), index, 0));
    if (!file)
        return where.error(ErrorCode::Damaged, std::string("cannot be opened: ") + zip_strerror(m_impl->archive.get()));
    std::string data(entry.size, '\0');
    std::size_t filled = 0;
    while (filled < data.size()) {
        zip_int64_t got = zip_fread(file.get(), data.data() + filled, data.size() - filled);
        if (got < 0)
            return where.error(ErrorCode::Damaged, zip_file_strerror(file.get()));
        if (got == 0)
            break;
        filled += std::size_t(got);
    }
    if (filled != data.size())
        return where.error(ErrorCode::Damaged, "data ends after " + std::to_string(filled) + " of "
                                                   + std::to_string(data.size()) + " bytes");
    char extra;
    zip_int64_t more = zip_fread(file.get(), &extra, 1);
    if (more != 0)
        return where.error(ErrorCode::Damaged,
                           more < 0 ? zip_file_strerror(file.get()) : "more data than its declared size");
    m_impl->readBytes += data.size();
    return data;
}

Result<std::string> ZipArchive::rebuild(const Changes& changes) const
{
    const std::string& label = m_impl->label;
    auto failure = [&](const std::string& what) {
        return Error{ErrorCode::Io, label, "", "cannot write the zip: " + what};
    };

    // libzip gets its own copy, allocated with malloc and freed by libzip: when it writes
    // into a buffer source it may keep the unchanged head of the old buffer and free it
    // later, which must never happen to memory that this object owns.
    void* copy = std::malloc(std::max<std::size_t>(m_impl->bytes.size(), 1));
    if (!copy)
        return failure("out of memory");
    std::memcpy(copy, m_impl->bytes.data(), m_impl->bytes.size());
    zip_error_t error;
    zip_error_init(&error);
    SourcePtr source(zip_source_buffer_create(copy, m_impl->bytes.size(), 1, &error));
    if (!source) {
        std::free(copy);
        return failure(zipErrorText(&error));
    }
    zip_source_keep(source.get());  // one reference for the archive, ours stays
    ArchivePtr archive(zip_open_from_source(source.get(), 0, &error));
    if (!archive) {
        zip_source_free(source.get());
        return failure(zipErrorText(&error));
    }
    // One below zlib's usual 6: on worksheet XML, level 6 spends nearly twice the time for 1 to
    // 2 per cent fewer bytes, and the best compression three times more again.
    constexpr int kDeflateLevel = 5;
    std::vector<std::string_view> contents;
    for (const auto& [index, content] : changes.replaced)
        contents.push_back(content);
    for (const auto& [name, content] : changes.added)
        contents.push_back(content);
    auto deflated = deflateParts(contents, kDeflateLevel);
    if (!deflated)
        return failure(deflated.error().message());
    std::size_t next = 0;
    for (const auto& [index, content] : changes.replaced) {
        zip_source_t* data = precompressedSource(archive.get(), deflated.value()[next++]);
        if (!data || zip_file_replace(archive.get(), index, data, 0) != 0) {
            if (data)
                zip_source_free(data);
            return failure(zip_strerror(archive.get()));
        }
    }
    for (std::size_t index : changes.removed)
        if (zip_delete(archive.get(), index) != 0)
            return failure(zip_strerror(archive.get()));
    for (const auto& [name, content] : changes.added) {
        zip_source_t* data = precompressedSource(archive.get(), deflated.value()[next++]);
        zip_int64_t index = data ? zip_file_add(archive.get(), name.c_str(), data, ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0) {
            if (data)
                zip_source_free(data);
            return failure(zip_strerror(archive.get()));
        }
    }
    if (zip_close(archive.get()) != 0)
        return failure(zip_strerror(archive.get()));
    archive.release();  // closed

    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_source_stat(source.get(), &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE))
        return failure("new archive has no size");
    std::string out(stat.size, '\0');
    if (zip_source_open(source.get()) != 0)
        return failure("new archive cannot be read back");
    zip_int64_t got = zip_source_read(source.get(), out.data(), out.size());
    zip_source_close(source.get());
    if (got < 0 || std::uint64_t(got) != stat.size)
        return failure("new archive cannot be read back");
    return out;
}

}  // namespace veltrano::spreadsheet

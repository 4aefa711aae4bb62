#include "spreadsheet/xlsx/parallel_deflate.h"

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <new>
#include <system_error>
#include <thread>

namespace veltrano::spreadsheet {

namespace {

// Small enough that a part of a few megabytes keeps every core busy, large enough that the
// five bytes closing each slice and the restarted match search cost nothing measurable.
constexpr std::size_t kSliceBytes = 128 * 1024;
constexpr std::size_t kWindowBytes = 32 * 1024;  // deflate's back-reference window
constexpr unsigned kMostThreads = 8;

struct Slice {
    std::size_t part;
    std::size_t begin;
    std::size_t length;
    std::string out;
    std::uint32_t crc = 0;
    bool ok = false;
};

// One slice as raw deflate. Every slice but a part's last ends on a byte boundary with a sync
// flush and no final-block mark, so the next slice's bytes can follow it directly.
bool deflateSlice(std::string_view content, int level, Slice& slice)
{
    // Room for the worst case, made before zlib holds memory of its own: the bound covers the
    // data, and the sync flush adds an empty stored block of at most 5 bytes.
    slice.out.resize(compressBound(uLong(slice.length)) + 16);
    z_stream stream{};
    if (deflateInit2(&stream, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return false;
    const auto* bytes = reinterpret_cast<const Bytef*>(content.data());
    bool ok = true;
    if (slice.begin > 0) {
        const std::size_t primed = std::min(slice.begin, kWindowBytes);
        ok = deflateSetDictionary(&stream, bytes + slice.begin - primed, uInt(primed)) == Z_OK;
    }
    const bool last = slice.begin + slice.length == content.size();
    stream.next_in = const_cast<Bytef*>(bytes + slice.begin);
    stream.avail_in = uInt(slice.length);
    stream.next_out = reinterpret_cast<Bytef*>(slice.out.data());
    stream.avail_out = uInt(slice.out.size());
    if (ok) {
        const int status = deflate(&stream, last ? Z_FINISH : Z_SYNC_FLUSH);
        ok = last ? status == Z_STREAM_END : status == Z_OK && stream.avail_in == 0 && stream.avail_out > 0;
    }
    const std::size_t written = stream.total_out;
    deflateEnd(&stream);
    slice.out.resize(written);
    slice.out.shrink_to_fit();  // the room was about the slice's own size; XML deflates to a sixth
    slice.crc = std::uint32_t(crc32_z(0, bytes + slice.begin, slice.length));
    return ok;
}

std::vector<Slice> slicesOf(const std::vector<std::string_view>& contents)
{
    std::vector<Slice> slices;
    for (std::size_t part = 0; part < contents.size(); ++part) {
        const std::size_t size = contents[part].size();
        std::size_t begin = 0;
        do {
            const std::size_t length = std::min(kSliceBytes, size - begin);
            slices.push_back({part, begin, length, {}});
            begin += length;
        } while (begin < size);
    }
    return slices;
}

// Runs work(i) for every i below count, on the calling thread and up to threads - 1 others.
template <typename Work>
void runSideBySide(std::size_t count, unsigned threads, Work work)
{
    std::atomic<std::size_t> next{0};
    auto drain = [&] {
        for (std::size_t i = next++; i < count; i = next++)
            work(i);
    };
    std::vector<std::thread> helpers;
    for (unsigned t = 1; t < threads; ++t) {
        try {
            helpers.emplace_back(drain);
        } catch (const std::system_error&) {
            break;  // no more threads to be had: the ones running, this one included, do it all
        }
    }
    drain();
    for (auto& helper : helpers)
        helper.join();
}

unsigned threadsFor(std::size_t slices)
{
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    return unsigned(std::min<std::size_t>({cores, kMostThreads, slices}));
}

}  // namespace

Result<std::vector<DeflatedPart>> deflateParts(const std::vector<std::string_view>& contents, int level)
{
    std::vector<Slice> slices = slicesOf(contents);
    runSideBySide(slices.size(), threadsFor(slices.size()), [&](std::size_t i) {
        try {
            slices[i].ok = deflateSlice(contents[slices[i].part], level, slices[i]);
        } catch (const std::bad_alloc&) {
            slices[i].ok = false;  // reported below, from the calling thread
        }
    });

    std::vector<std::size_t> compressedBytes(contents.size());
    for (const Slice& slice : slices) {
        if (!slice.ok)
            return Error{ErrorCode::Io, "", "", "zlib could not compress a part (out of memory?)"};
        compressedBytes[slice.part] += slice.out.size();
    }
    std::vector<DeflatedPart> parts(contents.size());
    for (std::size_t i = 0; i < parts.size(); ++i)
        parts[i].data.reserve(compressedBytes[i]);
    for (Slice& slice : slices) {
        DeflatedPart& part = parts[slice.part];
        part.data += slice.out;
        part.crc = std::uint32_t(crc32_combine(part.crc, slice.crc, z_off_t(slice.length)));
        part.size += slice.length;
        std::string().swap(slice.out);
    }
    return parts;
}

}  // namespace veltrano::spreadsheet

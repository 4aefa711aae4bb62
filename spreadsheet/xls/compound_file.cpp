#include "spreadsheet/xls/compound_file.h"

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>
#include <gsf/gsf-utils.h>

#include <memory>

namespace veltrano::spreadsheet::xls {

namespace {

struct Unref {
    void operator()(void* object) const { g_object_unref(object); }
};
template <typename T>
using GsfPtr = std::unique_ptr<T, Unref>;

void initGsfOnce()
{
    static const bool done = [] {
        gsf_init();
        // A damaged file comes back as an Error naming it; libgsf's own complaints about it
        // would only repeat that on the program's standard error.
        for (const char* domain : {"libgsf", "libgsf:msole"})
            g_log_set_handler(
                domain, GLogLevelFlags(G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING | G_LOG_LEVEL_MESSAGE),
                [](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr);
        return true;
    }();
    (void)done;
}

class Reader {
public:
    explicit Reader(const std::string& label)
        : m_label(label)
    {}

    Status readStorage(GsfInfile* storage, CompoundEntry& into, int depth)
    {
        if (depth > kMaxCompoundDepth)
            return damaged("storages nested more than " + std::to_string(kMaxCompoundDepth) + " deep");
        into.isStorage = true;
        gsf_infile_msole_get_class_id(GSF_INFILE_MSOLE(storage), into.classId.data());
        const int count = gsf_infile_num_children(storage);
        for (int i = 0; i < count; ++i) {
            if (++m_entries > kMaxCompoundEntries)
                return damaged("more than " + std::to_string(kMaxCompoundEntries) + " streams and storages");
            GsfPtr<GsfInput> child(gsf_infile_child_by_index(storage, i));
            const char* name = gsf_infile_name_by_index(storage, i);
            if (!child || !name)
                return damaged("entry " + std::to_string(i) + " of a storage cannot be read");
            CompoundEntry entry;
            entry.name = name;
            Status read = GSF_IS_INFILE(child.get()) && gsf_infile_num_children(GSF_INFILE(child.get())) >= 0
                              ? readStorage(GSF_INFILE(child.get()), entry, depth + 1)
                              : readStream(child.get(), entry);
            if (!read)
                return read;
            into.children.push_back(std::move(entry));
        }
        return {};
    }

private:
    Status readStream(GsfInput* stream, CompoundEntry& into)
    {
        const gsf_off_t size = gsf_input_size(stream);
        if (size < 0)
            return damaged("the stream \"" + into.name + "\" has no size");
        into.data.resize(std::size_t(size));
        if (size > 0 && !gsf_input_read(stream, std::size_t(size), reinterpret_cast<guint8*>(into.data.data())))
            return damaged("the stream \"" + into.name + "\" cannot be read completely");
        return {};
    }

    Error damaged(const std::string& what) const
    {
        return {ErrorCode::Damaged, m_label, "", "damaged compound file: " + what};
    }

    const std::string& m_label;
    std::size_t m_entries = 0;
};

bool writeEntries(GsfOutfile* storage, const CompoundEntry& from, std::string_view replaced, const std::string& content,
                  bool atRoot)
{
    for (const CompoundEntry& entry : from.children) {
        GsfPtr<GsfOutput> child(gsf_outfile_new_child(storage, entry.name.c_str(), entry.isStorage));
        if (!child)
            return false;
        bool ok = true;
        if (entry.isStorage) {
            gsf_outfile_msole_set_class_id(GSF_OUTFILE_MSOLE(child.get()), entry.classId.data());
            ok = writeEntries(GSF_OUTFILE(child.get()), entry, replaced, content, false);
        } else {
            const std::string& data = atRoot && entry.name == replaced ? content : entry.data;
            ok = data.empty()
                 || gsf_output_write(child.get(), data.size(), reinterpret_cast<const guint8*>(data.data()));
        }
        if (!gsf_output_close(child.get()) || !ok)
            return false;
    }
    return true;
}

}  // namespace

Result<CompoundFile> CompoundFile::read(const std::string& bytes, const std::string& label)
{
    initGsfOnce();
    GsfPtr<GsfInput> input(
        gsf_input_memory_new(reinterpret_cast<const guint8*>(bytes.data()), gsf_off_t(bytes.size()), FALSE));
    GError* error = nullptr;
    GsfPtr<GsfInfile> ole(gsf_infile_msole_new(input.get(), &error));
    if (!ole) {
        std::string what = error && error->message ? error->message : "not a readable OLE compound file";
        if (error)
            g_error_free(error);
        return Error{ErrorCode::Damaged, label, "", "damaged compound file: " + what};
    }
    CompoundFile file;
    file.m_label = label;
    Reader reader(label);
    Status read = reader.readStorage(ole.get(), file.m_root, 0);
    if (!read)
        return read.error();
    return file;
}

CompoundFile CompoundFile::fromRoot(CompoundEntry root, std::string label)
{
    CompoundFile file;
    file.m_root = std::move(root);
    file.m_root.isStorage = true;
    file.m_label = std::move(label);
    return file;
}

const CompoundEntry* CompoundFile::find(std::string_view name) const
{
    for (const CompoundEntry& entry : m_root.children)
        if (entry.name == name)
            return &entry;
    return nullptr;
}

Result<std::string> CompoundFile::write(std::string_view stream, const std::string& content) const
{
    initGsfOnce();
    GsfPtr<GsfOutput> sink(gsf_output_memory_new());
    GsfPtr<GsfOutfile> ole(gsf_outfile_msole_new(sink.get()));
    if (!ole)
        return Error{ErrorCode::Io, m_label, "", "cannot start a compound file"};
    gsf_outfile_msole_set_class_id(GSF_OUTFILE_MSOLE(ole.get()), m_root.classId.data());
    const bool written = writeEntries(ole.get(), m_root, stream, content, true);
    if (!gsf_output_close(GSF_OUTPUT(ole.get())) || !written)
        return Error{ErrorCode::Io, m_label, "", "the compound file could not be written in memory"};
    const guint8* bytes = gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(sink.get()));
    return std::string(reinterpret_cast<const char*>(bytes), std::size_t(gsf_output_size(sink.get())));
}

}  // namespace veltrano::spreadsheet::xls

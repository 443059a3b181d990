#include "zip_handle.h"

#include <zip.h>

#include <cstdio>

namespace zelmo::xlsx {

void ZipArchiveTraits::destroy(zip_t* archive) noexcept { zip_discard(archive); }

void ZipSourceTraits::destroy(zip_source_t* source) noexcept { zip_source_free(source); }

bool Close(ZipArchive& archive) {
    if (zip_close(archive.get()) == 0) {
        archive.release();  // closing freed it
        return true;
    }
    archive.reset();  // a failed close leaves the archive to be discarded
    return false;
}

ZipArchive OpenZipBytes(std::string_view bytes, int flags) {
    zip_error_t error;
    zip_error_init(&error);
    ZipSource source(zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error));
    ZipArchive archive;
    if (source) archive.reset(zip_open_from_source(source.get(), flags, &error));
    zip_error_fini(&error);
    if (archive) source.release();  // the archive took the source over
    return archive;
}

MemoryZip CreateMemoryZip() {
    MemoryZip zip;
    zip_error_t error;
    zip_error_init(&error);
    zip.buffer.reset(zip_source_buffer_create(nullptr, 0, 0, &error));
    if (zip.buffer) {
        zip.archive.reset(zip_open_from_source(zip.buffer.get(), ZIP_TRUNCATE, &error));
        // The archive took over the reference the buffer had; the owner keeps one of its own.
        if (zip.archive) zip_source_keep(zip.buffer.get());
    }
    zip_error_fini(&error);
    return zip;
}

std::string WrittenBytes(const MemoryZip& zip) {
    zip_source_t* out = zip.buffer.get();
    std::string bytes;
    if (!out || zip_source_open(out) != 0) return bytes;
    zip_source_seek(out, 0, SEEK_END);
    const zip_int64_t size = zip_source_tell(out);
    zip_source_seek(out, 0, SEEK_SET);
    if (size > 0) {
        bytes.resize(static_cast<std::size_t>(size));
        if (zip_source_read(out, &bytes[0], bytes.size()) != size) bytes.clear();
    }
    zip_source_close(out);
    return bytes;
}

}  // namespace zelmo::xlsx

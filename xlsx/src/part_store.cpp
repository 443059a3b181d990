// Zip container access through libzip, with the checks that keep hostile packages out: entry count,
// sizes, compression ratio, unsafe names.
#include "part_store.h"

#include <zip.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "messages.h"
#include "parallel_deflate.h"
#include "text/ascii_case.h"

namespace zelmo::xlsx {
namespace {

using text::EqualAsciiNoCase;
using text::LowerAscii;

bool UnsafeName(const std::string& name) {
    if (name.empty() || name.front() == '/' || name.find('\\') != std::string::npos ||
        name.find(':') != std::string::npos || name.find('\0') != std::string::npos)
        return true;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find('/', start);
        if (end == std::string::npos) end = name.size();
        const std::string_view seg(name.data() + start, end - start);
        if (seg == ".." || seg == ".") return true;
        start = end + 1;
    }
    return false;
}

// Searches the raw bytes for a UTF-16LE stream name in an OLE compound file's directory.
bool HasOleStream(std::string_view bytes, std::string_view ascii) {
    std::string wide;
    for (char ch : ascii) {
        wide.push_back(ch);
        wide.push_back('\0');
    }
    return bytes.find(wide) != std::string_view::npos;
}

// zlib's own default level. libzip would otherwise use level 9, which takes about twice as long
// for packages barely smaller.
constexpr zip_uint32_t kDeflateLevel = 6;

// Parts held in memory are deflated ahead (big ones on every core) and libzip writes them as
// they are: libzip would set up a zlib state of its own for each part. Written through
// WriteDeflated, parts at least this big are deflated at once.
constexpr std::size_t kPrecompressFrom = 64u << 10;

// A libzip source handing out data that is already deflated, with its size and CRC, so that
// libzip stores it without compressing it again.
struct PrecompressedSource {
    const std::string* data = nullptr;  // raw deflate stream
    std::uint64_t size = 0;
    std::uint32_t crc = 0;
    std::size_t pos = 0;
    zip_error_t error;
};

zip_int64_t PrecompressedCallback(void* user, void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
    auto* p = static_cast<PrecompressedSource*>(user);
    switch (cmd) {
        case ZIP_SOURCE_OPEN:
            p->pos = 0;
            return 0;
        case ZIP_SOURCE_READ: {
            const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(len), p->data->size() - p->pos);
            std::memcpy(data, p->data->data() + p->pos, n);
            p->pos += n;
            return static_cast<zip_int64_t>(n);
        }
        case ZIP_SOURCE_CLOSE:
            return 0;
        case ZIP_SOURCE_STAT: {
            auto* st = static_cast<zip_stat_t*>(data);
            zip_stat_init(st);
            st->valid = ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD | ZIP_STAT_CRC |
                        ZIP_STAT_ENCRYPTION_METHOD;
            st->size = p->size;
            st->comp_size = p->data->size();
            st->comp_method = ZIP_CM_DEFLATE;
            st->crc = p->crc;
            st->encryption_method = ZIP_EM_NONE;
            return sizeof(zip_stat_t);
        }
        case ZIP_SOURCE_ERROR:
            return zip_error_to_data(&p->error, data, len);
        case ZIP_SOURCE_FREE:
            zip_error_fini(&p->error);
            return 0;
        case ZIP_SOURCE_SUPPORTS:
            return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                                  ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
        default:
            zip_error_set(&p->error, ZIP_ER_OPNOTSUPP, 0);
            return -1;
    }
}

}  // namespace

void ThrowNotAZip(std::string_view bytes) {
    static const unsigned char kOle[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    if (bytes.size() >= sizeof kOle && std::memcmp(bytes.data(), kOle, sizeof kOle) == 0) {
        if (HasOleStream(bytes, "EncryptedPackage")) throw Error(ErrorKind::Encrypted, msg::kEncrypted);
        if (HasOleStream(bytes, "Workbook") || HasOleStream(bytes, "Book"))
            throw Error(ErrorKind::UnsupportedFormat, msg::kXls);
        throw Error(ErrorKind::UnsupportedFormat, msg::kOle);
    }
    if (bytes.size() >= 2 && bytes[0] == 'P' && bytes[1] == 'K') throw Error(ErrorKind::Corrupt, msg::kTruncated);
    throw Error(ErrorKind::NotAWorkbook, msg::kNotZip);
}

std::unique_ptr<PartStore> PartStore::Empty() { return std::unique_ptr<PartStore>(new PartStore()); }

std::unique_ptr<PartStore> PartStore::Open(std::string bytes, const PackageLimits& limits) {
    if (bytes.size() < 4 || bytes.compare(0, 4, "PK\x03\x04") != 0) {
        if (bytes.size() >= 4 && bytes.compare(0, 4, "PK\x05\x06") == 0)
            throw Error(ErrorKind::NotAWorkbook, msg::kNoWorkbookPart);  // an empty zip
        ThrowNotAZip(bytes);
    }
    std::unique_ptr<PartStore> store(new PartStore());
    store->bytes_ = std::move(bytes);
    // ZIP_CHECKCONS compares every local header with the central directory and keeps each entry's
    // data inside the file: parts copied as stored are read only when saving.
    store->zip_ = OpenZipBytes(store->bytes_, ZIP_RDONLY | ZIP_CHECKCONS);
    if (!store->zip_) throw Error(ErrorKind::Corrupt, msg::kTruncated);
    zip_t* za = store->zip_.get();

    const zip_int64_t count = zip_get_num_entries(za, 0);
    if (count < 0 || static_cast<std::uint64_t>(count) > limits.maxEntries)
        throw Error(ErrorKind::LimitExceeded, msg::kTooLarge);
    std::uint64_t total = 0;
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        if (zip_stat_index(za, static_cast<zip_uint64_t>(i), 0, &st) != 0 || !st.name)
            throw Error(ErrorKind::Corrupt, msg::kTruncated);
        std::string name = st.name;
        if (!name.empty() && name.back() == '/') continue;  // folder entries carry nothing
        if (UnsafeName(name)) throw Error(ErrorKind::Corrupt, msg::kUnsafePath);
        if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE)
            throw Error(ErrorKind::Encrypted, msg::kEncrypted);
        if (!(st.valid & ZIP_STAT_SIZE) || !(st.valid & ZIP_STAT_COMP_SIZE))
            throw Error(ErrorKind::Corrupt, msg::kTruncated);
        if (st.size > limits.maxEntrySize) throw Error(ErrorKind::LimitExceeded, msg::kTooLarge);
        total += st.size;
        if (total > limits.maxTotalSize) throw Error(ErrorKind::LimitExceeded, msg::kTooLarge);
        if (st.size >= limits.ratioCheckFrom && st.size / std::max<std::uint64_t>(st.comp_size, 1) > limits.maxRatio)
            throw Error(ErrorKind::LimitExceeded, msg::kTooLarge);
        if (!store->lowerNames_.emplace(LowerAscii(name), name).second) throw Error(ErrorKind::Corrupt, msg::kUnsafePath);
        Entry e;
        e.sourceIndex = i;
        e.size = st.size;
        store->order_.push_back(name);
        store->entries_.emplace(std::move(name), std::move(e));
    }
    return store;
}

bool PartStore::Has(const std::string& name) const { return entries_.count(name) != 0; }

std::string PartStore::FindName(const std::string& name) const {
    if (Has(name)) return name;
    const auto it = lowerNames_.find(LowerAscii(name));
    return it == lowerNames_.end() ? std::string() : it->second;
}

std::string PartStore::Read(const std::string& name) const {
    auto it = entries_.find(name);
    if (it == entries_.end()) throw Error(ErrorKind::Corrupt, msg::Corrupt(name + " がありません"));
    const Entry& e = it->second;
    if (e.deflated) {
        std::string out(static_cast<std::size_t>(e.size), '\0');
        z_stream z{};
        if (inflateInit2(&z, -15) != Z_OK) throw std::bad_alloc();
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(e.data.data()));
        z.avail_in = static_cast<uInt>(e.data.size());
        z.next_out = reinterpret_cast<Bytef*>(&out[0]);
        z.avail_out = static_cast<uInt>(out.size());
        const int rc = inflate(&z, Z_FINISH);
        inflateEnd(&z);
        if (rc != Z_STREAM_END || z.avail_out != 0) throw Error(ErrorKind::Corrupt, msg::Corrupt(name + " を展開できません"));
        return out;
    }
    if (e.sourceIndex < 0) return e.data;
    return Inflate(e.origin ? e.origin->zip_.get() : zip_.get(), e.sourceIndex, e.size, name);
}

std::string PartStore::Inflate(zip_t* zip, std::int64_t index, std::uint64_t size, const std::string& name) {
    zip_file_t* f = zip_fopen_index(zip, static_cast<zip_uint64_t>(index), 0);
    if (!f) throw Error(ErrorKind::Corrupt, msg::Corrupt(name + " を展開できません"));
    // The declared size bounds what is read: a lying header cannot make us inflate more.
    std::string out(static_cast<std::size_t>(size), '\0');
    std::size_t got = 0;
    bool failed = false;
    while (got < out.size()) {
        const zip_int64_t n = zip_fread(f, &out[got], out.size() - got);
        if (n <= 0) {
            failed = true;
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    char extra = 0;
    if (!failed && zip_fread(f, &extra, 1) != 0) failed = true;  // more data than declared, or a CRC error
    zip_fclose(f);
    if (failed) throw Error(ErrorKind::Corrupt, msg::Corrupt(name + " を展開できません"));
    return out;
}

void PartStore::CopyFrom(const std::string& name, const std::shared_ptr<const PartStore>& from,
                         const std::string& fromName) {
    const Entry& source = from->entries_.at(fromName);
    if (source.sourceIndex < 0) {
        Write(name, source.data);
        Entry& copy = entries_.at(name);
        copy.deflated = source.deflated;
        copy.size = source.size;
        copy.crc = source.crc;
        return;
    }
    Write(name, std::string());
    Entry& e = entries_.at(name);
    e.sourceIndex = source.sourceIndex;
    e.size = source.size;
    // A part copied within one store refers to the store's own zip (no reference to itself).
    if (source.origin) e.origin = source.origin;
    else if (from.get() != this) e.origin = from;
}

void PartStore::Write(const std::string& name, std::string data) {
    auto it = entries_.find(name);
    if (it == entries_.end()) {
        order_.push_back(name);
        it = entries_.emplace(name, Entry{}).first;
        lowerNames_.emplace(LowerAscii(name), name);
    }
    it->second.sourceIndex = -1;
    it->second.origin.reset();
    it->second.deflated = false;
    it->second.crc = 0;
    it->second.size = data.size();
    it->second.data = std::move(data);
}

void PartStore::WriteDeflated(const std::string& name, std::string_view data) {
    if (data.size() < kPrecompressFrom) {
        Write(name, std::string(data));
        return;
    }
    Deflated d = std::move(DeflateAll({data}, static_cast<int>(kDeflateLevel)).front());
    Write(name, std::move(d.data));
    Entry& e = entries_.at(name);
    e.deflated = true;
    e.size = d.size;
    e.crc = d.crc;
}

void PartStore::WriteDeflated(const std::string& name, const Deflated& deflated) {
    Write(name, deflated.data);
    Entry& e = entries_.at(name);
    e.deflated = true;
    e.size = deflated.size;
    e.crc = deflated.crc;
}

void PartStore::Remove(const std::string& name) {
    if (!entries_.erase(name)) return;
    order_.erase(std::find(order_.begin(), order_.end(), name));
    const auto lower = lowerNames_.find(LowerAscii(name));
    if (lower != lowerNames_.end() && lower->second == name) {
        // Another entry equal but for case (written by a copy) may remain: it is found again.
        lowerNames_.erase(lower);
        for (const auto& kv : entries_)
            if (EqualAsciiNoCase(kv.first, name)) {
                lowerNames_.emplace(LowerAscii(kv.first), kv.first);
                break;
            }
    }
}

std::vector<std::string> PartStore::Names() const { return order_; }

std::string PartStore::Save() const {
    auto fail = [](const char* what) { throw Error(ErrorKind::WriteFailed, msg::WriteFailed(what)); };
    // Declared before the archive, which refers to them until it is closed or discarded.
    std::vector<Deflated> deflated;
    std::vector<PrecompressedSource> sources(order_.size());
    MemoryZip zip = CreateMemoryZip();
    if (!zip.buffer) fail("メモリ不足");
    if (!zip.archive) fail("zip を作成できません");
    zip_t* za = zip.archive.get();
    // Parts held in memory are deflated ahead, big ones on every core.
    std::vector<std::string_view> held;
    std::map<std::string, std::size_t> heldIndex;
    for (const auto& name : order_) {
        const Entry& e = entries_.at(name);
        if (e.sourceIndex < 0 && !e.deflated) {
            heldIndex[name] = held.size();
            held.emplace_back(e.data);
        }
    }
    try {
        deflated = DeflateAll(held, static_cast<int>(kDeflateLevel));
    } catch (const std::exception&) {
        fail("圧縮できません");
    }
    // One source per part handed over deflated (ahead now, or stored so).
    std::size_t nextSource = 0;
    for (const auto& name : order_) {
        const Entry& e = entries_.at(name);
        ZipSource s;
        const Deflated* ahead = nullptr;
        if (auto held_it = heldIndex.find(name); held_it != heldIndex.end()) ahead = &deflated[held_it->second];
        if (e.deflated || ahead) {
            PrecompressedSource& ps = sources[nextSource++];
            ps.data = ahead ? &ahead->data : &e.data;
            ps.size = ahead ? ahead->size : e.size;
            ps.crc = ahead ? ahead->crc : e.crc;
            zip_error_init(&ps.error);
            s.reset(zip_source_function(za, PrecompressedCallback, &ps));
        } else if (e.sourceIndex >= 0) {
            s.reset(zip_source_zip(za, e.origin ? e.origin->zip_.get() : zip_.get(),
                                   static_cast<zip_uint64_t>(e.sourceIndex), ZIP_FL_COMPRESSED, 0, -1));
        } else {
            s.reset(zip_source_buffer(za, e.data.data(), e.data.size(), 0));
        }
        if (!s) fail("部品を追加できません");
        const zip_int64_t idx = zip_file_add(za, name.c_str(), s.get(), ZIP_FL_ENC_UTF_8);
        if (idx < 0) fail("部品を追加できません");
        s.release();  // the archive took the source over
        zip_set_file_compression(za, static_cast<zip_uint64_t>(idx), ZIP_CM_DEFLATE, kDeflateLevel);
        // A fixed time stamp keeps saved packages reproducible.
        zip_file_set_dostime(za, static_cast<zip_uint64_t>(idx), 0, 0x21, 0);
    }
    if (!Close(zip.archive)) {
        // Parts copied as stored are read only now: a damaged one (a broken local header, say) is
        // the source's fault, not the writing's, and is named as such.
        zip.buffer.reset();
        for (const auto& name : order_)
            if (entries_.at(name).sourceIndex >= 0) Read(name);  // throws Corrupt for the damaged part
        fail("zip を書き出せません");
    }
    std::string bytes = WrittenBytes(zip);
    zip.buffer.reset();
    if (bytes.empty()) fail("zip を書き出せません");
    return bytes;
}

}  // namespace zelmo::xlsx

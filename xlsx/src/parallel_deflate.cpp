#include "parallel_deflate.h"

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <stdexcept>
#include <thread>

namespace zelmo::xlsx {
namespace {

constexpr std::size_t kBlock = 128u << 10;
constexpr std::size_t kWindow = 32u << 10;

struct Job {
    std::size_t input;
    std::size_t offset;
    std::size_t length;
    bool last;
    std::string out;
    std::uint32_t crc = 0;
    bool failed = false;
};

void Compress(std::string_view in, Job& job, int level) {
    z_stream z{};
    if (deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        job.failed = true;
        return;
    }
    if (job.offset > 0) {
        const std::size_t dict = std::min(kWindow, job.offset);
        deflateSetDictionary(&z, reinterpret_cast<const Bytef*>(in.data() + job.offset - dict), static_cast<uInt>(dict));
    }
    job.out.resize(deflateBound(&z, static_cast<uLong>(job.length)) + 16);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data() + job.offset));
    z.avail_in = static_cast<uInt>(job.length);
    z.next_out = reinterpret_cast<Bytef*>(&job.out[0]);
    z.avail_out = static_cast<uInt>(job.out.size());
    const int rc = deflate(&z, job.last ? Z_FINISH : Z_SYNC_FLUSH);
    if ((job.last && rc != Z_STREAM_END) || (!job.last && (rc != Z_OK || z.avail_in != 0 || z.avail_out == 0)))
        job.failed = true;
    job.out.resize(job.out.size() - z.avail_out);
    deflateEnd(&z);
    job.crc = static_cast<std::uint32_t>(
        crc32(0L, reinterpret_cast<const Bytef*>(in.data() + job.offset), static_cast<uInt>(job.length)));
}

}  // namespace

std::vector<Deflated> DeflateAll(const std::vector<std::string_view>& inputs, int level) {
    std::vector<Job> jobs;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const std::size_t size = inputs[i].size();
        std::size_t offset = 0;
        do {
            const std::size_t length = std::min(kBlock, size - offset);
            jobs.push_back(Job{i, offset, length, offset + length == size, {}, 0, false});
            offset += length;
        } while (offset < size);
    }
    std::atomic<std::size_t> next{0};
    auto work = [&]() {
        for (std::size_t j = next++; j < jobs.size(); j = next++) Compress(inputs[jobs[j].input], jobs[j], level);
    };
    const unsigned cores = std::max(1u, std::min(8u, std::thread::hardware_concurrency()));
    std::vector<std::thread> threads;
    for (unsigned t = 1; t < cores && t < jobs.size(); ++t) threads.emplace_back(work);
    work();
    for (auto& t : threads) t.join();

    std::vector<Deflated> out(inputs.size());
    std::vector<std::size_t> sizes(inputs.size(), 0);
    for (const auto& job : jobs) sizes[job.input] += job.out.size();
    for (std::size_t i = 0; i < out.size(); ++i) out[i].data.reserve(sizes[i]);
    for (auto& job : jobs) {
        if (job.failed) throw std::runtime_error("deflate failed");
        Deflated& d = out[job.input];
        d.crc = job.offset == 0 ? job.crc
                                : static_cast<std::uint32_t>(crc32_combine(d.crc, job.crc, static_cast<z_off_t>(job.length)));
        d.size += job.length;
        d.data += job.out;
        std::string().swap(job.out);
    }
    return out;
}

}  // namespace zelmo::xlsx

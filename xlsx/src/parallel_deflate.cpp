#include "parallel_deflate.h"

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <new>
#include <stdexcept>
#include <system_error>
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

// One worker's zlib state and output buffer, set up once and reused for every block it takes:
// a fresh deflate state per block would allocate (and fault in) about 256 KiB each time.
class Compressor {
public:
    explicit Compressor(int level) { ready_ = deflateInit2(&z_, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) == Z_OK; }
    ~Compressor() {
        if (ready_) deflateEnd(&z_);
    }
    Compressor(const Compressor&) = delete;
    Compressor& operator=(const Compressor&) = delete;

    void Compress(std::string_view in, Job& job) {
        if (!ready_ || (used_ && deflateReset(&z_) != Z_OK)) {
            job.failed = true;
            return;
        }
        used_ = true;
        if (job.offset > 0) {
            const std::size_t dict = std::min(kWindow, job.offset);
            deflateSetDictionary(&z_, reinterpret_cast<const Bytef*>(in.data() + job.offset - dict), static_cast<uInt>(dict));
        }
        const std::size_t bound = deflateBound(&z_, static_cast<uLong>(job.length)) + 16;
        if (buffer_.size() < bound) buffer_.resize(bound);
        z_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data() + job.offset));
        z_.avail_in = static_cast<uInt>(job.length);
        z_.next_out = reinterpret_cast<Bytef*>(&buffer_[0]);
        z_.avail_out = static_cast<uInt>(buffer_.size());
        const int rc = deflate(&z_, job.last ? Z_FINISH : Z_SYNC_FLUSH);
        if ((job.last && rc != Z_STREAM_END) || (!job.last && (rc != Z_OK || z_.avail_in != 0 || z_.avail_out == 0)))
            job.failed = true;
        job.out.assign(buffer_.data(), buffer_.size() - z_.avail_out);
        job.crc = static_cast<std::uint32_t>(
            crc32(0L, reinterpret_cast<const Bytef*>(in.data() + job.offset), static_cast<uInt>(job.length)));
    }

private:
    z_stream z_{};
    bool ready_ = false;
    bool used_ = false;
    std::string buffer_;
};

// The calling thread's compressor for `level`, made on first use and reused by every later call:
// a zlib deflate state is about 256 KiB, and allocating and freeing it for every save (a split
// saves once per sheet) costs more than compressing a small package, most of all under Wine,
// where blocks that size are mapped and unmapped each time.
Compressor& CompressorFor(int level) {
    thread_local std::unique_ptr<Compressor> compressors[10];
    std::unique_ptr<Compressor>& compressor = compressors[level];
    if (!compressor) compressor = std::make_unique<Compressor>(level);
    return *compressor;
}

// Inputs smaller than this together are deflated on the calling thread alone: waking a helper
// costs more than it saves.
constexpr std::size_t kShareFrom = 2 * kBlock;

// Helper threads started once and parked between runs. A process saves once per workbook, and a
// split saves one workbook per sheet: starting and joining a thread for every save costs more
// than the deflating it shares out, most of all under Wine, where a new thread attaches to every
// loaded module first.
class Helpers {
public:
    // Never destroyed: parked helpers may still wait on it while the process ends.
    static Helpers& Get() {
        static Helpers* const helpers = new Helpers();
        return *helpers;
    }

    // Runs `work` on the calling thread and on up to `extra` helpers at the same time, and
    // returns once every call has returned. `work` must not throw and must be safe to call after
    // the work is done (a helper that wakes late finds nothing left). One run at a time: a caller
    // that finds the helpers busy does the work alone.
    void Run(unsigned extra, const std::function<void()>& work) {
        std::unique_lock<std::mutex> runLock(runMutex_, std::try_to_lock);
        if (!runLock.owns_lock() || extra == 0) {
            work();
            return;
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            try {
                while (started_ < extra) {
                    std::thread(&Helpers::Park, this).detach();
                    ++started_;
                }
            } catch (const std::system_error&) {
                extra = started_;  // no more threads to be had: share among those there are
            }
            task_ = &work;
            wanted_ = extra;
        }
        wake_.notify_all();
        work();
        std::unique_lock<std::mutex> lock(mutex_);
        wanted_ = 0;  // those not yet woken need not start: the work is done
        done_.wait(lock, [this] { return running_ == 0; });
        task_ = nullptr;
    }

private:
    Helpers() = default;

    void Park() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return wanted_ > 0; });
            --wanted_;
            ++running_;
            const std::function<void()>* task = task_;
            lock.unlock();
            (*task)();
            lock.lock();
            if (--running_ == 0) done_.notify_all();
        }
    }

    std::mutex runMutex_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    const std::function<void()>* task_ = nullptr;
    unsigned wanted_ = 0;
    unsigned running_ = 0;
    unsigned started_ = 0;
};

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
    level = level == Z_DEFAULT_COMPRESSION ? 6 : std::clamp(level, 0, 9);  // zlib's default is 6
    std::atomic<std::size_t> next{0};
    const std::function<void()> work = [&]() {
        std::size_t j = next++;
        if (j >= jobs.size()) return;
        try {
            Compressor& compressor = CompressorFor(level);
            for (; j < jobs.size(); j = next++) compressor.Compress(inputs[jobs[j].input], jobs[j]);
        } catch (const std::bad_alloc&) {
            // Out of memory on a helper: the job taken and those left fail the whole call.
            for (; j < jobs.size(); j = next++) jobs[j].failed = true;
        }
    };
    const unsigned cores = std::max(1u, std::min(8u, std::thread::hardware_concurrency()));
    std::size_t total = 0;
    for (const auto& input : inputs) total += input.size();
    const std::size_t extra = jobs.size() > 1 && total >= kShareFrom ? std::min<std::size_t>(cores - 1, jobs.size() - 1) : 0;
    Helpers::Get().Run(static_cast<unsigned>(extra), work);

    std::vector<Deflated> out(inputs.size());
    std::vector<std::size_t> sizes(inputs.size(), 0);
    for (const auto& job : jobs) sizes[job.input] += job.out.size();
    for (std::size_t i = 0; i < out.size(); ++i) out[i].data.reserve(sizes[i]);
    for (const auto& job : jobs)
        if (job.failed) throw std::runtime_error("deflate failed");
    for (auto& job : jobs) {
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

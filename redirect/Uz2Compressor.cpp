#include "redirect/Uz2Compressor.h"

#include "gameini/Error.h"
#include "gameini/FileDescriptor.h"
#include "redirect/Uz2.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <new>
#include <stdexcept>

namespace redirect {
namespace {

void PutU32(char* out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        *out++ = static_cast<char>((value >> shift) & 0xFF);
}

} // namespace

struct Uz2Compressor::Compressor {
    explicit Compressor(Compression compression)
        : handle(libdeflate_alloc_compressor(compression.level)),
          alsoZlib(compression.noLargerThanGame) {
        if (!handle)
            throw std::bad_alloc();
    }
    ~Compressor() { libdeflate_free_compressor(handle); }
    Compressor(const Compressor&) = delete;
    Compressor& operator=(const Compressor&) = delete;

    // One chunk, header included.
    std::string Chunk(std::string_view input) const {
        const size_t bound = std::max<size_t>(libdeflate_zlib_compress_bound(handle, input.size()),
                                              compressBound(input.size()));
        std::string chunk(kChunkHeader + bound, '\0');
        char* const out = chunk.data() + kChunkHeader;
        size_t size = libdeflate_zlib_compress(handle, input.data(), input.size(), out, bound);
        if (alsoZlib) {
            std::string game(bound, '\0');
            uLongf gameSize = bound;
            if (compress2(reinterpret_cast<Bytef*>(game.data()), &gameSize,
                          reinterpret_cast<const Bytef*>(input.data()), input.size(), 6) != Z_OK)
                throw std::bad_alloc(); // zlib fails only for want of memory here
            if (gameSize < size)
                size = std::copy_n(game.data(), gameSize, out) - out;
        }
        chunk.resize(kChunkHeader + size);
        PutU32(chunk.data(), static_cast<uint32_t>(size));
        PutU32(chunk.data() + 4, static_cast<uint32_t>(input.size()));
        return chunk;
    }

    libdeflate_compressor* handle;
    bool alsoZlib;
};

// One package on its way through the pool.
struct Uz2Compressor::Job {
    uint64_t size;
    size_t count; // its chunks
    const PackageSource& source;
    std::vector<std::optional<std::string>> slots; // chunk i waits in slot i % window
    size_t next = 0;                               // the chunk a thread takes next
    size_t written = 0;                            // the chunks handed to the writer
    size_t busy = 0; // threads reading or compressing one of its chunks
    bool stopped = false, readFailed = false;
    std::exception_ptr error; // the first a thread met
};

Uz2Compressor::Uz2Compressor(Compression compression, unsigned threads)
    : window_(2 * std::max(threads, 1u) + 3) {
    if (compression.level < 0 || compression.level > 12)
        throw std::invalid_argument("compression level " + std::to_string(compression.level) +
                                    " is not one of 0 to 12");
    for (unsigned i = 0; i < std::max(threads, 1u); ++i)
        compressors_.push_back(std::make_unique<Compressor>(compression));
    for (const std::unique_ptr<Compressor>& compressor : compressors_)
        threads_.emplace_back([this, &compressor] { Work(*compressor); });
}

Uz2Compressor::~Uz2Compressor() {
    {
        const std::lock_guard hold(mutex_);
        closing_ = true;
    }
    wanted_.notify_all();
    threads_.clear(); // joined before the compressors go
}

void Uz2Compressor::Work(Compressor& compressor) {
    std::vector<char> input(kChunkInput);
    std::unique_lock lock(mutex_);
    for (;;) {
        wanted_.wait(lock, [this] {
            return closing_ || (job_ && !job_->stopped && job_->next < job_->count &&
                                job_->next < job_->written + window_);
        });
        if (closing_)
            return;
        Job& job = *job_;
        const size_t index = job.next++;
        ++job.busy;
        lock.unlock();
        std::optional<std::string> chunk;
        std::exception_ptr error;
        try {
            const uint64_t offset = uint64_t{index} * kChunkInput;
            const auto length =
                static_cast<size_t>(std::min<uint64_t>(kChunkInput, job.size - offset));
            if (job.source(offset, length, input.data()))
                chunk = compressor.Chunk({input.data(), length});
        } catch (...) {
            error = std::current_exception();
        }
        lock.lock();
        --job.busy;
        if (chunk) {
            job.slots[index % window_] = std::move(chunk);
        } else {
            job.stopped = true;
            job.readFailed |= !error;
            if (error && !job.error)
                job.error = error;
        }
        ready_.notify_all();
    }
}

Uz2Compressor::Outcome Uz2Compressor::Compress(uint64_t size, const PackageSource& source,
                                               const ChunkWriter& write) {
    Job job{size,   static_cast<size_t>((size + kChunkInput - 1) / kChunkInput),
            source, std::vector<std::optional<std::string>>(window_),
            0,      0,
            0,      false,
            false,  nullptr};
    {
        const std::lock_guard hold(mutex_);
        job_ = &job;
    }
    wanted_.notify_all();
    std::exception_ptr writeError;
    bool writerStopped = false;
    for (size_t index = 0; index < job.count; ++index) {
        std::unique_lock lock(mutex_);
        std::optional<std::string>& slot = job.slots[index % window_];
        ready_.wait(lock, [&] { return job.stopped || slot.has_value(); });
        if (job.stopped)
            break;
        const std::string chunk = std::move(*slot);
        slot.reset();
        lock.unlock();
        try {
            writerStopped = !write(chunk);
        } catch (...) {
            writeError = std::current_exception();
        }
        lock.lock();
        ++job.written;
        job.stopped = writerStopped || writeError;
        wanted_.notify_all();
        if (job.stopped)
            break;
    }
    // No thread may use the job once it is gone.
    {
        std::unique_lock lock(mutex_);
        job.stopped = true;
        ready_.wait(lock, [&] { return job.busy == 0; });
        job_ = nullptr;
    }
    if (writeError)
        std::rethrow_exception(writeError);
    if (job.error)
        std::rethrow_exception(job.error);
    if (job.readFailed)
        return Outcome::ReadFailed;
    return writerStopped ? Outcome::Stopped : Outcome::Whole;
}

std::optional<std::string> CompressUz2(uint64_t size, const PackageSource& source,
                                       Compression compression, unsigned threads) {
    Uz2Compressor pool(compression, threads);
    std::string uz2;
    const auto outcome = pool.Compress(size, source, [&uz2](std::string_view chunk) {
        uz2 += chunk;
        return true;
    });
    if (outcome != Uz2Compressor::Outcome::Whole)
        return std::nullopt;
    return uz2;
}

std::string CompressUz2(std::string_view package, Compression compression, unsigned threads) {
    return *CompressUz2(
        package.size(),
        [package](uint64_t offset, size_t size, char* out) {
            std::copy_n(package.data() + offset, size, out);
            return true;
        },
        compression, threads);
}

std::optional<uint64_t> CompressPackageFile(const std::string& path, Uz2Compressor& pool,
                                            const ChunkWriter& write) {
    // Found a moment ago as a package file; never blocks if it was swapped for a FIFO since.
    const gameini::OpenFile file = gameini::OpenRegularFile(path);
    const uint64_t size = file.size;
    std::atomic<int> error = 0;
    const Uz2Compressor::Outcome outcome = pool.Compress(
        size,
        [&](uint64_t offset, size_t length, char* out) {
            const gameini::ReadResult read =
                gameini::ReadFully(file.descriptor.Get(), out, length, offset);
            if (read.error != 0)
                error = read.error;
            return read.got == length;
        },
        write);
    if (outcome == Uz2Compressor::Outcome::ReadFailed && error != 0)
        gameini::ThrowSystemError(error, "Cannot read " + path);
    if (outcome == Uz2Compressor::Outcome::ReadFailed)
        throw gameini::DamageError(path, path + " grew shorter while it was compressed; run again "
                                                "once it is in place");
    if (outcome == Uz2Compressor::Outcome::Stopped)
        return std::nullopt;
    return size;
}

} // namespace redirect

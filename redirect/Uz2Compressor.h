#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace redirect {

// The level chosen by measurement, on packages made as mods are (a name
// table, script, 8-bit textures and 16-bit sounds; bench/redirect_bench.sh):
// over 32 KB chunks, libdeflate's output at 4 is 0.983 of zlib's at 6, in
// 0.36 of the time; at 3 it is 0.989, at 2 larger than zlib's. On script
// alone it is 1.015 (at 6, 1.003; at 8, 0.990).
constexpr int kDefaultLevel = 4;

// Puts `size` bytes of a package from `offset` on into `out`; false when it
// cannot. Called on several threads at once.
using PackageSource = std::function<bool(uint64_t offset, size_t size, char* out)>;

// Takes the .uz2's chunks, header included, in order; false stops the
// compression (the output is no use any more).
using ChunkWriter = std::function<bool(std::string_view chunk)>;

// Threads that compress .uz2 chunks for as long as the pool lives, each with
// its own compressor, as pigz does: a package's chunks are read and
// compressed at most a few ahead of the one writer, which gets them in
// order, so the memory used does not grow with the package.
class Uz2Compressor {
public:
    enum class Outcome { Whole, Stopped, ReadFailed };

    // Throws std::invalid_argument for a level libdeflate does not have.
    Uz2Compressor(int level, unsigned threads);
    ~Uz2Compressor();
    Uz2Compressor(const Uz2Compressor&) = delete;
    Uz2Compressor& operator=(const Uz2Compressor&) = delete;

    // Compresses `size` bytes of a package read through `source` on the
    // pool's threads, handing each chunk to `write` on the calling thread.
    // Rethrows what a thread or `write` met (std::bad_alloc, FileError)
    // once no thread works on the package any more.
    Outcome Compress(uint64_t size, const PackageSource& source, const ChunkWriter& write);

private:
    struct Job;
    struct Compressor;
    void Work(Compressor& compressor);

    size_t window_; // the chunks in flight at most: read, compressed or waiting to be written
    std::mutex mutex_;
    std::condition_variable wanted_, ready_;
    Job* job_ = nullptr;
    bool closing_ = false;
    std::vector<std::unique_ptr<Compressor>> compressors_;
    std::vector<std::jthread> threads_;
};

// The .uz2 bytes of a package held whole, or read through `source`; nothing
// when a read failed.
std::optional<std::string> CompressUz2(uint64_t size, const PackageSource& source, int level,
                                       unsigned threads);
std::string CompressUz2(std::string_view package, int level, unsigned threads);

// Compresses the package file at `path` through `pool`, read a chunk at a
// time by the threads that compress it; gives the size it had, or nothing
// when `write` stopped it. Throws FileError when it cannot be read, is no
// regular file, or grows shorter meanwhile.
std::optional<uint64_t> CompressPackageFile(const std::string& path, Uz2Compressor& pool,
                                            const ChunkWriter& write);

} // namespace redirect

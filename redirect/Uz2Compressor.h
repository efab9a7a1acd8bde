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

// How a .uz2's chunks are compressed: by libdeflate at `level` and, with
// `noLargerThanGame`, by zlib at 6 as well, the smaller kept. zlib at 6 over
// the same 32 KB chunks is what the game's own tool writes, and on real
// content no level of libdeflate up to 9 is always smaller: at 6 it is 1%
// smaller on 8-bit textures and binaries but 0.1% larger on DXT textures and
// 0.4% larger on source text (at 9, still larger on DXT). A file is
// compressed once and downloaded by every player, so the default takes both,
// in about 1.4 times zlib's time.
struct Compression {
    int level = 6;
    bool noLargerThanGame = true;
};

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
    Uz2Compressor(Compression compression, unsigned threads);
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
std::optional<std::string> CompressUz2(uint64_t size, const PackageSource& source,
                                       Compression compression, unsigned threads);
std::string CompressUz2(std::string_view package, Compression compression, unsigned threads);

// Compresses the package file at `path` through `pool`, read a chunk at a
// time by the threads that compress it; gives the size it had, or nothing
// when `write` stopped it. Throws FileError when it cannot be read, and
// DamageError when it is no regular file or grows shorter meanwhile.
std::optional<uint64_t> CompressPackageFile(const std::string& path, Uz2Compressor& pool,
                                            const ChunkWriter& write);

} // namespace redirect

#include "redirect/Uz2.h"

#include "gameini/Error.h"
#include "gameini/FileDescriptor.h"
#include "gameini/GamePath.h"

#include <libdeflate.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace redirect {
namespace {

constexpr size_t kChunkHeader = 8;

void PutU32(std::string& out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out += static_cast<char>((value >> shift) & 0xFF);
}

uint32_t U32At(std::string_view bytes, size_t at) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + static_cast<size_t>(i)]);
    return value;
}

struct Compressor {
    explicit Compressor(int level) : handle(libdeflate_alloc_compressor(level)) {
        if (!handle)
            throw std::bad_alloc();
    }
    ~Compressor() { libdeflate_free_compressor(handle); }
    Compressor(const Compressor&) = delete;
    Compressor& operator=(const Compressor&) = delete;
    libdeflate_compressor* handle;
};

struct Decompressor {
    Decompressor() : handle(libdeflate_alloc_decompressor()) {
        if (!handle)
            throw std::bad_alloc();
    }
    ~Decompressor() { libdeflate_free_decompressor(handle); }
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;
    libdeflate_decompressor* handle;
};

// One chunk, header included.
std::string CompressChunk(libdeflate_compressor* compressor, std::string_view input) {
    std::string chunk(kChunkHeader + libdeflate_zlib_compress_bound(compressor, input.size()),
                      '\0');
    const size_t size =
        libdeflate_zlib_compress(compressor, input.data(), input.size(),
                                 chunk.data() + kChunkHeader, chunk.size() - kChunkHeader);
    chunk.resize(kChunkHeader + size);
    std::string header;
    PutU32(header, static_cast<uint32_t>(size));
    PutU32(header, static_cast<uint32_t>(input.size()));
    chunk.replace(0, kChunkHeader, header);
    return chunk;
}

} // namespace

std::optional<std::string> CompressUz2(uint64_t size, const PackageSource& source, int level,
                                       unsigned threads) {
    const auto count = static_cast<size_t>((size + kChunkInput - 1) / kChunkInput);
    std::vector<std::string> chunks(count);
    std::atomic<size_t> next = 0;
    std::atomic<bool> failed = false;
    std::mutex errorHeld;
    std::exception_ptr error; // the first a thread met, for the caller
    auto work = [&] {
        try {
            Compressor compressor(level);
            std::vector<char> input(kChunkInput);
            for (size_t i; !failed && (i = next++) < count;) {
                const uint64_t offset = uint64_t{i} * kChunkInput;
                const auto length =
                    static_cast<size_t>(std::min<uint64_t>(kChunkInput, size - offset));
                if (!source(offset, length, input.data())) {
                    failed = true;
                    return;
                }
                chunks[i] = CompressChunk(compressor.handle, {input.data(), length});
            }
        } catch (...) {
            const std::lock_guard hold(errorHeld);
            if (!error)
                error = std::current_exception();
            failed = true;
        }
    };
    if (level < 0 || level > 12)
        throw std::invalid_argument("compression level " + std::to_string(level) +
                                    " is not one of 0 to 12");
    std::vector<std::jthread> workers;
    for (unsigned i = 1; i < std::min<size_t>(std::max(threads, 1u), count); ++i)
        workers.emplace_back(work);
    work();
    workers.clear();
    if (error)
        std::rethrow_exception(error);
    if (failed)
        return std::nullopt;
    size_t total = 0;
    for (const std::string& chunk : chunks)
        total += chunk.size();
    std::string uz2;
    uz2.reserve(total);
    for (const std::string& chunk : chunks)
        uz2 += chunk;
    return uz2;
}

std::string CompressUz2(std::string_view package, int level, unsigned threads) {
    return *CompressUz2(
        package.size(),
        [package](uint64_t offset, size_t size, char* out) {
            std::copy_n(package.data() + offset, size, out);
            return true;
        },
        level, threads);
}

CompressedFile CompressPackageFile(const std::string& path, int level, unsigned threads) {
    // Found a moment ago as a package file; never blocks if it was swapped for a FIFO since.
    const gameini::FileDescriptor file{open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
    struct stat info;
    if (file.fd < 0 || fstat(file.fd, &info) != 0)
        gameini::ThrowSystemError(errno, "Cannot open " + path + " for reading");
    if (!S_ISREG(info.st_mode))
        throw gameini::FileError(EINVAL, "Cannot read " + path + ": it is not a regular file");
    const auto size = static_cast<uint64_t>(info.st_size);
    std::atomic<int> error = 0;
    std::optional<std::string> uz2 = CompressUz2(
        size,
        [&](uint64_t offset, size_t length, char* out) {
            const gameini::ReadResult read = gameini::ReadFully(file.fd, out, length, offset);
            if (read.error != 0)
                error = read.error;
            return read.got == length;
        },
        level, threads);
    if (!uz2 && error != 0)
        gameini::ThrowSystemError(error, "Cannot read " + path);
    if (!uz2)
        throw gameini::FileError(EIO, path + " grew shorter while it was compressed; run again "
                                             "once it is in place");
    return {std::move(*uz2), size};
}

std::variant<std::string, Uz2Damage> DecompressUz2(std::string_view uz2, size_t mostBytes) {
    Decompressor decompressor;
    std::string package;
    for (size_t at = 0; at < uz2.size();) {
        if (uz2.size() - at < kChunkHeader)
            return Uz2Damage{at, "the file ends inside a chunk's sizes"};
        const uint32_t compressed = U32At(uz2, at), size = U32At(uz2, at + 4);
        if (compressed > kChunkMostCompressed)
            return Uz2Damage{at, "a chunk says " + std::to_string(compressed) +
                                     " compressed bytes; the engine takes at most " +
                                     std::to_string(kChunkMostCompressed)};
        if (size > kChunkInput)
            return Uz2Damage{at, "a chunk says " + std::to_string(size) +
                                     " bytes; the engine takes at most " +
                                     std::to_string(kChunkInput)};
        if (compressed > uz2.size() - at - kChunkHeader)
            return Uz2Damage{at, "a chunk says " + std::to_string(compressed) +
                                     " compressed bytes, but only " +
                                     std::to_string(uz2.size() - at - kChunkHeader) + " are left"};
        if (size > mostBytes - package.size())
            return Uz2Damage{at, "it holds more than " + std::to_string(mostBytes) + " bytes"};
        const size_t had = package.size();
        package.resize(had + size);
        size_t got = 0;
        const libdeflate_result result =
            libdeflate_zlib_decompress(decompressor.handle, uz2.data() + at + kChunkHeader,
                                       compressed, package.data() + had, size, &got);
        if (result != LIBDEFLATE_SUCCESS || got != size)
            return Uz2Damage{at, result == LIBDEFLATE_SUCCESS
                                     ? "a chunk holds " + std::to_string(got) + " bytes, not the " +
                                           std::to_string(size) + " it says"
                                     : "a chunk is not a whole zlib stream of the size it says"};
        at += kChunkHeader + compressed;
    }
    return package;
}

gameini::PackageRead ReadUz2Package(const std::string& path) {
    const auto read =
        DecompressUz2(gameini::ReadRegularFile(path, kMostPackageBytes), kMostPackageBytes);
    if (const auto* damage = std::get_if<Uz2Damage>(&read))
        return gameini::PackageDamage{"its .uz2 chunk at byte " + std::to_string(damage->offset) +
                                      ": " + damage->reason};
    return gameini::ParsePackageBytes(std::get<std::string>(read));
}

std::string Uz2Mismatch(const std::string& uz2Path, const std::string& packagePath) {
    const std::string package = gameini::ReadRegularFile(packagePath, kMostPackageBytes);
    const auto read =
        DecompressUz2(gameini::ReadRegularFile(uz2Path, kMostPackageBytes), package.size() + 1);
    if (const auto* damage = std::get_if<Uz2Damage>(&read))
        return "its chunk at byte " + std::to_string(damage->offset) + ": " + damage->reason;
    const std::string& inside = std::get<std::string>(read);
    if (inside.size() != package.size())
        return "it holds " + std::to_string(inside.size()) + " bytes, the package " +
               std::to_string(package.size());
    if (inside != package)
        return "its bytes differ from the package's from byte " +
               std::to_string(std::mismatch(inside.begin(), inside.end(), package.begin()).first -
                              inside.begin());
    return "";
}

std::string Uz2NameOf(const std::string& packageFile) {
    return gameini::NameOf(packageFile) + ".uz2";
}

bool IsUz2FileName(std::string_view name) {
    return name.size() > 4 && std::equal(name.end() - 4, name.end(), ".uz2", [](char a, char b) {
               return (a >= 'A' && a <= 'Z' ? a + 32 : a) == b;
           });
}

} // namespace redirect

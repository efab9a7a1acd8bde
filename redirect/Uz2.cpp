#include "redirect/Uz2.h"

#include "gameini/Error.h"
#include "gameini/FileDescriptor.h"
#include "gameini/GamePath.h"
#include "gameini/TextCase.h"

#include <libdeflate.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace redirect {
namespace {

uint32_t U32At(const char* bytes) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes[i]);
    return value;
}

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

// Reads a .uz2 of `total` bytes a chunk at a time: `read` gives its next
// bytes in order, and `take` each chunk's package bytes. Every size is
// checked against the engine's limits and the bytes left before use.
std::optional<Uz2Damage> ForEachChunk(uint64_t total,
                                      const std::function<size_t(char*, size_t)>& read,
                                      uint64_t mostBytes, size_t mostChunks,
                                      const std::function<void(std::string_view)>& take) {
    Decompressor decompressor;
    std::vector<char> input(kChunkMostCompressed), output(kChunkInput);
    uint64_t made = 0;
    for (uint64_t at = 0, chunks = 0; at < total && chunks < mostChunks; ++chunks) {
        char header[kChunkHeader];
        if (total - at < kChunkHeader || read(header, kChunkHeader) != kChunkHeader)
            return Uz2Damage{at, "the file ends inside a chunk's sizes"};
        const uint32_t compressed = U32At(header), size = U32At(header + 4);
        if (compressed > kChunkMostCompressed)
            return Uz2Damage{at, "a chunk says " + std::to_string(compressed) +
                                     " compressed bytes; the engine takes at most " +
                                     std::to_string(kChunkMostCompressed)};
        if (size > kChunkInput)
            return Uz2Damage{at, "a chunk says " + std::to_string(size) +
                                     " bytes; the engine takes at most " +
                                     std::to_string(kChunkInput)};
        if (compressed > total - at - kChunkHeader)
            return Uz2Damage{at, "a chunk says " + std::to_string(compressed) +
                                     " compressed bytes, but only " +
                                     std::to_string(total - at - kChunkHeader) + " are left"};
        if (size > mostBytes - made)
            return Uz2Damage{at, "it holds more than " + std::to_string(mostBytes) + " bytes"};
        if (read(input.data(), compressed) != compressed)
            return Uz2Damage{at, "the file ends inside a chunk"}; // it shrank while read
        size_t got = 0;
        const libdeflate_result result = libdeflate_zlib_decompress(
            decompressor.handle, input.data(), compressed, output.data(), size, &got);
        if (result != LIBDEFLATE_SUCCESS || got != size)
            return Uz2Damage{at, result == LIBDEFLATE_SUCCESS
                                     ? "a chunk holds " + std::to_string(got) + " bytes, not the " +
                                           std::to_string(size) + " it says"
                                     : "a chunk is not a whole zlib stream of the size it says"};
        take({output.data(), size});
        made += size;
        at += kChunkHeader + compressed;
    }
    return std::nullopt;
}

// The next bytes of an open file, for ForEachChunk.
std::function<size_t(char*, size_t)> ReaderOf(const gameini::OpenFile& file,
                                              const std::string& path) {
    return [&file, path](char* out, size_t size) {
        const gameini::ReadResult read = gameini::ReadFully(file.descriptor.Get(), out, size);
        if (read.error != 0)
            gameini::ThrowSystemError(read.error, "Cannot read " + path);
        return read.got;
    };
}

} // namespace

std::variant<std::string, Uz2Damage> DecompressUz2(std::string_view uz2, size_t mostBytes,
                                                   size_t mostChunks) {
    std::string package;
    size_t at = 0;
    const auto damage = ForEachChunk(
        uz2.size(),
        [uz2, &at](char* out, size_t size) {
            const size_t got = std::min(size, uz2.size() - at);
            std::copy_n(uz2.data() + at, got, out);
            at += got;
            return got;
        },
        mostBytes, mostChunks, [&package](std::string_view chunk) { package += chunk; });
    if (damage)
        return *damage;
    return package;
}

gameini::PackageRead ReadUz2Package(const std::string& path) {
    const auto read =
        DecompressUz2(gameini::ReadWholeFile(path, kMostPackageBytes), kMostPackageBytes);
    if (const auto* damage = std::get_if<Uz2Damage>(&read))
        return gameini::PackageDamage{"its .uz2 chunk at byte " + std::to_string(damage->offset) +
                                      ": " + damage->reason};
    return gameini::ParsePackageBytes(std::get<std::string>(read));
}

// Both files are read a chunk at a time side by side, so that checking a
// package of any size takes no more memory than one chunk of each.
std::string Uz2Mismatch(const std::string& uz2Path, const std::string& packagePath) {
    const gameini::OpenFile package = gameini::OpenRegularFile(packagePath);
    const gameini::OpenFile uz2 = gameini::OpenRegularFile(uz2Path);
    std::vector<char> expected(kChunkInput);
    uint64_t inside = 0;
    std::optional<uint64_t> firstDifference;
    const auto damage = ForEachChunk(
        uz2.size, ReaderOf(uz2, uz2Path), std::min(package.size + 1, uint64_t{kMostPackageBytes}),
        SIZE_MAX, [&](std::string_view chunk) {
            const gameini::ReadResult read =
                gameini::ReadFully(package.descriptor.Get(), expected.data(), chunk.size(), inside);
            if (read.error != 0)
                gameini::ThrowSystemError(read.error, "Cannot read " + packagePath);
            const auto differs = std::mismatch(chunk.begin(), chunk.end(), expected.begin(),
                                               expected.begin() + static_cast<long>(read.got));
            if (!firstDifference && differs.first != chunk.end())
                firstDifference = inside + static_cast<uint64_t>(differs.first - chunk.begin());
            inside += chunk.size();
        });
    if (damage)
        return "its chunk at byte " + std::to_string(damage->offset) + ": " + damage->reason;
    if (inside != package.size)
        return "it holds " + std::to_string(inside) + " bytes, the package " +
               std::to_string(package.size);
    if (firstDifference)
        return "its bytes differ from the package's from byte " + std::to_string(*firstDifference);
    return "";
}

std::string Uz2NameOf(const std::string& packageFile) {
    return gameini::NameOf(packageFile) + ".uz2";
}

bool IsUz2FileName(std::string_view name) {
    return gameini::LowerCase(name).ends_with(".uz2") && name.size() > 4;
}

} // namespace redirect

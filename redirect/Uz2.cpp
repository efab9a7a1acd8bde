#include "redirect/Uz2.h"

#include "gameini/Error.h"
#include "gameini/FileDescriptor.h"
#include "gameini/GamePath.h"

#include <libdeflate.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

namespace redirect {
namespace {

uint32_t U32At(std::string_view bytes, size_t at) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + static_cast<size_t>(i)]);
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

} // namespace

std::variant<std::string, Uz2Damage> DecompressUz2(std::string_view uz2, size_t mostBytes,
                                                   size_t mostChunks) {
    Decompressor decompressor;
    std::string package;
    for (size_t at = 0, chunks = 0; at < uz2.size() && chunks < mostChunks; ++chunks) {
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

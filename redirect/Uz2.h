#pragma once

#include "gameini/PackageFile.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace redirect {

// The .uz2 format the engine downloads a compressed package in: no header and
// no name, only chunks, each a little-endian u32 compressed size, a u32
// uncompressed size, then one zlib stream (header and Adler-32) of at most
// kChunkInput bytes. The engine refuses a chunk over either limit.
constexpr size_t kChunkInput = 32768;
constexpr size_t kChunkMostCompressed = 33096;

// The level chosen by measurement, on packages made as mods are (a name
// table, script, 8-bit textures and 16-bit sounds; bench/redirect_bench.sh):
// over 32 KB chunks, libdeflate's output at 4 is 0.983 of zlib's at 6, in
// 0.36 of the time; at 3 it is 0.989, at 2 larger than zlib's.
constexpr int kDefaultLevel = 4;

// Puts `size` bytes of a package from `offset` on into `out`; false when it
// cannot. Called on several threads at once.
using PackageSource = std::function<bool(uint64_t offset, size_t size, char* out)>;

// The .uz2 bytes of a package of `size` bytes, each chunk read from `source`
// and compressed on one of `threads` threads; nothing when a read failed.
// Throws std::invalid_argument for a level libdeflate does not have, and
// whatever a thread met (std::bad_alloc), once every thread has stopped.
std::optional<std::string> CompressUz2(uint64_t size, const PackageSource& source, int level,
                                       unsigned threads);
std::string CompressUz2(std::string_view package, int level, unsigned threads);

// The .uz2 bytes of the package file at `path`, read a chunk at a time by
// the threads that compress it, and the size it had. Throws FileError when
// it cannot be read, or grows shorter meanwhile.
struct CompressedFile {
    std::string uz2;
    uint64_t size = 0;
};
CompressedFile CompressPackageFile(const std::string& path, int level, unsigned threads);

// Where and why a .uz2 cannot be read: the first bad chunk's offset.
struct Uz2Damage {
    size_t offset;
    std::string reason; // "a chunk says 40000 compressed bytes; the engine takes at most 33096"
};

// The package a .uz2 holds. The bytes come from strangers: every size is
// checked against the engine's limits and the bytes left before use, and
// the output never grows past `mostBytes`.
std::variant<std::string, Uz2Damage> DecompressUz2(std::string_view uz2, size_t mostBytes);

// The most bytes a package read from a .uz2 may have: a few bytes of a
// stranger's file must not make gigabytes.
constexpr size_t kMostPackageBytes = size_t{1} << 30;

// Reads the package inside the .uz2 file at `path`, as ReadPackageFile reads
// a package file; a .uz2 that cannot be decompressed is damage, named by the
// offset of its first bad chunk. Throws FileError when it cannot be read.
gameini::PackageRead ReadUz2Package(const std::string& path);

// Why the .uz2 file does not hold the package file byte for byte ("its
// chunk at byte 103: ...", "it holds 10 bytes, the package 12"), or "" when
// it does. Both are read as strangers' files, up to kMostPackageBytes.
// Throws FileError when either cannot be read or is no regular file.
std::string Uz2Mismatch(const std::string& uz2Path, const std::string& packagePath);

// The name of a package file's .uz2: "Engine.u.uz2".
std::string Uz2NameOf(const std::string& packageFile);

// Whether a file name is that of a .uz2, in any letter case.
bool IsUz2FileName(std::string_view name);

} // namespace redirect

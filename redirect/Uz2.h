#pragma once

#include "gameini/PackageFile.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace redirect {

// The .uz2 format the engine downloads a compressed package in: no header and
// no name, only chunks, each a little-endian u32 compressed size, a u32
// uncompressed size, then one zlib stream (header and Adler-32) of at most
// kChunkInput bytes. The engine refuses a chunk over either limit.
constexpr size_t kChunkHeader = 8;
constexpr size_t kChunkInput = 32768;
constexpr size_t kChunkMostCompressed = 33096;

// Where and why a .uz2 cannot be read: the first bad chunk's offset.
struct Uz2Damage {
    size_t offset;
    std::string reason; // "a chunk says 40000 compressed bytes; the engine takes at most 33096"
};

// The package a .uz2 holds. The bytes come from strangers: every size is
// checked against the engine's limits and the bytes left before use, and
// the output never grows past `mostBytes`. With `mostChunks`, what follows
// that many chunks is not read.
std::variant<std::string, Uz2Damage> DecompressUz2(std::string_view uz2, size_t mostBytes,
                                                   size_t mostChunks = SIZE_MAX);

// The most bytes a package read from a .uz2 may have: a few bytes of a
// stranger's file must not make gigabytes.
constexpr size_t kMostPackageBytes = size_t{1} << 30;

// Reads the package inside the .uz2 file at `path`, as ReadPackageFile reads
// a package file; a .uz2 that cannot be decompressed is damage, named by the
// offset of its first bad chunk. Throws FileError when it cannot be read.
gameini::PackageRead ReadUz2Package(const std::string& path);

// Why the .uz2 file does not hold the package file byte for byte ("its
// chunk at byte 103: ...", "it holds 10 bytes, the package 12"), or "" when
// it does. Both are read as strangers' files, a chunk at a time.
// Throws FileError when either cannot be read or is no regular file.
std::string Uz2Mismatch(const std::string& uz2Path, const std::string& packagePath);

// The name of a package file's .uz2: "Engine.u.uz2".
std::string Uz2NameOf(const std::string& packageFile);

// Whether a file name is that of a .uz2, in any letter case.
bool IsUz2FileName(std::string_view name);

} // namespace redirect

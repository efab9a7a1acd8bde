#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace gameini {

// Package flags the server cares about.
enum PackageFlag : uint32_t {
    kAllowDownload = 0x1,
    kClientOptional = 0x2,
    kServerSideOnly = 0x4,
};

// What a package file (Engine.u, BaseDialog.uax, ...) says of itself, read
// from its header and its name and import tables.
struct PackageFacts {
    uint32_t tag = 0; // 9E2A83C1, or Killing Floor's 9E2A83C2
    uint16_t version = 0, licensee = 0;
    uint32_t flags = 0;
    std::string guid; // as the engine prints it; empty below version 68
    struct Generation {
        int32_t exports, names;
    };
    std::vector<Generation> generations;
    std::vector<std::string> imports; // the packages it depends on, in table order
};

// A file that is no package, or whose tables lie outside it; or, with the
// errno of the call that failed, one that cannot be read at all (a link to
// a removed Workshop item, another user's file).
struct PackageDamage {
    std::string reason; // "its name table lies outside the file", or strerror's text
    int error = 0;
};

using PackageRead = std::variant<PackageFacts, PackageDamage>;

// Reads `size` bytes at `offset` of a file into `out`; false when it cannot.
// Every read a parse asks for lies inside the file.
using ReadAt = std::function<bool(uint64_t offset, size_t size, char* out)>;

// Parses a package of `fileSize` bytes through `readAt`, reading only the
// header and the name and import tables. The bytes come from strangers:
// every offset, count and length is checked against the file's size first,
// and nothing is allocated by a number the file gives before that.
PackageRead ParsePackage(uint64_t fileSize, const ReadAt& readAt);

// Parses a package held whole in memory, as ParsePackage does.
PackageRead ParsePackageBytes(std::string_view bytes);

// Reads the package file at `path`; one that cannot be read is damage with
// its errno.
PackageRead ReadPackageFile(const std::string& path);

// The names of the flags set, as the engine calls them.
std::vector<std::string> FlagNames(uint32_t flags);

// The tag as the format's documents write it: "9E2A83C1".
std::string TagText(uint32_t tag);

} // namespace gameini

#include "gameini/PackageFile.h"

#include "gameini/CodePage.h"
#include "gameini/Error.h"
#include "gameini/FileDescriptor.h"
#include "gameini/SystemCalls.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace gameini {
namespace {

// The engine's tag, and the one Killing Floor's own packages carry.
constexpr uint32_t kTag = 0x9E2A83C1, kKillingFloorTag = 0x9E2A83C2;
constexpr size_t kHeaderSize = 36;        // tag to import offset
constexpr size_t kSmallestName = 1 + 4;   // a length of 0, then flags
constexpr size_t kSmallestImport = 3 + 4; // three one-byte indexes and the outer
// Class, super, name and size as one-byte indexes, the outer and the flags.
constexpr size_t kSmallestExport = 4 + 4 + 4;
constexpr size_t kLongestName = 1024; // the engine's are far shorter
// A table's first look is small, as tables mostly are; each further look
// takes twice as much, up to the largest.
constexpr size_t kFirstWindow = 4 << 10, kLargestWindow = 256 << 10;

struct Damaged {
    std::string reason;
};

// Reads a file forward from an offset, a window at a time, never past its
// end: a read that would go past it is damage.
class Cursor {
public:
    Cursor(uint64_t fileSize, const ReadAt& readAt, uint64_t at, const char* what)
        : fileSize_(fileSize), readAt_(readAt), at_(at), what_(what) {
        if (at > fileSize)
            throw Damaged{std::string("its ") + what + " lies outside the file"};
    }

    uint64_t Left() const { return fileSize_ - at_; }

    void Read(char* out, size_t size) {
        if (size > Left())
            throw Damaged{std::string("its ") + what_ + " runs past the end of the file"};
        while (size > 0) {
            if (at_ < windowAt_ || at_ >= windowAt_ + window_.size())
                Load();
            const size_t take = std::min<uint64_t>(size, windowAt_ + window_.size() - at_);
            std::memcpy(out, window_.data() + (at_ - windowAt_), take);
            out += take;
            size -= take;
            at_ += take;
        }
    }
    uint8_t Byte() {
        char byte;
        Read(&byte, 1);
        return static_cast<uint8_t>(byte);
    }
    uint32_t U32() {
        unsigned char bytes[4];
        Read(reinterpret_cast<char*>(bytes), 4);
        return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<uint32_t>(bytes[3]) << 24;
    }
    uint16_t U16() {
        const uint16_t low = Byte();
        return static_cast<uint16_t>(low | Byte() << 8);
    }
    int32_t I32() { return static_cast<int32_t>(U32()); }

    // The engine's compact index: sign, "more" and six bits, then up to four
    // bytes of "more" and seven bits.
    int32_t CompactIndex() {
        uint8_t byte = Byte();
        const bool negative = byte & 0x80;
        int64_t value = byte & 0x3F;
        int shift = 6;
        for (int more = byte & 0x40, count = 1; more; ++count, shift += 7) {
            if (count == 5)
                throw Damaged{std::string("its ") + what_ + " holds a number too long to read"};
            byte = Byte();
            value |= static_cast<int64_t>(byte & 0x7F) << shift;
            more = byte & 0x80;
        }
        if (value > INT32_MAX)
            throw Damaged{std::string("its ") + what_ + " holds a number too large"};
        return static_cast<int32_t>(negative ? -value : value);
    }

private:
    void Load() {
        nextWindow_ = window_.empty() ? kFirstWindow : std::min(nextWindow_ * 2, kLargestWindow);
        window_.resize(static_cast<size_t>(std::min<uint64_t>(nextWindow_, Left())));
        windowAt_ = at_;
        if (!readAt_(at_, window_.size(), window_.data()))
            throw Damaged{std::string("its ") + what_ + " cannot be read"};
    }

    uint64_t fileSize_;
    const ReadAt& readAt_;
    uint64_t at_;
    const char* what_;
    std::string window_;
    uint64_t windowAt_ = 0;
    size_t nextWindow_ = 0;
};

// Where a table starts and how many entries it claims, checked against what
// the rest of the file could hold.
uint64_t TableCount(int32_t count, int32_t offset, uint64_t fileSize, size_t smallest,
                    const char* what) {
    if (count < 0 || offset < 0 || static_cast<uint64_t>(offset) > fileSize)
        throw Damaged{std::string("its ") + what + " lies outside the file"};
    if (static_cast<uint64_t>(count) > (fileSize - offset) / smallest)
        throw Damaged{std::string("its ") + what + " claims more entries than the file holds"};
    return static_cast<uint64_t>(count);
}

std::string Name(Cursor& names, uint16_t version) {
    std::string name;
    if (version < 64) { // NUL-terminated
        for (char c; (c = static_cast<char>(names.Byte())) != '\0';) {
            if (name.size() == kLongestName)
                throw Damaged{"its name table holds a name longer than the engine allows"};
            name += c;
        }
    } else {
        const int32_t length = names.CompactIndex();
        const uint64_t characters = length < 0 ? -static_cast<int64_t>(length) : length;
        const uint64_t bytes = length < 0 ? characters * 2 : characters;
        if (characters > kLongestName || bytes > names.Left())
            throw Damaged{"its name table holds a name longer than the file or the engine allows"};
        std::string stored(static_cast<size_t>(bytes), '\0');
        names.Read(stored.data(), stored.size());
        if (length < 0)
            DecodeUtf16(stored, false, name);
        else
            DecodeWindows1252(stored, name);
        if (!name.empty() && name.back() == '\0')
            name.pop_back();
    }
    names.U32(); // its flags
    return name;
}

PackageFacts Parse(uint64_t fileSize, const ReadAt& readAt) {
    if (fileSize < kHeaderSize)
        throw Damaged{"it is too short for a package"};
    Cursor header(fileSize, readAt, 0, "header");
    PackageFacts facts;
    facts.tag = header.U32();
    if (facts.tag != kTag && facts.tag != kKillingFloorTag)
        throw Damaged{"it does not start as a package does"};
    facts.version = header.U16();
    facts.licensee = header.U16();
    facts.flags = header.U32();
    const int32_t nameCount = header.I32(), nameOffset = header.I32();
    const int32_t exportCount = header.I32(), exportOffset = header.I32();
    const int32_t importCount = header.I32(), importOffset = header.I32();
    if (facts.version >= 68) {
        uint32_t parts[4];
        char text[33];
        for (uint32_t& part : parts)
            part = header.U32();
        std::snprintf(text, sizeof text, "%08X%08X%08X%08X", parts[0], parts[1], parts[2],
                      parts[3]);
        facts.guid = text;
        const int32_t generations = header.I32();
        if (generations < 0 || static_cast<uint64_t>(generations) > header.Left() / 8)
            throw Damaged{"its header claims more generations than the file holds"};
        for (int32_t i = 0; i < generations; ++i) {
            const int32_t exports = header.I32();
            facts.generations.push_back({exports, header.I32()});
        }
    }

    // The export table is not read, but a file that cannot hold it is damaged.
    TableCount(exportCount, exportOffset, fileSize, kSmallestExport, "export table");
    std::vector<std::string> names;
    const uint64_t nameTotal =
        TableCount(nameCount, nameOffset, fileSize, kSmallestName, "name table");
    Cursor nameTable(fileSize, readAt, static_cast<uint64_t>(nameOffset), "name table");
    for (uint64_t i = 0; i < nameTotal; ++i)
        names.push_back(Name(nameTable, facts.version));

    auto name = [&](int32_t index) -> const std::string& {
        if (index < 0 || static_cast<uint64_t>(index) >= names.size())
            throw Damaged{"its import table names a name the name table does not hold"};
        return names[static_cast<size_t>(index)];
    };
    const uint64_t importTotal =
        TableCount(importCount, importOffset, fileSize, kSmallestImport, "import table");
    Cursor importTable(fileSize, readAt, static_cast<uint64_t>(importOffset), "import table");
    for (uint64_t i = 0; i < importTotal; ++i) {
        importTable.CompactIndex(); // the class's package
        const std::string& className = name(importTable.CompactIndex());
        const int32_t outer = importTable.I32();
        const std::string& objectName = name(importTable.CompactIndex());
        if (outer == 0 && className == "Package")
            facts.imports.push_back(objectName);
    }
    return facts;
}

} // namespace

PackageRead ParsePackage(uint64_t fileSize, const ReadAt& readAt) {
    try {
        return Parse(fileSize, readAt);
    } catch (const Damaged& damage) {
        return PackageDamage{damage.reason};
    }
}

PackageRead ParsePackageBytes(std::string_view bytes) {
    return ParsePackage(bytes.size(), [bytes](uint64_t offset, size_t size, char* out) {
        if (offset > bytes.size() || size > bytes.size() - offset)
            return false;
        bytes.copy(out, size, offset);
        return true;
    });
}

PackageRead ReadPackageFile(const std::string& path) {
    const FileDescriptor file{OpenToRead(path)};
    const std::optional<FileStatus> status = file.Get() < 0 ? std::nullopt : StatusOf(file.Get());
    if (!status)
        return PackageDamage{std::strerror(errno), errno};
    if (!status->IsRegular())
        return PackageDamage{"it is not a regular file"};
    int error = 0;
    PackageRead read = ParsePackage(status->size, [&](uint64_t offset, size_t size, char* out) {
        const ReadResult read = ReadFully(file.Get(), out, size, offset);
        error = read.error;
        return read.got == size;
    });
    if (error != 0)
        return PackageDamage{std::strerror(error), error};
    return read;
}

std::string TagText(uint32_t tag) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", tag);
    return text;
}

std::vector<std::string> FlagNames(uint32_t flags) {
    std::vector<std::string> names;
    for (auto [flag, name] : {std::pair{kAllowDownload, "AllowDownload"},
                              {kClientOptional, "ClientOptional"},
                              {kServerSideOnly, "ServerSideOnly"}})
        if (flags & flag)
            names.push_back(name);
    return names;
}

} // namespace gameini

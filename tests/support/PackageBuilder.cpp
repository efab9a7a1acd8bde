#include "PackageBuilder.h"

std::string U32(uint32_t value) {
    return {static_cast<char>(value), static_cast<char>(value >> 8), static_cast<char>(value >> 16),
            static_cast<char>(value >> 24)};
}

std::string CompactIndex(int32_t value) {
    uint32_t magnitude = value < 0 ? -static_cast<uint32_t>(value) : value;
    std::string bytes(1, static_cast<char>((value < 0 ? 0x80 : 0) | (magnitude & 0x3F) |
                                           (magnitude > 0x3F ? 0x40 : 0)));
    for (magnitude >>= 6; magnitude > 0; magnitude >>= 7)
        bytes += static_cast<char>((magnitude & 0x7F) | (magnitude > 0x7F ? 0x80 : 0));
    return bytes;
}

std::string PackageBytes(const TestPackage& package) {
    std::vector<std::string> names = {"Core", "Package", "Class"};
    for (int i = 0; i < package.fillerNames; ++i)
        names.push_back("Filler" + std::to_string(i));
    const size_t firstImport = names.size();
    names.insert(names.end(), package.imports.begin(), package.imports.end());
    std::string nameTable, importTable;
    for (const std::string& name : names) {
        if (package.version >= 64)
            nameTable += CompactIndex(static_cast<int32_t>(name.size() + 1));
        nameTable += name + '\0' + U32(0);
    }
    for (size_t i = 0; i < package.imports.size(); ++i)
        importTable += CompactIndex(0) + CompactIndex(1) + U32(0) +
                       CompactIndex(static_cast<int32_t>(firstImport + i));
    std::string header = U32(0x9E2A83C1);
    header += {static_cast<char>(package.version), static_cast<char>(package.version >> 8), 0, 0};
    header += U32(package.flags);
    const uint32_t tables = package.version >= 68 ? 36 + 16 + 4 + 8 : 36 + 8;
    header += U32(static_cast<uint32_t>(names.size())) + U32(tables) + U32(0) + U32(0) +
              U32(static_cast<uint32_t>(package.imports.size())) +
              U32(tables + static_cast<uint32_t>(nameTable.size()));
    if (package.version >= 68) {
        for (uint32_t part : package.guid)
            header += U32(part);
        header += U32(1) + U32(0) + U32(static_cast<uint32_t>(names.size()));
    } else {
        header += U32(0) + U32(0); // no heritage
    }
    return header + nameTable + importTable;
}

#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Small package files for tests, written by the format's public facts: a
// header, a name table and an import table (no exports).
struct TestPackage {
    uint16_t version = 118;
    uint32_t flags = 0x1; // AllowDownload
    uint32_t guid[4] = {0x01234567, 0x89ABCDEF, 0x0BADF00D, 0xDEADBEEF};
    std::vector<std::string> imports; // packages it depends on
    int fillerNames = 0;              // names no import uses, before the imports
};

// The package's bytes. Its names are "Core", "Package", "Class", the filler
// names, then the imports; each import is a Package with no outer.
std::string PackageBytes(const TestPackage& package);

// Little-endian numbers and compact indexes, for planting damage.
std::string U32(uint32_t value);
std::string CompactIndex(int32_t value);

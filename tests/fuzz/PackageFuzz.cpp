// Any bytes as a package file: the reader never reads outside the file, never
// crashes, and either gives facts whose imports its name table holds, or
// says why the file is damaged.

#include "FuzzFile.h"
#include "gameini/PackageFile.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const gameini::PackageRead read =
        gameini::ParsePackage(size, [&](uint64_t offset, size_t length, char* out) {
            Check(offset <= size && length <= size - offset, "every read lies inside the file");
            std::memcpy(out, data + offset, length);
            return true;
        });
    if (const auto* damage = std::get_if<gameini::PackageDamage>(&read))
        Check(!damage->reason.empty(), "damage says why");
    else
        Check(std::get<gameini::PackageFacts>(read).imports.size() <= size / 7,
              "no more imports than the file can hold");
    return 0;
}

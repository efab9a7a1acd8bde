// Any bytes as a .uz2 download: the reader never reads outside them, never
// gives more bytes than allowed, and either says where and why they are
// damaged or gives a package that compresses and reads back the same.

#include "FuzzFile.h"
#include "redirect/Uz2.h"
#include "redirect/Uz2Compressor.h"

constexpr size_t kMostBytes = 1 << 20;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view uz2(reinterpret_cast<const char*>(data), size);
    const auto read = redirect::DecompressUz2(uz2, kMostBytes);
    if (const auto* damage = std::get_if<redirect::Uz2Damage>(&read)) {
        Check(!damage->reason.empty() && damage->offset < size, "damage says where and why");
        return 0;
    }
    const std::string& package = std::get<std::string>(read);
    Check(package.size() <= kMostBytes, "never more bytes than allowed");
    const auto again =
        redirect::DecompressUz2(redirect::CompressUz2(package, {1, false}, 1), kMostBytes);
    Check(std::holds_alternative<std::string>(again) && std::get<std::string>(again) == package,
          "what was read compresses and reads back the same");
    return 0;
}

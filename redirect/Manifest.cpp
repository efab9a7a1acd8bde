#include "redirect/Manifest.h"

#include "gameini/FileDescriptor.h"
#include "gameini/GamePath.h"

#include <nlohmann/json.hpp>

namespace redirect {

Made MadeFrom(const Download& download, const struct stat& info) {
    return {download.file,
            download.facts.guid,
            static_cast<uint64_t>(info.st_size),
            info.st_ctim.tv_sec,
            info.st_ctim.tv_nsec,
            0,
            false};
}

std::map<std::string, Made> ReadManifest(const std::string& path) {
    std::map<std::string, Made> manifest;
    if (gameini::ReadAccessOf(path) != gameini::ReadAccess::Readable)
        return manifest;
    // Ours, but edited or cut by anyone: what cannot be read is made again.
    const nlohmann::json json = nlohmann::json::parse(gameini::ReadWholeFile(path), nullptr, false);
    if (!json.is_object() || !json.contains("files") || !json["files"].is_object())
        return manifest;
    for (const auto& [uz2, entry] : json["files"].items()) {
        try {
            manifest[uz2] = {entry.at("source"),        entry.at("guid"),
                             entry.at("size"),          entry.at("changed").at(0),
                             entry.at("changed").at(1), entry.at("uz2_size"),
                             entry.at("oversize")};
        } catch (const nlohmann::json::exception&) {
            // an entry not as written: its package is compressed again
        }
    }
    return manifest;
}

std::string ManifestText(const std::map<std::string, Made>& manifest) {
    nlohmann::ordered_json files = nlohmann::ordered_json::object();
    for (const auto& [uz2, made] : manifest)
        files[uz2] = {
            {"source", made.source},    {"guid", made.guid},
            {"size", made.size},        {"changed", {made.changedSeconds, made.changedNanoseconds}},
            {"uz2_size", made.uz2Size}, {"oversize", made.oversize}};
    return nlohmann::ordered_json{{"version", 1}, {"files", files}}.dump(2) + "\n";
}

std::optional<uint64_t> Uz2SizeOf(const std::string& uz2Path) {
    struct stat info;
    if (lstat(uz2Path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return static_cast<uint64_t>(info.st_size);
}

bool UpToDate(const Made& before, const Made& now, std::optional<uint64_t> uz2Size) {
    Made same = now;
    same.uz2Size = before.uz2Size;
    same.oversize = before.oversize;
    return before == same && (before.oversize ? !uz2Size : uz2Size == before.uz2Size);
}

} // namespace redirect

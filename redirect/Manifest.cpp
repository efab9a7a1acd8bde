#include "redirect/Manifest.h"

#include "gameini/Error.h"
#include "gameini/FileDescriptor.h"
#include "gameini/GamePath.h"

#include <nlohmann/json.hpp>

#include <sstream>

namespace redirect {
namespace {

using Json = nlohmann::ordered_json;

// The most bytes a manifest or journal may have: ours, but a stranger could
// put anything under the name.
constexpr uint64_t kMostManifestBytes = uint64_t{64} << 20;

// Kept as seconds and nanoseconds, as manifests have always stored it.
FileTime TimeOf(int64_t nanoseconds) {
    constexpr int64_t kSecond = 1'000'000'000;
    const int64_t seconds = nanoseconds / kSecond - (nanoseconds % kSecond < 0 ? 1 : 0);
    return {seconds, nanoseconds - seconds * kSecond};
}

Json TimeJson(const FileTime& time) {
    return Json::array({time.seconds, time.nanoseconds});
}

FileTime TimeFrom(const nlohmann::json& json) {
    return {json.at(0).get<int64_t>(), json.at(1).get<int64_t>()};
}

Json EntryJson(const ManifestEntry& made) {
    return {{"source", made.source},
            {"guid", made.guid},
            {"size", made.size},
            {"changed", TimeJson(made.changed)},
            {"uz2_size", made.uz2Size},
            {"uz2_changed", TimeJson(made.uz2Changed)},
            {"uz2_modified", TimeJson(made.uz2Modified)},
            {"oversize", made.oversize},
            {"needed_for", made.neededFor}};
}

// Throws nlohmann::json::exception for an entry not as written.
ManifestEntry EntryFrom(const nlohmann::json& entry) {
    return {entry.at("source").get<std::string>(),
            entry.at("guid").get<std::string>(),
            entry.at("size").get<uint64_t>(),
            TimeFrom(entry.at("changed")),
            entry.at("uz2_size").get<uint64_t>(),
            TimeFrom(entry.at("uz2_changed")),
            TimeFrom(entry.at("uz2_modified")),
            entry.at("oversize").get<bool>(),
            entry.at("needed_for").get<std::set<std::string>>()};
}

// The file's text, or nothing when it is missing, not a regular file, too
// large or unreadable: then what it held is made again.
std::string TextOf(const std::string& path) {
    try {
        return gameini::ReadWholeFile(path, kMostManifestBytes);
    } catch (const gameini::Error&) { // FileError or DamageError
        return "";
    }
}

} // namespace

ManifestEntry MadeFrom(const Download& download, const gameini::FileStatus& package) {
    ManifestEntry made;
    made.source = download.file;
    made.guid = download.facts.guid;
    made.size = package.size;
    made.changed = TimeOf(package.changed);
    return made;
}

void NoteUz2(ManifestEntry& made, const gameini::FileStatus& uz2) {
    made.uz2Size = uz2.size;
    made.uz2Changed = TimeOf(uz2.changed);
    made.uz2Modified = TimeOf(uz2.modified);
}

std::map<std::string, ManifestEntry> ReadManifest(const std::string& folder) {
    std::map<std::string, ManifestEntry> manifest;
    auto take = [&](const std::string& uz2, const nlohmann::json& entry) {
        try {
            manifest[uz2] = EntryFrom(entry);
        } catch (const nlohmann::json::exception&) {
            // an entry not as written: its package is compressed again
        }
    };
    const nlohmann::json json =
        nlohmann::json::parse(TextOf(gameini::InFolder(folder, kManifestName)), nullptr, false);
    if (json.is_object() && json.contains("files") && json["files"].is_object())
        for (const auto& [uz2, entry] : json["files"].items())
            take(uz2, entry);
    std::istringstream journal(TextOf(gameini::InFolder(folder, kJournalName)));
    for (std::string line; std::getline(journal, line);) {
        const nlohmann::json entry = nlohmann::json::parse(line, nullptr, false);
        if (entry.is_object() && entry.contains("uz2") && entry["uz2"].is_string())
            take(entry["uz2"].get<std::string>(), entry);
    }
    return manifest;
}

std::string ManifestText(const std::map<std::string, ManifestEntry>& manifest) {
    Json files = Json::object();
    for (const auto& [uz2, made] : manifest)
        files[uz2] = EntryJson(made);
    return Json{{"version", 2}, {"files", files}}.dump(2) + "\n";
}

std::string JournalLine(const std::string& uz2, const ManifestEntry& made) {
    Json line = {{"uz2", uz2}};
    line.update(EntryJson(made));
    return line.dump() + "\n";
}

std::optional<gameini::FileStatus> Uz2StatusOf(const std::string& uz2Path) {
    if (gameini::IsSymbolicLink(uz2Path))
        return std::nullopt;
    const std::optional<gameini::FileStatus> status = gameini::StatusOf(uz2Path);
    if (!status || !status->IsRegular())
        return std::nullopt;
    return status;
}

bool PackageUnchanged(const ManifestEntry& before, const ManifestEntry& now) {
    return before.source == now.source && before.guid == now.guid && before.size == now.size &&
           before.changed == now.changed;
}

bool Uz2AsLeft(const ManifestEntry& before, const std::optional<gameini::FileStatus>& uz2) {
    if (before.oversize)
        return !uz2;
    return uz2 && uz2->size == before.uz2Size && TimeOf(uz2->changed) == before.uz2Changed &&
           TimeOf(uz2->modified) == before.uz2Modified;
}

} // namespace redirect

#pragma once

#include "gameini/SystemCalls.h"
#include "redirect/DownloadSet.h"

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>

namespace redirect {

// The file in a redirect folder that remembers what each .uz2 was made from,
// and the one that a run appends each finished .uz2 to, so that a run that
// is stopped keeps its work. The run that finishes folds the second into the
// first.
constexpr const char* kManifestName = ".sarvelin-redirect.json";
constexpr const char* kJournalName = ".sarvelin-redirect.journal";

// A file time, to the nanosecond.
struct FileTime {
    int64_t seconds = 0, nanoseconds = 0;
    bool operator==(const FileTime&) const = default;
};

// What the manifest remembers of one .uz2: the package it was made from, as
// it was then; the .uz2 as it was left (none when it was oversize); and the
// configurations, by their absolute real paths, whose players need it. A
// .uz2 the manifest does not list was not made here and is never deleted.
struct ManifestEntry {
    std::string source, guid;
    uint64_t size = 0;
    FileTime changed;
    uint64_t uz2Size = 0;
    FileTime uz2Changed, uz2Modified;
    bool oversize = false;
    std::set<std::string> neededFor;
    bool operator==(const ManifestEntry&) const = default;
};

// The package as it is now, with no .uz2 yet.
ManifestEntry MadeFrom(const Download& download, const gameini::FileStatus& package);
// Notes the .uz2 as it was left.
void NoteUz2(ManifestEntry& made, const gameini::FileStatus& uz2);

// The folder's manifest, by .uz2 name, with what a stopped run's journal
// adds; empty when there is none. Entries that cannot be read are left out
// (their packages are made again, and their files are not ours to delete).
std::map<std::string, ManifestEntry> ReadManifest(const std::string& folder);
std::string ManifestText(const std::map<std::string, ManifestEntry>& manifest);
// One line of the journal.
std::string JournalLine(const std::string& uz2, const ManifestEntry& made);

// The .uz2 file in the folder as it is now, when it is a regular file and
// no link.
std::optional<gameini::FileStatus> Uz2StatusOf(const std::string& uz2Path);

// Whether the package is as it was when the .uz2 was made.
bool PackageUnchanged(const ManifestEntry& before, const ManifestEntry& now);
// Whether the .uz2 is as the manifest left it: there with the size and
// times it had, or, for an oversize package, not there.
bool Uz2AsLeft(const ManifestEntry& before, const std::optional<gameini::FileStatus>& uz2);

} // namespace redirect

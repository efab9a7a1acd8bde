#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace locate {

// Where the game looks for packages: the Paths= entries of [Core.System],
// such as "..\Sounds\*.uax", each folder resolved against the
// configuration's folder part by part without regard to letter case, as on
// the game's home platform. With no Paths= entry, the configuration's own
// folder and ".u". Each folder is listed once, when first asked about.
class PackageSearch {
public:
    PackageSearch(const std::vector<std::string>& entries, const std::string& configFolder);

    // A file a Paths= entry finds, and every file in its folder whose name
    // differs from it only in letter case, itself included, in byte order.
    struct Found {
        std::string path;
        std::vector<std::string> variants;
    };
    // The package's files, one a Paths= entry that finds it, in the entries'
    // order. Of names that differ only in letter case, an exact match wins,
    // then the first in byte order.
    std::vector<Found> Find(std::string_view name) const;
    std::vector<std::string> FilesOf(std::string_view name) const;
    // Every file the entries for this extension ("fuk") find, in the
    // entries' order, one of names that differ only in letter case.
    std::vector<std::string> FilesWithExtension(std::string_view extension) const;
    // Whether the search follows Paths= entries rather than the folder alone.
    bool FollowsPathsEntries() const { return followsEntries_; }

private:
    struct Folder {
        std::string path; // empty when it does not exist
        std::string extension;
        // Its files with the extension, by their lower-case names; listed
        // when first needed.
        mutable std::map<std::string, std::vector<std::string>> files;
        mutable bool listed = false;
    };
    // Lists the folder's files with its extension, once.
    static void List(const Folder& folder);
    std::vector<Folder> folders_;
    bool followsEntries_;
};

// A folder as the game writes it in a configuration ("..\WorkshopContent"),
// resolved against `base` part by part without regard to letter case; empty
// when it does not exist.
std::string GameFolder(std::string_view folder, const std::string& base);

} // namespace locate

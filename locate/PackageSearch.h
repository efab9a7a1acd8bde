#pragma once

#include <string>
#include <string_view>
#include <vector>

// Where the game looks for packages: the Paths= entries of [Core.System],
// such as "..\Sounds\*.uax", each folder resolved against the
// configuration's folder part by part without regard to letter case, as on
// the game's home platform. With no Paths= entry, the configuration's own
// folder and ".u".
class PackageSearch {
public:
    PackageSearch(const std::vector<std::string>& entries, const std::string& configFolder);

    // The files that hold the package, one a Paths= entry that finds it, in
    // the entries' order, each as the file system spells it.
    std::vector<std::string> FilesOf(std::string_view name) const;
    // Whether the search follows Paths= entries rather than the folder alone.
    bool FollowsPathsEntries() const { return followsEntries_; }

private:
    struct Folder {
        std::string path; // empty when it does not exist
        std::string extension;
    };
    std::vector<Folder> folders_;
    bool followsEntries_;
};

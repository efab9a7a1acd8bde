#pragma once

#include <memory>
#include <string>
#include <vector>

namespace locate {

// What the folder list and the file list show of a folder. Names are the file
// system's bytes, sorted by their lower-case form, then by the name itself.
struct FolderListing {
    // Files (or links to files) whose names end in ".u" in any letter case;
    // hidden files are left out.
    std::vector<std::string> packageFiles;
    // Subfolders (or links to folders), hidden ones included.
    std::vector<std::string> subfolders;
};

// Reads a folder in one pass for both lists. Throws gameini::FileError when
// the folder cannot be read.
std::shared_ptr<const FolderListing> ReadFolder(const std::string& folder);

// The folder and its parents, from the root down: "/", "/home", "/home/me";
// "C:\", "C:\Games".
std::vector<std::string> FolderChain(const std::string& folder);

} // namespace locate

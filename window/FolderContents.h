#pragma once

#include <string>
#include <vector>

// What the folder list and the file list show of a folder. Names are the file
// system's bytes, sorted by their lower-case form, then by the name itself.
// Both throw gameini::FileError when the folder cannot be read.

// Package files: files (or links to files) whose names end in ".u" in any
// letter case; hidden files are left out.
std::vector<std::string> ListPackageFiles(const std::string& folder);

// Subfolders (or links to folders), hidden ones included.
std::vector<std::string> ListSubfolders(const std::string& folder);

// The folder and its parents, from the root down: "/", "/home", "/home/me".
std::vector<std::string> FolderChain(const std::string& folder);

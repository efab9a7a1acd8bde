#pragma once

#include "Context.h"
#include "RewriteGameIni.h"

#include <string>
#include <vector>

// Makes the package list `choose` gives the configuration's, through the same
// rewrite and crash-safe replace as the window's Save. Prints "unchanged" and
// writes nothing when the bytes would stay the same; with `dryRun` prints a
// unified diff and writes nothing.
void ApplyChange(const Context& context, const gameini::ChoosePackages& choose, bool dryRun);

// The whole file's bytes; throws FileError naming the file.
std::string ReadWholeFile(const std::string& path);

#pragma once

#include "Context.h"

#include <string>
#include <vector>

// Makes `packages` the configuration's package list, through the same rewrite
// and crash-safe replace as the window's Save. Prints "unchanged" and writes
// nothing when the bytes would stay the same; with `dryRun` prints a unified
// diff and writes nothing.
void ApplyChange(const Context& context, const std::vector<std::string>& packages, bool dryRun);

// The whole file's bytes; throws FileError naming the file.
std::string ReadWholeFile(const std::string& path);

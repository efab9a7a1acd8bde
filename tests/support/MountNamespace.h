#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

// Pairs of what to mount and where; a "tmpfs:SIZE" what mounts a tmpfs of
// that size, any other is bind-mounted.
using Mounts = std::vector<std::pair<std::string, std::string>>;

// What InMountNamespace returns where the machine allows no mount namespace.
constexpr int kNoMountNamespace = 77;

// Runs `check` in a child with a private view of the mounts, as a container
// has, after `mounts`: 0 when it held, 1 when not, kNoMountNamespace where
// the machine allows none.
int InMountNamespace(const Mounts& mounts, const std::function<bool()>& check);

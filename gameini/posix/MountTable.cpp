#include "gameini/MountTable.h"

#include "gameini/Directory.h"

#include <cctype>
#include <fstream>
#include <set>
#include <sstream>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace gameini {
namespace {

// A path as mountinfo writes it: blanks, tabs, line feeds and backslashes
// stand as three octal digits behind a backslash.
std::string Unescaped(const std::string& field) {
    auto octal = [&](size_t at) {
        return at < field.size() && field[at] >= '0' && field[at] <= '7';
    };
    std::string text;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && octal(i + 1) && octal(i + 2) && octal(i + 3)) {
            text += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                      (field[i + 3] - '0'));
            i += 3;
        } else {
            text += field[i];
        }
    }
    return text;
}

} // namespace

std::vector<Mount> ReadMountTable(const std::string& path) {
    std::vector<Mount> mounts;
    std::ifstream table(path);
    for (std::string line; std::getline(table, line);) {
        std::istringstream fields(line);
        std::string id, parent, device, root, mountPoint;
        unsigned major = 0, minor = 0;
        char colon = 0;
        if (!(fields >> id >> parent >> device >> root >> mountPoint))
            continue;
        std::istringstream numbers(device);
        if (numbers >> major >> colon >> minor && colon == ':')
            mounts.push_back({makedev(major, minor), Unescaped(root), Unescaped(mountPoint)});
    }
    return mounts;
}

std::vector<std::vector<Mount>> VisibleMountTables() {
    std::vector<std::vector<Mount>> tables{ReadMountTable("/proc/self/mountinfo")};
    std::set<std::string> seen;
    char own[64];
    if (const ssize_t length = readlink("/proc/self/ns/mnt", own, sizeof own); length > 0)
        seen.emplace(own, static_cast<size_t>(length));
    Directory proc("/proc");
    while (const char* entry = proc.Next()) {
        const std::string pid = entry;
        if (!std::isdigit(static_cast<unsigned char>(pid[0])))
            continue;
        // Another user's namespace cannot be named: its table is read anyway.
        char name[64];
        const ssize_t length = readlink(("/proc/" + pid + "/ns/mnt").c_str(), name, sizeof name);
        if (length > 0 && !seen.emplace(name, static_cast<size_t>(length)).second)
            continue;
        if (std::vector<Mount> table = ReadMountTable("/proc/" + pid + "/mountinfo");
            !table.empty())
            tables.push_back(std::move(table));
    }
    return tables;
}

} // namespace gameini

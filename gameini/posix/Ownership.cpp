#include "gameini/Ownership.h"

#include "gameini/GamePath.h"

#include <algorithm>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace gameini {
namespace {

std::string UserName(uid_t uid) {
    const passwd* user = getpwuid(uid);
    return user ? user->pw_name : std::to_string(uid);
}

std::string GroupName(gid_t gid) {
    const group* entry = getgrgid(gid);
    return entry ? entry->gr_name : std::to_string(gid);
}

bool InGroup(gid_t gid) {
    if (gid == getegid())
        return true;
    std::vector<gid_t> groups(static_cast<size_t>(std::max(getgroups(0, nullptr), 0)));
    groups.resize(static_cast<size_t>(
        std::max(getgroups(static_cast<int>(groups.size()), groups.data()), 0)));
    return std::find(groups.begin(), groups.end(), gid) != groups.end();
}

} // namespace

std::string Owner::Text() const {
    return UserName(user) + ":" + GroupName(group);
}

std::optional<Owner> OwnerOf(const std::string& path) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0)
        return std::nullopt;
    return Owner{info.st_uid, info.st_gid};
}

std::optional<std::string> OwnershipProblem(const ConfigurationFiles& files) {
    struct stat info;
    if (stat(files.config.c_str(), &info) != 0)
        return std::nullopt; // reading it has said why already
    const uid_t user = geteuid();
    if (user == 0)
        return std::nullopt; // root gives the new file the old one's owner and group
    const std::string name = NameOf(files.config);
    const std::string owner = Owner{info.st_uid, info.st_gid}.Text();
    const bool keepsOwner = info.st_uid == user, keepsGroup = InGroup(info.st_gid);
    if (!keepsOwner || !keepsGroup)
        return name + " belongs to " + owner + "; saving it as " + UserName(user) +
               " would give it to " +
               Owner{keepsOwner ? info.st_uid : user, keepsGroup ? info.st_gid : getegid()}.Text() +
               ": run as root";
    if (faccessat(AT_FDCWD, files.config.c_str(), W_OK, AT_EACCESS) != 0)
        return name + " belongs to " + owner + ", and " + UserName(user) +
               " may not write it: run as root";
    return std::nullopt;
}

} // namespace gameini

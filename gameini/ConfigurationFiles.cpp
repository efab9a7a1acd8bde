#include "ConfigurationFiles.h"

#include "Error.h"
#include "GamePath.h"
#include "TextCase.h"

#include <cerrno>
#include <vector>

namespace gameini {

ConfigurationFiles ConfigurationFilesOf(std::string_view folder, std::string_view name) {
    auto in = [&](std::string_view file) { return std::string(folder) + "\\" + std::string(file); };
    const std::string config = ResolvePath(in(name));
    if (LowerCase(name) == "postal2.ini")
        return {config, ResolvePath(in("newp2.ini")), NativePath(in("postal2.ini.old")),
                NativePath(in(kSavedConfigurationName))};
    const std::string found = NameOf(config);
    return {config, ResolvePath(in(found + ".new")), NativePath(in(found + ".old")), config};
}

void RefuseCaseVariants(const ConfigurationFiles& files) {
    const std::vector<std::string> variants = CaseVariants(files.config);
    if (variants.size() < 2)
        return;
    std::string names;
    for (size_t i = 0; i < variants.size(); ++i)
        names += (i == 0 ? "" : i + 1 == variants.size() ? " and " : ", ") + variants[i];
    throw FileError(EEXIST, "Two configuration files differ only in letter case: " + names +
                                ". Remove or rename the one the game does not use, then save "
                                "again.");
}

} // namespace gameini

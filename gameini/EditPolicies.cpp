#include "gameini/EditPolicies.h"
#include "gameini/PackageNames.h"

#include "gameini/Error.h"

#include <algorithm>
#include <optional>

namespace gameini {

EditPackages PackagesAfterEachHeader(std::vector<std::string> names) {
    return [names = std::move(names)](const ConfigurationContents&) {
        return PackageLineEdit(Placement::AfterEachHeader, {}, names);
    };
}

EditPackages ApplyTickChanges(std::vector<ListedFile> listed) {
    return [listed = std::move(listed)](const ConfigurationContents& contents) {
        PackageSet configured, shown, kept;
        for (const ConfiguredPackage& package : contents.configured)
            configured.Insert(package.name);
        std::vector<std::string> names;
        for (const ListedFile& entry : listed) {
            shown.InsertFile(entry.file);
            if (!entry.ticked.value_or(configured.ContainsFile(entry.file)))
                continue;
            // A file's name is what the user means, so only a name that would
            // damage the file is refused, named by the file the user ticked.
            const std::string name = PackageNameOf(entry.file);
            if (const auto problem = PackageNameProblem(name, contents.encoding);
                problem && problem->DamagesTheFile())
                throw ConfigurationError(entry.file + ": " + problem->text);
            names.push_back(name);
        }
        for (const ConfiguredPackage& package : contents.configured)
            if (!shown.Contains(package.name) && kept.Insert(package.name))
                names.push_back(package.name);
        return PackageLineEdit(Placement::AfterEachHeader, {}, std::move(names));
    };
}

EditPackages AddPackages(std::vector<std::string> names) {
    return [names = std::move(names)](const ConfigurationContents& contents) {
        PackageLineEdit change(Placement::AfterLastPackageLine,
                               std::vector<bool>(contents.configured.size(), true));
        // Only the names given are looked up among the configured ones.
        PackageSet given, taken;
        for (const std::string& name : names)
            given.Insert(name);
        for (const ConfiguredPackage& package : contents.configured)
            if (given.Contains(package.name))
                taken.Insert(package.name);
        for (const std::string& name : names)
            if (taken.Insert(name))
                change.written.push_back(name);
        return change;
    };
}

EditPackages RemovePackages(Removal removal) {
    return [removal = std::move(removal)](const ConfigurationContents& contents) {
        PackageSet gone;
        for (const std::string& name : removal.names)
            gone.Insert(name);
        PackageLineEdit change(Placement::AfterLastPackageLine);
        for (const ConfiguredPackage& package : contents.configured)
            change.keep.push_back(!removal.all && package.line != removal.line &&
                                  !gone.Contains(PackageMeantBy(package.name)));
        return change;
    };
}

EditPackages SetPackages(std::vector<std::string> names) {
    return [names = std::move(names)](const ConfigurationContents&) {
        std::vector<std::string> once;
        PackageSet taken;
        for (const std::string& name : names)
            if (taken.Insert(name))
                once.push_back(name);
        return PackageLineEdit(Placement::AtFirstPackageLine, {}, std::move(once));
    };
}

EditPackages FixPackageLines(
    std::function<void(int line, ProblemKind kind, const std::string& detail)> leftAlone) {
    return [leftAlone = std::move(leftAlone)](const ConfigurationContents& contents) {
        struct Line {
            int number;
            std::string name;
            std::optional<size_t> configured; // its index, when the game reads it
        };
        std::vector<Line> lines;
        for (size_t i = 0; i < contents.configured.size(); ++i)
            lines.push_back({contents.configured[i].line, contents.configured[i].name, i});
        for (const NumberedLine& unread : contents.unread)
            lines.push_back({unread.line, std::string(SectionScanner::UnreadPackageOf(unread.text)),
                             std::nullopt});
        std::sort(lines.begin(), lines.end(),
                  [](const Line& a, const Line& b) { return a.number < b.number; });
        PackageLineEdit change(Placement::AfterLastPackageLine,
                               std::vector<bool>(contents.configured.size(), true));
        PackageSet seen;
        for (const Line& line : lines) {
            const std::string meant = PackageMeantBy(line.name);
            if (const auto problem = PackageNameProblem(meant, contents.encoding)) {
                leftAlone(line.number, ProblemKind::BadName, problem->text);
                continue;
            }
            if (!seen.Insert(meant)) {
                if (line.configured)
                    change.keep[*line.configured] = false;
                else
                    leftAlone(line.number, ProblemKind::NotRead, meant);
                continue;
            }
            if (meant != line.name || !line.configured)
                change.rewritten.emplace(line.number, meant);
        }
        return change;
    };
}

} // namespace gameini

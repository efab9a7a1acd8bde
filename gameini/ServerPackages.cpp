#include "gameini/ServerPackages.h"

#include "gameini/LineRules.h"
#include "gameini/SearchPathList.h"
#include "gameini/SequentialFile.h"

namespace gameini {

std::vector<ConfiguredPackage> ReadServerPackages(std::string_view path, bool* sectionFound,
                                                  std::vector<std::string>* searchPaths) {
    std::vector<ConfiguredPackage> packages;
    SequentialFile file = SequentialFile::OpenInput(path);
    SectionScanner scanner(searchPaths ? SectionScanner::kSearchPaths : 0u);
    SearchPathList paths;
    bool found = false;
    while (file.SkipToLineStartingWith(scanner.LineStartsThatMatter())) {
        // The rules look at ASCII alone: only a package line needs its text.
        const SectionScanner::Line kind = scanner.Next(file.ReadLineUndecoded());
        found = found || kind == SectionScanner::Line::GameEngineHeader;
        if (kind == SectionScanner::Line::PackageLine)
            packages.push_back({std::string(SectionScanner::PackageOf(file.LastLineText())),
                                static_cast<int>(file.LineNumber())});
        if (kind == SectionScanner::Line::SearchPath)
            paths.Add(SectionScanner::SearchPathOf(file.LastLineText()));
    }
    file.Close();
    if (sectionFound)
        *sectionFound = found;
    if (searchPaths)
        *searchPaths = paths.Take();
    return packages;
}

std::vector<std::string> NamesOf(std::vector<ConfiguredPackage> packages) {
    std::vector<std::string> names;
    names.reserve(packages.size());
    for (ConfiguredPackage& package : packages)
        names.push_back(std::move(package.name));
    return names;
}

} // namespace gameini

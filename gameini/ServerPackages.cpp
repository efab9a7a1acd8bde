#include "ServerPackages.h"

#include "SequentialFile.h"
#include "TextCase.h"

namespace gameini {
namespace {

constexpr std::string_view kHeader = "[engine.gameengine]";
constexpr std::string_view kKey = "serverpackages=";

} // namespace

// Lower-casing keeps the byte length, and the fixed texts are ASCII, so only
// as many bytes as the fixed text holds need lower-casing to compare.
bool IsGameEngineHeader(std::string_view line) {
    return line.size() == kHeader.size() && line[0] == '[' && LowerCase(line) == kHeader;
}

bool IsSectionHeader(std::string_view line) {
    return !line.empty() && line[0] == '[';
}

bool IsServerPackagesLine(std::string_view line) {
    return line.size() >= kKey.size() && LowerCase(line.substr(0, kKey.size())) == kKey;
}

SectionScanner::Line SectionScanner::Classify(std::string_view line) {
    if (IsGameEngineHeader(line)) { // a second header keeps the section open
        inSection_ = true;
        return Line::GameEngineHeader;
    }
    if (IsSectionHeader(line))
        inSection_ = false;
    else if (inSection_ && IsServerPackagesLine(line))
        return Line::PackageLine;
    return Line::Other;
}

std::string_view SectionScanner::PackageOf(std::string_view packageLine) {
    return packageLine.substr(kKey.size());
}

std::vector<ConfiguredPackage> ReadServerPackages(std::string_view path, bool* sectionFound) {
    std::vector<ConfiguredPackage> packages;
    SequentialFile file = SequentialFile::OpenInput(path);
    SectionScanner scanner;
    bool found = false;
    for (int number = 1; !file.AtEnd(); ++number) {
        // The rules look at ASCII alone: only a package line needs its text.
        const SectionScanner::Line kind = scanner.Next(file.ReadLineUndecoded());
        found = found || kind == SectionScanner::Line::GameEngineHeader;
        if (kind == SectionScanner::Line::PackageLine)
            packages.push_back(
                {std::string(SectionScanner::PackageOf(file.LastLineText())), number});
    }
    file.Close();
    if (sectionFound)
        *sectionFound = found;
    return packages;
}

std::string PackageNameOf(std::string_view name) {
    if (name.size() >= 2 && LowerCase(name.substr(name.size() - 2)) == ".u")
        name.remove_suffix(2);
    return std::string(name);
}

} // namespace gameini

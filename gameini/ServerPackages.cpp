#include "ServerPackages.h"

#include "SequentialFile.h"
#include "TextCase.h"

#include <array>

namespace gameini {
namespace {

constexpr std::string_view kHeader = "[engine.gameengine]";
constexpr std::string_view kKey = "serverpackages=";
constexpr std::string_view kSystemHeader = "[core.system]";
constexpr std::string_view kPaths = "paths=";

// Whether `text` starts with `lower`, a fixed text in ASCII, in any letter
// case. Lower-casing maps no other byte onto ASCII, so comparing the ASCII
// letters alone decides it, without building a lower-cased copy: the scan
// asks this of many lines.
bool StartsWithAnyCase(std::string_view text, std::string_view lower) {
    if (text.size() < lower.size())
        return false;
    for (size_t i = 0; i < lower.size(); ++i) {
        const char c = text[i];
        if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c) != lower[i])
            return false;
    }
    return true;
}

} // namespace

bool IsGameEngineHeader(std::string_view line) {
    return line.size() == kHeader.size() && StartsWithAnyCase(line, kHeader);
}

bool IsSectionHeader(std::string_view line) {
    return !line.empty() && line[0] == '[';
}

bool IsServerPackagesLine(std::string_view line) {
    return StartsWithAnyCase(line, kKey);
}

SectionScanner::Line SectionScanner::Classify(std::string_view line) {
    if (IsGameEngineHeader(line)) { // a second header keeps the section open
        inSection_ = true;
        inSystem_ = false;
        return Line::GameEngineHeader;
    }
    if (IsSectionHeader(line)) {
        inSection_ = false;
        inSystem_ = line.size() == kSystemHeader.size() && StartsWithAnyCase(line, kSystemHeader);
    } else if (inSection_ && IsServerPackagesLine(line)) {
        return Line::PackageLine;
    } else if (inSection_ && line.find('=') != std::string_view::npos) {
        std::string key(line.substr(0, line.find('=')));
        std::erase_if(key, [](char c) { return c == ' ' || c == '\t'; });
        if (LowerCase(key) == kKey.substr(0, kKey.size() - 1))
            return Line::UnreadPackageLine;
    } else if (inSystem_ && StartsWithAnyCase(line, kPaths)) {
        return Line::SearchPath;
    }
    return Line::Other;
}

std::string_view SectionScanner::SearchPathOf(std::string_view searchPathLine) {
    return searchPathLine.substr(kPaths.size());
}

std::string_view SectionScanner::PackageOf(std::string_view packageLine) {
    return packageLine.substr(kKey.size());
}

std::vector<ConfiguredPackage> ReadServerPackages(std::string_view path, bool* sectionFound,
                                                  std::vector<std::string>* searchPaths) {
    std::vector<ConfiguredPackage> packages;
    SequentialFile file = SequentialFile::OpenInput(path);
    SectionScanner scanner(searchPaths != nullptr);
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

std::string_view PackageExtensionOf(std::string_view name) {
    static constexpr std::array<std::string_view, 7> kExtensions = {".u",   ".uax", ".utx", ".usx",
                                                                    ".ukx", ".umx", ".fuk"};
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos)
        return {};
    const std::string lower = LowerCase(name.substr(dot));
    for (std::string_view extension : kExtensions)
        if (lower == extension)
            return name.substr(dot);
    return {};
}

std::string PackageNameOf(std::string_view name) {
    name.remove_suffix(PackageExtensionOf(name).size());
    return std::string(name);
}

} // namespace gameini

namespace gameini {

bool IsPackageFileName(std::string_view name) {
    return name.size() > 2 && LowerCase(name.substr(name.size() - 2)) == ".u";
}

bool PackageSet::Insert(std::string_view name) {
    return lowerCaseNames_.insert(LowerCase(name)).second;
}

std::string PackageSet::KeyOfFile(std::string_view fileName) {
    std::string key = LowerCase(fileName);
    if (key.ends_with(".u"))
        key.resize(key.size() - 2);
    else
        key = LowerCase(PackageNameOf(fileName));
    return key;
}

bool PackageSet::Contains(std::string_view name) const {
    return lowerCaseNames_.contains(LowerCase(name));
}

} // namespace gameini

namespace gameini {

std::optional<NameProblem> PackageNameProblem(std::string_view name, Encoding encoding) {
    using Kind = NameProblem::Kind;
    if (name.empty())
        return NameProblem{Kind::Empty, "names no package"};
    if (name.find_first_of(" \t") == 0 || name.find_last_of(" \t") + 1 == name.size())
        return NameProblem{Kind::Blank, "a blank or tab at either end would become part of the "
                                        "package name, which then matches no file"};
    if (name.find('=') != std::string_view::npos)
        return NameProblem{Kind::Equals, "a package name cannot hold \"=\""};
    if (name.find_first_of("\r\n") != std::string_view::npos)
        return NameProblem{Kind::LineBreak, "it holds a line break, which would start a new "
                                            "line in the configuration"};
    std::string encoded;
    if (std::optional<std::string> character = EncodeLine(name, LineEnd::None, encoding, encoded))
        return NameProblem{Kind::Unstorable, *character +
                                                 " cannot be stored in this configuration file (" +
                                                 EncodingName(encoding) + ")"};
    return std::nullopt;
}

} // namespace gameini

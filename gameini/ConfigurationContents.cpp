#include "gameini/ConfigurationContents.h"

#include "gameini/TextCase.h"

namespace gameini {
namespace {

std::string SettingKey(std::string_view section, std::string_view key) {
    return LowerCase(section) + "\n" + LowerCase(key);
}

unsigned ScannerTells(ReadDepth depth) {
    using Scanner = SectionScanner;
    switch (depth) {
    case ReadDepth::PackageLines:
        return 0;
    case ReadDepth::AndSearchPaths:
        return Scanner::kSearchPaths;
    case ReadDepth::Everything:
        return Scanner::kSearchPaths | Scanner::kActorsAndRemaps | Scanner::kSettings;
    }
    return 0;
}

} // namespace

std::optional<std::string> ConfigurationContents::Setting(std::string_view section,
                                                          std::string_view key) const {
    const auto found = settings.find(SettingKey(section, key));
    if (found == settings.end())
        return std::nullopt;
    return found->second;
}

std::string ConfigurationContents::Remapped(const std::string& name) const {
    const auto to = remap.find(LowerCase(name));
    return to == remap.end() ? name : to->second;
}

void ContentsBuilder::Add(const SectionScanner& scanner, SectionScanner::Line kind,
                          std::string_view text, int number) {
    using Line = SectionScanner::Line;
    switch (kind) {
    case Line::GameEngineHeader:
        contents_.sectionFound = true;
        break;
    case Line::HiddenGameEngineHeader:
        contents_.markHidesHeader = true;
        break;
    case Line::PackageLine:
        contents_.configured.push_back({std::string(SectionScanner::PackageOf(text)), number});
        break;
    case Line::UnreadPackageLine:
        contents_.unread.push_back({std::string(text), number});
        break;
    case Line::SearchPath: {
        const std::string_view entry = SectionScanner::SearchPathOf(text);
        searchPaths_.Add(entry);
        contents_.searchPathLines.push_back({std::string(entry), number});
        break;
    }
    case Line::ServerActor:
        contents_.serverActors.push_back(
            {std::string(SectionScanner::ServerActorOf(text)), number});
        break;
    case Line::PackageRemap: {
        const auto [from, to] = SectionScanner::SettingOf(text);
        contents_.remap[LowerCase(from)] = to;
        break;
    }
    case Line::Setting: {
        const auto [key, value] = SectionScanner::SettingOf(text);
        contents_.settings.emplace(SettingKey(scanner.Section(), key), value);
        break;
    }
    case Line::Other:
        break;
    }
}

void ContentsBuilder::Finish() {
    contents_.searchPaths = searchPaths_.Take();
}

ConfigurationContents ReadConfiguration(std::string_view path, ReadDepth depth) {
    ConfigurationContents contents;
    ContentsBuilder builder(contents);
    SequentialFile file = SequentialFile::OpenInput(path);
    contents.path = file.Path();
    const unsigned tells = ScannerTells(depth);
    SectionScanner scanner(tells);
    // Settings and remaps are told only in order, line by line.
    const bool everyLine = depth == ReadDepth::Everything;
    while (everyLine ? !file.AtEnd()
                     : file.SkipToLineStartingWith(scanner.LineStartsThatMatter())) {
        // The rules look at ASCII alone: only a line kept needs its text.
        const SectionScanner::Line kind = scanner.Next(file.ReadLineUndecoded());
        if (kind != SectionScanner::Line::Other)
            builder.Add(scanner, kind, file.LastLineText(), static_cast<int>(file.LineNumber()));
    }
    builder.Finish();
    contents.encoding = file.Format().encoding;
    file.Close();
    return contents;
}

std::vector<std::string> NamesOf(std::vector<ConfiguredPackage> packages) {
    std::vector<std::string> names;
    names.reserve(packages.size());
    for (ConfiguredPackage& package : packages)
        names.push_back(std::move(package.name));
    return names;
}

} // namespace gameini

#include "gameini/ServerSetup.h"

#include "gameini/LineRules.h"
#include "gameini/SearchPathList.h"
#include "gameini/SequentialFile.h"
#include "gameini/TextCase.h"

namespace gameini {
namespace {

std::string SettingKey(std::string_view section, std::string_view key) {
    return LowerCase(section) + "\n" + LowerCase(key);
}

} // namespace

std::optional<std::string> ServerSetup::Setting(std::string_view section,
                                                std::string_view key) const {
    const auto found = settings.find(SettingKey(section, key));
    if (found == settings.end())
        return std::nullopt;
    return found->second;
}

std::string ServerSetup::Remapped(const std::string& name) const {
    const auto to = remap.find(LowerCase(name));
    return to == remap.end() ? name : to->second;
}

ServerSetup ReadServerSetup(const std::string& path) {
    using Scanner = SectionScanner;
    ServerSetup setup;
    SequentialFile file = SequentialFile::OpenInput(path);
    Scanner scanner(Scanner::kSearchPaths | Scanner::kActorsAndRemaps | Scanner::kSettings);
    SearchPathList paths;
    for (int number = 1; !file.AtEnd(); ++number) {
        const Scanner::Line kind = scanner.Next(file.ReadLineUndecoded());
        const std::string_view line = file.LastLineText();
        switch (kind) {
        case Scanner::Line::GameEngineHeader:
            setup.sectionFound = true;
            break;
        case Scanner::Line::HiddenGameEngineHeader:
            setup.markHidesHeader = true;
            break;
        case Scanner::Line::PackageLine:
            setup.configured.push_back({std::string(Scanner::PackageOf(line)), number});
            break;
        case Scanner::Line::UnreadPackageLine:
            setup.unreadPackageLines.emplace_back(number, std::string(line));
            break;
        case Scanner::Line::SearchPath:
            paths.Add(Scanner::SearchPathOf(line));
            setup.searchPathLines.push_back({std::string(Scanner::SearchPathOf(line)), number});
            break;
        case Scanner::Line::ServerActor:
            setup.serverActors.emplace_back(number, Scanner::ServerActorOf(line));
            break;
        case Scanner::Line::PackageRemap: {
            const auto [from, to] = Scanner::RemapOf(line);
            setup.remap[LowerCase(from)] = to;
            break;
        }
        case Scanner::Line::Setting: {
            const size_t equals = line.find('=');
            setup.settings.emplace(SettingKey(scanner.Section(), line.substr(0, equals)),
                                   line.substr(equals + 1));
            break;
        }
        case Scanner::Line::Other:
            break;
        }
    }
    setup.searchPaths = paths.Take();
    setup.encoding = file.Format().encoding;
    file.Close();
    return setup;
}

} // namespace gameini

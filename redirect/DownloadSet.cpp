#include "redirect/DownloadSet.h"

#include "gameini/GamePath.h"
#include "gameini/PackageNames.h"
#include "gameini/TextCase.h"
#include "locate/PackageFiles.h"
#include "locate/PackageSearch.h"

#include <deque>
#include <utility>

namespace redirect {
namespace {

Action ActionFor(const std::string& name, const gameini::PackageFacts& facts,
                 const gameini::PackageSet& excluded) {
    if (excluded.Contains(name))
        return Action::Excluded;
    if (facts.flags & gameini::kServerSideOnly)
        return Action::ServerOnly;
    if (!(facts.flags & gameini::kAllowDownload))
        return Action::NotDownloadable;
    return Action::Send;
}

} // namespace

DownloadSet PackagesPlayersNeed(const gameini::ServerSetup& setup, const std::string& configFolder,
                                const std::vector<std::string>& maps,
                                const std::vector<std::string>& excluded) {
    const locate::PackageSearch search(setup.searchPaths, configFolder);
    gameini::PackageSet leftOut, seen;
    for (const std::string& name : excluded)
        leftOut.Insert(gameini::PackageNameOf(name));

    // Each wanted package with who wants it, for the message when it is missing.
    std::deque<std::pair<std::string, std::string>> wanted;
    for (const gameini::ConfiguredPackage& package : setup.configured)
        wanted.emplace_back(gameini::PackageMeantBy(package.name), "configured");
    std::vector<std::string> mapFiles;
    if (maps.empty()) {
        const std::string extension = setup.Setting("[URL]", "MapExt").value_or("fuk");
        mapFiles = search.FilesWithExtension(extension);
    } else {
        for (const std::string& map : maps)
            wanted.emplace_back(map, "--map");
    }

    DownloadSet set;
    locate::PackageFiles packageFiles;
    auto add = [&](const std::string& name, const std::string& file) {
        const gameini::PackageRead& read = packageFiles.Read(file);
        if (const auto* damage = std::get_if<gameini::PackageDamage>(&read)) {
            set.problems.push_back(gameini::NameOf(file) +
                                   " is not a package file or is damaged (" + damage->reason + ")");
            return;
        }
        const auto& facts = std::get<gameini::PackageFacts>(read);
        const Action action = ActionFor(name, facts, leftOut);
        set.packages.push_back({name, file, facts, action});
        if (action == Action::Send)
            for (const std::string& import : facts.imports) {
                const auto remapped = setup.remap.find(gameini::LowerCase(import));
                wanted.emplace_back(remapped == setup.remap.end() ? import : remapped->second,
                                    name + " imports it");
            }
    };
    for (const std::string& file : mapFiles) {
        const std::string fileName = gameini::NameOf(file); // "MyMap.fuk": the map MyMap
        const std::string name = fileName.substr(0, fileName.rfind('.'));
        if (seen.Insert(name))
            add(name, file);
    }
    while (!wanted.empty()) {
        const auto [name, why] = std::move(wanted.front());
        wanted.pop_front();
        if (!seen.Insert(name))
            continue;
        const std::vector<std::string> files = search.FilesOf(name);
        if (files.empty())
            set.problems.push_back(name + ": no Paths= folder holds it (" + why + ")");
        else
            add(name, files.front());
    }
    return set;
}

} // namespace redirect

#include "redirect/DownloadSet.h"

#include "gameini/GamePath.h"
#include "gameini/PackageNames.h"
#include "gameini/TextCase.h"
#include "locate/PackageReadCache.h"
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

// A package to look for, the package the server names that needs it, and
// the package that imports it ("--map" for a map named to the command).
struct Wanted {
    std::string name, neededBy, importer;
};

// The packages asked for by name: those configured, then the maps given.
std::deque<Wanted> AskedFor(const gameini::ConfigurationContents& setup,
                            const std::vector<std::string>& maps) {
    std::deque<Wanted> wanted;
    for (const gameini::ConfiguredPackage& package : setup.configured) {
        const std::string name = gameini::PackageMeantBy(package.name);
        wanted.push_back({name, name, ""});
    }
    for (const std::string& map : maps)
        wanted.push_back({map, map, "--map"});
    return wanted;
}

} // namespace

DownloadSet PackagesPlayersNeed(const gameini::ConfigurationContents& setup,
                                const locate::PackageSearch& search,
                                const std::vector<std::string>& maps,
                                const std::vector<std::string>& excluded,
                                locate::PackageReadCache& readCache) {
    gameini::PackageSet leftOut, seen;
    for (const std::string& name : excluded)
        leftOut.Insert(gameini::PackageNameOf(name));
    std::deque<Wanted> wanted = AskedFor(setup, maps);
    // With no map named, every map of the server goes.
    const std::vector<std::string> mapFiles =
        maps.empty() ? search.FilesWithExtension(setup.Setting("[URL]", "MapExt").value_or("fuk"))
                     : std::vector<std::string>{};

    DownloadSet set;
    using Kind = DownloadProblem::Kind;
    auto add = [&](const Wanted& package, const std::string& file) {
        const gameini::PackageRead& read = readCache.Read(file);
        if (const auto* damage = std::get_if<gameini::PackageDamage>(&read)) {
            set.problems.push_back({damage->error != 0 ? Kind::Unreadable : Kind::Damaged,
                                    package.name, package.neededBy, package.importer, file,
                                    damage->reason});
            return;
        }
        const auto& facts = std::get<gameini::PackageFacts>(read);
        const Action action = ActionFor(package.name, facts, leftOut);
        set.packages.push_back(
            {package.name, file, facts, action, package.neededBy, package.importer});
        if (action == Action::Send)
            for (const std::string& import : facts.imports)
                wanted.push_back({setup.Remapped(import), package.neededBy, package.name});
    };
    for (const std::string& file : mapFiles) {
        const std::string fileName = gameini::NameOf(file); // "MyMap.fuk": the map MyMap
        const std::string name = fileName.substr(0, fileName.rfind('.'));
        if (seen.Insert(name))
            add({name, name, ""}, file);
    }
    while (!wanted.empty()) {
        const Wanted next = std::move(wanted.front());
        wanted.pop_front();
        if (!seen.Insert(next.name))
            continue;
        const std::vector<std::string> files = search.FilesOf(next.name);
        if (files.empty())
            set.problems.push_back(
                {Kind::Missing, next.name, next.neededBy, next.importer, "", ""});
        else
            add(next, files.front());
    }
    return set;
}

} // namespace redirect

#include "cli/Commands.h"
#include "cli/GivenNames.h"
#include "cli/Json.h"
#include "gameini/GamePath.h"
#include "gameini/PackageNames.h"
#include "locate/FolderContents.h"
#include "locate/PackageSearch.h"

#include <iostream>

namespace cli {

namespace {

// A file as seen from the configuration's folder ("../Sounds/BaseDialog.uax").
std::string SeenFrom(const std::string& folder, const std::string& file) {
    const std::string relative = gameini::RelativePath(file, gameini::AbsolutePath(folder));
    return relative.empty() ? file : relative;
}

void RunList(const Context& context, bool all) {
    const gameini::LockedConfiguration configuration = context.Lock(gameini::Access::Read);
    const gameini::ConfigurationFiles& files = configuration.Files();
    gameini::ConfigurationContents contents = gameini::ReadConfiguration(
        files.config, all || context.json ? gameini::ReadDepth::AndSearchPaths
                                          : gameini::ReadDepth::PackageLines);
    const std::vector<std::string> configured = gameini::NamesOf(std::move(contents.configured));
    const std::vector<std::string>& searchPaths = contents.searchPaths;
    if (!contents.sectionFound)
        context.Warn(files.config + " has no [Engine.GameEngine] section, so the game reads no "
                                    "server packages from it");
    if (!all && !context.json) {
        for (const std::string& name : configured)
            context.out << name << "\n";
        return;
    }
    gameini::PackageSet configuredSet;
    for (const std::string& name : configured)
        configuredSet.Insert(name);
    const std::shared_ptr<const locate::FolderListing> listing =
        locate::ReadFolder(context.ConfigurationFolder());
    const std::vector<std::string>& packageFiles = listing->packageFiles;
    const locate::PackageSearch search(searchPaths, context.ConfigurationFolder());

    if (context.json) {
        nlohmann::ordered_json names = nlohmann::ordered_json::array();
        for (const std::string& name : configured) {
            const std::vector<std::string> found = search.FilesOf(name);
            names.push_back(
                {{"name", name},
                 {"found", TextOrNull(found.empty() ? ""
                                                    : SeenFrom(context.ConfigurationFolder(),
                                                               found.front()))}});
            if (!found.empty()) // the file the game loads, and what it says of itself
                names.back().update(PackageJson(gameini::ReadPackageFile(found.front())));
        }
        nlohmann::ordered_json fileList = nlohmann::ordered_json::array();
        for (const std::string& file : packageFiles)
            fileList.push_back({{"name", file}, {"configured", configuredSet.ContainsFile(file)}});
        const nlohmann::ordered_json result = {
            {"file", files.config}, {"configured", names}, {"files", fileList}};
        context.PrintResult(result);
        return;
    }
    gameini::PackageSet listed;
    for (const std::string& file : packageFiles) {
        listed.InsertFile(file);
        context.out << (configuredSet.ContainsFile(file) ? "[x] " : "[ ] ") << file << "\n";
    }
    for (const std::string& name : configured) {
        if (!listed.Insert(name))
            continue;
        const std::vector<std::string> found = search.FilesOf(name);
        context.out << "[x] " << name << "  ("
                    << (found.empty() ? "not found"
                                      : SeenFrom(context.ConfigurationFolder(), found.front()))
                    << ")\n";
    }
}

} // namespace

void AddListCommand(CLI::App& app, Context& context) {
    auto all = std::make_shared<bool>(false);
    CLI::App* list = app.add_subcommand("list", "Print the configured packages, in file order");
    list->add_flag("--all", *all,
                   "Also list every package file of the folder, ticked [x] when configured, and "
                   "where the game finds the other configured packages");
    OnRun(*list, context, [&context, all] {
        RunList(context, *all);
        return kDone;
    });
}

} // namespace cli

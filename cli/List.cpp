#include "Commands.h"
#include "FolderContents.h"
#include "PackageNames.h"
#include "PackageSearch.h"
#include "TextCase.h"

#include <filesystem>
#include <iostream>
#include <nlohmann/json.hpp>
#include <optional>
#include <unordered_set>

namespace {

// Where the game finds a configured package, relative to the configuration's
// folder when it lies below or beside it ("../Sounds/BaseDialog.uax").
std::optional<std::string> Found(const PackageSearch& search, const std::string& name,
                                 const std::string& folder) {
    const std::vector<std::string> files = search.FilesOf(name);
    if (files.empty())
        return std::nullopt;
    const std::filesystem::path base = std::filesystem::absolute(folder).lexically_normal();
    const std::string relative = std::filesystem::path(files.front()).lexically_relative(base);
    return relative.empty() ? files.front() : relative;
}

void RunList(const Context& context, bool all) {
    const gameini::ConfigurationFiles files = context.Files();
    bool section = false;
    std::vector<std::string> searchPaths;
    const std::vector<std::string> configured =
        NamesOf(gameini::ReadServerPackages(files.config, &section, &searchPaths));
    if (!section)
        context.Warn(files.config + " has no [Engine.GameEngine] section, so the game reads no "
                                    "server packages from it");
    if (!all && !context.json) {
        for (const std::string& name : configured)
            std::cout << name << "\n";
        return;
    }
    std::unordered_set<std::string> configuredFiles; // lower-cased, as file names
    for (const std::string& name : configured)
        configuredFiles.insert(gameini::LowerCase(name) + ".u");
    const std::shared_ptr<const FolderListing> listing = ReadFolder(context.Folder());
    const std::vector<std::string>& packageFiles = listing->packageFiles;
    const PackageSearch search(searchPaths, context.Folder());

    if (context.json) {
        nlohmann::ordered_json names = nlohmann::ordered_json::array();
        for (const std::string& name : configured) {
            const std::optional<std::string> found = Found(search, name, context.Folder());
            names.push_back(
                {{"name", name}, {"found", found ? nlohmann::ordered_json(*found) : nullptr}});
        }
        nlohmann::ordered_json fileList = nlohmann::ordered_json::array();
        for (const std::string& file : packageFiles)
            fileList.push_back(
                {{"name", file},
                 {"configured", configuredFiles.contains(gameini::LowerCase(file))}});
        const nlohmann::ordered_json result = {
            {"file", files.config}, {"configured", names}, {"files", fileList}};
        std::cout << result.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
                  << "\n";
        return;
    }
    std::unordered_set<std::string> listed;
    for (const std::string& file : packageFiles) {
        listed.insert(gameini::LowerCase(file));
        std::cout << (configuredFiles.contains(gameini::LowerCase(file)) ? "[x] " : "[ ] ") << file
                  << "\n";
    }
    for (const std::string& name : configured)
        if (listed.insert(gameini::LowerCase(name) + ".u").second)
            std::cout << "[x] " << name << "  ("
                      << Found(search, name, context.Folder()).value_or("not found") << ")\n";
}

} // namespace

void AddListCommand(CLI::App& app, Context& context) {
    auto all = std::make_shared<bool>(false);
    CLI::App* list = app.add_subcommand("list", "Print the configured packages, in file order");
    list->add_flag("--all", *all,
                   "Also list every package file of the folder, ticked [x] when configured, and "
                   "where the game finds the other configured packages");
    list->callback([&context, all] { RunList(context, *all); });
}

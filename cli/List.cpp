#include "Commands.h"
#include "FolderContents.h"
#include "PackageNames.h"
#include "TextCase.h"

#include <iostream>
#include <nlohmann/json.hpp>
#include <unordered_set>

namespace {

struct ListOptions {
    bool all = false;
    bool json = false;
};

void RunList(const Context& context, const ListOptions& options) {
    const gameini::ConfigurationFiles files = context.Files();
    const std::vector<std::string> configured = NamesOf(gameini::ReadServerPackages(files.config));
    if (!options.all && !options.json) {
        for (const std::string& name : configured)
            std::cout << name << "\n";
        return;
    }
    std::unordered_set<std::string> configuredFiles; // lower-cased, as file names
    for (const std::string& name : configured)
        configuredFiles.insert(gameini::LowerCase(name) + ".u");
    const std::shared_ptr<const FolderListing> listing = ReadFolder(context.Folder());
    const std::vector<std::string>& packageFiles = listing->packageFiles;

    if (options.json) {
        nlohmann::ordered_json fileList = nlohmann::ordered_json::array();
        for (const std::string& file : packageFiles)
            fileList.push_back(
                {{"name", file},
                 {"configured", configuredFiles.contains(gameini::LowerCase(file))}});
        const nlohmann::ordered_json result = {
            {"file", files.config}, {"configured", configured}, {"files", fileList}};
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
            std::cout << "[x] " << name << "  (no .u file)\n";
}

} // namespace

void AddListCommand(CLI::App& app, Context& context) {
    auto options = std::make_shared<ListOptions>();
    CLI::App* list = app.add_subcommand("list", "Print the configured packages, in file order");
    list->add_flag("--all", options->all,
                   "Also list every package file of the folder, ticked [x] when configured");
    list->add_flag("--json", options->json, "Print the file, the configured names and the files");
    list->callback([&context, options] { RunList(context, *options); });
}

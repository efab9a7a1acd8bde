#include "locate/Workshop.h"
#include "cli/Commands.h"
#include "cli/EditCommand.h"
#include "gameini/ConfigurationContents.h"
#include "gameini/GamePath.h"
#include "gameini/PackageNames.h"

#include <algorithm>

namespace cli {
namespace {

// What the configuration says of its Workshop: where the items are, and the
// extension of maps, which reach players as the map played.
struct WorkshopSetup {
    gameini::ConfigurationContents setup;
    locate::Workshop workshop;
    std::string mapExt;
};

WorkshopSetup ReadWorkshopSetup(const Context& context, const std::string& config) {
    WorkshopSetup read{gameini::ReadConfiguration(config, gameini::ReadDepth::Everything), {}, {}};
    read.workshop = locate::WorkshopOf(read.setup, gameini::FolderOf(config));
    read.mapExt = read.setup.Setting("[URL]", "MapExt").value_or("fuk");
    if (read.workshop.folder.empty())
        throw gameini::ConfigurationError(
            "the Workshop folder " + read.workshop.entry + " (WorkshopPath= of [Core.System] in " +
            config + ") does not exist beside " + context.ConfigurationFolder());
    return read;
}

// Workshop item IDs are numbers; anything else is a mistake in the words.
void RefuseBadIds(const std::vector<std::string>& ids, const char* command) {
    if (ids.empty())
        throw UsageError(std::string("workshop ") + command + " needs Workshop item IDs");
    for (const std::string& id : ids)
        if (id.empty() ||
            !std::all_of(id.begin(), id.end(), [](char c) { return c >= '0' && c <= '9'; }))
            throw UsageError("\"" + id + "\" is no Workshop item ID, which is a number");
}

const char* WhyLeftOut(locate::LeftOutPackage::Why why) {
    switch (why) {
    case locate::LeftOutPackage::Why::ServerOnly:
        return "it is marked server-side only";
    case locate::LeftOutPackage::Why::NotDownloadable:
        return "it does not allow download";
    case locate::LeftOutPackage::Why::Unreadable:
        break;
    }
    return "it cannot be read";
}

// "all", "some" or "none" of `wanted` are in `have`.
template <typename Matches>
const char* HowMany(const std::vector<std::string>& wanted, const Matches& configured) {
    const auto count = std::count_if(wanted.begin(), wanted.end(), configured);
    return count == 0 ? "none" : static_cast<size_t>(count) == wanted.size() ? "all" : "some";
}

ExitStatus RunList(const Context& context) {
    const gameini::LockedConfiguration locked = context.Lock(gameini::Access::Read);
    context.file = locked.Files().config;
    const WorkshopSetup read = ReadWorkshopSetup(context, locked.Files().config);
    gameini::PackageSet configured;
    for (const gameini::ConfiguredPackage& package : read.setup.configured)
        configured.Insert(gameini::PackageMeantBy(package.name));
    nlohmann::ordered_json items = nlohmann::ordered_json::array();
    for (const locate::WorkshopItem& item : locate::WorkshopItems(read.workshop)) {
        const std::vector<std::string> entries = locate::SearchPathsFor(item, read.workshop, '\\');
        std::vector<locate::LeftOutPackage> leftOut;
        const std::vector<std::string> sent =
            locate::ItemPackagesToSend(item, read.mapExt, leftOut);
        const char* paths = HowMany(entries, [&](const std::string& entry) {
            return std::any_of(
                read.setup.searchPaths.begin(), read.setup.searchPaths.end(),
                [&](const std::string& have) { return locate::SameSearchPath(entry, have); });
        });
        const char* packages =
            HowMany(sent, [&](const std::string& name) { return configured.Contains(name); });
        nlohmann::ordered_json folders = nlohmann::ordered_json::array();
        for (const locate::WorkshopFolder& folder : item.folders) {
            std::vector<std::string> names;
            for (const std::string& file : folder.files)
                names.push_back(gameini::NameOf(file));
            folders.push_back({{"name", folder.name}, {"packages", names}});
        }
        items.push_back({{"id", item.id},
                         {"paths", paths},
                         {"packages", sent.empty() ? "none" : packages},
                         {"folders", folders}});
        if (context.json)
            continue;
        context.out << item.id << "  Paths= lines: " << paths
                    << ", ServerPackages= lines: " << items.back()["packages"].get<std::string>()
                    << "\n";
        for (const nlohmann::ordered_json& folder : folders) {
            context.out << "  " << folder["name"].get<std::string>() << ":";
            for (const auto& name : folder["packages"])
                context.out << " " << name.get<std::string>();
            context.out << "\n";
        }
    }
    if (context.json)
        context.PrintResult(
            {{"file", context.file}, {"workshop", read.workshop.folder}, {"items", items}});
    return kDone;
}

ExitStatus RunAdd(const Context& context, const std::vector<std::string>& ids) {
    RefuseBadIds(ids, "add");
    bool missing = false;
    RunChange(context, "saved", [&](const gameini::LockedConfiguration& locked) {
        const WorkshopSetup read = ReadWorkshopSetup(context, locked.Files().config);
        std::vector<locate::WorkshopItem> items;
        std::vector<std::string> packages;
        for (const std::string& id : ids) {
            std::optional<locate::WorkshopItem> item = locate::FindWorkshopItem(read.workshop, id);
            if (!item) {
                context.Warn("there is no Workshop item " + id + " in " + read.workshop.folder);
                missing = true;
                continue;
            }
            std::vector<locate::LeftOutPackage> leftOut;
            for (std::string& name : locate::ItemPackagesToSend(*item, read.mapExt, leftOut))
                packages.push_back(std::move(name));
            for (const locate::LeftOutPackage& package : leftOut)
                context.Warn(package.file + " is not added: " + WhyLeftOut(package.why) +
                             (package.problem.empty() ? "" : " (" + package.problem + ")"));
            items.push_back(std::move(*item));
        }
        return SavedBy(context, locate::AddWorkshopItems(items, read.workshop, packages))(locked);
    });
    return missing ? kProblemsFound : kDone;
}

ExitStatus RunRemove(const Context& context, const std::vector<std::string>& ids) {
    RefuseBadIds(ids, "remove");
    RunChange(context, "saved", [&](const gameini::LockedConfiguration& locked) {
        const WorkshopSetup read = ReadWorkshopSetup(context, locked.Files().config);
        std::vector<std::string> packages;
        for (const std::string& id : ids) {
            const bool configured =
                std::any_of(read.setup.searchPaths.begin(), read.setup.searchPaths.end(),
                            [&](const std::string& entry) {
                                return locate::IsItemSearchPath(entry, read.workshop, id);
                            });
            const std::optional<locate::WorkshopItem> item =
                locate::FindWorkshopItem(read.workshop, id);
            if (!configured)
                context.Warn("Workshop item " + id + " has no Paths= line in " +
                             locked.Files().config);
            for (const locate::WorkshopFolder& folder :
                 item ? item->folders : std::vector<locate::WorkshopFolder>{})
                for (const std::string& file : folder.files)
                    packages.push_back(gameini::PackageNameOf(gameini::NameOf(file)));
        }
        return SavedBy(context, locate::RemoveWorkshopItems(ids, read.workshop,
                                                            context.ConfigurationFolder(),
                                                            packages))(locked);
    });
    return kDone;
}

} // namespace

void AddWorkshopCommand(CLI::App& app, Context& context) {
    CLI::App* workshop = app.add_subcommand(
        "workshop", "list | add ID... | remove ID...: Steam Workshop items, by their IDs");
    workshop->require_subcommand(1);
    OnRun(*workshop->add_subcommand(
              "list", "The items of the Workshop folder, and whether they are configured"),
          context, [&context] { return RunList(context); });
    OnRunWithNames(
        *workshop->add_subcommand("add",
                                  "ID...: the items' Paths= lines and the packages players need"),
        context, [&context](const std::vector<std::string>& ids) { return RunAdd(context, ids); });
    OnRunWithNames(*workshop->add_subcommand(
                       "remove", "ID...: the items' Paths= lines and the packages only they hold"),
                   context, [&context](const std::vector<std::string>& ids) {
                       return RunRemove(context, ids);
                   });
}

} // namespace cli

#include "locate/Workshop.h"

#include "gameini/Directory.h"
#include "gameini/EditPolicies.h"
#include "gameini/Error.h"
#include "gameini/GamePath.h"
#include "gameini/PackageFile.h"
#include "gameini/PackageNames.h"
#include "gameini/TextCase.h"
#include "locate/PackageSearch.h"

#include <algorithm>
#include <cerrno>
#include <map>

namespace locate {
namespace {

// An entry as the game compares it: any slash, any letter case.
std::string Normalized(std::string_view entry) {
    std::string normal = gameini::LowerCase(entry);
    std::replace(normal.begin(), normal.end(), '/', '\\');
    while (normal.ends_with('\\'))
        normal.pop_back();
    return normal;
}

bool SameName(std::string_view a, std::string_view b) {
    return gameini::LowerCase(a) == gameini::LowerCase(b);
}

// The subfolders of `folder`, or its files, by name.
std::vector<std::string> EntriesOf(const std::string& folder, bool folders) {
    gameini::Directory dir(folder);
    if (!dir.IsOpen())
        gameini::ThrowSystemError(errno, "Cannot read the folder " + folder);
    std::vector<std::string> names;
    while (const char* entry = dir.Next())
        if ((dir.KindOfLast() == gameini::EntryKind::Folder) == folders && entry[0] != '.')
            names.emplace_back(entry);
    std::sort(names.begin(), names.end());
    return names;
}

WorkshopItem ReadItem(const std::string& folder, std::string id) {
    WorkshopItem item{std::move(id), {}};
    for (const std::string& name : EntriesOf(folder, true)) {
        WorkshopFolder kind{name, {}, {}};
        const std::string path = gameini::InFolder(folder, name);
        for (const std::string& file : EntriesOf(path, false)) {
            const std::string_view extension = gameini::PackageExtensionOf(file);
            if (extension.empty())
                continue;
            const std::string bare(extension.substr(1));
            if (std::none_of(kind.extensions.begin(), kind.extensions.end(),
                             [&](const std::string& e) { return SameName(e, bare); }))
                kind.extensions.push_back(bare);
            kind.files.push_back(gameini::InFolder(path, file));
        }
        if (!kind.files.empty())
            item.folders.push_back(std::move(kind));
    }
    return item;
}

} // namespace

Workshop WorkshopOf(const gameini::ConfigurationContents& setup, const std::string& configFolder) {
    Workshop workshop{
        setup.Setting("[Core.System]", "WorkshopPath").value_or("..\\WorkshopContent"), {}};
    workshop.folder = GameFolder(workshop.entry, gameini::AbsolutePath(configFolder));
    return workshop;
}

std::vector<WorkshopItem> WorkshopItems(const Workshop& workshop) {
    std::vector<WorkshopItem> items;
    if (workshop.folder.empty())
        return items;
    for (const std::string& id : EntriesOf(workshop.folder, true))
        items.push_back(ReadItem(gameini::InFolder(workshop.folder, id), id));
    return items;
}

std::optional<WorkshopItem> FindWorkshopItem(const Workshop& workshop, std::string_view id) {
    if (workshop.folder.empty() || id.empty() ||
        id.find_first_of("/\\") != std::string_view::npos || id == "." || id == "..")
        return std::nullopt;
    const std::string folder = GameFolder(id, workshop.folder);
    if (folder.empty())
        return std::nullopt;
    return ReadItem(folder, gameini::NameOf(folder));
}

std::vector<std::string> SearchPathsFor(const WorkshopItem& item, const Workshop& workshop,
                                        char slash) {
    std::vector<std::string> entries;
    for (const WorkshopFolder& folder : item.folders)
        for (const std::string& extension : folder.extensions) {
            std::string entry =
                workshop.entry + '\\' + item.id + '\\' + folder.name + "\\*." + extension;
            std::replace_if(
                entry.begin(), entry.end(), [](char c) { return c == '/' || c == '\\'; }, slash);
            entries.push_back(std::move(entry));
        }
    return entries;
}

char SlashOf(const std::vector<gameini::SearchPathLine>& lines) {
    long balance = 0; // forward slashes less backslashes
    for (const gameini::SearchPathLine& line : lines)
        balance += std::count(line.entry.begin(), line.entry.end(), '/') -
                   std::count(line.entry.begin(), line.entry.end(), '\\');
    return balance > 0 ? '/' : '\\';
}

std::optional<std::string> ItemOfSearchPath(std::string_view entry, const Workshop& workshop) {
    const std::string root = Normalized(workshop.entry) + '\\';
    const std::string normal = Normalized(entry);
    if (!normal.starts_with(root))
        return std::nullopt;
    const size_t end = normal.find('\\', root.size());
    if (end == std::string::npos || end == root.size())
        return std::nullopt;
    // The ID as the entry writes it: IDs are digits, but a folder may be named otherwise.
    return std::string(entry.substr(root.size(), end - root.size()));
}

bool IsItemSearchPath(std::string_view entry, const Workshop& workshop, std::string_view id) {
    const std::optional<std::string> item = ItemOfSearchPath(entry, workshop);
    return item && SameName(*item, id);
}

std::vector<std::string> ItemPackagesToSend(const WorkshopItem& item, std::string_view mapExt,
                                            std::vector<LeftOutPackage>& leftOut) {
    std::vector<std::string> names;
    for (const WorkshopFolder& folder : item.folders)
        for (const std::string& file : folder.files) {
            if (SameName(gameini::PackageExtensionOf(file).substr(1), mapExt))
                continue;
            const gameini::PackageRead read = gameini::ReadPackageFile(file);
            if (const auto* damage = std::get_if<gameini::PackageDamage>(&read)) {
                leftOut.push_back({file, LeftOutPackage::Why::Unreadable, damage->reason});
                continue;
            }
            const uint32_t flags = std::get<gameini::PackageFacts>(read).flags;
            if (flags & gameini::kServerSideOnly)
                leftOut.push_back({file, LeftOutPackage::Why::ServerOnly, {}});
            else if (!(flags & gameini::kAllowDownload))
                leftOut.push_back({file, LeftOutPackage::Why::NotDownloadable, {}});
            else
                names.push_back(gameini::PackageNameOf(gameini::NameOf(file)));
        }
    return names;
}

bool SameSearchPath(std::string_view a, std::string_view b) {
    return Normalized(a) == Normalized(b);
}

gameini::EditPackages AddWorkshopItems(std::vector<WorkshopItem> items, Workshop workshop,
                                       std::vector<std::string> packages) {
    const gameini::EditPackages addPackages = gameini::AddPackages(std::move(packages));
    return [items = std::move(items), workshop = std::move(workshop),
            addPackages](const gameini::ConfigurationContents& contents) {
        gameini::PackageLineEdit edit = addPackages(contents);
        std::vector<std::string> configured;
        for (const gameini::SearchPathLine& line : contents.searchPathLines)
            configured.push_back(Normalized(line.entry));
        const char slash = SlashOf(contents.searchPathLines);
        for (const WorkshopItem& item : items)
            for (std::string& entry : SearchPathsFor(item, workshop, slash))
                if (std::find(configured.begin(), configured.end(), Normalized(entry)) ==
                    configured.end()) {
                    configured.push_back(Normalized(entry));
                    edit.writtenSearchPaths.push_back(std::move(entry));
                }
        return edit;
    };
}

gameini::EditPackages RemoveWorkshopItems(std::vector<std::string> ids, Workshop workshop,
                                          std::string configFolder,
                                          std::vector<std::string> itemPackages) {
    return [=](const gameini::ConfigurationContents& contents) {
        std::vector<bool> keep;
        std::vector<std::string> removedEntries, keptEntries;
        for (const gameini::SearchPathLine& line : contents.searchPathLines) {
            const bool goes = std::any_of(ids.begin(), ids.end(), [&](const std::string& id) {
                return IsItemSearchPath(line.entry, workshop, id);
            });
            keep.push_back(!goes);
            (goes ? removedEntries : keptEntries).push_back(line.entry);
        }
        // What the item's lines found: its folder's packages, and what they
        // still find of the configured ones, unless another line finds it too.
        const PackageSearch removed(removedEntries, configFolder), kept(keptEntries, configFolder);
        std::vector<std::string> names = itemPackages;
        for (const gameini::ConfiguredPackage& package : contents.configured)
            if (!removedEntries.empty() && !removed.Find(package.name).empty())
                names.push_back(package.name);
        std::vector<std::string> gone;
        for (const std::string& name : names)
            if (keptEntries.empty() || kept.Find(name).empty())
                gone.push_back(name);
        gameini::PackageLineEdit edit = gameini::RemovePackages({gone})(contents);
        edit.keepSearchPaths = std::move(keep);
        return edit;
    };
}

} // namespace locate

#include "locate/FolderContents.h"
#include "gameini/Error.h"
#include "locate/Postal2Installs.h"
#include "locate/WinePaths.h"
#include "locate/Workshop.h"
#include "support/PackageBuilder.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>
#ifdef _WIN32
#include <algorithm>
#include <windows.h>
#endif

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

#ifdef _WIN32
namespace {

// A text value of the registry, set for the test's length and deleted after.
class RegistryValue {
public:
    RegistryValue(HKEY root, const char* key, const char* name, const std::string& text)
        : root_(root), key_(key) {
        EXPECT_EQ(RegSetKeyValueA(root, key, name, REG_SZ, text.c_str(),
                                  static_cast<DWORD>(text.size() + 1)),
                  ERROR_SUCCESS)
            << key;
    }
    ~RegistryValue() { RegDeleteTreeA(root_, key_); }

private:
    HKEY root_;
    const char* key_;
};

} // namespace
#endif

#ifndef _WIN32 // links need a privilege on Windows, and its names are UTF-16
TEST(FolderContents, ListsPackageFilesAndSubfoldersAsTheListsShowThem) {
    TempFolder folder;
    for (const char* name : {"b.u", "A.U", "a.u", "Ärger.u", "c.uc", "notes.txt", ".hidden.u",
                             "\xFF"
                             "bad.u"})
        folder.write(name, "");
    fs::create_directory(folder / "Folder.u");
    fs::create_directory(folder / ".steam");
    fs::create_directory(folder / "line\nbreak");
    fs::create_symlink(folder / "b.u", folder / "Linked.u");
    fs::create_symlink(folder / "nowhere", folder / "dangling.u");
    std::shared_ptr<const locate::FolderListing> listing = locate::ReadFolder(folder.path());
    EXPECT_EQ(listing->packageFiles, (Names{"A.U", "a.u", "b.u", "Linked.u", "Ärger.u",
                                            "\xFF"
                                            "bad.u"}));
    EXPECT_EQ(listing->subfolders, (Names{".steam", "Folder.u", "line\nbreak"}));
    EXPECT_THROW(locate::ReadFolder(folder / "missing"), gameini::FileError);
}
#endif

TEST(FolderContents, ChainsTheFoldersFromTheRoot) {
#ifndef _WIN32
    EXPECT_EQ(locate::FolderChain("/"), (Names{"/"}));
    EXPECT_EQ(locate::FolderChain("/home/me/System"),
              (Names{"/", "/home", "/home/me", "/home/me/System"}));
#else
    EXPECT_EQ(locate::FolderChain("C:/Games\\P2"), (Names{"C:\\", "C:\\Games", "C:\\Games\\P2"}));
    EXPECT_EQ(locate::FolderChain("\\\\server\\share\\P2"),
              (Names{"\\\\server\\share\\", "\\\\server\\share\\P2"}));
#endif
}

namespace {

// A System folder with one of the game's configurations.
void MakeSystem(const std::string& folder, const char* config) {
    fs::create_directories(folder);
    WriteBytes(folder + "/" + config, "[Engine.GameEngine]\r\n");
}

} // namespace

#ifndef _WIN32 // homes and Wine prefixes are where Linux keeps its installs
TEST(Postal2Installs, FindsSteamLibrariesThePortAndWine) {
    TempFolder home, library, library2;
    MakeSystem(home / ".local/share/Steam/steamapps/common/POSTAL2Complete/System", "Postal2.ini");
    MakeSystem(library / "steamapps/common/Postal 2 Mod/SYSTEM", "postal2.ini");
    MakeSystem(library2 / "steamapps/common/POSTAL2Complete/System", "Postal2.ini");
    MakeSystem(library / "steamapps/common/Deeper/Game/System",
               "postal2.ini"); // three levels: not looked at
    fs::create_directories(library / "steamapps/common/Other Game/System"); // nothing of the game
    MakeSystem(library2 / "steamapps/common/Dedicated/System", "Postal2MP.ini"); // a server alone
    WriteBytes(home / ".local/share/Steam/steamapps/libraryfolders.vdf",
               "\"libraryfolders\"\n{\n\t\"1\"\n\t{\n\t\t\"path\"\t\t\"" + library.path() +
                   "\"\n\t}\n\t\"2\"\n\t{\n\t\t\"path\"\t\t\"" + library2.path() + "\"\n\t}\n}\n");
    fs::create_directories(home / ".steam");
    fs::create_directory_symlink(home / ".local/share/Steam",
                                 home / ".steam/steam"); // the same root again
    fs::create_directories(home / ".lgp");
    fs::create_directory_symlink(library2 / "steamapps/common/POSTAL2Complete",
                                 home / ".lgp/postal2"); // an install reached by a second path
    MakeSystem(home / ".wine/drive_c/GOG Games/POSTAL 2/System", "postal2.ini");

    std::vector<locate::Postal2Install> installs = locate::FindPostal2Installs(home.path());
    std::vector<std::string> labels;
    for (const locate::Postal2Install& install : installs)
        labels.push_back(install.label);
    EXPECT_EQ(labels, (Names{"POSTAL 2 – POSTAL2Complete (Steam, ~/.local/share/Steam)",
                             "POSTAL 2 – Postal 2 Mod (Steam, " + library.path() + ")",
                             "POSTAL 2 – Dedicated (Steam, " + library2.path() + ")",
                             "POSTAL 2 – POSTAL2Complete (Steam, " + library2.path() + ")",
                             "POSTAL 2 – POSTAL 2 (GOG, Wine, ~/.wine)"}))
        << "two libraries' installs of one name tell their places apart";
    EXPECT_EQ(installs[1].systemFolder, library / "steamapps/common/Postal 2 Mod/SYSTEM");
    EXPECT_TRUE(locate::FindPostal2Installs((home / "nobody")).empty());

    // Wine prefixes: WINEPREFIX's GOG game, and Steam for Windows in a named
    // prefix whose second library is on its drive D:, as Steam writes it.
    const std::string prefix = home / "games/p2", steam = home / ".local/share/wineprefixes/steam";
    MakeSystem(prefix + "/drive_c/GOG Games/POSTAL 2 Complete/System", "Postal2.ini");
    const std::string windowsSteam = steam + "/drive_c/Program Files (x86)/Steam";
    MakeSystem(windowsSteam + "/steamapps/common/POSTAL2Complete/System", "Postal2CoOp.ini");
    MakeSystem(home / "disk/SteamLibrary/steamapps/common/POSTAL2Complete/System", "Postal2.ini");
    fs::create_directories(steam + "/dosdevices");
    fs::create_directory_symlink(home / "disk", steam + "/dosdevices/d:");
    WriteBytes(
        windowsSteam + "/steamapps/libraryfolders.vdf",
        "\"libraryfolders\"\n{\n\t\"1\"\n\t{\n\t\t\"path\"\t\t\"D:\\\\SteamLibrary\"\n\t}\n}\n");
    labels.clear();
    for (const locate::Postal2Install& install : locate::FindPostal2Installs(home.path(), prefix))
        labels.push_back(install.label);
    EXPECT_EQ(std::vector<std::string>(labels.begin() + 4, labels.end()),
              (Names{"POSTAL 2 – POSTAL 2 Complete (GOG, Wine, ~/games/p2)",
                     "POSTAL 2 – POSTAL 2 (GOG, Wine, ~/.wine)",
                     "POSTAL 2 – POSTAL2Complete (Steam, Wine, ~/.local/share/wineprefixes/steam/"
                     "drive_c/Program Files (x86)/Steam)",
                     "POSTAL 2 – POSTAL2Complete (Steam, Wine, ~/.local/share/wineprefixes/steam/"
                     "dosdevices/d:/SteamLibrary)"}));
}
#else
TEST(Postal2Installs, FindsSteamAndGogByTheRegistry) {
    TempFolder steam, library, gog;
    MakeSystem(steam / "steamapps/common/POSTAL2Complete/System", "Postal2.ini");
    MakeSystem(library / "steamapps/common/Dedicated/System", "Postal2MP.ini");
    MakeSystem(gog / "System", "postal2.ini");
    std::string escaped = library.path(); // as Steam writes it: each backslash twice
    for (size_t at = 0; (at = escaped.find('\\', at)) != std::string::npos; at += 2)
        escaped.insert(at, 1, '\\');
    WriteBytes(steam / "steamapps/libraryfolders.vdf",
               "\"libraryfolders\"\n{\n\t\"1\"\n\t{\n\t\t\"path\"\t\t\"" + escaped +
                   "\"\n\t}\n}\n");
    // Steam writes its path with forward slashes.
    std::string steamPath = steam.path();
    std::replace(steamPath.begin(), steamPath.end(), '\\', '/');
    const RegistryValue steamKey(HKEY_CURRENT_USER, "Software\\Valve\\Steam", "SteamPath",
                                 steamPath);
    const RegistryValue gogKey(HKEY_LOCAL_MACHINE,
                               "SOFTWARE\\WOW6432Node\\GOG.com\\Games\\1207658995", "path",
                               gog.path());
    const RegistryValue gogName(HKEY_LOCAL_MACHINE,
                                "SOFTWARE\\WOW6432Node\\GOG.com\\Games\\1207658995", "gameName",
                                "POSTAL 2");
    std::vector<std::string> labels;
    for (const locate::Postal2Install& install : locate::FindPostal2Installs(""))
        labels.push_back(install.label);
    EXPECT_EQ(labels, (Names{"POSTAL 2 – POSTAL2Complete (Steam, " + steam.path() + ")",
                             "POSTAL 2 – Dedicated (Steam, " + library.path() + ")",
                             "POSTAL 2 – POSTAL 2 (GOG, " + gog.path() + ")"}));
}
#endif

TEST(Workshop, ItemsAndTheirPathsLinesInAnySlashesAndLetterCase) {
    TempFolder root;
    auto put = [&](const std::string& file, uint32_t flags) {
        fs::create_directories(fs::path(root / file).parent_path());
        TestPackage package;
        package.flags = flags;
        WriteBytes(root / file, PackageBytes(package));
    };
    put("WorkshopContent/737631813/Scripts/NicksCoop.u", 0x1);
    put("WorkshopContent/737631813/Scripts/CoopServer.u", 0x5); // server-side only
    put("WorkshopContent/737631813/Scripts/Private.u", 0x0);    // no AllowDownload
    put("WorkshopContent/737631813/Maps/CoopMap.fuk", 0x1);
    WriteBytes(root / "WorkshopContent/737631813/Maps/readme.txt", "not a package");
    fs::create_directories(root / "System");
    const locate::Workshop workshop = locate::WorkshopOf({}, root / "System");
    EXPECT_EQ(workshop.entry, "..\\WorkshopContent");
    const std::optional<locate::WorkshopItem> item =
        locate::FindWorkshopItem(workshop, "737631813");
    ASSERT_TRUE(item);
    EXPECT_EQ(locate::SearchPathsFor(*item, workshop, '/'),
              (Names{"../WorkshopContent/737631813/Maps/*.fuk",
                     "../WorkshopContent/737631813/Scripts/*.u"}));
    std::vector<locate::LeftOutPackage> leftOut;
    EXPECT_EQ(locate::ItemPackagesToSend(*item, "FUK", leftOut), Names{"NicksCoop"});
    ASSERT_EQ(leftOut.size(), 2u);
    EXPECT_EQ(leftOut[0].why, locate::LeftOutPackage::Why::ServerOnly);
    EXPECT_EQ(leftOut[1].why, locate::LeftOutPackage::Why::NotDownloadable);
    for (const char* id : {"", "..", "1/2", "99"})
        EXPECT_FALSE(locate::FindWorkshopItem(workshop, id)) << id;
    EXPECT_EQ(locate::ItemOfSearchPath("..\\workshopcontent/737631813/Maps/*.fuk", workshop),
              "737631813");
    EXPECT_FALSE(locate::ItemOfSearchPath("..\\WorkshopContent\\*.u", workshop));
    EXPECT_FALSE(locate::ItemOfSearchPath("..\\System\\*.u", workshop));
    EXPECT_EQ(locate::SlashOf({{"..\\System\\*.u", 1}, {"../A/B/*.u", 2}}), '/');
    EXPECT_EQ(locate::SlashOf({}), '\\');
}

#ifndef _WIN32 // Wine's prefixes, seen from Linux
TEST(WinePaths, DriveLettersLeadThroughThePrefix) {
    TempFolder prefix;
    fs::create_directories(prefix / "dosdevices");
    fs::create_directory_symlink(prefix.path(), prefix / "dosdevices/d:");
    EXPECT_EQ(locate::LinuxPathOf("D:\\p2\\System\\Postal2.ini", prefix.path()),
              prefix / "dosdevices/d:/p2/System/Postal2.ini");
    EXPECT_EQ(locate::LinuxPathOf("z:\\srv\\p2", prefix.path()), "/srv/p2")
        << "Z: is the root without a link of its own";
    EXPECT_FALSE(locate::LinuxPathOf("E:\\p2", prefix.path())) << "a drive the prefix lacks";
    EXPECT_FALSE(locate::LinuxPathOf("p2\\System", prefix.path()));
}
#endif

#include "gameini/PackageFile.h"
#include "support/PackageBuilder.h"
#include "support/TempFolder.h"

#include <cerrno>
#include <gtest/gtest.h>

using namespace gameini;

namespace {

PackageRead Parse(const std::string& bytes) {
    return ParsePackage(bytes.size(), [&](uint64_t offset, size_t size, char* out) {
        if (offset > bytes.size() || size > bytes.size() - offset)
            ADD_FAILURE() << "a read outside the file";
        bytes.copy(out, size, offset);
        return true;
    });
}

std::string DamageOf(const std::string& bytes) {
    const PackageRead read = Parse(bytes);
    return std::holds_alternative<PackageDamage>(read) ? std::get<PackageDamage>(read).reason
                                                       : "not damaged";
}

} // namespace

TEST(PackageFile, ReadsTheHeaderAndThePackagesItImports) {
    TestPackage mod;
    mod.flags = kAllowDownload | kServerSideOnly;
    mod.imports = {"Engine", "BaseDialog"};
    const PackageRead read = Parse(PackageBytes(mod));
    ASSERT_TRUE(std::holds_alternative<PackageFacts>(read)) << std::get<PackageDamage>(read).reason;
    const PackageFacts& facts = std::get<PackageFacts>(read);
    EXPECT_EQ(facts.version, 118);
    EXPECT_EQ(facts.guid, "0123456789ABCDEF0BADF00DDEADBEEF");
    ASSERT_EQ(facts.generations.size(), 1u);
    EXPECT_EQ(facts.generations[0].names, 5);
    EXPECT_EQ(facts.imports, (std::vector<std::string>{"Engine", "BaseDialog"}));
    EXPECT_EQ(FlagNames(facts.flags),
              (std::vector<std::string>{"AllowDownload", "ServerSideOnly"}));

    mod.version = 61; // NUL-terminated names, no GUID
    const PackageRead old = Parse(PackageBytes(mod));
    ASSERT_TRUE(std::holds_alternative<PackageFacts>(old)) << std::get<PackageDamage>(old).reason;
    EXPECT_EQ(std::get<PackageFacts>(old).imports,
              (std::vector<std::string>{"Engine", "BaseDialog"}));
    EXPECT_EQ(std::get<PackageFacts>(old).guid, "");

    std::string killingFloor = PackageBytes(mod); // its own tag
    killingFloor.replace(0, 4, U32(0x9E2A83C2));
    const PackageRead kf = Parse(killingFloor);
    ASSERT_TRUE(std::holds_alternative<PackageFacts>(kf)) << std::get<PackageDamage>(kf).reason;
    EXPECT_EQ(TagText(std::get<PackageFacts>(kf).tag), "9E2A83C2");
    EXPECT_EQ(TagText(facts.tag), "9E2A83C1");

    // Thousands of names: an import names name 5,003, a compact index whose
    // second byte (0x4E) has its 0x40 bit set and no "more" bit (0x80).
    mod.version = 118;
    mod.fillerNames = 5000;
    const PackageRead many = Parse(PackageBytes(mod));
    ASSERT_TRUE(std::holds_alternative<PackageFacts>(many)) << std::get<PackageDamage>(many).reason;
    EXPECT_EQ(std::get<PackageFacts>(many).imports,
              (std::vector<std::string>{"Engine", "BaseDialog"}));
}

TEST(PackageFile, ADamagedFileIsAProblemNeverACrash) {
    TestPackage mod;
    mod.imports = {"Engine"};
    const std::string good = PackageBytes(mod);
    auto with = [&](size_t at, const std::string& bytes) {
        std::string damaged = good;
        damaged.replace(at, bytes.size(), bytes);
        return damaged;
    };
    const size_t nameTable = 64, names = nameTable; // where the first name's length stands
    const struct {
        const char* name;
        std::string bytes;
        const char* reason;
    } cases[] = {
        {"not a package", "[Engine.GameEngine]\r\nServerPackages=Engine\r\n" + std::string(40, 'x'),
         "it does not start as a package does"},
        {"too short", good.substr(0, 20), "it is too short for a package"},
        {"truncated in its tables", good.substr(0, good.size() - 3),
         "its import table claims more entries than the file holds"},
        {"a name table past the end", with(16, U32(1 << 30)),
         "its name table lies outside the file"},
        {"a huge name count", with(12, U32(0x7FFFFFFF)),
         "its name table claims more entries than the file holds"},
        {"a negative import count", with(28, U32(0xFFFFFFFF)),
         "its import table lies outside the file"},
        {"a name running past the end", with(names, CompactIndex(1000)),
         "its name table holds a name longer than the file or the engine allows"},
        {"a compact index without end", with(names, std::string("\x40\x80\x80\x80\x80", 5)),
         "its name table holds a number too long to read"},
        {"an import naming no name", with(good.size() - 1, CompactIndex(60)),
         "its import table names a name the name table does not hold"},
        {"an import naming the name after the last", with(good.size() - 1, CompactIndex(4)),
         "its import table names a name the name table does not hold"},
        {"a huge generation count", with(52, U32(0x10000000)),
         "its header claims more generations than the file holds"},
        {"more exports than the file holds", with(20, U32(1000000)),
         "its export table claims more entries than the file holds"},
        {"a negative export offset", with(24, U32(0x80000000)),
         "its export table lies outside the file"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DamageOf(c.bytes), c.reason) << c.name;
}

TEST(PackageFile, ReadsFromDisk) {
    TempFolder folder;
    TestPackage mod;
    mod.imports = {"Core"};
    folder.write("Mod.u", PackageBytes(mod));
    const PackageRead read = ReadPackageFile(folder / "Mod.u");
    ASSERT_TRUE(std::holds_alternative<PackageFacts>(read));
    EXPECT_EQ(std::get<PackageFacts>(read).imports, std::vector<std::string>{"Core"});
    folder.write("Empty.u", "");
    EXPECT_EQ(std::get<PackageDamage>(ReadPackageFile(folder / "Empty.u")).reason,
              "it is too short for a package");
    EXPECT_EQ(std::get<PackageDamage>(ReadPackageFile(folder / "Gone.u")).error, ENOENT)
        << "one that cannot be read is damage too, so the files after it are still read";
}

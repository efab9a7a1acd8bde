#include "redirect/Uz2.h"
#include "redirect/Uz2Compressor.h"

#include "support/ErrorOf.h"
#include "support/PackageBuilder.h"
#include "support/TempFolder.h"

#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <numeric>
#include <random>
#include <sys/stat.h>
#include <zlib.h>

using namespace redirect;

namespace {

// Words, names and binary runs, as packages hold them.
std::string PackageLike(size_t size) {
    std::mt19937 random(static_cast<unsigned>(size));
    static const char* const kWords[] = {"Actor", "Pawn", "ServerPackages", "Engine", "Texture"};
    std::string bytes = PackageBytes({});
    while (bytes.size() < size) {
        bytes += kWords[random() % 5];
        for (int i = random() % 24; i > 0; --i)
            bytes += static_cast<char>(random());
    }
    bytes.resize(size);
    return bytes;
}

// Script source, as a package keeps it beside its code: libdeflate alone at
// 6 compresses it a little worse than zlib at 6.
std::string SourceLike(size_t size) {
    std::mt19937 random(3);
    static const char* const kLines[] = {"\tif (Pawn != None && !Pawn.bHidden)\n",
                                         "\t\tDrawScale = %d.0;\n",
                                         "\tlocal int i;\n",
                                         "\tfor (i = 0; i < %d; i++)\n",
                                         "function PostBeginPlay()\n{\n",
                                         "\tSuper.PostBeginPlay();\n}\n",
                                         "\t\tPlaySound(Sound'Weapons.Fire%d');\n",
                                         "defaultproperties\n{\n\tHealth=%d\n}\n",
                                         "// Called when the dude picks it up.\n",
                                         "\tLocation += Velocity * %d;\n"};
    std::string text;
    char line[80];
    while (text.size() < size) {
        std::snprintf(line, sizeof line, kLines[random() % 10], static_cast<int>(random() % 500));
        text += line;
    }
    text.resize(size);
    return text;
}

// Each chunk's compressed size, from the chunk headers.
std::vector<uint32_t> ChunkSizes(const std::string& uz2) {
    std::vector<uint32_t> sizes;
    for (size_t at = 0; at + 8 <= uz2.size(); at += 8 + sizes.back()) {
        sizes.push_back(0);
        std::memcpy(&sizes.back(), uz2.data() + at, 4);
    }
    return sizes;
}

// What the game's own tool writes: zlib at 6 over each 32 KB chunk.
std::vector<uint32_t> GameChunkSizes(const std::string& package) {
    std::vector<uint32_t> sizes;
    for (size_t at = 0; at < package.size(); at += kChunkInput) {
        const size_t size = std::min(kChunkInput, package.size() - at);
        std::string out(compressBound(size), '\0');
        uLongf got = out.size();
        EXPECT_EQ(compress2(reinterpret_cast<Bytef*>(out.data()), &got,
                            reinterpret_cast<const Bytef*>(package.data() + at), size, 6),
                  Z_OK);
        sizes.push_back(static_cast<uint32_t>(got));
    }
    return sizes;
}

// An independent reader: zlib's own uncompress() on each chunk.
std::string UncompressWithZlib(const std::string& uz2) {
    std::string package;
    for (size_t at = 0; at < uz2.size();) {
        uint32_t compressed = 0, size = 0;
        std::memcpy(&compressed, uz2.data() + at, 4);
        std::memcpy(&size, uz2.data() + at + 4, 4);
        EXPECT_LE(compressed, kChunkMostCompressed);
        EXPECT_LE(size, kChunkInput);
        std::string chunk(size, '\0');
        uLongf got = size;
        EXPECT_EQ(uncompress(reinterpret_cast<Bytef*>(chunk.data()), &got,
                             reinterpret_cast<const Bytef*>(uz2.data() + at + 8), compressed),
                  Z_OK);
        EXPECT_EQ(got, size);
        package += chunk;
        at += 8 + compressed;
    }
    return package;
}

std::string Chunk(uint32_t compressed, uint32_t size, const std::string& stream) {
    return U32(compressed) + U32(size) + stream;
}

} // namespace

TEST(Uz2, EveryPackageComesBackByteForByteAndZlibReadsItToo) {
    std::mt19937 random(7);
    std::string noise(100000, '\0');
    for (char& c : noise)
        c = static_cast<char>(random());
    for (const std::string& package :
         {std::string(), std::string("x"), PackageBytes({}), PackageLike(32767), PackageLike(32768),
          PackageLike(32769), PackageLike(300000), PackageLike(3000000), noise}) {
        const std::string uz2 = CompressUz2(package, Compression{}, 1);
        EXPECT_EQ(CompressUz2(package, Compression{}, 4), uz2) << "threads change nothing";
        EXPECT_EQ(std::get<std::string>(DecompressUz2(uz2, package.size())), package);
        EXPECT_EQ(UncompressWithZlib(uz2), package);
    }
    const auto failingAtTheThirdChunk = [](uint64_t offset, size_t, char*) {
        return offset < 2 * kChunkInput;
    };
    EXPECT_FALSE(CompressUz2(300000, failingAtTheThirdChunk, Compression{}, 4))
        << "a read that fails on any thread fails the whole";
    const auto throwingAtTheThirdChunk = [](uint64_t offset, size_t, char*) {
        if (offset >= 2 * kChunkInput)
            throw std::bad_alloc();
        return true;
    };
    EXPECT_THROW(CompressUz2(300000, throwingAtTheThirdChunk, Compression{}, 4), std::bad_alloc)
        << "what a thread meets reaches the caller, not std::terminate";
    EXPECT_THROW(CompressUz2("x", {13, false}, 1), std::invalid_argument);
}

TEST(Uz2, NoChunkIsLargerThanTheGamesOwnToolWritesIt) {
    for (const std::string& package : {PackageLike(300000), SourceLike(300000)}) {
        const std::vector<uint32_t> game = GameChunkSizes(package);
        const std::vector<uint32_t> ours = ChunkSizes(CompressUz2(package, Compression{}, 2));
        ASSERT_EQ(ours.size(), game.size());
        for (size_t i = 0; i < ours.size(); ++i)
            EXPECT_LE(ours[i], game[i]) << "chunk " << i;
    }
    const std::string source = SourceLike(300000);
    const std::vector<uint32_t> alone = ChunkSizes(CompressUz2(source, {6, false}, 1));
    const std::vector<uint32_t> game = GameChunkSizes(source);
    EXPECT_GT(std::accumulate(alone.begin(), alone.end(), 0u),
              std::accumulate(game.begin(), game.end(), 0u))
        << "libdeflate alone would be larger here";
}

TEST(Uz2, AStrangersFileStopsAtItsFirstBadChunkWithTheOffset) {
    const std::string good = CompressUz2(PackageLike(40000), Compression{}, 1);
    uint32_t firstCompressed = 0;
    std::memcpy(&firstCompressed, good.data(), 4);
    const size_t second = 8 + firstCompressed;
    const std::string small = CompressUz2("xxx", Compression{}, 1);
    auto sayingSize = [&](uint32_t size) {
        return small.substr(0, 4) + U32(size) + small.substr(8);
    };
    struct Case {
        const char* what;
        std::string uz2;
        size_t offset;
        const char* reason;
    } cases[] = {
        {"cut inside the sizes", good.substr(0, 4), 0, "ends inside a chunk's sizes"},
        {"compressed size past the limit", Chunk(33097, 100, ""), 0, "at most 33096"},
        {"compressed size at the limit: read", Chunk(33096, 100, std::string(33096, 'x')), 0,
         "not a whole zlib stream"},
        {"size past the limit", Chunk(100, 32769, ""), 0, "at most 32768"},
        {"the last chunk cut short", good.substr(0, good.size() - 1), second, "are left"},
        {"a stream shorter than it says", sayingSize(32768), 0, "holds 3 bytes, not the 32768"},
        {"a stream longer than it says", sayingSize(2), 0, "not a whole zlib stream"},
        {"not zlib at all", Chunk(4, 4, "abcd"), 0, "not a whole zlib stream"},
        {"a bad chunk after a good one", good + Chunk(40000, 1, ""), good.size(), "at most 33096"},
    };
    for (const Case& c : cases) {
        const auto read = DecompressUz2(c.uz2, kMostPackageBytes);
        ASSERT_TRUE(std::holds_alternative<Uz2Damage>(read)) << c.what;
        const Uz2Damage& damage = std::get<Uz2Damage>(read);
        EXPECT_EQ(damage.offset, c.offset) << c.what;
        EXPECT_NE(damage.reason.find(c.reason), std::string::npos)
            << c.what << ": " << damage.reason;
    }
    EXPECT_EQ(std::get<std::string>(DecompressUz2("", 0)), "") << "an empty file holds nothing";
    EXPECT_TRUE(std::holds_alternative<Uz2Damage>(DecompressUz2(good, 39999)))
        << "never more than the bytes allowed";
}

TEST(Uz2, InfoReadsThePackageInsideAndNamesDamageByItsOffset) {
    TempFolder folder;
    TestPackage facts;
    facts.imports = {"Engine", "NicksCoopSounds"};
    folder.write("NicksCoop.u.uz2", CompressUz2(PackageBytes(facts), Compression{}, 2));
    const auto read = ReadUz2Package(folder / "NicksCoop.u.uz2");
    ASSERT_TRUE(std::holds_alternative<gameini::PackageFacts>(read));
    EXPECT_EQ(std::get<gameini::PackageFacts>(read).imports, facts.imports);

    folder.write("Cut.u.uz2", CompressUz2(PackageBytes(facts), Compression{}, 1).substr(0, 20));
    const auto cut = ReadUz2Package(folder / "Cut.u.uz2");
    ASSERT_TRUE(std::holds_alternative<gameini::PackageDamage>(cut));
    EXPECT_NE(std::get<gameini::PackageDamage>(cut).reason.find("chunk at byte 0"),
              std::string::npos);
    Uz2Compressor pool(Compression{}, 2);
    const auto all = [](std::string_view) { return true; };
    EXPECT_EQ(CompressPackageFile(folder / "NicksCoop.u.uz2", pool, all),
              folder.read("NicksCoop.u.uz2").size());
#ifndef _WIN32 // no FIFO stands in a Windows folder
    mkfifo((folder / "Swapped.u").c_str(), 0644);
    EXPECT_EQ(ErrorOf([&] { CompressPackageFile(folder / "Swapped.u", pool, all); }),
              "Cannot read " + (folder / "Swapped.u") + ": it is not a regular file")
        << "and does not wait for a writer";
#endif
    EXPECT_TRUE(IsUz2FileName("NicksCoop.u.UZ2"));
    EXPECT_FALSE(IsUz2FileName(".uz2x"));
}

TEST(Uz2, AMismatchSaysWhereTheUz2AndItsPackageDiffer) {
    TempFolder folder;
    const std::string package = PackageLike(100000);
    folder.write("Mod.u", package);
    std::string other = package;
    other[70000] ^= 1;
    const struct {
        std::string uz2;
        const char* why;
    } cases[] = {
        {CompressUz2(package, Compression{}, 2), ""},
        {CompressUz2(other, Compression{}, 2),
         "its bytes differ from the package's from byte 70000"},
        {CompressUz2(package + "xx", Compression{}, 2), "it holds more than 100001 bytes"},
        {CompressUz2(package.substr(0, 99999), Compression{}, 2),
         "it holds 99999 bytes, the package 100000"},
        {"junk", "its chunk at byte 0: the file ends inside a chunk's sizes"},
    };
    for (const auto& [uz2, why] : cases) {
        folder.write("Mod.u.uz2", uz2);
        const std::string found = Uz2Mismatch(folder / "Mod.u.uz2", folder / "Mod.u");
        EXPECT_TRUE(*why ? found.find(why) != std::string::npos : found.empty()) << found;
    }
}

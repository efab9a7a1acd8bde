// Any configuration and any package names: the window's rewrite matches a
// plain model of the rules line for line and line end for line end, every
// line outside the [Engine.GameEngine] sections comes out unchanged, and
// reading the result back gives exactly the names written, once per section
// header. For the window's edit and the command line's add alike, the
// version before the edit gives back the file's bytes, and add keeps every
// line it read.
//
// Input: a count of names (first byte, 0..7), the names separated by line
// feeds, a NUL byte, then the configuration's bytes.

#include "FuzzFile.h"
#include "gameini/CodePage.h"
#include "gameini/ConfigurationContents.h"
#include "gameini/EditPolicies.h"
#include "gameini/Error.h"
#include "gameini/PackageNames.h"
#include "gameini/RewritePlan.h"
#include "gameini/TextCase.h"

#include <algorithm>
#include <set>
#include <utility>

namespace {

std::string AsciiLower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
    return lower;
}

// The rules, written out plainly: the header is the whole line, the key the
// first fifteen characters; only ASCII letters can make either match. A line
// keeps its line end, and the header's package block takes the header's; a
// line without one (only the last can be) takes the first line end when
// another follows it; a file that ended without a line end still does.
using Lines = std::vector<std::pair<std::string, gameini::LineEnd>>;

Lines ModelRewrite(const Lines& lines, const std::vector<std::string>& names) {
    gameini::LineEnd first = gameini::LineEnd::CrLf;
    for (const auto& line : lines)
        if (line.second != gameini::LineEnd::None) {
            first = line.second;
            break;
        }
    Lines out;
    bool inSection = false, removed = false;
    for (const auto& [line, end] : lines) {
        if (AsciiLower(line) == "[engine.gameengine]") {
            inSection = true;
            removed = false;
            out.emplace_back("[Engine.GameEngine]", end);
            for (const std::string& name : names)
                out.emplace_back("ServerPackages=" + name, end);
            continue;
        }
        if (!line.empty() && line[0] == '[' && inSection) {
            inSection = false;
        } else if (inSection && AsciiLower(line.substr(0, 15)) == "serverpackages=") {
            removed = true;
            continue;
        }
        // A lone CR before removed lines and an empty line's LF after them
        // meet: read again they are one CR LF, as any reader takes them.
        if (std::exchange(removed, false) && line.empty() && end == gameini::LineEnd::Lf &&
            !out.empty() && out.back().second == gameini::LineEnd::Cr) {
            out.back().second = gameini::LineEnd::CrLf;
            continue;
        }
        out.emplace_back(line, end);
    }
    for (size_t i = 0; i + 1 < out.size(); ++i)
        if (out[i].second == gameini::LineEnd::None)
            out[i].second = first;
    if (!out.empty() && !lines.empty() && lines.back().second == gameini::LineEnd::None)
        out.back().second = gameini::LineEnd::None;
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t nul = input.find('\0');
    if (size == 0 || nul == std::string_view::npos)
        return 0;
    std::vector<std::string> names;
    std::string_view nameBytes = input.substr(1, nul - 1);
    for (int count = static_cast<unsigned char>(input[0]) % 8; count > 0; --count) {
        std::string_view raw = nameBytes.substr(0, nameBytes.find('\n'));
        nameBytes.remove_prefix(std::min(nameBytes.size(), raw.size() + 1));
        std::string name;
        gameini::DecodeWindows1252(raw, name); // a name every code page here can store
        std::erase(name, '\r');
        names.push_back(name);
    }

    const std::string folder = ScratchFolder();
    const std::string_view configuration = input.substr(nul + 1);
    Store(folder + "/postal2.ini", configuration);
    ReadBack source;
    try {
        source = ReadAllLines(folder + "/postal2.ini");
    } catch (const gameini::Error&) {
        return 0; // an odd-sized UTF-16 file: the reader's own fuzzer covers it
    }
    using Version = gameini::RewritePlan::Version;
    const gameini::RewritePlan byWindow =
        gameini::PlanRewrite(folder + "/postal2.ini", gameini::PackagesAfterEachHeader(names));
    const gameini::RewritePlan byAdd =
        gameini::PlanRewrite(folder + "/postal2.ini", gameini::AddPackages(names));
    Check(byWindow.Bytes(Version::Before) == configuration &&
              byAdd.Bytes(Version::Before) == configuration,
          "the version before the edit is the file");

    Store(folder + "/newp2.ini", byWindow.Bytes(Version::After));
    ReadBack result = ReadAllLines(folder + "/newp2.ini");
    Check(result.utf16 == source.utf16, "the encoding is kept");
    Check(result.lines == ModelRewrite(source.lines, names), "the rewrite follows the rules");

    std::vector<std::string> expectedRead;
    for (const auto& line : source.lines)
        if (AsciiLower(line.first) == "[engine.gameengine]")
            for (const std::string& name : names)
                expectedRead.push_back(name);
    std::vector<std::string> read;
    for (const gameini::ConfiguredPackage& package :
         gameini::ReadConfiguration(folder + "/newp2.ini").configured)
        read.push_back(package.name);
    Check(read == expectedRead, "reading back gives the names written, once per section header");

    // add keeps every line it read, in order, and adds one package line for
    // each name not configured yet, once, where the file has the section;
    // nothing else.
    Store(folder + "/added.ini", byAdd.Bytes(Version::After));
    const ReadBack added = ReadAllLines(folder + "/added.ini");
    gameini::PackageSet taken;
    for (const gameini::ConfiguredPackage& package :
         gameini::ReadConfiguration(folder + "/postal2.ini").configured)
        taken.Insert(package.name);
    std::set<std::string> addedLines;
    for (const std::string& name : names)
        if (taken.Insert(name))
            addedLines.insert("ServerPackages=" + name);
    const bool hasSection =
        std::any_of(source.lines.begin(), source.lines.end(), [](const auto& line) {
            return AsciiLower(line.first) == "[engine.gameengine]";
        });
    size_t kept = 0, extra = 0;
    bool onlyPackageLines = true;
    for (const auto& line : added.lines) {
        if (kept < source.lines.size() && line.first == source.lines[kept].first) {
            ++kept;
            continue;
        }
        ++extra;
        onlyPackageLines = onlyPackageLines && addedLines.contains(line.first);
    }
    Check(kept == source.lines.size() && onlyPackageLines &&
              extra == (hasSection ? addedLines.size() : 0),
          "add keeps every line and adds only package lines");
    return 0;
}

#include "gameini/PackageNames.h"

#include "gameini/TextCase.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace gameini {

std::string_view PackageExtensionOf(std::string_view name) {
    static constexpr std::array<std::string_view, 7> kExtensions = {".u",   ".uax", ".utx", ".usx",
                                                                    ".ukx", ".umx", ".fuk"};
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos)
        return {};
    const std::string lower = LowerCase(name.substr(dot));
    for (std::string_view extension : kExtensions)
        if (lower == extension)
            return name.substr(dot);
    return {};
}

std::string PackageNameOf(std::string_view name) {
    name.remove_suffix(PackageExtensionOf(name).size());
    return std::string(name);
}

std::string_view TrimmedBlanks(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") + 1 - first);
}

std::string PackageMeantBy(std::string_view value) {
    return PackageNameOf(TrimmedBlanks(value));
}

bool IsPackageFileName(std::string_view name) {
    return name.size() > 2 && LowerCase(name.substr(name.size() - 2)) == ".u";
}

bool PackageSet::Insert(std::string_view name) {
    return lowerCaseNames_.insert(LowerCase(name)).second;
}

std::string PackageSet::KeyOfFile(std::string_view fileName) {
    std::string key = LowerCase(fileName);
    if (key.ends_with(".u"))
        key.resize(key.size() - 2);
    else
        key = LowerCase(PackageNameOf(fileName));
    return key;
}

bool PackageSet::Contains(std::string_view name) const {
    return lowerCaseNames_.contains(LowerCase(name));
}

std::optional<NameProblem> PackageNameProblem(std::string_view name, Encoding encoding) {
    using Kind = NameProblem::Kind;
    if (name.empty())
        return NameProblem{Kind::Empty, "names no package"};
    // What would damage the file first: the window and the rewriter ask for that alone.
    if (name.find_first_of("\r\n") != std::string_view::npos)
        return NameProblem{Kind::LineBreak, "it holds a line break, which would start a new "
                                            "line in the configuration"};
    std::string encoded;
    if (std::optional<std::string> character = EncodeLine(name, LineEnd::None, encoding, encoded))
        return NameProblem{Kind::Unstorable, *character +
                                                 " cannot be stored in this configuration file (" +
                                                 EncodingName(encoding) + ")"};
    if (name.find_first_of(" \t") == 0 || name.find_last_of(" \t") + 1 == name.size())
        return NameProblem{Kind::Blank, "a blank or tab at either end would become part of the "
                                        "package name, which then matches no file"};
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            char code[8];
            std::snprintf(code, sizeof code, "0x%02X", byte);
            return NameProblem{Kind::Character,
                               std::string("a package name cannot hold a control character (") +
                                   code + ")"};
        }
        if (std::string_view("/\\[];#=\"").find(c) != std::string_view::npos)
            return NameProblem{Kind::Character,
                               std::string("a package name cannot hold \"") + c + "\""};
    }
    // The engine's names hold 63 characters and their end.
    constexpr size_t kLongestName = 63;
    const auto characters = static_cast<size_t>(std::count_if(name.begin(), name.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80; // UTF-8: not a continuation byte
    }));
    if (characters > kLongestName)
        return NameProblem{Kind::TooLong,
                           "a package name holds at most " + std::to_string(kLongestName) +
                               " characters; this one has " + std::to_string(characters)};
    return std::nullopt;
}

} // namespace gameini

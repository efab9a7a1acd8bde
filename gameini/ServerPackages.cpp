#include "ServerPackages.h"

#include "SequentialFile.h"
#include "TextCase.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace gameini {
namespace {

// A fixed text of ASCII small letters and signs, which a line may start
// with in any letter case. Lower-casing maps no other byte onto ASCII, and
// setting bit 5 turns a capital into its small letter and leaves the small
// letter as it is; so where the text has a letter, a line's byte is compared
// with that bit set, and anywhere else as it is. Eight bytes are compared at
// once, without a lower-cased copy: the scan asks this of many lines.
class AnyCaseText {
public:
    // Up to 24 bytes: a longer text does not compile.
    constexpr explicit AnyCaseText(std::string_view lower) : text_(lower) {
        if (text_.size() >= 8)
            for (size_t at = 0; at < text_.size(); at += 8)
                words_[count_++] = WordAt(std::min(at, text_.size() - 8));
    }
    constexpr std::string_view Text() const { return text_; }
    bool StartOf(std::string_view line) const {
        if (line.size() < text_.size())
            return false;
        if (text_.size() < 8) // too short for a word
            return std::equal(text_.begin(), text_.end(), line.begin(),
                              [](char lower, char c) { return (c | Fold(lower)) == lower; });
        for (size_t i = 0; i < count_; ++i) {
            uint64_t bytes;
            std::memcpy(&bytes, line.data() + words_[i].at, 8);
            if ((bytes | words_[i].fold) != words_[i].text)
                return false;
        }
        return true;
    }

private:
    // Eight bytes of the text from `at` (the last word may overlap the one
    // before it), and which of their bits a line's byte gets set.
    struct Word {
        size_t at = 0;
        uint64_t text = 0, fold = 0;
    };
    static constexpr char Fold(char lower) { return lower >= 'a' && lower <= 'z' ? 0x20 : 0; }
    constexpr Word WordAt(size_t at) const {
        std::array<char, 8> text{}, fold{};
        for (size_t i = 0; i < 8; ++i) {
            text[i] = text_[at + i];
            fold[i] = Fold(text_[at + i]);
        }
        return {at, std::bit_cast<uint64_t>(text), std::bit_cast<uint64_t>(fold)};
    }
    std::string_view text_;
    std::array<Word, 3> words_{};
    size_t count_ = 0;
};

constexpr AnyCaseText kHeader("[engine.gameengine]");
constexpr AnyCaseText kKey("serverpackages=");
constexpr AnyCaseText kSystemHeader("[core.system]");
constexpr AnyCaseText kPaths("paths=");

} // namespace

bool IsGameEngineHeader(std::string_view line) {
    return line.size() == kHeader.Text().size() && kHeader.StartOf(line);
}

bool IsSectionHeader(std::string_view line) {
    return !line.empty() && line[0] == '[';
}

bool IsServerPackagesLine(std::string_view line) {
    return kKey.StartOf(line);
}

SectionScanner::Line SectionScanner::Classify(std::string_view line) {
    if (IsGameEngineHeader(line)) { // a second header keeps the section open
        inSection_ = true;
        inSystem_ = false;
        return Line::GameEngineHeader;
    }
    if (IsSectionHeader(line)) {
        inSection_ = false;
        inSystem_ = line.size() == kSystemHeader.Text().size() && kSystemHeader.StartOf(line);
    } else if (inSection_ && IsServerPackagesLine(line)) {
        return Line::PackageLine;
    } else if (inSection_ && line.find('=') != std::string_view::npos) {
        std::string key(line.substr(0, line.find('=')));
        std::erase_if(key, [](char c) { return c == ' ' || c == '\t'; });
        if (LowerCase(key) == kKey.Text().substr(0, kKey.Text().size() - 1))
            return Line::UnreadPackageLine;
    } else if (inSystem_ && kPaths.StartOf(line)) {
        return Line::SearchPath;
    }
    return Line::Other;
}

std::string_view SectionScanner::SearchPathOf(std::string_view searchPathLine) {
    return searchPathLine.substr(kPaths.Text().size());
}

std::string PackageLine(std::string_view name) {
    return "ServerPackages=" + std::string(name);
}

std::string_view SectionScanner::PackageOf(std::string_view packageLine) {
    return packageLine.substr(kKey.Text().size());
}

std::vector<ConfiguredPackage> ReadServerPackages(std::string_view path, bool* sectionFound,
                                                  std::vector<std::string>* searchPaths) {
    std::vector<ConfiguredPackage> packages;
    SequentialFile file = SequentialFile::OpenInput(path);
    SectionScanner scanner(searchPaths != nullptr);
    SearchPathList paths;
    bool found = false;
    while (file.SkipToLineStartingWith(scanner.LineStartsThatMatter())) {
        // The rules look at ASCII alone: only a package line needs its text.
        const SectionScanner::Line kind = scanner.Next(file.ReadLineUndecoded());
        found = found || kind == SectionScanner::Line::GameEngineHeader;
        if (kind == SectionScanner::Line::PackageLine)
            packages.push_back({std::string(SectionScanner::PackageOf(file.LastLineText())),
                                static_cast<int>(file.LineNumber())});
        if (kind == SectionScanner::Line::SearchPath)
            paths.Add(SectionScanner::SearchPathOf(file.LastLineText()));
    }
    file.Close();
    if (sectionFound)
        *sectionFound = found;
    if (searchPaths)
        *searchPaths = paths.Take();
    return packages;
}

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

} // namespace gameini

namespace gameini {

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

} // namespace gameini

namespace gameini {

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

#include "gameini/LineRules.h"

#include "gameini/TextCase.h"

#include <array>
#include <bit>
#include <cstdint>
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

} // namespace gameini

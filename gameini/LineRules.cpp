#include "gameini/LineRules.h"
#include "gameini/PackageNames.h"

#include "gameini/TextCase.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <utility>

namespace gameini {
namespace {

// A fixed text of ASCII letters and signs, which a line may start with in
// any letter case. Lower-casing maps no other byte onto ASCII, and
// setting bit 5 turns a capital into its small letter and leaves the small
// letter as it is; so where the text has a letter, a line's byte is compared
// with that bit set, and anywhere else as it is. Eight bytes are compared at
// once, without a lower-cased copy: the scan asks this of many lines.
class AnyCaseText {
public:
    // Up to 24 bytes: a longer text does not compile.
    constexpr explicit AnyCaseText(std::string_view text) : size_(text.size()) {
        for (size_t i = 0; i < size_; ++i)
            lower_.at(i) =
                text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] + 32) : text[i];
        text_ = std::string_view(lower_.data(), size_);
        if (size_ >= 8)
            for (size_t at = 0; at < size_; at += 8)
                words_[count_++] = WordAt(std::min(at, size_ - 8));
    }
    constexpr AnyCaseText(const AnyCaseText&) = delete;
    // The text in small letters.
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
    std::array<char, 24> lower_{};
    size_t size_;
    std::string_view text_;
    std::array<Word, 3> words_{};
    size_t count_ = 0;
};

constexpr AnyCaseText kHeader(kGameEngineHeader);
constexpr AnyCaseText kKey(kPackageKey);
constexpr AnyCaseText kSystemHeader("[Core.System]");
constexpr AnyCaseText kPaths(kSearchPathKey);
constexpr AnyCaseText kRemapHeader("[PackageRemap]");
constexpr AnyCaseText kActors("ServerActors=");
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

bool IsWhole(const AnyCaseText& text, std::string_view line) {
    return line.size() == text.Text().size() && text.StartOf(line);
}

} // namespace

const ByteSet& SectionScanner::Starts() const {
    static constexpr ByteSet kAnywhere("["), kInSection("[Ss \t"), kInSystem("[Pp"),
        kEvery = ByteSet::Every();
    return (tell_ & (kActorsAndRemaps | kSettings)) ? kEvery
           : inSection_                             ? kInSection
           : inSystem_ && (tell_ & kSearchPaths)    ? kInSystem
                                                    : kAnywhere;
}

SectionScanner::Line SectionScanner::Classify(std::string_view line) {
    const bool first = std::exchange(firstLine_, false);
    const bool all = tell_ & kActorsAndRemaps;
    if (line[0] == '[' && (tell_ & kSettings))
        section_ = LowerCase(line);
    if (IsWhole(kHeader, line)) { // a second header keeps the section open
        inSection_ = true;
        inSystem_ = inRemap_ = false;
        starts_ = &Starts();
        return Line::GameEngineHeader;
    }
    if (line[0] == '[') {
        inSection_ = false;
        inSystem_ = IsWhole(kSystemHeader, line);
        inRemap_ = IsWhole(kRemapHeader, line);
        starts_ = &Starts();
    } else if (inSection_ && kKey.StartOf(line)) {
        return Line::PackageLine;
    } else if (inSection_ && all && kActors.StartOf(line)) {
        return Line::ServerActor;
    } else if (inSection_ && line.find('=') != std::string_view::npos) {
        std::string key(line.substr(0, line.find('=')));
        std::erase_if(key, [](char c) { return c == ' ' || c == '\t'; });
        if (LowerCase(key) == kKey.Text().substr(0, kKey.Text().size() - 1))
            return Line::UnreadPackageLine;
    } else if (inSystem_ && kPaths.StartOf(line)) {
        return Line::SearchPath;
    } else if (inRemap_ && all && line.find('=') != std::string_view::npos) {
        return Line::PackageRemap;
    } else if (first && all && line.starts_with(kUtf8Mark) &&
               IsWhole(kHeader, line.substr(kUtf8Mark.size()))) {
        return Line::HiddenGameEngineHeader;
    } else if ((tell_ & kSettings) && !inSection_ && line.find('=') != std::string_view::npos) {
        return Line::Setting;
    }
    return Line::Other;
}

std::string_view SectionScanner::SearchPathOf(std::string_view searchPathLine) {
    return searchPathLine.substr(kPaths.Text().size());
}

std::string_view SectionScanner::ServerActorOf(std::string_view serverActorLine) {
    return serverActorLine.substr(kActors.Text().size());
}

std::pair<std::string_view, std::string_view>
SectionScanner::SettingOf(std::string_view settingLine) {
    const size_t equals = settingLine.find('=');
    return {settingLine.substr(0, equals), settingLine.substr(equals + 1)};
}

std::string_view SectionScanner::UnreadPackageOf(std::string_view unreadLine) {
    return TrimmedBlanks(SettingOf(unreadLine).second);
}

std::string PackageLine(std::string_view name) {
    return std::string(kPackageKey) + std::string(name);
}

std::string_view SectionScanner::PackageOf(std::string_view packageLine) {
    return packageLine.substr(kKey.Text().size());
}

} // namespace gameini

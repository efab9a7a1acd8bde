#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace gameini {

// The Paths= entries of [Core.System] as a reader meets them, each kept once:
// a file may repeat the section many times, and a search needs each entry once.
class SearchPathList {
public:
    void Add(std::string_view entry) {
        // A repeated section repeats its entries in order: the one due next
        // is tried before looking the entry up.
        if (next_ >= entries_.size())
            next_ = 0;
        if (next_ < entries_.size() && entries_[next_] == entry) {
            ++next_;
            return;
        }
        const auto [found, added] = indexOf_.try_emplace(std::string(entry), entries_.size());
        if (added)
            entries_.emplace_back(entry);
        next_ = found->second + 1;
    }
    std::vector<std::string> Take() { return std::move(entries_); }

private:
    std::vector<std::string> entries_;
    std::unordered_map<std::string, size_t> indexOf_;
    size_t next_ = 0;
};

} // namespace gameini

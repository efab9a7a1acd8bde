#pragma once

#include <string>

namespace cli {

// A unified diff from `before` to `after`, two versions of the configuration
// at `path`, in the format of GNU diff with three lines of context. Lines are
// split at line feeds, as patch reads them, and shown with every byte of
// their own, a CR included; "\ No newline at end of file" marks a last line
// without one. So patch applied to the file gives exactly `after`. A UTF-16
// file is shown as UTF-8 text, which patch cannot apply. `before` and
// `after` may be a part of each version that starts after `linesBefore`
// lines alike in both.
std::string UnifiedDiff(const std::string& path, const std::string& before,
                        const std::string& after, size_t linesBefore = 0);

} // namespace cli

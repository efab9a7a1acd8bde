#pragma once

#include <QString>
#include <string>

namespace window {

// A file or folder name as the user sees it: invalid UTF-8 shows as a
// replacement character and a line break as a visible symbol.
QString DisplayName(const std::string& name);

} // namespace window

#pragma once

#include <string>

namespace gameini {

// The programs hold text as UTF-8; Windows' calls take UTF-16.
std::wstring WideText(const std::string& utf8);
std::string Utf8Text(const std::wstring& wide);

} // namespace gameini

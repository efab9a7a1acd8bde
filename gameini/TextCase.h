#pragma once

#include <string>
#include <string_view>

namespace gameini {

// Lower-cases UTF-8 text the way the game's code page does: A-Z and the
// Windows-1252 capitals (À-Þ except ×, Š, Œ, Ž, Ÿ) become their small
// letters, every other byte is left alone. The byte length never changes.
// Every comparison that ignores letter case goes through this function.
std::string LowerCase(std::string_view text);

} // namespace gameini

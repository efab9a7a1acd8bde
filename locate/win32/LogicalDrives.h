#pragma once

#include <string>
#include <vector>

namespace locate {

// The roots of Windows' drives, "C:\", "D:\", ..., in letter order.
std::vector<std::string> LogicalDrives();

} // namespace locate

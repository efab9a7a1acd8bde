#include "TempFolder.h"

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace {

// Paths are UTF-8 text here, which Windows would take in its own code page.
std::filesystem::path PathOf(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string TextOf(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

} // namespace

TempFolder::TempFolder() {
    // A name no other test holds: made, not found.
    std::random_device random;
    for (int tries = 0; tries < 100; ++tries) {
        const std::filesystem::path folder =
            std::filesystem::temp_directory_path() / ("sarvelin-" + std::to_string(random()));
        if (std::filesystem::create_directory(folder)) {
            path_ = TextOf(folder);
            return;
        }
    }
    throw std::runtime_error("cannot make a temporary folder");
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::permissions(PathOf(path_), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(PathOf(path_), ignored);
}

std::string TempFolder::operator/(const std::string& name) const {
    return TextOf(PathOf(path_) / PathOf(name));
}

void TempFolder::write(const std::string& name, const std::string& bytes) const {
    WriteBytes(*this / name, bytes);
}

std::string TempFolder::read(const std::string& name) const {
    return ReadBytes(*this / name);
}

bool TempFolder::exists(const std::string& name) const {
    return std::filesystem::exists(std::filesystem::symlink_status(PathOf(*this / name)));
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(PathOf(path), std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(PathOf(path), std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

std::string CrLf(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

#pragma once

#include <stdexcept>
#include <string>

namespace gameini {

// The one error type of the configuration code: a number (the errno value on
// this platform) and a short description that names what failed and where.
class FileError : public std::runtime_error {
public:
    FileError(int number, const std::string& description)
        : std::runtime_error(description), number_(number) {}

    int number() const { return number_; }

private:
    int number_;
};

// Throws a FileError for `err`, describing it as "<action>: <strerror(err)>".
[[noreturn]] void ThrowSystemError(int err, const std::string& action);

} // namespace gameini

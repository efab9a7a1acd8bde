#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

namespace gameini {

// Every error of the configuration code: a short description that names what
// failed and where.
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The system refused: a number (the errno value on this platform) and its
// description.
class FileError : public Error {
public:
    FileError(int number, const std::string& description) : Error(description), number_(number) {}

    int number() const { return number_; }

private:
    int number_;
};

// A file is not what it must be, though no system call failed: no regular
// file, larger than may be read, or cut short while it was read. Names the
// file, and the offset of the damage where it is known.
class DamageError : public Error {
public:
    DamageError(std::string file, const std::string& description,
                std::optional<uint64_t> offset = std::nullopt)
        : Error(description), file_(std::move(file)), offset_(offset) {}

    const std::string& file() const { return file_; }
    std::optional<uint64_t> offset() const { return offset_; }

private:
    std::string file_;
    std::optional<uint64_t> offset_;
};

// The configuration itself stands in the way: no section to write to, a
// name the file cannot hold, two files that differ only in letter case. No
// system call failed, so there is no number to give.
class ConfigurationError : public Error {
public:
    using Error::Error;
};

// A save would give the configuration to another owner or group, or the
// program may not write it.
class OwnershipError : public ConfigurationError {
public:
    using ConfigurationError::ConfigurationError;
};

// Another program held the configuration for longer than the caller would
// wait: "another program is saving FILE (pid N, NAME)".
class BusyError : public Error {
public:
    using Error::Error;
};

// Throws a FileError for `err`, describing it as "<action>: <strerror(err)>".
[[noreturn]] void ThrowSystemError(int err, const std::string& action);

} // namespace gameini

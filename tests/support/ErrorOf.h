#pragma once

#include "gameini/Error.h"

#include <string>

// The description of the error the action throws, or "no error".
template <typename Action> std::string ErrorOf(Action&& action) {
    try {
        action();
    } catch (const gameini::Error& error) {
        return error.what();
    }
    return "no error";
}

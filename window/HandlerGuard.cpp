#include "window/HandlerGuard.h"

#include "gameini/Error.h"

#include <cctype>
#include <cerrno>
#include <new>
#include <string>

namespace window {

void HandlerGuard::Run(const std::function<void()>& handler) {
    if (depth_ > 0) {
        handler();
        return;
    }
    bool failed = true;
    int number = 0;
    std::string description;
    ++depth_;
    try {
        handler();
        failed = false;
    } catch (const gameini::FileError& error) {
        number = error.number();
        description = error.what();
    } catch (const gameini::ConfigurationError& error) {
        description = error.what(); // no system call failed: no number to show
    } catch (const gameini::DamageError& error) {
        description = error.what();
    } catch (const gameini::BusyError& error) {
        description = std::string(error.what()) + ". Try again once it has finished.";
        description[0] = static_cast<char>(std::toupper(description[0]));
    } catch (const std::bad_alloc&) {
        number = ENOMEM;
        description = "Out of memory";
    } catch (const std::exception& error) {
        number = EINVAL;
        description = error.what();
    } catch (...) { // nothing may reach Qt's event loop
        number = EINVAL;
        description = "Unknown error";
    }
    --depth_;
    if (failed)
        messageBox_.Show(number == 0 ? description
                                     : "Error " + std::to_string(number) + ": " + description);
}

} // namespace window

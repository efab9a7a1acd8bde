#include "window/qt/MainWindow.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <unistd.h>

namespace {

std::string CurrentFolder() {
    char* folder = getcwd(nullptr, 0);
    std::string result = folder ? folder : "/";
    free(folder);
    return result;
}

// --help and --version are answered before Qt looks for a display, so that
// they work on a server too.
bool AnsweredAtOnce(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::cout << "sarvelin " SARVELIN_VERSION "\n";
            return true;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::cout << "Usage: sarvelin [--help] [--version]\n"
                         "Opens a window that ticks the packages a Postal 2 server sends to its\n"
                         "players, for the System folder that is the current folder.\n"
                         "From a terminal, sarvelin-cli does the same job.\n";
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char* argv[]) {
    if (AnsweredAtOnce(argc, argv))
        return EXIT_SUCCESS;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Sarvelin"));
    const char* home = std::getenv("HOME");
    try {
        window::MainWindow mainWindow(CurrentFolder(), home ? home : "");
        mainWindow.show();
        return app.exec();
    } catch (const std::exception& error) {
        // The start folder itself could not be shown.
        QMessageBox::critical(nullptr, QStringLiteral("Sarvelin"), QString::fromUtf8(error.what()));
        return EXIT_FAILURE;
    }
}

#include "window/qt/MainWindow.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdlib>
#include <unistd.h>

namespace {

std::string CurrentFolder() {
    char* folder = getcwd(nullptr, 0);
    std::string result = folder ? folder : "/";
    free(folder);
    return result;
}

} // namespace

int main(int argc, char* argv[]) {
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

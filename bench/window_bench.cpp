// Times the real window against a bare Qt window on the offscreen platform,
// and measures peak memory of both in child processes. Prints one line per
// measurement: "<name> <median seconds or peak kB>".

#include "BenchFolder.h"
#include "MainWindow.h"
#include "PackageListBox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPainter>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kRuns = 7;

// Waits until `window` has painted its first frame.
void WaitForFirstPaint(QWidget& window) {
    class PaintSpy : public QObject {
    public:
        bool painted = false;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint)
                painted = true;
            return false;
        }
    } spy;
    window.installEventFilter(&spy);
    window.show();
    while (!spy.painted)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    window.removeEventFilter(&spy);
}

double Median(const std::function<void()>& run) {
    std::vector<double> seconds;
    for (int i = 0; i < kRuns; ++i) {
        QElapsedTimer timer;
        timer.start();
        run();
        seconds.push_back(timer.nsecsElapsed() / 1e9);
    }
    std::sort(seconds.begin(), seconds.end());
    return seconds[kRuns / 2];
}

void StartRealWindow(const std::string& folder) {
    MainWindow window(folder, "/nonexistent");
    WaitForFirstPaint(window);
}

void StartBareWindow() {
    QWidget window;
    window.resize(453, 290);
    auto* list = new QListWidget(&window);
    list->setGeometry(184, 40, 257, 199);
    WaitForFirstPaint(window);
}

long PeakKilobytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

// Runs `work` in a child process and returns the child's peak memory.
long PeakOfChild(int argc, char** argv, const std::function<void()>& work) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return -1;
    pid_t child = fork();
    if (child == 0) {
        close(pipeFds[0]);
        QApplication app(argc, argv);
        work();
        long peak = PeakKilobytes();
        if (write(pipeFds[1], &peak, sizeof peak) != sizeof peak)
            _exit(1);
        _exit(0);
    }
    close(pipeFds[1]);
    long peak = -1;
    if (read(pipeFds[0], &peak, sizeof peak) != sizeof peak)
        peak = -1;
    close(pipeFds[0]);
    waitpid(child, nullptr, 0);
    return peak;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    BenchFolder small(200), large(32767);

    std::printf("qt_version %s\n", qVersion());
    std::printf("cores %ld\n", sysconf(_SC_NPROCESSORS_ONLN));
    std::printf("peak_real_32767 %ld\n", PeakOfChild(argc, argv, [&] { StartRealWindow(large.path()); }));
    std::printf("peak_bare %ld\n", PeakOfChild(argc, argv, [] { StartBareWindow(); }));

    QApplication app(argc, argv);
    StartBareWindow(); // warm up fonts and styles once for both
    std::printf("startup_bare %.6f\n", Median(StartBareWindow));
    std::printf("startup_real_200 %.6f\n", Median([&] { StartRealWindow(small.path()); }));
    std::printf("startup_real_32767 %.6f\n", Median([&] { StartRealWindow(large.path()); }));

    MainWindow window(large.path(), "/nonexistent");
    auto* packages = window.findChild<PackageListBox*>("lbServerPackages");
    std::vector<std::string> names;
    for (int i = 0; i < packages->ListCount(); ++i)
        names.push_back(packages->List(i));
    std::printf("fill_32767 %.6f\n", Median([&] {
                    packages->Clear();
                    for (const std::string& name : names)
                        packages->AddItem(name);
                }));
    std::printf("revert_32767 %.6f\n", Median([&] { window.form().cbRevert_Click(); }));
    return 0;
}

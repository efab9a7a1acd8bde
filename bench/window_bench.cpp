// Start-up of the real window against the smallest program that does the
// same visible work: a bare window with one list of check boxes, filled from
// a listing of the same folder and painted with its text. Memory of the real
// window against a bare window with an empty list. Each is started as a
// process of its own from this same binary (so all load the same libraries),
// on the offscreen platform. Also Revert against filling the list alone, in
// one process. Prints one line per measurement:
// "<name> <median seconds | peak kB>".
//
//   window_bench                       run everything
//   window_bench child real FOLDER     (internal) start the real window, report
//   window_bench child floor FOLDER    (internal) start the floor, report
//   window_bench child bare            (internal) start the bare window, report

#include "BenchFolder.h"
#include "window/qt/MainWindow.h"
#include "window/qt/PackageListBox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <functional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace window;

namespace {

constexpr int kRuns = 9;

// Waits until `window` has painted its first frame.
void ShowAndWaitForFirstPaint(QWidget& window) {
    class PaintSpy : public QObject {
    public:
        bool painted = false;
        bool eventFilter(QObject*, QEvent* event) override {
            painted = painted || event->type() == QEvent::Paint;
            return false;
        }
    } spy;
    window.installEventFilter(&spy);
    window.show();
    while (!spy.painted)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    window.removeEventFilter(&spy);
}

long PeakKilobytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

// The package files of a folder as the file list shows them, written plainly:
// names ending in ".u" in any letter case, sorted by their lower-case form.
QStringList PackageFiles(const char* folder) {
    std::vector<std::pair<std::string, std::string>> names;
    DIR* dir = opendir(folder);
    while (const dirent* entry = dir ? readdir(dir) : nullptr) {
        std::string name = entry->d_name;
        std::string lower = name;
        std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
        if (entry->d_type == DT_REG && lower.size() > 2 && lower.ends_with(".u"))
            names.emplace_back(lower, name);
    }
    if (dir)
        closedir(dir);
    std::sort(names.begin(), names.end());
    QStringList list;
    for (const auto& [lower, name] : names)
        list << QString::fromStdString(name);
    return list;
}

// The child: starts a window, and once it is painted writes its peak memory
// to standard output and ends.
int RunChild(int argc, char** argv) {
    QApplication app(argc, argv);
    std::unique_ptr<QWidget> window;
    if (std::strcmp(argv[2], "real") == 0) {
        window = std::make_unique<MainWindow>(argv[3], "/nonexistent");
    } else if (std::strcmp(argv[2], "floor") == 0) {
        window = std::make_unique<QWidget>();
        window->resize(453, 290);
        auto* list = new QListWidget(window.get());
        list->setGeometry(184, 40, 257, 199);
        list->setUniformItemSizes(true);
        for (const QString& name : PackageFiles(argv[3])) {
            auto* item = new QListWidgetItem(name, list);
            item->setCheckState(Qt::Unchecked);
        }
    } else {
        window = std::make_unique<QWidget>();
        window->resize(453, 290);
        auto* list = new QListWidget(window.get());
        list->setGeometry(184, 40, 257, 199);
    }
    ShowAndWaitForFirstPaint(*window);
    std::printf("%ld\n", PeakKilobytes());
    std::fflush(stdout);
    _exit(0); // the measurement is taken; skip tearing down
}

struct ChildResult {
    double seconds;
    long peakKilobytes;
};

// Starts this binary as a child and times it from the start to its report.
ChildResult StartChild(const char* self, const std::vector<std::string>& args) {
    int out[2];
    if (pipe(out) != 0)
        std::exit(1);
    QElapsedTimer timer;
    timer.start();
    pid_t child = fork();
    if (child == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        std::vector<char*> argv{const_cast<char*>(self), const_cast<char*>("child")};
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        execv(self, argv.data());
        _exit(127);
    }
    close(out[1]);
    char report[64] = {};
    ssize_t got = read(out[0], report, sizeof report - 1);
    double seconds = timer.nsecsElapsed() / 1e9;
    close(out[0]);
    waitpid(child, nullptr, 0);
    return {seconds, got > 0 ? std::atol(report) : -1};
}

template <typename T> T Median(std::vector<T> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void ReportStartUp(const char* self, const char* name, const std::vector<std::string>& args,
                   bool withMemory) {
    std::vector<double> seconds;
    std::vector<long> peaks;
    StartChild(self, args); // warm the page cache
    for (int i = 0; i < kRuns; ++i) {
        ChildResult result = StartChild(self, args);
        seconds.push_back(result.seconds);
        peaks.push_back(result.peakKilobytes);
    }
    std::printf("startup_%s %.6f\n", name, Median(seconds));
    if (withMemory)
        std::printf("peak_%s %ld\n", name, Median(peaks));
}

double MedianSeconds(const std::function<void()>& run) {
    std::vector<double> seconds;
    for (int i = 0; i < kRuns; ++i) {
        QElapsedTimer timer;
        timer.start();
        run();
        seconds.push_back(timer.nsecsElapsed() / 1e9);
    }
    return Median(seconds);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc >= 3 && std::strcmp(argv[1], "child") == 0)
        return RunChild(argc, argv);

    const char* self = argv[0];
    BenchFolder small(200), large(32767);
    std::printf("qt_version %s\n", qVersion());
    std::printf("cores %ld\n", sysconf(_SC_NPROCESSORS_ONLN));
    ReportStartUp(self, "bare", {"bare"}, true);
    ReportStartUp(self, "floor_200", {"floor", small.path()}, false);
    ReportStartUp(self, "floor_32767", {"floor", large.path()}, false);
    ReportStartUp(self, "real_200", {"real", small.path()}, false);
    ReportStartUp(self, "real_32767", {"real", large.path()}, true);

    QApplication app(argc, argv);
    MainWindow window(large.path(), "/nonexistent");
    auto* packages = window.findChild<PackageListBox*>("lbServerPackages");
    std::vector<std::string> names;
    for (int i = 0; i < packages->ListCount(); ++i)
        names.push_back(packages->List(i));
    std::printf("fill_32767 %.6f\n", MedianSeconds([&] {
                    packages->Clear();
                    for (const std::string& name : names)
                        packages->AddItem(name);
                }));
    std::printf("revert_32767 %.6f\n", MedianSeconds([&] { window.form().cbRevert_Click(); }));
    return 0;
}

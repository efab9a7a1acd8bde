// sarvelin-cli check on a server naming 500 packages of 4 MB each, each
// importing stock packages and a sound package, beside cat of the same files
// with the page cache warm: check reads the packages' tables, not the files.

#include "support/PackageBuilder.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

constexpr int kPackages = 500;
constexpr off_t kPackageBytes = 4 << 20;

struct Server {
    std::string root;
    Server() {
        root = (std::filesystem::temp_directory_path() / "sarvelin-check-bench-XXXXXX").string();
        if (mkdtemp(root.data()) == nullptr)
            std::abort();
        std::filesystem::create_directories(root + "/System");
        std::filesystem::create_directories(root + "/Sounds");
        std::ofstream config(root + "/System/postal2.ini", std::ios::binary);
        config << "[Core.System]\r\nPaths=..\\System\\*.u\r\nPaths=..\\Sounds\\*.uax\r\n"
                  "[Engine.GameEngine]\r\nServerActors=IpDrv.UdpBeacon\r\n";
        Write("System/Core.u", {});
        Write("System/Engine.u", {"Core"});
        Write("System/IpDrv.u", {"Core", "Engine"});
        Write("Sounds/ModSounds.uax", {});
        for (int i = 0; i < kPackages; ++i) {
            Write("System/Mod" + std::to_string(i) + ".u", {"Core", "Engine", "ModSounds"});
            config << "ServerPackages=Mod" << i << "\r\n";
        }
    }
    ~Server() { std::filesystem::remove_all(root); }

    // A package of 4 MB: its tables, then what its exports would take.
    void Write(const std::string& file, std::vector<std::string> imports) const {
        TestPackage package;
        package.imports = std::move(imports);
        const std::string path = root + "/" + file;
        std::ofstream(path, std::ios::binary) << PackageBytes(package);
        if (truncate(path.c_str(), kPackageBytes) != 0)
            std::abort();
    }
};

const Server& TheServer() {
    static Server server;
    return server;
}

void Run(benchmark::State& state, const std::string& command) {
    if (std::system(command.c_str()) > 256) // check exits 1 on problems; there are none
        state.SkipWithError(command.c_str());
}

void CatPackages(benchmark::State& state) {
    const std::string command = "cat '" + TheServer().root + "'/System/*.u >/dev/null";
    Run(state, command); // warm
    for (auto _ : state)
        Run(state, command);
}

void CliCheck(benchmark::State& state) {
    const std::string command =
        "'" SARVELIN_CLI "' -C '" + TheServer().root + "/System' check >/dev/null";
    for (auto _ : state)
        Run(state, command);
}

void Options(benchmark::internal::Benchmark* run) {
    run->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly();
}

} // namespace

BENCHMARK(CatPackages)->Apply(Options);
BENCHMARK(CliCheck)->Apply(Options);
BENCHMARK_MAIN();

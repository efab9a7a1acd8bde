// Rewriting and replacing a 50 MB configuration, beside copying the same file
// with cp (and flushing the copy) in the same run; and the command line on the
// same file, a process each time as a script runs it, beside grep and cp.

#include "BenchFolder.h"
#include "gameini/EditPolicies.h"
#include "gameini/GamePath.h"
#include "gameini/RewritePlan.h"
#include "gameini/SaveGameIni.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kPackages = 32767;
constexpr size_t kConfigBytes = 50u << 20;

// A realistic configuration body, repeated until the file reaches 50 MB, with
// one [Engine.GameEngine] section of 32,767 package lines.
struct BigConfig {
    BenchFolder folder{0};
    std::vector<std::string> names;

    BigConfig() {
        const std::string body =
            "[URL]\r\nProtocol=unreal\r\nName=Player\r\nMap=Index.fuk\r\nPort=7777\r\n"
            "[Core.System]\r\nPurgeCacheDays=30\r\nPaths=..\\System\\*.u\r\nPaths=..\\Maps\\*."
            "fuk\r\n"
            "; a comment with letters like \xC4rger and \xE9t\xE9\r\n"
            "[Editor.EditorEngine]\r\nEditPackages=Core\r\nEditPackages=Engine\r\n";
        std::string text;
        text.reserve(kConfigBytes + body.size());
        text += "[Engine.GameEngine]\r\nCacheSizeMegs=32\r\nServerActors=IpDrv.UdpBeacon\r\n";
        for (int i = 0; i < kPackages; ++i) {
            names.push_back("Package" + std::to_string(i));
            text += "ServerPackages=Package" + std::to_string(i) + "\r\n";
        }
        while (text.size() < kConfigBytes)
            text += body;
        std::ofstream(folder.path() + "/postal2.ini", std::ios::binary) << text;
    }
    std::string config() const { return folder.path() + "/Postal2.ini"; }
};

BigConfig& Config() {
    static BigConfig config;
    return config;
}

void CpAndFsync(benchmark::State& state) {
    const std::string copy = Config().folder.path() + "/copy.ini";
    const std::string command = "cp '" + Config().folder.path() + "/postal2.ini' '" + copy + "'";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0)
            state.SkipWithError("cp failed");
        int fd = open(copy.c_str(), O_RDONLY);
        fsync(fd);
        close(fd);
    }
    unlink(copy.c_str());
    state.SetBytesProcessed(state.iterations() * kConfigBytes);
}

void Cp(benchmark::State& state) {
    const std::string copy = Config().folder.path() + "/copy.ini";
    const std::string command = "cp '" + Config().folder.path() + "/postal2.ini' '" + copy + "'";
    for (auto _ : state)
        if (std::system(command.c_str()) != 0)
            state.SkipWithError("cp failed");
    unlink(copy.c_str());
    state.SetBytesProcessed(state.iterations() * kConfigBytes);
}

// The window's edit: the whole list after the header.
gameini::EditPackages WholeList() {
    return gameini::PackagesAfterEachHeader(Config().names);
}

// Reading and rewriting the file, and writing the result, as cp reads and writes it.
void PlanRewrite(benchmark::State& state) {
    const std::string folder = Config().folder.path();
    const std::string work = folder + "/newp2.ini";
    for (auto _ : state) {
        const gameini::RewritePlan rewrite =
            gameini::PlanRewrite(folder + "/postal2.ini", WholeList());
        const int fd = open(work.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        rewrite.Write(gameini::RewritePlan::Version::After, [&](std::string_view piece) {
            benchmark::DoNotOptimize(write(fd, piece.data(), piece.size()));
        });
        close(fd);
    }
    unlink(work.c_str());
    state.SetBytesProcessed(state.iterations() * kConfigBytes);
}

void RewriteAndReplace(benchmark::State& state) {
    const std::string folder = Config().folder.path();
    for (auto _ : state)
        gameini::SaveGameIni(
            gameini::LockConfiguration(folder, "postal2.ini", gameini::Access::Write), WholeList(),
            gameini::SaveMode::Always);
    state.SetBytesProcessed(state.iterations() * kConfigBytes);
}

void Run(benchmark::State& state, const std::string& command) {
    if (std::system(command.c_str()) != 0)
        state.SkipWithError(command.c_str());
}

// Output goes to a file: GNU grep stops at the first match when it writes to
// /dev/null.
std::string ToFile() {
    return " >'" + Config().folder.path() + "/output'";
}

std::string Cli(const std::string& arguments) {
    return "'" SARVELIN_CLI "' -C '" + Config().folder.path() + "' " + arguments + ToFile();
}

void GrepCount(benchmark::State& state) {
    const std::string config = gameini::ResolvePath(Config().folder.path() + "/postal2.ini");
    for (auto _ : state)
        Run(state, "grep -c ServerPackages '" + config + "'" + ToFile());
}

void CliList(benchmark::State& state) {
    for (auto _ : state)
        Run(state, Cli("list"));
}

void CliAdd(benchmark::State& state) {
    for (auto _ : state) {
        Run(state, Cli("add NewPackage"));
        state.PauseTiming();
        Run(state, Cli("remove NewPackage"));
        state.ResumeTiming();
    }
}

// The dry run shows the same change as a diff, and writes nothing.
void CliDryRunAdd(benchmark::State& state) {
    for (auto _ : state)
        Run(state, Cli("-n add NewPackage"));
}

// Milliseconds of wall time, five runs each, reported as their median and spread.
void Options(benchmark::internal::Benchmark* run) {
    run->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly();
}

} // namespace

BENCHMARK(Cp)->Apply(Options);
BENCHMARK(PlanRewrite)->Apply(Options);
BENCHMARK(CpAndFsync)->Apply(Options);
BENCHMARK(RewriteAndReplace)->Apply(Options);
BENCHMARK(GrepCount)->Apply(Options);
BENCHMARK(CliList)->Apply(Options);
BENCHMARK(CliAdd)->Apply(Options);
BENCHMARK(CliDryRunAdd)->Apply(Options);
BENCHMARK_MAIN();

// "Up date Device" up to the firmware on the largest project the image holds: 250 received and
// 250 transmitted frames, 2912 and 3721 register rows. The peer is cp copying the same six output
// files, which is the least any tool writing them has to pay.
#include "core/check/ProjectCheck.h"
#include "core/image/BankFiles.h"
#include "core/image/ImageBuilder.h"
#include "core/image/ProjectBuild.h"
#include "core/project/FrameFile.h"
#include "core/project/MapFile.h"
#include "core/project/PargenFile.h"
#include "core/workspace/ProjectFolder.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace cravent;

class MaximalProject {
public:
    MaximalProject()
    {
        std::string pattern = (fs::temp_directory_path() / "cravent-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("cannot create a temporary folder");
        dir_ = pattern;
        fs::create_directories(dir_ / "bin");
        fs::create_directories(dir_ / "copy");

        project::PargenValues settings;
        settings.ip = {192, 168, 0, 30};
        project::writePargen(dir_ / names::Pargen, settings);
        std::vector<project::Frame> list;
        for (int i = 0; i < 250; ++i)
            list.push_back({std::to_string(100 + i * 7), std::to_string(i % 8 + 1), "Frame"});
        project::writeFrames(dir_ / names::ReceiveFrames, list);
        project::writeFrames(dir_ / names::TransmitFrames, list);
        project::writeMap(dir_ / names::ReceiveMap, project::ReceiveMapRootName, registers(2912));
        project::writeMap(dir_ / names::TransmitMap, project::TransmitMapRootName, registers(3721));
    }
    ~MaximalProject()
    {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    const fs::path& dir() const { return dir_; }

private:
    static std::vector<project::MapRow> registers(int count)
    {
        std::vector<project::MapRow> rows;
        for (int i = 0; i < count; ++i)
            rows.push_back({std::to_string(i), std::to_string(i % 250 + 1), "33"});
        return rows;
    }
    fs::path dir_;
};

const MaximalProject& project()
{
    static const MaximalProject instance;
    return instance;
}

// The whole command: read the five files, build, write five banks and the listing atomically.
void BM_BuildProjectBanks(benchmark::State& state)
{
    for (auto _ : state)
        image::buildProjectBanks(project().dir());
}
BENCHMARK(BM_BuildProjectBanks)->Unit(benchmark::kMillisecond);

void BM_BuildConfigImage(benchmark::State& state)
{
    const image::BuildMoment moment{2025, 12, 9, 14, 37, 52};
    for (auto _ : state)
        benchmark::DoNotOptimize(image::BuildConfigImage(project().dir(), moment));
}
BENCHMARK(BM_BuildConfigImage)->Unit(benchmark::kMillisecond);

// The check before a build, on the same project: reading the five files and judging every row.
// Read beside BM_BuildConfigImage, which reads the same files and places their values.
void BM_CheckProject(benchmark::State& state)
{
    std::size_t findings = 0;
    for (auto _ : state) {
        const auto found = check::checkProject(project().dir());
        findings = found.size();
        benchmark::DoNotOptimize(found.data());
    }
    state.counters["findings"] = static_cast<double>(findings);
}
BENCHMARK(BM_CheckProject)->Unit(benchmark::kMillisecond);

void BM_BankListing(benchmark::State& state)
{
    const image::ConfigImage image = image::BuildConfigImage(project().dir(), image::BuildMoment{});
    for (auto _ : state)
        benchmark::DoNotOptimize(image::bankListing(image));
}
BENCHMARK(BM_BankListing)->Unit(benchmark::kMillisecond);

// Writing only: the five banks and the listing, each through the atomic writer (fsynced).
void BM_WriteBanksAndListing(benchmark::State& state)
{
    const image::ConfigImage image = image::BuildConfigImage(project().dir(), image::BuildMoment{});
    for (auto _ : state) {
        if (!image::WriteBankFiles(image, project().dir()).empty())
            state.SkipWithError("a bank file was not written");
        image::WriteBankListing(image, project().dir());
    }
}
BENCHMARK(BM_WriteBanksAndListing)->Unit(benchmark::kMillisecond);

// Peer: cp of the six files the command writes, 317513 bytes in all.
void BM_PeerCpSameBytes(benchmark::State& state)
{
    image::buildProjectBanks(project().dir());
    std::vector<std::string> args = {"cp"};
    for (const char* name :
         {"bank1.bin", "bank2.bin", "bank3.bin", "bank4.bin", "bank5.bin", "bankg.c"})
        args.push_back((project().dir() / "bin" / name).string());
    args.push_back((project().dir() / "copy").string());
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    for (auto _ : state) {
        pid_t pid = 0;
        if (::posix_spawnp(&pid, "cp", nullptr, nullptr, argv.data(), environ) != 0)
            state.SkipWithError("cannot start cp");
        int status = 0;
        ::waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            state.SkipWithError("cp failed");
    }
}
BENCHMARK(BM_PeerCpSameBytes)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

// Reading a configuration back and building per-unit firmware, against peers in the same run:
// inspect of a firmware composed into the 8 MB master against srec_cat cropping the two bank
// windows of the same file; a batch of 100 units on the 0.7 MB master against a shell loop that
// runs cravent-cli update once per unit on copies of the project.
#include "support/SyntheticMaster.h"
#include "core/firmware/Composition.h"
#include "core/firmware/ConfigurationSource.h"
#include "core/image/BankFiles.h"
#include "core/image/ImageBuilder.h"
#include "core/project/FrameFile.h"
#include "core/project/MapFile.h"
#include "core/project/PargenFile.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace cravent;

constexpr int Units = 100;

void writeBytes(const fs::path& file, const std::string& bytes)
{
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void run(const std::vector<std::string>& command)
{
    std::vector<char*> argv;
    for (const std::string& arg : command)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int started = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    if (started != 0)
        throw std::runtime_error("cannot start " + command[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error(command[0] + " failed");
}

// A program folder with a master of `pages` pages, a project of 40 frames and 100 register
// rows with its banks built, and its new firmware composed.
class Setup {
public:
    explicit Setup(int pages)
    {
        std::string pattern = (fs::temp_directory_path() / "cravent-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("cannot create a temporary folder");
        dir_ = pattern;
        writeBytes(master(), test::syntheticMaster(pages));
        writeProject(project(), {192, 168, 1, 20});
        image::WriteBankFiles(image::BuildConfigImage(project(), {2026, 12, 10, 10, 42, 18}), project());
        firmware::CompositionInputs inputs{master(), project() / "bin", "New_QF40231.sx", project(),
                                           firmware::banksOfGatewayModel(3)};
        firmware::composeFirmware(inputs);
    }
    ~Setup()
    {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    static void writeProject(const fs::path& dir, const std::array<int, 4>& ip)
    {
        fs::create_directories(dir / "bin");
        project::PargenValues values;
        values.ip = ip;
        project::writePargen(dir / "pargen.xml", values);
        std::vector<project::Frame> list;
        for (int i = 0; i < 40; ++i)
            list.push_back({"0x" + std::to_string(100 + i), "8", "F" + std::to_string(i)});
        project::writeFrames(dir / "RCobDef.xml", list);
        project::writeFrames(dir / "TCobDef.xml", list);
        std::vector<project::MapRow> rows;
        for (int i = 0; i < 100; ++i)
            rows.push_back({std::to_string(i), std::to_string(i % 40 + 1), "18"});
        project::writeMap(dir / "RInfoCob.xml", "RInfoCob", rows);
        project::writeMap(dir / "TInfoCob.xml", "TInfoCob", rows);
    }

    const fs::path& dir() const { return dir_; }
    fs::path app() const { return dir_ / "app"; }
    fs::path master() const { return app() / "MASTER" / "QF40231.sx"; }
    fs::path project() const { return dir_ / "P1"; }
    fs::path firmware() const { return project() / "New_QF40231.sx"; }

private:
    fs::path dir_;
};

Setup& setup(int pages)
{
    static std::map<int, std::unique_ptr<Setup>> setups;
    auto& slot = setups[pages];
    if (!slot)
        slot = std::make_unique<Setup>(pages);
    return *slot;
}

std::string unitAddress(int unit)
{
    return "10.0." + std::to_string(unit / 250) + "." + std::to_string(unit % 250 + 1);
}

void BM_ReadConfigurationInProcess(benchmark::State& state)
{
    const Setup& s = setup(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(firmware::readConfigurationOf(s.firmware(), false));
}

void BM_InspectCli(benchmark::State& state)
{
    const Setup& s = setup(static_cast<int>(state.range(0)));
    const std::vector<std::string> command = {CRAVENT_CLI, "inspect", s.firmware().string()};
    for (auto _ : state)
        run(command);
}

void BM_PeerSrecCatCrop(benchmark::State& state)
{
    const Setup& s = setup(static_cast<int>(state.range(0)));
    const std::vector<std::string> command = {"srec_cat", s.firmware().string(), "-crop",
                                              "0x388000", "0x38C000", "0x398000", "0x39C000",
                                              "-o", "/dev/null", "-binary"};
    for (auto _ : state)
        run(command);
}

void BM_Batch100Units(benchmark::State& state)
{
    const Setup& s = setup(static_cast<int>(state.range(0)));
    std::string units = "name,ip\n";
    for (int unit = 0; unit < Units; ++unit)
        units += "unit" + std::to_string(unit) + "," + unitAddress(unit) + "\n";
    writeBytes(s.dir() / "units.csv", units);
    const std::vector<std::string> command = {CRAVENT_CLI, "--app-dir", s.app().string(), "batch",
                                              s.project().string(), (s.dir() / "units.csv").string(),
                                              "--out", (s.dir() / "batch").string()};
    for (auto _ : state)
        run(command);
}

void BM_PeerUpdateLoop100Units(benchmark::State& state)
{
    const Setup& s = setup(static_cast<int>(state.range(0)));
    const fs::path copies = s.dir() / "copies";
    for (int unit = 0; unit < Units; ++unit) {
        const fs::path copy = copies / ("unit" + std::to_string(unit));
        if (!fs::exists(copy))
            Setup::writeProject(copy, {10, 0, unit / 250, unit % 250 + 1});
    }
    const std::string loop = "for d in \"$1\"/*; do \"$2\" --app-dir \"$3\" update \"$d\" || exit 1; done";
    const std::vector<std::string> command = {"sh", "-c", loop, "sh", copies.string(), CRAVENT_CLI,
                                              s.app().string()};
    for (auto _ : state)
        run(command);
}

// A batch of 300 units into a folder that already holds 30,000 files, against the same batch
// into an empty folder: the files already there must cost nothing per unit.
constexpr int CrowdUnits = 300;
constexpr int CrowdFiles = 30000;

std::vector<std::string> crowdBatch(const Setup& s, const fs::path& out)
{
    const fs::path units = s.dir() / "crowd-units.csv";
    if (!fs::exists(units)) {
        std::string text = "name,ip\n";
        for (int unit = 0; unit < CrowdUnits; ++unit)
            text += "unit" + std::to_string(unit) + "," + unitAddress(unit) + "\n";
        writeBytes(units, text);
    }
    return {CRAVENT_CLI, "--app-dir", s.app().string(), "batch", s.project().string(),
            units.string(), "--out", out.string()};
}

void BM_Batch300UnitsIntoAFolderOf30000Files(benchmark::State& state)
{
    const Setup& s = setup(static_cast<int>(state.range(0)));
    const fs::path out = s.dir() / "crowded";
    if (!fs::exists(out)) {
        fs::create_directories(out);
        for (int k = 0; k < CrowdFiles; ++k)
            std::ofstream(out / ("earlier" + std::to_string(k) + ".sx")) << k;
    }
    const std::vector<std::string> command = crowdBatch(s, out);
    for (auto _ : state)
        run(command);
}

void BM_PeerBatch300UnitsIntoAnEmptyFolder(benchmark::State& state)
{
    const Setup& s = setup(static_cast<int>(state.range(0)));
    const std::vector<std::string> command = crowdBatch(s, s.dir() / "empty");
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(s.dir() / "empty");
        state.ResumeTiming();
        run(command);
    }
}

} // namespace

BENCHMARK(BM_Batch300UnitsIntoAFolderOf30000Files)->Arg(18)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_PeerBatch300UnitsIntoAnEmptyFolder)->Arg(18)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_ReadConfigurationInProcess)->Arg(205)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_InspectCli)->Arg(205)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PeerSrecCatCrop)->Arg(205)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Batch100Units)->Arg(18)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_PeerUpdateLoop100Units)->Arg(18)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

BENCHMARK_MAIN();

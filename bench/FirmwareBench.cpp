// The composition of the new firmware on a master of 0.7 MB (18 flash pages) and one of 8 MB
// (205 pages), against two peers doing the same in the same run: srec_cat performing the same
// merge, and cp copying the master, the least any tool writing the new file has to pay; and
// `cravent-cli compose` as a whole on the 8 MB master against cp followed by sync of the copy.
#include "support/SyntheticMaster.h"
#include "core/firmware/BankWindow.h"
#include "core/firmware/Composition.h"

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

void writeBytes(const fs::path& file, const std::string& bytes)
{
    std::ofstream out(file, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A project with its two banks and a master of `pages` flash pages, in a temporary folder.
class Setup {
public:
    explicit Setup(int pages)
    {
        std::string pattern = (fs::temp_directory_path() / "cravent-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("cannot create a temporary folder");
        dir_ = pattern;
        fs::create_directories(dir_ / "bin");
        writeBytes(master(), test::syntheticMaster(pages));
        writeBytes(dir_ / "bin" / "bank1.bin", std::string(firmware::BankSize, '\x11'));
        writeBytes(dir_ / "bin" / "bank2.bin", std::string(firmware::BankSize, '\x22'));
    }
    ~Setup()
    {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    const fs::path& dir() const { return dir_; }
    fs::path master() const { return dir_ / "QF40231.sx"; }
    std::size_t masterSize() const { return fs::file_size(master()); }

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

void run(const std::vector<std::string>& command, bool quiet = false)
{
    std::vector<char*> argv;
    for (const std::string& arg : command)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    if (quiet)
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

void label(benchmark::State& state, const Setup& s)
{
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(s.masterSize()));
    state.SetLabel(std::to_string(s.masterSize() / 1024) + " KiB master");
}

void BM_ComposeFirmware(benchmark::State& state)
{
    const Setup& s = setup(static_cast<int>(state.range(0)));
    firmware::CompositionInputs inputs{s.master(), s.dir() / "bin", "New_QF40231.sx", s.dir(),
                                       firmware::banksOfGatewayModel(3)};
    for (auto _ : state)
        benchmark::DoNotOptimize(firmware::composeFirmware(inputs));
    label(state, s);
}

void BM_PeerSrecCatMerge(benchmark::State& state)
{
    const Setup& s = setup(static_cast<int>(state.range(0)));
    const std::string bin = (s.dir() / "bin").string();
    const std::vector<std::string> command = {
        "srec_cat", s.master().string(), "-exclude", "0x388000", "0x38C000", "-exclude",
        "0x398000", "0x39C000", bin + "/bank1.bin", "-binary", "-offset", "0x388000",
        bin + "/bank2.bin", "-binary", "-offset", "0x398000", "-o",
        (s.dir() / "srec_cat.sx").string(), "-obs=32", "-address-length=3"};
    for (auto _ : state)
        run(command);
    label(state, s);
}

void BM_PeerCpMaster(benchmark::State& state)
{
    const Setup& s = setup(static_cast<int>(state.range(0)));
    const std::vector<std::string> command = {"cp", s.master().string(), (s.dir() / "cp.sx").string()};
    for (auto _ : state)
        run(command);
    label(state, s);
}

// The whole command as a user runs it: start, compose, read back, print the summary.
void BM_ComposeCli(benchmark::State& state)
{
    const Setup& s = setup(static_cast<int>(state.range(0)));
    const std::vector<std::string> command = {CRAVENT_CLI, "compose", s.dir().string(), "--master",
                                              s.master().string()};
    for (auto _ : state)
        run(command, true);
    label(state, s);
}

// The least a tool that writes the new file safely pays: the copy, and the wait for the disk.
void BM_PeerCpSync(benchmark::State& state)
{
    const Setup& s = setup(static_cast<int>(state.range(0)));
    const std::string copy = (s.dir() / "cp.sx").string();
    const std::vector<std::string> cp = {"cp", s.master().string(), copy};
    const std::vector<std::string> sync = {"sync", copy};
    for (auto _ : state) {
        run(cp);
        run(sync);
    }
    label(state, s);
}

} // namespace

BENCHMARK(BM_ComposeCli)->Arg(205)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PeerCpSync)->Arg(205)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ComposeFirmware)->Arg(18)->Arg(205)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PeerSrecCatMerge)->Arg(18)->Arg(205)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PeerCpMaster)->Arg(18)->Arg(205)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();

// Reading a CAN database of a large vehicle network: 5,000 messages with 50,000 signals, about
// 5 MB, generated once in a temporary folder. Peer: canconvert (python3-canmatrix) reading the
// same file and writing it as JSON, started as a process.

#include "core/dbc/DbcFile.h"
#include "core/dbc/DbcImport.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace {

constexpr int Messages = 5000;
constexpr int SignalsPerMessage = 10;

// Messages of every shape the import meets: both identifier widths, both byte orders, a
// multiplexor with multiplexed signals, receivers lists, comments and attributes.
std::string generatedDatabase()
{
    std::string text = "VERSION \"bench\"\n\nNS_ :\n\tCM_\n\tBA_DEF_\n\tBA_\n\tVAL_\n\nBS_:\n\n"
                       "BU_: Gateway EngineControl BodyControl Dashboard Chassis\n\n";
    const char* nodes[] = {"EngineControl", "BodyControl", "Dashboard", "Chassis", "Gateway"};
    for (int m = 0; m < Messages; ++m) {
        const bool extended = m % 3 == 0;
        const unsigned long id = extended ? 0x80000000ul | (0x18F00000ul + static_cast<unsigned long>(m))
                                          : static_cast<unsigned long>(m % 2048);
        text += "BO_ " + std::to_string(id) + " Message_" + std::to_string(m) + "_Cyclic_Status: 8 " +
                nodes[m % 5] + "\n";
        for (int s = 0; s < SignalsPerMessage; ++s) {
            const std::string name = " SG_ Signal_" + std::to_string(m) + "_" + std::to_string(s) + "_Measured";
            const std::string receivers = std::string(nodes[(m + s + 1) % 5]) + "," + nodes[(m + s + 2) % 5];
            if (s == 0)
                text += name + " M : 0|8@1+ (1,0) [0|255] \"\" " + receivers + "\n";
            else if (s < 4)
                text += name + " m" + std::to_string(s) + " : 8|16@1+ (0.125,-40) [-40|8151.875] \"degC\" " +
                        receivers + "\n";
            else if (s % 2 == 0)
                text += name + " : " + std::to_string(8 * (s - 3) - 1) + "|8@0- (0.5,0) [-64|63.5] \"km/h\" " +
                        receivers + "\n";
            else
                text += name + " : " + std::to_string(4 + s) + "|3@1+ (1,0) [0|7] \"\" " + receivers + "\n";
        }
        text += "\n";
    }
    for (int m = 0; m < Messages; ++m) {
        const unsigned long id = m % 3 == 0 ? 0x80000000ul | (0x18F00000ul + static_cast<unsigned long>(m))
                                            : static_cast<unsigned long>(m % 2048);
        text += "VAL_ " + std::to_string(id) + " Signal_" + std::to_string(m) +
                "_0_Measured 0 \"Idle\" 1 \"Running\" 2 \"Fault\" 3 \"Service\" ;\n";
    }
    for (int m = 0; m < Messages; m += 10)
        text += "CM_ BO_ " + std::to_string(m % 2048) + " \"Status of unit " + std::to_string(m) + "\";\n";
    text += "BA_DEF_ BO_ \"GenMsgCycleTime\" INT 0 10000;\nBA_DEF_DEF_ \"GenMsgCycleTime\" 100;\n";
    return text;
}

// A generated file, in a folder of its own removed when the program ends.
struct GeneratedFile {
    fs::path dir;
    fs::path path;
    GeneratedFile(const std::string& name, const std::string& text)
        : dir(fs::temp_directory_path() / ("cravent-bench-dbc-" + name + "-" + std::to_string(::getpid())))
        , path(dir / (name + ".dbc"))
    {
        fs::create_directories(dir);
        std::ofstream(path, std::ios::binary) << text;
    }
    ~GeneratedFile()
    {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
};

const fs::path& databaseFile()
{
    static const GeneratedFile file("vehicle", generatedDatabase());
    return file.path;
}

constexpr int ListNodes = 1000;
constexpr int ListLength = 100000;

// Long lists, the shape that once made reading quadratic: 1,000 nodes named in a BU_ of 100,000
// names over indented lines, a signal with 100,000 receivers, and a BO_TX_BU_ of 100,000
// senders, each list cycling through the nodes.
std::string longListsDatabase()
{
    const auto nodeName = [](int i) { return "Node" + std::to_string(i % ListNodes); };
    std::string text = "VERSION \"lists\"\n\nBS_:\n\nBU_:";
    for (int i = 0; i < ListLength; ++i)
        text += (i % 10 == 0 ? "\n    " : " ") + nodeName(i);
    text += "\n\nBO_ 100 Broadcast: 8 Node0\n SG_ Everyone : 0|8@1+ (1,0) [0|255] \"\" ";
    for (int i = 0; i < ListLength; ++i)
        text += (i ? "," : "") + nodeName(i + 1);
    text += "\n\nBO_TX_BU_ 100 : ";
    for (int i = 0; i < ListLength; ++i)
        text += (i ? "," : "") + nodeName(i + 2);
    text += ";\n";
    return text;
}

const fs::path& listsFile()
{
    static const GeneratedFile file("lists", longListsDatabase());
    return file.path;
}

void BM_ReadDbcFile(benchmark::State& state)
{
    for (auto _ : state) {
        const cravent::dbc::Database db = cravent::dbc::readDbcFile(databaseFile());
        if (db.messages.size() != Messages || db.warningCount != 0)
            state.SkipWithError("the generated database was not read whole");
        benchmark::DoNotOptimize(db.messages.data());
    }
    state.counters["bytes"] = static_cast<double>(fs::file_size(databaseFile()));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(fs::file_size(databaseFile())));
}
BENCHMARK(BM_ReadDbcFile)->Unit(benchmark::kMillisecond);

// The whole import the CLI runs after reading: the receive frames and map of one node.
void BM_ReadAndProposeMap(benchmark::State& state)
{
    for (auto _ : state) {
        const cravent::dbc::Database db = cravent::dbc::readDbcFile(databaseFile());
        std::vector<cravent::frames::TClPdo> list;
        for (const auto* m : cravent::dbc::selectMessages(db, cravent::Direction::Receive, std::string("Gateway")))
            if (list.size() < 250)
                list.emplace_back(cravent::dbc::cobIdText(m->id), static_cast<int>(list.size()) + 1);
        const auto proposal = cravent::dbc::importMap(db, cravent::Direction::Receive, std::string("Gateway"),
                                                      list, cravent::frames::CanType::B, 0);
        benchmark::DoNotOptimize(proposal.registers);
    }
}
BENCHMARK(BM_ReadAndProposeMap)->Unit(benchmark::kMillisecond);

void BM_ReadLongLists(benchmark::State& state)
{
    for (auto _ : state) {
        const cravent::dbc::Database db = cravent::dbc::readDbcFile(listsFile());
        if (db.nodes.size() != ListNodes || db.messages.size() != 1 ||
            db.messages[0].signalList[0].receivers.size() != ListNodes ||
            db.messages[0].otherTransmitters.size() != ListNodes - 1 || db.warningCount != 0)
            state.SkipWithError("the long lists were not read whole");
        benchmark::DoNotOptimize(db.messages.data());
    }
    state.counters["bytes"] = static_cast<double>(fs::file_size(listsFile()));
}
BENCHMARK(BM_ReadLongLists)->Unit(benchmark::kMillisecond);

// canconvert of a file to JSON, started as a process; `peer_cpu_ms` is its own processor time.
void runCanconvert(benchmark::State& state, const fs::path& file)
{
    std::string in = file.string();
    std::string out = (file.parent_path() / "out.json").string();
    std::string program = "canconvert";
    std::string silent = "-s";
    std::vector<char*> argv = {program.data(), silent.data(), in.data(), out.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    // The peer's own processor time, as the benchmark's CPU column holds only ours: on a loaded
    // machine the wall-clock ratio says more about the scheduler than about the readers.
    double childSeconds = 0;
    for (auto _ : state) {
        pid_t pid = 0;
        if (::posix_spawnp(&pid, "canconvert", &actions, nullptr, argv.data(), environ) != 0) {
            state.SkipWithError("cannot start canconvert (Debian canmatrix-utils)");
            break;
        }
        int status = 0;
        struct rusage usage {};
        ::wait4(pid, &status, 0, &usage);
        childSeconds += static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                        static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || !fs::exists(out)) {
            state.SkipWithError("canconvert failed");
            break;
        }
    }
    posix_spawn_file_actions_destroy(&actions);
    state.counters["peer_cpu_ms"] = 1000 * childSeconds / static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
}

void BM_PeerCanconvertToJson(benchmark::State& state)
{
    runCanconvert(state, databaseFile());
}
BENCHMARK(BM_PeerCanconvertToJson)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_PeerCanconvertLongLists(benchmark::State& state)
{
    runCanconvert(state, listsFile());
}
BENCHMARK(BM_PeerCanconvertLongLists)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();

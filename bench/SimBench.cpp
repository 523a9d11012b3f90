// cravent-sim against its limit: the request rate of one Modbus TCP client reading 100
// registers per request from cravent-sim and from a bare libmodbus server that answers from a
// constant table, in the same run; and the rate at which candump lines on standard input reach
// the registers. Usage: bench_sim PATH_TO_CRAVENT_SIM [SECONDS]
#include "support/BareModbusServer.h"
#include "support/FreePort.h"
#include "support/TempDir.h"

#include <modbus/modbus.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

bool connectWithRetry(modbus_t* context)
{
    for (int i = 0; i < 100; ++i) {
        if (modbus_connect(context) == 0)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

// Requests per second of one client reading registers 0..99 over and over.
double requestRate(int port, double seconds)
{
    modbus_t* context = modbus_new_tcp("127.0.0.1", port);
    if (!connectWithRetry(context)) {
        std::fprintf(stderr, "bench_sim: no server on port %d\n", port);
        std::exit(1);
    }
    std::uint16_t values[100];
    long requests = 0;
    const auto start = Clock::now();
    const auto end = start + std::chrono::duration<double>(seconds);
    while (Clock::now() < end) {
        if (modbus_read_registers(context, 0, 100, values) != 100) {
            std::fprintf(stderr, "bench_sim: read failed: %s\n", modbus_strerror(errno));
            std::exit(1);
        }
        ++requests;
    }
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    modbus_close(context);
    modbus_free(context);
    return static_cast<double>(requests) / elapsed;
}

pid_t spawn(const std::string& command)
{
    const pid_t pid = fork();
    if (pid == 0) {
        execl("/bin/sh", "sh", "-c", ("exec " + command).c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

void writeProject(const std::filesystem::path& dir)
{
    using cravent::test::writeText;
    writeText(dir / "pargen.xml",
              "<GeneralParameter><BaudRateCAN>6</BaudRateCAN><CANType>0</CANType><ADD_IP IPB1=\"127\" "
              "IPB2=\"0\" IPB3=\"0\" IPB4=\"1\"/><SUBNET SMB1=\"255\" SMB2=\"0\" SMB3=\"0\" SMB4=\"0\"/>"
              "<Port>502</Port></GeneralParameter>");
    std::string frames = "<COBID>";
    std::string map = "<RInfoCob>";
    for (int i = 0; i < 250; ++i) {
        frames += "<row CobID=\"" + std::to_string(0x100 + i) + "\" Dimensin=\"8\" Mnemonic=\"\"/>";
        for (int k = 0; k < 4; ++k)
            map += "<row Index=\"" + std::to_string(i * 4 + k) + "\" NrPdo=\"" + std::to_string(i + 1) +
                   "\" PosComp=\"" + std::to_string(16 * (2 * k + 1) + 2 * k + 2) + "\"/>";
    }
    writeText(dir / "RCobDef.xml", frames + "</COBID>");
    writeText(dir / "RInfoCob.xml", map + "</RInfoCob>");
}

double runSeconds(const std::string& command)
{
    const auto start = Clock::now();
    const pid_t pid = spawn(command);
    int status = 0;
    waitpid(pid, &status, 0);
    return std::chrono::duration<double>(Clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "Usage: bench_sim PATH_TO_CRAVENT_SIM [SECONDS]\n");
        return 2;
    }
    const std::string sim = argv[1];
    const double seconds = argc > 2 ? std::atof(argv[2]) : 3.0;
    cravent::test::TempDir dir;
    writeProject(dir / "P");

    const int barePort = cravent::test::freeLoopbackPort();
    const pid_t bare = fork();
    if (bare == 0)
        cravent::test::bareModbusServer(barePort);
    const double bareRate = requestRate(barePort, seconds);
    kill(bare, SIGKILL);
    waitpid(bare, nullptr, 0);

    const int simPort = cravent::test::freeLoopbackPort();
    const pid_t simulator = spawn(sim + " " + (dir / "P").string() + " --port " +
                                  std::to_string(simPort) + " </dev/null 2>/dev/null");
    const double simRate = requestRate(simPort, seconds);
    kill(simulator, SIGTERM);
    waitpid(simulator, nullptr, 0);

    std::printf("register reads, 100 registers per request, one client on loopback:\n");
    std::printf("  bare libmodbus server   %9.0f requests/s\n", bareRate);
    std::printf("  cravent-sim             %9.0f requests/s  (%.2fx the bare server)\n", simRate,
                simRate / bareRate);

    // CAN in: 100 000 lines through standard input until the input ends.
    constexpr int Lines = 100000;
    std::string lines;
    for (int i = 0; i < Lines; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "(1702305120.%06d) can0 %03X#%02X%02X%02X%02X%02X%02X%02X%02X\n",
                      i % 1000000, 0x100 + i % 250, i & 0xFF, 1, 2, 3, 4, 5, 6, 7);
        lines += line;
    }
    cravent::test::writeText(dir / "lines.log", lines);
    cravent::test::writeText(dir / "empty.log", "");
    const std::string base = sim + " " + (dir / "P").string() + " --exit-at-end --port ";
    double startUp = 1e9, whole = 1e9;
    for (int round = 0; round < 3; ++round) {
        startUp = std::min(startUp, runSeconds(base + std::to_string(cravent::test::freeLoopbackPort()) + " <" +
                                               (dir / "empty.log").string() + " 2>/dev/null"));
        whole = std::min(whole, runSeconds(base + std::to_string(cravent::test::freeLoopbackPort()) + " <" +
                                           (dir / "lines.log").string() + " 2>/dev/null"));
    }
    std::printf("CAN in, %d candump lines on standard input (best of 3):\n", Lines);
    std::printf("  start and stop alone    %9.1f ms\n", startUp * 1000);
    std::printf("  with the lines          %9.1f ms  -> %.0f frames/s\n", whole * 1000,
                Lines / (whole - startUp));
    return 0;
}

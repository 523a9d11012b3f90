// cravent-sim against its limit: the request rate and latency of one Modbus TCP client reading
// 100 registers per request from cravent-sim and from a bare libmodbus server that answers from a
// constant table, in the same run; the same client's latency while other clients attack the
// simulator (one never reads its answers, one sends a byte every 0.4 s, 300 connect and say
// nothing); and the rate at which candump lines on standard input reach the registers.
// Usage: bench_sim PATH_TO_CRAVENT_SIM [SECONDS]
#include "support/BareModbusServer.h"
#include "support/FreePort.h"
#include "support/TempDir.h"

#include <modbus/modbus.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
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

struct Figures {
    double rate = 0;          // requests per second
    double medianUs = 0;      // latency of one request
    double p99Us = 0;
    double worstUs = 0;
};

// One client reading registers 0..99 over and over for `seconds`.
Figures readFor(int port, double seconds)
{
    modbus_t* context = modbus_new_tcp("127.0.0.1", port);
    if (!connectWithRetry(context)) {
        std::fprintf(stderr, "bench_sim: no server on port %d\n", port);
        std::exit(1);
    }
    std::uint16_t values[100];
    std::vector<double> latencies;
    latencies.reserve(1 << 20);
    const auto start = Clock::now();
    const auto end = start + std::chrono::duration<double>(seconds);
    for (auto now = start; now < end;) {
        if (modbus_read_registers(context, 0, 100, values) != 100) {
            std::fprintf(stderr, "bench_sim: read failed: %s\n", modbus_strerror(errno));
            std::exit(1);
        }
        const auto done = Clock::now();
        latencies.push_back(std::chrono::duration<double, std::micro>(done - now).count());
        now = done;
    }
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    modbus_close(context);
    modbus_free(context);
    std::sort(latencies.begin(), latencies.end());
    Figures figures;
    figures.rate = static_cast<double>(latencies.size()) / elapsed;
    figures.medianUs = latencies[latencies.size() / 2];
    figures.p99Us = latencies[latencies.size() * 99 / 100];
    figures.worstUs = latencies.back();
    return figures;
}

int connectTo(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// A read of 125 registers in the MBAP form.
std::vector<std::uint8_t> readRequest()
{
    return {0, 1, 0, 0, 0, 6, 1, 3, 0, 0, 0, 125};
}

// Sends requests as fast as the server takes them and never reads an answer; connects again
// when dropped.
void stalledClient(int port, const std::atomic<bool>& stop, std::atomic<int>& drops)
{
    std::vector<std::uint8_t> batch;
    for (int i = 0; i < 1000; ++i) {
        const auto one = readRequest();
        batch.insert(batch.end(), one.begin(), one.end());
    }
    while (!stop) {
        const int fd = connectTo(port);
        if (fd < 0)
            continue;
        while (!stop) {
            pollfd wait{fd, POLLOUT, 0};
            if (::poll(&wait, 1, 100) <= 0)
                continue;
            if (::send(fd, batch.data(), batch.size(), MSG_NOSIGNAL | MSG_DONTWAIT) < 0 && errno != EAGAIN) {
                ++drops;
                break;
            }
        }
        ::close(fd);
    }
}

// Sends a request a byte every 0.4 s; connects again when dropped.
void slowClient(int port, const std::atomic<bool>& stop, std::atomic<int>& drops)
{
    while (!stop) {
        const int fd = connectTo(port);
        if (fd < 0)
            continue;
        for (std::size_t i = 0; !stop; i = (i + 1) % 12) {
            const std::uint8_t byte = readRequest()[i];
            if (::send(fd, &byte, 1, MSG_NOSIGNAL) != 1) {
                ++drops;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(400));
        }
        ::close(fd);
    }
}

// User and system time of a process, in seconds.
double cpuSeconds(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::size_t at = text.rfind(')');
    // Fields after the name: state is the 3rd field overall, utime the 14th, stime the 15th.
    std::vector<std::string> fields;
    std::string field;
    for (std::size_t i = at + 2; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == ' ') {
            fields.push_back(field);
            field.clear();
        } else {
            field += text[i];
        }
    }
    if (fields.size() < 13)
        return 0;
    const double ticks = static_cast<double>(::sysconf(_SC_CLK_TCK));
    return (std::stod(fields[11]) + std::stod(fields[12])) / ticks;
}

void printFigures(const char* what, const Figures& figures)
{
    std::printf("  %-34s %9.0f requests/s, latency median %7.1f us, 99%% %8.1f us, worst %9.1f us\n", what,
                figures.rate, figures.medianUs, figures.p99Us, figures.worstUs);
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
    const Figures bareFigures = readFor(barePort, seconds);
    kill(bare, SIGKILL);
    waitpid(bare, nullptr, 0);

    const int simPort = cravent::test::freeLoopbackPort();
    const pid_t simulator = spawn(sim + " " + (dir / "P").string() + " --port " +
                                  std::to_string(simPort) + " </dev/null 2>/dev/null");
    const Figures quiet = readFor(simPort, seconds);

    // The same reader beside three kinds of hostile client.
    std::atomic<bool> stop = false;
    std::atomic<int> stalledDrops = 0, slowDrops = 0;
    std::thread stalled(stalledClient, simPort, std::cref(stop), std::ref(stalledDrops));
    std::thread slow(slowClient, simPort, std::cref(stop), std::ref(slowDrops));
    std::vector<int> idle;
    for (int i = 0; i < 300; ++i)
        idle.push_back(connectTo(simPort));
    const double cpuBefore = cpuSeconds(simulator);
    const Figures hostile = readFor(simPort, seconds);
    const double cpuUsed = cpuSeconds(simulator) - cpuBefore;
    stop = true;
    stalled.join();
    slow.join();
    // With only the idle connections left the simulator waits without using the processor.
    const double idleBefore = cpuSeconds(simulator);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const double idleCpu = cpuSeconds(simulator) - idleBefore;
    for (const int fd : idle)
        if (fd >= 0)
            ::close(fd);
    kill(simulator, SIGTERM);
    waitpid(simulator, nullptr, 0);

    std::printf("register reads, 100 registers per request, one client on loopback:\n");
    printFigures("bare libmodbus server", bareFigures);
    printFigures("cravent-sim", quiet);
    std::printf("  %-34s %9.2fx the bare server's rate\n", "", quiet.rate / bareFigures.rate);
    printFigures("cravent-sim beside hostile clients", hostile);
    std::printf("  (one never reading: dropped %d times; one sending a byte every 0.4 s: dropped %d times;\n"
                "   300 idle connections; the simulator used %.2f s of CPU in those %.1f s)\n",
                stalledDrops.load(), slowDrops.load(), cpuUsed, seconds);
    std::printf("  300 idle connections alone: the simulator used %.3f s of CPU in 1 s\n", idleCpu);

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

// Reading signals by value against reading their registers alone: 2,700 signals of 225 frames
// (flags, odd-length fields, Motorola words, 24-bit values) laid out by the planner in 1,125
// registers, read over Modbus TCP from a bare libmodbus server on loopback. The read plan reads
// each register once, so reading the signals must cost little more than the registers.
#include "core/modbus/RegisterReader.h"
#include "core/signals/LayoutPlanner.h"
#include "core/signals/RegisterPlans.h"
#include "core/signals/MakeSignal.h"
#include "support/BareModbusServer.h"
#include "support/FreePort.h"

#include <benchmark/benchmark.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include <sys/wait.h>
#include <unistd.h>

using namespace cravent;
using namespace cravent::signals;

namespace {

Signal signal(std::uint32_t cobId, std::string name, unsigned start, unsigned length,
              ByteOrder order = ByteOrder::Intel)
{
    Signal s = test::makeSignal(cobId, std::move(name), start, length, order);
    s.factor = 0.1;
    s.offset = -40;
    return s;
}

struct Setup {
    SignalSet set;
    std::array<DirectionLayout, 2> layouts;
    std::unique_ptr<ReadPlan> plan;
    pid_t server = 0;
    int port = 0;

    Setup()
    {
        layouts[0].direction = Direction::Receive;
        layouts[1].direction = Direction::Transmit;
        auto& list = set.of(Direction::Receive);
        for (std::uint32_t f = 0; f < 225; ++f) {
            const std::uint32_t cobId = 0x100 + f;
            layouts[0].frames.push_back({cobId, static_cast<int>(f + 1), 8});
            for (unsigned bit = 0; bit < 8; ++bit)
                list.push_back(signal(cobId, "Flag" + std::to_string(bit), bit, 1));
            list.push_back(signal(cobId, "Twelve", 8, 12));
            list.push_back(signal(cobId, "Nibble", 20, 4));
            list.push_back(signal(cobId, "Word", 31, 16, ByteOrder::Motorola));
            list.push_back(signal(cobId, "Wide", 40, 24));
        }
        const LayoutPlan planned = planLayout(list, layouts, Direction::Receive);
        if (!planned.leftOut.empty()) {
            std::fprintf(stderr, "bench_signals: %zu signals not carried\n", planned.leftOut.size());
            std::exit(1);
        }
        for (const PlannedRow& row : planned.rows)
            layouts[0].registers.push_back({row.index, row.frame, row.choices.high, row.choices.low});
        plan = std::make_unique<ReadPlan>(set, recipesOf(set, layouts));

        port = test::freeLoopbackPort();
        server = fork();
        if (server == 0)
            test::bareModbusServer(port);
    }
    ~Setup()
    {
        kill(server, SIGKILL);
        waitpid(server, nullptr, 0);
    }
};

Setup& setup()
{
    static Setup s;
    return s;
}

modbus::RegisterReader connect()
{
    for (int attempt = 0;; ++attempt) {
        try {
            return modbus::RegisterReader("127.0.0.1", setup().port, std::chrono::milliseconds(2000));
        } catch (const std::exception&) {
            if (attempt == 100)
                throw;
            usleep(50000);
        }
    }
}

// The peer: the registers alone, as `read` without signals reads them.
void BM_ReadRegisters(benchmark::State& state)
{
    auto reader = connect();
    const auto& registers = setup().plan->registers();
    for (auto _ : state)
        benchmark::DoNotOptimize(reader.read(registers));
    state.counters["registers"] = static_cast<double>(registers.size());
}
BENCHMARK(BM_ReadRegisters)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same read, then every signal's raw and physical value and multiplexing.
void BM_ReadAndDecodeSignals(benchmark::State& state)
{
    auto reader = connect();
    const ReadPlan& plan = *setup().plan;
    std::vector<SignalReading> readings;
    for (auto _ : state) {
        const auto values = reader.read(plan.registers());
        plan.decode(values, readings);
        benchmark::DoNotOptimize(readings.data());
    }
    state.counters["signals"] = static_cast<double>(readings.size());
}
BENCHMARK(BM_ReadAndDecodeSignals)->Unit(benchmark::kMillisecond)->UseRealTime();

// Decoding alone, from values already read.
void BM_DecodeSignals(benchmark::State& state)
{
    const ReadPlan& plan = *setup().plan;
    const std::vector<std::uint16_t> values(plan.registers().size(), 0x1234);
    std::vector<SignalReading> readings;
    for (auto _ : state) {
        plan.decode(values, readings);
        benchmark::DoNotOptimize(readings.data());
    }
}
BENCHMARK(BM_DecodeSignals)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();

#include "FuzzCheck.h"
#include "core/sim/CanFrame.h"
#include "core/sim/GatewayModel.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

using namespace cravent;

// A 2.0A gateway receiving 0x181 (8 bytes) into registers 1 and 2, and 0x7FF (2 bytes) into
// register 3, as its image would say.
sim::GatewayModel& model()
{
    static std::array<std::uint8_t, image::BankSize> bank1 = [] {
        std::array<std::uint8_t, image::BankSize> bank{};
        for (std::size_t i = 0; i < image::RxIndexTable.size; ++i)
            bank[image::RxIndexTable.offset + i] = 0xFF;
        const auto index = [&](std::uint32_t id, std::uint8_t position) {
            bank[image::RxIndexTable.offset + 2 * id] = position;
            bank[image::RxIndexTable.offset + 2 * id + 1] = 0;
            bank[image::RxPresenceMap.offset + id / 8] |= static_cast<std::uint8_t>(1u << (id % 8));
        };
        index(0x181, 0);
        index(0x7FF, 1);
        return bank;
    }();
    static sim::GatewayModel gateway = [] {
        image::DeviceConfiguration config;
        config.hasSettings = true;
        config.rxFrames = {{0x181, 8}, {0x7FF, 2}};
        config.rxRegisters = {{1, 1, 0x12}, {2, 1, 0x9F}, {3, 2, 0x87}};
        return sim::GatewayModel(config, bank1);
    }();
    return gateway;
}

} // namespace

// Every line either is refused with a reason or reads as a frame that candump's form writes
// back as the same frame; a frame reaches only the registers its frame number maps.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    std::string why;
    const auto frame = sim::parseCandumpLine(line, &why);
    if (!frame) {
        FUZZ_CHECK(!why.empty());
        return 0;
    }
    FUZZ_CHECK(frame->length <= 8);
    FUZZ_CHECK(frame->id <= 0x1FFFFFFF);
    sim::CanFrame shown = *frame;
    for (std::size_t i = shown.length; i < shown.data.size(); ++i)
        shown.data[i] = 0;
    FUZZ_CHECK(sim::parseCandumpLine(sim::candumpLine(shown, 1.5, "can0")) == shown);

    sim::GatewayModel& gateway = model();
    const auto before = gateway.registers()[0];
    const bool known = gateway.receive(*frame);
    FUZZ_CHECK(known == (!frame->extended && (frame->id == 0x181 || frame->id == 0x7FF)));
    FUZZ_CHECK(gateway.registers()[0] == before);
    FUZZ_CHECK(gateway.registers()[4] == 0);
    return 0;
}

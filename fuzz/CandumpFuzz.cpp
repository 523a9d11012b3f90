#include "FuzzCheck.h"
#include "core/sim/CanFrame.h"
#include "core/sim/GatewayModel.h"
#include "core/sim/LineSplitter.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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

// The input cut into lines by the splitter, arriving in pieces whose sizes the input's own
// bytes choose, must be the input cut at its newlines, each part longer than the limit reported
// as too long and never seen as text.
void checkLines(std::string_view input)
{
    constexpr std::size_t Limit = 64;
    std::vector<sim::LineSplitter::Line> got;
    sim::LineSplitter splitter(Limit);
    for (std::size_t at = 0; at < input.size();) {
        const std::size_t piece = 1 + static_cast<unsigned char>(input[at]) % 97;
        auto lines = splitter.feed(input.substr(at, piece));
        got.insert(got.end(), lines.begin(), lines.end());
        at += piece;
    }
    auto last = splitter.finish();
    got.insert(got.end(), last.begin(), last.end());

    std::vector<std::string_view> parts;
    for (std::size_t start = 0; start < input.size();) {
        const std::size_t newline = input.find('\n', start);
        if (newline == std::string_view::npos) {
            parts.push_back(input.substr(start));
            break;
        }
        parts.push_back(input.substr(start, newline - start));
        start = newline + 1;
    }
    FUZZ_CHECK(got.size() == parts.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        FUZZ_CHECK(got[i].number == i + 1);
        FUZZ_CHECK(got[i].tooLong == (parts[i].size() > Limit));
        FUZZ_CHECK(got[i].text == (got[i].tooLong ? std::string_view() : parts[i]));
    }
}

} // namespace

// Every line either is refused with a reason or reads as a frame that candump's form writes
// back as the same frame; a frame reaches only the registers its frame number maps.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    checkLines(line);
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

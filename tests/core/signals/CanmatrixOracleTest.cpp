// canmatrix, an independent DBC decoder, against the whole path a value takes here: the planner
// lays out registers for every signal of two real databases, a gateway fills them from random
// payloads byte by byte, and the read plan decodes them. Every raw value, physical value and
// multiplexed signal's `active` must be what canmatrix decoded from the same payload (the table
// is made by tests/fixtures/signals/make_canmatrix_table.py).

#include "core/signals/LayoutPlanner.h"
#include "core/signals/RegisterPlans.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <sstream>

using namespace cravent;
using namespace cravent::signals;

namespace {

struct Row {
    std::string message;
    std::string signal;
    std::vector<std::uint8_t> payload;
    std::string raw;
    double physical = 0;
    bool active = true;
};

std::vector<std::string> split(const std::string& line)
{
    std::vector<std::string> fields;
    std::istringstream in(line);
    for (std::string field; std::getline(in, field, '\t');)
        fields.push_back(field);
    return fields;
}

std::vector<std::uint8_t> hexBytes(const std::string& hex)
{
    std::vector<std::uint8_t> data;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        data.push_back(static_cast<std::uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    return data;
}

// What a gateway does with a received frame: each mapped register takes two whole data bytes;
// a byte beyond the frame's length reads 0.
std::uint16_t registerValue(const MapRegister& reg, const std::vector<std::uint8_t>& data)
{
    const auto byte = [&](int code) -> unsigned {
        return code >= 1 && static_cast<std::size_t>(code) <= data.size() ? data[static_cast<std::size_t>(code - 1)] : 0u;
    };
    return static_cast<std::uint16_t>(byte(reg.high) << 8 | byte(reg.low));
}

} // namespace

TEST(CanmatrixOracle, PlannedRegistersDecodeAsCanmatrixDecodesTheSamePayloads)
{
    std::ifstream in(std::string(CRAVENT_FIXTURES) + "/signals/canmatrix_decoding.txt");
    ASSERT_TRUE(in) << "fixture missing";

    SignalSet set;
    auto& list = set.of(Direction::Receive);
    std::map<std::pair<std::string, std::string>, std::size_t> position; // (message, signal)
    std::map<std::string, std::uint32_t> cobIdOf;
    std::map<std::string, std::size_t> lengthOf;
    std::vector<Row> rows;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        const auto f = split(line);
        ASSERT_EQ(f.size(), 13u) << line;
        Row row{f[0], f[1], hexBytes(f[9]), f[10], std::stod(f[11]), f[12] == "1"};
        if (!cobIdOf.count(row.message)) {
            cobIdOf[row.message] = static_cast<std::uint32_t>(cobIdOf.size() + 1);
            lengthOf[row.message] = row.payload.size();
        }
        if (!position.count({row.message, row.signal})) {
            Signal s;
            s.cobId = cobIdOf[row.message];
            s.message = row.message;
            s.name = row.signal;
            s.startBit = static_cast<unsigned>(std::stoul(f[2]));
            s.length = static_cast<unsigned>(std::stoul(f[3]));
            s.byteOrder = f[4] == "I" ? ByteOrder::Intel : ByteOrder::Motorola;
            s.valueType = f[5] == "S" ? ValueType::Signed
                          : f[5] == "F" ? (s.length == 32 ? ValueType::Float32 : ValueType::Float64)
                                        : ValueType::Unsigned;
            s.factor = std::stod(f[6]);
            s.offset = std::stod(f[7]);
            s.multiplexor = f[8] == "M";
            if (f[8][0] == 'm')
                s.multiplexValue = std::stoull(f[8].substr(1));
            ASSERT_FALSE(signalFault(s)) << line << ": " << *signalFault(s);
            position[{row.message, row.signal}] = list.size();
            list.push_back(std::move(s));
        }
        rows.push_back(std::move(row));
    }
    ASSERT_GT(rows.size(), 3000u);

    std::array<DirectionLayout, 2> layouts;
    layouts[0].direction = Direction::Receive;
    layouts[1].direction = Direction::Transmit;
    for (const auto& [message, cobId] : cobIdOf)
        layouts[0].frames.push_back({cobId, static_cast<int>(cobId), static_cast<int>(lengthOf[message])});
    const LayoutPlan plan = planLayout(list, layouts, Direction::Receive);
    for (const LeftOutSignal& left : plan.leftOut)
        ADD_FAILURE() << list[left.signal].fullName() << " left out: " << left.reason;
    for (const PlannedRow& row : plan.rows)
        layouts[0].registers.push_back({row.index, row.frame, row.choices.high, row.choices.low});

    const RecipeSet recipes = recipesOf(set, layouts);
    const ReadPlan reading(set, recipes);
    std::vector<std::uint16_t> table(65536, 0);
    std::vector<std::uint16_t> values(reading.registers().size());
    std::vector<SignalReading> readings;
    std::size_t compared = 0;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const Row& row = rows[r];
        // A frame arrives: its registers change, the others keep what earlier frames left.
        if (r == 0 || rows[r - 1].message != row.message || rows[r - 1].payload != row.payload) {
            for (const MapRegister& reg : layouts[0].registers)
                if (reg.frame == static_cast<int>(cobIdOf[row.message]))
                    table[reg.index] = registerValue(reg, row.payload);
            for (std::size_t k = 0; k < values.size(); ++k)
                values[k] = table[reading.registers()[k]];
            reading.decode(values, readings);
        }
        const std::size_t at = position[{row.message, row.signal}];
        SCOPED_TRACE(row.message + "." + row.signal + " payload " + std::to_string(r));
        const SignalReading& got = readings[at];
        ASSERT_TRUE(got.carried);
        const SignalCodec& codec = reading.codec(got.signal);
        if (std::isnan(row.physical)) { // a float payload that is no number: both must say so
            EXPECT_TRUE(std::isnan(got.physical));
        } else {
            if (codec.signal().isFloat())
                EXPECT_EQ(codec.rawNumber(got.bits), std::stod(row.raw));
            else
                EXPECT_EQ(codec.rawText(got.bits), row.raw);
            EXPECT_NEAR(got.physical, row.physical, 1e-9 * std::max(1.0, std::fabs(row.physical)));
        }
        EXPECT_EQ(got.active, row.active);
        ++compared;
    }
    EXPECT_EQ(compared, rows.size());
}

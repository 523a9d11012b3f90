#include "FuzzCheck.h"
#include "core/common/Error.h"
#include "core/common/IntegerText.h"
#include "core/dbc/DbcFile.h"
#include "core/dbc/DbcImport.h"
#include "core/frames/ByteSelection.h"
#include "core/frames/FrameList.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

using namespace cravent;
using namespace cravent::dbc;

namespace {

// Every register proposed names data bytes of an 8-byte frame, and the byte pair of a 16-bit
// register is two neighbours.
void checkProposal(const MapImport& proposal, std::size_t frames)
{
    FUZZ_CHECK(proposal.entries.size() == frames);
    std::size_t registers = 0;
    for (const auto& entries : proposal.entries) {
        for (const frames::TClIndMB& entry : entries) {
            const auto index = parseIntegerText(entry.index);
            const auto posComp = parseIntegerText(entry.posComp);
            FUZZ_CHECK(index && *index >= proposal.firstRegister && *index <= 65535);
            FUZZ_CHECK(posComp && *posComp >= 1 && *posComp <= 0x88);
            const int high = *posComp >> 4;
            const int low = *posComp & 15;
            FUZZ_CHECK(low >= 1 && low <= 8 && high <= 8);
            FUZZ_CHECK(high == 0 || high == low + 1 || high + 1 == low);
            ++registers;
        }
    }
    FUZZ_CHECK(registers == proposal.registers);
}

} // namespace

// Any bytes as a CAN database, read and then imported as frames and as a map in both
// directions, with and without the first node.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const Database db = parseDbc(bytes);
    FUZZ_CHECK(db.warnings.size() <= MaxWarnings);
    FUZZ_CHECK(db.warningCount >= db.warnings.size());
    // LF, CR LF and a lone CR each end a line.
    std::size_t lines = 1;
    for (std::size_t i = 0; i < size; ++i)
        lines += bytes[i] == '\n' || (bytes[i] == '\r' && (i + 1 == size || bytes[i + 1] != '\n'));
    for (const Warning& w : db.warnings) {
        FUZZ_CHECK(w.line >= 1 && w.line <= lines);
        FUZZ_CHECK(w.column >= 1 && w.column <= size + 1);
        FUZZ_CHECK(!w.text.empty());
    }
    for (const Message& m : db.messages) {
        FUZZ_CHECK(!m.name.empty());
        FUZZ_CHECK(m.id <= 0x7FFFFFFFu);
        for (const Signal& s : m.signalList) {
            FUZZ_CHECK(s.length >= 1 && s.length <= 14280 && !s.name.empty());
            FUZZ_CHECK(s.valueType == ValueType::Integer || s.length == (s.valueType == ValueType::Float32 ? 32u : 64u));
            for (std::size_t i = 1; i < s.valueNames.size(); ++i)
                FUZZ_CHECK(s.valueNames[i - 1].raw < s.valueNames[i].raw);
        }
    }

    std::vector<std::optional<std::string>> nodes{std::nullopt};
    if (!db.nodes.empty())
        nodes.push_back(db.nodes.front());
    for (const Direction direction : {Direction::Receive, Direction::Transmit}) {
        for (const auto& node : nodes) {
            for (const frames::CanType canType : {frames::CanType::A, frames::CanType::B}) {
                std::vector<frames::TClPdo> list;
                try {
                    const FrameImport imported = importFrames(db, direction, node, canType);
                    FUZZ_CHECK(imported.frames.size() <= project::MaxFrames);
                    // Every message is taken, beyond the 250, or left out with its reason; what
                    // is taken passes the frame list's own check.
                    FUZZ_CHECK(imported.frames.size() + imported.leftOut + imported.misfits.size() ==
                               selectMessages(db, direction, node).size());
                    FUZZ_CHECK(!frames::checkList(imported.frames, canType));
                    for (const project::Frame& frame : imported.frames)
                        list.emplace_back(frame.cobId, static_cast<int>(list.size()) + 1);
                } catch (const Error& error) {
                    FUZZ_CHECK(error.what()[0] != '\0');
                    for (const Message* m : selectMessages(db, direction, node))
                        if (list.size() < project::MaxFrames)
                            list.emplace_back(cobIdText(m->id), static_cast<int>(list.size()) + 1);
                }
                try {
                    checkProposal(importMap(db, direction, node, list, canType, 0), list.size());
                } catch (const Error& error) {
                    FUZZ_CHECK(std::string_view(error.what()).find("65535") != std::string_view::npos);
                }
            }
        }
    }
    return 0;
}

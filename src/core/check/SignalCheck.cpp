#include "core/check/SignalCheck.h"

#include "core/check/DeviceValues.h"
#include "core/signals/DirectionLayout.h"
#include "core/signals/Recipe.h"
#include "core/signals/SignalBits.h"

#include <bit>

namespace cravent::check {

namespace {

using namespace cravent::signals;

std::string bytesText(const std::vector<unsigned>& bits)
{
    std::string text;
    int last = -1;
    for (const unsigned bit : bits) {
        const int byte = static_cast<int>(bit / 8);
        if (byte == last)
            continue;
        text += std::string(text.empty() ? "" : ", ") + byteSourceName(byte + 1);
        last = byte;
    }
    return text;
}

std::vector<unsigned> bitsOf(std::uint64_t mask)
{
    std::vector<unsigned> bits;
    for (unsigned b = 0; b < 64; ++b)
        if ((mask >> b) & 1u)
            bits.push_back(b);
    return bits;
}

std::string frameText(const ListedFrame& frame)
{
    return "frame " + std::to_string(frame.number) + " (COB-ID " + hexText(frame.cobId) + ")";
}

// Multiplexed signals of different multiplexor values never share a frame on the bus.
bool exclusive(const Signal& a, const Signal& b)
{
    return a.multiplexValue && b.multiplexValue && *a.multiplexValue != *b.multiplexValue;
}

} // namespace

void checkSignals(const ProjectSnapshot& project, std::vector<Finding>& findings)
{
    const auto& file = project.signals;
    if (!file.exists)
        return;
    const std::string name = file.name();
    if (file.readError) {
        // A warning, not an error: the build never reads the file, so it must not stop the build.
        findings.push_back({Severity::Warning, "signals-unreadable", name, std::nullopt,
                            *file.readError + ": no signal can be read or written by value until "
                                              "the file is mended"});
        return;
    }
    const signals::StoredFile& stored = *file.stored;
    for (const Direction d : {Direction::Receive, Direction::Transmit}) {
        const auto& list = stored.signals.of(d);
        if (list.empty())
            continue;
        const auto& frameList = project.frames(d);
        const auto& map = project.map(d);
        // A list or map its reader refused says nothing about where a signal lives.
        const bool framesKnown = !frameList.exists || frameList.stored;
        const bool mapKnown = !map.exists || map.stored;
        const DirectionLayout layout =
            layoutOf(d, frameList.stored ? &*frameList.stored : nullptr, map.stored ? &*map.stored : nullptr);
        const RecipeFinder finder(layout);
        const std::string listName = frameList.name();

        std::vector<std::uint64_t> masks;
        masks.reserve(list.size());
        for (std::size_t i = 0; i < list.size(); ++i) {
            const Signal& s = list[i];
            const std::size_t row = stored.row(d, i);
            const std::string signal = "signal " + s.fullName();
            masks.push_back(frameBitMask(s));
            if (!framesKnown)
                continue;
            const ListedFrame* frame = layout.frameOf(s.cobId);
            if (!frame) {
                findings.push_back({Severity::Warning, "signal-frame-missing", name, row,
                                    signal + ": COB-ID " + hexText(s.cobId) + " is in no frame of " +
                                        listName + ": its value reaches no register"});
                continue;
            }
            const BytePlace place = bytePlace(s);
            if (frame->dataLength && *frame->dataLength >= 1 && *frame->dataLength <= 8 &&
                place.highestByte() >= static_cast<unsigned>(*frame->dataLength)) {
                std::vector<unsigned> beyond;
                for (const unsigned bit : frameBits(s))
                    if (bit / 8 >= static_cast<unsigned>(*frame->dataLength))
                        beyond.push_back(bit);
                findings.push_back({Severity::Warning, "signal-beyond-length", name, row,
                                    signal + " reaches bits " + bitRangesText(beyond) + " (" +
                                        bytesText(beyond) + "), but " + frameText(*frame) + " carries " +
                                        std::to_string(*frame->dataLength) + " data byte" +
                                        (*frame->dataLength == 1 ? "" : "s") +
                                        ": the gateway reads 0 there"});
            }
            if (!mapKnown)
                continue;
            const Recipe recipe = finder.recipe(s);
            if (recipe.carried)
                continue;
            if (!recipe.unreachedBits.empty())
                findings.push_back({Severity::Warning, "signal-not-carried", name, row,
                                    signal + " is not carried: bits " + bitRangesText(recipe.unreachedBits) +
                                        " (" + bytesText(recipe.unreachedBits) + ") of " + frameText(*frame) +
                                        " reach no register of " + map.name()});
            else
                findings.push_back({Severity::Warning, "signal-not-carried", name, row,
                                    signal + " is not carried: its bytes reach registers of " +
                                        map.name() + ", but not as consecutive registers that join, "
                                        "most significant word first, into the signal"});
        }

        for (std::size_t i = 0; i < list.size(); ++i) {
            for (std::size_t j = 0; j < i; ++j) {
                if (list[j].cobId != list[i].cobId || exclusive(list[i], list[j]))
                    continue;
                const std::uint64_t shared = masks[i] & masks[j];
                if (!shared)
                    continue;
                findings.push_back({Severity::Warning, "signal-overlap", name, stored.row(d, i),
                                    "signals " + list[j].fullName() + " and " + list[i].fullName() +
                                        " (COB-ID " + hexText(list[i].cobId) + ") share bit" +
                                        (std::popcount(shared) == 1 ? " " : "s ") +
                                        bitRangesText(bitsOf(shared)) +
                                        ": a value written to one changes the other"});
            }
        }
    }
}

} // namespace cravent::check

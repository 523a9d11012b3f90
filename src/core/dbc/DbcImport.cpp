#include "core/dbc/DbcImport.h"

#include "core/common/Error.h"
#include "core/common/IntegerText.h"
#include "core/common/XmlCharacters.h"
#include "core/dbc/MessageFit.h"
#include "core/frames/ByteSelection.h"
#include "core/frames/FrameList.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <limits>
#include <unordered_map>
#include <variant>

namespace cravent::dbc {

namespace {

// The image keeps 16 bits of a register index.
constexpr long MaxRegister = 65535;

bool receives(const Message& m, const std::string& node)
{
    return std::any_of(m.signalList.begin(), m.signalList.end(), [&](const Signal& s) {
        return std::find(s.receivers.begin(), s.receivers.end(), node) != s.receivers.end();
    });
}

std::string messageLabel(const Message& m)
{
    return m.name + " (" + cobIdText(m.id) + (m.extended ? ", 29-bit" : "") + ")";
}

std::string joined(const std::vector<std::string>& items, const char* separator)
{
    std::string out;
    for (const std::string& item : items) {
        if (!out.empty())
            out += separator;
        out += item;
    }
    return out;
}

// The byte selection of a signal, or the reason it is left out.
std::variant<frames::ByteChoices, std::string> placement(const Signal& s, const Message& m)
{
    if (s.multiplexing == Multiplexing::Multiplexed)
        return "multiplexed (m" + std::to_string(s.multiplexValue) +
               "): the frame carries it only with that multiplexor value";
    if (s.length < 8)
        return std::to_string(s.length) + (s.length == 1 ? " bit" : " bits") + ": shorter than a byte";
    if (s.length > 16)
        return std::to_string(s.length) + " bits: longer than one register (16 bits)";
    if (s.length != 8 && s.length != 16)
        return std::to_string(s.length) + " bits: not a whole number of bytes";
    const unsigned bitInByte = s.startBit % 8;
    if (bitInByte != (s.littleEndian ? 0u : 7u))
        return std::string("not byte-aligned (start bit ") + std::to_string(s.startBit) +
               (s.littleEndian ? ", little-endian)" : ", big-endian)");
    const unsigned k = s.startBit / 8;
    const unsigned bytes = s.length / 8;
    const unsigned dataBytes = std::min(m.dlc, 8u);
    if (k + bytes > dataBytes)
        return "lies beyond the " + std::to_string(dataBytes) + " data bytes of the message";
    const int low = static_cast<int>(k) + 1;
    if (bytes == 1)
        return frames::ByteChoices{frames::NoByte, low};
    if (s.littleEndian)
        return frames::ByteChoices{low + 1, low};
    return frames::ByteChoices{low, low + 1};
}

std::string signalNames(const Message& m)
{
    std::vector<std::string> names;
    for (const Signal& s : m.signalList)
        names.push_back(s.name);
    return joined(names, ", ");
}

} // namespace

std::vector<const Message*> selectMessages(const Database& db, Direction direction,
                                           const std::optional<std::string>& node)
{
    if (node && !db.hasNode(*node))
        throw Error("Node \"" + *node + "\" is not among the nodes of the CAN database (" +
                    (db.nodes.empty() ? std::string("it names none") : joined(db.nodes, ", ")) + ")");
    std::vector<const Message*> selected;
    for (const Message& m : db.messages) {
        const bool take = !node ? true
                          : direction == Direction::Transmit
                              ? m.sentBy(*node)
                              : !m.sentBy(*node) && receives(m, *node);
        if (take)
            selected.push_back(&m);
    }
    return selected;
}

std::string cobIdText(std::uint32_t id)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(id));
    return text;
}

FrameImport importFrames(const Database& db, Direction direction,
                         const std::optional<std::string>& node, frames::CanType canType)
{
    const std::vector<const Message*> selected = selectMessages(db, direction, node);
    if (selected.empty()) {
        if (!node)
            throw Error("The CAN database holds no message");
        throw Error("Node \"" + *node + "\" " +
                    (direction == Direction::Transmit ? "transmits no message"
                                                      : "receives no message that it does not transmit"));
    }
    // Messages that cannot be frames of this project are left out, each with its reason; so is
    // a name that no project file can hold.
    FrameImport result;
    std::vector<const Message*> fitting;
    for (const Message* m : selected) {
        if (auto why = misfit(*m, canType)) {
            result.misfits.push_back(std::move(*why));
        } else if (const auto bad = xmlForbiddenCharacterMessage("its name", m->name)) {
            result.misfits.push_back(messageLabel(*m) + ", line " + std::to_string(m->line) + ": " + *bad);
        } else {
            fitting.push_back(m);
        }
    }
    if (fitting.empty())
        throw Error(std::to_string(result.misfits.size()) +
                    (result.misfits.size() == 1 ? " message cannot be a frame" : " messages cannot be frames") +
                    " of this project, so no message was taken:\n  " + joined(result.misfits, "\n  "));
    const std::size_t taken = std::min(fitting.size(), project::MaxFrames);
    result.leftOut = fitting.size() - taken;
    for (std::size_t i = 0; i < taken; ++i)
        result.frames.push_back({cobIdText(fitting[i]->id), std::to_string(fitting[i]->dlc), fitting[i]->name});
    return result;
}

std::string misfitsMessage(const std::vector<std::string>& misfits)
{
    return std::to_string(misfits.size()) +
           (misfits.size() == 1 ? " message does not fit this project and was"
                                : " messages do not fit this project and were") +
           " left out:\n  " + joined(misfits, "\n  ");
}

std::string beyondListMessage(std::size_t leftOut)
{
    return "The frame list holds " + std::to_string(project::MaxFrames) + " frames: the first " +
           std::to_string(project::MaxFrames) +
           " messages of the CAN database that fit it were imported and the " +
           std::to_string(leftOut) +
           (leftOut == 1 ? " message after them was" : " messages after them were") + " left out.";
}

int nextFreeRegister(const std::vector<frames::TClPdo>& frames)
{
    std::optional<std::int32_t> highest;
    for (const frames::TClPdo& frame : frames)
        for (const frames::TClIndMB& entry : frame.entries)
            if (const auto value = parseIntegerText(entry.index); value && (!highest || *value > *highest))
                highest = value;
    if (!highest)
        return 0;
    return *highest < 0 ? 0 : *highest == std::numeric_limits<std::int32_t>::max() ? *highest : *highest + 1;
}

MapImport importMap(const Database& db, Direction direction, const std::optional<std::string>& node,
                    const std::vector<frames::TClPdo>& frames, frames::CanType canType,
                    int firstRegister)
{
    if (firstRegister < 0 || firstRegister > MaxRegister)
        throw Error("The first register " + std::to_string(firstRegister) +
                    " is not a register index (0 to 65535)");
    const std::vector<const Message*> selected = selectMessages(db, direction, node);
    // The first selected message of each identifier value; a 2.0A project has no 29-bit frames.
    std::unordered_map<std::uint32_t, const Message*> byId;
    MapImport result;
    result.firstRegister = firstRegister;
    result.entries.resize(frames.size());
    for (const Message* m : selected) {
        if (m->extended && canType == frames::CanType::A)
            continue;
        if (!byId.emplace(m->id, m).second && !m->signalList.empty())
            result.remarks.push_back("Message " + messageLabel(*m) + " repeats the identifier of " +
                                     byId[m->id]->name + "; its signals " + signalNames(*m) +
                                     " are left out");
    }

    std::unordered_map<std::uint32_t, std::size_t> frameOfId;
    std::vector<const Message*> matched;
    long next = firstRegister;
    for (std::size_t f = 0; f < frames.size(); ++f) {
        const auto value = parseIntegerText(frames[f].cobId);
        if (!value || *value < 0)
            continue;
        const auto id = static_cast<std::uint32_t>(*value);
        const auto found = byId.find(id);
        if (found == byId.end())
            continue;
        if (const auto [it, first] = frameOfId.emplace(id, f); !first) {
            result.remarks.push_back("Frame " + std::to_string(f + 1) + " repeats COB-ID " +
                                     frames[f].cobId + " of frame " + std::to_string(it->second + 1) +
                                     ": the signals of " + found->second->name + " went to frame " +
                                     std::to_string(it->second + 1));
            continue;
        }
        const Message& m = *found->second;
        matched.push_back(&m);
        std::vector<const Signal*> bySignalStart;
        for (const Signal& s : m.signalList)
            bySignalStart.push_back(&s);
        std::stable_sort(bySignalStart.begin(), bySignalStart.end(),
                         [](const Signal* a, const Signal* b) { return a->startBit < b->startBit; });
        for (const Signal* s : bySignalStart) {
            const auto place = placement(*s, m);
            if (const auto* reason = std::get_if<std::string>(&place)) {
                result.leftOut.push_back(m.name + "." + s->name + ": " + *reason);
                continue;
            }
            if (next > MaxRegister)
                throw Error("The registers from " + std::to_string(firstRegister) +
                            " on would pass 65535, the highest register index");
            result.entries[f].emplace_back(std::to_string(next++),
                                           frames::byteSelectionText(std::get<frames::ByteChoices>(place)));
            ++result.registers;
        }
    }

    for (const Message* m : selected) {
        if (std::find(matched.begin(), matched.end(), m) != matched.end())
            continue;
        const bool repeated = !(m->extended && canType == frames::CanType::A) && byId.at(m->id) != m;
        if (repeated)
            continue; // told above
        const std::string reason = m->extended && canType == frames::CanType::A
                                       ? "a 29-bit identifier in a CAN 2.0A project"
                                       : "its message is not in the frame list";
        for (const Signal& s : m->signalList)
            result.leftOut.push_back(m->name + "." + s.name + ": " + reason);
    }
    return result;
}

void applyMap(const MapImport& proposal, std::vector<frames::TClPdo>& frames)
{
    for (std::size_t f = 0; f < frames.size(); ++f)
        frames[f].entries = f < proposal.entries.size() ? proposal.entries[f]
                                                        : std::vector<frames::TClIndMB>{};
}

std::string mapNote(const MapImport& proposal, std::size_t maxLines)
{
    std::string note;
    if (proposal.registers == 0)
        note = "No signal of the CAN database became a register.";
    else
        note = std::to_string(proposal.registers) +
               (proposal.registers == 1 ? " register was" : " registers were") + " proposed, " +
               std::to_string(proposal.firstRegister) + " to " +
               std::to_string(proposal.firstRegister + static_cast<long>(proposal.registers) - 1) + ".";
    std::vector<std::string> lines = proposal.remarks;
    lines.insert(lines.end(), proposal.leftOut.begin(), proposal.leftOut.end());
    if (!proposal.leftOut.empty())
        note += "\n" + std::to_string(proposal.leftOut.size()) +
                (proposal.leftOut.size() == 1 ? " signal was" : " signals were") + " left out:";
    for (std::size_t i = 0; i < lines.size() && i < maxLines; ++i)
        note += "\n  " + lines[i];
    if (lines.size() > maxLines)
        note += "\n  ... and " + std::to_string(lines.size() - maxLines) + " more";
    note += "\nA 32-bit signal can be carried in two registers by hand: add one register for its "
            "low 16 bits and one for its high 16 bits, each taking two of its bytes. Little-endian "
            "from byte k: high Bk+2, low Bk+1, then high Bk+4, low Bk+3. Big-endian with its most "
            "significant bit in byte k: high Bk+3, low Bk+4, then high Bk+1, low Bk+2.";
    return note;
}

bool isDbcFile(const std::filesystem::path& file)
{
    std::string extension = file.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".dbc";
}

std::optional<frames::ImportRefusal> refuseDatabase(const Database& db,
                                                    const std::filesystem::path& file)
{
    if (!db.messages.empty())
        return std::nullopt;
    return frames::ImportRefusal{"no-messages", 0, "\"" + file.string() + "\" holds no CAN message"};
}

frames::FrameListPlan planFrames(const Database& db, const std::filesystem::path& file,
                                 Direction direction, const std::optional<std::string>& node,
                                 frames::CanType canType, const frames::ImportOptions& options)
{
    frames::FrameListPlan plan;
    if ((plan.refusal = refuseDatabase(db, file)))
        return plan;
    FrameImport imported;
    try {
        imported = importFrames(db, direction, node, canType);
    } catch (const Error& error) {
        plan.refusal = frames::ImportRefusal{"messages", 0, error.what()};
        return plan;
    }
    const bool project = options.target == frames::ImportTarget::Project;
    if (project && imported.leftOut > 0 && !options.keepFirst) {
        plan.refusal = frames::ImportRefusal{
            "messages-beyond-list", 0,
            std::to_string(imported.frames.size() + imported.leftOut) +
                " messages were selected and a frame list holds at most " +
                std::to_string(project::MaxFrames),
            frames::ImportRemedy::KeepFirst, imported.frames.size()};
        return plan;
    }
    // One note for the messages that cannot be frames of this project, one for those beyond
    // the list's length, each with its own code so that a caller tells them apart.
    if (!imported.misfits.empty())
        plan.notes.push_back({"messages-not-fitting", imported.misfits.size(), 0,
                              misfitsMessage(imported.misfits)});
    if (imported.leftOut > 0)
        plan.notes.push_back(
            {"messages-beyond-list", imported.leftOut, 0, beyondListMessage(imported.leftOut)});
    if (project)
        if (const auto failure = frames::checkList(imported.frames, canType)) {
            plan.refusal = frames::ImportRefusal{"check", failure->row, failure->message()};
            return plan;
        }
    plan.rows = imported.frames;
    plan.list = std::move(imported.frames);
    return plan;
}

frames::MapPlan planMap(const Database& db, const std::filesystem::path& file, Direction direction,
                        const std::optional<std::string>& node,
                        const std::vector<frames::TClPdo>& frames, frames::CanType canType,
                        std::optional<int> firstRegister, std::size_t noteLines)
{
    frames::MapPlan plan;
    if ((plan.refusal = refuseDatabase(db, file)))
        return plan;
    MapImport proposal;
    try {
        proposal = importMap(db, direction, node, frames, canType,
                             firstRegister ? *firstRegister : nextFreeRegister(frames));
    } catch (const Error& error) {
        plan.refusal = frames::ImportRefusal{"registers", 0, error.what()};
        return plan;
    }
    plan.notes.push_back({"proposal", proposal.leftOut.size(), 0, mapNote(proposal, noteLines)});
    if (proposal.registers == 0) {
        plan.refusal = frames::ImportRefusal{"no-registers", 0, "No signal became a register"};
        return plan;
    }
    plan.entries = std::move(proposal.entries);
    plan.registers = proposal.registers;
    return plan;
}

std::string warningsText(const Database& db, std::size_t maxLines)
{
    std::string text;
    for (std::size_t i = 0; i < db.warnings.size() && i < maxLines; ++i)
        text += (text.empty() ? "" : "\n") + describe(db.warnings[i]);
    if (db.warningCount > std::min(maxLines, db.warnings.size()))
        text += "\n... and " + std::to_string(db.warningCount - std::min(maxLines, db.warnings.size())) +
                " more";
    return text;
}

} // namespace cravent::dbc

#include "core/check/ProjectCheck.h"

#include "core/check/DeviceValues.h"
#include "core/check/SignalCheck.h"
#include "core/common/Error.h"
#include "core/common/FileError.h"
#include "core/image/ConfigImage.h"
#include "core/image/ImageBuilder.h"
#include "core/workspace/ProjectFolder.h"

#include <algorithm>
#include <array>
#include <map>

namespace cravent::check {

namespace {

using Text = std::optional<std::string>;
using Row = std::optional<std::size_t>;

const char* side(Direction d)
{
    return d == Direction::Receive ? "received" : "transmitted";
}

std::uint32_t bits(std::int32_t value)
{
    return static_cast<std::uint32_t>(value);
}

// A frame as the map checks need it.
struct FrameInfo {
    std::string cobIdText;
    std::optional<std::int32_t> length;
};

class Checker {
public:
    explicit Checker(const ProjectSnapshot& project) : project_(project) {}

    std::vector<Finding> run()
    {
        checkSettings();
        for (const Direction d : {Direction::Receive, Direction::Transmit})
            checkFrames(d);
        for (const Direction d : {Direction::Receive, Direction::Transmit})
            checkMap(d);
        checkBothDirections();
        checkSignals(project_, findings_);
        addBuildRefusal();
        order();
        return std::move(findings_);
    }

private:
    void add(Severity severity, const char* code, const std::string& file, Row row,
             std::string message)
    {
        findings_.push_back({severity, code, file, row, std::move(message)});
    }

    // A value the build reads as integer text; nothing when it cannot, and the build, which
    // stops there, is asked for its own words.
    std::optional<std::int32_t> required(const Text& text)
    {
        const auto value = integerValue(text);
        if (!value)
            buildRefuses_ = true;
        return value;
    }

    // The file's content, or nothing when it is missing or was refused by its reader.
    template <typename Stored>
    const Stored* contentOf(const ProjectFile<Stored>& file)
    {
        if (!file.exists)
            return nullptr;
        if (file.readError) {
            add(Severity::Error, "build-refused", file.name(), std::nullopt, *file.readError);
            return nullptr;
        }
        return &*file.stored;
    }

    bool checkRowCount(const std::string& file, std::size_t rows, std::size_t capacity,
                       const std::string& table)
    {
        if (rows <= capacity)
            return true;
        add(Severity::Error, "too-many-rows", file, capacity + 1,
            std::to_string(rows) + " rows, more than the " + std::to_string(capacity) +
                " that the " + table + " of the device holds: the build stops here");
        return false;
    }

    void checkSettings()
    {
        const auto& file = project_.settings;
        if (!file.exists) {
            const bool anyFrames = std::any_of(
                project_.frameLists.begin(), project_.frameLists.end(), [](const auto& list) {
                    return list.stored && !list.stored->rows.empty();
                });
            if (anyFrames)
                add(Severity::Warning, "missing-settings", names::Pargen, std::nullopt,
                    "frames are listed but the project has no pargen.xml: the device gets no IP "
                    "address, port, bit rate or frame counts, so it uses none of the frames");
            return;
        }
        const project::StoredPargen* s = contentOf(file);
        if (!s)
            return;
        const std::string name = file.name();

        if (const auto canType = required(s->canType)) {
            const std::uint32_t low = bits(*canType) & 0xFFu;
            can20A_ = low == 0;
            if (*canType != 0 && *canType != 1)
                add(Severity::Warning, "can-type", name, std::nullopt,
                    "CANType " + *s->canType + " is neither 0 (CAN 2.0A) nor 1 (CAN 2.0B): its low "
                    "8 bits (" + std::to_string(low) + ") select the " +
                    (can20A_ ? "CAN 2.0A" : "CAN 2.0B") + " layout, and the device is given CAN type " +
                    std::to_string(low));
        }
        if (const auto rate = required(s->baudRateCan)) {
            const std::uint32_t code = (bits(*rate) + 1u) & 0xFFu;
            if (*rate == -1)
                add(Severity::Warning, "bit-rate", name, std::nullopt,
                    "no CAN bit rate is selected (BaudRateCAN -1): the device gets bit-rate code 0, "
                    "which names no bit rate");
            else if (!bitRateKbits(*rate))
                add(Severity::Warning, "bit-rate", name, std::nullopt,
                    "BaudRateCAN " + *s->baudRateCan + " is not one of the list (0 to 8): the "
                    "device gets bit-rate code " + std::to_string(code) +
                    (code >= 1 && code <= 9
                         ? ", the code of " + std::to_string(*bitRateKbits(static_cast<std::int32_t>(code) - 1)) + " kbit/s"
                         : ", which names no bit rate"));
        }

        const auto octets = [&](const std::array<Text, 4>& texts, const char* prefix,
                                const char* what) -> std::optional<std::uint32_t> {
            std::uint32_t address = 0;
            bool whole = true;
            for (std::size_t k = 0; k < 4; ++k) {
                const auto value = required(texts[k]);
                if (!value) {
                    whole = false;
                    continue;
                }
                const std::uint32_t stored = bits(*value) & 0xFFu;
                if (*value < 0 || *value > 255)
                    add(Severity::Warning, "octet-range", name, std::nullopt,
                        std::string(what) + " octet " + prefix + std::to_string(k + 1) + " is " +
                            *texts[k] + ", outside 0 to 255: the device stores " +
                            std::to_string(stored));
                address = (address << 8) | stored;
            }
            return whole ? std::optional<std::uint32_t>(address) : std::nullopt;
        };
        const auto ip = octets(s->ip, "IPB", "IP address");
        const auto mask = octets(s->mask, "SMB", "subnet mask");

        bool contiguous = false;
        if (mask) {
            const std::uint32_t hostBits = ~*mask;
            contiguous = (hostBits & (hostBits + 1u)) == 0;
            if (!contiguous)
                add(Severity::Warning, "subnet-mask", name, std::nullopt,
                    "subnet mask " + dottedText(*mask) + " is not contiguous (its one bits do not "
                    "all come before its zero bits): the device cannot tell which addresses are "
                    "on its subnet");
        }
        if (ip) {
            if (*ip == 0) {
                add(Severity::Warning, "ip-address", name, std::nullopt,
                    "IP address 0.0.0.0: the device has no address a Modbus TCP client can reach");
            } else if (mask && contiguous && (~*mask) > 1u) {
                const std::uint32_t network = *ip & *mask;
                const std::uint32_t broadcast = network | ~*mask;
                const std::string subnet = dottedText(network) + " with mask " + dottedText(*mask);
                if (*ip == network)
                    add(Severity::Warning, "ip-address", name, std::nullopt,
                        "IP address " + dottedText(*ip) + " is the network address of its subnet " +
                            subnet + ": no client on the subnet can reach the device there");
                else if (*ip == broadcast)
                    add(Severity::Warning, "ip-address", name, std::nullopt,
                        "IP address " + dottedText(*ip) + " is the broadcast address of its subnet " +
                            subnet + ": no client on the subnet can reach the device there");
            }
        }

        if (const auto port = required(s->port)) {
            const std::uint32_t stored = bits(*port) & 0xFFFFu;
            if (*port <= 0 || *port > 65535)
                add(Severity::Warning, "port-range", name, std::nullopt,
                    "port " + *s->port + " is outside 1 to 65535: the device stores " +
                        std::to_string(stored) +
                        (stored == 0 ? ", on which no Modbus TCP client can reach it"
                                     : " and listens for Modbus TCP there"));
        }
    }

    void checkFrames(Direction d)
    {
        const bool receive = d == Direction::Receive;
        auto& infos = frames_[static_cast<std::size_t>(d)];
        const auto& file = project_.frames(d);
        const project::StoredFrameFile* stored = contentOf(file);
        if (!stored)
            return;
        const std::string name = file.name();
        using namespace image;
        const std::size_t capacity =
            can20A_ ? (receive ? RxFrameTable20A : TxFrameTable20A).capacity(FrameEntrySize20A)
                    : (receive ? RxFrameTable20B.capacity(RxFrameEntrySize20B)
                               : TxFrameTable20B.capacity(TxFrameEntrySize20B));
        checkRowCount(name, stored->rows.size(), capacity,
                      std::string(can20A_ ? "CAN 2.0A " : "CAN 2.0B ") + (receive ? "receive" : "transmit") +
                          " frame table");

        std::map<std::uint32_t, std::vector<std::size_t>> rowsOfCobId;
        for (std::size_t i = 0; i < stored->rows.size(); ++i) {
            const project::StoredFrameRow& row = stored->rows[i];
            const std::size_t r = i + 1;
            const auto cobId = required(row.cobId);
            const auto length = required(row.dimension);
            infos.push_back({row.cobId.value_or(""), length});
            if (cobId) {
                if (can20A_ && (*cobId < 0 || *cobId > HighestCobId20A))
                    add(Severity::Error, "cobid-range", name, r,
                        "COB-ID " + *row.cobId + " is outside 0 to 2047, the CAN 2.0A identifiers: "
                        "the device's receive index has no entry for it, and the build stops here");
                else if (!can20A_ && bits(*cobId) > HighestCobId20B)
                    add(Severity::Error, "cobid-range", name, r,
                        "COB-ID " + *row.cobId + " is outside 0 to 0x1FFFFFFF, the CAN 2.0B "
                        "identifiers: no frame on the bus can ever match it");
                else
                    rowsOfCobId[bits(*cobId)].push_back(r);
            }
            if (length && (*length < 1 || *length > 8))
                add(Severity::Warning, "data-length", name, r,
                    "data length " + *row.dimension + " is outside 1 to 8: the device is given " +
                        std::to_string(bits(*length) & 0xFFu) + " data bytes for this frame");
        }

        for (const auto& [cobId, rows] : rowsOfCobId) {
            if (rows.size() < 2)
                continue;
            const std::string id = hexText(cobId);
            if (receive) {
                const std::size_t used = rows.back();
                for (std::size_t k = 0; k + 1 < rows.size(); ++k)
                    add(Severity::Warning, "duplicate-rx-cobid", name, rows[k],
                        "COB-ID " + id + " is received in rows " + std::to_string(rows[k]) + " and " +
                            std::to_string(used) +
                            (can20A_ ? ": the device uses row " + std::to_string(used) +
                                           ", the last one, and row " + std::to_string(rows[k]) +
                                           " never receives data"
                                     : ": the device hands the frame to only one of them; row " +
                                           std::to_string(rows[k]) + " may never receive data"));
            } else {
                for (std::size_t k = 1; k < rows.size(); ++k)
                    add(Severity::Warning, "duplicate-tx-cobid", name, rows[k],
                        "COB-ID " + id + " is also transmitted in row " + std::to_string(rows[0]) +
                            ": both frames go on the bus with one identifier and no receiver can "
                            "tell them apart");
            }
        }
    }

    void checkMap(Direction d)
    {
        const bool receive = d == Direction::Receive;
        const auto& file = project_.map(d);
        const project::StoredMapFile* stored = contentOf(file);
        const auto& frameList = project_.frames(d);
        const auto& infos = frames_[static_cast<std::size_t>(d)];
        // Frame numbers cannot be judged against a list its reader refused.
        const bool framesKnown = !frameList.exists || frameList.stored;
        std::vector<bool> used(infos.size(), false);
        auto& registers = registers_[static_cast<std::size_t>(d)];

        if (stored) {
            const std::string name = file.name();
            const image::Region& region = receive ? image::RxRegisterMap : image::TxRegisterMap;
            checkRowCount(name, stored->rows.size(), region.capacity(image::RegisterEntrySize),
                          std::string(receive ? "receive" : "transmit") + " register map");
            for (std::size_t i = 0; i < stored->rows.size(); ++i)
                checkMapRow(d, name, stored->rows[i], i + 1, framesKnown, infos, used, registers);
        }

        if (!frameList.stored)
            return;
        for (std::size_t j = 0; j < infos.size(); ++j) {
            if (!used[j])
                add(Severity::Note, "unmapped-frame", frameList.name(), j + 1,
                    "frame " + std::to_string(j + 1) + " (COB-ID " + infos[j].cobIdText +
                        ") has no register in " + names::mapFile(d) +
                        (receive ? ": its data reaches no Modbus register"
                                 : ": no Modbus register feeds its data"));
        }
    }

    void checkMapRow(Direction d, const std::string& name, const project::StoredMapRow& row, std::size_t r,
                     bool framesKnown, const std::vector<FrameInfo>& infos, std::vector<bool>& used,
                     std::map<std::uint32_t, std::size_t>& registers)
    {
        const auto index = required(row.index);
        const auto nrPdo = required(row.nrPdo);
        const auto posComp = required(row.posComp);

        if (index) {
            const std::uint32_t reg = bits(*index) & 0xFFFFu;
            if (*index < 0 || *index > 65535)
                add(Severity::Warning, "register-range", name, r,
                    "register index " + *row.index + " is outside 0 to 65535: the device keeps its "
                    "low 16 bits and serves it as register " + registerText(reg));
            const auto [at, fresh] = registers.emplace(reg, r);
            if (!fresh)
                add(Severity::Warning, "duplicate-register", name, r,
                    "register " + registerText(reg) + " is also mapped in row " +
                        std::to_string(at->second) + (bits(*index) != reg ? " (after its cut to 16 bits)" : "") +
                        ": two rows of the " + side(d) + " map feed one register and the device "
                        "serves only one of them");
        }

        std::optional<std::size_t> frame; // 0-based, as the device finds it
        if (nrPdo && framesKnown) {
            const std::uint32_t stored = bits(*nrPdo) & 0xFFu;
            const std::string count = std::to_string(infos.size()) + " " + side(d) + " frame" +
                                      (infos.size() == 1 ? "" : "s");
            if (*nrPdo <= 0)
                add(Severity::Warning, "frame-number", name, r,
                    "NrPdo " + *row.nrPdo + " names no frame (frames count from 1): the register "
                    "gets no data");
            else if (*nrPdo > 255)
                add(Severity::Warning, "frame-number", name, r,
                    "NrPdo " + *row.nrPdo + " is above 255: the device keeps its low 8 bits, frame " +
                        std::to_string(stored) +
                        (stored == 0 || stored > infos.size() ? ", which is not among the " + count
                                                              : ", a different frame"));
            else if (stored > infos.size())
                add(Severity::Warning, "frame-number", name, r,
                    "NrPdo " + *row.nrPdo + " lies beyond the " + count + ": the register gets no data");
            if (stored >= 1 && stored <= infos.size()) {
                frame = stored - 1;
                used[*frame] = true;
            }
        }

        if (posComp) {
            const std::uint32_t byte = bits(*posComp) & 0xFFu;
            if (*posComp < 0 || *posComp > 255)
                add(Severity::Warning, "byte-selection", name, r,
                    "PosComp " + *row.posComp + " is outside 0 to 255: the device keeps its low 8 bits, " +
                        std::to_string(byte));
            const int high = static_cast<int>(byte >> 4);
            const int low = static_cast<int>(byte & 15u);
            std::string beyondEight;
            for (const auto& [code, which] : {std::pair{high, "high"}, std::pair{low, "low"}}) {
                if (code > 8)
                    beyondEight += std::string(beyondEight.empty() ? "" : " and ") + "the " + which +
                                   " byte from byte " + std::to_string(code);
            }
            if (!beyondEight.empty())
                add(Severity::Warning, "byte-selection", name, r,
                    "PosComp " + *row.posComp + " takes " + beyondEight +
                        ", but a CAN frame has data bytes B1 to B8 only: the device reads past the "
                        "frame's data");
            if (byte == 0)
                add(Severity::Warning, "empty-byte-selection", name, r,
                    "PosComp " + *row.posComp + " selects no byte for either half: register " +
                        (index ? registerText(bits(*index) & 0xFFFFu) : std::string("of this row")) +
                        " carries nothing");
            if (frame && infos[*frame].length && *infos[*frame].length >= 1 &&
                *infos[*frame].length <= 8) {
                const int length = *infos[*frame].length;
                std::string beyond;
                for (const auto& [code, which] : {std::pair{high, "high"}, std::pair{low, "low"}}) {
                    if (code >= 1 && code <= 8 && code > length)
                        beyond += std::string(beyond.empty() ? "" : " and ") + "the " + which +
                                  " byte from " + byteSourceName(code);
                }
                if (!beyond.empty())
                    add(Severity::Warning, "byte-beyond-length", name, r,
                        "PosComp " + *row.posComp + " takes " + beyond + ", but frame " +
                            std::to_string(*frame + 1) + " (COB-ID " + infos[*frame].cobIdText +
                            ") carries " + std::to_string(length) + " data byte" +
                            (length == 1 ? "" : "s") +
                            ": the device reads bytes the frame does not carry");
            }
        }
    }

    void checkBothDirections()
    {
        const auto& rx = registers_[0];
        const auto& tx = registers_[1];
        for (const auto& [reg, row] : rx) {
            const auto other = tx.find(reg);
            if (other != tx.end())
                add(Severity::Note, "register-both-directions", project_.map(Direction::Receive).name(),
                    row,
                    "register " + registerText(reg) + " is used on both sides: here for received "
                    "data and in " + project_.map(Direction::Transmit).name() + " row " +
                        std::to_string(other->second) + " for transmitted data");
        }
    }

    // Values the build refuses are reported in the build's own words and place.
    void addBuildRefusal()
    {
        if (!buildRefuses_)
            return;
        std::optional<Finding> refusal;
        try {
            (void)image::BuildConfigImage(project_.dir, image::BuildMoment{});
        } catch (const FileError& error) {
            refusal = Finding{Severity::Error, "build-refused", error.file().filename().string(),
                              error.row(), error.what()};
        } catch (const Error& error) {
            refusal = Finding{Severity::Error, "build-refused", "", std::nullopt, error.what()};
        }
        if (!refusal)
            return;
        // Said already, in the check's words or the reader's.
        const bool known = std::any_of(findings_.begin(), findings_.end(), [&](const Finding& f) {
            return f.severity == Severity::Error &&
                   ((f.file == refusal->file && f.row == refusal->row) || f.message == refusal->message);
        });
        if (!known)
            findings_.push_back(std::move(*refusal));
    }

    void order()
    {
        const std::array<std::string, 5> files{
            project_.settings.name(), project_.frames(Direction::Receive).name(),
            project_.frames(Direction::Transmit).name(), project_.map(Direction::Receive).name(),
            project_.map(Direction::Transmit).name()};
        using Key = std::pair<std::size_t, std::size_t>;
        std::vector<std::pair<Key, Finding>> keyed;
        keyed.reserve(findings_.size());
        for (Finding& f : findings_) {
            const auto at = static_cast<std::size_t>(std::find(files.begin(), files.end(), f.file) -
                                                     files.begin());
            keyed.emplace_back(Key{at, f.row.value_or(0)}, std::move(f));
        }
        std::stable_sort(keyed.begin(), keyed.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        findings_.clear();
        for (auto& [key, f] : keyed)
            findings_.push_back(std::move(f));
    }

    const ProjectSnapshot& project_;
    std::vector<Finding> findings_;
    bool buildRefuses_ = false;
    bool can20A_ = true;
    std::array<std::vector<FrameInfo>, 2> frames_;
    std::array<std::map<std::uint32_t, std::size_t>, 2> registers_; // register -> first row
};

} // namespace

std::vector<Finding> checkProject(const ProjectSnapshot& project)
{
    return Checker(project).run();
}

std::vector<Finding> checkProject(const std::filesystem::path& projectDir)
{
    return checkProject(readProject(projectDir));
}

} // namespace cravent::check

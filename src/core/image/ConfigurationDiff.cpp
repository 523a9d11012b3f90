#include "core/image/ConfigurationDiff.h"

#include "core/image/ConfigurationText.h"

#include <nlohmann/json.hpp>

namespace cravent::image {

namespace {

template <typename Entry>
std::vector<EntryChange<Entry>> compareTables(const std::vector<Entry>& a, const std::vector<Entry>& b)
{
    std::vector<EntryChange<Entry>> changes;
    for (std::size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
        EntryChange<Entry> change{i + 1, std::nullopt, std::nullopt};
        if (i < a.size())
            change.before = a[i];
        if (i < b.size())
            change.after = b[i];
        if (change.before != change.after)
            changes.push_back(change);
    }
    return changes;
}

std::string entryText(const DeviceFrame& frame)
{
    return "COB-ID " + cobIdText(frame.cobId) + ", " + std::to_string(frame.length) + " data bytes";
}

std::string entryText(const DeviceRegister& row)
{
    return "register " + std::to_string(row.index) + ", frame " + std::to_string(row.nrPdo) +
           ", high " + byteChoiceText(row.posComp >> 4u) + ", low " +
           byteChoiceText(row.posComp & 0x0Fu);
}

template <typename Entry>
void describeTable(std::string& out, const char* what, const std::vector<EntryChange<Entry>>& changes)
{
    for (const EntryChange<Entry>& c : changes) {
        out += std::string(what) + " " + std::to_string(c.number);
        if (!c.before)
            out += " added: " + entryText(*c.after);
        else if (!c.after)
            out += " removed: " + entryText(*c.before);
        else
            out += " changed: " + entryText(*c.before) + " -> " + entryText(*c.after);
        out += "\n";
    }
}

using Json = nlohmann::ordered_json;

Json entryJson(const DeviceFrame& frame)
{
    return {{"cobId", cobIdText(frame.cobId)}, {"length", frame.length}};
}

Json entryJson(const DeviceRegister& row)
{
    return {{"index", row.index}, {"nrPdo", row.nrPdo}, {"posComp", row.posComp}};
}

template <typename Entry>
Json tableJson(const std::vector<EntryChange<Entry>>& changes)
{
    Json list = Json::array();
    for (const EntryChange<Entry>& c : changes)
        list.push_back({{"number", c.number},
                        {"change", !c.before ? "added" : !c.after ? "removed" : "changed"},
                        {"before", c.before ? entryJson(*c.before) : Json()},
                        {"after", c.after ? entryJson(*c.after) : Json()}});
    return list;
}

} // namespace

ConfigurationDiff compareConfigurations(const DeviceConfiguration& a, const DeviceConfiguration& b)
{
    ConfigurationDiff diff;
    const auto field = [&diff](const char* name, const std::string& before, const std::string& after) {
        if (before != after)
            diff.settings.push_back({name, before, after});
    };
    const auto presence = [](const DeviceConfiguration& c) {
        return std::string(c.hasSettings ? "present" : "none");
    };
    field("settings", presence(a), presence(b));
    const DeviceSettings& x = a.settings;
    const DeviceSettings& y = b.settings;
    field("bitRate", bitRateText(x) + " (code " + std::to_string(x.bitRateCode) + ")",
          bitRateText(y) + " (code " + std::to_string(y.bitRateCode) + ")");
    field("canType", canTypeText(x) + " (" + std::to_string(x.canType) + ")",
          canTypeText(y) + " (" + std::to_string(y.canType) + ")");
    field("ip", octetsText(x.ip), octetsText(y.ip));
    field("mask", octetsText(x.mask), octetsText(y.mask));
    field("port", std::to_string(x.port), std::to_string(y.port));
    diff.rxFrames = compareTables(a.rxFrames, b.rxFrames);
    diff.txFrames = compareTables(a.txFrames, b.txFrames);
    diff.rxRegisters = compareTables(a.rxRegisters, b.rxRegisters);
    diff.txRegisters = compareTables(a.txRegisters, b.txRegisters);
    return diff;
}

std::string describe(const ConfigurationDiff& diff)
{
    static const std::pair<const char*, const char*> Names[] = {
        {"settings", "communication settings"}, {"bitRate", "CAN bit rate"},
        {"canType", "CAN type"}, {"ip", "IP address"}, {"mask", "subnet mask"},
        {"port", "Modbus TCP port"}};
    std::string out;
    for (const FieldChange& change : diff.settings) {
        std::string name = change.field;
        for (const auto& [key, words] : Names)
            if (change.field == key)
                name = words;
        out += name + ": " + change.before + " -> " + change.after + "\n";
    }
    describeTable(out, "received frame", diff.rxFrames);
    describeTable(out, "transmitted frame", diff.txFrames);
    describeTable(out, "receive register row", diff.rxRegisters);
    describeTable(out, "transmit register row", diff.txRegisters);
    return out;
}

Json toJson(const ConfigurationDiff& diff)
{
    Json settings = Json::array();
    for (const FieldChange& change : diff.settings)
        settings.push_back({{"field", change.field}, {"before", change.before}, {"after", change.after}});
    return {{"equal", diff.empty()},
            {"settings", settings},
            {"receivedFrames", tableJson(diff.rxFrames)},
            {"transmittedFrames", tableJson(diff.txFrames)},
            {"receiveRegisters", tableJson(diff.rxRegisters)},
            {"transmitRegisters", tableJson(diff.txRegisters)}};
}

} // namespace cravent::image

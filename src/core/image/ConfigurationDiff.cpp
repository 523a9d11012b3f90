#include "core/image/ConfigurationDiff.h"

#include "core/common/JsonWriter.h"
#include "core/image/ConfigurationText.h"

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

void entryJson(JsonWriter& json, const DeviceFrame& frame)
{
    json.beginObject().key("cobId").value(cobIdText(frame.cobId)).key("length").number(frame.length).endObject();
}

void entryJson(JsonWriter& json, const DeviceRegister& row)
{
    json.beginObject()
        .key("index").number(row.index)
        .key("nrPdo").number(row.nrPdo)
        .key("posComp").number(row.posComp)
        .endObject();
}

template <typename Entry>
void tableJson(JsonWriter& json, const char* key, const std::vector<EntryChange<Entry>>& changes)
{
    json.key(key).beginArray();
    for (const EntryChange<Entry>& c : changes) {
        json.beginObject();
        json.key("number").number(static_cast<std::int64_t>(c.number));
        json.key("change").value(!c.before ? "added" : !c.after ? "removed" : "changed");
        json.key("before");
        if (c.before)
            entryJson(json, *c.before);
        else
            json.null();
        json.key("after");
        if (c.after)
            entryJson(json, *c.after);
        else
            json.null();
        json.endObject();
    }
    json.endArray();
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

void writeJson(JsonWriter& json, const ConfigurationDiff& diff)
{
    json.beginObject();
    json.key("equal").flag(diff.empty());
    json.key("settings").beginArray();
    for (const FieldChange& change : diff.settings)
        json.beginObject()
            .key("field").value(change.field)
            .key("before").value(change.before)
            .key("after").value(change.after)
            .endObject();
    json.endArray();
    tableJson(json, "receivedFrames", diff.rxFrames);
    tableJson(json, "transmittedFrames", diff.txFrames);
    tableJson(json, "receiveRegisters", diff.rxRegisters);
    tableJson(json, "transmitRegisters", diff.txRegisters);
    json.endObject();
}

} // namespace cravent::image

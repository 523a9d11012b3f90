#include "core/image/ConfigurationText.h"

#include "core/common/JsonWriter.h"

#include <cstdio>

namespace cravent::image {

namespace {

std::string twoDigits(int value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02d", value);
    return text;
}

std::string dateText(const BuildMoment& m)
{
    return std::to_string(m.year) + "-" + twoDigits(m.month) + "-" + twoDigits(m.day);
}

std::string timeText(const BuildMoment& m)
{
    return twoDigits(m.hour) + ":" + twoDigits(m.minute) + ":" + twoDigits(m.second);
}

void describeFrames(std::string& out, const char* title, const std::vector<DeviceFrame>& frames)
{
    out += title;
    out += " (" + std::to_string(frames.size()) + ")\n";
    for (std::size_t i = 0; i < frames.size(); ++i)
        out += "  " + std::to_string(i + 1) + ". COB-ID " + cobIdText(frames[i].cobId) +
               ", " + std::to_string(frames[i].length) + " data bytes\n";
}

void describeRegisters(std::string& out, const char* title, const std::vector<DeviceRegister>& rows)
{
    out += title;
    out += " (" + std::to_string(rows.size()) + ")\n";
    for (const DeviceRegister& row : rows)
        out += "  register " + std::to_string(row.index) + ": frame " +
               std::to_string(row.nrPdo) + ", high " + byteChoiceText(row.posComp >> 4u) +
               ", low " + byteChoiceText(row.posComp & 0x0Fu) + "\n";
}

void framesJson(JsonWriter& json, const std::vector<DeviceFrame>& frames)
{
    json.beginArray();
    for (std::size_t i = 0; i < frames.size(); ++i) {
        json.beginObject()
            .key("number").number(static_cast<std::int64_t>(i + 1))
            .key("cobId").value(cobIdText(frames[i].cobId))
            .key("length").number(frames[i].length)
            .endObject();
    }
    json.endArray();
}

void registersJson(JsonWriter& json, const std::vector<DeviceRegister>& rows)
{
    json.beginArray();
    for (const DeviceRegister& row : rows) {
        json.beginObject()
            .key("index").number(row.index)
            .key("nrPdo").number(row.nrPdo)
            .key("posComp").number(row.posComp)
            .key("high").value(byteChoiceText(row.posComp >> 4u))
            .key("low").value(byteChoiceText(row.posComp & 0x0Fu))
            .endObject();
    }
    json.endArray();
}

} // namespace

std::string cobIdText(std::uint32_t cobId)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", cobId);
    return text;
}

std::string octetsText(const std::array<std::uint8_t, 4>& octets)
{
    return std::to_string(octets[0]) + "." + std::to_string(octets[1]) + "." +
           std::to_string(octets[2]) + "." + std::to_string(octets[3]);
}

std::string byteChoiceText(unsigned choice)
{
    if (choice == 0)
        return "none";
    if (choice <= 8)
        return "B" + std::to_string(choice);
    return "(" + std::to_string(choice) + ")";
}

std::string stampText(const BuildMoment& moment)
{
    return dateText(moment) + " " + timeText(moment);
}

std::string bitRateText(const DeviceSettings& settings)
{
    if (const auto kbit = settings.kbitPerSecond())
        return std::to_string(*kbit) + " kbit/s";
    if (settings.bitRateCode == 0)
        return "no bit rate";
    return "bit-rate code " + std::to_string(settings.bitRateCode);
}

std::string canTypeText(const DeviceSettings& settings)
{
    return settings.can20A() ? "CAN 2.0A" : "CAN 2.0B";
}

std::string summaryLine(const DeviceConfiguration& config)
{
    const DeviceSettings& s = config.settings;
    const DeviceCounts& c = config.counts;
    if (!config.hasSettings)
        return "no communication settings, built " + stampText(config.built);
    return octetsText(s.ip) + ":" + std::to_string(s.port) + ", mask " + octetsText(s.mask) +
           ", " + bitRateText(s) + ", " + canTypeText(s) + ", " + std::to_string(c.rxFrames) +
           " received / " + std::to_string(c.txFrames) + " transmitted frames, " +
           std::to_string(c.rxRegisters) + " / " + std::to_string(c.txRegisters) +
           " registers, built " + stampText(config.built);
}

std::string describe(const DeviceConfiguration& config)
{
    const DeviceSettings& s = config.settings;
    const DeviceCounts& c = config.counts;
    std::string out = "Settings\n";
    if (config.hasSettings) {
        const auto kbit = s.kbitPerSecond();
        out += "  CAN bit rate: " +
               (kbit ? std::to_string(*kbit) + " kbit/s" : s.bitRateCode == 0 ? "none" : "unknown") +
               " (code " + std::to_string(s.bitRateCode) + ")\n";
        out += "  CAN type: " + canTypeText(s) + (s.can20A() ? " (11-bit COB-IDs)" : " (29-bit COB-IDs)") +
               (s.canType > 1 ? ", stored as " + std::to_string(s.canType) : "") + "\n";
        out += "  IP address: " + octetsText(s.ip) + "\n";
        out += "  Subnet mask: " + octetsText(s.mask) + "\n";
        out += "  Modbus TCP port: " + std::to_string(s.port) + "\n";
        out += "  Counts: " + std::to_string(c.rxFrames) + " received frames, " +
               std::to_string(c.txFrames) + " transmitted frames, " +
               std::to_string(c.rxRegisters) + " receive registers, " +
               std::to_string(c.txRegisters) + " transmit registers\n";
    } else {
        out += "  none: the communication block is empty (the project had no pargen.xml), so the\n"
               "  frame and register counts are unknown and the tables cannot be read\n";
    }
    out += "Build stamp\n  " + stampText(config.built) + "\n";
    if (config.hasSettings) {
        describeFrames(out, "Received frames", config.rxFrames);
        describeFrames(out, "Transmitted frames", config.txFrames);
        describeRegisters(out, "Receive registers", config.rxRegisters);
        describeRegisters(out, "Transmit registers", config.txRegisters);
    }
    if (!config.inconsistencies.empty()) {
        out += "Inconsistencies (" + std::to_string(config.inconsistencies.size()) + ")\n";
        for (const std::string& problem : config.inconsistencies)
            out += "  " + problem + "\n";
    }
    return out;
}

void writeJson(JsonWriter& json, const DeviceConfiguration& config)
{
    const DeviceSettings& s = config.settings;
    const DeviceCounts& c = config.counts;
    json.beginObject();
    json.key("hasSettings").flag(config.hasSettings);
    json.key("settings").beginObject();
    json.key("bitRateCode").number(s.bitRateCode);
    json.key("kbitPerSecond");
    if (const auto kbit = s.kbitPerSecond())
        json.number(*kbit);
    else
        json.null();
    json.key("canType").number(s.canType);
    json.key("can").value(s.can20A() ? "2.0A" : "2.0B");
    json.key("ip").value(octetsText(s.ip));
    json.key("mask").value(octetsText(s.mask));
    json.key("port").number(s.port);
    json.endObject();
    json.key("counts").beginObject()
        .key("receivedFrames").number(c.rxFrames)
        .key("transmittedFrames").number(c.txFrames)
        .key("receiveRegisters").number(c.rxRegisters)
        .key("transmitRegisters").number(c.txRegisters)
        .endObject();
    json.key("built").beginObject()
        .key("date").value(dateText(config.built))
        .key("time").value(timeText(config.built))
        .key("dateWord").number(config.dateWord)
        .key("timeWord").number(config.timeWord)
        .endObject();
    json.key("receivedFrames");
    framesJson(json, config.rxFrames);
    json.key("transmittedFrames");
    framesJson(json, config.txFrames);
    json.key("receiveRegisters");
    registersJson(json, config.rxRegisters);
    json.key("transmitRegisters");
    registersJson(json, config.txRegisters);
    json.key("inconsistencies").beginArray();
    for (const std::string& problem : config.inconsistencies)
        json.value(problem);
    json.endArray();
    json.endObject();
}

} // namespace cravent::image

#include "core/image/ConfigurationText.h"

#include <nlohmann/json.hpp>

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

using Json = nlohmann::ordered_json;

Json framesJson(const std::vector<DeviceFrame>& frames)
{
    Json list = Json::array();
    for (std::size_t i = 0; i < frames.size(); ++i)
        list.push_back({{"number", i + 1}, {"cobId", cobIdText(frames[i].cobId)}, {"length", frames[i].length}});
    return list;
}

Json registersJson(const std::vector<DeviceRegister>& rows)
{
    Json list = Json::array();
    for (const DeviceRegister& row : rows)
        list.push_back({{"index", row.index},
                        {"nrPdo", row.nrPdo},
                        {"posComp", row.posComp},
                        {"high", byteChoiceText(row.posComp >> 4u)},
                        {"low", byteChoiceText(row.posComp & 0x0Fu)}});
    return list;
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

Json toJson(const DeviceConfiguration& config)
{
    const DeviceSettings& s = config.settings;
    const DeviceCounts& c = config.counts;
    const auto kbit = s.kbitPerSecond();
    return {{"hasSettings", config.hasSettings},
            {"settings",
             {{"bitRateCode", s.bitRateCode},
              {"kbitPerSecond", kbit ? Json(*kbit) : Json()},
              {"canType", s.canType},
              {"can", s.can20A() ? "2.0A" : "2.0B"},
              {"ip", octetsText(s.ip)},
              {"mask", octetsText(s.mask)},
              {"port", s.port}}},
            {"counts",
             {{"receivedFrames", c.rxFrames},
              {"transmittedFrames", c.txFrames},
              {"receiveRegisters", c.rxRegisters},
              {"transmitRegisters", c.txRegisters}}},
            {"built",
             {{"date", dateText(config.built)},
              {"time", timeText(config.built)},
              {"dateWord", config.dateWord},
              {"timeWord", config.timeWord}}},
            {"receivedFrames", framesJson(config.rxFrames)},
            {"transmittedFrames", framesJson(config.txFrames)},
            {"receiveRegisters", registersJson(config.rxRegisters)},
            {"transmitRegisters", registersJson(config.txRegisters)},
            {"inconsistencies", config.inconsistencies}};
}

} // namespace cravent::image

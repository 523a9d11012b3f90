#include "core/report/RegisterReport.h"

#include "core/check/DeviceValues.h"
#include "core/check/ProjectCheck.h"

#include <algorithm>

namespace cravent::report {

namespace {

using check::integerValue;
using Text = std::optional<std::string>;

std::uint32_t bits(std::int32_t value)
{
    return static_cast<std::uint32_t>(value);
}

std::string asTyped(const Text& text)
{
    return text.value_or("");
}

std::string dotted(const std::array<Text, 4>& octets)
{
    std::string text;
    for (std::size_t k = 0; k < 4; ++k) {
        const auto value = integerValue(octets[k]);
        text += (k ? "." : "") + (value ? std::to_string(bits(*value) & 0xFFu) : "?");
    }
    return text;
}

std::vector<Setting> settingsOf(const check::ProjectSnapshot& project)
{
    const auto& file = project.settings;
    if (!file.exists)
        return {{"Settings", "none: the project has no " + file.name()}};
    if (!file.stored)
        return {{"Settings", "unreadable: " + file.readError.value_or("")}};
    const project::StoredPargen& s = *file.stored;
    std::vector<Setting> lines;
    lines.push_back({"IP address", dotted(s.ip)});
    lines.push_back({"Subnet mask", dotted(s.mask)});
    const auto port = integerValue(s.port);
    lines.push_back({"Modbus TCP port", port ? std::to_string(bits(*port) & 0xFFFFu) : asTyped(s.port)});
    const auto rate = integerValue(s.baudRateCan);
    std::string rateText = asTyped(s.baudRateCan);
    if (rate && check::bitRateKbits(*rate))
        rateText = std::to_string(*check::bitRateKbits(*rate)) + " kbit/s";
    else if (rate && *rate == -1)
        rateText = "none selected";
    else if (rate)
        rateText = "not in the list (BaudRateCAN " + rateText + ")";
    lines.push_back({"CAN bit rate", rateText});
    const auto canType = integerValue(s.canType);
    lines.push_back({"CAN type", canType ? check::canTypeName(*canType) : asTyped(s.canType)});
    return lines;
}

std::string cobIdText(const Text& text)
{
    const auto value = integerValue(text);
    return value ? check::hexText(bits(*value)) : asTyped(text);
}

} // namespace

const char* directionName(Direction d)
{
    return d == Direction::Receive ? "receive" : "transmit";
}

RegisterReport makeReport(const check::ProjectSnapshot& project)
{
    RegisterReport report;
    report.project = project.dir.filename().empty() ? project.dir.parent_path().filename().string()
                                                    : project.dir.filename().string();
    report.settings = settingsOf(project);
    for (const Direction d : {Direction::Receive, Direction::Transmit}) {
        auto& frameLines = report.frames[static_cast<std::size_t>(d)];
        if (const auto& list = project.frames(d).stored) {
            for (std::size_t i = 0; i < list->rows.size(); ++i) {
                const project::StoredFrameRow& row = list->rows[i];
                frameLines.push_back(
                    {i + 1, cobIdText(row.cobId), asTyped(row.dimension), asTyped(row.mnemonic)});
            }
        }
        auto& lines = report.registers[static_cast<std::size_t>(d)];
        const auto& map = project.map(d).stored;
        if (!map)
            continue;
        for (std::size_t i = 0; i < map->rows.size(); ++i) {
            const project::StoredMapRow& row = map->rows[i];
            RegisterLine line;
            line.direction = d;
            line.row = i + 1;
            if (const auto index = integerValue(row.index)) {
                line.reg = bits(*index) & 0xFFFFu;
                line.registerText = std::to_string(*line.reg);
                line.registerHex = check::hexText(*line.reg, 4);
            } else {
                line.registerText = asTyped(row.index);
            }
            line.frame = asTyped(row.nrPdo);
            line.cobId = "\u2014";
            if (const auto nrPdo = integerValue(row.nrPdo)) {
                const std::uint32_t number = bits(*nrPdo) & 0xFFu;
                line.frame = std::to_string(number);
                if (number >= 1 && number <= frameLines.size()) {
                    line.cobId = frameLines[number - 1].cobId;
                    line.mnemonic = frameLines[number - 1].mnemonic;
                }
            }
            if (const auto posComp = integerValue(row.posComp)) {
                const std::uint32_t byte = bits(*posComp) & 0xFFu;
                line.high = check::byteSourceName(static_cast<int>(byte >> 4));
                line.low = check::byteSourceName(static_cast<int>(byte & 15u));
            } else {
                line.high = line.low = asTyped(row.posComp);
            }
            lines.push_back(std::move(line));
        }
        // Unreadable indexes go last, in file order.
        std::stable_sort(lines.begin(), lines.end(), [](const RegisterLine& a, const RegisterLine& b) {
            if (a.reg && b.reg)
                return *a.reg < *b.reg;
            return a.reg.has_value() && !b.reg.has_value();
        });
    }
    report.findings = check::checkProject(project);
    return report;
}

RegisterReport makeReport(const std::filesystem::path& projectDir)
{
    return makeReport(check::readProject(projectDir));
}

} // namespace cravent::report

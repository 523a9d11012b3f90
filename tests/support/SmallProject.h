#pragma once

#include "support/TempDir.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace cravent::test {

// A small project written as the editors write it; each file can be changed or left out.
struct SmallProject {
    struct FrameRow {
        std::string cobId, length, mnemonic;
    };
    struct MapRow {
        std::string index, nrPdo, posComp;
    };

    // A project with nothing to say about: two received frames, one transmitted, every frame
    // mapped, settings that a device on 192.168.0.0/24 takes as they stand.
    std::string baudRate = "6", canType = "0", port = "502";
    std::array<std::string, 4> ip{"192", "168", "0", "30"};
    std::array<std::string, 4> mask{"255", "255", "255", "0"};
    std::vector<FrameRow> rx{{"0x181", "8", "Speed"}, {"0x182", "4", "Torque"}};
    std::vector<FrameRow> tx{{"0x201", "2", "Command"}};
    std::vector<MapRow> rxMap{{"0", "1", "18"}, {"1", "2", "52"}};
    std::vector<MapRow> txMap{{"100", "1", "18"}};
    // A file's text in place of the one made from the values above; "" leaves the file out.
    std::optional<std::string> pargenText, rxText, txText, rxMapText, txMapText;

    void writeTo(const std::filesystem::path& dir) const
    {
        std::filesystem::create_directories(dir);
        put(dir / "pargen.xml", pargenText, settings());
        put(dir / "RCobDef.xml", rxText, framesXml(rx));
        put(dir / "TCobDef.xml", txText, framesXml(tx));
        put(dir / "RInfoCob.xml", rxMapText, mapXml("RInfoCob", rxMap));
        put(dir / "TInfoCob.xml", txMapText, mapXml("TInfoCob", txMap));
    }

    std::string settings() const
    {
        return "<GeneralParameter><BaudRateCAN>" + baudRate + "</BaudRateCAN><CANType>" + canType +
               "</CANType><ADD_IP IPB1=\"" + ip[0] + "\" IPB2=\"" + ip[1] + "\" IPB3=\"" + ip[2] +
               "\" IPB4=\"" + ip[3] + "\"/><SUBNET SMB1=\"" + mask[0] + "\" SMB2=\"" + mask[1] +
               "\" SMB3=\"" + mask[2] + "\" SMB4=\"" + mask[3] + "\"/><Port>" + port +
               "</Port></GeneralParameter>";
    }
    static std::string framesXml(const std::vector<FrameRow>& rows)
    {
        std::string xml = "<COBID>";
        for (const FrameRow& r : rows)
            xml += "<row CobID=\"" + r.cobId + "\" Dimensin=\"" + r.length + "\" Mnemonic=\"" +
                   r.mnemonic + "\"/>";
        return xml + "</COBID>";
    }
    static std::string mapXml(const char* root, const std::vector<MapRow>& rows)
    {
        std::string xml = std::string("<") + root + ">";
        for (const MapRow& r : rows)
            xml += "<row Index=\"" + r.index + "\" NrPdo=\"" + r.nrPdo + "\" PosComp=\"" + r.posComp +
                   "\"/>";
        return xml + "</" + root + ">";
    }

private:
    static void put(const std::filesystem::path& file, const std::optional<std::string>& replacement,
                    const std::string& made)
    {
        if (replacement && replacement->empty())
            return;
        writeText(file, replacement.value_or(made));
    }
};

} // namespace cravent::test

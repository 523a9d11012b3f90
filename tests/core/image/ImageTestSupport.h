#pragma once

#include "core/image/ConfigImage.h"
#include "core/project/FrameFile.h"
#include "core/project/MapFile.h"
#include "core/project/PargenFile.h"
#include "core/workspace/ProjectFolder.h"
#include "support/TempDir.h"

#include <cstdint>
#include <string>
#include <vector>

namespace cravent::test {

// A project folder with its "bin" folder, filled through the program's own file writers.
struct ImageProject {
    TempDir dir;

    ImageProject() { std::filesystem::create_directories(dir / "bin"); }

    std::filesystem::path path() const { return dir.path(); }
    std::filesystem::path bin(std::string_view name) const { return dir / "bin" / name; }

    void settings(const project::PargenValues& values = {}) { project::writePargen(dir / "pargen.xml", values); }
    void settingsCanType(int canType)
    {
        project::PargenValues values;
        values.canType = canType;
        settings(values);
    }
    // Frames as {CobID, Dimensin}.
    void frameList(const char* fileName,
                   const std::vector<std::pair<std::string, std::string>>& rows)
    {
        std::vector<project::Frame> list;
        for (const auto& [cobId, length] : rows)
            list.push_back({cobId, length, ""});
        project::writeFrames(dir / fileName, list);
    }
    void receive(const std::vector<std::pair<std::string, std::string>>& rows)
    {
        frameList(names::ReceiveFrames, rows);
    }
    void transmit(const std::vector<std::pair<std::string, std::string>>& rows)
    {
        frameList(names::TransmitFrames, rows);
    }
    void map(const char* fileName, const char* rootName, const std::vector<project::MapRow>& rows)
    {
        project::writeMap(dir / fileName, rootName, rows);
    }
    // `count` frames or register rows, numbered so that neighbouring entries differ.
    void manyFrames(const char* fileName, std::size_t count)
    {
        std::vector<std::pair<std::string, std::string>> rows;
        for (std::size_t i = 0; i < count; ++i)
            rows.emplace_back(std::to_string(i * 7 % 2048), std::to_string(i % 8 + 1));
        frameList(fileName, rows);
    }
    void manyRegisters(const char* fileName, const char* rootName, std::size_t count)
    {
        std::vector<project::MapRow> rows;
        for (std::size_t i = 0; i < count; ++i)
            rows.push_back({std::to_string(i), std::to_string(i % 250 + 1), std::to_string(0x12)});
        map(fileName, rootName, rows);
    }
};

inline std::vector<std::uint8_t> bytes(const image::ConfigImage& image, int bank,
                                       std::size_t offset, std::size_t count)
{
    const auto b = image.bank(bank);
    return {b.begin() + static_cast<std::ptrdiff_t>(offset),
            b.begin() + static_cast<std::ptrdiff_t>(offset + count)};
}

inline std::string bankText(const image::ConfigImage& image, int bank)
{
    const auto b = image.bank(bank);
    return {reinterpret_cast<const char*>(b.data()), b.size()};
}

} // namespace cravent::test

#include "core/sheets/CsvExport.h"
#include "support/HostileDisk.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace cravent;
namespace fs = std::filesystem;

TEST(ExportSaveSafety, AnExportOntoAFullDiskKeepsTheEarlierExport)
{
    test::TempDir dir;
    const fs::path project = dir / "P1";
    fs::create_directories(project);
    // Found without regard to case, so the earlier export keeps its own spelling.
    const fs::path earlier = project / "RPDODEF.csv";
    std::vector<project::Frame> rows(250, project::Frame{"0x181", "8", "Speed"});
    const int result = test::inMountNamespace([&] {
        return test::saveOnFullDisk(
            project, [&] { test::writeText(earlier, "cobid,id_dev_orig,en_bypass,posind,n_tpdo \r\n"); },
            [&] {
                sheets::writeExportFile(project, sheets::FrameListExportName,
                                        sheets::frameListCsv(rows));
            },
            earlier);
    });
    if (result < 0)
        GTEST_SKIP() << "mount namespaces or tmpfs mounts are not allowed here";
    EXPECT_EQ(result, 0) << "1: reported success, 2: message, 3: old file changed, 4: leftover";
}

#include "gui/app/TFCraventeFirmWare.h"
#include "core/project/FrameFile.h"
#include "core/project/PargenFile.h"
#include "support/GuiTestSupport.h"
#include "support/TempDir.h"
#include "gui/widgets/PushButton.h"
#include "core/workspace/Workspace.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QTableWidget>
#include <gtest/gtest.h>

using namespace cravent;
using cravent::gui::PushButton;
using cravent::gui::TFCraventeFirmWare;
namespace fs = std::filesystem;

namespace {

struct UpdateDeviceTest : ::testing::Test {
    test::TempDir app;
    test::TestUi ui;
    Workspace workspace{app.path()};
    TFCraventeFirmWare window{workspace, ui.services};

    void SetUp() override
    {
        ASSERT_EQ(workspace.createProject("P1"), Workspace::NewProjectOutcome::Created);
        project::writeFrames(workspace.ProjectDir() / "RCobDef.xml", {{"0x181", "8", "Speed"}});
    }
    fs::path bin(const char* name) const { return workspace.ProjectDir() / "bin" / name; }

    // Clicks "Up date Device"; returns the class of the modal dialog it opened, closed at once,
    // and whether the listing was on disk by then.
    std::pair<QString, bool> click()
    {
        std::pair<QString, bool> shown;
        QTimer watch;
        watch.setInterval(5);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                shown = {QString::fromLatin1(dialog->metaObject()->className()),
                         fs::exists(bin("bankg.c"))};
                dialog->reject();
            }
        });
        watch.start();
        window.findChild<PushButton*>(QStringLiteral("CreateBin"))->click();
        return shown;
    }
};

} // namespace

TEST_F(UpdateDeviceTest, WritesTheBanksAndTheListingOfTheCurrentProject)
{
    // An address the device can be reached on: 0.0.0.0 would stop at the check's warning.
    project::PargenValues settings;
    settings.ip = {192, 168, 0, 30};
    project::writePargen(workspace.ProjectDir() / "pargen.xml", settings);
    test::writeText(app / "MASTER" / "QF40231.sx", "S9030000FC\r\n");
    // The sequence ends in the Generate Firmware dialog.
    QString shown;
    const auto generateWatch = test::whenModalOpens([&shown](QDialog* dialog) {
        shown = dialog->windowTitle();
        dialog->reject();
    });
    click();
    EXPECT_EQ(shown, QStringLiteral("Generate Firmware"));
    EXPECT_EQ(ui.messages.texts, QStringList());
    for (const char* name : {"bank1.bin", "bank2.bin", "bank3.bin", "bank4.bin", "bank5.bin"})
        EXPECT_EQ(fs::file_size(bin(name)), 16384u) << name;
    EXPECT_EQ(test::readText(bin("bank2.bin")).substr(0, 3), "\x81\x01\x08");
    EXPECT_EQ(fs::file_size(bin("bankg.c")), 235593u);
}

TEST_F(UpdateDeviceTest, ABuildErrorIsShownAndEndsTheSequence)
{
    project::PargenValues values;
    values.port = "";
    project::writePargen(workspace.ProjectDir() / "pargen.xml", values);
    // The check finds the build's refusal first and shows it in the findings window, in the
    // build's words; nothing is built and no other dialog follows.
    QStringList messages;
    const auto findingsWatch = test::whenModalOpens([&messages](QDialog* dialog) {
        const auto* list = dialog->findChild<QTableWidget*>(QStringLiteral("Findings"));
        for (int i = 0; list && i < list->rowCount(); ++i)
            messages << list->item(i, 3)->text();
    });
    EXPECT_EQ(click(), std::make_pair(QStringLiteral("cravent::gui::FindingsWindow"), false));
    EXPECT_TRUE(messages.contains(QString::fromStdString(
        "File \"" + (workspace.ProjectDir() / "pargen.xml").string() +
        "\", element \"Port\": '' is not a valid integer value")))
        << messages.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(ui.messages.texts, QStringList());
    EXPECT_TRUE(fs::is_empty(workspace.ProjectDir() / "bin"));
}

#include "support/SyntheticMaster.h"
#include "gui/firmware/TFModifyFileSx.h"
#include "support/GuiTestSupport.h"
#include "support/TempDir.h"
#include "gui/widgets/PushButton.h"
#include "core/workspace/Workspace.h"
#include "core/firmware/SRecord.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>

using namespace cravent;
using cravent::gui::PushButton;
using cravent::gui::TFModifyFileSx;
namespace fs = std::filesystem;

namespace {

struct GenerateFirmwareTest : ::testing::Test {
    test::TempDir app;
    test::TestUi ui;
    Workspace workspace{app.path()};
    fs::path project;
    std::string master = test::syntheticMaster(10);

    void SetUp() override
    {
        ASSERT_EQ(::prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
        workspace.startUp();
        EXPECT_EQ(workspace.createProject("P1"), Workspace::NewProjectOutcome::Created);
        project = workspace.ProjectDir();
        test::writeText(app / "MASTER" / "QF40231.sx", master);
        test::writeText(project / "bin" / "bank1.bin", std::string(16384, '\x11'));
        test::writeText(project / "bin" / "bank2.bin", std::string(16384, '\x22'));
        // A stand-in flasher that appends its one argument to "launches", a line per start.
        test::writeText(app / "VuvivOdori.exe",
                        "#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"$(dirname \"$0\")/launches\"\n");
        fs::permissions(app / "VuvivOdori.exe", fs::perms::owner_all);
    }

    template <typename T>
    T* child(QWidget& dialog, const char* name)
    {
        auto* widget = dialog.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    PushButton* execute(TFModifyFileSx& dialog) { return child<PushButton>(dialog, "LbButton2"); }
    QComboBox* ports(TFModifyFileSx& dialog) { return child<QComboBox>(dialog, "cbport"); }

    // The lines the stand-in flasher has written, once every flasher started so far has ended.
    // They are started detached; as this process is their subreaper (see SetUp), each becomes a
    // child of it when its launcher exits, and a start that should not have happened shows
    // however slow it is.
    std::vector<std::string> launches()
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        int status = 0;
        for (pid_t pid; (pid = ::waitpid(-1, &status, WNOHANG)) >= 0;) {
            if (pid > 0)
                continue;
            if (std::chrono::steady_clock::now() > end) {
                ADD_FAILURE() << "a flasher still runs after 30 s";
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        std::vector<std::string> lines;
        const std::string text = test::readText(app / "launches");
        for (std::size_t at = 0, next; (next = text.find('\n', at)) != std::string::npos; at = next + 1)
            lines.push_back(text.substr(at, next - at));
        return lines;
    }

    std::string parameters(int port) const
    {
        return "\"" + (project / "New_QF40231.sx").string() + "\"\xB6" + std::to_string(port);
    }
};

} // namespace

TEST_F(GenerateFirmwareTest, ShowsThePortListTheButtonAndTheProgressBarOnly)
{
    TFModifyFileSx dialog(workspace, ui.services);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Generate Firmware"));
    EXPECT_EQ(dialog.size(), QSize(430, 224));
    QStringList items;
    for (int i = 0; i < ports(dialog)->count(); ++i)
        items << ports(dialog)->itemText(i);
    EXPECT_EQ(items, QStringList({"COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8"}));
    EXPECT_EQ(execute(dialog)->text(), QStringLiteral("Execute update firmware"));
    EXPECT_EQ(execute(dialog)->size(), QSize(153, 23));
    EXPECT_EQ(child<PushButton>(dialog, "LbButton1")->text(), QStringLiteral("X"));
    EXPECT_EQ(child<QProgressBar>(dialog, "Avanzamento")->size(), QSize(417, 24));
    EXPECT_EQ(child<QFrame>(dialog, "Shape1")->size(), QSize(417, 10));
    EXPECT_FALSE(child<QGroupBox>(dialog, "GbBank")->isVisible());
    EXPECT_FALSE(child<QLineEdit>(dialog, "NewFileSx")->isVisible());
    for (int bank = 1; bank <= 5; ++bank)
        EXPECT_EQ(child<QCheckBox>(dialog, qPrintable(QStringLiteral("Cbbank%1").arg(bank)))->text(),
                  QStringLiteral("Bank %1").arg(bank));
    child<PushButton>(dialog, "LbButton1")->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(ui.messages.texts.isEmpty());
}

TEST_F(GenerateFirmwareTest, EachShowingPreparesTheInputsAndResetsPortAndSelection)
{
    TFModifyFileSx dialog(workspace, ui.services);
    dialog.show();
    EXPECT_TRUE(execute(dialog)->isEnabled());
    EXPECT_EQ(dialog.SourceFirmwareName(), "QF40231.sx");
    EXPECT_EQ(dialog.BankDir(), project / "bin");
    EXPECT_EQ(dialog.NewFirmwareName(), "New_QF40231.sx");
    EXPECT_EQ(dialog.OutputDir(), project);

    ports(dialog)->setCurrentIndex(4);
    auto* bank1 = child<QCheckBox>(dialog, "Cbbank1");
    bank1->setChecked(false);
    dialog.hide();
    dialog.show();
    EXPECT_EQ(ports(dialog)->currentText(), QStringLiteral("COM1"));
    EXPECT_TRUE(bank1->isChecked());
    for (int bank = 1; bank <= 5; ++bank)
        EXPECT_EQ(child<QCheckBox>(dialog, qPrintable(QStringLiteral("Cbbank%1").arg(bank)))->isHidden(),
                  bank > 2)
            << bank;
    EXPECT_EQ(child<QProgressBar>(dialog, "Avanzamento")->value(), 0);
}

TEST_F(GenerateFirmwareTest, WithoutTheMasterTheButtonStaysDisabled)
{
    fs::remove(app / "MASTER" / "QF40231.sx");
    TFModifyFileSx dialog(workspace, ui.services);
    dialog.show();
    EXPECT_FALSE(execute(dialog)->isEnabled());
    EXPECT_EQ(ui.messages.texts, QStringList{QStringLiteral("Error file QF40231.sx not found")});
    EXPECT_EQ(ui.messages.icons.back(), gui::Messages::Icon::Error);
}

TEST_F(GenerateFirmwareTest, WithoutAProjectTheButtonStaysDisabled)
{
    fs::remove_all(project);
    EXPECT_FALSE(workspace.beginOpenProject());
    ASSERT_TRUE(workspace.ProjectDir().empty());
    TFModifyFileSx dialog(workspace, ui.services);
    dialog.show();
    EXPECT_FALSE(execute(dialog)->isEnabled());
    EXPECT_EQ(ui.messages.texts, QStringList{QStringLiteral("Project not valid")});
    EXPECT_TRUE(dialog.BankDir().empty());
}

TEST_F(GenerateFirmwareTest, ExecuteComposesThenLaunchesAndASecondPressDoesBothAgain)
{
    TFModifyFileSx dialog(workspace, ui.services);
    dialog.show();
    ports(dialog)->setCurrentIndex(2);
    execute(dialog)->click();
    const std::string first = test::readText(project / "New_QF40231.sx");
    EXPECT_NE(first.find("S2243880001111111111"), std::string::npos);
    auto* bar = child<QProgressBar>(dialog, "Avanzamento");
    EXPECT_EQ(bar->value(), bar->maximum());
    EXPECT_EQ(launches(), std::vector<std::string>{parameters(2)});

    test::writeText(project / "bin" / "bank1.bin", std::string(16384, '\x33'));
    ports(dialog)->setCurrentIndex(7);
    execute(dialog)->click();
    EXPECT_NE(test::readText(project / "New_QF40231.sx").find("S2243880003333333333"), std::string::npos);
    EXPECT_EQ(launches(), (std::vector<std::string>{parameters(2), parameters(7)}));
    EXPECT_TRUE(ui.messages.texts.isEmpty()) << ui.messages.texts.join('\n').toStdString();
}

TEST_F(GenerateFirmwareTest, AFailedCompositionLaunchesNothingEvenWithAnEarlierFirmware)
{
    test::writeText(project / "New_QF40231.sx", "S9030000FC\r\n");
    fs::remove(project / "bin" / "bank1.bin");
    TFModifyFileSx dialog(workspace, ui.services);
    dialog.show();
    execute(dialog)->click();
    EXPECT_EQ(ui.messages.texts, QStringList{QStringLiteral("File bank1.bin Not Found,Abort Procedure")});
    EXPECT_EQ(test::readText(project / "New_QF40231.sx"), "S9030000FC\r\n");

    // The next press that composes does launch: exactly one start in all.
    test::writeText(project / "bin" / "bank1.bin", std::string(16384, '\x11'));
    execute(dialog)->click();
    EXPECT_EQ(launches(), std::vector<std::string>{parameters(0)});
}

TEST_F(GenerateFirmwareTest, AMissingFlasherIsReportedAfterTheComposition)
{
    fs::remove(app / "VuvivOdori.exe");
    TFModifyFileSx dialog(workspace, ui.services);
    dialog.show();
    execute(dialog)->click();
    EXPECT_TRUE(fs::exists(project / "New_QF40231.sx"));
    EXPECT_EQ(ui.messages.texts,
              QStringList{QStringLiteral("VuvivOdori.exe Not Found, Procedure Aborted")});
}

TEST_F(GenerateFirmwareTest, EachProjectComposesOnlyItsOwnBanksWhateverTheCaseOfItsBinFolder)
{
    TFModifyFileSx dialog(workspace, ui.services);
    dialog.show();
    execute(dialog)->click();
    EXPECT_NE(test::readText(project / "New_QF40231.sx").find("S2243880001111111111"),
              std::string::npos);
    dialog.hide();

    // A project written on Windows: "BIN", and banks of its own.
    const fs::path other = app / "PROJECTS" / "P2";
    test::writeText(other / "BIN" / "bank1.bin", std::string(16384, '\x55'));
    test::writeText(other / "BIN" / "bank2.bin", std::string(16384, '\x66'));
    workspace.finishOpenProject(other);
    dialog.show();
    EXPECT_EQ(dialog.BankDir(), other / "BIN");
    EXPECT_EQ(dialog.OutputDir(), other);
    execute(dialog)->click();
    const std::string composed = test::readText(other / "New_QF40231.sx");
    EXPECT_NE(composed.find("S2243880005555555555"), std::string::npos);
    EXPECT_NE(composed.find("S2243980006666666666"), std::string::npos);
    EXPECT_EQ(composed.find("S2243880001111111111"), std::string::npos) << "banks of P1";
    dialog.hide();

    // A project without any bin folder composes nothing, even after the two above.
    const fs::path bare = app / "PROJECTS" / "P3";
    fs::create_directories(bare);
    workspace.finishOpenProject(bare);
    dialog.show();
    EXPECT_TRUE(dialog.BankDir().empty());
    execute(dialog)->click();
    EXPECT_EQ(ui.messages.texts, QStringList{QStringLiteral("Directory Bin Not Found,Abort Procedure")});
    EXPECT_FALSE(fs::exists(bare / "New_QF40231.sx"));
    EXPECT_EQ(launches().size(), 2u);
}

TEST_F(GenerateFirmwareTest, EnterExecutesAndEscapeCloses)
{
    TFModifyFileSx dialog(workspace, ui.services);
    dialog.show();
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(&dialog, &enter);
    EXPECT_TRUE(fs::exists(project / "New_QF40231.sx"));
    EXPECT_EQ(launches(), std::vector<std::string>{parameters(0)});
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&dialog, &escape);
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(GenerateFirmwareTest, AMasterBeyondItsBoundIsRefusedAndTheDialogStays)
{
    const fs::path huge = app / "MASTER" / "QF40231.sx";
    fs::resize_file(huge, 3ull << 30); // sparse: read whole, it would take three gigabytes
    TFModifyFileSx dialog(workspace, ui.services);
    dialog.show();
    execute(dialog)->click();
    const std::string message = "File New Sx Not Create,Abort Procedure\nCannot read file \"" +
                                huge.string() +
                                "\". It holds 3221225472 bytes; a file of its kind holds at most "
                                "64 MiB (67108864 bytes)";
    EXPECT_EQ(ui.messages.texts, QStringList{QString::fromStdString(message)});
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(fs::exists(project / "New_QF40231.sx"));
}

#if defined(__SANITIZE_ADDRESS__)
#define UNDER_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define UNDER_ADDRESS_SANITIZER 1
#endif
#endif

// AddressSanitizer turns an allocation that fails into a report and an exit, never into
// std::bad_alloc, so a sanitizer build has nothing to show here.
#ifndef UNDER_ADDRESS_SANITIZER
// Memory that runs out in the middle of Execute: the press ends with a message and the dialog
// stays up, where the exception used to unwind through Qt and abort the program with the
// user's edits. Run in a child process, whose address space is cut to what it uses plus a
// margin smaller than the master it has to read.
TEST_F(GenerateFirmwareTest, MemoryThatRunsOutDuringExecuteIsShownAndTheDialogStays)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    fs::resize_file(app / "MASTER" / "QF40231.sx", 60u << 20); // within its bound: it is read
    TFModifyFileSx dialog(workspace, ui.services);
    dialog.show();
    const auto pressWithLittleMemory = [&] {
        std::ifstream status("/proc/self/status");
        std::uint64_t used = 0;
        for (std::string word; status >> word;)
            if (word == "VmSize:" && status >> used)
                break;
        const rlim_t limit = static_cast<rlim_t>((used << 10) + (24u << 20));
        const rlimit memory{limit, limit};
        if (used == 0 || ::setrlimit(RLIMIT_AS, &memory) != 0)
            std::_Exit(2);
        execute(dialog)->click();
        const QStringList expected{QStringLiteral("Not enough memory to finish the command.")};
        const bool shown = ui.messages.texts == expected;
        std::_Exit(shown && dialog.isVisible() ? 0 : 1);
    };
    EXPECT_EXIT(pressWithLittleMemory(), ::testing::ExitedWithCode(0), "");
}
#endif
namespace {

TEST_F(GenerateFirmwareTest, AfterTheCompositionOneLineSaysWhatIsAboutToBeFlashed)
{
    TFModifyFileSx dialog(workspace, ui.services);
    dialog.show();
    EXPECT_TRUE(dialog.Summary().isEmpty());
    execute(dialog)->click();
    // Bank 1 is all 0x11 here: every field reads 17, every count 4369.
    const QString line = QStringLiteral(
        "17.17.17.17:4369, mask 17.17.17.17, bit-rate code 17, CAN 2.0B, 4369 received / 4369 "
        "transmitted frames, 4369 / 4369 registers, built 2017-02-02 17:08:04");
    EXPECT_EQ(dialog.Summary(), line);
    EXPECT_TRUE(child<QLabel>(dialog, "Summary")->isVisible());
    EXPECT_EQ(launches().size(), 1u);
    dialog.hide();
    dialog.show();
    EXPECT_TRUE(dialog.Summary().isEmpty()) << "a new showing has composed nothing yet";
}

TEST_F(GenerateFirmwareTest, AFirmwareSpoiledOnDiskBeforeItsReadBackIsNeverFlashed)
{
    TFModifyFileSx dialog(workspace, ui.services);
    // One data byte of bank 2's first record changed, its checksum mended.
    dialog.setBeforeVerify([](const fs::path& firmware) {
        std::string text = test::readText(firmware);
        const std::size_t line = text.find("S224398000");
        ASSERT_NE(line, std::string::npos);
        std::string record = text.substr(line, 76);
        record.replace(10, 2, "23");
        record.replace(74, 2, firmware::RecordChecksum(record));
        text.replace(line, 76, record);
        test::writeText(firmware, text);
    });
    dialog.show();
    execute(dialog)->click();
    EXPECT_EQ(ui.messages.texts,
              QStringList{QStringLiteral("The new firmware does not hold the project's configuration: "
                                         "bank 2 byte 0 (address 0x398000) reads 0x23 instead of 0x22.")});
    EXPECT_FALSE(fs::exists(project / "New_QF40231.sx"));
    EXPECT_TRUE(dialog.Summary().isEmpty());
    EXPECT_EQ(launches(), std::vector<std::string>{});
}

} // namespace

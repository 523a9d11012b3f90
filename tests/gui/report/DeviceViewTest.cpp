#include "gui/report/DeviceView.h"
#include "support/FreePort.h"
#include "support/SmallProject.h"
#include "support/TempDir.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

using namespace cravent;
namespace fs = std::filesystem;

namespace {

// cravent-sim on the project, fed `lines` on its standard input; it serves on after they end.
class Simulator {
public:
    Simulator(const fs::path& project, const fs::path& lines, int port)
    {
        pid_ = ::fork();
        if (pid_ == 0) {
            const std::string sim = std::string(CRAVENT_BIN_DIR) + "/cravent-sim";
            // As in the simulator's own test: no leak check at its exit, and a hung one killed.
            const std::string command = "exec env \"ASAN_OPTIONS=${ASAN_OPTIONS:-}:detect_leaks=0\" timeout -k 5 60 '" + sim + "' '" + project.string() +
                                        "' --port " + std::to_string(port) + " <'" +
                                        lines.string() + "' >/dev/null 2>&1";
            ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
    }
    ~Simulator() { stop(); }
    void stop()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }

private:
    pid_t pid_ = -1;
};

QString cell(QTableWidget* table, int row, int column)
{
    const QTableWidgetItem* item = table->item(row, column);
    return item ? item->text() : QString();
}

bool waitFor(const std::function<bool()>& done)
{
    return QTest::qWaitFor(done, 5000);
}

TEST(DeviceView, ShowsTheLiveValueOfEveryMappedRegisterAndSaysWhenTheDeviceStopsAnswering)
{
    test::TempDir dir;
    test::SmallProject project; // 0x181 -> register 0 (B1, B2); 0x182 -> register 1 (B3, B4)
    project.ip = {"127", "0", "0", "1"};
    project.writeTo(dir / "P");
    test::writeText(dir / "lines.log", "181#0102030405060708\n(1.0) can0 182#0A0B0C0D\n");
    const int port = cravent::test::freeLoopbackPort();
    Simulator sim(dir / "P", dir / "lines.log", port);

    gui::DeviceView view(dir / "P");
    view.resize(900, 400);
    view.show();
    auto* host = view.findChild<QLineEdit*>(QStringLiteral("DeviceHost"));
    auto* portBox = view.findChild<QSpinBox*>(QStringLiteral("DevicePort"));
    auto* table = view.findChild<QTableWidget*>(QStringLiteral("DeviceRegisters"));
    auto* state = view.findChild<QLabel*>(QStringLiteral("DeviceState"));
    auto* connectButton = view.findChild<QPushButton*>(QStringLiteral("DeviceConnect"));
    ASSERT_TRUE(host && portBox && table && state && connectButton);
    // Address and port start as the project's settings; rows are there before any answer.
    EXPECT_EQ(host->text(), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(portBox->value(), 502);
    ASSERT_EQ(table->rowCount(), 3);
    EXPECT_EQ(cell(table, 0, 4), QStringLiteral("0x181"));
    EXPECT_EQ(cell(table, 1, 5), QStringLiteral("B3"));
    EXPECT_EQ(cell(table, 2, 0), QStringLiteral("transmit"));

    portBox->setValue(port);
    QTest::mouseClick(connectButton, Qt::LeftButton);
    EXPECT_EQ(connectButton->text(), QStringLiteral("Disconnect"));
    ASSERT_TRUE(waitFor([&] { return cell(table, 1, 7) == QStringLiteral("3085"); }))
        << state->text().toStdString();
    EXPECT_EQ(cell(table, 0, 7), QStringLiteral("258"));
    EXPECT_EQ(cell(table, 0, 8), QStringLiteral("0x0102"));
    EXPECT_EQ(cell(table, 1, 8), QStringLiteral("0x0C0D"));
    EXPECT_TRUE(state->text().startsWith(QStringLiteral("Connected to 127.0.0.1:%1").arg(port)));

    // The device goes away: the window stays responsive and says so; the last values stay.
    sim.stop();
    ASSERT_TRUE(waitFor([&] { return state->text().startsWith(QStringLiteral("No answer")); }))
        << state->text().toStdString();
    EXPECT_EQ(cell(table, 0, 7), QStringLiteral("258"));

    QTest::mouseClick(connectButton, Qt::LeftButton);
    EXPECT_EQ(state->text(), QStringLiteral("Not connected"));
    EXPECT_TRUE(host->isEnabled());
}

TEST(DeviceView, AProjectThatDoesNotBuildCannotConnectAndSaysWhy)
{
    test::TempDir dir;
    test::SmallProject project;
    project.rxText = "<COBID><row CobID=\"zz\" Dimensin=\"8\" Mnemonic=\"\"/></COBID>";
    project.writeTo(dir / "P");
    gui::DeviceView view(dir / "P");
    auto* state = view.findChild<QLabel*>(QStringLiteral("DeviceState"));
    auto* connectButton = view.findChild<QPushButton*>(QStringLiteral("DeviceConnect"));
    EXPECT_FALSE(connectButton->isEnabled());
    EXPECT_TRUE(state->text().contains(QStringLiteral("'zz' is not a valid integer value")))
        << state->text().toStdString();
}

} // namespace

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

#include <atomic>
#include <chrono>
#include <csignal>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <netinet/in.h>
#include <sys/socket.h>

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

// A server that answers every read, but a byte every 100 ms: each byte well within libmodbus's
// byte timeout, the whole answer far beyond the view's 400 ms.
class TricklingServer {
public:
    TricklingServer()
    {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listener_, 4);
        socklen_t size = sizeof address;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
    ~TricklingServer()
    {
        stop_ = true;
        ::shutdown(listener_, SHUT_RDWR);
        thread_.join();
        ::close(listener_);
    }
    int port() const { return port_; }

private:
    void serve()
    {
        while (!stop_) {
            const int client = ::accept(listener_, nullptr, nullptr);
            if (client < 0)
                return;
            std::uint8_t request[12];
            while (!stop_ && ::recv(client, request, sizeof request, MSG_WAITALL) == sizeof request) {
                const int count = request[10] << 8 | request[11];
                std::vector<std::uint8_t> answer{request[0], request[1], 0, 0, 0,
                                                 static_cast<std::uint8_t>(3 + 2 * count), request[6], 3,
                                                 static_cast<std::uint8_t>(2 * count)};
                answer.resize(answer.size() + 2 * static_cast<std::size_t>(count), 0x11);
                for (std::size_t i = 0; i < answer.size() && !stop_; ++i) {
                    if (::send(client, &answer[i], 1, MSG_NOSIGNAL) != 1)
                        break;
                    std::this_thread::sleep_for(std::chrono::milliseconds(100));
                }
            }
            ::close(client);
        }
    }

    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_ = false;
    std::thread thread_;
};

TEST(DeviceView, ADeviceThatTricklesItsAnswersIsReportedAsNotAnsweringInsteadOfWaitedOn)
{
    test::TempDir dir;
    test::SmallProject project;
    project.ip = {"127", "0", "0", "1"};
    project.writeTo(dir / "P");
    TricklingServer server;

    gui::DeviceView view(dir / "P");
    auto* portBox = view.findChild<QSpinBox*>(QStringLiteral("DevicePort"));
    auto* state = view.findChild<QLabel*>(QStringLiteral("DeviceState"));
    auto* connectButton = view.findChild<QPushButton*>(QStringLiteral("DeviceConnect"));
    ASSERT_TRUE(portBox && state && connectButton);
    portBox->setValue(server.port());
    QTest::mouseClick(connectButton, Qt::LeftButton);
    // The first outcome of a poll, whichever it is: an answer pieced together from its bytes
    // would say "Connected".
    ASSERT_TRUE(QTest::qWaitFor([&] { return !state->text().startsWith(QStringLiteral("Connecting")); }, 60000));
    EXPECT_TRUE(state->text().startsWith(QStringLiteral("No answer"))) << state->text().toStdString();
    EXPECT_TRUE(state->text().contains(QStringLiteral("no whole answer within 400 ms"))) << state->text().toStdString();
    QTest::mouseClick(connectButton, Qt::LeftButton);
}

} // namespace

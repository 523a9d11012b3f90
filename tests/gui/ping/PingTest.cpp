#include "gui/app/TFCraventeFirmWare.h"
#include "gui/ping/TFPing.h"
#include "support/GuiTestSupport.h"
#include "support/TempDir.h"
#include "gui/widgets/PushButton.h"
#include "core/workspace/Workspace.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QTest>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace cravent;
using namespace std::chrono_literals;
using cravent::gui::PushButton;
using cravent::gui::TFCraventeFirmWare;
using cravent::gui::TFPing;
namespace fs = std::filesystem;

namespace {

constexpr const char* InNamespace = "CRAVENT_PING_TEST_NAMESPACE";

QLabel* child(const QWidget& w, const char* name)
{
    return w.findChild<QLabel*>(QString::fromLatin1(name));
}

// The picture that is shown, by name; empty when none or several are.
QString shownPicture(const TFPing& dialog)
{
    QString shown;
    for (const char* name : {"I_P_E", "I_P_F", "I_P_NF"}) {
        if (!child(dialog, name)->isHidden()) {
            if (!shown.isEmpty())
                return {};
            shown = QString::fromLatin1(name);
        }
    }
    return shown;
}

struct Shown {
    QString caption, label, picture;
};

struct PingWindowTest : ::testing::Test {
    test::TempDir app;
    test::TestUi ui;
    Workspace workspace{app.path()};
    TFCraventeFirmWare window{workspace, ui.services};

    PingWindowTest() { window.setPingTimeout(2000ms); }

    // Pings `address` and returns what the result dialog showed, closing it with "OK".
    Shown ping(const QString& address)
    {
        window.pingAddress()->setText(address);
        Shown shown;
        bool opened = false;
        const auto resultWatch = test::whenModalOpens([&](QDialog* dialog) {
            opened = true;
            auto* result = qobject_cast<TFPing*>(dialog);
            EXPECT_NE(result, nullptr);
            if (result != nullptr)
                shown = {result->windowTitle(), child(*result, "Label1")->text(),
                         shownPicture(*result)};
            dialog->findChild<PushButton*>(QStringLiteral("LbButton1"))->click();
        });
        window.findChild<PushButton*>(QStringLiteral("Btn_Ping"))->click();
        // The echo runs beside the window: the result opens when its answer is in.
        EXPECT_TRUE(QTest::qWaitFor([&] { return opened; }, 30000))
            << "no result dialog for " << address.toStdString();
        return shown;
    }
};

void expectShown(const Shown& shown, const char* caption, const char* label, const char* picture)
{
    EXPECT_EQ(shown.caption, QString::fromLatin1(caption));
    EXPECT_EQ(shown.label, QString::fromLatin1(label));
    EXPECT_EQ(shown.picture, QString::fromLatin1(picture));
}

} // namespace

TEST(TFPingTest, StartsBlankAndShowsOneSignPerOutcome)
{
    TFPing dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Ping!"));
    EXPECT_EQ(dialog.size(), QSize(218, 98));
    auto* ok = dialog.findChild<PushButton*>(QStringLiteral("LbButton1"));
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), QStringLiteral("OK"));
    EXPECT_EQ(ok->geometry(), QRect(48, 64, 121, 23));
    EXPECT_EQ(ok->highlightColor(), QColor(0xFF, 0xFF, 0x80));
    for (const char* name : {"I_P_E", "I_P_F", "I_P_NF"}) {
        EXPECT_EQ(child(dialog, name)->geometry(), QRect(16, 16, 41, 41)) << name;
        EXPECT_TRUE(child(dialog, name)->isHidden()) << name;
    }
    EXPECT_EQ(child(dialog, "Label1")->pos(), QPoint(64, 24));

    const struct {
        net::PingOutcome outcome;
        const char* caption;
        const char* label;
        const char* picture;
    } cases[] = {
        {net::PingOutcome::Found, "Ping! Device Found!", "Device Found!", "I_P_F"},
        {net::PingOutcome::NotFound, "Ping! Device Not Found!", "Device Not Found!", "I_P_NF"},
        {net::PingOutcome::Error, "Ping! Error!!!", "Error!!! Check the Ip Address", "I_P_E"},
        {net::PingOutcome::Found, "Ping! Device Found!", "Device Found!", "I_P_F"},
    };
    for (const auto& c : cases) {
        dialog.SetPingResult(c.outcome);
        EXPECT_EQ(dialog.windowTitle(), QString::fromLatin1(c.caption));
        EXPECT_EQ(child(dialog, "Label1")->text(), QString::fromLatin1(c.label));
        EXPECT_EQ(shownPicture(dialog), QString::fromLatin1(c.picture));
    }
    dialog.SetPingResult(7, QStringLiteral("c"), QStringLiteral("l"));
    EXPECT_EQ(shownPicture(dialog), QString()) << "an unknown code shows no sign";
}

TEST_F(PingWindowTest, PingsInARowEachShowTheirOwnOutcome)
{
    expectShown(ping(QStringLiteral("127.0.0.1")), "Ping! Device Found!", "Device Found!", "I_P_F");
    EXPECT_EQ(window.PingReplyState(), 1);
    expectShown(ping(QStringLiteral("bad host!")), "Ping! Error!!!",
                "Error!!! Check the Ip Address", "I_P_E");
    EXPECT_EQ(window.PingReplyState(), 0) << "reset before the ping, no reply since";
    expectShown(ping(QStringLiteral("-c1")), "Ping! Error!!!", "Error!!! Check the Ip Address",
                "I_P_E");
    expectShown(ping(QStringLiteral("localhost")), "Ping! Device Found!", "Device Found!", "I_P_F");
    EXPECT_TRUE(ui.messages.texts.isEmpty());
}

TEST_F(PingWindowTest, WithoutAProjectNothingIsSent)
{
    expectShown(ping(QStringLiteral("127.0.0.1")), "Ping! Device Found!", "Device Found!", "I_P_F");
    fs::create_directories(app / "PROJECTS" / "Gone");
    ui.choosers.folders.push_back(QString::fromStdString((app / "PROJECTS" / "Gone").string()));
    window.OpenaClick();
    fs::remove_all(app / "PROJECTS" / "Gone");
    window.OpenaClick(); // cancelled: no project is left
    ASSERT_FALSE(workspace.hasValidProject());

    window.pingAddress()->setText(QStringLiteral("bad host!"));
    window.findChild<PushButton*>(QStringLiteral("Btn_Ping"))->click();
    EXPECT_EQ(ui.messages.texts, QStringList{QStringLiteral("Project not valid")});
    // A ping would have reset the state and shown the error outcome.
    EXPECT_EQ(window.PingReplyState(), 1);
    EXPECT_EQ(window.pingResult()->windowTitle(), QStringLiteral("Ping! Device Found!"));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

namespace {

// Runs the current test again inside a network namespace of its own, where the test may make
// the loopback ignore echo requests: a real unanswered ping that touches no real network.
void rerunInOwnNetwork()
{
    const QStringList unshare{::geteuid() == 0 ? QStringLiteral("-n") : QStringLiteral("-rn")};
    if (QProcess::execute(QStringLiteral("unshare"), unshare + QStringList{QStringLiteral("true")}) != 0)
        GTEST_SKIP() << "network namespaces are not allowed here (unshare "
                     << unshare.join(' ').toStdString() << " failed)";
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const QString filter = QStringLiteral("--gtest_filter=%1.%2")
                               .arg(QString::fromLatin1(info->test_suite_name()),
                                    QString::fromLatin1(info->name()));
    QProcess inside;
    inside.setProcessChannelMode(QProcess::ForwardedChannels);
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(InNamespace), QStringLiteral("1"));
    inside.setProcessEnvironment(env);
    inside.start(QStringLiteral("unshare"),
                 unshare + QStringList{QStringLiteral("sh"), QStringLiteral("-c"),
                                       QStringLiteral("ip link set lo up && exec \"$0\" \"$1\""),
                                       QCoreApplication::applicationFilePath(), filter});
    ASSERT_TRUE(inside.waitForFinished(60000));
    EXPECT_EQ(inside.exitCode(), 0) << "the test failed inside the namespace";
}

} // namespace

TEST_F(PingWindowTest, UnansweredPingIsNotFoundWhileTheWindowKeepsAnswering)
{
    if (!qEnvironmentVariableIsSet(InNamespace))
        return rerunInOwnNetwork();

    window.setPingTimeout(300ms);
    expectShown(ping(QStringLiteral("127.0.0.1")), "Ping! Device Found!", "Device Found!", "I_P_F");
    std::ofstream(std::filesystem::path("/proc/sys/net/ipv4/icmp_echo_ignore_all")) << "1\n";

    int ticks = 0;
    QTimer clock;
    QObject::connect(&clock, &QTimer::timeout, [&ticks] { ++ticks; });
    clock.start(5);
    int ticksWhenShown = 0;
    const auto resultWatch = test::whenModalOpens([&](QDialog* dialog) {
        ticksWhenShown = ticks;
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Ping! Device Not Found!"));
        EXPECT_EQ(shownPicture(*qobject_cast<TFPing*>(dialog)), QStringLiteral("I_P_NF"));
        dialog->accept();
    });
    window.findChild<PushButton*>(QStringLiteral("Btn_Ping"))->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return resultWatch.opened(); }, 30000));
    EXPECT_EQ(window.PingReplyState(), 2);
    // The window kept handling its events all through the 300 ms the echo waited.
    EXPECT_GE(ticksWhenShown, 10);
}

// A ping that waits its full time, with the user busy meanwhile.
TEST_F(PingWindowTest, WhileAPingWaitsTheCommandsRestAndADialogOpenedMeanwhileHoldsNothingBack)
{
    if (!qEnvironmentVariableIsSet(InNamespace))
        return rerunInOwnNetwork();
    window.setPingTimeout(1500ms);
    std::ofstream(std::filesystem::path("/proc/sys/net/ipv4/icmp_echo_ignore_all")) << "1\n";
    window.pingAddress()->setText(QStringLiteral("127.0.0.1"));
    window.findChild<PushButton*>(QStringLiteral("Btn_Ping"))->click();

    EXPECT_TRUE(window.pingUnderWay());
    EXPECT_EQ(window.cursor().shape(), Qt::BusyCursor);
    const char* const commands[] = {"New",      "open",          "btn_Prm_Gen", "Btn_Ping",
                                    "btn_RCOB", "btn_Info_RCOB", "btn_TCOB",    "btn_Info_TCOB",
                                    "CreateBin", "btn_Report",   "Edit1"};
    for (const char* name : commands)
        EXPECT_FALSE(window.findChild<QWidget*>(QString::fromLatin1(name))->isEnabled()) << name;
    EXPECT_TRUE(window.findChild<QWidget*>(QStringLiteral("about"))->isEnabled());

    // "About" opened during the wait: the result opens over it when the echo gives up.
    QDialog* about = nullptr;
    bool resultOverAbout = false;
    bool resultClosed = false;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (QApplication::activeModalWidget() == window.pingResult()) {
            resultOverAbout = about != nullptr && about->isVisible();
            EXPECT_EQ(window.pingResult()->windowTitle(), QStringLiteral("Ping! Device Not Found!"));
            window.pingResult()->accept();
            resultClosed = true;
        }
    });
    closer.start(5);
    const auto aboutWatch = test::whenModalOpens([&](QDialog* dialog) {
        about = dialog;
        EXPECT_TRUE(QTest::qWaitFor([&] { return resultClosed; }, 30000)) << "no result while About is open";
        dialog->reject();
    });
    window.findChild<PushButton*>(QStringLiteral("about"))->click();
    EXPECT_EQ(about->windowTitle(), QStringLiteral("About..."));
    EXPECT_TRUE(resultOverAbout);
    EXPECT_EQ(window.PingReplyState(), 2);

    EXPECT_FALSE(window.pingUnderWay());
    EXPECT_EQ(window.cursor().shape(), Qt::ArrowCursor);
    for (const char* name : commands)
        EXPECT_TRUE(window.findChild<QWidget*>(QString::fromLatin1(name))->isEnabled()) << name;
}

#include "KeyInput.h"
#include "core/project/PargenFile.h"
#include "gui/settings/TFpargen.h"
#include "gui/settings/TRangeEdit.h"
#include "support/GuiTestSupport.h"
#include "support/TempDir.h"
#include "gui/widgets/PushButton.h"
#include "core/workspace/Workspace.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <gtest/gtest.h>

using namespace cravent;
using cravent::gui::PushButton;
using cravent::gui::TFpargen;
using cravent::gui::TRangeEdit;
namespace fs = std::filesystem;

namespace {

const char* const InitialFile =
    "<GeneralParameter><BaudRateCAN>0</BaudRateCAN><CANType>0</CANType>"
    "<ADD_IP IPB1=\"0\" IPB2=\"0\" IPB3=\"0\" IPB4=\"0\"/>"
    "<SUBNET SMB1=\"255\" SMB2=\"255\" SMB3=\"255\" SMB4=\"0\"/>"
    "<Port>502</Port></GeneralParameter>";

struct TFpargenTest : ::testing::Test {
    test::TempDir app;
    test::TestUi ui;
    Workspace workspace{app.path()};
    QString ping = QStringLiteral("255.255.255.255");
    TFpargen dialog{workspace, ui.services, [this](const QString& address) { ping = address; }};

    void SetUp() override
    {
        workspace.startUp();
        ASSERT_EQ(workspace.createProject("P1"), Workspace::NewProjectOutcome::Created);
    }

    template <class T> T* child(const QString& name)
    {
        auto* widget = dialog.findChild<T*>(name);
        EXPECT_NE(widget, nullptr) << name.toStdString();
        return widget;
    }
    QComboBox* bitRate() { return child<QComboBox>(QStringLiteral("CB_BR_CAN")); }
    TRangeEdit* ip(int n) { return child<TRangeEdit>(QStringLiteral("re_ipb%1").arg(n)); }
    TRangeEdit* mask(int n) { return child<TRangeEdit>(QStringLiteral("re_smb%1").arg(n)); }
    QLineEdit* port() { return child<QLineEdit>(QStringLiteral("E_TimeOut")); }
    PushButton* ok() { return child<PushButton>(QStringLiteral("bitbtn1")); }
    PushButton* cancel() { return child<PushButton>(QStringLiteral("bitbtn2")); }

    // What the controls show: "bit rate|CAN type|IP|mask|port".
    std::string shown()
    {
        const auto octets = [](auto field) {
            return QStringList{field(1)->text(), field(2)->text(), field(3)->text(), field(4)->text()}
                .join(QLatin1Char('.'));
        };
        const bool a = child<QRadioButton>(QStringLiteral("RB_CAN_A"))->isChecked();
        const bool b = child<QRadioButton>(QStringLiteral("RB_CAN_B"))->isChecked();
        return QStringList{bitRate()->currentText(),
                           a == b ? QStringLiteral("?") : a ? QStringLiteral("2.0A") : QStringLiteral("2.0B"),
                           octets([this](int n) { return ip(n); }),
                           octets([this](int n) { return mask(n); }), port()->text()}
            .join(QLatin1Char('|'))
            .toStdString();
    }

    // Shows the dialog as the main window does, modally, runs `action` in it and closes it.
    int showAnd(const std::function<void()>& action)
    {
        const auto shownWatch = test::whenModalOpens([action](QDialog*) { action(); });
        return dialog.exec();
    }

    void typeInto(QLineEdit* edit, const QString& text)
    {
        edit->selectAll();
        test::typeKeys(edit, text);
        test::leaveField(edit);
    }

    fs::path pargen(const char* project = "P1") const { return app / "PROJECTS" / project / "pargen.xml"; }
};

} // namespace

TEST_F(TFpargenTest, FirstShowingWithoutAFilePresentsTheInitialValuesAndOkStoresThem)
{
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("SET COMMUNICATION"));
    QStringList groups;
    for (const auto* group : dialog.findChildren<QGroupBox*>())
        groups << group->title();
    EXPECT_EQ(groups, (QStringList{QStringLiteral("CAN Bus"), QStringLiteral("Net config")}));
    QStringList items;
    for (int i = 0; i < bitRate()->count(); ++i)
        items << bitRate()->itemText(i);
    EXPECT_EQ(items.join(QLatin1Char(',')), QStringLiteral("10,20,50,100,125,250,500,800,1000"));
    EXPECT_TRUE(bitRate()->isEditable());
    EXPECT_EQ(child<QRadioButton>(QStringLiteral("RB_CAN_A"))->text(),
              QStringLiteral("CAN Bus 2.0A (CobID 11Bit)"));
    EXPECT_EQ(child<QRadioButton>(QStringLiteral("RB_CAN_B"))->text(),
              QStringLiteral("CAN Bus 2.0B (CobID 29Bit)"));
    EXPECT_EQ(ok()->text(), QStringLiteral("OK"));
    EXPECT_EQ(cancel()->text(), QStringLiteral("Cancel"));

    const int result = showAnd([this] {
        EXPECT_EQ(shown(), "10|2.0A|0.0.0.0|255.255.255.0|502");
        EXPECT_EQ(dialog.focusWidget(), ok());
        ok()->click();
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(test::readText(pargen()), InitialFile);
    EXPECT_EQ(ping, QStringLiteral("0.0.0.0"));
    EXPECT_TRUE(ui.messages.texts.isEmpty());
}

TEST_F(TFpargenTest, SettingsShownForOneProjectCarryOverToAProjectWithoutAFile)
{
    project::PargenValues values;
    values.baudRateIndex = 6;
    values.canType = 1;
    values.ip = {10, 0, 0, 7};
    values.mask = {255, 0, 0, 0};
    values.port = "1502";
    project::writePargen(pargen(), values);
    showAnd([this] {
        EXPECT_EQ(shown(), "500|2.0B|10.0.0.7|255.0.0.0|1502");
        cancel()->click();
    });

    ASSERT_EQ(workspace.createProject("P2"), Workspace::NewProjectOutcome::Created);
    const int result = showAnd([this] {
        EXPECT_EQ(shown(), "500|2.0B|10.0.0.7|255.0.0.0|1502");
        ok()->click();
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(test::readText(pargen("P2")), test::readText(pargen("P1")));
    EXPECT_EQ(ping, QStringLiteral("10.0.0.7"));
}

TEST_F(TFpargenTest, StoresTheIndexOfTheBitRateSelectedOrTyped)
{
    const struct {
        const char* rate;
        bool typed;
        const char* stored;
    } cases[] = {{"1000", false, "8"}, {"125", false, "4"}, {"125", true, "4"},
                 {"1200", true, "-1"}, {"", true, "-1"},     {"10", true, "0"}};
    for (const auto& c : cases) {
        showAnd([this, &c] {
            const QString rate = QString::fromLatin1(c.rate);
            if (c.typed)
                typeInto(bitRate()->lineEdit(), rate);
            else
                bitRate()->setCurrentIndex(bitRate()->findText(rate));
            ok()->click();
        });
        const auto stored = project::readPargen(pargen());
        EXPECT_EQ(stored.baudRateCan, c.stored) << c.rate << (c.typed ? " typed" : " selected");
    }
    // A stored index outside the list selects nothing and leaves the box empty.
    test::writeText(pargen(), "<GeneralParameter><BaudRateCAN>9</BaudRateCAN></GeneralParameter>");
    showAnd([this] {
        EXPECT_EQ(bitRate()->currentIndex(), -1);
        EXPECT_EQ(bitRate()->currentText(), QString());
        cancel()->click();
    });
}

TEST_F(TFpargenTest, APartialFileFallsBackValueByValue)
{
    const struct {
        const char* name;
        const char* file;
        const char* shown;
    } cases[] = {
        {"ADD_IP without IPB3",
         "<GeneralParameter><BaudRateCAN>4</BaudRateCAN><CANType>1</CANType>"
         "<ADD_IP IPB1=\"10\" IPB2=\"1\" IPB4=\"9\"/><SUBNET SMB1=\"255\" SMB2=\"255\" SMB3=\"0\" "
         "SMB4=\"0\"/><Port>1502</Port></GeneralParameter>",
         "125|2.0B|0.0.0.0|255.255.0.0|1502"},
        {"no Port",
         "<GeneralParameter><BaudRateCAN>2</BaudRateCAN><CANType>0</CANType>"
         "<ADD_IP IPB1=\"10\" IPB2=\"1\" IPB3=\"2\" IPB4=\"9\"/><SUBNET SMB1=\"255\" SMB2=\"255\" "
         "SMB3=\"0\" SMB4=\"0\"/></GeneralParameter>",
         "50|2.0A|10.1.2.9|255.255.0.0|777"},
    };
    for (const auto& c : cases) {
        port()->setText(QStringLiteral("777"));
        ip(1)->setText(QStringLiteral("1"));
        test::writeText(pargen(), c.file);
        showAnd([this, &c] {
            EXPECT_EQ(shown(), c.shown) << c.name;
            EXPECT_EQ(dialog.focusWidget(), ok()) << c.name;
            cancel()->click();
        });
    }
    EXPECT_TRUE(ui.messages.texts.isEmpty());
}

TEST_F(TFpargenTest, AFileThatCannotBeReadLeavesTheControlsAsTheyAre)
{
    const auto unreadable = {
        std::function<void()>([this] { test::writeText(pargen(), "<GeneralParameter><BaudRateCAN>4</Baud"); }),
        std::function<void()>([this] { fs::create_directory(pargen()); }),
    };
    for (const auto& makeFile : unreadable) {
        fs::remove_all(pargen());
        makeFile();
        port()->setText(QStringLiteral("777"));
        ip(4)->setText(QStringLiteral("30"));
        const std::string before = shown();
        showAnd([this, &before] {
            EXPECT_EQ(shown(), before);
            EXPECT_NE(dialog.focusWidget(), ok());
            cancel()->click();
        });
    }
    EXPECT_TRUE(ui.messages.texts.isEmpty());
}

TEST_F(TFpargenTest, OkStoresRoundedOctetsAndHandsTheShownTextsToThePing)
{
    const int result = showAnd([this] {
        typeInto(ip(1), QStringLiteral("12.5"));
        typeInto(ip(2), QStringLiteral("12,6"));
        typeInto(ip(3), QStringLiteral("30"));
        ip(3)->end(false);
        test::typeKeys(ip(3), QStringLiteral("0")); // a third digit into 30
        test::leaveField(ip(3));
        ip(4)->clear();
        typeInto(mask(4), QStringLiteral("256"));
        typeInto(port(), QStringLiteral("x"));
        ok()->click();
    });
    EXPECT_EQ(result, QDialog::Accepted);
    const auto stored = project::readPargen(pargen());
    EXPECT_EQ(stored.ip, (std::array<std::optional<std::string>, 4>{"12", "13", "30", "0"}));
    EXPECT_EQ(stored.mask[3], "25"); // typing 256 went through 2 and 25, the last valid value
    EXPECT_EQ(stored.port, "x");
    EXPECT_EQ(ping, QStringLiteral("12.5.12.6.300.0"));
    EXPECT_EQ(shown(), "10|2.0A|12.5.12.6.300.0|255.255.255.256|x");
}

TEST_F(TFpargenTest, AFailedSaveKeepsTheDialogOpenAndThePingAddress)
{
    const int result = showAnd([this] {
        fs::remove_all(app / "PROJECTS" / "P1");
        ok()->click();
        EXPECT_TRUE(dialog.isVisible());
        ASSERT_EQ(ui.messages.texts.size(), 1);
        EXPECT_TRUE(ui.messages.texts[0].contains(QString::fromStdString(pargen().string())))
            << ui.messages.texts[0].toStdString();
        EXPECT_TRUE(ui.messages.texts[0].contains(QStringLiteral("No such file or directory")))
            << ui.messages.texts[0].toStdString();
        cancel()->click();
    });
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_EQ(ping, QStringLiteral("255.255.255.255"));
    EXPECT_FALSE(fs::exists(pargen()));
}

TEST_F(TFpargenTest, CancelStoresNothingAndTheEditsStayForTheNextShowing)
{
    const int result = showAnd([this] {
        typeInto(port(), QStringLiteral("1502"));
        child<QRadioButton>(QStringLiteral("RB_CAN_B"))->setChecked(true);
        cancel()->click();
    });
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_FALSE(fs::exists(pargen()));
    EXPECT_EQ(ping, QStringLiteral("255.255.255.255"));
    showAnd([this] {
        EXPECT_EQ(shown(), "10|2.0B|0.0.0.0|255.255.255.0|1502");
        cancel()->click();
    });
}

TEST_F(TFpargenTest, AFileNamedInAnotherCaseIsReadAndReplaced)
{
    const fs::path windowsName = app / "PROJECTS" / "P1" / "Pargen.xml";
    test::writeText(windowsName, "<GeneralParameter><BaudRateCAN>5</BaudRateCAN><CANType>1</CANType>"
                                 "<ADD_IP IPB1=\"1\" IPB2=\"2\" IPB3=\"3\" IPB4=\"4\"/>"
                                 "<SUBNET SMB1=\"255\" SMB2=\"0\" SMB3=\"0\" SMB4=\"0\"/>"
                                 "<Port>502</Port></GeneralParameter>");
    showAnd([this] {
        EXPECT_EQ(shown(), "250|2.0B|1.2.3.4|255.0.0.0|502");
        ok()->click();
    });
    EXPECT_FALSE(fs::exists(pargen()));
    EXPECT_EQ(project::readPargen(windowsName).baudRateCan, "5");
}

#include "core/settings/CommunicationForm.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace cravent;
using namespace cravent::settings;
using cravent::test::TempDir;
using cravent::test::writeText;

namespace {

std::string octets(const std::array<RangeValue, 4>& fields)
{
    return fields[0].text() + "." + fields[1].text() + "." + fields[2].text() + "." + fields[3].text();
}

// A form that differs from the initial one everywhere, so that every fallback shows.
CommunicationForm editedForm()
{
    CommunicationForm form;
    form.bitRate = "500";
    form.can20B = true;
    for (std::size_t i = 0; i < 4; ++i) {
        form.ip[i].setText(std::to_string(i + 1));
        form.mask[i].setText("9");
    }
    form.port = "777";
    return form;
}

project::StoredPargen fullFile()
{
    project::StoredPargen stored;
    stored.rootName = "GeneralParameter";
    stored.baudRateCan = "8";
    stored.canType = "1";
    stored.ip = {"192", "168", "0", "30"};
    stored.mask = {"255", "255", "0", "0"};
    stored.port = "503";
    return stored;
}

} // namespace

TEST(CommunicationForm, LoadingFallsBackValueByValue)
{
    const struct {
        const char* name;
        void (*change)(project::StoredPargen&);
        const char* bitRate;
        bool can20B;
        const char* ip;
        const char* mask;
        const char* port;
    } cases[] = {
        {"whole file", [](project::StoredPargen&) {}, "1000", true, "192.168.0.30", "255.255.0.0", "503"},
        {"no BaudRateCAN", [](auto& s) { s.baudRateCan.reset(); }, "10", true, "192.168.0.30", "255.255.0.0", "503"},
        {"BaudRateCAN not a number", [](auto& s) { s.baudRateCan = "fast"; }, "10", true, "192.168.0.30", "255.255.0.0", "503"},
        {"BaudRateCAN empty", [](auto& s) { s.baudRateCan = ""; }, "10", true, "192.168.0.30", "255.255.0.0", "503"},
        {"BaudRateCAN 9 selects nothing", [](auto& s) { s.baudRateCan = "9"; }, "", true, "192.168.0.30", "255.255.0.0", "503"},
        {"BaudRateCAN -1 selects nothing", [](auto& s) { s.baudRateCan = "-1"; }, "", true, "192.168.0.30", "255.255.0.0", "503"},
        {"BaudRateCAN in hex", [](auto& s) { s.baudRateCan = "0x4"; }, "125", true, "192.168.0.30", "255.255.0.0", "503"},
        {"CANType 0", [](auto& s) { s.canType = "0"; }, "1000", false, "192.168.0.30", "255.255.0.0", "503"},
        {"CANType 2 is 2.0B", [](auto& s) { s.canType = "2"; }, "1000", true, "192.168.0.30", "255.255.0.0", "503"},
        {"CANType -1 is 2.0B", [](auto& s) { s.canType = "-1"; }, "1000", true, "192.168.0.30", "255.255.0.0", "503"},
        {"CANType empty", [](auto& s) { s.canType = ""; }, "1000", false, "192.168.0.30", "255.255.0.0", "503"},
        {"no CANType", [](auto& s) { s.canType.reset(); }, "1000", false, "192.168.0.30", "255.255.0.0", "503"},
        {"ADD_IP without IPB3", [](auto& s) { s.ip[2].reset(); }, "1000", true, "0.0.0.0", "255.255.0.0", "503"},
        {"IPB4 not a number", [](auto& s) { s.ip[3] = "1.5"; }, "1000", true, "0.0.0.0", "255.255.0.0", "503"},
        {"octets shown in shortest decimal form", [](auto& s) { s.ip = {"0x0A", " 007", "+1", "300"}; }, "1000", true, "10.7.1.300", "255.255.0.0", "503"},
        {"SUBNET without SMB1", [](auto& s) { s.mask[0].reset(); }, "1000", true, "192.168.0.30", "0.0.0.0", "503"},
        {"no Port", [](auto& s) { s.port.reset(); }, "1000", true, "192.168.0.30", "255.255.0.0", "777"},
        {"Port as typed", [](auto& s) { s.port = " x1"; }, "1000", true, "192.168.0.30", "255.255.0.0", " x1"},
        {"another root", [](auto& s) { s.rootName = "Other"; }, "10", false, "0.0.0.0", "0.0.0.0", "777"},
    };
    for (const auto& c : cases) {
        project::StoredPargen stored = fullFile();
        c.change(stored);
        CommunicationForm form = editedForm();
        applyStored(form, stored);
        EXPECT_EQ(form.bitRate, c.bitRate) << c.name;
        EXPECT_EQ(form.can20B, c.can20B) << c.name;
        EXPECT_EQ(octets(form.ip), c.ip) << c.name;
        EXPECT_EQ(octets(form.mask), c.mask) << c.name;
        EXPECT_EQ(form.port, c.port) << c.name;
    }
}

TEST(CommunicationForm, InitialFormStoresTheDefaults)
{
    CommunicationForm form;
    const project::PargenValues values = valuesToStore(form);
    EXPECT_EQ(values.baudRateIndex, 0);
    EXPECT_EQ(values.canType, 0);
    EXPECT_EQ(values.ip, (std::array<int, 4>{0, 0, 0, 0}));
    EXPECT_EQ(values.mask, (std::array<int, 4>{255, 255, 255, 0}));
    EXPECT_EQ(values.port, "502");
    EXPECT_EQ(pingAddress(form), "0.0.0.0");
}

TEST(CommunicationForm, StoresTheBitRateIndexAndTheOctetValues)
{
    const std::pair<const char*, int> bitRates[] = {
        {"10", 0}, {"125", 4}, {"1000", 8}, {"1200", -1}, {"", -1}, {" 125", -1}, {"125.0", -1}};
    for (const auto& [text, index] : bitRates) {
        CommunicationForm form;
        form.bitRate = text;
        EXPECT_EQ(valuesToStore(form).baudRateIndex, index) << text;
    }

    CommunicationForm form;
    form.can20B = true;
    form.ip[0].setText("12.5");
    form.ip[1].setText("12.6");
    form.ip[2].setText("");
    form.ip[3].setText("30");
    form.ip[3].setText("300"); // a third digit typed into 30
    form.mask[3].setText("junk");
    form.port = "";
    const project::PargenValues values = valuesToStore(form);
    EXPECT_EQ(values.canType, 1);
    EXPECT_EQ(values.ip, (std::array<int, 4>{12, 13, 0, 30}));
    EXPECT_EQ(values.mask, (std::array<int, 4>{255, 255, 255, 0}));
    EXPECT_EQ(values.port, "");
    // The ping address takes the texts as shown, the empty one now "0".
    EXPECT_EQ(pingAddress(form), "12.5.12.6.0.300");
}

TEST(CommunicationForm, StoredFileLoadsBackIntoTheSameForm)
{
    TempDir dir;
    CommunicationForm form = editedForm();
    form.bitRate = "250";
    form.ip[3].setText("254");
    form.port = "1502";
    const project::PargenValues stored = valuesToStore(form);
    project::writePargen(dir / "pargen.xml", stored);

    CommunicationForm loaded;
    applyStored(loaded, project::readPargen(dir / "pargen.xml"));
    EXPECT_EQ(loaded.bitRate, "250");
    EXPECT_TRUE(loaded.can20B);
    EXPECT_EQ(octets(loaded.ip), "1.2.3.254");
    EXPECT_EQ(octets(loaded.mask), "9.9.9.9");
    EXPECT_EQ(loaded.port, "1502");
    const project::PargenValues again = valuesToStore(loaded);
    EXPECT_EQ(again.baudRateIndex, stored.baudRateIndex);
    EXPECT_EQ(again.ip, stored.ip);
    EXPECT_EQ(again.mask, stored.mask);
    EXPECT_EQ(project::serialisePargen(again), project::serialisePargen(stored));
}

TEST(CommunicationForm, AFileOfTheWindowsProgramLoads)
{
    TempDir dir;
    writeText(dir / "pargen.xml",
              "<?xml version=\"1.0\"?>\r\n<GeneralParameter>\r\n  <BaudRateCAN>4</BaudRateCAN>\r\n"
              "  <CANType>0</CANType>\r\n  <ADD_IP IPB1=\"10\" IPB2=\"0\" IPB3=\"0\" IPB4=\"7\"/>\r\n"
              "  <SUBNET SMB1=\"255\" SMB2=\"0\" SMB3=\"0\" SMB4=\"0\"/>\r\n  <Port>502</Port>\r\n"
              "  <Comment>ignored</Comment>\r\n</GeneralParameter>\r\n");
    CommunicationForm form = editedForm();
    applyStored(form, project::readPargen(dir / "pargen.xml"));
    EXPECT_EQ(form.bitRate, "125");
    EXPECT_FALSE(form.can20B);
    EXPECT_EQ(octets(form.ip), "10.0.0.7");
    EXPECT_EQ(octets(form.mask), "255.0.0.0");
    EXPECT_EQ(form.port, "502");
}

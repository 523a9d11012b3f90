#pragma once

#include "core/project/PargenFile.h"
#include "core/settings/RangeValue.h"

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace cravent::settings {

// The CAN bit rates in kbit/s, in the order of the bit-rate list; the file stores the index.
inline constexpr std::array<const char*, 9> BitRates = {"10",  "20",  "50",  "100", "125",
                                                        "250", "500", "800", "1000"};

// The list index that a bit-rate text selects, or -1 when it matches no item.
int bitRateIndex(std::string_view text);

// A numeric octet field: 0 .. 255.
RangeValue octetField(std::string text);

// What the Set Communication dialog shows, as its controls hold it.
struct CommunicationForm {
    std::string bitRate = BitRates[0]; // the bit-rate box's text; empty when no item is selected
    bool can20B = false;               // CAN 2.0B (29-bit identifiers), else 2.0A
    std::array<RangeValue, 4> ip{octetField("0"), octetField("0"), octetField("0"), octetField("0")};
    std::array<RangeValue, 4> mask{octetField("255"), octetField("255"), octetField("255"),
                                   octetField("0")};
    std::string port = "502"; // as typed; never checked here
};

// Shows a loaded "pargen.xml" in the form, value by value. A value whose root, element or
// attribute is missing or whose number is not integer text falls back on its own: bit rate to
// the first item, CAN type to 2.0A, IP and mask each to 0.0.0.0, and the port keeps its text.
void applyStored(CommunicationForm& form, const project::StoredPargen& stored);

// What "OK" stores. Reading the octets' values turns an empty octet text into "0", as the
// dialog then shows it.
project::PargenValues valuesToStore(CommunicationForm& form);

// The ping address "OK" hands to the main window: the IP octets' texts as shown, joined with ".".
std::string pingAddress(const CommunicationForm& form);

// The ping address a project's settings file holds, as Set Communication would hand it over
// after loading the file; nothing when the file is missing, unreadable or holds no IP address.
std::optional<std::string> storedPingAddress(const std::filesystem::path& pargenFile);

} // namespace cravent::settings

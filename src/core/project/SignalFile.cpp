#include "core/project/SignalFile.h"

#include "core/common/Error.h"
#include "core/common/FileError.h"
#include "core/common/FileIo.h"
#include "core/common/IntegerText.h"
#include "core/project/ProjectXml.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>

namespace cravent::signals {

namespace {

constexpr const char* DirectionElements[2] = {"Receive", "Transmit"};

// Bit b of data byte k is bit 8 k + b. Intel signals grow from their start bit upwards; a
// Motorola one runs from its most significant bit down to bit 0 of its byte and goes on at bit 7
// of the next byte. The position of the least significant bit, or nothing past byte 7.
std::optional<unsigned> lastBit(const Signal& s)
{
    if (s.byteOrder == ByteOrder::Intel) {
        const unsigned last = s.startBit + s.length - 1;
        return last <= 63 ? std::optional<unsigned>(last) : std::nullopt;
    }
    // In the byte order of the bus (byte 0 first, bit 7 first) a Motorola signal is contiguous.
    const unsigned msbInBusOrder = (s.startBit / 8) * 8 + (7 - s.startBit % 8);
    const unsigned lsbInBusOrder = msbInBusOrder + s.length - 1;
    if (lsbInBusOrder > 63)
        return std::nullopt;
    return (lsbInBusOrder / 8) * 8 + (7 - lsbInBusOrder % 8);
}

class Reader {
public:
    explicit Reader(std::filesystem::path file) : file_(std::move(file)) {}

    StoredFile run()
    {
        pugi::xml_document doc;
        project::xml::load(file_, doc);
        const pugi::xml_node root = doc.document_element();
        if (std::strcmp(root.name(), RootName) != 0)
            fail(std::nullopt, std::string("its root element is \"") + root.name() + "\", not \"" +
                                   RootName + "\"");
        allowOnly(root, {"Version"}, std::nullopt);
        const pugi::xml_attribute version = root.attribute("Version");
        if (!version)
            fail(std::nullopt, "the root element has no attribute \"Version\"");
        if (std::strcmp(version.value(), "1") != 0)
            fail(std::nullopt, std::string("format version \"") + version.value() +
                                   "\" is not one this program reads (it reads version 1)");

        StoredFile stored;
        for (const pugi::xml_node child : root.children()) {
            requireElement(child, std::nullopt);
            const auto d = directionOf(child.name());
            if (!d)
                fail(std::nullopt, std::string("element \"") + child.name() +
                                       "\" is neither \"Receive\" nor \"Transmit\"");
            allowOnly(child, {}, std::nullopt);
            for (const pugi::xml_node frame : child.children())
                readFrame(frame, *d, stored);
        }
        return stored;
    }

private:
    [[noreturn]] void fail(std::optional<std::size_t> row, const std::string& reason) const
    {
        std::string where = "File \"" + file_.string() + "\"";
        if (row) {
            where += ", signal " + std::to_string(*row);
            if (!currentName_.empty())
                where += " (\"" + currentName_ + "\")";
        }
        throw FileError(file_, row, where + ": " + reason);
    }

    static std::optional<Direction> directionOf(const char* name)
    {
        if (std::strcmp(name, DirectionElements[0]) == 0)
            return Direction::Receive;
        if (std::strcmp(name, DirectionElements[1]) == 0)
            return Direction::Transmit;
        return std::nullopt;
    }

    void requireElement(const pugi::xml_node& node, std::optional<std::size_t> row) const
    {
        if (node.type() == pugi::node_element)
            return;
        // Quoted in part: the text may be anything up to the size of the file.
        std::string text = node.value();
        if (text.size() > 40)
            text = text.substr(0, 40) + "...";
        fail(row, "text \"" + text + "\" stands where only elements belong");
    }

    void allowOnly(const pugi::xml_node& element, std::initializer_list<const char*> names,
                   std::optional<std::size_t> row) const
    {
        for (const pugi::xml_attribute a : element.attributes()) {
            bool known = false;
            for (const char* name : names)
                known = known || std::strcmp(a.name(), name) == 0;
            if (!known)
                fail(row, std::string("element \"") + element.name() + "\" has an attribute \"" +
                              a.name() + "\" that this program does not know");
        }
    }

    const char* required(const pugi::xml_node& element, const char* name,
                         std::optional<std::size_t> row) const
    {
        const pugi::xml_attribute a = element.attribute(name);
        if (!a)
            fail(row, std::string("attribute \"") + name + "\" is missing");
        return a.value();
    }

    unsigned smallNumber(const pugi::xml_node& element, const char* name, std::size_t row) const
    {
        const std::string text = required(element, name, row);
        const auto value = parseIntegerText(text);
        if (!value)
            fail(row, std::string(name) + " \"" + text + "\" is not a whole number");
        if (*value < 0 || *value > 1000)
            fail(row, std::string(name) + " " + text + " is outside " +
                          (std::strcmp(name, "Length") == 0 ? "1 to 64" : "0 to 63"));
        return static_cast<unsigned>(*value);
    }

    template <typename Number>
    Number number(const char* text, const char* name, std::size_t row, const char* what) const
    {
        Number value = 0;
        const char* end = text + std::strlen(text);
        const auto result = std::from_chars(text, end, value);
        if (result.ec != std::errc() || result.ptr != end || *text == '\0')
            fail(row, std::string(name) + " \"" + text + "\" is not " + what);
        return value;
    }

    double real(const char* text, const char* name, std::size_t row) const
    {
        const double value = number<double>(text, name, row, "a number");
        if (!std::isfinite(value))
            fail(row, std::string(name) + " " + text + " is not a finite number");
        return value;
    }

    template <typename Integer>
    Integer wholeNumber(const char* text, const char* name, std::size_t row) const
    {
        return number<Integer>(text, name, row, "a whole number that fits");
    }

    void readFrame(const pugi::xml_node& frame, Direction d, StoredFile& stored)
    {
        requireElement(frame, std::nullopt);
        if (std::strcmp(frame.name(), "Frame") != 0)
            fail(std::nullopt, std::string("element \"") + frame.name() + "\" stands where a "
                                                                            "\"Frame\" belongs");
        currentName_.clear();
        const std::optional<std::size_t> next = row_ + 1;
        allowOnly(frame, {"CobID", "Message"}, next);
        const std::string cobIdText = required(frame, "CobID", next);
        const auto cobId = parseIntegerText(cobIdText);
        if (!cobId || *cobId < 0 || *cobId > 0x1FFFFFFF)
            fail(next, "COB-ID \"" + cobIdText + "\" is not one of 0 to 0x1FFFFFFF");
        const std::string message = required(frame, "Message", next);
        for (const pugi::xml_node element : frame.children()) {
            ++row_;
            currentName_.clear();
            requireElement(element, row_);
            if (std::strcmp(element.name(), "Signal") != 0)
                fail(row_, std::string("element \"") + element.name() +
                               "\" stands where a \"Signal\" belongs");
            Signal s = readSignal(element, static_cast<std::uint32_t>(*cobId), message);
            const auto at = static_cast<std::size_t>(d);
            const auto [named, fresh] = messageOf_[at].emplace(s.cobId, s.message);
            if (!fresh && named->second != s.message)
                fail(row_, "COB-ID " + cobIdText + " is named \"" + named->second + "\" and \"" +
                               s.message + "\" in one direction");
            if (!names_[at].insert({s.cobId, s.name}).second)
                fail(row_, "a second signal of this name in the frame with COB-ID " + cobIdText);
            stored.signals.lists[at].push_back(std::move(s));
            stored.rows[at].push_back(row_);
        }
    }

    Signal readSignal(const pugi::xml_node& e, std::uint32_t cobId, const std::string& message)
    {
        const std::size_t row = row_;
        allowOnly(e, {"Name", "StartBit", "Length", "ByteOrder", "Type", "Factor", "Offset", "Unit",
                      "Minimum", "Maximum", "Multiplexor", "MultiplexValue"},
                  row);
        Signal s;
        s.cobId = cobId;
        s.message = message;
        s.name = required(e, "Name", row);
        currentName_ = s.fullName();
        if (s.name.empty())
            fail(row, "the signal has no name");
        s.startBit = smallNumber(e, "StartBit", row);
        s.length = smallNumber(e, "Length", row);

        const std::string order = required(e, "ByteOrder", row);
        if (order == byteOrderName(ByteOrder::Intel))
            s.byteOrder = ByteOrder::Intel;
        else if (order == byteOrderName(ByteOrder::Motorola))
            s.byteOrder = ByteOrder::Motorola;
        else
            fail(row, "ByteOrder \"" + order + "\" is neither \"Intel\" nor \"Motorola\"");

        const std::string type = required(e, "Type", row);
        bool knownType = false;
        for (const ValueType t : {ValueType::Unsigned, ValueType::Signed, ValueType::Float32,
                                  ValueType::Float64}) {
            if (type == valueTypeName(t)) {
                s.valueType = t;
                knownType = true;
            }
        }
        if (!knownType)
            fail(row, "Type \"" + type + "\" is not Unsigned, Signed, Float32 or Float64");

        s.factor = real(required(e, "Factor", row), "Factor", row);
        s.offset = real(required(e, "Offset", row), "Offset", row);
        if (const pugi::xml_attribute unit = e.attribute("Unit"))
            s.unit = unit.value();
        const pugi::xml_attribute minimum = e.attribute("Minimum");
        const pugi::xml_attribute maximum = e.attribute("Maximum");
        if (bool(minimum) != bool(maximum))
            fail(row, "a range needs both Minimum and Maximum");
        if (minimum)
            s.range = Range{real(minimum.value(), "Minimum", row), real(maximum.value(), "Maximum", row)};
        if (const pugi::xml_attribute m = e.attribute("Multiplexor")) {
            if (std::strcmp(m.value(), "1") != 0)
                fail(row, std::string("Multiplexor \"") + m.value() + "\" is not 1");
            s.multiplexor = true;
        }
        if (const pugi::xml_attribute v = e.attribute("MultiplexValue"))
            s.multiplexValue = wholeNumber<std::uint64_t>(v.value(), "MultiplexValue", row);

        bool commentSeen = false;
        for (const pugi::xml_node child : e.children()) {
            requireElement(child, row);
            if (std::strcmp(child.name(), "Comment") == 0) {
                if (commentSeen)
                    fail(row, "the signal has a second comment");
                allowOnly(child, {}, row);
                commentSeen = true;
                s.comment = project::xml::elementText(child);
            } else if (std::strcmp(child.name(), "Value") == 0) {
                allowOnly(child, {"Raw", "Name"}, row);
                ValueName value;
                value.raw = wholeNumber<std::int64_t>(required(child, "Raw", row), "Raw", row);
                value.name = required(child, "Name", row);
                s.valueNames.push_back(std::move(value));
            } else {
                fail(row, std::string("element \"") + child.name() +
                              "\" is neither \"Comment\" nor \"Value\"");
            }
        }
        if (const auto fault = signalFault(s))
            fail(row, *fault);
        return s;
    }

    std::filesystem::path file_;
    std::size_t row_ = 0;
    std::string currentName_;
    std::array<std::map<std::uint32_t, std::string>, 2> messageOf_;
    std::array<std::set<std::pair<std::uint32_t, std::string>>, 2> names_;
};

} // namespace

const char* byteOrderName(ByteOrder order)
{
    return order == ByteOrder::Intel ? "Intel" : "Motorola";
}

const char* valueTypeName(ValueType type)
{
    switch (type) {
    case ValueType::Unsigned:
        return "Unsigned";
    case ValueType::Signed:
        return "Signed";
    case ValueType::Float32:
        return "Float32";
    case ValueType::Float64:
        return "Float64";
    }
    return "Unsigned";
}

std::string cobIdText(std::uint32_t cobId)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(cobId));
    return text;
}

std::string numberText(double value)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::optional<std::string> signalFault(const Signal& s)
{
    if (s.startBit > 63)
        return "start bit " + std::to_string(s.startBit) + " is outside 0 to 63";
    if (s.length < 1 || s.length > 64)
        return "length " + std::to_string(s.length) + " is outside 1 to 64";
    if (!lastBit(s))
        return "the signal reaches past bit 63 of the frame (start bit " + std::to_string(s.startBit) +
               ", " + std::to_string(s.length) + " bits, " + byteOrderName(s.byteOrder) + ")";
    if (s.valueType == ValueType::Float32 && s.length != 32)
        return "a Float32 signal has 32 bits, not " + std::to_string(s.length);
    if (s.valueType == ValueType::Float64 && s.length != 64)
        return "a Float64 signal has 64 bits, not " + std::to_string(s.length);
    if (!std::isfinite(s.factor) || !std::isfinite(s.offset))
        return std::string("factor and offset must be finite numbers");
    if (s.factor == 0)
        return std::string("factor 0 would give every raw value the same physical value");
    if (s.range) {
        if (!std::isfinite(s.range->minimum) || !std::isfinite(s.range->maximum))
            return std::string("minimum and maximum must be finite numbers");
        if (s.range->minimum > s.range->maximum)
            return "minimum " + numberText(s.range->minimum) + " lies above maximum " +
                   numberText(s.range->maximum);
    }
    if (s.multiplexor && s.multiplexValue)
        return std::string("a signal cannot be both multiplexor and multiplexed");
    if (s.multiplexor && (s.isFloat() || s.isSigned()))
        return std::string("a multiplexor is an unsigned integer");
    return std::nullopt;
}

StoredFile read(const std::filesystem::path& file)
{
    return Reader(file).run();
}

std::string serialise(const SignalSet& signals)
{
    pugi::xml_document doc;
    pugi::xml_node root = doc.append_child(RootName);
    root.append_attribute("Version").set_value(std::to_string(FormatVersion).c_str());
    for (const Direction d : {Direction::Receive, Direction::Transmit}) {
        pugi::xml_node list = root.append_child(DirectionElements[static_cast<std::size_t>(d)]);
        pugi::xml_node frame;
        const Signal* previous = nullptr;
        for (const Signal& s : signals.of(d)) {
            if (!previous || previous->cobId != s.cobId || previous->message != s.message) {
                frame = list.append_child("Frame");
                frame.append_attribute("CobID").set_value(cobIdText(s.cobId).c_str());
                frame.append_attribute("Message").set_value(s.message.c_str());
            }
            previous = &s;
            pugi::xml_node e = frame.append_child("Signal");
            const auto set = [&](const char* name, const std::string& value) {
                e.append_attribute(name).set_value(value.c_str());
            };
            set("Name", s.name);
            set("StartBit", std::to_string(s.startBit));
            set("Length", std::to_string(s.length));
            set("ByteOrder", byteOrderName(s.byteOrder));
            set("Type", valueTypeName(s.valueType));
            set("Factor", numberText(s.factor));
            set("Offset", numberText(s.offset));
            if (!s.unit.empty())
                set("Unit", s.unit);
            if (s.range) {
                set("Minimum", numberText(s.range->minimum));
                set("Maximum", numberText(s.range->maximum));
            }
            if (s.multiplexor)
                set("Multiplexor", "1");
            if (s.multiplexValue)
                set("MultiplexValue", std::to_string(*s.multiplexValue));
            if (!s.comment.empty())
                e.append_child("Comment").text().set(s.comment.c_str());
            for (const ValueName& v : s.valueNames) {
                pugi::xml_node value = e.append_child("Value");
                value.append_attribute("Raw").set_value(std::to_string(v.raw).c_str());
                value.append_attribute("Name").set_value(v.name.c_str());
            }
        }
    }
    return project::xml::serialise(doc);
}

void write(const std::filesystem::path& file, const SignalSet& signals)
{
    writeFileAtomically(file, serialise(signals));
}

} // namespace cravent::signals

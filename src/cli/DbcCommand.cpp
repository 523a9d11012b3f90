#include "cli/CommandTable.h"
#include "cli/ImportCommand.h"

#include "core/common/Error.h"
#include "core/common/JsonText.h"
#include "core/dbc/DbcFile.h"
#include "core/dbc/DbcImport.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <memory>
#include <ostream>

namespace cravent::cli {

namespace {

const char* multiplexingName(dbc::Multiplexing m)
{
    switch (m) {
    case dbc::Multiplexing::Multiplexor:
        return "multiplexor";
    case dbc::Multiplexing::Multiplexed:
        return "multiplexed";
    case dbc::Multiplexing::None:
        break;
    }
    return "none";
}

void printJson(const dbc::Database& db, std::ostream& out)
{
    using Json = nlohmann::ordered_json;
    Json messages = Json::array();
    for (const dbc::Message& m : db.messages) {
        Json signalList = Json::array();
        for (const dbc::Signal& s : m.signalList) {
            Json signal = {{"name", s.name},
                           {"start", s.startBit},
                           {"length", s.length},
                           {"byteOrder", s.littleEndian ? "little" : "big"},
                           {"signed", s.isSigned},
                           {"multiplexing", multiplexingName(s.multiplexing)}};
            if (s.multiplexing == dbc::Multiplexing::Multiplexed)
                signal["multiplexValue"] = s.multiplexValue;
            signal["unit"] = s.unit;
            signal["receivers"] = s.receivers;
            signal["valueType"] = s.valueType == dbc::ValueType::Float32   ? "float32"
                                  : s.valueType == dbc::ValueType::Float64 ? "float64"
                                                                           : "integer";
            signal["factor"] = s.factor;
            signal["offset"] = s.offset;
            // "[0|0]" in the file: no range.
            signal["range"] = s.hasRange() ? Json{{"minimum", s.minimum}, {"maximum", s.maximum}} : Json(nullptr);
            signal["comment"] = s.comment;
            Json valueNames = Json::array();
            for (const dbc::ValueName& v : s.valueNames)
                valueNames.push_back({{"raw", v.raw}, {"name", v.name}});
            signal["valueNames"] = std::move(valueNames);
            signalList.push_back(std::move(signal));
        }
        messages.push_back({{"id", m.id},
                            {"extended", m.extended},
                            {"name", m.name},
                            {"dlc", m.dlc},
                            {"transmitter", m.transmitter},
                            {"otherTransmitters", m.otherTransmitters},
                            {"comment", m.comment},
                            {"line", m.line},
                            {"signals", std::move(signalList)}});
    }
    Json warnings = Json::array();
    for (const dbc::Warning& w : db.warnings)
        warnings.push_back({{"line", w.line}, {"column", w.column}, {"text", w.text}});
    const Json doc = {{"nodes", db.nodes},
                      {"messages", std::move(messages)},
                      {"warnings", std::move(warnings)},
                      {"warningCount", db.warningCount}};
    out << jsonText(doc) << '\n';
}

void printText(const dbc::Database& db, std::ostream& out)
{
    out << "Nodes:";
    for (const std::string& node : db.nodes)
        out << ' ' << node;
    out << '\n';
    for (const dbc::Message& m : db.messages) {
        out << dbc::cobIdText(m.id) << (m.extended ? " (29-bit)" : "") << ' ' << m.name << ", DLC "
            << m.dlc << ", from " << (m.transmitter.empty() ? "-" : m.transmitter);
        for (const std::string& node : m.otherTransmitters)
            out << ", " << node;
        out << ", "
            << m.signalList.size() << (m.signalList.size() == 1 ? " signal" : " signals") << '\n';
    }
}

struct DbcArguments {
    std::filesystem::path file;
    bool json = false;
};

// What the reader finds in a CAN database.
int runDbcShow(const DbcArguments& arguments, Context& context)
{
    try {
        const dbc::Database db = dbc::readDbcFile(arguments.file);
        if (arguments.json) {
            printJson(db, context.out);
        } else {
            printText(db, context.out);
            printDbcWarnings(arguments.file, db, context.err);
        }
    } catch (const Error& error) {
        context.err << error.what() << '\n';
        return Failure;
    }
    return Success;
}

Runner declareDbc(CLI::App& command)
{
    auto a = std::make_shared<DbcArguments>();
    command.add_option("FILE.dbc", a->file, "the CAN database, UTF-8 or Windows-1252")->required();
    commandline::addFlag(command, "--json", a->json,
                         "print one object with nodes, messages (with their signals), warnings "
                         "and warningCount");
    return [a](Context& context) { return runDbcShow(*a, context); };
}

} // namespace

const Command DbcCommand{
    "dbc",
    "show the nodes, messages and signals that import would read from a CAN database, and the "
    "statements it skipped",
    declareDbc};

} // namespace cravent::cli

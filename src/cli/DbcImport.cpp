#include "cli/DbcImport.h"

#include "core/common/Error.h"
#include "core/common/IntegerText.h"
#include "core/common/JsonText.h"
#include "core/dbc/DbcFile.h"
#include "core/dbc/DbcImport.h"
#include "core/frames/CanType.h"
#include "core/frames/FrameList.h"
#include "core/frames/FrameMap.h"
#include "core/workspace/ProjectFolder.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <optional>
#include <ostream>

namespace cravent::cli {

namespace {

constexpr const char* ImportUsage =
    "import PROJECT_DIR rx-frames|tx-frames|rx-map|tx-map FILE.dbc [--node NAME] [--keep-first] "
    "[--first-register N]";

struct Options {
    std::filesystem::path projectDir;
    Direction direction = Direction::Receive;
    bool map = false;
    std::filesystem::path file;
    std::optional<std::string> node;
    bool keepFirst = false;
    std::optional<int> firstRegister;
};

std::optional<Options> parse(const std::vector<std::string>& args)
{
    if (args.size() < 3)
        return std::nullopt;
    Options o;
    o.projectDir = args[0];
    const std::string& table = args[1];
    if (table == "rx-frames" || table == "rx-map")
        o.direction = Direction::Receive;
    else if (table == "tx-frames" || table == "tx-map")
        o.direction = Direction::Transmit;
    else
        return std::nullopt;
    o.map = table.ends_with("-map");
    o.file = args[2];
    for (std::size_t i = 3; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--node" && i + 1 < args.size() && !o.node) {
            o.node = args[++i];
        } else if (arg == "--keep-first" && !o.map) {
            o.keepFirst = true;
        } else if (arg == "--first-register" && i + 1 < args.size() && o.map && !o.firstRegister) {
            const auto value = parseIntegerText(args[++i]);
            if (!value)
                return std::nullopt;
            o.firstRegister = *value;
        } else {
            return std::nullopt;
        }
    }
    return o;
}

void importFrames(const Options& o, const dbc::Database& db, Context& context)
{
    const ProjectFolder folder(o.projectDir);
    const frames::CanType canType = frames::readProjectCanType(folder.pargen());
    const dbc::FrameImport imported = dbc::importFrames(db, o.direction, o.node, canType);
    if (imported.leftOut > 0 && !o.keepFirst)
        throw Error(std::to_string(imported.frames.size() + imported.leftOut) +
                    " messages were selected and a frame list holds at most " +
                    std::to_string(project::MaxFrames) +
                    "; nothing was saved (--keep-first takes the first " +
                    std::to_string(project::MaxFrames) + ")");
    if (const auto note = dbc::leftOutMessage(imported.leftOut))
        context.err << *note << '\n';
    if (const auto failure = frames::checkList(imported.frames, canType))
        throw Error(*failure);
    project::writeFrames(folder.frameFile(o.direction), imported.frames);
}

void importMap(const Options& o, const dbc::Database& db, Context& context)
{
    const ProjectFolder folder(o.projectDir);
    const frames::CanType canType = frames::readProjectCanType(folder.pargen());
    frames::FrameMap map;
    const frames::MapLoadReport report =
        map.load(folder.frameFile(o.direction), folder.mapFile(o.direction));
    if (report.frameFileError)
        throw Error(*report.frameFileError);
    // The map is replaced whole; only the default first register needs what it holds.
    if (report.mapFileError && !o.firstRegister)
        throw Error(*report.mapFileError +
                    "\nThe registers cannot follow a map that was not read whole; give "
                    "--first-register N");
    const int first = o.firstRegister ? *o.firstRegister : dbc::nextFreeRegister(map.frames());
    const dbc::MapImport proposal =
        dbc::importMap(db, o.direction, o.node, map.frames(), canType, first);
    context.err << dbc::mapNote(proposal, proposal.leftOut.size() + proposal.remarks.size()) << '\n';
    // A map without registers would wipe the saved one, as happens when the frame list was not
    // imported first.
    if (proposal.registers == 0)
        throw Error("No signal became a register; nothing was saved");
    dbc::applyMap(proposal, map.frames());
    map.save(folder.mapFile(o.direction), o.direction);
}

void printWarnings(const std::filesystem::path& file, const dbc::Database& db, std::ostream& err)
{
    for (const dbc::Warning& warning : db.warnings)
        err << file.string() << ": " << dbc::describe(warning) << '\n';
    if (db.warningCount > db.warnings.size())
        err << file.string() << ": " << db.warningCount - db.warnings.size()
            << " more statements skipped\n";
}

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

} // namespace

bool isDbcImport(const std::vector<std::string>& args)
{
    // The import's options may stand anywhere, so any argument naming a .dbc file decides.
    return std::any_of(args.begin(), args.end(), [](const std::string& arg) {
        std::string extension = std::filesystem::path(arg).extension().string();
        std::transform(extension.begin(), extension.end(), extension.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return extension == ".dbc";
    });
}

int runDbcImport(const std::vector<std::string>& args, Context& context)
{
    const auto options = parse(args);
    if (!options) {
        context.err << "Usage: cravent-cli " << ImportUsage << '\n';
        return Usage;
    }
    if (!projectFolderFound(options->projectDir, context.err))
        return Failure;
    try {
        const dbc::Database db = dbc::readDbcFile(options->file);
        printWarnings(options->file, db, context.err);
        if (db.messages.empty())
            throw Error("\"" + options->file.string() + "\" holds no CAN message");
        if (options->map)
            importMap(*options, db, context);
        else
            importFrames(*options, db, context);
    } catch (const Error& error) {
        const std::string text = error.what();
        const char* tail = text.find("nothing was saved") != std::string::npos ? ""
                           : text.find('\n') != std::string::npos   ? "\nNothing was saved."
                                                                    : "; nothing was saved";
        context.err << text << tail << '\n';
        return Failure;
    }
    return Success;
}

int runDbcShow(const std::vector<std::string>& args, Context& context)
{
    const bool json = args.size() == 2 && args[1] == "--json";
    if (args.empty() || args.size() > 2 || (args.size() == 2 && !json)) {
        context.err << "Usage: cravent-cli dbc FILE.dbc [--json]\n";
        return Usage;
    }
    try {
        const dbc::Database db = dbc::readDbcFile(args[0]);
        if (json) {
            printJson(db, context.out);
        } else {
            printText(db, context.out);
            printWarnings(args[0], db, context.err);
        }
    } catch (const Error& error) {
        context.err << error.what() << '\n';
        return Failure;
    }
    return Success;
}

} // namespace cravent::cli

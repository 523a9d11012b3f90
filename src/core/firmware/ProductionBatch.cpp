#include "core/firmware/ProductionBatch.h"

#include "core/common/CsvCell.h"
#include "core/check/BuildGate.h"
#include "core/common/Error.h"
#include "core/common/FileIo.h"
#include "core/common/FileLookup.h"
#include "core/common/Product.h"
#include "core/common/Sha256.h"
#include "core/firmware/Composition.h"
#include "core/image/ConfigurationText.h"
#include "core/image/ImageBuilder.h"
#include "core/workspace/ProjectFolder.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <charconv>
#include <map>
#include <system_error>
#include <thread>

namespace cravent::firmware {

namespace {

namespace fs = std::filesystem;

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

std::vector<std::string_view> fieldsOf(std::string_view line)
{
    std::vector<std::string_view> fields;
    std::size_t at = 0;
    while (true) {
        const std::size_t comma = line.find(',', at);
        fields.push_back(trimmed(line.substr(at, comma == std::string_view::npos ? line.npos : comma - at)));
        if (comma == std::string_view::npos)
            return fields;
        at = comma + 1;
    }
}

std::string upper(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

// Letters, digits, "_", "-" and "." only, not starting with "." or "-", and no device name of
// Windows, where the files are flashed from.
std::optional<std::string> nameFault(std::string_view name)
{
    if (name.empty())
        return "the name is empty";
    if (name.size() > 64)
        return "the name is longer than 64 characters";
    for (const char c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '-' && c != '.')
            return "the name '" + std::string(name) +
                   "' is not a safe file name (letters, digits, '_', '-' and '.' only)";
    if (name.front() == '.' || name.front() == '-' || name.back() == '.')
        return "the name '" + std::string(name) + "' is not a safe file name";
    const std::string stem = upper(name.substr(0, name.find('.')));
    static const char* const Devices[] = {"CON", "PRN", "AUX", "NUL"};
    bool device = std::find(std::begin(Devices), std::end(Devices), stem) != std::end(Devices);
    device = device || (stem.size() == 4 && (stem.starts_with("COM") || stem.starts_with("LPT")) &&
                        stem[3] >= '1' && stem[3] <= '9');
    if (device)
        return "the name '" + std::string(name) + "' is a device name on Windows";
    return std::nullopt;
}

std::optional<std::array<std::uint8_t, 4>> octets(std::string_view text, const char* what,
                                                  std::string& fault)
{
    std::array<std::uint8_t, 4> result{};
    std::size_t at = 0;
    for (std::size_t k = 0; k < 4; ++k) {
        const std::size_t end = k < 3 ? text.find('.', at) : text.size();
        if (end == std::string_view::npos || end == at || end - at > 3) {
            fault = std::string(what) + " '" + std::string(text) + "' is not four decimal octets";
            return std::nullopt;
        }
        const std::string_view part = text.substr(at, end - at);
        unsigned value = 0;
        const auto [ptr, ec] = std::from_chars(part.data(), part.data() + part.size(), value);
        if (ec != std::errc() || ptr != part.data() + part.size()) {
            fault = std::string(what) + " '" + std::string(text) + "' is not four decimal octets";
            return std::nullopt;
        }
        if (value > 255) {
            fault = std::string(what) + " '" + std::string(text) + "': the octet " +
                    std::to_string(value) + " is above 255";
            return std::nullopt;
        }
        result[k] = static_cast<std::uint8_t>(value);
        at = end + 1;
    }
    return result;
}

// One unit's firmware: the project's image with the unit's address, composed, verified, hashed.
BatchOutput buildUnit(const image::ConfigImage& projectImage, const Unit& unit,
                      const fs::path& master, const fs::path& outDir)
{
    image::ConfigImage unitImage = projectImage;
    for (std::size_t k = 0; k < 4; ++k) {
        unitImage.put8(image::CommBlock, image::comm::Ip + k, unit.ip[k]);
        if (unit.mask)
            unitImage.put8(image::CommBlock, image::comm::Mask + k, (*unit.mask)[k]);
    }
    if (unit.port)
        unitImage.put16(image::CommBlock, image::comm::Port, *unit.port);

    CompositionExtras extras;
    extras.flushLater = true;
    extras.bankBytes.emplace();
    for (int bank = 1; bank <= BankCount; ++bank) {
        const auto bytes = unitImage.bank(bank);
        (*extras.bankBytes)[static_cast<std::size_t>(bank - 1)].assign(
            reinterpret_cast<const char*>(bytes.data()), bytes.size());
    }
    CompositionInputs inputs;
    inputs.sourceFirmware = master;
    inputs.newFirmwareName = unit.name + ".sx";
    inputs.outputDir = outDir;
    inputs.banks = banksOfGatewayModel(product::GatewayModel);
    const fs::path file = composeFirmware(inputs, {}, extras);
    return {unit.name, file, unit.ip, sha256Hex(readFile(file))};
}

// The path a file would have once written: the folder resolved (links, "..", the working
// folder), the name as given.
fs::path resolvedPath(const fs::path& file)
{
    std::error_code ec;
    fs::path folder = fs::weakly_canonical(fs::absolute(file, ec).parent_path(), ec);
    if (ec)
        folder = fs::absolute(file.parent_path(), ec).lexically_normal();
    return folder / file.filename();
}

bool sameFile(const fs::path& a, const fs::path& b)
{
    return a.parent_path() == b.parent_path() &&
           equalsNoCase(a.filename().string(), b.filename().string());
}

// The files a batch reads, which none of its outputs may replace: the master, the units file and
// the project's files.
struct BatchInputs {
    std::vector<std::pair<fs::path, std::string>> files; // resolved path, what it is

    BatchInputs(const fs::path& projectDir, const fs::path& master, const fs::path& unitsFile)
    {
        add(master, "the master firmware");
        if (!unitsFile.empty())
            add(unitsFile, "the units file");
        const ProjectFolder project(projectDir);
        for (const fs::path& file :
             {project.pargen(), project.frameFile(Direction::Receive),
              project.frameFile(Direction::Transmit), project.mapFile(Direction::Receive),
              project.mapFile(Direction::Transmit), project.newFirmware(master),
              project.listing(), project.buildMark()})
            add(file, "the project's file");
        for (int bank = 1; bank <= BankCount; ++bank)
            add(project.bankFile(bank), "the project's file");
    }

    void add(const fs::path& file, const std::string& what)
    {
        const std::string named = what + " \"" + file.string() + "\"";
        files.emplace_back(resolvedPath(file), named);
        // A link given as an input is read through: what it leads to is the input too.
        std::error_code ec;
        if (const fs::path target = fs::weakly_canonical(fs::absolute(file, ec), ec); !ec)
            files.emplace_back(target, named);
    }

    // What `output` would replace; nothing when it replaces no input.
    std::optional<std::string> replacedBy(const fs::path& output) const
    {
        const fs::path resolved = resolvedPath(output);
        for (const auto& [file, what] : files)
            if (sameFile(resolved, file))
                return what;
        return std::nullopt;
    }
};

} // namespace

std::vector<Unit> readUnits(std::string_view text, const std::string& fileName)
{
    std::vector<Unit> units;
    std::map<std::string, std::size_t> names; // upper-case name: line
    std::map<std::array<std::uint8_t, 4>, std::size_t> addresses;
    std::size_t number = 0;
    // Excel's "CSV UTF-8" starts the file with a byte order mark, which is not part of the header.
    std::size_t at = text.starts_with("\xEF\xBB\xBF") ? 3 : 0;
    bool header = true;
    while (at < text.size()) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        const std::string_view line = trimmed(text.substr(at, end - at));
        at = end + 1;
        ++number;
        const auto fail = [&](const std::string& why) {
            throw Error("File \"" + fileName + "\", line " + std::to_string(number) + ": " + why + ".");
        };
        if (header) {
            header = false;
            if (upper(fieldsOf(line).front()) != "NAME")
                fail("the first line must be the header name,ip[,mask][,port]");
            continue;
        }
        if (line.empty())
            continue;
        const std::vector<std::string_view> fields = fieldsOf(line);
        if (fields.size() < 2 || fields.size() > 4)
            fail("a unit is name,ip[,mask][,port], not " + std::to_string(fields.size()) + " field" +
                 (fields.size() == 1 ? "" : "s"));
        Unit unit;
        unit.line = number;
        unit.name = std::string(fields[0]);
        if (const auto fault = nameFault(unit.name))
            fail(*fault);
        if (const auto earlier = names.find(upper(unit.name)); earlier != names.end())
            fail("the name '" + unit.name + "' is already that of line " + std::to_string(earlier->second));
        std::string fault;
        const auto ip = octets(fields[1], "the IP address", fault);
        if (!ip)
            fail(fault);
        unit.ip = *ip;
        if (const auto earlier = addresses.find(unit.ip); earlier != addresses.end())
            fail("the IP address " + image::octetsText(unit.ip) + " is already that of line " +
                 std::to_string(earlier->second));
        if (fields.size() > 2 && !fields[2].empty()) {
            unit.mask = octets(fields[2], "the subnet mask", fault);
            if (!unit.mask)
                fail(fault);
        }
        if (fields.size() > 3 && !fields[3].empty()) {
            unsigned port = 0;
            const std::string_view p = fields[3];
            const auto [ptr, ec] = std::from_chars(p.data(), p.data() + p.size(), port);
            if (ec != std::errc() || ptr != p.data() + p.size() || port < 1 || port > 65535)
                fail("the port '" + std::string(p) + "' is not a number from 1 to 65535");
            unit.port = static_cast<std::uint16_t>(port);
        }
        names.emplace(upper(unit.name), number);
        addresses.emplace(unit.ip, number);
        units.push_back(std::move(unit));
    }
    if (header)
        throw Error("File \"" + fileName + "\" is empty: it needs the header name,ip[,mask][,port].");
    return units;
}

std::vector<BatchOutput> runBatch(const fs::path& projectDir, const std::vector<Unit>& units,
                                  const fs::path& master, const fs::path& outDir,
                                  const image::BuildMoment& moment, const fs::path& unitsFile)
{
    const fs::path pargen = ProjectFolder(projectDir).pargen();
    if (!isPresent(pargen) || !isFile(pargen))
        throw Error("Project \"" + projectDir.string() + "\" has no " + names::Pargen +
                    ": a unit's address needs the communication settings.");
    // The same gate as build and update: production firmware never comes from a project they
    // refuse.
    if (const check::BuildGate gate = check::buildGate(projectDir); !gate.goesOn)
        throw Error(gate.errorLines());
    const image::ConfigImage projectImage = image::BuildConfigImage(projectDir, moment);
    if (!isPresent(master) || !isFile(master))
        throw Error(std::string(text::SourceNotFound) + "\nMaster firmware \"" + master.string() +
                    "\" not found.");
    const BatchInputs inputs(projectDir, master, unitsFile);
    const std::string unitsName = unitsFile.empty() ? "the units file" : "File \"" + unitsFile.string() + "\"";
    for (const Unit& unit : units) {
        const fs::path file = outDir / (unit.name + ".sx");
        if (const auto input = inputs.replacedBy(file))
            throw Error(unitsName + ", line " + std::to_string(unit.line) + ": the firmware of unit '" +
                        unit.name + "' would be written as \"" + file.string() + "\" over " +
                        *input + ". Give --out another folder or the unit another name.");
    }
    if (const auto input = inputs.replacedBy(outDir / ManifestName))
        throw Error("The manifest \"" + (outDir / ManifestName).string() + "\" would be written over " +
                    *input + ". Give --out another folder.");

    std::error_code ec;
    fs::create_directories(outDir, ec);
    if (ec)
        throw Error("Cannot create folder \"" + outDir.string() + "\". " + ec.message());
    // Until the new manifest is written, none vouches for files that may have been replaced.
    removeFileDurably(outDir / ManifestName);
    // Once per run: a save that looked for leftovers itself would scan the folder per unit.
    removeAtomicWriteLeftovers(outDir);

    // Units are independent: each gets its own file, so two of them are made at a time.
    std::vector<std::optional<BatchOutput>> results(units.size());
    std::vector<std::string> failures(units.size());
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    const auto work = [&] {
        for (std::size_t i = next++; i < units.size() && !failed; i = next++) {
            try {
                results[i] = buildUnit(projectImage, units[i], master, outDir);
            } catch (const std::exception& error) {
                failures[i] = error.what();
                failed = true;
            }
        }
    };
    {
        const unsigned count = std::clamp(std::thread::hardware_concurrency(), 1u, 2u);
        // The core's way to work beside the caller: std::jthread, which joins at the end of
        // this block whatever throws (windows use a QThread worker, which the core cannot).
        std::vector<std::jthread> workers;
        for (unsigned k = 1; k < count; ++k)
            workers.emplace_back(work);
        work();
    }
    // The first failing unit in file order is the one reported, however the work was shared.
    for (const std::string& failure : failures)
        if (!failure.empty())
            throw Error(failure);

    std::vector<BatchOutput> outputs;
    std::string manifest = "name,ip,sha256\n";
    for (std::optional<BatchOutput>& result : results) {
        // The manifest, written and flushed last, vouches only for files already on the disk.
        flushToDisk(result->file);
        manifest += csvCell(result->name) + "," + image::octetsText(result->ip) + "," + result->sha256 + "\n";
        outputs.push_back(std::move(*result));
    }
    writeFileAtomically(outDir / ManifestName, manifest);
    return outputs;
}

} // namespace cravent::firmware

#include "core/report/ReportFormats.h"

#include "core/common/CsvCell.h"
#include "core/common/JsonText.h"
#include "core/common/TerminalText.h"

#include <nlohmann/json.hpp>

#include <iterator>
#include <string_view>

namespace cravent::report {

namespace {

using Json = nlohmann::ordered_json;

constexpr Direction Both[] = {Direction::Receive, Direction::Transmit};

std::string framesTitle(Direction d)
{
    return d == Direction::Receive ? "Received frames" : "Transmitted frames";
}

std::string registersTitle(Direction d)
{
    return d == Direction::Receive ? "Receive register map" : "Transmit register map";
}

template <std::size_t N>
std::vector<std::string> titles(const char* const (&columns)[N])
{
    return {std::begin(columns), std::end(columns)};
}

std::string escapeHtml(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c;
        }
    }
    return out;
}

// Markdown that a cell's text cannot turn into a link, an image, a heading, HTML or another
// column; "_" stays, which names are full of and which inside a word marks nothing. Control
// characters come out as \xNN, so that the report shown on a terminal cannot drive it.
std::string escapeMarkdown(const std::string& text)
{
    std::string out;
    if (!text.empty() && (text.front() == '!' || text.front() == '#'))
        out += '\\';
    for (const char c : text) {
        if (c == '\n' || c == '\r') {
            out += ' ';
            continue;
        }
        if (std::string_view("\\|[]()<>*`").find(c) != std::string_view::npos)
            out += '\\';
        out += c;
    }
    return terminalText(out);
}

std::string summaryOf(const RegisterReport& report)
{
    return check::summaryText(check::tally(report.findings));
}

Json findingJson(const check::Finding& f)
{
    Json j;
    j["severity"] = check::severityName(f.severity);
    j["code"] = f.code;
    j["file"] = f.file;
    j["row"] = f.row ? Json(*f.row) : Json(nullptr);
    j["message"] = f.message;
    return j;
}

Json summaryJson(const std::vector<check::Finding>& findings)
{
    const check::Tally t = check::tally(findings);
    return Json{{"errors", t.errors}, {"warnings", t.warnings}, {"notes", t.notes}};
}

constexpr const char* Style = R"(
body { font-family: "DejaVu Sans", Arial, sans-serif; font-size: 10pt; color: #000; margin: 1.5em; }
h1 { font-size: 16pt; margin: 0 0 0.2em 0; }
h2 { font-size: 12pt; margin: 1.2em 0 0.4em 0; border-bottom: 1px solid #888; }
p.summary { margin: 0 0 1em 0; color: #333; }
table { border-collapse: collapse; width: 100%; margin-bottom: 0.6em; }
th, td { border: 1px solid #999; padding: 2px 6px; text-align: left; vertical-align: top; }
th { background: #e4e4e4; }
tr:nth-child(even) td { background: #f6f6f6; }
td.none { color: #777; font-style: italic; }
thead { display: table-header-group; }
tr { page-break-inside: avoid; }
@page { size: A4; margin: 15mm; }
@media print { body { margin: 0; } h2 { page-break-after: avoid; } }
)";

} // namespace

std::optional<Format> formatNamed(std::string_view name)
{
    if (name == "html")
        return Format::Html;
    if (name == "md")
        return Format::Markdown;
    if (name == "csv")
        return Format::Csv;
    if (name == "json")
        return Format::Json;
    return std::nullopt;
}

std::vector<std::string> cellsOf(const RegisterLine& line)
{
    return {directionName(line.direction), line.registerText, line.registerHex, line.frame,
            line.cobId, line.mnemonic, line.high, line.low};
}

std::vector<std::string> cellsOf(const FrameLine& line)
{
    return {std::to_string(line.number), line.cobId, line.length, line.mnemonic};
}

std::vector<std::string> cellsOf(const check::Finding& f)
{
    return {check::severityName(f.severity), f.file, f.row ? std::to_string(*f.row) : "", f.message,
            f.code};
}

std::vector<Table> tablesOf(const RegisterReport& report)
{
    std::vector<Table> tables;
    Table settings{"Settings", {"Setting", "Value"}, {}};
    for (const Setting& s : report.settings)
        settings.rows.push_back({s.name, s.value});
    tables.push_back(std::move(settings));
    for (const Direction d : Both) {
        Table t{framesTitle(d), titles(FrameColumns), {}};
        for (const FrameLine& line : report.framesOf(d))
            t.rows.push_back(cellsOf(line));
        tables.push_back(std::move(t));
    }
    for (const Direction d : Both) {
        Table t{registersTitle(d), titles(RegisterColumns), {}};
        for (const RegisterLine& line : report.registersOf(d))
            t.rows.push_back(cellsOf(line));
        tables.push_back(std::move(t));
    }
    Table findings{"Check", titles(FindingColumns), {}};
    for (const check::Finding& f : report.findings)
        findings.rows.push_back(cellsOf(f));
    tables.push_back(std::move(findings));
    return tables;
}

std::string renderHtml(const RegisterReport& report)
{
    const std::string title = "Register map of " + report.project;
    std::string out = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" +
                      escapeHtml(title) + "</title>\n<style>" + Style + "</style>\n</head>\n<body>\n";
    out += "<h1>" + escapeHtml(title) + "</h1>\n<p class=\"summary\">Check: " +
           escapeHtml(summaryOf(report)) + "</p>\n";
    for (const Table& t : tablesOf(report)) {
        // The width attribute is for the PDF, whose layout reads no CSS widths.
        out += "<h2>" + escapeHtml(t.title) + "</h2>\n<table width=\"100%\">\n<thead><tr>";
        for (const std::string& c : t.columns)
            out += "<th>" + escapeHtml(c) + "</th>";
        out += "</tr></thead>\n<tbody>\n";
        if (t.rows.empty())
            out += "<tr><td class=\"none\" colspan=\"" + std::to_string(t.columns.size()) +
                   "\">none</td></tr>\n";
        for (const auto& row : t.rows) {
            out += "<tr>";
            for (const std::string& cell : row)
                out += "<td>" + escapeHtml(cell) + "</td>";
            out += "</tr>\n";
        }
        out += "</tbody>\n</table>\n";
    }
    return out + "</body>\n</html>\n";
}

std::string renderMarkdown(const RegisterReport& report)
{
    std::string out = "# Register map of " + escapeMarkdown(report.project) + "\n\nCheck: " +
                      summaryOf(report) + "\n";
    for (const Table& t : tablesOf(report)) {
        out += "\n## " + t.title + "\n\n";
        if (t.rows.empty()) {
            out += "None.\n";
            continue;
        }
        std::string header = "|", rule = "|";
        for (const std::string& c : t.columns) {
            header += ' ' + c + " |";
            rule += " --- |";
        }
        out += header + '\n' + rule + '\n';
        for (const auto& row : t.rows) {
            out += '|';
            for (const std::string& cell : row)
                out += ' ' + escapeMarkdown(cell) + " |";
            out += '\n';
        }
    }
    return out;
}

std::string renderCsv(const RegisterReport& report)
{
    std::string out;
    const auto line = [&out](const std::vector<std::string>& fields) {
        for (std::size_t k = 0; k < fields.size(); ++k)
            out += (k ? "," : "") + csvCell(fields[k]);
        out += "\r\n";
    };
    line(titles(RegisterColumns));
    for (const Direction d : Both)
        for (const RegisterLine& r : report.registersOf(d))
            line(cellsOf(r));
    return out;
}

std::string renderJson(const RegisterReport& report)
{
    Json j;
    j["project"] = report.project;
    Json settings = Json::object();
    for (const Setting& s : report.settings)
        settings[s.name] = s.value;
    j["settings"] = settings;
    for (const Direction d : Both) {
        Json list = Json::array();
        for (const FrameLine& f : report.framesOf(d))
            list.push_back({{"frame", f.number}, {"cobId", f.cobId}, {"dataLength", f.length},
                            {"mnemonic", f.mnemonic}});
        j["frames"][directionName(d)] = list;
    }
    for (const Direction d : Both) {
        Json list = Json::array();
        for (const RegisterLine& r : report.registersOf(d))
            list.push_back({{"register", r.reg ? Json(*r.reg) : Json(r.registerText)},
                            {"hex", r.registerHex},
                            {"frame", r.frame},
                            {"cobId", r.cobId},
                            {"mnemonic", r.mnemonic},
                            {"highByte", r.high},
                            {"lowByte", r.low},
                            {"row", r.row}});
        j["registers"][directionName(d)] = list;
    }
    Json findings = Json::array();
    for (const check::Finding& f : report.findings)
        findings.push_back(findingJson(f));
    j["findings"] = findings;
    j["summary"] = summaryJson(report.findings);
    return jsonText(j, 2) + '\n';
}

std::string render(const RegisterReport& report, Format format)
{
    switch (format) {
    case Format::Html:
        return renderHtml(report);
    case Format::Markdown:
        return renderMarkdown(report);
    case Format::Csv:
        return renderCsv(report);
    case Format::Json:
        return renderJson(report);
    }
    return renderMarkdown(report);
}

std::string findingsJson(const std::string& project, const std::vector<check::Finding>& findings)
{
    Json j;
    j["project"] = project;
    Json list = Json::array();
    for (const check::Finding& f : findings)
        list.push_back(findingJson(f));
    j["findings"] = list;
    j["summary"] = summaryJson(findings);
    return jsonText(j, 2) + '\n';
}

} // namespace cravent::report

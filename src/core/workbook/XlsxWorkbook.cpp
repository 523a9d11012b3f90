#include "core/common/Error.h"
#include "core/workbook/CellText.h"
#include "core/workbook/SheetGrid.h"
#include "core/workbook/WorkbookFormats.h"
#include "core/workbook/XmlPart.h"
#include "core/workbook/ZipArchive.h"

#include <charconv>
#include <map>
#include <vector>

namespace cravent::workbook {

namespace {

// "xl/workbook.xml" names its worksheets and their relationship ids; the relationships part
// gives each id its worksheet part, relative to "xl/" unless it starts at the archive's root.
std::string worksheetPart(const ZipArchive& archive, const std::string& relationshipId)
{
    pugi::xml_document rels;
    loadPart(archive, "xl/_rels/workbook.xml.rels", rels);
    for (pugi::xml_node rel : child(rels, "Relationships").children()) {
        if (localName(rel.name()) != "Relationship" ||
            relationshipId != attribute(rel, "Id").value())
            continue;
        std::string target = attribute(rel, "Target").value();
        if (target.starts_with('/'))
            return target.substr(1);
        if (target.starts_with("./"))
            target.erase(0, 2);
        return "xl/" + target;
    }
    throw Error("the worksheet relationship " + relationshipId + " is missing");
}

// Every <t> of a string item, leaving out phonetic guides (<rPh>).
void collectText(pugi::xml_node node, std::string& text)
{
    for (pugi::xml_node part : node.children()) {
        if (part.type() != pugi::node_element)
            continue;
        const std::string_view name = localName(part.name());
        if (name == "t")
            text += ownText(part);
        else if (name != "rPh")
            collectText(part, text);
    }
}

std::vector<std::string> sharedStrings(const ZipArchive& archive)
{
    std::vector<std::string> strings;
    if (!archive.contains("xl/sharedStrings.xml"))
        return strings;
    pugi::xml_document document;
    loadPart(archive, "xl/sharedStrings.xml", document);
    for (pugi::xml_node item : child(document, "sst").children()) {
        if (item.type() == pugi::node_element && localName(item.name()) == "si") {
            std::string text;
            collectText(item, text);
            strings.push_back(std::move(text));
        }
    }
    return strings;
}

// "C12" -> column 2 (0-based); nothing when the reference holds no letters.
std::optional<std::size_t> columnOf(std::string_view reference)
{
    std::size_t column = 0;
    std::size_t letters = 0;
    for (char c : reference) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        if (c < 'A' || c > 'Z')
            break;
        column = column * 26 + static_cast<std::size_t>(c - 'A' + 1);
        if (++letters > 4)
            return std::nullopt;
    }
    if (letters == 0)
        return std::nullopt;
    return column - 1;
}

std::optional<std::size_t> unsignedNumber(std::string_view text)
{
    std::size_t value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<std::size_t> positiveNumber(std::string_view text)
{
    const auto value = unsignedNumber(text);
    return value && *value > 0 ? value : std::nullopt;
}

std::string cellText(pugi::xml_node cell, const std::vector<std::string>& strings)
{
    const std::string_view type = attribute(cell, "t").value();
    if (type == "inlineStr") {
        std::string text;
        collectText(child(cell, "is"), text);
        return text;
    }
    const pugi::xml_node valueNode = child(cell, "v");
    if (!valueNode) // a formula without a kept result, or an empty styled cell
        return {};
    const std::string value = ownText(valueNode);
    if (type == "s") {
        const auto index = unsignedNumber(value);
        if (!index || *index >= strings.size())
            throw Error("a cell refers to shared string " + value + ", which does not exist");
        return strings[*index];
    }
    if (type == "b")
        return value == "1" ? "TRUE" : "FALSE";
    if (type.empty() || type == "n") {
        double number = 0;
        const auto result = std::from_chars(value.data(), value.data() + value.size(), number);
        if (result.ec == std::errc() && result.ptr == value.data() + value.size())
            return numberText(number);
    }
    return value; // "str" (a formula's text), "e" (an error such as #DIV/0!), "d" (ISO date)
}

// A formula whose result was never stored, as writers that do not compute leave it (no <v>,
// or an empty one where a number would stand): what it shows cannot be told, so it is named
// rather than taken as empty. An empty text result (t="str") is a result.
bool formulaWithoutResult(pugi::xml_node cell)
{
    const std::string_view type = attribute(cell, "t").value();
    if (!child(cell, "f") || type == "inlineStr")
        return false;
    const pugi::xml_node value = child(cell, "v");
    return !value || (ownText(value).empty() && type != "str");
}

} // namespace

sheets::SheetLookup readXlsx(const ZipArchive& archive, std::string_view wantedSheet)
{
    pugi::xml_document workbook;
    loadPart(archive, "xl/workbook.xml", workbook);
    sheets::SheetLookup lookup;
    std::vector<std::string> relationshipIds;
    for (pugi::xml_node sheet : child(child(workbook, "workbook"), "sheets").children()) {
        if (sheet.type() != pugi::node_element || localName(sheet.name()) != "sheet")
            continue;
        lookup.sheetNames.emplace_back(attribute(sheet, "name").value());
        relationshipIds.emplace_back(attribute(sheet, "id").value());
    }
    const auto index = findSheet(lookup.sheetNames, wantedSheet);
    if (!index)
        return lookup;

    const std::vector<std::string> strings = sharedStrings(archive);
    pugi::xml_document sheet;
    loadPart(archive, worksheetPart(archive, relationshipIds[*index]), sheet);
    SheetGrid grid;
    std::size_t row = 0;
    bool firstRow = true;
    for (pugi::xml_node rowNode : child(child(sheet, "worksheet"), "sheetData").children()) {
        if (rowNode.type() != pugi::node_element || localName(rowNode.name()) != "row")
            continue;
        // Rows and cells carry their position; without it they follow the one before.
        const auto number = positiveNumber(attribute(rowNode, "r").value());
        row = number ? *number - 1 : (firstRow ? 0 : row + 1);
        firstRow = false;
        std::size_t column = 0;
        bool firstCell = true;
        for (pugi::xml_node cell : rowNode.children()) {
            if (cell.type() != pugi::node_element || localName(cell.name()) != "c")
                continue;
            const auto position = columnOf(attribute(cell, "r").value());
            column = position ? *position : (firstCell ? 0 : column + 1);
            firstCell = false;
            if (formulaWithoutResult(cell))
                grid.putUnreadable(row, column);
            else
                grid.put(row, column, cellText(cell, strings));
        }
    }
    std::move(grid).handTo(lookup);
    return lookup;
}

} // namespace cravent::workbook

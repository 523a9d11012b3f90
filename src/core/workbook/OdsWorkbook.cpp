#include "core/common/Error.h"
#include "core/workbook/CellText.h"
#include "core/workbook/SheetGrid.h"
#include "core/workbook/WorkbookFormats.h"
#include "core/workbook/XmlPart.h"
#include "core/workbook/ZipArchive.h"

#include <charconv>
#include <optional>
#include <utility>
#include <vector>

namespace cravent::workbook {

namespace {

// number-rows-repeated and number-columns-repeated; a spreadsheet program pads the end of a
// sheet with a million repeated empty rows, so repeats are counted, never unrolled when empty.
std::size_t repeat(pugi::xml_node node, std::string_view local)
{
    const std::string_view text = attribute(node, local).value();
    std::size_t count = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), count);
    if (text.empty() || result.ec != std::errc() || count == 0)
        return 1;
    return count;
}

// The visible text of a paragraph: spans and links inside, <text:s> for runs of blanks.
void paragraphText(pugi::xml_node node, std::string& text)
{
    for (pugi::xml_node part : node.children()) {
        if (part.type() == pugi::node_pcdata || part.type() == pugi::node_cdata) {
            text += part.value();
            continue;
        }
        if (part.type() != pugi::node_element)
            continue;
        const std::string_view name = localName(part.name());
        if (name == "s")
            text.append(std::min<std::size_t>(repeat(part, "c"), 1024), ' ');
        else if (name == "tab")
            text += '\t';
        else if (name == "line-break")
            text += '\n';
        else if (name != "annotation")
            paragraphText(part, text);
    }
}

std::string cellText(pugi::xml_node cell)
{
    const std::string_view type = attribute(cell, "value-type").value();
    if (type == "float" || type == "percentage" || type == "currency") {
        const std::string_view value = attribute(cell, "value").value();
        double number = 0;
        const auto result = std::from_chars(value.data(), value.data() + value.size(), number);
        if (!value.empty() && result.ec == std::errc() && result.ptr == value.data() + value.size())
            return numberText(number);
        return std::string(value);
    }
    if (type == "date")
        return attribute(cell, "date-value").value();
    if (type == "time")
        return attribute(cell, "time-value").value();
    if (type == "boolean")
        return std::string_view(attribute(cell, "boolean-value").value()) == "true" ? "TRUE"
                                                                                    : "FALSE";
    if (type.empty()) // a cell without a value, whatever it shows
        return {};
    std::string text;
    bool firstParagraph = true;
    for (pugi::xml_node part : cell.children()) {
        if (part.type() != pugi::node_element || localName(part.name()) != "p")
            continue;
        if (!firstParagraph)
            text += '\n';
        firstParagraph = false;
        paragraphText(part, text);
    }
    return text;
}

class TableWalker {
public:
    explicit TableWalker(SheetGrid& grid)
        : grid_(grid)
    {}

    // Rows stand in the table itself or in header-row, row and row-group wrappers.
    void walk(pugi::xml_node parent)
    {
        for (pugi::xml_node node : parent.children()) {
            if (node.type() != pugi::node_element)
                continue;
            const std::string_view name = localName(node.name());
            if (name == "table-row")
                addRow(node);
            else if (name == "table-header-rows" || name == "table-rows" ||
                     name == "table-row-group")
                walk(node);
        }
    }

private:
    void addRow(pugi::xml_node rowNode)
    {
        std::vector<std::pair<std::size_t, std::optional<std::string>>> cells;
        std::size_t column = 0;
        for (pugi::xml_node cell : rowNode.children()) {
            if (cell.type() != pugi::node_element)
                continue;
            const std::string_view name = localName(cell.name());
            if (name != "table-cell" && name != "covered-table-cell")
                continue;
            const std::size_t count = repeat(cell, "number-columns-repeated");
            // A formula without a value type has no stored result: nothing says what it shows.
            std::optional<std::string> text;
            if (!attribute(cell, "formula").empty() && attribute(cell, "value-type").empty())
                text = std::nullopt;
            else
                text = cellText(cell);
            if (!text || !text->empty()) {
                for (std::size_t i = 0; i < count && column + i < SheetGrid::MaxColumns; ++i)
                    cells.emplace_back(column + i, text);
            }
            column += std::min(count, SheetGrid::MaxColumns);
        }
        const std::size_t count = repeat(rowNode, "number-rows-repeated");
        if (!cells.empty()) {
            for (std::size_t i = 0; i < count; ++i) {
                for (const auto& [at, text] : cells) {
                    if (text) // throws at the sheet's limits
                        grid_.put(row_ + i, at, *text);
                    else
                        grid_.putUnreadable(row_ + i, at);
                }
            }
        }
        row_ += std::min(count, SheetGrid::MaxRows);
    }

    SheetGrid& grid_;
    std::size_t row_ = 0;
};

} // namespace

sheets::SheetLookup readOds(const ZipArchive& archive, std::string_view wantedSheet)
{
    pugi::xml_document content;
    loadPart(archive, "content.xml", content);
    const pugi::xml_node spreadsheet =
        child(child(child(content, "document-content"), "body"), "spreadsheet");
    if (!spreadsheet)
        throw Error("the .ods file holds no spreadsheet");

    sheets::SheetLookup lookup;
    std::vector<pugi::xml_node> tables;
    for (pugi::xml_node table : spreadsheet.children()) {
        if (table.type() == pugi::node_element && localName(table.name()) == "table") {
            lookup.sheetNames.emplace_back(attribute(table, "name").value());
            tables.push_back(table);
        }
    }
    const auto index = findSheet(lookup.sheetNames, wantedSheet);
    if (!index)
        return lookup;
    SheetGrid grid;
    TableWalker(grid).walk(tables[*index]);
    std::move(grid).handTo(lookup);
    return lookup;
}

} // namespace cravent::workbook

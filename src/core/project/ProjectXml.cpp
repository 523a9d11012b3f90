#include "core/project/ProjectXml.h"

#include "core/common/Error.h"
#include "core/common/FileIo.h"
#include "core/common/XmlCharacters.h"
#include "core/common/Windows1252.h"

#include <algorithm>
#include <sstream>

namespace cravent::project::xml {

namespace {

bool startsWith(std::string_view s, std::string_view prefix)
{
    return s.substr(0, prefix.size()) == prefix;
}

// The encoding named in the XML declaration, lower-cased, or empty.
std::string declaredEncoding(std::string_view bytes)
{
    if (!startsWith(bytes, "<?xml"))
        return {};
    const std::string_view declaration = bytes.substr(0, bytes.find("?>"));
    const auto at = declaration.find("encoding");
    if (at == std::string_view::npos)
        return {};
    const auto open = declaration.find_first_of("\"'", at);
    if (open == std::string_view::npos)
        return {};
    const auto close = declaration.find(declaration[open], open + 1);
    std::string name(declaration.substr(open + 1, close - open - 1));
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return name;
}

bool isSingleByteWestern(const std::string& encoding)
{
    return encoding == "windows-1252" || encoding == "cp1252" || encoding == "iso-8859-1" ||
           encoding == "latin1" || encoding == "iso-8859-15" || encoding == "latin-1";
}

std::pair<std::size_t, std::size_t> lineAndColumn(std::string_view text, std::ptrdiff_t offset)
{
    const auto end = std::min(text.size(), static_cast<std::size_t>(std::max<std::ptrdiff_t>(0, offset)));
    std::size_t line = 1, column = 1;
    for (std::size_t i = 0; i < end; ++i) {
        if (text[i] == '\n') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
    return {line, column};
}

// The first text of the document that holds a character XML 1.0 forbids (pugixml would write a
// control character as a reference like "&#7;", which other XML readers refuse), described with
// its element; nothing when there is none.
std::optional<std::string> forbiddenCharacterIn(const pugi::xml_document& document)
{
    std::size_t element = 0;
    std::optional<std::string> found;
    const auto check = [&](const pugi::xml_node& node, std::string_view what, const char* text) {
        if (const auto bad = findXmlForbiddenCharacter(text))
            found = std::string(what) + " of element " + std::to_string(element) + " \"" + node.name() +
                    "\" holds " + bad->name() + ", a character that XML files cannot hold";
        return !found;
    };
    // Iterative, so that no document depth can exhaust the stack.
    pugi::xml_node node = document.first_child();
    while (node && !found) {
        if (node.type() == pugi::node_element) {
            ++element;
            if (!check(node, "The name", node.name()))
                break;
            for (const pugi::xml_attribute a : node.attributes())
                if (!check(node, std::string("Attribute \"") + a.name() + "\"", a.name()) ||
                    !check(node, std::string("Attribute \"") + a.name() + "\"", a.value()))
                    break;
        } else if (!check(node.parent(), "The text", node.value())) {
            break;
        }
        if (node.first_child()) {
            node = node.first_child();
            continue;
        }
        while (node && !node.next_sibling())
            node = node.parent();
        if (node)
            node = node.next_sibling();
    }
    return found;
}

} // namespace

void load(const std::filesystem::path& file, pugi::xml_document& document)
{
    std::string bytes = readFile(file, ProjectFileLimit);
    const bool utf16 = startsWith(bytes, "\xFF\xFE") || startsWith(bytes, "\xFE\xFF");
    pugi::xml_encoding encoding = pugi::encoding_utf8;
    if (utf16) {
        encoding = pugi::encoding_auto;
    } else {
        const bool byteOrderMark = startsWith(bytes, "\xEF\xBB\xBF");
        if (byteOrderMark)
            bytes.erase(0, 3);
        // The parser takes invalid UTF-8 without complaint, and text that is not UTF-8 would not
        // read back the same once saved; the Windows program wrote ANSI, even behind a mark.
        if ((!byteOrderMark && isSingleByteWestern(declaredEncoding(bytes))) || !isValidUtf8(bytes))
            bytes = windows1252ToUtf8(bytes);
    }

    document.reset();
    const pugi::xml_parse_result result =
        document.load_buffer(bytes.data(), bytes.size(), pugi::parse_default, encoding);
    if (!result) {
        const auto [line, column] = lineAndColumn(bytes, result.offset);
        throw Error("Cannot read file \"" + file.string() + "\". " + result.description() +
                    " at line " + std::to_string(line) + ", column " + std::to_string(column));
    }
    if (!document.document_element())
        throw Error("Cannot read file \"" + file.string() + "\". No root element");
    // The parser takes a second top-level element without complaint, and whatever it holds would
    // be silently lost on the next save (two files pasted into one, for example).
    const pugi::xml_node second = document.document_element().next_sibling();
    for (pugi::xml_node node = second; node; node = node.next_sibling()) {
        if (node.type() != pugi::node_element)
            continue;
        // The parser gives the offset of the name; the element starts at its "<".
        const auto [line, column] = lineAndColumn(bytes, node.offset_debug() - 1);
        throw Error("Cannot read file \"" + file.string() + "\". A second root element \"" +
                    node.name() + "\" at line " + std::to_string(line) + ", column " +
                    std::to_string(column));
    }
}

namespace {

// The document's text, or Error with `refusal` and the reason when it holds a character XML
// forbids: the last guard, so that whatever path brought one here, no file gets it.
std::string checkedText(const pugi::xml_document& document, const std::string& refusal)
{
    if (const auto bad = forbiddenCharacterIn(document))
        throw Error(refusal + *bad);
    std::ostringstream out;
    document.save(out, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    return out.str();
}

} // namespace

std::string serialise(const pugi::xml_document& document)
{
    return checkedText(document, "Cannot write a project file. ");
}

void save(const std::filesystem::path& file, const pugi::xml_document& document)
{
    writeFileAtomically(file, checkedText(document, "Cannot create file \"" + file.string() + "\". "));
}

std::string elementText(const pugi::xml_node& element)
{
    return element.text().get();
}

StoredTable readTable(const std::filesystem::path& file, std::initializer_list<const char*> names)
{
    pugi::xml_document doc;
    load(file, doc);
    const pugi::xml_node root = doc.document_element();
    StoredTable table;
    table.rootName = root.name();
    for (const pugi::xml_node row : root.children()) {
        if (row.type() != pugi::node_element)
            continue;
        StoredValues& values = table.rows.emplace_back();
        for (const char* name : names) {
            const pugi::xml_attribute a = row.attribute(name);
            values.push_back(a ? std::optional<std::string>(a.value()) : std::nullopt);
        }
    }
    return table;
}

std::string serialiseTable(const char* rootName, std::initializer_list<const char*> names,
                           const std::vector<std::vector<std::string>>& rows)
{
    pugi::xml_document doc;
    pugi::xml_node root = doc.append_child(rootName);
    for (const auto& values : rows) {
        pugi::xml_node row = root.append_child("row");
        std::size_t i = 0;
        for (const char* name : names)
            row.append_attribute(name).set_value(values.at(i++).c_str());
    }
    return serialise(doc);
}

} // namespace cravent::project::xml

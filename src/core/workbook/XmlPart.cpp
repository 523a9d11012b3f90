#include "core/workbook/XmlPart.h"

#include "core/common/Error.h"
#include "core/common/Windows1252.h"
#include "core/workbook/ZipArchive.h"

namespace cravent::workbook {

std::string_view localName(const char* name)
{
    const std::string_view full(name);
    const auto colon = full.find(':');
    return colon == std::string_view::npos ? full : full.substr(colon + 1);
}

pugi::xml_node child(pugi::xml_node parent, std::string_view local)
{
    for (pugi::xml_node node : parent.children()) {
        if (node.type() == pugi::node_element && localName(node.name()) == local)
            return node;
    }
    return {};
}

pugi::xml_attribute attribute(pugi::xml_node node, std::string_view local)
{
    for (pugi::xml_attribute attr : node.attributes()) {
        if (localName(attr.name()) == local)
            return attr;
    }
    return {};
}

std::string ownText(pugi::xml_node node)
{
    std::string text;
    for (pugi::xml_node part : node.children()) {
        if (part.type() == pugi::node_pcdata || part.type() == pugi::node_cdata)
            text += part.value();
    }
    return text;
}

namespace {

// Checks every name and text of the tree (the parser hands bytes that are not UTF-8 through as
// they stand); the walker keeps no stack of its own, so a deeply nested part cannot overflow it.
class Utf8Check : public pugi::xml_tree_walker {
public:
    bool for_each(pugi::xml_node& node) override
    {
        valid = isValidUtf8(node.name()) && isValidUtf8(node.value());
        for (pugi::xml_attribute attr : node.attributes())
            valid = valid && isValidUtf8(attr.name()) && isValidUtf8(attr.value());
        return valid;
    }
    bool valid = true;
};

} // namespace

void loadPart(const ZipArchive& archive, std::string_view name, pugi::xml_document& document)
{
    const auto bytes = archive.read(name);
    if (!bytes)
        throw Error("the part " + std::string(name) + " is missing");
    // Whitespace-only text is kept: a cell may hold nothing but blanks.
    const auto result = document.load_buffer(bytes->data(), bytes->size(),
                                             pugi::parse_default | pugi::parse_ws_pcdata);
    if (!result)
        throw Error("the part " + std::string(name) + " is not valid XML (" + result.description() +
                    ")");
    // Such text would be taken into the frame lists and read back changed from the saved
    // project file: the part is damaged.
    Utf8Check check;
    document.traverse(check);
    if (!check.valid)
        throw Error("the part " + std::string(name) + " holds text that is not UTF-8");
}

} // namespace cravent::workbook

#pragma once

// Helpers for the XML parts of .xlsx and .ods workbooks. Writers choose their own namespace
// prefixes, so elements and attributes are matched by their local name.

#include <pugixml.hpp>
#include <string>
#include <string_view>

namespace cravent::workbook {

class ZipArchive;

std::string_view localName(const char* name);
pugi::xml_node child(pugi::xml_node parent, std::string_view local);
pugi::xml_attribute attribute(pugi::xml_node node, std::string_view local);
// The text directly inside `node` (not inside its child elements).
std::string ownText(pugi::xml_node node);

// Parses an entry of the archive; throws Error naming the part when it is missing or not XML.
void loadPart(const ZipArchive& archive, std::string_view name, pugi::xml_document& document);

} // namespace cravent::workbook

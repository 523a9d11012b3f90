#pragma once

#include <pugixml.hpp>

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cravent::project::xml {

// A project file beyond this is refused before it is read: the fullest tables the image holds
// take well under a MiB, and the parsed document needs several times the file's size.
inline constexpr std::uint64_t ProjectFileLimit = 16ull << 20;

// Loads a project file into `document`. Files of the Windows program may be Windows-1252, with
// or without a declaration saying so; they are read as such, so that "Temperatur°" stays what it
// was. Throws Error naming the file and, for a malformed file, the parser's message and place;
// a file beyond ProjectFileLimit is refused by its size.
void load(const std::filesystem::path& file, pugi::xml_document& document);

// Writes a project file the way every project file is written: UTF-8, no declaration, no
// whitespace of our own, attributes in the order they were added; atomically.
void save(const std::filesystem::path& file, const pugi::xml_document& document);

// The document's text as save() writes it.
std::string serialise(const pugi::xml_document& document);

// The text of an element (empty when it has none).
std::string elementText(const pugi::xml_node& element);

// Table-shaped files: the root holds one element per row, each row's values in attributes.
using StoredValues = std::vector<std::optional<std::string>>; // missing attribute: nothing
struct StoredTable {
    std::string rootName;
    std::vector<StoredValues> rows; // every child element of the root, in order
};

// Reads the named attributes of every row. Throws Error as load() does.
StoredTable readTable(const std::filesystem::path& file, std::initializer_list<const char*> names);

// Reads a table whose rows carry three attributes into a file record {rootName, rows} whose rows
// are records of three optional texts, in the order of `names`.
template <typename File>
File readThreeValueRows(const std::filesystem::path& file, std::initializer_list<const char*> names)
{
    StoredTable table = readTable(file, names);
    File stored{std::move(table.rootName), {}};
    for (StoredValues& values : table.rows)
        stored.rows.push_back({std::move(values[0]), std::move(values[1]), std::move(values[2])});
    return stored;
}

// A table written with the attributes in the order of `names`.
std::string serialiseTable(const char* rootName, std::initializer_list<const char*> names,
                           const std::vector<std::vector<std::string>>& rows);

} // namespace cravent::project::xml

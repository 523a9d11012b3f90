#include "core/project/PargenFile.h"

#include "core/common/FileIo.h"
#include "core/project/ProjectXml.h"

namespace cravent::project {

namespace {

const char* const IpAttributes[4] = {"IPB1", "IPB2", "IPB3", "IPB4"};
const char* const MaskAttributes[4] = {"SMB1", "SMB2", "SMB3", "SMB4"};

std::optional<std::string> textOf(const pugi::xml_node& root, const char* name)
{
    const pugi::xml_node element = root.child(name);
    if (!element)
        return std::nullopt;
    return project::xml::elementText(element);
}

std::array<std::optional<std::string>, 4> attributesOf(const pugi::xml_node& root, const char* name,
                                                       const char* const (&attributes)[4])
{
    std::array<std::optional<std::string>, 4> values;
    const pugi::xml_node element = root.child(name);
    for (std::size_t i = 0; element && i < 4; ++i)
        if (const pugi::xml_attribute a = element.attribute(attributes[i]))
            values[i] = a.value();
    return values;
}

pugi::xml_document document(const PargenValues& values)
{
    pugi::xml_document doc;
    pugi::xml_node root = doc.append_child(PargenRootName);
    root.append_child("BaudRateCAN").text().set(std::to_string(values.baudRateIndex).c_str());
    root.append_child("CANType").text().set(std::to_string(values.canType).c_str());
    pugi::xml_node ip = root.append_child("ADD_IP");
    pugi::xml_node mask = root.append_child("SUBNET");
    for (std::size_t i = 0; i < 4; ++i) {
        ip.append_attribute(IpAttributes[i]).set_value(std::to_string(values.ip[i]).c_str());
        mask.append_attribute(MaskAttributes[i]).set_value(std::to_string(values.mask[i]).c_str());
    }
    root.append_child("Port").text().set(values.port.c_str());
    return doc;
}

} // namespace

StoredPargen readPargen(const std::filesystem::path& file)
{
    pugi::xml_document doc;
    project::xml::load(file, doc);
    const pugi::xml_node root = doc.document_element();
    StoredPargen stored;
    stored.rootName = root.name();
    stored.baudRateCan = textOf(root, "BaudRateCAN");
    stored.canType = textOf(root, "CANType");
    stored.ip = attributesOf(root, "ADD_IP", IpAttributes);
    stored.mask = attributesOf(root, "SUBNET", MaskAttributes);
    stored.port = textOf(root, "Port");
    return stored;
}

std::string serialisePargen(const PargenValues& values)
{
    return project::xml::serialise(document(values));
}

void writePargen(const std::filesystem::path& file, const PargenValues& values)
{
    writeFileAtomically(file, serialisePargen(values));
}

} // namespace cravent::project

#include "core/dbc/MessageFit.h"

#include "core/dbc/DbcImport.h"
#include "core/frames/FrameList.h"

namespace cravent::dbc {

namespace {

constexpr std::uint32_t MaxId29 = 0x1FFFFFFF;

std::string label(const Message& m)
{
    return m.name + " (" + cobIdText(m.id) + (m.extended ? ", 29-bit" : "") + ")";
}

std::optional<std::string> reason(const Message& m, frames::CanType canType)
{
    if (m.extended && m.id > MaxId29)
        return "the written identifier " + cobIdText(m.id | 0x80000000u) +
               " sets bits 29-30, which a 29-bit identifier has clear";
    if (!m.extended && m.id > static_cast<std::uint32_t>(frames::MaxCobIdA))
        return "identifier " + cobIdText(m.id) + " does not fit 11 bits";
    if (m.extended && canType == frames::CanType::A)
        return "a 29-bit identifier in a CAN 2.0A project";
    if (!m.extended && canType == frames::CanType::B)
        return "an 11-bit identifier in a CAN 2.0B project, whose gateway takes extended frames";
    if (m.canFd())
        return "DLC " + std::to_string(m.dlc) + " is above 8 (a CAN FD frame)";
    if (m.dlc == 0)
        return "DLC 0: a frame carries 1 to 8 bytes";
    return std::nullopt;
}

} // namespace

std::optional<std::string> misfit(const Message& m, frames::CanType canType)
{
    if (auto why = reason(m, canType))
        return label(m) + ": " + *why;
    return std::nullopt;
}

} // namespace cravent::dbc

#pragma once

#include "core/project/SignalFile.h"

#include <string>

namespace cravent::test {

// A signal as a test names it: frame, name, DBC start bit, length and byte order; the rest as
// most signals are.
inline signals::Signal makeSignal(std::uint32_t cobId, std::string name, unsigned startBit, unsigned length,
                                  signals::ByteOrder order = signals::ByteOrder::Intel,
                                  signals::ValueType type = signals::ValueType::Unsigned)
{
    signals::Signal s;
    s.cobId = cobId;
    s.message = "M" + std::to_string(cobId);
    s.name = std::move(name);
    s.startBit = startBit;
    s.length = length;
    s.byteOrder = order;
    s.valueType = type;
    return s;
}

} // namespace cravent::test

#include "core/signals/SignalCodec.h"

#include <bit>
#include <limits>
#include <cmath>

namespace cravent::signals {

namespace {

std::string rangeText(double low, double high, const std::string& unit)
{
    return numberText(low) + " to " + numberText(high) + (unit.empty() ? "" : " " + unit);
}

} // namespace

SignalCodec::SignalCodec(const Signal& signal) : signal_(&signal), field_(signal) {}

std::int64_t SignalCodec::integerRaw(std::uint64_t bits) const
{
    const unsigned length = signal_->length;
    if (signal_->isSigned() && length < 64 && ((bits >> (length - 1)) & 1u))
        bits |= ~lowMask(length);
    return static_cast<std::int64_t>(bits);
}

double SignalCodec::rawNumber(std::uint64_t bits) const
{
    switch (signal_->valueType) {
    case ValueType::Float32:
        return static_cast<double>(std::bit_cast<float>(static_cast<std::uint32_t>(bits)));
    case ValueType::Float64:
        return std::bit_cast<double>(bits);
    case ValueType::Signed:
        return static_cast<double>(integerRaw(bits));
    case ValueType::Unsigned:
        break;
    }
    return static_cast<double>(bits);
}

std::string SignalCodec::rawText(std::uint64_t bits) const
{
    if (signal_->isFloat())
        return numberText(rawNumber(bits));
    if (signal_->isSigned())
        return std::to_string(integerRaw(bits));
    return std::to_string(bits);
}

const std::string* SignalCodec::valueName(std::uint64_t bits) const
{
    if (signal_->valueNames.empty() || signal_->isFloat())
        return nullptr;
    const std::int64_t raw = integerRaw(bits);
    // An unsigned raw value above the largest int64 has no name: value tables hold int64.
    if (!signal_->isSigned() && raw < 0)
        return nullptr;
    for (const ValueName& v : signal_->valueNames)
        if (v.raw == raw)
            return &v.name;
    return nullptr;
}

SignalCodec::Encoded SignalCodec::encode(double physical) const
{
    const Signal& s = *signal_;
    Encoded out;
    const std::string unit = s.unit.empty() ? "" : " " + s.unit;
    if (!std::isfinite(physical)) {
        out.refusal = s.fullName() + ": " + numberText(physical) + " is not a number it can take";
        return out;
    }
    if (s.range && (physical < s.range->minimum || physical > s.range->maximum)) {
        out.refusal = s.fullName() + ": " + numberText(physical) + unit + " is outside its range " +
                      rangeText(s.range->minimum, s.range->maximum, s.unit);
        return out;
    }
    const double raw = (physical - s.offset) / s.factor;
    const auto beyond = [&](const std::string& holds) {
        return s.fullName() + ": " + numberText(physical) + unit + " needs raw value " +
               numberText(raw) + ", beyond what its " + std::to_string(s.length) + " bit" +
               (s.length == 1 ? "" : "s") + " hold (" + holds + ")";
    };
    switch (s.valueType) {
    case ValueType::Float32: {
        const float f = static_cast<float>(raw);
        if (!std::isfinite(f)) {
            out.refusal = beyond("a 32-bit float");
            return out;
        }
        out.bits = std::bit_cast<std::uint32_t>(f);
        return out;
    }
    case ValueType::Float64:
        if (!std::isfinite(raw)) {
            out.refusal = beyond("a 64-bit float");
            return out;
        }
        out.bits = std::bit_cast<std::uint64_t>(raw);
        return out;
    case ValueType::Signed: {
        const double rounded = std::round(raw);
        const double limit = std::ldexp(1.0, static_cast<int>(s.length) - 1);
        if (!(rounded >= -limit && rounded < limit)) {
            const std::int64_t top = static_cast<std::int64_t>(lowMask(s.length - 1));
            out.refusal = beyond(std::to_string(-top - 1) + " to " + std::to_string(top));
            return out;
        }
        out.bits = static_cast<std::uint64_t>(static_cast<std::int64_t>(rounded)) & lowMask(s.length);
        return out;
    }
    case ValueType::Unsigned:
        break;
    }
    const double rounded = std::round(raw);
    const double limit = std::ldexp(1.0, static_cast<int>(s.length));
    if (!(rounded >= 0 && rounded < limit)) {
        out.refusal = beyond("0 to " + std::to_string(lowMask(s.length)));
        return out;
    }
    // Above 2^63 the value does not fit int64; a double there is a whole number anyway.
    const double half = std::ldexp(1.0, 63);
    out.bits = rounded >= half ? static_cast<std::uint64_t>(rounded - half) + (std::uint64_t{1} << 63)
                               : static_cast<std::uint64_t>(rounded);
    return out;
}

} // namespace cravent::signals

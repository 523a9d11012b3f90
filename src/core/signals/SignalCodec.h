#pragma once

#include "core/project/SignalFile.h"
#include "core/signals/SignalBits.h"

#include <cstdint>
#include <optional>
#include <string>

namespace cravent::signals {

// Raw bits turned into a physical value and back, for one signal; built once and then cheap.
//
// The raw value is what the bus carries: the signal's bits as an unsigned or two's-complement
// integer, or as an IEEE 754 float of 32 or 64 bits. The physical value is raw x factor +
// offset.
class SignalCodec {
public:
    // Keeps a reference: the signal must outlive the codec, and a temporary never does.
    explicit SignalCodec(const Signal& signal);
    explicit SignalCodec(const Signal&& signal) = delete;

    const Signal& signal() const { return *signal_; }
    const FrameField& frameField() const { return field_; }

    // The raw value as a number: the integer (sign-extended when signed) or the float.
    double rawNumber(std::uint64_t bits) const;
    // The raw value exactly, as text: "-3", "18446744073709551615", "0.5".
    std::string rawText(std::uint64_t bits) const;
    // The signed integer raw value (sign-extended when signed, the bits as they are otherwise).
    std::int64_t integerRaw(std::uint64_t bits) const;
    double physical(std::uint64_t bits) const { return rawNumber(bits) * signal_->factor + signal_->offset; }
    // The value table's name of the raw value, or nothing.
    const std::string* valueName(std::uint64_t bits) const;

    // The raw bits that carry `physical`, rounded to the nearest raw value (halves away from
    // zero). Refused, with the signal named: a value that is not finite, one outside the
    // signal's range where it has one, and one whose raw value the bits cannot hold.
    struct Encoded {
        std::uint64_t bits = 0;
        std::optional<std::string> refusal;
    };
    Encoded encode(double physical) const;

private:
    const Signal* signal_;
    FrameField field_;
};

} // namespace cravent::signals

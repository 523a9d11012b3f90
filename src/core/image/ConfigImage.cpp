#include "core/image/ConfigImage.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace cravent::image {

namespace {

void checkBank(int n)
{
    if (n < 1 || n > BankCount)
        throw std::out_of_range("configuration image has no bank " + std::to_string(n));
}

} // namespace

ConfigImage::ConfigImage()
    : bytes_(BankCount * BankSize, 0)
{}

std::span<const std::uint8_t, BankSize> ConfigImage::bank(int n) const
{
    checkBank(n);
    return std::span<const std::uint8_t, BankSize>(
        bytes_.data() + static_cast<std::size_t>(n - 1) * BankSize, BankSize);
}

std::uint8_t* ConfigImage::place(const Region& region, std::size_t at, std::size_t width)
{
    checkBank(region.bank);
    if (region.end() > BankSize || at > region.size || width > region.size - at)
        throw std::out_of_range("write of " + std::to_string(width) + " bytes at " +
                                std::to_string(at) + " outside a region of " +
                                std::to_string(region.size) + " bytes");
    return bytes_.data() + static_cast<std::size_t>(region.bank - 1) * BankSize + region.offset +
           at;
}

void ConfigImage::fill(const Region& region, std::uint8_t value)
{
    std::fill_n(place(region, 0, region.size), region.size, value);
}

void ConfigImage::put(const Region& region, std::size_t at, std::uint32_t value, std::size_t width)
{
    std::uint8_t* out = place(region, at, width);
    for (std::size_t i = 0; i < width; ++i)
        out[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void ConfigImage::put8(const Region& region, std::size_t at, std::uint32_t value)
{
    put(region, at, value, 1);
}

void ConfigImage::put16(const Region& region, std::size_t at, std::uint32_t value)
{
    put(region, at, value, 2);
}

void ConfigImage::put32(const Region& region, std::size_t at, std::uint32_t value)
{
    put(region, at, value, 4);
}

void ConfigImage::setBit(const Region& region, std::size_t bit)
{
    *place(region, bit / 8, 1) |= static_cast<std::uint8_t>(1u << (bit % 8));
}

} // namespace cravent::image

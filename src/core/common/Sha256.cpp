#include "core/common/Sha256.h"

#include <openssl/evp.h>

#include <array>
#include <stdexcept>

namespace cravent {

std::string sha256Hex(std::string_view bytes)
{
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
    unsigned int length = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), digest.data(), &length, EVP_sha256(), nullptr) != 1)
        throw std::runtime_error("SHA-256 failed");
    static constexpr char Digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(2 * length);
    for (unsigned int i = 0; i < length; ++i) {
        text.push_back(Digits[digest[i] >> 4]);
        text.push_back(Digits[digest[i] & 0x0F]);
    }
    return text;
}

} // namespace cravent

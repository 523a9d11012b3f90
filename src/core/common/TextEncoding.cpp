#include "core/common/TextEncoding.h"

#include <cerrno>
#include <iconv.h>

namespace cravent {

std::optional<std::string> convertText(std::string_view bytes, const char* to, const char* from)
{
    const iconv_t cd = ::iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    std::string out(bytes.size() * 2 + 16, '\0');
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char* put = out.data();
    std::size_t outLeft = out.size();
    bool ok = true;
    while (inLeft > 0 && ok) {
        if (::iconv(cd, &in, &inLeft, &put, &outLeft) != static_cast<std::size_t>(-1))
            break;
        if (errno != E2BIG) {
            ok = false;
            break;
        }
        const std::size_t used = static_cast<std::size_t>(put - out.data());
        out.resize(out.size() * 2);
        put = out.data() + used;
        outLeft = out.size() - used;
    }
    ::iconv_close(cd);
    if (!ok)
        return std::nullopt;
    out.resize(static_cast<std::size_t>(put - out.data()));
    return out;
}

} // namespace cravent

#pragma once

#include <string_view>

namespace cravent {

// Calls `visit` with each line of `text`, without its LF or CR LF end; a last line without an
// end counts too, an empty text has no lines.
template <typename Visit>
void forEachLine(std::string_view text, Visit&& visit)
{
    std::size_t position = 0;
    while (position < text.size()) {
        std::size_t end = text.find('\n', position);
        const std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
        if (end == std::string_view::npos)
            end = text.size();
        if (end > position && text[end - 1] == '\r')
            --end;
        visit(text.substr(position, end - position));
        position = next;
    }
}

} // namespace cravent

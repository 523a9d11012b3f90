#include "core/common/TerminalText.h"

namespace cravent {

namespace {

void appendEscaped(std::string& out, unsigned char byte)
{
    constexpr char Digits[] = "0123456789ABCDEF";
    out += "\\x";
    out += Digits[byte >> 4];
    out += Digits[byte & 0xF];
}

bool isControl(unsigned char byte)
{
    return (byte < 0x20 && byte != '\n' && byte != '\t') || byte == 0x7F;
}

// Appends `byte` to `out`; `leadC2` carries a pending 0xC2 between calls.
void appendSafe(std::string& out, unsigned char byte, bool& leadC2)
{
    if (leadC2) {
        leadC2 = false;
        if (byte >= 0x80 && byte <= 0x9F) {
            appendEscaped(out, 0xC2);
            appendEscaped(out, byte);
            return;
        }
        out += '\xC2';
    }
    if (byte == 0xC2) {
        leadC2 = true;
        return;
    }
    if (isControl(byte))
        appendEscaped(out, byte);
    else
        out += static_cast<char>(byte);
}

} // namespace

std::string terminalText(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    bool leadC2 = false;
    for (const char c : text)
        appendSafe(out, static_cast<unsigned char>(c), leadC2);
    if (leadC2)
        out += '\xC2';
    return out;
}

TerminalTextBuffer::~TerminalTextBuffer()
{
    if (leadC2_)
        target_->sputc('\xC2');
}

TerminalTextBuffer::int_type TerminalTextBuffer::overflow(int_type c)
{
    if (traits_type::eq_int_type(c, traits_type::eof()))
        return traits_type::not_eof(c);
    const char byte = traits_type::to_char_type(c);
    return xsputn(&byte, 1) == 1 ? c : traits_type::eof();
}

std::streamsize TerminalTextBuffer::xsputn(const char* text, std::streamsize count)
{
    std::string out;
    out.reserve(static_cast<std::size_t>(count));
    for (std::streamsize k = 0; k < count; ++k)
        appendSafe(out, static_cast<unsigned char>(text[k]), leadC2_);
    const auto size = static_cast<std::streamsize>(out.size());
    return target_->sputn(out.data(), size) == size ? count : 0;
}

int TerminalTextBuffer::sync()
{
    return target_->pubsync();
}

} // namespace cravent

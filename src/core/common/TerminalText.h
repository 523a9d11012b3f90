#pragma once

#include <streambuf>
#include <string>
#include <string_view>

namespace cravent {

// Text from a file or a peer (a mnemonic, a node name, a file name) as it may reach a terminal:
// every control character but line feed and tab, DEL and the C1 controls (U+0080 to U+009F) as
// \xNN, so that no escape sequence of a hostile name moves the cursor, retitles the window or
// answers back. Other bytes stay as they are.
std::string terminalText(std::string_view text);

// A stream buffer that passes what is written through terminalText() to another one, for a
// program's standard output or error when it is a terminal.
class TerminalTextBuffer : public std::streambuf {
public:
    explicit TerminalTextBuffer(std::streambuf* target) : target_(target) {}
    ~TerminalTextBuffer() override;
    TerminalTextBuffer(const TerminalTextBuffer&) = delete;
    TerminalTextBuffer& operator=(const TerminalTextBuffer&) = delete;

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* text, std::streamsize count) override;
    int sync() override;

private:
    std::streambuf* target_;
    bool leadC2_ = false; // the first byte of a two-byte sequence that may be a C1 control
};

} // namespace cravent

#include "core/dbc/DbcFile.h"

#include "core/common/Error.h"
#include "core/common/FileIo.h"
#include "core/common/Windows1252.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <optional>
#include <system_error>
#include <unordered_map>

namespace cravent::dbc {

namespace {

constexpr std::uint32_t ExtendedFlag = 0x80000000u;
constexpr std::uint32_t ExtendedMask = 0x1FFFFFFFu;
constexpr std::uint32_t IndependentSignalsId = 0xC0000000u;
constexpr std::string_view IndependentSignalsName = "VECTOR__INDEPENDENT_SIG_MSG";
constexpr std::string_view NoNode = "Vector__XXX";
// A signal longer than the 64 data bytes of a CAN FD frame cannot be meant.
constexpr unsigned MaxSignalBits = 512;

// Statements that end with ';' and may run over several lines; they are passed over whole.
constexpr std::array<std::string_view, 27> SemicolonStatements{
    "CM_",         "BA_DEF_",      "BA_DEF_DEF_",     "BA_",          "VAL_",
    "VAL_TABLE_",  "SIG_VALTYPE_", "BO_TX_BU_",       "SIG_GROUP_",   "EV_",
    "ENVVAR_DATA_", "SGTYPE_",     "SGTYPE_VAL_",     "SIG_TYPE_REF_", "BA_DEF_SGTYPE_",
    "BA_SGTYPE_",  "BA_DEF_REL_",  "BA_REL_",         "BA_DEF_DEF_REL_", "BU_SG_REL_",
    "BU_EV_REL_",  "BU_BO_REL_",   "SG_MUL_VAL_",     "CAT_DEF_",     "CAT_",
    "FILTER",      "EV_DATA_"};

bool isSemicolonStatement(std::string_view word)
{
    return std::find(SemicolonStatements.begin(), SemicolonStatements.end(), word) !=
           SemicolonStatements.end();
}

// Words that begin a statement of their own: an unended statement stops before them.
bool beginsStatement(std::string_view word)
{
    return word == "BO_" || word == "SG_" || word == "BU_" || word == "NS_" || word == "BS_" ||
           word == "VERSION" || isSemicolonStatement(word);
}

bool isWordByte(char c)
{
    const auto b = static_cast<unsigned char>(c);
    return (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') ||
           b == '_' || b >= 0x80;
}

bool isAscii(std::string_view bytes)
{
    unsigned char any = 0;
    for (const char c : bytes) // a loop the compiler turns into vector instructions
        any |= static_cast<unsigned char>(c);
    return any < 0x80;
}

struct Failure {
    std::size_t offset;
    std::string text;
};

class Parser {
public:
    // Takes the text over without a copy where it is UTF-8 already.
    explicit Parser(std::string text) : text_(std::move(text))
    {
        if (text_.size() >= 3 && text_.compare(0, 3, "\xEF\xBB\xBF") == 0)
            text_.erase(0, 3); // the byte order mark some editors write
        if (!isAscii(text_) && !isValidUtf8(text_))
            text_ = windows1252ToUtf8(text_);
    }

    Database run()
    {
        while (true) {
            skipBlank();
            if (atEnd())
                break;
            const std::size_t start = pos_;
            const std::string_view keyword = peekWord();
            if (keyword != "SG_") {
                current_.reset();
                signalsOfSkipped_ = false;
            }
            try {
                statement(keyword);
            } catch (const Failure& failure) {
                warn(failure.offset, failure.text + "; statement skipped");
                // The signals of a message that could not be read go with it, without a
                // warning each.
                if (keyword == "BO_")
                    signalsOfSkipped_ = true;
                if (isSemicolonStatement(keyword))
                    skipStatement(start, false);
                else
                    skipLine();
            }
        }
        attachToMessages();
        return std::move(db_);
    }

private:
    // --- the statements we read ---

    void statement(std::string_view keyword)
    {
        if (keyword.empty()) {
            if (text_.compare(pos_, 2, "//") == 0)
                return skipLine();
            fail("unexpected '" + printable(text_[pos_]) + "'");
        }
        const std::size_t start = pos_;
        pos_ += keyword.size();
        if (keyword == "BO_")
            return message();
        if (keyword == "SG_")
            return signal(start);
        if (keyword == "BU_")
            return nodes();
        if (keyword == "CM_")
            return comment();
        if (keyword == "NS_")
            return newSymbols();
        if (keyword == "BO_TX_BU_")
            return otherTransmitters();
        if (isSemicolonStatement(keyword))
            return skipStatement(start, true);
        if (keyword != "VERSION" && keyword != "BS_")
            warn(start, "unknown keyword '" + std::string(keyword) + "'; line skipped");
        skipLine();
    }

    // BO_ <id> <name>: <dlc> <transmitter>
    void message()
    {
        Message m;
        m.line = line_;
        spaces();
        const std::uint32_t written = unsignedNumber("message identifier");
        spaces();
        m.name = word("message name");
        spaces();
        expect(':', "after the message name");
        spaces();
        m.dlc = unsignedNumber("DLC");
        spaces();
        if (!lineEnds())
            m.transmitter = word("transmitter");
        if (m.transmitter == NoNode)
            m.transmitter.clear();
        skipLine();
        if (written == IndependentSignalsId || m.name == IndependentSignalsName) {
            signalsOfSkipped_ = true; // its signals belong to no frame
            return;
        }
        m.signalList.reserve(8); // most messages carry a few signals: fewer moves while they come
        m.extended = (written & ExtendedFlag) != 0;
        m.id = m.extended ? written & ExtendedMask : written;
        db_.messages.push_back(std::move(m));
        current_ = db_.messages.size() - 1;
    }

    // SG_ <name> [M|m<n>] : <start>|<length>@<0|1><+|-> (<factor>,<offset>) [<min>|<max>]
    //     "<unit>" <receivers>
    void signal(std::size_t start)
    {
        if (signalsOfSkipped_)
            return skipLine();
        if (!current_)
            fail(start, "signal outside a message (no BO_ before it)");
        Signal s;
        s.line = line_;
        s.receivers.reserve(2);
        spaces();
        s.name = word("signal name");
        spaces();
        if (peek() != ':')
            multiplexing(s);
        spaces();
        expect(':', "after the signal name");
        spaces();
        s.startBit = unsignedNumber("start bit");
        spaces();
        expect('|', "after the start bit");
        spaces();
        const std::size_t lengthAt = pos_;
        s.length = unsignedNumber("signal length");
        if (s.length == 0 || s.length > MaxSignalBits)
            fail(lengthAt, "a signal is 1 to " + std::to_string(MaxSignalBits) + " bits long, not " +
                               std::to_string(s.length));
        spaces();
        expect('@', "after the signal length");
        const char order = next("byte order 0 or 1");
        if (order != '0' && order != '1')
            fail(pos_ - 1, "byte order is 0 or 1, not '" + printable(order) + "'");
        s.littleEndian = order == '1';
        const char sign = next("sign + or -");
        if (sign != '+' && sign != '-')
            fail(pos_ - 1, "sign is + or -, not '" + printable(sign) + "'");
        s.isSigned = sign == '-';
        spaces();
        expect('(', "before the factor");
        s.factor = real("factor");
        expect(',', "after the factor");
        s.offset = real("offset");
        expect(')', "after the offset");
        spaces();
        expect('[', "before the minimum");
        s.minimum = real("minimum");
        expect('|', "after the minimum");
        s.maximum = real("maximum");
        expect(']', "after the maximum");
        spaces();
        s.unit = quoted("unit");
        while (true) {
            while (peek() == ' ' || peek() == '\t' || peek() == '\r' || peek() == ',')
                ++pos_;
            if (lineEnds())
                break;
            std::string receiver = word("receiver");
            if (receiver != NoNode)
                s.receivers.push_back(std::move(receiver));
        }
        skipLine();
        db_.messages[*current_].signalList.push_back(std::move(s));
    }

    // "M", "m<n>", or "m<n>M" (a multiplexed signal that is itself a multiplexor).
    void multiplexing(Signal& s)
    {
        const std::size_t at = pos_;
        const std::string mark = word("multiplexing mark or ':'");
        if (mark == "M") {
            s.multiplexing = Multiplexing::Multiplexor;
            return;
        }
        std::string_view digits(mark);
        if (digits.size() >= 2 && digits.front() == 'm') {
            digits.remove_prefix(1);
            if (digits.back() == 'M')
                digits.remove_suffix(1);
            unsigned value = 0;
            const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
            if (ec == std::errc() && end == digits.data() + digits.size()) {
                s.multiplexing = Multiplexing::Multiplexed;
                s.multiplexValue = value;
                return;
            }
        }
        fail(at, "expected ':' or a multiplexing mark (M, m<n>) after the signal name, found '" +
                     mark + "'");
    }

    // BU_: <node> <node> ...
    void nodes()
    {
        spaces();
        expect(':', "after BU_");
        while (true) {
            spaces();
            if (lineEnds())
                break;
            db_.nodes.push_back(word("node name"));
        }
        skipLine();
    }

    // CM_ [BU_ <node> | BO_ <id> | SG_ <id> <signal> | EV_ <name>] "<text>";
    void comment()
    {
        blank();
        std::optional<std::uint32_t> messageId;
        if (peek() != '"') {
            const std::string object = word("comment object (BU_, BO_, SG_, EV_) or text");
            blank();
            if (object == "BO_") {
                messageId = unsignedNumber("message identifier");
            } else {
                while (!atEnd() && peek() != '"' && peek() != ';') {
                    word("comment object name");
                    blank();
                }
            }
            blank();
        }
        std::string text = quoted("comment text");
        const std::size_t afterText = pos_, lineAfterText = line_, lineStartAfterText = lineStart_;
        blank();
        if (peek() != ';') {
            // Whatever follows is most likely the next statement: the skip starts before it.
            pos_ = afterText;
            line_ = lineAfterText;
            lineStart_ = lineStartAfterText;
            fail("expected ';' after the comment text");
        }
        ++pos_;
        if (messageId)
            comments_.emplace_back(*messageId, std::move(text));
    }

    // BO_TX_BU_ <id> : <node>,<node>... ;  the nodes that send a message besides its transmitter
    void otherTransmitters()
    {
        blank();
        const std::uint32_t id = unsignedNumber("message identifier");
        blank();
        expect(':', "after the message identifier");
        std::vector<std::string> nodes;
        blank();
        while (peek() != ';') {
            nodes.push_back(word("transmitter"));
            blank();
            if (peek() == ',') {
                ++pos_;
                blank();
            } else if (peek() != ';') {
                fail("expected ',' or ';' after a transmitter");
            }
        }
        ++pos_;
        otherTransmitters_.emplace_back(id, std::move(nodes));
    }

    // NS_ : followed by one symbol a line
    void newSymbols()
    {
        skipLine();
        while (true) {
            const std::size_t lineStart = pos_;
            const std::size_t lineNumber = line_;
            const std::size_t lineStartOffset = lineStart_;
            skipBlank();
            const std::string_view symbol = peekWord();
            std::size_t after = pos_ + symbol.size();
            while (after < text_.size() && (text_[after] == ' ' || text_[after] == '\t' || text_[after] == '\r'))
                ++after;
            if (symbol.empty() || (after < text_.size() && text_[after] != '\n')) {
                pos_ = lineStart;
                line_ = lineNumber;
                lineStart_ = lineStartOffset;
                return;
            }
            pos_ += symbol.size();
            skipLine();
        }
    }

    // Passes over a statement up to its ';'. One that reaches a line starting with a statement
    // keyword, or the end of the text, was not ended: a warning, and the reader goes on there.
    void skipStatement(std::size_t start, bool warnUnended)
    {
        while (!atEnd()) {
            const char c = text_[pos_];
            if (c == ';') {
                ++pos_;
                return;
            }
            if (c == '"') {
                if (!skipString())
                    break;
                continue;
            }
            if (c == '\n') {
                newline();
                std::size_t p = pos_;
                while (p < text_.size() && (text_[p] == ' ' || text_[p] == '\t'))
                    ++p;
                std::size_t e = p;
                while (e < text_.size() && isWordByte(text_[e]))
                    ++e;
                if (beginsStatement(std::string_view(text_).substr(p, e - p)))
                    break;
                continue;
            }
            ++pos_;
        }
        if (warnUnended)
            warn(start, "statement not ended by ';'; skipped up to here");
    }

    // --- the pieces of a statement ---

    [[noreturn]] void fail(std::size_t offset, std::string text) { throw Failure{offset, std::move(text)}; }
    [[noreturn]] void fail(std::string text) { fail(pos_, std::move(text)); }

    bool atEnd() const { return pos_ >= text_.size(); }
    char peek() const { return atEnd() ? '\0' : text_[pos_]; }
    bool lineEnds() const { return atEnd() || text_[pos_] == '\n'; }

    char next(const char* what)
    {
        if (lineEnds())
            fail(std::string("expected ") + what + ", found the end of the line");
        return text_[pos_++];
    }

    void newline()
    {
        ++pos_;
        ++line_;
        lineStart_ = pos_;
    }

    // Blanks within a line.
    void spaces()
    {
        while (!atEnd() && (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\r'))
            ++pos_;
    }
    // Blanks and line ends, where a statement may go on over lines.
    void blank()
    {
        while (!atEnd()) {
            const char c = text_[pos_];
            if (c == '\n')
                newline();
            else if (c == ' ' || c == '\t' || c == '\r')
                ++pos_;
            else
                break;
        }
    }
    void skipBlank() { blank(); }

    void skipLine()
    {
        const std::size_t end = text_.find('\n', pos_);
        if (end == std::string::npos) {
            pos_ = text_.size();
            return;
        }
        pos_ = end;
        newline();
    }

    std::size_t lineStartOf(std::size_t offset) const
    {
        const std::size_t nl = offset == 0 ? std::string::npos : text_.rfind('\n', offset - 1);
        return nl == std::string::npos ? 0 : nl + 1;
    }

    std::string_view peekWord() const
    {
        std::size_t end = pos_;
        while (end < text_.size() && isWordByte(text_[end]))
            ++end;
        return std::string_view(text_).substr(pos_, end - pos_);
    }

    std::string word(const char* what)
    {
        const std::string_view w = peekWord();
        if (w.empty()) {
            if (lineEnds())
                fail(std::string("expected ") + what + ", found the end of the line");
            fail(std::string("expected ") + what + ", found '" + printable(text_[pos_]) + "'");
        }
        pos_ += w.size();
        return std::string(w);
    }

    void expect(char c, const char* where)
    {
        if (peek() != c) {
            if (lineEnds())
                fail(std::string("expected '") + c + "' " + where + ", found the end of the line");
            fail(std::string("expected '") + c + "' " + where + ", found '" + printable(text_[pos_]) + "'");
        }
        ++pos_;
    }

    std::uint32_t unsignedNumber(const char* what)
    {
        const char* first = text_.data() + pos_;
        const char* last = text_.data() + text_.size();
        std::uint32_t value = 0;
        const auto [end, ec] = std::from_chars(first, last, value);
        if (ec == std::errc::result_out_of_range)
            fail(std::string(what) + " does not fit 32 bits");
        if (ec != std::errc() || (end < last && isWordByte(*end)))
            fail(std::string("expected ") + what + " (a whole number)");
        pos_ += static_cast<std::size_t>(end - first);
        return value;
    }

    double real(const char* what)
    {
        spaces();
        const char* first = text_.data() + pos_;
        const char* last = text_.data() + text_.size();
        if (first < last && *first == '+')
            ++first;
        double value = 0;
        const auto [end, ec] = std::from_chars(first, last, value);
        if (ec == std::errc::result_out_of_range) {
            // A value past the range of a double: keep going; this tool does not use it.
            value = 0;
        } else if (ec != std::errc()) {
            fail(std::string("expected ") + what + " (a number)");
        }
        pos_ = static_cast<std::size_t>(end - text_.data());
        spaces();
        return value;
    }

    // Steps over a quoted text that starts at pos_; false when it is not closed.
    bool skipString()
    {
        ++pos_;
        while (!atEnd()) {
            const char c = text_[pos_];
            if (c == '\\' && pos_ + 1 < text_.size() && text_[pos_ + 1] != '\n') {
                pos_ += 2;
            } else if (c == '"') {
                ++pos_;
                return true;
            } else if (c == '\n') {
                newline();
            } else {
                ++pos_;
            }
        }
        return false;
    }

    std::string quoted(const char* what)
    {
        if (peek() != '"')
            fail(std::string("expected ") + what + " in quotes");
        const std::size_t start = pos_;
        if (!skipString())
            fail(start, std::string(what) + ": the quote is not closed");
        std::string text;
        for (std::size_t i = start + 1; i + 1 < pos_; ++i) {
            if (text_[i] == '\\' && i + 2 < pos_ && (text_[i + 1] == '"' || text_[i + 1] == '\\'))
                ++i;
            if (text_[i] != '\r')
                text += text_[i];
        }
        return text;
    }

    static std::string printable(char c)
    {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b < 0x7F)
            return std::string(1, c);
        static constexpr char Hex[] = "0123456789ABCDEF";
        return std::string("\\x") + Hex[b >> 4] + Hex[b & 15];
    }

    // --- what the reader gathers ---

    void warn(std::size_t offset, std::string text)
    {
        ++db_.warningCount;
        if (db_.warnings.size() >= MaxWarnings)
            return;
        // The line of the offset: counted from the current line back, as failures lie on it or
        // on the statement's first line.
        std::size_t line = line_;
        std::size_t start = lineStart_;
        while (offset < start && start > 0) {
            --line;
            start = lineStartOf(start - 1);
        }
        std::size_t column = 1;
        for (std::size_t i = start; i < offset && i < text_.size(); ++i)
            if ((static_cast<unsigned char>(text_[i]) & 0xC0) != 0x80)
                ++column; // a character's first byte
        db_.warnings.push_back({line, column, std::move(text)});
    }

    // Comments and further senders name their message by its written identifier.
    void attachToMessages()
    {
        std::unordered_map<std::uint32_t, std::size_t> byWrittenId;
        for (std::size_t i = db_.messages.size(); i-- > 0;) {
            const Message& m = db_.messages[i];
            byWrittenId[m.extended ? m.id | ExtendedFlag : m.id] = i;
        }
        for (auto& [id, text] : comments_) {
            if (const auto it = byWrittenId.find(id); it != byWrittenId.end())
                db_.messages[it->second].comment = std::move(text);
        }
        for (auto& [id, nodes] : otherTransmitters_) {
            const auto it = byWrittenId.find(id);
            if (it == byWrittenId.end())
                continue;
            Message& m = db_.messages[it->second];
            for (std::string& node : nodes) {
                if (node != NoNode && !m.sentBy(node))
                    m.otherTransmitters.push_back(std::move(node));
            }
        }
    }

    std::string text_;
    std::size_t pos_ = 0;
    std::size_t line_ = 1;
    std::size_t lineStart_ = 0;
    Database db_;
    std::optional<std::size_t> current_; // the message the next SG_ belongs to
    bool signalsOfSkipped_ = false;      // SG_ lines of a message that is not kept
    std::vector<std::pair<std::uint32_t, std::string>> comments_;
    std::vector<std::pair<std::uint32_t, std::vector<std::string>>> otherTransmitters_;
};

Database parseText(std::string bytes)
{
    Parser parser(std::move(bytes));
    return parser.run();
}

} // namespace

bool Message::sentBy(std::string_view node) const
{
    return transmitter == node ||
           std::find(otherTransmitters.begin(), otherTransmitters.end(), node) != otherTransmitters.end();
}

bool Database::hasNode(std::string_view name) const
{
    return std::find(nodes.begin(), nodes.end(), name) != nodes.end();
}

std::string describe(const Warning& warning)
{
    return "Line " + std::to_string(warning.line) + ", column " + std::to_string(warning.column) +
           ": " + warning.text;
}

Database parseDbc(std::string_view bytes)
{
    return parseText(std::string(bytes));
}

Database readDbcFile(const std::filesystem::path& file)
{
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(file, ec);
    if (!ec && size > MaxFileSize)
        throw Error("Cannot read file \"" + file.string() + "\". It holds " + std::to_string(size) +
                    " bytes; a CAN database is read up to " + std::to_string(MaxFileSize) + " bytes");
    std::string bytes = readFile(file);
    if (bytes.size() > MaxFileSize)
        throw Error("Cannot read file \"" + file.string() + "\". It holds more than " +
                    std::to_string(MaxFileSize) + " bytes");
    if (const std::size_t nul = bytes.find('\0'); nul != std::string::npos)
        throw Error("Cannot read file \"" + file.string() + "\". It holds a NUL byte at offset " +
                    std::to_string(nul) + ": it is no CAN database but a binary file");
    return parseText(std::move(bytes));
}

} // namespace cravent::dbc

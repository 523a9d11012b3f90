#include "core/dbc/DbcFile.h"

#include "core/common/Error.h"
#include "core/common/FileIo.h"
#include "core/common/TextEncoding.h"
#include "core/common/Windows1252.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cstring>
#include <functional>
#include <iterator>
#include <limits>
#include <optional>
#include <system_error>
#include <unordered_map>

namespace cravent::dbc {

namespace {

constexpr std::uint32_t ExtendedFlag = 0x80000000u;
constexpr std::uint32_t IndependentSignalsId = 0xC0000000u;
constexpr std::string_view IndependentSignalsName = "VECTOR__INDEPENDENT_SIG_MSG";
constexpr std::string_view NoNode = "Vector__XXX";
// The longest message a database describes: J1939's transport protocol carries 1,785 bytes
// (a display text of 1,600 bits, for one), though no such message is a frame of the gateway.
constexpr unsigned MaxSignalBits = 1785 * 8;

// Statements that end with ';' and may run over several lines; those not read are passed over
// whole.
constexpr std::array<std::string_view, 28> SemicolonStatements{
    "CM_",         "BA_DEF_",      "BA_DEF_DEF_",     "BA_",          "VAL_",
    "VAL_TABLE_",  "SIG_VALTYPE_", "BO_TX_BU_",       "SIG_GROUP_",   "EV_",
    "ENVVAR_DATA_", "SGTYPE_",     "SGTYPE_VAL_",     "SIG_TYPE_REF_", "BA_DEF_SGTYPE_",
    "BA_SGTYPE_",  "BA_DEF_REL_",  "BA_REL_",         "BA_DEF_DEF_REL_", "BU_SG_REL_",
    "BU_EV_REL_",  "BU_BO_REL_",   "SG_MUL_VAL_",     "CAT_DEF_",     "CAT_",
    "FILTER",      "EV_DATA_",     "SIGTYPE_VALTYPE_"};

bool isSemicolonStatement(std::string_view word)
{
    return std::find(SemicolonStatements.begin(), SemicolonStatements.end(), word) !=
           SemicolonStatements.end();
}

// Words that begin a statement of their own: a list or an unended statement stops before them.
bool beginsStatement(std::string_view word)
{
    if (word.empty() || (word.back() != '_' && word != "VERSION" && word != "FILTER"))
        return false; // the common case of a name, at once
    return word == "BO_" || word == "SG_" || word == "BU_" || word == "NS_" || word == "BS_" ||
           word == "VERSION" || isSemicolonStatement(word);
}

// A list of names (nodes, receivers, a transmitter) ends before a statement, also one this
// reader does not know: a word of capitals ending in '_', as every keyword is written.
bool endsList(std::string_view word)
{
    if (word.empty() || beginsStatement(word))
        return true;
    return word.back() == '_' &&
           std::all_of(word.begin(), word.end(), [](char c) { return (c >= 'A' && c <= 'Z') || c == '_'; });
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

// CR LF and a lone CR (old Mac files) become LF, in place, so that every later step counts
// lines one way.
void unifyLineEnds(std::string& text)
{
    std::size_t put = text.find('\r');
    if (put == std::string::npos)
        return;
    for (std::size_t get = put; get < text.size(); ++get) {
        if (text[get] == '\r') {
            text[put++] = '\n';
            if (get + 1 < text.size() && text[get + 1] == '\n')
                ++get;
        } else {
            text[put++] = text[get];
        }
    }
    text.resize(put);
}

enum class Utf16 { No, Decoded, Invalid };

// UTF-16 text with a byte order mark, as Windows' "Unicode" saves it, is replaced by its UTF-8.
Utf16 decodeUtf16(std::string& text)
{
    const char* from = text.starts_with("\xFF\xFE") ? "UTF-16LE" : text.starts_with("\xFE\xFF") ? "UTF-16BE" : nullptr;
    if (!from)
        return Utf16::No;
    std::optional<std::string> decoded = convertText(std::string_view(text).substr(2), "UTF-8", from);
    if (!decoded)
        return Utf16::Invalid;
    text = std::move(*decoded);
    return Utf16::Decoded;
}

// Text without a byte order mark whose every second byte is NUL, as far as it was looked at:
// UTF-16 of Latin text.
bool looksLikeUtf16(std::string_view bytes)
{
    const std::size_t n = std::min<std::size_t>(bytes.size() & ~std::size_t{1}, 512);
    if (n < 4)
        return false;
    for (const std::size_t zero : {std::size_t{0}, std::size_t{1}}) {
        bool all = true;
        for (std::size_t i = 0; i < n && all; i += 2)
            all = bytes[i + zero] == '\0' && bytes[i + 1 - zero] != '\0';
        if (all)
            return true;
    }
    return false;
}

struct Failure {
    std::size_t offset;
    std::string text;
};

// Hashing that lets a string_view look up a std::string key without a copy.
struct NameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view name) const { return std::hash<std::string_view>{}(name); }
};

class Parser {
public:
    // Takes the text over without a copy where it is UTF-8 already.
    explicit Parser(std::string text) : text_(std::move(text))
    {
        if (decodeUtf16(text_) == Utf16::Invalid) {
            text_.clear();
            warn(0, "the text starts with a UTF-16 byte order mark but is no UTF-16; nothing read");
            return;
        }
        if (text_.starts_with("\xEF\xBB\xBF"))
            text_.erase(0, 3); // the byte order mark some editors write
        if (!isAscii(text_) && !isValidUtf8(text_))
            text_ = windows1252ToUtf8(text_);
        unifyLineEnds(text_);
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
        listNodes();
        // Remarks made while attaching belong to statements read earlier.
        std::stable_sort(db_.warnings.begin(), db_.warnings.end(), [](const Warning& a, const Warning& b) {
            return a.line != b.line ? a.line < b.line : a.column < b.column;
        });
        return std::move(db_);
    }

private:
    // What statements say about a message or signal named by its written identifier; attached
    // once every message is read.
    struct Place {
        std::size_t line = 0, lineStart = 0, offset = 0;
    };
    struct Reference : Place { // Place: where the statement starts
        std::uint32_t writtenId = 0;
        std::string signal; // empty: the message itself
    };
    struct NodeName {
        std::string name;
        bool declared = false; // in BU_
        Place firstNamed;
    };
    struct PendingComment : Reference {
        std::string text;
    };
    struct PendingSenders : Reference {
        std::vector<std::uint32_t> nodes; // indexes into nodes_, each once
    };
    struct PendingValueType : Reference {
        ValueType type = ValueType::Integer;
    };
    struct PendingValueNames : Reference {
        std::vector<ValueName> names;
    };

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
            return message(start);
        if (keyword == "SG_")
            return signal(start);
        if (keyword == "BU_")
            return nodes();
        if (keyword == "CM_")
            return comment(start);
        if (keyword == "NS_")
            return newSymbols();
        if (keyword == "BO_TX_BU_")
            return otherTransmitters(start);
        if (keyword == "SIG_VALTYPE_")
            return valueType(start);
        if (keyword == "VAL_")
            return valueNames(start);
        if (isSemicolonStatement(keyword))
            return skipStatement(start, true);
        if (keyword != "VERSION" && keyword != "BS_")
            warn(start, "unknown keyword '" + std::string(keyword) + "'; line skipped");
        skipLine();
    }

    // BO_ <id> <name>: <dlc> <transmitter>
    void message(std::size_t start)
    {
        Message m;
        m.line = line_;
        blank();
        const std::uint32_t written = unsignedNumber("message identifier");
        blank();
        m.name = word("message name");
        blank();
        expect(':', "after the message name");
        blank();
        m.dlc = unsignedNumber("DLC");
        blank();
        if (const std::string_view sender = peekWord(); !endsList(sender)) {
            const std::size_t at = pos_;
            pos_ += sender.size();
            if (sender != NoNode && node(sender, at, false))
                m.transmitter = sender;
        }
        if (written == IndependentSignalsId || m.name == IndependentSignalsName) {
            signalsOfSkipped_ = true; // its signals belong to no frame
            return;
        }
        m.extended = (written & ExtendedFlag) != 0;
        m.id = written & ~ExtendedFlag;
        if (!room(db_.messages.size(), MaxMessages, "messages", start)) {
            signalsOfSkipped_ = true;
            return;
        }
        db_.messages.push_back(std::move(m));
        current_ = db_.messages.size() - 1;
    }

    // SG_ <name> [M|m<n>] : <start>|<length>@<0|1><+|-> (<factor>,<offset>) [<min>|<max>]
    //     "<unit>" <receiver>,<receiver>...
    void signal(std::size_t start)
    {
        if (signalsOfSkipped_)
            return skipLine();
        if (!current_)
            fail(start, "signal outside a message (no BO_ before it)");
        Signal s;
        s.line = line_;
        blank();
        s.name = word("signal name");
        blank();
        if (peek() != ':')
            multiplexing(s);
        blank();
        expect(':', "after the signal name");
        blank();
        s.startBit = unsignedNumber("start bit");
        blank();
        expect('|', "after the start bit");
        blank();
        const std::size_t lengthAt = pos_;
        s.length = unsignedNumber("signal length");
        if (s.length == 0 || s.length > MaxSignalBits)
            fail(lengthAt, "a signal is 1 to " + std::to_string(MaxSignalBits) + " bits long, not " +
                               std::to_string(s.length));
        blank();
        expect('@', "after the signal length");
        const char order = next("byte order 0 or 1");
        if (order != '0' && order != '1')
            fail(pos_ - 1, "byte order is 0 or 1, not '" + printable(order) + "'");
        s.littleEndian = order == '1';
        const char sign = next("sign + or -");
        if (sign != '+' && sign != '-')
            fail(pos_ - 1, "sign is + or -, not '" + printable(sign) + "'");
        s.isSigned = sign == '-';
        blank();
        expect('(', "before the factor");
        s.factor = real("factor");
        expect(',', "after the factor");
        s.offset = real("offset");
        expect(')', "after the offset");
        blank();
        expect('[', "before the minimum");
        s.minimum = real("minimum");
        expect('|', "after the minimum");
        s.maximum = real("maximum");
        expect(']', "after the maximum");
        blank();
        s.unit = quoted("unit");
        // Receivers are separated by commas, over lines if need be; blanks alone separate
        // them within a line only.
        const std::uint64_t list = ++listSerial_;
        bool afterComma = false;
        while (true) {
            afterComma ? blank() : spaces();
            if (peek() == ',') {
                ++pos_;
                afterComma = true;
                continue;
            }
            const std::string_view receiver = peekWord();
            if (endsList(receiver))
                break;
            const std::size_t at = pos_;
            pos_ += receiver.size();
            afterComma = false;
            if (receiver == NoNode)
                continue;
            if (const auto index = node(receiver, at, false); index && firstInList(*index, list))
                s.receivers.push_back(nodes_[*index].name);
        }
        if (room(signals_++, MaxSignals, "signals", start))
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

    // BU_: <node> <node> ...   up to the next statement, over as many lines as it takes
    void nodes()
    {
        blank();
        expect(':', "after BU_");
        while (true) {
            blank();
            const std::string_view name = peekWord();
            if (endsList(name))
                break;
            const std::size_t at = pos_;
            pos_ += name.size();
            node(name, at, true);
        }
    }

    // CM_ [BU_ <node> | BO_ <id> | SG_ <id> <signal> | EV_ <name>] "<text>";
    void comment(std::size_t start)
    {
        blank();
        std::optional<Reference> target;
        if (peek() != '"') {
            const std::string object = word("comment object (BU_, BO_, SG_, EV_) or text");
            blank();
            if (object == "BO_" || object == "SG_") {
                target = reference(start);
                target->writtenId = unsignedNumber("message identifier");
                if (object == "SG_") {
                    blank();
                    target->signal = word("signal name");
                }
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
        if (target && room(references_++, MaxReferences, "comments, senders, value types and value tables", start))
            comments_.push_back({std::move(*target), std::move(text)});
    }

    // BO_TX_BU_ <id> : <node>,<node>... ;  the nodes that send a message besides its transmitter
    void otherTransmitters(std::size_t start)
    {
        PendingSenders senders{reference(start), {}};
        blank();
        senders.writtenId = unsignedNumber("message identifier");
        blank();
        expect(':', "after the message identifier");
        const std::uint64_t list = ++listSerial_;
        blank();
        while (peek() != ';') {
            const std::size_t at = pos_;
            const std::string name = word("transmitter");
            if (name != NoNode)
                if (const auto index = node(name, at, false); index && firstInList(*index, list))
                    senders.nodes.push_back(*index);
            blank();
            if (peek() == ',') {
                ++pos_;
                blank();
            } else if (peek() != ';') {
                fail("expected ',' or ';' after a transmitter");
            }
        }
        ++pos_;
        if (room(references_++, MaxReferences, "comments, senders, value types and value tables", start))
            senders_.push_back(std::move(senders));
    }

    // SIG_VALTYPE_ <id> <signal> : <0|1|2> ;  an integer, an IEEE float or an IEEE double
    void valueType(std::size_t start)
    {
        PendingValueType type{reference(start)};
        blank();
        type.writtenId = unsignedNumber("message identifier");
        blank();
        type.signal = word("signal name");
        blank();
        if (peek() == ':')
            ++pos_;
        blank();
        const std::size_t at = pos_;
        const std::uint32_t code = unsignedNumber("value type 0, 1 or 2");
        if (code > 2)
            fail(at, "value type is 0 (integer), 1 (32-bit float) or 2 (64-bit float), not " +
                         std::to_string(code));
        type.type = code == 1 ? ValueType::Float32 : code == 2 ? ValueType::Float64 : ValueType::Integer;
        blank();
        expect(';', "after the value type");
        if (room(references_++, MaxReferences, "comments, senders, value types and value tables", start))
            valueTypes_.push_back(std::move(type));
    }

    // VAL_ <id> <signal> <raw> "<name>" ... ;  (VAL_ of an environment variable names no id)
    void valueNames(std::size_t start)
    {
        PendingValueNames names{reference(start), {}};
        blank();
        if (!std::isdigit(static_cast<unsigned char>(peek())))
            return skipStatement(start, true);
        names.writtenId = unsignedNumber("message identifier");
        blank();
        names.signal = word("signal name");
        blank();
        bool keep = room(references_++, MaxReferences, "comments, senders, value types and value tables", start);
        while (peek() != ';') {
            const std::size_t at = pos_;
            const std::int64_t raw = rawValue();
            blank();
            std::string name = quoted("value name");
            if (keep && !room(valueNameCount_++, MaxValueNames, "value names", at))
                keep = false;
            if (keep)
                names.names.push_back({raw, std::move(name)});
            blank();
        }
        ++pos_;
        if (!names.names.empty())
            valueNames_.push_back(std::move(names));
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
            while (after < text_.size() && (text_[after] == ' ' || text_[after] == '\t'))
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

    // --- nodes ---

    // The index of a node in nodes_, taken in on its first naming. Nothing beyond MaxNodes.
    std::optional<std::uint32_t> node(std::string_view name, std::size_t offset, bool declaring)
    {
        if (const auto it = nodeIndex_.find(name); it != nodeIndex_.end()) {
            nodes_[it->second].declared |= declaring;
            return it->second;
        }
        if (nodes_.size() >= MaxNodes) {
            if (db_.warnings.size() >= MaxWarnings)
                ++db_.warningCount;
            else
                warn(offset, "more than " + std::to_string(MaxNodes) + " nodes; '" + std::string(name) +
                             "' is passed over");
            return std::nullopt;
        }
        const auto index = static_cast<std::uint32_t>(nodes_.size());
        nodes_.push_back({std::string(name), declaring, placeOf(offset)});
        nodeIndex_.emplace(std::string(name), index);
        nodeList_.push_back(0);
        return index;
    }

    // The nodes of BU_, then those only a message or signal names, which a reader of the bus
    // takes as nodes as well: with a warning where they were first named.
    void listNodes()
    {
        db_.nodes.reserve(nodes_.size());
        for (const NodeName& n : nodes_)
            if (n.declared)
                db_.nodes.push_back(n.name);
        for (const NodeName& n : nodes_) {
            if (n.declared)
                continue;
            db_.nodes.push_back(n.name);
            warnAt(n.firstNamed, "node '" + n.name + "' is not declared in BU_; taken as a node");
        }
    }

    // Whether one more item fits its bound; when not, a warning at `offset`.
    bool room(std::size_t count, std::size_t max, const char* what, std::size_t offset)
    {
        if (count < max)
            return true;
        if (db_.warnings.size() >= MaxWarnings)
            ++db_.warningCount; // counted without the text
        else
            warn(offset, "more than " + std::to_string(max) + " " + what + "; passed over");
        return false;
    }

    // True the first time a list (a serial number) names the node: lists keep each node once,
    // in constant time a name however long they are.
    bool firstInList(std::uint32_t index, std::uint64_t list)
    {
        if (nodeList_[index] == list)
            return false;
        nodeList_[index] = list;
        return true;
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
        while (!atEnd() && (text_[pos_] == ' ' || text_[pos_] == '\t'))
            ++pos_;
    }
    // Blanks and line ends: the grammar knows no lines.
    void blank()
    {
        while (!atEnd()) {
            const char c = text_[pos_];
            if (c == '\n')
                newline();
            else if (c == ' ' || c == '\t')
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
                fail(std::string("expected ") + what + ", found the end of the " + (atEnd() ? "text" : "line"));
            fail(std::string("expected ") + what + ", found '" + printable(text_[pos_]) + "'");
        }
        pos_ += w.size();
        return std::string(w);
    }

    void expect(char c, const char* where)
    {
        if (peek() != c) {
            if (lineEnds())
                fail(std::string("expected '") + c + "' " + where + ", found the end of the " +
                     (atEnd() ? "text" : "line"));
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

    // A raw value of a value table: a signed 64-bit number, or an unsigned one above it, which
    // keeps its 64 bits.
    std::int64_t rawValue()
    {
        const char* first = text_.data() + pos_;
        const char* last = text_.data() + text_.size();
        std::int64_t value = 0;
        auto [end, ec] = std::from_chars(first, last, value);
        if (ec == std::errc::result_out_of_range && first < last && *first != '-') {
            std::uint64_t pattern = 0;
            const auto unsignedResult = std::from_chars(first, last, pattern);
            end = unsignedResult.ptr;
            ec = unsignedResult.ec;
            value = static_cast<std::int64_t>(pattern);
        }
        if (ec == std::errc::result_out_of_range)
            fail("raw value does not fit 64 bits");
        if (ec != std::errc() || (end < last && (isWordByte(*end) || *end == '.')))
            fail("expected a raw value (a whole number) or ';'");
        pos_ += static_cast<std::size_t>(end - first);
        return value;
    }

    double real(const char* what)
    {
        blank();
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
        blank();
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

    // Columns count characters: the first bytes of UTF-8 sequences.
    std::size_t columnOf(std::size_t lineStart, std::size_t offset) const
    {
        std::size_t column = 1;
        for (std::size_t i = lineStart; i < offset && i < text_.size(); ++i)
            if ((static_cast<unsigned char>(text_[i]) & 0xC0) != 0x80)
                ++column;
        return column;
    }

    // Called where the statement begins, on its first line.
    Place placeOf(std::size_t offset) const { return {line_, lineStart_, offset}; }
    Reference reference(std::size_t statementStart) const { return {placeOf(statementStart), 0, {}}; }

    void warn(std::size_t offset, std::string text)
    {
        if (db_.warnings.size() >= MaxWarnings) {
            ++db_.warningCount;
            return;
        }
        // The line is counted from the current one back, as failures lie on it or on the
        // statement's first line.
        std::size_t line = line_;
        std::size_t start = lineStart_;
        while (offset < start && start > 0) {
            --line;
            start = lineStartOf(start - 1);
        }
        ++db_.warningCount;
        db_.warnings.push_back({line, columnOf(start, offset), std::move(text)});
    }

    void warnAt(const Place& r, std::string text)
    {
        ++db_.warningCount;
        if (db_.warnings.size() < MaxWarnings)
            db_.warnings.push_back({r.line, columnOf(r.lineStart, r.offset), std::move(text)});
    }

    // The messages that statements name by written identifier, and their signals by name. Each
    // message's references are gathered first, so that the work stays in proportion to the
    // statements and signals however the file orders them.
    void attachToMessages()
    {
        std::unordered_map<std::uint32_t, std::size_t> byWrittenId;
        for (std::size_t i = db_.messages.size(); i-- > 0;) {
            const Message& m = db_.messages[i];
            byWrittenId[m.extended ? m.id | ExtendedFlag : m.id] = i;
        }
        const auto messageOf = [&](const Reference& r) -> Message* {
            const auto it = byWrittenId.find(r.writtenId);
            return it == byWrittenId.end() ? nullptr : &db_.messages[it->second];
        };

        // Message comments and further senders. The first list of a message marks its own
        // transmitter and the senders already taken, so each is kept once.
        for (PendingComment& c : comments_)
            if (c.signal.empty())
                if (Message* m = messageOf(c))
                    m->comment = std::move(c.text);
        std::stable_sort(senders_.begin(), senders_.end(),
                         [](const PendingSenders& a, const PendingSenders& b) { return a.writtenId < b.writtenId; });
        const Message* marked = nullptr;
        std::uint64_t list = 0;
        for (PendingSenders& s : senders_) {
            Message* m = messageOf(s);
            if (!m)
                continue;
            if (m != marked) {
                marked = m;
                list = ++listSerial_;
                if (const auto it = nodeIndex_.find(m->transmitter); it != nodeIndex_.end())
                    firstInList(it->second, list);
            }
            for (const std::uint32_t index : s.nodes)
                if (firstInList(index, list))
                    m->otherTransmitters.push_back(nodes_[index].name);
        }

        // Signal comments, value types and value names, through one name index a message.
        std::unordered_map<const Message*, std::unordered_map<std::string_view, Signal*>> signalIndex;
        const auto signalOf = [&](const Reference& r) -> Signal* {
            Message* m = messageOf(r);
            if (!m)
                return nullptr;
            auto [it, fresh] = signalIndex.try_emplace(m);
            if (fresh)
                for (Signal& s : m->signalList)
                    it->second.emplace(s.name, &s);
            const auto found = it->second.find(r.signal);
            return found == it->second.end() ? nullptr : found->second;
        };
        for (PendingComment& c : comments_)
            if (!c.signal.empty())
                if (Signal* s = signalOf(c))
                    s->comment = std::move(c.text);
        for (const PendingValueType& t : valueTypes_) {
            Signal* s = signalOf(t);
            if (!s)
                continue;
            const unsigned bits = t.type == ValueType::Float32 ? 32 : t.type == ValueType::Float64 ? 64 : 0;
            if (bits != 0 && s->length != bits) {
                warnAt(t, "SIG_VALTYPE_ makes " + s->name + " a " + std::to_string(bits) +
                           "-bit float, but it is " + std::to_string(s->length) +
                           " bits long; read as an integer");
                continue;
            }
            s->valueType = t.type;
        }
        std::vector<Signal*> named;
        for (PendingValueNames& v : valueNames_) {
            Signal* s = signalOf(v);
            if (!s)
                continue;
            if (s->valueNames.empty())
                named.push_back(s);
            std::move(v.names.begin(), v.names.end(), std::back_inserter(s->valueNames));
        }
        // By raw value, each value once: the last name given to it, as a later statement
        // overrides an earlier one.
        for (Signal* s : named) {
            auto& names = s->valueNames;
            std::stable_sort(names.begin(), names.end(),
                             [](const ValueName& a, const ValueName& b) { return a.raw < b.raw; });
            std::size_t put = 0;
            for (std::size_t i = 0; i < names.size(); ++i) {
                if (i + 1 < names.size() && names[i + 1].raw == names[i].raw)
                    continue;
                if (put != i)
                    names[put] = std::move(names[i]);
                ++put;
            }
            names.resize(put);
        }
    }

    std::string text_;
    std::size_t pos_ = 0;
    std::size_t line_ = 1;
    std::size_t lineStart_ = 0;
    Database db_;
    std::optional<std::size_t> current_; // the message the next SG_ belongs to
    bool signalsOfSkipped_ = false;      // SG_ lines of a message that is not kept
    std::unordered_map<std::string, std::uint32_t, NameHash, std::equal_to<>> nodeIndex_;
    std::vector<NodeName> nodes_; // by index
    std::vector<std::uint64_t> nodeList_; // for each node, the last list that named it
    std::uint64_t listSerial_ = 0;
    std::size_t signals_ = 0, references_ = 0, valueNameCount_ = 0; // as room() bounds them
    std::vector<PendingComment> comments_;
    std::vector<PendingSenders> senders_;
    std::vector<PendingValueType> valueTypes_;
    std::vector<PendingValueNames> valueNames_;
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
    if (decodeUtf16(bytes) == Utf16::Invalid)
        throw Error("Cannot read file \"" + file.string() +
                    "\". It starts with a UTF-16 byte order mark but is no valid UTF-16 text");
    if (const std::size_t nul = bytes.find('\0'); nul != std::string::npos) {
        if (looksLikeUtf16(bytes))
            throw Error("Cannot read file \"" + file.string() +
                        "\". It is UTF-16 text without a byte order mark; save it as UTF-8, or as "
                        "UTF-16 with a byte order mark");
        throw Error("Cannot read file \"" + file.string() + "\". It holds a NUL byte at offset " +
                    std::to_string(nul) + ": it is no CAN database but a binary file");
    }
    return parseText(std::move(bytes));
}

} // namespace cravent::dbc

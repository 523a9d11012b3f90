#include "core/sheets/SheetWire.h"

#include "core/common/Error.h"

#include <cstdint>

namespace cravent::sheets {

namespace {

constexpr std::string_view Magic = "CRAVENT-SHEET 1\n";
constexpr std::string_view EndMark = "END\n";
constexpr char LookupKind = 'L';
constexpr char FailureKind = 'F';

void putCount(std::string& out, std::size_t value)
{
    const auto v = static_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8)
        out += static_cast<char>((v >> shift) & 0xFFu);
}

void putText(std::string& out, std::string_view text)
{
    putCount(out, text.size());
    out += text;
}

class Cursor {
public:
    explicit Cursor(std::string_view bytes)
        : rest_(bytes)
    {}

    void expect(std::string_view literal)
    {
        if (!rest_.starts_with(literal))
            bad();
        rest_.remove_prefix(literal.size());
    }
    char kind()
    {
        if (rest_.empty())
            bad();
        const char c = rest_.front();
        rest_.remove_prefix(1);
        return c;
    }
    // A count of items that each take at least `minimumItemSize` bytes: a count that the rest
    // cannot hold is refused before anything is reserved for it.
    std::size_t count(std::size_t minimumItemSize)
    {
        if (rest_.size() < 4)
            bad();
        std::uint32_t v = 0;
        for (int i = 3; i >= 0; --i)
            v = (v << 8) | static_cast<unsigned char>(rest_[static_cast<std::size_t>(i)]);
        rest_.remove_prefix(4);
        if (minimumItemSize > 0 && v > rest_.size() / minimumItemSize)
            bad();
        return v;
    }
    std::string text()
    {
        const std::size_t size = count(1);
        std::string value(rest_.substr(0, size));
        rest_.remove_prefix(size);
        return value;
    }
    void finish()
    {
        expect(EndMark);
        if (!rest_.empty())
            bad();
    }

    [[noreturn]] static void bad() { throw Error("the answer of the workbook reader is damaged"); }

private:
    std::string_view rest_;
};

} // namespace

std::string encodeLookup(const SheetLookup& lookup)
{
    std::string out(Magic);
    out += LookupKind;
    putCount(out, lookup.sheetNames.size());
    for (const std::string& name : lookup.sheetNames)
        putText(out, name);
    out += lookup.records ? '\1' : '\0';
    if (lookup.records) {
        putCount(out, lookup.records->size());
        for (const Record& record : *lookup.records) {
            putCount(out, record.size());
            for (const std::string& cell : record)
                putText(out, cell);
        }
    }
    out += EndMark;
    return out;
}

std::string encodeFailure(std::string_view reason)
{
    std::string out(Magic);
    out += FailureKind;
    putText(out, reason);
    out += EndMark;
    return out;
}

ReaderAnswer decodeAnswer(std::string_view bytes)
{
    Cursor in(bytes);
    in.expect(Magic);
    ReaderAnswer answer;
    const char kind = in.kind();
    if (kind == FailureKind) {
        answer.failure = in.text();
    } else if (kind == LookupKind) {
        const std::size_t names = in.count(4);
        for (std::size_t i = 0; i < names; ++i)
            answer.lookup.sheetNames.push_back(in.text());
        const char found = in.kind();
        if (found == '\1') {
            auto& records = answer.lookup.records.emplace();
            const std::size_t count = in.count(4);
            records.reserve(count);
            for (std::size_t r = 0; r < count; ++r) {
                Record& record = records.emplace_back();
                const std::size_t fields = in.count(4);
                record.reserve(fields);
                for (std::size_t f = 0; f < fields; ++f)
                    record.push_back(in.text());
            }
        } else if (found != '\0') {
            Cursor::bad();
        }
    } else {
        Cursor::bad();
    }
    in.finish();
    return answer;
}

} // namespace cravent::sheets

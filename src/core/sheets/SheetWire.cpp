#include "core/sheets/SheetWire.h"

#include "core/common/Error.h"

#include <algorithm>
#include <cstdint>

namespace cravent::sheets {

namespace {

constexpr std::string_view Magic = "CRAVENT-SHEET 2\n";
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

// At most `limit` bytes, not ending inside a UTF-8 sequence.
std::string_view cut(std::string_view text, std::size_t limit)
{
    if (text.size() <= limit)
        return text;
    std::size_t size = limit;
    while (size > 0 && (static_cast<unsigned char>(text[size]) & 0xC0) == 0x80)
        --size;
    return text.substr(0, size);
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
    std::size_t count(std::size_t minimumItemSize, std::size_t limit)
    {
        if (rest_.size() < 4)
            bad();
        std::uint32_t v = 0;
        for (int i = 3; i >= 0; --i)
            v = (v << 8) | static_cast<unsigned char>(rest_[static_cast<std::size_t>(i)]);
        rest_.remove_prefix(4);
        if ((minimumItemSize > 0 && v > rest_.size() / minimumItemSize) || v > limit)
            bad();
        return v;
    }
    std::string text(std::size_t limit)
    {
        const std::size_t size = count(1, SIZE_MAX);
        if (size > limit)
            bad();
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
    const std::size_t names = std::min(lookup.sheetNames.size(), MaxSheetNames);
    putCount(out, names);
    for (std::size_t i = 0; i < names; ++i)
        putText(out, cut(lookup.sheetNames[i], MaxSheetNameBytes));
    out += lookup.records ? '\1' : '\0';
    if (lookup.records) {
        if (lookup.records->size() > MaxRecordsRead)
            throw Error("the worksheet holds more records than an import can take");
        putCount(out, lookup.records->size());
        for (const Record& record : *lookup.records) {
            const std::size_t fields = std::min(record.size(), FieldsRead);
            putCount(out, fields);
            for (std::size_t f = 0; f < fields; ++f) {
                if (record[f].size() > MaxFieldBytes)
                    throw Error("a field of the worksheet is longer than an import can take");
                putText(out, record[f]);
            }
        }
        putCount(out, lookup.beyond.count);
        putCount(out, lookup.beyond.firstRow);
        const std::size_t cells =
            std::min(lookup.unreadableCells.size(), FieldsRead * MaxRecordsRead);
        putCount(out, cells);
        for (std::size_t i = 0; i < cells; ++i)
            putText(out, cut(lookup.unreadableCells[i], MaxCellNameBytes));
    }
    out += EndMark;
    return out;
}

std::string encodeFailure(std::string_view reason)
{
    std::string out(Magic);
    out += FailureKind;
    putText(out, cut(reason, MaxReasonBytes));
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
        answer.failure = in.text(MaxReasonBytes);
    } else if (kind == LookupKind) {
        // Each count is checked against its limit before anything is made for it, so the
        // records take little more memory than the answer's bytes.
        const std::size_t names = in.count(4, MaxSheetNames);
        answer.lookup.sheetNames.reserve(names);
        for (std::size_t i = 0; i < names; ++i)
            answer.lookup.sheetNames.push_back(in.text(MaxSheetNameBytes));
        const char found = in.kind();
        if (found == '\1') {
            auto& records = answer.lookup.records.emplace();
            const std::size_t count = in.count(4, MaxRecordsRead);
            records.reserve(count);
            for (std::size_t r = 0; r < count; ++r) {
                Record& record = records.emplace_back();
                const std::size_t fields = in.count(4, FieldsRead);
                record.reserve(fields);
                for (std::size_t f = 0; f < fields; ++f)
                    record.push_back(in.text(MaxFieldBytes));
            }
            answer.lookup.beyond.count = in.count(0, SIZE_MAX);
            answer.lookup.beyond.firstRow = in.count(0, SIZE_MAX);
            const std::size_t cells = in.count(4, FieldsRead * MaxRecordsRead);
            answer.lookup.unreadableCells.reserve(cells);
            for (std::size_t i = 0; i < cells; ++i)
                answer.lookup.unreadableCells.push_back(in.text(MaxCellNameBytes));
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

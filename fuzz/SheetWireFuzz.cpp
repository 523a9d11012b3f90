#include "FuzzCheck.h"
#include "core/common/Error.h"
#include "core/sheets/SheetWire.h"

#include <cstdint>
#include <string>
#include <string_view>

using namespace cravent::sheets;

namespace {

bool refused(std::string_view bytes)
{
    try {
        decodeAnswer(bytes);
        return false;
    } catch (const cravent::Error&) {
        return true;
    }
}

// The bytes read as a lookup to encode: '\n' ends a record, '\t' a cell, a leading "#" line
// names the worksheets ('\t' between them), a leading '!' makes it a failure with the rest as
// the reason.
ReaderAnswer answerOf(std::string_view bytes)
{
    ReaderAnswer answer;
    if (bytes.starts_with("!")) {
        answer.failure = std::string(bytes.substr(1, MaxReasonBytes));
        return answer;
    }
    const auto split = [](std::string_view text, char separator) {
        std::vector<std::string> parts;
        std::size_t position = 0;
        while (true) {
            const std::size_t end = text.find(separator, position);
            parts.emplace_back(text.substr(position, end - position));
            if (end == std::string_view::npos)
                return parts;
            position = end + 1;
        }
    };
    if (bytes.starts_with("#")) {
        const std::size_t end = bytes.find('\n');
        answer.lookup.sheetNames = split(bytes.substr(1, end == std::string_view::npos ? end : end - 1), '\t');
        // What an answer carries of them: the first names, each short enough not to be cut.
        if (answer.lookup.sheetNames.size() > MaxSheetNames)
            answer.lookup.sheetNames.resize(MaxSheetNames);
        for (std::string& name : answer.lookup.sheetNames)
            name = name.substr(0, MaxSheetNameBytes);
        if (end == std::string_view::npos)
            return answer; // no records: the sheet was not found
        bytes.remove_prefix(end + 1);
    }
    auto& records = answer.lookup.records.emplace();
    if (!bytes.empty())
        for (const std::string& line : split(bytes, '\n')) {
            if (records.size() == MaxRecordsRead)
                break;
            Record record = line.empty() ? Record{} : split(line, '\t');
            if (record.size() > FieldsRead)
                record.resize(FieldsRead);
            for (std::string& text : record)
                text = text.substr(0, MaxFieldBytes);
            records.push_back(std::move(record));
        }
    // A count of the records beyond, and an unreadable cell, from the first bytes.
    answer.lookup.beyond.count = bytes.size() % 3;
    answer.lookup.beyond.firstRow = answer.lookup.beyond.count > 0 ? 4000 + bytes.size() : 0;
    if (bytes.size() % 2 == 1)
        answer.lookup.unreadableCells.push_back("B" + std::to_string(bytes.size()));
    return answer;
}

bool same(const ReaderAnswer& a, const ReaderAnswer& b)
{
    return a.failure == b.failure && a.lookup.sheetNames == b.lookup.sheetNames &&
           a.lookup.records == b.lookup.records &&
           a.lookup.unreadableCells == b.lookup.unreadableCells &&
           a.lookup.beyond.count == b.lookup.beyond.count &&
           a.lookup.beyond.firstRow == b.lookup.beyond.firstRow;
}

std::string encode(const ReaderAnswer& answer)
{
    return answer.failure ? encodeFailure(*answer.failure) : encodeLookup(answer.lookup);
}

} // namespace

// Any bytes as the helper's answer are either refused with Error or decoded; what is decoded
// encodes back to exactly those bytes (the encoding has one form per answer). Any answer built
// from the bytes round-trips, and no proper prefix of its encoding, nor the encoding with a
// byte more, is taken for an answer.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    try {
        const ReaderAnswer decoded = decodeAnswer(bytes);
        FUZZ_CHECK(encode(decoded) == bytes);
    } catch (const cravent::Error& error) {
        FUZZ_CHECK(std::string_view(error.what()) == "the answer of the workbook reader is damaged");
    }

    const ReaderAnswer built = answerOf(bytes);
    const std::string encoded = encode(built);
    FUZZ_CHECK(same(decodeAnswer(encoded), built));
    const std::size_t step = encoded.size() / 64 + 1;
    for (std::size_t cut = 0; cut < encoded.size(); cut += step)
        FUZZ_CHECK(refused(std::string_view(encoded).substr(0, cut)));
    FUZZ_CHECK(refused(encoded + '\0'));
    return 0;
}

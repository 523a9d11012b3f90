// .xls workbooks: the BIFF8 record stream ("Workbook") of an OLE2 compound file, which libgsf
// opens. Only what the import needs is read: the sheet list, the shared strings and the cell
// records of one worksheet, with the stored result of each formula.

#include "core/common/Error.h"
#include "core/workbook/CellText.h"
#include "core/workbook/SheetGrid.h"
#include "core/workbook/WorkbookFormats.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <gsf/gsf.h>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace cravent::workbook {

namespace {

// BIFF8 record types.
constexpr std::uint16_t Formula = 0x0006;
constexpr std::uint16_t Eof = 0x000A;
constexpr std::uint16_t FilePass = 0x002F;
constexpr std::uint16_t Continue = 0x003C;
constexpr std::uint16_t BoundSheet = 0x0085;
constexpr std::uint16_t MulRk = 0x00BD;
constexpr std::uint16_t Sst = 0x00FC;
constexpr std::uint16_t LabelSst = 0x00FD;
constexpr std::uint16_t Number = 0x0203;
constexpr std::uint16_t Label = 0x0204;
constexpr std::uint16_t BoolErr = 0x0205;
constexpr std::uint16_t String = 0x0207;
constexpr std::uint16_t Rk = 0x027E;
constexpr std::uint16_t ArrayFormula = 0x0221;
constexpr std::uint16_t DataTable = 0x0236;
constexpr std::uint16_t SharedFormula = 0x04BC;
constexpr std::uint16_t Bof = 0x0809;

constexpr std::uint16_t Biff8 = 0x0600;
constexpr std::uint8_t WorksheetType = 0; // BOUNDSHEET: worksheet (1 macro, 2 chart, 6 module)

[[noreturn]] void cutShort()
{
    throw Error("the .xls file is cut short or damaged (a record runs past the end of its data)");
}

std::uint16_t u16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
std::uint32_t u32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(u16(p)) | (static_cast<std::uint32_t>(u16(p + 2)) << 16);
}

double f64(const std::uint8_t* p)
{
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i)
        bits = (bits << 8) | p[i];
    double value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void appendUtf8(std::string& out, std::uint32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The "Workbook" stream of the compound file, read whole (it is no larger than the file).
std::vector<std::uint8_t> workbookStream(const std::filesystem::path& file)
{
    struct Unref {
        void operator()(void* object) const { g_object_unref(object); }
    };
    GError* error = nullptr;
    const auto takeError = [&error]() {
        std::string text = error != nullptr && error->message != nullptr ? error->message : "";
        g_clear_error(&error);
        return text;
    };
    std::unique_ptr<GsfInput, Unref> input(gsf_input_stdio_new(file.c_str(), &error));
    if (!input)
        throw Error("the file cannot be opened (" + takeError() + ")");
    std::unique_ptr<GsfInfile, Unref> ole(gsf_infile_msole_new(input.get(), &error));
    if (!ole)
        throw Error("the .xls file's container is cut short or damaged (" + takeError() + ")");
    std::unique_ptr<GsfInput, Unref> stream(gsf_infile_child_by_name(ole.get(), "Workbook"));
    if (!stream) {
        std::unique_ptr<GsfInput, Unref> old(gsf_infile_child_by_name(ole.get(), "Book"));
        if (old)
            throw Error("it is an Excel 5.0/95 workbook, which this program does not read; save "
                        "it in the Excel 97-2003 format (.xls) or as .xlsx or .ods");
        throw Error("the file is an OLE2 compound document but holds no workbook stream (not an "
                    ".xls workbook this program understands)");
    }
    const gsf_off_t size = gsf_input_size(stream.get());
    // The directory states the size; a stream cannot hold more than the file.
    std::error_code ec;
    const std::uintmax_t fileSize = std::filesystem::file_size(file, ec);
    if (size < 0 || ec || static_cast<std::uintmax_t>(size) > fileSize)
        throw Error("the .xls file is damaged (its workbook stream claims more bytes than the "
                    "file holds)");
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (size > 0 &&
        gsf_input_read(stream.get(), static_cast<std::size_t>(size), bytes.data()) == nullptr)
        throw Error("the .xls file's workbook stream is cut short or damaged");
    return bytes;
}

struct RecordView {
    std::uint16_t type = 0;
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
};

class RecordStream {
public:
    explicit RecordStream(const std::vector<std::uint8_t>& bytes)
        : bytes_(bytes)
    {}

    void seek(std::size_t offset)
    {
        if (offset >= bytes_.size())
            cutShort();
        at_ = offset;
    }
    bool next(RecordView& record)
    {
        if (at_ + 4 > bytes_.size())
            return false;
        record.type = u16(&bytes_[at_]);
        record.size = u16(&bytes_[at_ + 2]);
        if (at_ + 4 + record.size > bytes_.size())
            cutShort();
        record.data = bytes_.data() + at_ + 4;
        at_ += 4 + record.size;
        return true;
    }
    // The type of the record that comes next, or 0 at the end.
    std::uint16_t peek() const { return at_ + 4 <= bytes_.size() ? u16(&bytes_[at_]) : 0; }

private:
    const std::vector<std::uint8_t>& bytes_;
    std::size_t at_ = 0;
};

// Reads a record and the CONTINUE records after it as one run of bytes. Character data that
// crosses into a CONTINUE record starts there with a new option byte (compressed or not).
class SegmentReader {
public:
    void add(const RecordView& record) { segments_.push_back(record); }

    bool atEnd() const { return segment_ >= segments_.size(); }

    std::uint8_t byte()
    {
        skipEmpty();
        if (atEnd())
            cutShort();
        const std::uint8_t value = segments_[segment_].data[offset_++];
        return value;
    }
    // Little-endian; each read is a statement of its own, as the order of operands is not.
    std::uint16_t word()
    {
        const unsigned low = byte();
        const unsigned high = byte();
        return static_cast<std::uint16_t>(low | (high << 8));
    }
    std::uint32_t dword()
    {
        const std::uint32_t low = word();
        const std::uint32_t high = word();
        return low | (high << 16);
    }
    void skip(std::size_t count)
    {
        while (count > 0) {
            skipEmpty();
            if (atEnd())
                cutShort();
            const std::size_t here = std::min(count, segments_[segment_].size - offset_);
            offset_ += here;
            count -= here;
        }
    }

    // An XLUnicodeRichExtendedString (shared strings) or, without rich and extended parts, an
    // XLUnicodeString (LABEL, STRING).
    std::string unicodeString()
    {
        const std::size_t count = word();
        std::uint8_t flags = byte();
        const std::size_t runs = (flags & 0x08) != 0 ? word() : 0;
        const std::size_t extended = (flags & 0x04) != 0 ? dword() : 0;
        std::string text;
        for (std::size_t i = 0; i < count; ++i) {
            skipEmpty();
            if (offset_ == 0 && segment_ > 0 && !atEnd())
                flags = byte(); // the new option byte of a CONTINUE record
            std::uint32_t c = (flags & 0x01) != 0 ? word() : byte();
            if (c >= 0xD800 && c < 0xDC00 && i + 1 < count && (flags & 0x01) != 0) {
                // A surrogate pair stays in one segment in practice; read its second half.
                const std::uint32_t low = word();
                ++i;
                c = (low >= 0xDC00 && low < 0xE000)
                        ? 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00)
                        : 0xFFFD;
            } else if (c >= 0xD800 && c < 0xE000) {
                c = 0xFFFD;
            }
            appendUtf8(text, c);
        }
        skip(runs * 4 + extended);
        return text;
    }

private:
    void skipEmpty()
    {
        while (!atEnd() && offset_ >= segments_[segment_].size) {
            ++segment_;
            offset_ = 0;
        }
    }

    std::vector<RecordView> segments_;
    std::size_t segment_ = 0;
    std::size_t offset_ = 0;
};

// A record with its CONTINUE records.
SegmentReader withContinues(RecordStream& stream, const RecordView& first)
{
    SegmentReader reader;
    reader.add(first);
    RecordView more;
    while (stream.peek() == Continue && stream.next(more))
        reader.add(more);
    return reader;
}

struct Sheet {
    std::string name;
    std::uint32_t offset = 0;
};

struct Globals {
    std::vector<Sheet> sheets; // worksheets only: chart sheets and modules hold no cells
    std::vector<std::string> strings;
};

void requireBiff8(const RecordView& bof)
{
    if (bof.type != Bof || bof.size < 4)
        throw Error("the workbook stream does not start with a BIFF record (not an .xls workbook "
                    "this program understands)");
    if (u16(bof.data) != Biff8) {
        char version[8];
        std::snprintf(version, sizeof version, "%04X", u16(bof.data));
        throw Error(std::string("the workbook is in an Excel format older than Excel 97 (BIFF "
                                "version 0x") +
                    version +
                    "), which this program does not read; save it in the Excel "
                    "97-2003 format (.xls) or as .xlsx or .ods");
    }
}

Globals readGlobals(RecordStream& stream)
{
    RecordView record;
    if (!stream.next(record))
        throw Error("the workbook stream is empty (not a workbook)");
    requireBiff8(record);
    Globals globals;
    while (stream.next(record) && record.type != Eof) {
        if (record.type == FilePass)
            throw Error("the workbook is protected by a password");
        if (record.type == BoundSheet) {
            SegmentReader in;
            in.add(record);
            Sheet sheet;
            sheet.offset = in.dword();
            in.byte(); // visibility: hidden worksheets are read too
            const std::uint8_t type = in.byte();
            const std::size_t count = in.byte();
            const std::uint8_t flags = in.byte();
            for (std::size_t i = 0; i < count; ++i)
                appendUtf8(sheet.name, (flags & 0x01) != 0 ? in.word() : in.byte());
            if (type == WorksheetType)
                globals.sheets.push_back(std::move(sheet));
        } else if (record.type == Sst) {
            SegmentReader in = withContinues(stream, record);
            in.dword(); // references in the workbook
            const std::uint32_t unique = in.dword();
            // Each string takes three bytes at least: a bad count cannot reserve much.
            globals.strings.reserve(std::min<std::size_t>(unique, record.size));
            for (std::uint32_t i = 0; i < unique && !in.atEnd(); ++i)
                globals.strings.push_back(in.unicodeString());
        }
    }
    return globals;
}

// The RK form of a number: 30 bits of an integer or of a double's high bits, maybe / 100.
double rkValue(std::uint32_t rk)
{
    double value = 0;
    if ((rk & 0x02) != 0) {
        value = static_cast<double>(static_cast<std::int32_t>(rk) >> 2);
    } else {
        const std::uint64_t bits = static_cast<std::uint64_t>(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&value, &bits, sizeof value);
    }
    return (rk & 0x01) != 0 ? value / 100 : value;
}

std::string errorText(std::uint8_t code)
{
    switch (code) {
    case 0x00:
        return "#NULL!";
    case 0x07:
        return "#DIV/0!";
    case 0x0F:
        return "#VALUE!";
    case 0x17:
        return "#REF!";
    case 0x1D:
        return "#NAME?";
    case 0x24:
        return "#NUM!";
    case 0x2A:
        return "#N/A";
    default:
        return "#ERROR";
    }
}

void need(const RecordView& record, std::size_t size)
{
    if (record.size < size)
        cutShort();
}

void readCells(RecordStream& stream, const Globals& globals, SheetGrid& grid)
{
    RecordView record;
    if (!stream.next(record))
        cutShort();
    requireBiff8(record);
    // The row and column of a formula whose text result follows in a STRING record.
    std::optional<std::pair<std::size_t, std::size_t>> pendingString;
    // A chart embedded in the worksheet is a substream of its own, BOF to EOF, inside it.
    std::size_t nested = 0;
    while (stream.next(record)) {
        if (record.type == Bof) {
            ++nested;
            continue;
        }
        if (record.type == Eof) {
            if (nested == 0)
                break;
            --nested;
            continue;
        }
        if (nested > 0)
            continue;
        // A text result stands in the STRING record after its FORMULA (and after the shared or
        // array formula records that may come between); without one it is not stored.
        if (pendingString && record.type != String && record.type != SharedFormula &&
            record.type != ArrayFormula && record.type != DataTable) {
            grid.putUnreadable(pendingString->first, pendingString->second);
            pendingString.reset();
        }
        const std::uint8_t* d = record.data;
        switch (record.type) {
        case Number:
            need(record, 14);
            grid.put(u16(d), u16(d + 2), numberText(f64(d + 6)));
            break;
        case Rk:
            need(record, 10);
            grid.put(u16(d), u16(d + 2), numberText(rkValue(u32(d + 6))));
            break;
        case MulRk: {
            need(record, 6);
            const std::size_t cells = (record.size - 6) / 6;
            for (std::size_t i = 0; i < cells; ++i)
                grid.put(u16(d), u16(d + 2) + i, numberText(rkValue(u32(d + 4 + i * 6 + 2))));
            break;
        }
        case LabelSst: {
            need(record, 10);
            const std::uint32_t index = u32(d + 6);
            if (index >= globals.strings.size())
                throw Error("cell " + sheets::cellName(u16(d), u16(d + 2)) + " refers to shared string " +
                            std::to_string(index) +
                            ", which the workbook does not hold (the "
                            "file is damaged)");
            grid.put(u16(d), u16(d + 2), globals.strings[index]);
            break;
        }
        case Label: {
            need(record, 6);
            SegmentReader in = withContinues(stream, record);
            in.skip(6);
            grid.put(u16(d), u16(d + 2), in.unicodeString());
            break;
        }
        case BoolErr:
            need(record, 8);
            grid.put(u16(d), u16(d + 2),
                     d[7] != 0 ? errorText(d[6]) : (d[6] != 0 ? "TRUE" : "FALSE"));
            break;
        case Formula: {
            need(record, 20);
            const std::size_t row = u16(d);
            const std::size_t column = u16(d + 2);
            const std::uint8_t* result = d + 6;
            if (u16(result + 6) != 0xFFFF) {
                grid.put(row, column, numberText(f64(result)));
            } else if (result[0] == 0) {
                pendingString.emplace(row, column);
            } else if (result[0] == 1) {
                grid.put(row, column, result[2] != 0 ? "TRUE" : "FALSE");
            } else if (result[0] == 2) {
                grid.put(row, column, errorText(result[2]));
            } else {
                // An empty text, which is also what writers store that never computed the
                // formula: what it shows cannot be told.
                grid.putUnreadable(row, column);
            }
            break;
        }
        case String:
            if (pendingString) {
                SegmentReader in = withContinues(stream, record);
                grid.put(pendingString->first, pendingString->second, in.unicodeString());
                pendingString.reset();
            }
            break;
        default:
            break;
        }
    }
    if (pendingString)
        grid.putUnreadable(pendingString->first, pendingString->second);
}

} // namespace

sheets::SheetLookup readXls(const std::filesystem::path& workbook, std::string_view wantedSheet)
{
    const std::vector<std::uint8_t> bytes = workbookStream(workbook);
    RecordStream stream(bytes);
    const Globals globals = readGlobals(stream);
    sheets::SheetLookup lookup;
    for (const Sheet& sheet : globals.sheets)
        lookup.sheetNames.push_back(sheet.name);
    const auto index = findSheet(lookup.sheetNames, wantedSheet);
    if (!index)
        return lookup;
    stream.seek(globals.sheets[*index].offset);
    SheetGrid grid;
    readCells(stream, globals, grid);
    std::move(grid).handTo(lookup);
    return lookup;
}

} // namespace cravent::workbook

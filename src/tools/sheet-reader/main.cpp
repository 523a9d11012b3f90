// cravent-sheet-reader WORKBOOK WORKSHEET
//
// Writes the answer for one worksheet of a workbook to standard output in the form of
// sheets/SheetWire.h. A workbook that cannot be read is an answer too; only wrong usage and a
// failed write end with a non-zero status, and a crash ends the process, which is the point.

#include "core/common/Error.h"
#include "core/sheets/SheetWire.h"
#include "core/workbook/WorkbookReader.h"

#include <cerrno>
#include <new>
#include <string>
#include <unistd.h>

namespace {

bool writeAll(const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(1, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        static const std::string usage = "usage: cravent-sheet-reader WORKBOOK WORKSHEET\n";
        [[maybe_unused]] const ssize_t ignored = ::write(2, usage.data(), usage.size());
        return 2;
    }
    std::string answer;
    try {
        answer = cravent::sheets::encodeLookup(cravent::workbook::readWorkbook(argv[1], argv[2]));
    } catch (const cravent::Error& e) {
        answer = cravent::sheets::encodeFailure(e.what());
    } catch (const std::bad_alloc&) {
        answer = cravent::sheets::encodeFailure("not enough memory to read it");
    } catch (const std::exception& e) {
        answer = cravent::sheets::encodeFailure(e.what());
    }
    return writeAll(answer) ? 0 : 1;
}

#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace cravent::sim {

// Cuts a byte stream that arrives in pieces into numbered lines, holding at most `maxLength`
// characters of an unfinished line: a longer line is reported once as too long and the rest of
// it, up to its newline, is passed over, so that no part of it is ever read as a line.
class LineSplitter {
public:
    struct Line {
        std::size_t number = 0; // 1-based
        std::string text;       // without its newline; empty when too long
        bool tooLong = false;
    };

    explicit LineSplitter(std::size_t maxLength) : maxLength_(maxLength) {}

    // The lines that `piece` completes (and a too-long one as soon as it is known to be).
    std::vector<Line> feed(std::string_view piece);
    // At the end of the input: the last line, when it had no newline.
    std::vector<Line> finish();

private:
    std::size_t maxLength_;
    std::string pending_;
    bool skipping_ = false; // inside a line already reported as too long
    std::size_t number_ = 0;
};

} // namespace cravent::sim

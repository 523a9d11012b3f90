#include "core/sim/LineSplitter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace cravent::sim {
namespace {

// "n:text" for a line, "n:too long" for one passed over.
std::vector<std::string> shown(const std::vector<LineSplitter::Line>& lines)
{
    std::vector<std::string> out;
    for (const auto& line : lines)
        out.push_back(std::to_string(line.number) + ":" + (line.tooLong ? "too long" : line.text));
    return out;
}

// The input cut into pieces of `size` bytes, then the end of the input.
std::vector<std::string> split(const std::string& input, std::size_t size, std::size_t maxLength)
{
    LineSplitter splitter(maxLength);
    std::vector<std::string> out;
    for (std::size_t i = 0; i < input.size(); i += size) {
        const auto lines = shown(splitter.feed(std::string_view(input).substr(i, size)));
        out.insert(out.end(), lines.begin(), lines.end());
    }
    const auto last = shown(splitter.finish());
    out.insert(out.end(), last.begin(), last.end());
    return out;
}

TEST(LineSplitter, ALineLongerThanTheLimitIsPassedOverWholeHoweverTheInputArrives)
{
    const std::string tail = "181#0102"; // what a long line's end may look like: a frame
    const struct {
        const char* what;
        std::string input;
        std::vector<std::string> expected;
    } cases[] = {
        {"short lines", "a\nbc\n\nd", {"1:a", "2:bc", "3:", "4:d"}},
        {"a line at the limit is kept", std::string(10, 'x') + "\nz\n", {"1:" + std::string(10, 'x'), "2:z"}},
        {"one over the limit, its tail a frame", std::string(3, 'x') + tail + "\n7FF#01\n",
         {"1:too long", "2:7FF#01"}},
        {"far over the limit", std::string(100000, 'x') + tail + "\nok\n", {"1:too long", "2:ok"}},
        {"too long and never ended", std::string(50, 'x') + tail, {"1:too long"}},
        {"two long lines in a row", std::string(20, 'x') + "\n" + std::string(20, 'y') + "\n", {"1:too long", "2:too long"}},
    };
    for (const auto& c : cases) {
        for (const std::size_t piece : {std::size_t{1}, std::size_t{3}, std::size_t{7}, std::size_t{65536}}) {
            SCOPED_TRACE(std::string(c.what) + ", pieces of " + std::to_string(piece));
            EXPECT_EQ(split(c.input, piece, 10), c.expected);
        }
    }
}

} // namespace
} // namespace cravent::sim

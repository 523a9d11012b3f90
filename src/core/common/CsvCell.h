#pragma once

#include <string>
#include <string_view>

namespace cravent {

// One cell of a CSV file written for people, who open it in a spreadsheet: quoted where it holds
// a comma, a quote or a line break, and a text that a spreadsheet would run as a formula (a
// first character of =, +, -, @, tab or CR) given a leading ' and quoted. A number, negative
// ones included, stays a number. Not for the frame and map export, whose bytes are fixed.
std::string csvCell(std::string_view text);

} // namespace cravent

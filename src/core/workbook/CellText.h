#pragma once

#include <string>

namespace cravent::workbook {

// A number cell as the import sees it: a whole number as its decimal digits without a decimal
// part (8.0 reads "8", 123456789012 stays whole), any other number as the shortest decimal text
// that reads back as the same double ("1.5", "0.1", "1e-07").
std::string numberText(double value);

} // namespace cravent::workbook

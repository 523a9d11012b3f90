#pragma once

#include <string>
#include <string_view>

namespace cravent::settings {

// The rules of the numeric range edit field (TRangeEdit): a decimal text that stands for an
// integer between a minimum and a maximum. The widget keeps its text here and asks for the
// rest; every change of the text goes through setText().
class RangeValue {
public:
    RangeValue(int minimum, int maximum, std::string text);

    int minimum() const { return minimum_; }
    int maximum() const { return maximum_; }
    const std::string& text() const { return text_; }

    // Any change of the text: typed, pasted, loaded or rewritten.
    void setText(std::string text);

    // The integer value the field last had while its text was a number in range; 0 before any.
    int LastValidValue() const { return lastValidValue_; }

    // The text rounded to an integer (12.5 -> 12, 12.6 -> 13, -0.5 -> -1), or LastValidValue()
    // when the text is not a number or its rounded value lies outside the range. An empty text
    // first becomes "0".
    int value();

    // Leaving the field: an empty text becomes "0", a number is rewritten in its shortest form
    // with at most three decimals; the range is not enforced, so a typed 300 stays.
    void leave();

    // Up (amount > 0) or Down: adds `amount` to the number shown (to value() when the text is
    // no number), clamps the result to the range and rewrites the text.
    void step(int amount);

private:
    int minimum_;
    int maximum_;
    std::string text_;
    int lastValidValue_ = 0;
};

// The step of Up and Down: 1, with Alt 10, with Ctrl 100, with Ctrl and Alt 1000.
int stepAmount(bool alt, bool ctrl);

// Whether a key may go into the field. `typed` is the key's text, empty for the editing,
// navigation and function keys, which are always accepted; `before` and `after` are the field's
// text on either side of the cursor or selection that the key replaces. Accepted: digits, one
// decimal separator ("." or ","), and "-" at the very start when the field holds none.
bool acceptsKey(std::string_view typed, std::string_view before, std::string_view after);

} // namespace cravent::settings

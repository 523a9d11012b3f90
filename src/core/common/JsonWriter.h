#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace cravent {

// Writes one JSON value as text, for the machine-readable output of the command line: objects
// and arrays are opened and closed in order, and the commas come by themselves.
class JsonWriter {
public:
    JsonWriter& beginObject();
    JsonWriter& endObject();
    JsonWriter& beginArray();
    JsonWriter& endArray();
    // The name of the next member of the open object.
    JsonWriter& key(std::string_view name);
    JsonWriter& value(std::string_view text);
    JsonWriter& value(const char* text) { return value(std::string_view(text)); }
    JsonWriter& number(std::int64_t number);
    JsonWriter& flag(bool flag);
    JsonWriter& null();

    // The text so far; whole once every object and array is closed.
    const std::string& text() const { return text_; }

private:
    void separate();

    std::string text_;
    std::vector<bool> first_; // per open object or array: no member yet
    bool afterKey_ = false;
};

// A JSON string literal, quotes included.
std::string jsonString(std::string_view text);

} // namespace cravent

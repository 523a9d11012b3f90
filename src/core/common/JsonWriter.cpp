#include "core/common/JsonWriter.h"

#include <cstdio>

namespace cravent {

std::string jsonString(std::string_view text)
{
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(c));
                out += escape;
            } else {
                out += c; // UTF-8 passes as it is
            }
        }
    }
    return out + "\"";
}

void JsonWriter::separate()
{
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (!first_.empty()) {
        if (!first_.back())
            text_ += ',';
        first_.back() = false;
    }
}

JsonWriter& JsonWriter::beginObject()
{
    separate();
    text_ += '{';
    first_.push_back(true);
    return *this;
}

JsonWriter& JsonWriter::endObject()
{
    text_ += '}';
    first_.pop_back();
    return *this;
}

JsonWriter& JsonWriter::beginArray()
{
    separate();
    text_ += '[';
    first_.push_back(true);
    return *this;
}

JsonWriter& JsonWriter::endArray()
{
    text_ += ']';
    first_.pop_back();
    return *this;
}

JsonWriter& JsonWriter::key(std::string_view name)
{
    separate();
    text_ += jsonString(name);
    text_ += ':';
    afterKey_ = true;
    return *this;
}

JsonWriter& JsonWriter::value(std::string_view text)
{
    separate();
    text_ += jsonString(text);
    return *this;
}

JsonWriter& JsonWriter::number(std::int64_t number)
{
    separate();
    text_ += std::to_string(number);
    return *this;
}

JsonWriter& JsonWriter::flag(bool flag)
{
    separate();
    text_ += flag ? "true" : "false";
    return *this;
}

JsonWriter& JsonWriter::null()
{
    separate();
    text_ += "null";
    return *this;
}

} // namespace cravent

#pragma once

// A small streaming JSON writer: compact by default (no whitespace between tokens) or
// pretty-printed with a two-space indent and " : " between key and value. Keys are written in
// the order given. Doubles use the shortest form that reads back to the same value (in
// exponent form from 2^53 up, so no reader mistakes one for an oversized integer); a
// non-finite double cannot be written, and the whole write then fails (result() is empty).
// Strings are written as given (UTF-8) with the JSON escapes that are required.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavrik {

class JsonWriter {
public:
    enum class Style { Compact, Pretty };

    explicit JsonWriter(Style style = Style::Compact) : m_style(style) {}

    void beginObject();
    void endObject();
    void beginArray();
    void endArray();
    void key(std::string_view name);
    void value(std::string_view text);
    void value(const char* text) { value(std::string_view(text)); }
    void value(std::int64_t number);
    void value(double number);
    void value(bool flag);
    void null();

    // Returns the text written so far, or nothing when a non-finite double was given.
    std::optional<std::string> result() const;

private:
    void beforeValue();
    void newline();
    void open(char bracket);
    void close(char bracket);

    struct Level {
        bool empty = true;
    };

    Style m_style;
    std::string m_out;
    std::vector<Level> m_levels;
    bool m_afterKey = false;
    bool m_failed = false;
};

// Appends the JSON string literal of text (quotes and escapes included) to out.
void appendJsonString(std::string& out, std::string_view text);

}  // namespace tavrik

#include "engine/JsonWriter.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace tavrik {

void appendJsonString(std::string& out, std::string_view text) {
    static constexpr char hex[] = "0123456789abcdef";
    out.push_back('"');
    std::size_t plainFrom = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c != '"' && c != '\\') {
            continue;
        }
        out.append(text.substr(plainFrom, i - plainFrom));
        plainFrom = i + 1;
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
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            default:
                out += "\\u00";
                out.push_back(hex[c >> 4]);
                out.push_back(hex[c & 0xF]);
        }
    }
    out.append(text.substr(plainFrom));
    out.push_back('"');
}

void JsonWriter::newline() {
    m_out.push_back('\n');
    m_out.append(2 * m_levels.size(), ' ');
}

void JsonWriter::beforeValue() {
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (m_levels.empty()) {
        return;
    }
    if (!m_levels.back().empty) {
        m_out.push_back(',');
    }
    m_levels.back().empty = false;
    if (m_style == Style::Pretty) {
        newline();
    }
}

void JsonWriter::open(char bracket) {
    beforeValue();
    m_out.push_back(bracket);
    m_levels.push_back({});
}

void JsonWriter::close(char bracket) {
    const bool wasEmpty = m_levels.back().empty;
    m_levels.pop_back();
    if (m_style == Style::Pretty && !wasEmpty) {
        newline();
    }
    m_out.push_back(bracket);
}

void JsonWriter::beginObject() {
    open('{');
}
void JsonWriter::endObject() {
    close('}');
}
void JsonWriter::beginArray() {
    open('[');
}
void JsonWriter::endArray() {
    close(']');
}

void JsonWriter::key(std::string_view name) {
    beforeValue();
    appendJsonString(m_out, name);
    m_out += m_style == Style::Pretty ? " : " : ":";
    m_afterKey = true;
}

void JsonWriter::value(std::string_view text) {
    beforeValue();
    appendJsonString(m_out, text);
}

void JsonWriter::value(std::int64_t number) {
    beforeValue();
    char buf[24];
    const auto res = std::to_chars(buf, buf + sizeof buf, number);
    m_out.append(buf, res.ptr);
}

void JsonWriter::value(double number) {
    beforeValue();
    if (!std::isfinite(number)) {
        m_failed = true;
        return;
    }
    char buf[32];
    auto res = std::to_chars(buf, buf + sizeof buf, number);
    // The shortest form of a large integral double is a long run of digits ("1e19" comes out
    // as twenty of them), which JSON readers take for an integer and may refuse above 2^64.
    // Beyond 2^53, where doubles stop being exact integers anyway, use the exponent form.
    if (std::abs(number) >= 0x1p53 && std::find(buf, res.ptr, 'e') == res.ptr) {
        res = std::to_chars(buf, buf + sizeof buf, number, std::chars_format::scientific);
    }
    m_out.append(buf, res.ptr);
}

void JsonWriter::value(bool flag) {
    beforeValue();
    m_out += flag ? "true" : "false";
}

void JsonWriter::null() {
    beforeValue();
    m_out += "null";
}

std::optional<std::string> JsonWriter::result() const {
    if (m_failed) {
        return std::nullopt;
    }
    return m_out;
}

}  // namespace tavrik

#pragma once

// Generic JSON reading and writing of the engine's records. Each record lists its fields once,
// in declaration order, with forEachField; the writer and the reader both walk that list, so
// the two directions cannot drift apart.
//
// Reading follows the records' rules: a non-optional key must be present with the right JSON
// type, an optional one may be missing or null, unknown keys are ignored. Only engine sources
// include this header.

#include "engine/JsonWriter.h"

#include <simdjson.h>

#include <array>
#include <charconv>
#include <concepts>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace tavrik::detail {

// Matches both T and const T, so one forEachField serves the reader and the writer.
template <class Self, class T>
concept RecordOf = std::same_as<std::remove_const_t<Self>, T>;

template <class R>
concept Record = requires(R& r) {
    forEachField(r, [](std::string_view, auto&) {});
};

// std::map or std::unordered_map keyed by string: a JSON object.
template <class M>
concept StringMap = std::same_as<typename M::key_type, std::string> && requires {
    typename M::mapped_type;
};

// --- text ---
//
// A JSON string holds Unicode text, but the records' strings can be any bytes (a log file's
// name need not be UTF-8). Text that is not valid UTF-8, or that starts with a NUL byte, is
// stored as a NUL followed by the hex digits of its bytes. No other stored text starts with a
// NUL, so every string reads back exactly as it was.

inline bool needsHex(std::string_view text) {
    return (!text.empty() && text.front() == '\0')
           || !simdjson::validate_utf8(text.data(), text.size());
}

// Calls put with the stored form of text.
template <class Put>
void putText(std::string_view text, Put&& put) {
    if (!needsHex(text)) {
        put(text);
        return;
    }
    static constexpr char digits[] = "0123456789abcdef";
    std::string stored(1, '\0');
    stored.reserve(1 + 2 * text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        stored.push_back(digits[byte >> 4]);
        stored.push_back(digits[byte & 0xF]);
    }
    put(std::string_view(stored));
}

// Reads the stored form of a text into out; false when a hex form is malformed.
inline bool takeText(std::string_view stored, std::string& out) {
    if (stored.empty() || stored.front() != '\0') {
        out.assign(stored);
        return true;
    }
    stored.remove_prefix(1);
    if (stored.size() % 2 != 0) {
        return false;
    }
    out.clear();
    out.reserve(stored.size() / 2);
    for (std::size_t i = 0; i < stored.size(); i += 2) {
        unsigned byte = 0;
        const auto [end, ec] = std::from_chars(stored.data() + i, stored.data() + i + 2, byte, 16);
        if (ec != std::errc() || end != stored.data() + i + 2) {
            return false;
        }
        out.push_back(static_cast<char>(byte));
    }
    return true;
}

// --- writing ---

inline void writeValue(JsonWriter& w, std::int64_t v) {
    w.value(v);
}
inline void writeValue(JsonWriter& w, double v) {
    w.value(v);
}
inline void writeValue(JsonWriter& w, bool v) {
    w.value(v);
}
inline void writeValue(JsonWriter& w, const std::string& v) {
    putText(v, [&](std::string_view text) { w.value(text); });
}

template <Record R>
void writeValue(JsonWriter& w, const R& record);

template <class T>
void writeValue(JsonWriter& w, const std::vector<T>& items) {
    w.beginArray();
    for (const auto& item : items) {
        writeValue(w, item);
    }
    w.endArray();
}

template <class T, std::size_t N>
void writeValue(JsonWriter& w, const std::array<T, N>& items) {
    w.beginArray();
    for (const auto& item : items) {
        writeValue(w, item);
    }
    w.endArray();
}

inline void writeValue(JsonWriter& w, const std::set<std::string>& items) {
    w.beginArray();
    for (const auto& item : items) {
        writeValue(w, item);
    }
    w.endArray();
}

template <StringMap M>
void writeValue(JsonWriter& w, const M& items) {
    w.beginObject();
    for (const auto& [k, v] : items) {
        putText(k, [&](std::string_view text) { w.key(text); });
        writeValue(w, v);
    }
    w.endObject();
}

template <class T>
void writeField(JsonWriter& w, std::string_view key, const T& v) {
    w.key(key);
    writeValue(w, v);
}

template <class T>
void writeField(JsonWriter& w, std::string_view key, const std::optional<T>& v) {
    if (v) {
        writeField(w, key, *v);
    }
}

template <Record R>
void writeValue(JsonWriter& w, const R& record) {
    w.beginObject();
    forEachField(record, [&](std::string_view key, const auto& v) { writeField(w, key, v); });
    w.endObject();
}

// --- reading ---

using simdjson::dom::element;
using simdjson::dom::element_type;

inline bool readValue(element e, std::int64_t& out) {
    switch (e.type()) {
        case element_type::INT64:
            return !e.get_int64().get(out);
        case element_type::UINT64:
            return !e.get_int64().get(out);  // fails above INT64_MAX
        case element_type::DOUBLE: {
            // An integral double in range (5.0) is accepted as the integer it names.
            const double d = e.get_double().value_unsafe();
            if (d >= -9223372036854775808.0 && d < 9223372036854775808.0
                && d == static_cast<double>(static_cast<std::int64_t>(d))) {
                out = static_cast<std::int64_t>(d);
                return true;
            }
            return false;
        }
        default:
            return false;
    }
}

inline bool readValue(element e, double& out) {
    return !e.get_double().get(out);
}
inline bool readValue(element e, bool& out) {
    return !e.get_bool().get(out);
}

inline bool readValue(element e, std::string& out) {
    std::string_view s;
    return !e.get_string().get(s) && takeText(s, out);
}

template <Record R>
bool readValue(element e, R& record);

template <class T>
bool readValue(element e, std::vector<T>& out) {
    simdjson::dom::array arr;
    if (e.get_array().get(arr)) {
        return false;
    }
    out.clear();
    for (element item : arr) {
        if (!readValue(item, out.emplace_back())) {
            return false;
        }
    }
    return true;
}

template <class T, std::size_t N>
bool readValue(element e, std::array<T, N>& out) {
    simdjson::dom::array arr;
    if (e.get_array().get(arr) || arr.size() != N) {
        return false;
    }
    std::size_t i = 0;
    for (element item : arr) {
        if (!readValue(item, out[i++])) {
            return false;
        }
    }
    return true;
}

inline bool readValue(element e, std::set<std::string>& out) {
    simdjson::dom::array arr;
    if (e.get_array().get(arr)) {
        return false;
    }
    out.clear();
    std::string text;
    for (element item : arr) {
        if (!readValue(item, text)) {
            return false;
        }
        out.insert(text);
    }
    return true;
}

// Adds the members of obj to out, keeping what out held.
template <StringMap M>
bool readMembers(simdjson::dom::object obj, M& out) {
    std::string key;
    for (auto [k, v] : obj) {
        // Duplicate keys: the last one wins, as in most JSON readers.
        if (!takeText(k, key) || !readValue(v, out[key])) {
            return false;
        }
    }
    return true;
}

template <StringMap M>
bool readValue(element e, M& out) {
    simdjson::dom::object obj;
    if (e.get_object().get(obj)) {
        return false;
    }
    out.clear();
    return readMembers(obj, out);
}

template <class T>
bool readField(simdjson::dom::object obj, std::string_view key, T& out) {
    element e;
    return !obj.at_key(key).get(e) && readValue(e, out);
}

template <class T>
bool readField(simdjson::dom::object obj, std::string_view key, std::optional<T>& out) {
    element e;
    if (obj.at_key(key).get(e) || e.is_null()) {
        out.reset();
        return true;
    }
    return readValue(e, out.emplace());
}

template <Record R>
bool readValue(element e, R& record) {
    simdjson::dom::object obj;
    if (e.get_object().get(obj)) {
        return false;
    }
    bool ok = true;
    forEachField(record, [&](std::string_view key, auto& v) { ok = ok && readField(obj, key, v); });
    return ok;
}

// Parses a whole JSON text and reads one record from it.
template <class R>
std::optional<R> readJson(std::string_view json) {
    simdjson::dom::parser parser;
    element root;
    if (parser.parse(json.data(), json.size()).get(root)) {
        return std::nullopt;
    }
    R record;
    if (!readValue(root, record)) {
        return std::nullopt;
    }
    return record;
}

template <class R>
std::optional<std::string> writeJson(const R& record) {
    JsonWriter w;
    writeValue(w, record);
    return w.result();
}

}  // namespace tavrik::detail

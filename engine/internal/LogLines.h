#pragma once

// Shared machinery of the two log readers: loading a file into the scratch buffer, walking
// its lines, and looking up members of parsed JSON objects.

#include "engine/ReadScratch.h"
#include "engine/internal/Contribution.h"

#include <simdjson.h>

#include <cmath>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace tavrik::detail {

struct ScratchSpace {
    std::unique_ptr<char[]> buffer;
    std::size_t capacity = 0;  // bytes usable for file data; SIMDJSON_PADDING more follow
    simdjson::dom::parser parser;
};

// Reads the regular file at path block by block into space.buffer and calls
// onLine(std::string_view) for every non-empty line: the pieces between line feeds, the last
// one included when the file does not end with a line feed. Memory stays bounded by the
// longest line, not the file; a line too long for the memory there is is skipped. Anything that is
// not a regular file (a FIFO, a socket, a folder) is not read, without blocking. Returns false when
// the file could not be opened or a read failed; the caller then discards what the lines gave.
bool forEachLineOfFile(const std::string& path, ScratchSpace& space,
                       const std::function<void(std::string_view line)>& onLine);

// Parses one line of the scratch buffer in place (the buffer has padding after its end), and
// returns its top-level object; nothing when the line is not valid JSON or not an object, or
// when there is not memory enough to parse it.
inline std::optional<simdjson::dom::object> parseObjectLine(ScratchSpace& space,
                                                            std::string_view line) {
    simdjson::dom::element root;
    if (const auto error = space.parser.parse(line.data(), line.size(), false).get(root)) {
        if (error == simdjson::MEMALLOC) {
            // A parser whose allocation failed is left half set up and must not be used
            // again; the line is skipped like any bad one and the next gets a fresh parser.
            space.parser = simdjson::dom::parser();
        }
        return std::nullopt;
    }
    simdjson::dom::object obj;
    if (root.get_object().get(obj)) {
        return std::nullopt;
    }
    return obj;
}

// Returns the value of the member named key. With duplicate keys the last one wins, as in
// most JSON readers.
inline std::optional<simdjson::dom::element> member(simdjson::dom::object obj,
                                                    std::string_view key) {
    std::optional<simdjson::dom::element> found;
    for (const auto field : obj) {
        if (field.key == key) {
            found = field.value;
        }
    }
    return found;
}

inline std::optional<std::string_view> stringMember(simdjson::dom::object obj,
                                                    std::string_view key) {
    const auto e = member(obj, key);
    std::string_view s;
    if (!e || e->get_string().get(s)) {
        return std::nullopt;
    }
    return s;
}

inline std::optional<simdjson::dom::object> objectMember(simdjson::dom::object obj,
                                                         std::string_view key) {
    const auto e = member(obj, key);
    simdjson::dom::object o;
    if (!e || e->get_object().get(o)) {
        return std::nullopt;
    }
    return o;
}

// Returns a token count member as a double; 0 when missing, not a number, or beyond
// maxTokens either way.
inline double tokenMember(simdjson::dom::object obj, std::string_view key) {
    const auto e = member(obj, key);
    double v = 0;
    if (!e || e->get_double().get(v) || !(std::abs(v) <= maxTokens)) {
        return 0;
    }
    return v;
}

}  // namespace tavrik::detail

#pragma once

// A parsed JSON object that owns its parser, so it can travel through completion callbacks.
// Lookups never fail: a missing key or a value of another type reads as nothing.

#include <simdjson.h>

#include <memory>
#include <optional>
#include <string_view>

namespace tavrik::detail {

class JsonObject {
public:
    // An empty object.
    JsonObject();

    // Returns the object the text holds; an empty object when the text is empty, does not
    // parse, or is not an object.
    static JsonObject parseOrEmpty(std::string_view text);

    // Returns the object the text holds, or nothing when it is not a JSON object.
    static std::optional<JsonObject> parse(std::string_view text);

    bool contains(std::string_view key) const;
    std::optional<std::string_view> string(std::string_view key) const;
    std::optional<double> number(std::string_view key) const;
    std::optional<JsonObject> object(std::string_view key) const;
    bool isNull(std::string_view key) const;

private:
    JsonObject(std::shared_ptr<simdjson::dom::parser> parser, simdjson::dom::object object)
        : m_parser(std::move(parser)), m_object(object) {}

    std::optional<simdjson::dom::element> find(std::string_view key) const;

    std::shared_ptr<simdjson::dom::parser> m_parser;  // keeps m_object's storage alive
    simdjson::dom::object m_object;
};

}  // namespace tavrik::detail

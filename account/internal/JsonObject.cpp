#include "account/internal/JsonObject.h"

namespace tavrik::detail {

JsonObject::JsonObject() {
    *this = parseOrEmpty("{}");
}

std::optional<JsonObject> JsonObject::parse(std::string_view text) {
    auto parser = std::make_shared<simdjson::dom::parser>();
    simdjson::dom::element root;
    // The parser copies the text into padded storage, so any buffer is fine.
    if (parser->parse(text.data(), text.size(), true).get(root) != simdjson::SUCCESS) {
        return std::nullopt;
    }
    simdjson::dom::object object;
    if (root.get_object().get(object) != simdjson::SUCCESS) {
        return std::nullopt;
    }
    return JsonObject(std::move(parser), object);
}

JsonObject JsonObject::parseOrEmpty(std::string_view text) {
    if (auto parsed = parse(text)) {
        return *std::move(parsed);
    }
    return *parse("{}");
}

std::optional<simdjson::dom::element> JsonObject::find(std::string_view key) const {
    simdjson::dom::element value;
    if (m_object.at_key(key).get(value) != simdjson::SUCCESS) {
        return std::nullopt;
    }
    return value;
}

bool JsonObject::contains(std::string_view key) const {
    return find(key).has_value();
}

std::optional<std::string_view> JsonObject::string(std::string_view key) const {
    const auto value = find(key);
    std::string_view text;
    if (!value || value->get_string().get(text) != simdjson::SUCCESS) {
        return std::nullopt;
    }
    return text;
}

std::optional<double> JsonObject::number(std::string_view key) const {
    const auto value = find(key);
    if (!value || !value->is_number()) {
        return std::nullopt;
    }
    double number = 0;
    if (value->get_double().get(number) != simdjson::SUCCESS) {
        return std::nullopt;
    }
    return number;
}

std::optional<JsonObject> JsonObject::object(std::string_view key) const {
    const auto value = find(key);
    simdjson::dom::object object;
    if (!value || value->get_object().get(object) != simdjson::SUCCESS) {
        return std::nullopt;
    }
    return JsonObject(m_parser, object);
}

bool JsonObject::isNull(std::string_view key) const {
    const auto value = find(key);
    return value && value->is_null();
}

}  // namespace tavrik::detail

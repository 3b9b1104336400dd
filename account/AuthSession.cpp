#include "account/AuthSession.h"

#include "account/internal/JsonObject.h"
#include "engine/JsonWriter.h"

namespace tavrik {

std::optional<std::string> sessionToJson(const AuthSession& session) {
    JsonWriter w;
    w.beginObject();
    w.key("accessToken");
    w.value(std::string_view(session.accessToken));
    w.key("refreshToken");
    w.value(std::string_view(session.refreshToken));
    w.key("expiresAt");
    w.value(session.expiresAt);
    w.key("userId");
    w.value(std::string_view(session.userId));
    if (session.email) {
        w.key("email");
        w.value(std::string_view(*session.email));
    }
    w.endObject();
    return w.result();
}

std::optional<AuthSession> sessionFromJson(std::string_view json) {
    const auto object = detail::JsonObject::parse(json);
    if (!object) {
        return std::nullopt;
    }
    const auto accessToken = object->string("accessToken");
    const auto refreshToken = object->string("refreshToken");
    const auto expiresAt = object->number("expiresAt");
    const auto userId = object->string("userId");
    if (!accessToken || !refreshToken || !expiresAt || !userId) {
        return std::nullopt;
    }
    AuthSession session{std::string(*accessToken), std::string(*refreshToken), *expiresAt,
                        std::string(*userId), std::nullopt};
    if (object->contains("email") && !object->isNull("email")) {
        const auto email = object->string("email");
        if (!email) {
            return std::nullopt;
        }
        session.email = std::string(*email);
    }
    return session;
}

}  // namespace tavrik

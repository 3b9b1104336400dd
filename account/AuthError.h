#pragma once

// AuthError: why an account or upload operation failed, with the one line the settings window
// shows for it. Result<T>: either the value an operation produced or its AuthError.
//
//   Result<std::string> token = AuthError::notSignedIn();
//   if (!token) show(token.error().errorDescription());

#include <string>
#include <utility>
#include <variant>

namespace tavrik {

struct AuthError {
    enum class Kind { Network, Server, Decode, NotSignedIn, NoServer };

    Kind kind = Kind::Decode;
    int status = 0;       // HTTP status, for Server only
    std::string message;  // for Network and Server

    static AuthError network(std::string message) { return {Kind::Network, 0, std::move(message)}; }
    static AuthError server(int status, std::string message) {
        return {Kind::Server, status, std::move(message)};
    }
    static AuthError decode() { return {Kind::Decode, 0, {}}; }
    static AuthError notSignedIn() { return {Kind::NotSignedIn, 0, {}}; }
    static AuthError noServer() { return {Kind::NoServer, 0, {}}; }

    // Returns the user-facing text: the message for Network and Server, a fixed sentence
    // otherwise.
    std::string errorDescription() const;

    bool operator==(const AuthError&) const = default;
};

// The success value of operations that produce nothing else.
struct Done {
    bool operator==(const Done&) const = default;
};

// The outcome of one account operation: a value of T or the AuthError that prevented it.
template <class T>
class Result {
public:
    Result(T value) : m_state(std::move(value)) {}          // NOLINT: implicit on purpose
    Result(AuthError error) : m_state(std::move(error)) {}  // NOLINT: implicit on purpose

    bool ok() const { return std::holds_alternative<T>(m_state); }
    explicit operator bool() const { return ok(); }

    // Returns the value; only valid when ok().
    const T& value() const { return std::get<T>(m_state); }
    // Returns the error; only valid when !ok().
    const AuthError& error() const { return std::get<AuthError>(m_state); }

private:
    std::variant<T, AuthError> m_state;
};

}  // namespace tavrik

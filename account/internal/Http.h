#pragma once

// One JSON request over QNetworkAccessManager, shared by the auth client, the upload and the
// board. The answer arrives on the thread of the context object (the main thread), at most
// once, and not at all when the context is gone. A request that sees no traffic for timeoutMs
// is aborted and reported as a transport failure.

#include "account/AuthError.h"

#include <QByteArray>
#include <QUrl>

#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class QNetworkAccessManager;
class QObject;

namespace tavrik::detail {

struct HttpAnswer {
    std::optional<std::string> transportError;  // set when no HTTP answer arrived
    int status = 0;                             // 0 when the answer is not HTTP
    QByteArray body;

    bool succeeded() const { return !transportError && status >= 200 && status <= 299; }
};

using HeaderList = std::vector<std::pair<QByteArray, QByteArray>>;
using AnswerHandler = std::function<void(HttpAnswer)>;

// Returns the URL a text names, or nothing when it is not a valid absolute http(s) URL.
std::optional<QUrl> makeUrl(const std::string& text);

// Sends a POST of body (when given) with the headers in the order listed.
void postJson(QNetworkAccessManager& network, const QUrl& url, const HeaderList& headers,
              const std::optional<std::string>& body, int timeoutMs, QObject* context,
              AnswerHandler done);

// Sends a GET with the headers in the order listed.
void getJson(QNetworkAccessManager& network, const QUrl& url, const HeaderList& headers,
             int timeoutMs, QObject* context, AnswerHandler done);

// Returns the error of an answer that did not succeed: the transport failure, else the
// status with the first of messageKeys whose value in the body (a JSON object) is a string,
// else the status with fallback + " (" + status + ")".
AuthError failure(const HttpAnswer& answer, std::initializer_list<const char*> messageKeys,
                  std::string_view fallback);

// The text of a transport failure caused by the inactivity time-out.
inline constexpr std::string_view timedOutText = "The request timed out.";

}  // namespace tavrik::detail

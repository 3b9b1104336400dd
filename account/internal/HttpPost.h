#pragma once

// One JSON POST over QNetworkAccessManager, shared by the auth client and the upload. The
// answer arrives on the thread of the context object (the main thread), at most once, and not
// at all when the context is gone. A request that sees no traffic for timeoutMs is aborted and
// reported as a transport failure.

#include <QByteArray>
#include <QUrl>

#include <functional>
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
};

using HeaderList = std::vector<std::pair<QByteArray, QByteArray>>;

// Returns the URL a text names, or nothing when it is not a valid absolute http(s) URL.
std::optional<QUrl> makeUrl(const std::string& text);

// Sends body (when given) with the headers in the order listed.
void postJson(QNetworkAccessManager& network, const QUrl& url, const HeaderList& headers,
              const std::optional<std::string>& body, int timeoutMs, QObject* context,
              std::function<void(HttpAnswer)> done);

// The text of a transport failure caused by the inactivity time-out.
inline constexpr std::string_view timedOutText = "The request timed out.";

}  // namespace tavrik::detail

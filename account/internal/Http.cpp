#include "account/internal/Http.h"

#include "account/internal/JsonObject.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include <memory>

namespace tavrik::detail {

std::optional<QUrl> makeUrl(const std::string& text) {
    const QUrl url(QString::fromStdString(text), QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty()
        || (url.scheme() != QLatin1String("https") && url.scheme() != QLatin1String("http"))) {
        return std::nullopt;
    }
    return url;
}

namespace {

// Errors below 200 are failures of the connection itself (refused, reset, time-out, TLS,
// proxy): no HTTP answer worth reading came back.
bool isTransportError(QNetworkReply::NetworkError error) {
    return error != QNetworkReply::NoError && int(error) < 200;
}

QNetworkRequest makeRequest(const QUrl& url, const HeaderList& headers) {
    QNetworkRequest request(url);
    for (const auto& [name, value] : headers) {
        request.setRawHeader(name, value);
    }
    return request;
}

// Watches a sent request: aborts it after timeoutMs without traffic, and hands its answer to
// done on context's thread.
void watch(QNetworkReply* reply, int timeoutMs, QObject* context, AnswerHandler done) {
    // The time-out counts silence, not total time: any progress restarts it.
    auto* idle = new QTimer(reply);
    idle->setSingleShot(true);
    idle->setInterval(timeoutMs);
    auto timedOut = std::make_shared<bool>(false);
    QObject::connect(idle, &QTimer::timeout, reply, [reply, timedOut] {
        *timedOut = true;
        reply->abort();
    });
    const auto restart = [idle](qint64, qint64) { idle->start(); };
    QObject::connect(reply, &QNetworkReply::uploadProgress, idle, restart);
    QObject::connect(reply, &QNetworkReply::downloadProgress, idle, restart);
    idle->start();

    QObject::connect(
        reply, &QNetworkReply::finished, context, [reply, timedOut, done = std::move(done)] {
            reply->deleteLater();
            HttpAnswer answer;
            const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
            if (*timedOut) {
                answer.transportError = std::string(timedOutText);
            } else if (isTransportError(reply->error())
                       || (reply->error() != QNetworkReply::NoError && !status.isValid())) {
                answer.transportError = reply->errorString().toStdString();
            } else {
                answer.status = status.isValid() ? status.toInt() : 0;
                answer.body = reply->readAll();
            }
            done(std::move(answer));
        });
}

}  // namespace

void postJson(QNetworkAccessManager& network, const QUrl& url, const HeaderList& headers,
              const std::optional<std::string>& body, int timeoutMs, QObject* context,
              AnswerHandler done) {
    const QByteArray payload = body ? QByteArray::fromStdString(*body) : QByteArray();
    watch(network.post(makeRequest(url, headers), payload), timeoutMs, context, std::move(done));
}

void getJson(QNetworkAccessManager& network, const QUrl& url, const HeaderList& headers,
             int timeoutMs, QObject* context, AnswerHandler done) {
    watch(network.get(makeRequest(url, headers)), timeoutMs, context, std::move(done));
}

AuthError failure(const HttpAnswer& answer, std::initializer_list<const char*> messageKeys,
                  std::string_view fallback) {
    if (answer.transportError) {
        return AuthError::network(*answer.transportError);
    }
    const auto reply = JsonObject::parseOrEmpty(
        std::string_view(answer.body.constData(), size_t(answer.body.size())));
    for (const char* key : messageKeys) {
        if (const auto message = reply.string(key)) {
            return AuthError::server(answer.status, std::string(*message));
        }
    }
    return AuthError::server(answer.status,
                             std::string(fallback) + " (" + std::to_string(answer.status) + ")");
}

}  // namespace tavrik::detail

#include "account/internal/HttpPost.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

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

}  // namespace

void postJson(QNetworkAccessManager& network, const QUrl& url, const HeaderList& headers,
              const std::optional<std::string>& body, int timeoutMs, QObject* context,
              std::function<void(HttpAnswer)> done) {
    QNetworkRequest request(url);
    for (const auto& [name, value] : headers) {
        request.setRawHeader(name, value);
    }
    const QByteArray payload = body ? QByteArray::fromStdString(*body) : QByteArray();
    QNetworkReply* reply = network.post(request, payload);

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

}  // namespace tavrik::detail

#include "tests/support/LocalHttpServer.h"

#include "tests/support/EventLoop.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

namespace tavrik::test {
namespace {

QByteArray reasonPhrase(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 201:
            return "Created";
        case 204:
            return "No Content";
        case 400:
            return "Bad Request";
        case 401:
            return "Unauthorized";
        case 403:
            return "Forbidden";
        case 409:
            return "Conflict";
        case 500:
            return "Internal Server Error";
        default:
            return "Status";
    }
}

// Parses one complete request from the front of buffer; returns nothing while incomplete.
std::optional<RecordedRequest> takeRequest(QByteArray& buffer) {
    const int headEnd = buffer.indexOf("\r\n\r\n");
    if (headEnd < 0) {
        return std::nullopt;
    }
    const QList<QByteArray> lines = buffer.left(headEnd).split('\n');
    RecordedRequest request;
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    request.method = requestLine.value(0);
    request.target = requestLine.value(1);
    qsizetype contentLength = 0;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const int colon = line.indexOf(':');
        if (colon <= 0) {
            continue;
        }
        const QByteArray name = line.left(colon).trimmed();
        const QByteArray value = line.mid(colon + 1).trimmed();
        request.headers.emplace_back(name, value);
        if (name.compare("Content-Length", Qt::CaseInsensitive) == 0) {
            contentLength = value.toLongLong();
        }
    }
    const qsizetype bodyStart = headEnd + 4;
    if (buffer.size() - bodyStart < contentLength) {
        return std::nullopt;
    }
    request.body = buffer.mid(bodyStart, contentLength);
    buffer.remove(0, bodyStart + contentLength);
    return request;
}

}  // namespace

std::optional<QByteArray> RecordedRequest::header(const QByteArray& name) const {
    const int i = headerIndex(name);
    if (i < 0) {
        return std::nullopt;
    }
    return headers[size_t(i)].second;
}

int RecordedRequest::headerIndex(const QByteArray& name) const {
    for (size_t i = 0; i < headers.size(); ++i) {
        if (headers[i].first.compare(name, Qt::CaseInsensitive) == 0) {
            return int(i);
        }
    }
    return -1;
}

LocalHttpServer::LocalHttpServer() : m_server(nullptr) {
    ensureCoreApplication();
    m_server = new QTcpServer(this);
    connect(m_server, &QTcpServer::newConnection, this, &LocalHttpServer::onNewConnection);
}

LocalHttpServer::~LocalHttpServer() = default;

bool LocalHttpServer::start() {
    return m_server->listen(QHostAddress::LocalHost, 0);
}

quint16 LocalHttpServer::port() const {
    return m_server->serverPort();
}

std::string LocalHttpServer::baseUrl() const {
    return "http://127.0.0.1:" + std::to_string(port());
}

void LocalHttpServer::onNewConnection() {
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        if (socket->bytesAvailable() > 0) {
            onReadyRead(socket);
        }
    }
}

void LocalHttpServer::onReadyRead(QTcpSocket* socket) {
    QByteArray buffer = socket->property("pending").toByteArray() + socket->readAll();
    auto request = takeRequest(buffer);
    socket->setProperty("pending", buffer);
    if (!request) {
        return;
    }
    m_requests.push_back(*request);
    ScriptedResponse response = ScriptedResponse::text(599, "unscripted request");
    if (!m_script.empty()) {
        response = std::move(m_script.front());
        m_script.pop_front();
    }
    if (response.silent) {
        return;
    }
    QByteArray out = "HTTP/1.1 " + QByteArray::number(response.status) + " "
                     + reasonPhrase(response.status) + "\r\n";
    if (!response.contentType.isEmpty()) {
        out += "Content-Type: " + response.contentType + "\r\n";
    }
    out += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    out += "Connection: close\r\n\r\n";
    out += response.body;
    socket->write(out);
    socket->disconnectFromHost();
}

}  // namespace tavrik::test

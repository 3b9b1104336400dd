#pragma once

// LocalHttpServer: a small HTTP/1.1 server on 127.0.0.1 for tests of network clients. It
// records every request (method, target, headers, body) and answers them in order from a
// script; a request with nothing scripted gets a 599 so the test sees it. Each answer closes
// its connection. Runs on the thread's event loop: the test must spin it (EventLoop.h) while
// the client waits.

#include "tests/support/EventLoop.h"

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QTcpServer>
#include <QTcpSocket>

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tavrik::test {

struct RecordedRequest {
    QByteArray method;
    QByteArray target;                         // path and query, as sent
    std::map<QByteArray, QByteArray> headers;  // by lower-case name; the first of each name
    QByteArray body;

    // Returns the value of the header with this name (case-insensitive).
    std::optional<QByteArray> header(const QByteArray& name) const {
        const auto it = headers.find(name.toLower());
        return it == headers.end() ? std::nullopt : std::optional(it->second);
    }
};

struct ScriptedResponse {
    int status = 200;
    QByteArray body;
    QByteArray contentType;
    bool silent = false;  // read the request, never answer (for time-outs)

    static ScriptedResponse json(int status, QByteArray body) {
        return {status, std::move(body), "application/json"};
    }
    static ScriptedResponse text(int status, QByteArray body) {
        return {status, std::move(body), "text/plain"};
    }
    static ScriptedResponse silence() { return {0, {}, {}, true}; }
};

class LocalHttpServer final : public QObject {
public:
    LocalHttpServer() {
        ensureCoreApplication();
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }

    // Starts listening on a free port of 127.0.0.1; returns false when it cannot.
    bool start() { return m_server.listen(QHostAddress::LocalHost, 0); }
    // Returns "http://127.0.0.1:<port>".
    std::string baseUrl() const {
        return "http://127.0.0.1:" + std::to_string(m_server.serverPort());
    }

    // Appends an answer for the next unanswered request.
    void enqueue(ScriptedResponse response) { m_script.push_back(std::move(response)); }

    const std::vector<RecordedRequest>& requests() const { return m_requests; }

private:
    // Waits for the whole request (the head, then Content-Length bytes of body), then records
    // and answers it.
    void read(QTcpSocket* socket) {
        const QByteArray buffer = socket->property("pending").toByteArray() + socket->readAll();
        socket->setProperty("pending", buffer);
        const qsizetype headEnd = buffer.indexOf("\r\n\r\n");
        if (headEnd < 0) {
            return;
        }
        const QList<QByteArray> lines = buffer.left(headEnd).split('\n');
        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        RecordedRequest request{
            requestLine.value(0), requestLine.value(1), {}, buffer.mid(headEnd + 4)};
        for (const QByteArray& line : lines.mid(1)) {
            const qsizetype colon = line.indexOf(':');
            request.headers.emplace(line.left(colon).trimmed().toLower(),
                                    line.mid(colon + 1).trimmed());
        }
        if (request.body.size() < request.header("Content-Length").value_or("0").toLongLong()) {
            return;
        }
        m_requests.push_back(request);
        const auto response =
            m_script.empty() ? ScriptedResponse::text(599, "unscripted") : m_script.front();
        if (!m_script.empty()) {
            m_script.pop_front();
        }
        if (!response.silent) {
            // The reason phrase is free text that clients ignore.
            socket->write("HTTP/1.1 " + QByteArray::number(response.status)
                          + " Scripted\r\nContent-Type: " + response.contentType
                          + "\r\nContent-Length: " + QByteArray::number(response.body.size())
                          + "\r\nConnection: close\r\n\r\n" + response.body);
            socket->disconnectFromHost();
        }
    }

    QTcpServer m_server;
    std::deque<ScriptedResponse> m_script;
    std::vector<RecordedRequest> m_requests;
};

}  // namespace tavrik::test

#pragma once

// LocalHttpServer: a small HTTP/1.1 server on 127.0.0.1 for tests of network clients. It
// records every request (method, target, headers in arrival order, body) and answers them in
// order from a script; a request with nothing scripted gets a 599 so the test sees it. Each
// answer closes its connection. Runs on the thread's event loop: the test must spin it
// (EventLoop.h) while the client waits.

#include <QByteArray>
#include <QObject>

#include <deque>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QTcpServer;
class QTcpSocket;

namespace tavrik::test {

struct RecordedRequest {
    QByteArray method;
    QByteArray target;  // path and query, as sent
    std::vector<std::pair<QByteArray, QByteArray>> headers;
    QByteArray body;

    // Returns the value of the first header with this name (case-insensitive).
    std::optional<QByteArray> header(const QByteArray& name) const;
    // Returns the position of the first header with this name, or -1.
    int headerIndex(const QByteArray& name) const;
};

struct ScriptedResponse {
    int status = 200;
    QByteArray body;
    QByteArray contentType = "application/json";
    bool silent = false;  // read the request, never answer (for time-outs)

    static ScriptedResponse json(int status, QByteArray body) {
        return {status, std::move(body), "application/json", false};
    }
    static ScriptedResponse text(int status, QByteArray body) {
        return {status, std::move(body), "text/plain", false};
    }
    static ScriptedResponse silence() { return {0, {}, {}, true}; }
};

class LocalHttpServer final : public QObject {
    Q_OBJECT

public:
    LocalHttpServer();
    ~LocalHttpServer() override;

    // Starts listening on a free port of 127.0.0.1; returns false when it cannot.
    bool start();
    quint16 port() const;
    // Returns "http://127.0.0.1:<port>".
    std::string baseUrl() const;

    // Appends an answer for the next unanswered request.
    void enqueue(ScriptedResponse response) { m_script.push_back(std::move(response)); }

    const std::vector<RecordedRequest>& requests() const { return m_requests; }

private:
    void onNewConnection();
    void onReadyRead(QTcpSocket* socket);

    QTcpServer* m_server;
    std::deque<ScriptedResponse> m_script;
    std::vector<RecordedRequest> m_requests;
};

}  // namespace tavrik::test

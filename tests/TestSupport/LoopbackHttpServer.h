#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

namespace mivo::test {

// A tiny HTTP/1.1 server on 127.0.0.1 for tests: it answers GET requests from
// a table of canned replies, one request per connection, and counts what it
// was asked. Unknown paths answer 404.
class LoopbackHttpServer : public QObject {
    Q_OBJECT
public:
    struct Reply {
        int status = 200;
        QByteArray contentType = "application/octet-stream";
        QByteArray body;
        QList<std::pair<QByteArray, QByteArray>> headers;
        bool declareLength = true; // false: the body ends when the connection closes
        bool hang = false; // never answer, keep the connection open
        bool hangUp = false; // close the connection without answering
    };

    explicit LoopbackHttpServer(QObject* parent = nullptr);
    ~LoopbackHttpServer() override;

    // Listens on a free port of 127.0.0.1; false when that is impossible.
    bool listen();
    // Stops listening but keeps the port in url(): connections are then refused.
    void refuse();
    QUrl url(const QString& path) const;

    void route(const QString& path, Reply reply);
    int requestCount(const QString& path) const { return m_requests.value(path); }
    int totalRequests() const;
    // The request line ("GET /path HTTP/1.1") of every request, in arrival order.
    const QStringList& requestLines() const { return m_requestLines; }

private:
    void accept();
    void serve(QTcpSocket* socket);

    QTcpServer m_server;
    QHash<QString, Reply> m_routes;
    QHash<QString, int> m_requests;
    QStringList m_requestLines;
    quint16 m_port = 0;
    QHash<QTcpSocket*, QByteArray> m_pending;
};

} // namespace mivo::test

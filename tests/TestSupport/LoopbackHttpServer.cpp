#include "TestSupport/LoopbackHttpServer.h"

namespace mivo::test {

LoopbackHttpServer::LoopbackHttpServer(QObject* parent)
    : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &LoopbackHttpServer::accept);
}

LoopbackHttpServer::~LoopbackHttpServer()
{
    // Open connections close with the server; they must not call back into
    // this half-destroyed object.
    for (QTcpSocket* socket : m_server.findChildren<QTcpSocket*>())
        socket->disconnect(this);
}

bool LoopbackHttpServer::listen()
{
    if (!m_server.listen(QHostAddress::LocalHost, 0))
        return false;
    m_port = m_server.serverPort();
    return true;
}

void LoopbackHttpServer::refuse()
{
    m_server.close();
}

QUrl LoopbackHttpServer::url(const QString& path) const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path));
}

void LoopbackHttpServer::route(const QString& path, Reply reply)
{
    m_routes.insert(path, std::move(reply));
}

int LoopbackHttpServer::totalRequests() const
{
    int total = 0;
    for (const int count : m_requests)
        total += count;
    return total;
}

void LoopbackHttpServer::accept()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_pending.remove(socket);
            socket->deleteLater();
        });
    }
}

void LoopbackHttpServer::serve(QTcpSocket* socket)
{
    QByteArray& buffer = m_pending[socket];
    buffer += socket->readAll();
    if (!buffer.contains("\r\n\r\n"))
        return;
    const QByteArray firstLine = buffer.left(buffer.indexOf("\r\n"));
    m_requestLines.append(QString::fromLatin1(firstLine));
    const QList<QByteArray> requestLine = firstLine.split(' ');
    buffer.clear();
    const QString path = requestLine.size() >= 2 ? QString::fromLatin1(requestLine.at(1)) : QString();
    m_requests[path] += 1;

    const Reply reply
        = m_routes.value(path, Reply { 404, "text/html", "<html>not found</html>", {}, true, false });
    if (reply.hang)
        return;
    if (reply.hangUp) {
        socket->abort();
        return;
    }
    QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.status) + " Canned\r\n";
    head += "Content-Type: " + reply.contentType + "\r\n";
    if (reply.declareLength)
        head += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
    for (const auto& [name, value] : reply.headers)
        head += name + ": " + value + "\r\n";
    head += "Connection: close\r\n\r\n";
    socket->write(head + reply.body);
    socket->disconnectFromHost();
}

} // namespace mivo::test

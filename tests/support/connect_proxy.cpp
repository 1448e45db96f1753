#include "connect_proxy.h"

#include <QHostAddress>
#include <QNetworkProxy>
#include <QTcpSocket>

ConnectProxy::ConnectProxy()
{
    server.setProxy(QNetworkProxy::NoProxy);
    if (!server.listen(QHostAddress::LocalHost, 0))
        qFatal("proxy: %s", qPrintable(server.errorString()));
    connect(&server, &QTcpServer::newConnection, this, &ConnectProxy::accept);
}

ConnectProxy::~ConnectProxy()
{
    // Abort every tunnel now, so the server behind it does not wait out a keep-alive.
    for (QTcpSocket *socket : findChildren<QTcpSocket *>())
        socket->abort();
}

void ConnectProxy::accept()
{
    while (QTcpSocket *client = server.nextPendingConnection()) {
        client->setParent(this);
        connect(client, &QTcpSocket::readyRead, this, [this, client] { read_request(client); });
        connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
    }
}

// Reads the request head; once it is complete, opens the tunnel and hands the socket over to
// the relay.
void ConnectProxy::read_request(QTcpSocket *client)
{
    const QByteArray head = client->peek(8192);
    const int end = head.indexOf("\r\n\r\n");
    if (end < 0)
        return;
    client->read(end + 4);
    disconnect(client, &QTcpSocket::readyRead, this, nullptr);

    const QList<QByteArray> words = head.left(head.indexOf("\r\n")).split(' ');
    const QByteArray target = words.value(1);
    const int colon = target.lastIndexOf(':');
    const quint16 port = colon > 0 ? target.mid(colon + 1).toUShort() : 0;
    if (words.value(0) != "CONNECT" || port == 0) {
        client->write("HTTP/1.1 405 Method Not Allowed\r\nContent-Length: 0\r\n\r\n");
        client->disconnectFromHost();
        return;
    }
    asked << QString::fromLatin1(target);

    auto *upstream = new QTcpSocket(client);
    upstream->setProxy(QNetworkProxy::NoProxy);
    connect(upstream, &QTcpSocket::connected, client, [client, upstream] {
        upstream->setProperty("tunnel", true);
        client->write("HTTP/1.1 200 Connection established\r\n\r\n");
        connect(client, &QTcpSocket::readyRead, upstream, [client, upstream] { upstream->write(client->readAll()); });
        connect(upstream, &QTcpSocket::readyRead, client, [client, upstream] { client->write(upstream->readAll()); });
        if (client->bytesAvailable())
            upstream->write(client->readAll());
    });
    connect(upstream, &QTcpSocket::errorOccurred, client, [client, upstream] {
        if (!upstream->property("tunnel").toBool())
            client->write("HTTP/1.1 502 Bad Gateway\r\nContent-Length: 0\r\n\r\n");
        client->disconnectFromHost();
    });
    // Either side closing ends the tunnel.
    connect(upstream, &QTcpSocket::disconnected, client, [client] { client->disconnectFromHost(); });
    connect(client, &QTcpSocket::disconnected, upstream, [upstream] { upstream->disconnectFromHost(); });
    upstream->connectToHost(QHostAddress::LocalHost, port);
}

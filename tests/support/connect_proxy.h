#ifndef CONNECT_PROXY_H
#define CONNECT_PROXY_H

#include <QObject>
#include <QStringList>
#include <QTcpServer>

class QTcpSocket;

// A proxy of the kind a company network puts in front of the internet, reduced to what HTTPS
// needs: on 127.0.0.1, it answers "CONNECT host:port" by connecting to 127.0.0.1:port (every
// host name leads to this machine) and then relays the bytes both ways without reading them,
// so TLS runs between the client and the server. Runs on the thread that creates it.
class ConnectProxy : public QObject
{
    Q_OBJECT
public:
    ConnectProxy();
    ~ConnectProxy() override;

    quint16 port() const { return server.serverPort(); }
    // "host:port" of every tunnel asked for, in order.
    QStringList tunnels() const { return asked; }

private:
    void accept();
    void read_request(QTcpSocket *client);

    QTcpServer server;
    QStringList asked;
};

#endif // CONNECT_PROXY_H

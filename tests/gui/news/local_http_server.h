// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPointer>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

namespace kelodi::test {

// A small HTTP/1.1 server on the loopback interface for the news window's
// tests. Each path answers with a fixed page; unknown paths get 404. Answers
// can be held back to keep a client busy, then released.
class LocalHttpServer : public QObject {
public:
    struct Page {
        QByteArray contentType = "text/html; charset=utf-8";
        QByteArray body;
    };

    LocalHttpServer()
    {
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onRead(socket); });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
        m_server.listen(QHostAddress::LocalHost);
    }

    bool isListening() const { return m_server.isListening(); }
    // "http://127.0.0.1:PORT"
    QUrl base() const { return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort())); }

    void setPage(const QByteArray& path, const Page& page) { m_pages.insert(path, page); }
    void setHeld(bool held)
    {
        m_held = held;
        if (!held) {
            const auto waiting = m_waiting;
            m_waiting.clear();
            for (const auto& w : waiting)
                if (w.socket)
                    answer(w.socket, w.path);
        }
    }
    // Request targets in arrival order ("/rjshengji/gg_tan.htm?id=pwkrm").
    const QStringList& requests() const { return m_requests; }

private:
    struct Waiting {
        QPointer<QTcpSocket> socket;
        QByteArray path;
    };

    void onRead(QTcpSocket* socket)
    {
        QByteArray& buffer = m_buffers[socket];
        buffer += socket->readAll();
        const qsizetype end = buffer.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        const QList<QByteArray> requestLine = buffer.left(buffer.indexOf("\r\n")).split(' ');
        m_buffers.remove(socket);
        const QByteArray target = requestLine.size() >= 2 ? requestLine.at(1) : QByteArray("/");
        m_requests << QString::fromLatin1(target);
        const QByteArray path = target.left(target.indexOf('?') < 0 ? target.size() : target.indexOf('?'));
        if (m_held)
            m_waiting.append({socket, path});
        else
            answer(socket, path);
    }

    void answer(QTcpSocket* socket, const QByteArray& path)
    {
        const auto found = m_pages.constFind(path);
        QByteArray status = "200 OK";
        Page page;
        if (found == m_pages.constEnd())
            status = "404 Not Found";
        else
            page = *found;
        QByteArray response = "HTTP/1.1 " + status + "\r\nContent-Type: " + page.contentType
                              + "\r\nContent-Length: " + QByteArray::number(page.body.size())
                              + "\r\nConnection: close\r\n\r\n" + page.body;
        socket->write(response);
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    QHash<QByteArray, Page> m_pages;
    QHash<QTcpSocket*, QByteArray> m_buffers;
    QList<Waiting> m_waiting;
    QStringList m_requests;
    bool m_held = false;
};

}  // namespace kelodi::test

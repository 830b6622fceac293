#pragma once

// Web sites served by a test on 127.0.0.x, each its own address, so that a
// test sees at the server what a client asked and how many requests were in
// progress at once, overall and per site.
#include <QElapsedTimer>
#include <QHash>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <memory>

namespace httpsites {

struct Answer
{
    Answer(int status = 200, QByteArray headers = {}, int delayMs = 0, bool silent = false)
        : status(status), headers(std::move(headers)), delayMs(delayMs), silent(silent)
    {
    }
    int status;
    QByteArray headers; // "Name: value\r\n" lines
    int delayMs;
    bool silent; // accepts and never answers
};

struct Request
{
    QByteArray method;
    QByteArray path;
    int site = 0;
    qint64 at = 0;
};

// What every site saw, and how many requests were in progress at once.
struct Recorder
{
    Recorder() { clock.start(); }
    QElapsedTimer clock;
    QList<Request> seen;
    int inFlight = 0;
    int maxInFlight = 0;
    QHash<int, int> siteInFlight;
    QHash<int, int> siteMax;

    int count(const QByteArray& method, const QByteArray& path) const
    {
        return int(std::count_if(seen.begin(), seen.end(), [&](const Request& request) {
            return request.method == method && request.path == path;
        }));
    }
};

using Handler = std::function<Answer(const Request& request, int times)>;

class Site : public QObject
{
public:
    Site(int number, Recorder& recorder, Handler handler)
        : m_number(number), m_recorder(recorder), m_handler(std::move(handler))
    {
        m_server.listen(QHostAddress(QStringLiteral("127.0.0.%1").arg(number)), 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection())
                serve(socket);
        });
    }
    bool listening() const { return m_server.isListening(); }
    QString url(const QString& path, const char* scheme = "http") const
    {
        return QStringLiteral("%1://127.0.0.%2:%3%4")
            .arg(QLatin1String(scheme))
            .arg(m_number)
            .arg(m_server.serverPort())
            .arg(path);
    }

private:
    void serve(QTcpSocket* socket)
    {
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }

    void read(QTcpSocket* socket)
    {
        QByteArray& buffer = m_buffers[socket];
        buffer += socket->readAll();
        if (buffer.startsWith('\x16')) { // a TLS greeting to a plain server
            socket->write("HTTP/1.1 400 Bad Request\r\nConnection: close\r\n\r\n");
            socket->disconnectFromHost();
            return;
        }
        qsizetype end;
        while ((end = buffer.indexOf("\r\n\r\n")) >= 0) {
            const QList<QByteArray> line = buffer.left(buffer.indexOf("\r\n")).split(' ');
            buffer.remove(0, end + 4);
            Request request{line.value(0), line.value(1), m_number, m_recorder.clock.elapsed()};
            m_recorder.seen.append(request);
            const int times = m_recorder.count(request.method, request.path) +
                              (request.method == "GET" ? m_recorder.count("HEAD", request.path) : 0);
            answer(socket, m_handler(request, times));
        }
    }

    void answer(QTcpSocket* socket, const Answer& answer)
    {
        m_recorder.maxInFlight = std::max(m_recorder.maxInFlight, ++m_recorder.inFlight);
        int& site = m_recorder.siteInFlight[m_number];
        m_recorder.siteMax[m_number] = std::max(m_recorder.siteMax[m_number], ++site);
        auto done = std::make_shared<bool>(false);
        const auto finish = [this, done] {
            if (*done)
                return;
            *done = true;
            --m_recorder.inFlight;
            --m_recorder.siteInFlight[m_number];
        };
        connect(socket, &QTcpSocket::disconnected, this, finish);
        if (answer.silent)
            return;
        QTimer::singleShot(answer.delayMs, socket, [socket, answer, finish] {
            finish();
            socket->write("HTTP/1.1 " + QByteArray::number(answer.status) + " X\r\nContent-Length: 0\r\n" +
                          answer.headers + "\r\n");
        });
    }

    int m_number;
    Recorder& m_recorder;
    Handler m_handler;
    QTcpServer m_server;
    QHash<QTcpSocket*, QByteArray> m_buffers;
};

} // namespace httpsites

#pragma once

// A web server on 127.0.0.1 that answers as the test describes, for the downloader, the query
// channel, the Internet check and the download window's screens. By default it serves one body
// (200, or 206 for a Range request) with Content-Length; a Behaviour per path or per request makes
// it misbehave on purpose: break off, ignore Range, answer without a length, answer a fixed
// status, stay silent, reset the connection, trickle, pause until released, or send bytes of the
// test's own making. With an ETag it honours If-Range, and its file can change between requests.
// It records every request.

#include <QHash>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>
#include <vector>

namespace vantor::test {

class ScriptedHttpServer : public QObject {
public:
    struct Behaviour {
        qint64 cutAfter = -1;          // send only this many body bytes, then hold the connection (-1: all)
        bool ignoreRange = false;      // answer 200 with the whole body whatever the Range
        bool chunked = false;          // no Content-Length: chunked transfer coding
        int status = 0;                // a fixed status with an empty body (0: serve the body)
        QByteArray reason = "Status";  // the reason phrase of that fixed status
        bool silent = false;           // never answer
        qint64 contentRangeShift = 0;  // a 206 whose Content-Range starts this far from the asked byte
        qint64 resumeRangeShift = 0;   // the same, for requests that ask from beyond byte 0 only
        qint64 resetAt = -1;           // send this many bytes of the answer, head included, then reset
        bool closeAtCut = false;       // after cutAfter bytes, close the connection instead of holding it
        QByteArray raw{};              // send exactly these bytes instead of an answer
        int byteEveryMs = 0;           // the answer goes out one byte every this many ms
        bool paused = false;           // the head at once, the body only as release() lets it go
    };

    static constexpr char kDownloadPath[] = "/VantorDownload/VantorUSA_APROM.hex";
    static constexpr char kQueryPath[] = "/vantorpc/samplecodes/sql-link.php";

    explicit ScriptedHttpServer(QByteArray body = {});
    // Answers every request as `afterwards` says.
    ScriptedHttpServer(QByteArray body, Behaviour afterwards);

    // How the n-th request (from 0) is answered; later requests are answered by behaveAfterwards().
    void behave(int request, Behaviour behaviour);
    // How every request beyond those given to behave() is answered.
    void behaveAfterwards(Behaviour behaviour) { m_afterwards = std::move(behaviour); }
    // How every request for a path ending in `pathEnd` is answered, whatever its number.
    void behaveOn(const QByteArray& pathEnd, Behaviour behaviour);
    // The file as served from now on, and the ETag that names this version of it.
    void serve(QByteArray body, QByteArray etag);

    bool listening() const { return m_server.isListening(); }
    QUrl url(const QString& path = QLatin1String(kDownloadPath)) const;
    QUrl downloadUrl(const QString& name) const { return url(QStringLiteral("/VantorDownload/") + name); }
    // An address on which nothing listens: connections to it are refused at once.
    static QUrl refusedUrl(const QString& path = QStringLiteral("/"));

    int requests() const { return static_cast<int>(m_ranges.size()); }
    // The Range header of every request, in order ("" when there was none).
    const QList<QByteArray>& ranges() const { return m_ranges; }
    // The If-Range header of every request, in order ("" when there was none).
    const QList<QByteArray>& ifRanges() const { return m_ifRanges; }
    // The head and body of the last request.
    const QByteArray& requestHead() const { return m_head; }
    const QByteArray& requestBody() const { return m_requestBody; }

    // Closes the connections held after a cut.
    void dropCuts();
    // For a client in another process, whose progress cannot be watched: drop cuts this long
    // after sending them.
    void dropCutsAfter(int ms) { m_dropAfterMs = ms; }

    // The paused transfer: whether its head is out, how many body bytes went, and letting the
    // next `count` go (the connection closes after the last one).
    bool waiting() const { return !m_paused.isNull(); }
    qint64 bodySize() const { return m_body.size(); }
    void release(qint64 count);

    // A complete answer with this status and body, for `raw`.
    static QByteArray response(const QByteArray& body, int status = 200);

private:
    void receive(QTcpSocket* socket);
    Behaviour behaviourFor(int index, const QByteArray& path, const QByteArray& ifRange) const;
    void answer(QTcpSocket* socket, const QByteArray& range, const Behaviour& how);
    QByteArray bodyHead(const QByteArray& range, const Behaviour& how, qint64& from) const;
    void send(QTcpSocket* socket, const QByteArray& bytes, const Behaviour& how, bool cut);
    void trickle(QPointer<QTcpSocket> socket, QByteArray bytes, int everyMs);
    static void resetAfter(QTcpSocket* socket, const QByteArray& bytes);

    QTcpServer m_server;
    QByteArray m_body;
    QByteArray m_etag = "\"1\"";  // a validator, as file servers give, unless serve() takes it away
    Behaviour m_afterwards;
    std::vector<Behaviour> m_behaviours;
    std::vector<std::pair<QByteArray, Behaviour>> m_byPath;
    QHash<QTcpSocket*, QByteArray> m_pending;
    QList<QByteArray> m_ranges;
    QList<QByteArray> m_ifRanges;
    QByteArray m_head;
    QByteArray m_requestBody;
    std::vector<QPointer<QTcpSocket>> m_held;
    int m_dropAfterMs = -1;
    QPointer<QTcpSocket> m_paused;
    qint64 m_released = 0;
};

}  // namespace vantor::test

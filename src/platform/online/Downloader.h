#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>

#include "core/online/DownloadSession.h"
#include "core/online/modGlobals.h"

namespace vantor::app {
class WholeFile;
struct FileFailure;
}  // namespace vantor::app

namespace vantor::online {

class HttpRequest;

// One resumable download over HTTP into a local file, asynchronous: start() returns at once and
// `done` is called once, on this object's thread, when the transfer has ended. The attempt loop's
// rules are DownloadSession's; this class does the requests and the file, and asks whoever runs
// it (the download window, vantor-cli) through the hooks. The bytes gather in a temporary file
// that replaces the destination only once the file is whole: an abandoned download leaves no
// partial file behind and the destination as it was.
class Downloader : public QObject {
    Q_OBJECT
public:
    enum class Phase { GettingInformation, Resuming, Saving, Completed };

    struct Hooks {
        std::function<void(Phase)> phase;
        // After every piece of the body; cheap to call, the receiver decides how often to draw.
        std::function<void(const DownloadProgress&)> progress;
        // A refusal or failure: shown, nothing to answer.
        std::function<void(const Message&)> tell;
        // "Unable to Resume Download": true to download the whole file again.
        std::function<bool(const Message&)> confirmRestart;
        // "Download Incomplete": true to resume.
        std::function<bool(const Message&)> confirmRetry;
        FreeSpaceQuery freeSpace;
    };

    struct Outcome {
        bool result = false;        // everything announced arrived
        bool cancelSearch = false;  // cancelled by the user or abandoned after an error
        std::int64_t received = 0;
        std::optional<std::int64_t> total;
        bool good() const { return result && !cancelSearch; }
    };

    // A server that sends nothing for this long has dropped the transfer.
    static constexpr int kSilenceLimitMs = 60000;
    // Bytes taken from the reply at a time; the reply buffers little more, so a paused transfer
    // (a question on screen) holds the server back instead of filling memory.
    static constexpr qint64 kChunkBytes = 256 * 1024;
    static constexpr qint64 kReplyBufferBytes = 4 * 1024 * 1024;

    explicit Downloader(Hooks hooks, QObject* parent = nullptr);
    ~Downloader() override;

    // For tests of a stalled server; the program keeps kSilenceLimitMs.
    void setSilenceLimit(int ms) { m_silence.setInterval(ms); }
    // A file larger than this is refused as soon as that is known (an update file's own bound).
    void setSizeLimit(std::optional<std::int64_t> bytes) { m_sizeLimit = bytes; }
    // An update file is wanted: a reply that is a web page (a link to the download page, not to
    // the file) is refused with a message that says so.
    void setRefuseWebPages(bool refuse) { m_refuseWebPages = refuse; }

    // False when a download is under way already.
    bool start(const QUrl& url, const QString& destination, std::function<void(const Outcome&)> done);
    // Stops the transfer at once: the partial file is closed and deleted, `done` is called.
    void cancel();
    bool running() const { return m_running; }
    const DownloadSession* session() const { return m_session.get(); }

private:
    void beginAttempt();
    void onData();
    void onFinished();
    bool handleHead();
    bool openFile(std::int64_t offset);
    bool writeAvailable();
    bool refetchedBytesMatch(const QByteArray& chunk);
    void writeFailed(const app::FileFailure& failure);
    void refuse(const Message& message);
    void offerRestart(const Message& question);
    void tell(const Message& message);
    bool commitFile();
    void endAttempt();
    void dropReply();
    void finish();
    double now() const;
    // While a question is on screen, the reply's signals wait for the answer.
    template <class Ask>
    bool askPaused(Ask ask);

    Hooks m_hooks;
    QPointer<HttpRequest> m_reply;
    std::unique_ptr<app::WholeFile> m_file;
    QString m_destination;
    // The bytes on disk that a resumed reply sends again first, still to be compared.
    QByteArray m_refetched;
    std::optional<std::int64_t> m_sizeLimit;
    bool m_refuseWebPages = false;
    QUrl m_url;
    std::unique_ptr<DownloadSession> m_session;
    std::function<void(const Outcome&)> m_done;
    QElapsedTimer m_clock;
    QTimer m_silence;
    bool m_running = false;
    bool m_headSeen = false;
    bool m_saving = false;
    bool m_paused = false;
    bool m_finishPending = false;
};

}  // namespace vantor::online

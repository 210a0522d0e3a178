#include "platform/online/Downloader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDevice>
#include <QFileInfo>

#include "platform/app/WholeFile.h"
#include "platform/online/HttpRequest.h"
#include "platform/online/OnlineLog.h"

namespace vantor::online {

namespace {

// A transfer that broke off or a server that is away for a moment: the bytes on disk stay and the
// retries decide. Anything else will not mend by asking again.
bool brokenOff(const HttpFailure& failure) {
    using Kind = HttpFailure::Kind;
    return failure.kind == Kind::CutShort || failure.kind == Kind::NoAnswer ||
           failure.kind == Kind::ServerRefused || failure.kind == Kind::Other ||
           failure.kind == Kind::Stopped;
}

}  // namespace

Downloader::Downloader(Hooks hooks, QObject* parent) : QObject(parent), m_hooks(std::move(hooks)) {
    // Measured here rather than by the request's own transfer time-out, which misbehaves when
    // the reply has already failed.
    m_silence.setSingleShot(true);
    m_silence.setInterval(kSilenceLimitMs);
    connect(&m_silence, &QTimer::timeout, this, [this] {
        if (m_reply && !m_paused)
            m_reply->endAsSilent();  // ends as a broken transfer, through onFinished
    });
}

Downloader::~Downloader() {
    if (!m_running)
        return;
    // Destroyed mid-transfer (the program is ending): the temporary file goes with m_file.
    dropReply();
}

bool Downloader::start(const QUrl& url, const QString& destination,
                       std::function<void(const Outcome&)> done) {
    if (m_running)
        return false;
    m_running = true;
    m_url = url;
    m_destination = destination;
    m_file = std::make_unique<app::WholeFile>(destination);
    m_session = std::make_unique<DownloadSession>(url.toString().toStdString(), m_sizeLimit);
    if (m_refuseWebPages)
        m_session->refuseWebPages();
    m_done = std::move(done);
    m_clock.start();
    beginAttempt();
    return true;
}

void Downloader::cancel() {
    if (!m_running)
        return;
    m_session->cancel();
    dropReply();
    m_file->discard();
    finish();
}

double Downloader::now() const {
    return static_cast<double>(m_clock.elapsed()) / 1000.0;
}

void Downloader::beginAttempt() {
    const std::int64_t from = m_session->beginAttempt(now());
    m_headSeen = m_saving = m_paused = m_finishPending = false;
    if (m_hooks.phase)
        m_hooks.phase(m_session->resuming() ? Phase::Resuming : Phase::GettingInformation);

    HttpHeaders headers{{"Range", RangeHeaderValue(from)}};
    if (const std::optional<std::string> validator = m_session->ifRange())
        headers.emplace_back("If-Range", *validator);
    // The bytes as stored: a compressed body would not match the ranges and lengths asked for.
    headers.emplace_back("Accept-Encoding", "identity");
    headers.emplace_back(
        "User-Agent",
        (QCoreApplication::applicationName() + "/" + QCoreApplication::applicationVersion()).toStdString());
    qCDebug(lcOnline) << "download" << m_url.toString() << "from byte" << from;

    // Each attempt is one request on a connection of its own, sent once: a broken transfer comes
    // back here, where the file and the resume offset are kept straight, and is never sent
    // again behind this loop's back.
    m_reply = new HttpRequest(m_url, std::move(headers), this);
    m_reply->setReadBufferSize(kReplyBufferBytes);
    connect(m_reply, &HttpRequest::readyRead, this, &Downloader::onData);
    connect(m_reply, &HttpRequest::finished, this, &Downloader::onFinished);
    m_reply->start();
    m_silence.start();
}

template <class Ask>
bool Downloader::askPaused(Ask ask) {
    m_paused = true;
    const bool yes = ask();
    m_paused = false;
    if (m_reply)
        m_silence.start();  // the user's thinking time is not the server's silence
    return yes;
}

void Downloader::onData() {
    if (m_paused || !m_reply)
        return;
    m_silence.start();
    if (!m_headSeen && !handleHead())
        return;
    if (m_saving && !writeAvailable())
        return;
    if (m_finishPending) {
        m_finishPending = false;
        onFinished();
    }
}

void Downloader::onFinished() {
    if (!m_reply)
        return;
    if (m_paused) {
        m_finishPending = true;
        return;
    }
    if (!m_headSeen && !handleHead())
        return;
    if (!m_running || !m_reply)
        return;
    if (m_saving) {
        if (!writeAvailable())
            return;
        // Only a body that ended as announced (or, without a length, ended cleanly) is whole.
        if (!m_reply->failed()) {
            m_session->bodyEnded();
        } else if (!brokenOff(m_reply->failure())) {
            refuse(DownloadFailureMessage(m_reply->failure()));
            return;
        } else {
            qCDebug(lcOnline) << "download broke off:" << m_reply->errorString();
        }
    }
    dropReply();
    endAttempt();
}

bool Downloader::handleHead() {
    m_headSeen = true;
    // A failure that is no broken transfer (a proxy, a certificate, a damaged reply), or a first
    // request that got no answer at all, is said as what happened.
    if (m_reply->failed() &&
        (!brokenOff(m_reply->failure()) || (!m_reply->head().status && !m_session->resuming()))) {
        refuse(DownloadFailureMessage(m_reply->failure()));
        return false;
    }
    const ReplyHead head = m_reply->head();
    const ReplyDecision decision = m_session->acceptHead(head, now());
    switch (decision.verdict) {
        case ReplyVerdict::Refuse:
            refuse(decision.message);
            return false;
        case ReplyVerdict::OfferRestart:
            offerRestart(decision.message);
            return false;
        case ReplyVerdict::BrokenOff:
            dropReply();
            endAttempt();
            return false;
        case ReplyVerdict::Save:
            break;
    }
    if (m_hooks.phase)
        m_hooks.phase(Phase::Saving);
    const std::optional<std::int64_t> needed = m_session->bytesStillNeeded();
    const std::optional<std::string> root =
        FreeSpaceRoot(QDir::fromNativeSeparators(m_destination).toStdString());
    if (needed && root && DiskFreeBytes(*root, m_hooks.freeSpace) < static_cast<double>(*needed)) {
        refuse(NotEnoughSpaceMessage());
        return false;
    }
    if (!openFile(m_session->writeOffset()))
        return false;
    m_saving = true;
    if (m_hooks.progress)
        m_hooks.progress(m_session->progress());
    return true;
}

bool Downloader::openFile(std::int64_t offset) {
    const QString folder = QFileInfo(m_destination).absolutePath();
    if (!QDir().mkpath(folder)) {
        writeFailed({QFileDevice::OpenError,
                     QStringLiteral(
                         "The folder %1 cannot be created. Make sure that you may write there and that the "
                         "disk is not full, then try again.")
                         .arg(QDir::toNativeSeparators(folder))
                         .toStdString()});
        return false;
    }
    m_refetched.clear();
    std::optional<app::FileFailure> failed;
    if (offset == 0) {
        failed = m_file->open();
    } else {
        // What a resume fetches again is kept to be compared, then written over.
        const std::optional<std::string> kept = m_file->readBack(offset, m_session->refetchedBytes());
        if (kept)
            m_refetched = QByteArray(kept->data(), static_cast<qsizetype>(kept->size()));
        failed = m_file->truncate(offset);
    }
    if (failed) {
        writeFailed(*failed);
        return false;
    }
    return true;
}

bool Downloader::writeAvailable() {
    while (m_reply && m_reply->bytesAvailable() > 0) {
        const QByteArray chunk = m_reply->read(kChunkBytes);
        if (chunk.isEmpty())
            break;
        if (!refetchedBytesMatch(chunk)) {
            offerRestart(CannotResumeQuestion());
            return false;
        }
        if (const auto failed = m_file->append({chunk.constData(), static_cast<std::size_t>(chunk.size())})) {
            writeFailed(*failed);
            return false;
        }
        m_session->addBytes(chunk.size(), now());
        if (m_session->tooSlow(now())) {
            refuse(TooSlowMessage(m_session->attemptBytes(), m_session->attemptSeconds(now())));
            return false;
        }
        if (m_session->overSizeLimit()) {
            refuse(FileTooLargeMessage(*m_sizeLimit));
            return false;
        }
    }
    if (m_hooks.progress)
        m_hooks.progress(m_session->progress());
    return true;
}

bool Downloader::refetchedBytesMatch(const QByteArray& chunk) {
    const qsizetype compared = std::min(chunk.size(), m_refetched.size());
    if (chunk.first(compared) != m_refetched.first(compared))
        return false;
    m_refetched.remove(0, compared);
    return true;
}

void Downloader::tell(const Message& message) {
    // A message box runs the event loop: the reply is gone by then, so nothing arrives to be
    // told about again.
    if (m_hooks.tell)
        askPaused([&] {
            m_hooks.tell(message);
            return true;
        });
}

void Downloader::refuse(const Message& message) {
    m_session->fail();
    dropReply();
    tell(message);
    endAttempt();
}

void Downloader::writeFailed(const app::FileFailure& failure) {
    refuse(WriteErrorMessage(failure.number, failure.reason));
}

void Downloader::offerRestart(const Message& question) {
    // The partial file is of no use any more, whatever the answer.
    dropReply();
    m_file->discard();
    const bool again = askPaused([&] { return m_hooks.confirmRestart && m_hooks.confirmRestart(question); });
    if (!m_running)
        return;  // cancelled while the question was open
    if (!again) {
        m_session->cancel();
        endAttempt();
        return;
    }
    // Nothing of this reply is proven to belong at byte 0 (a range that starts elsewhere, a
    // total or bytes of another file): the whole file is asked for again.
    m_session->restartFromZero();
    beginAttempt();
}

bool Downloader::commitFile() {
    if (const auto failed = m_file->commit()) {
        m_session->fail();
        tell(WriteErrorMessage(failed->number, failed->reason));
        return false;
    }
    return true;
}

void Downloader::dropReply() {
    if (!m_reply)
        return;
    HttpRequest* reply = m_reply;
    m_reply = nullptr;
    m_silence.stop();
    disconnect(reply, nullptr, this, nullptr);
    reply->abort();
    reply->deleteLater();
}

void Downloader::endAttempt() {
    m_saving = false;
    const DownloadSession::Ending ending = m_session->endAttempt(m_file->isOpen());
    switch (ending) {
        case DownloadSession::Ending::Completed:
            if (!commitFile())
                break;
            if (m_hooks.phase)
                m_hooks.phase(Phase::Completed);
            finish();
            return;
        case DownloadSession::Ending::AskRetry:
        case DownloadSession::Ending::NoLength: {
            const Message question = ending == DownloadSession::Ending::NoLength
                                         ? NoLengthQuestion()
                                         : ConnectionResetQuestion(m_session->progress().secondsLeft);
            const bool again = m_hooks.confirmRetry && m_hooks.confirmRetry(question);
            if (!m_running)
                return;
            if (again) {
                m_session->retry();
                beginAttempt();
                return;
            }
            m_session->cancel();
            break;
        }
        case DownloadSession::Ending::EmptyFile:
            tell(EmptyFileMessage());
            break;
        case DownloadSession::Ending::Abandon:
            break;
    }
    m_file->discard();
    finish();
}

void Downloader::finish() {
    m_running = false;
    const Outcome outcome{m_session->succeeded(), m_session->cancelSearch(), m_session->received(),
                          m_session->total()};
    // A copy: the callback may well start the next download or destroy this object.
    const std::function<void(const Outcome&)> done = std::move(m_done);
    m_done = nullptr;
    if (done)
        done(outcome);
}

}  // namespace vantor::online

#include "DownloadCommands.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>
#include <QUrl>
#include <iostream>

#include "ProgressLine.h"
#include "ScaleCommands.h"
#include "StopSignals.h"
#include "Terminal.h"
#include "core/app/OneLine.h"
#include "core/online/modGlobals.h"
#include "platform/online/Downloader.h"
#include "platform/online/FreeSpace.h"

namespace vantor::cli {

using namespace vantor::online;

namespace {

constexpr qint64 kProgressEveryMs = 200;

// One line for the terminal, after the box's title.
std::string terminalLine(const Message& message) {
    const std::string line = app::oneLine(message.text);
    return message.title.empty() ? line : message.title + ": " + line;
}

std::string sizeText(const DownloadProgress& progress) {
    std::string text = FormatByteSize(static_cast<double>(progress.received));
    if (progress.total)
        text += " of " + FormatByteSize(static_cast<double>(*progress.total));
    return text;
}

// A signal only sets the stop flag; the event loop looks at it this often.
constexpr int kStopCheckMs = 50;

// Before a resume: a server that dropped the connection or refused it while it restarts gets a
// moment, so that the retries are not all spent at once.
constexpr int kRetryPauseMs = 1000;

// Waits the pause out on the event loop; false when a signal asked to stop meanwhile.
bool pauseBeforeRetry(const std::atomic<bool>& stopRequested) {
    QEventLoop pause;
    QTimer::singleShot(kRetryPauseMs, &pause, &QEventLoop::quit);
    QTimer stopCheck;
    QObject::connect(&stopCheck, &QTimer::timeout, [&] {
        if (stopRequested)
            pause.quit();
    });
    stopCheck.start(kStopCheckMs);
    pause.exec();
    return !stopRequested;
}

}  // namespace

bool isDownloadUrl(const std::string& source) {
    return source.starts_with("http://") || source.starts_with("https://");
}

int downloadFile(const std::string& url, const QString& destination, unsigned retries,
                 std::optional<std::int64_t> sizeLimit, DownloadKind kind) {
    ProgressLine progressLine;
    QElapsedTimer lastShown;
    bool stopped = false;

    Downloader::Hooks hooks;
    hooks.phase = [&](Downloader::Phase phase) {
        if (phase == Downloader::Phase::Resuming)
            progressLine.line("Resuming download...");
    };
    hooks.progress = [&](const DownloadProgress& progress) {
        if (!progressLine.onTerminal() || (lastShown.isValid() && lastShown.elapsed() < kProgressEveryMs))
            return;
        lastShown.start();
        progressLine.rewrite(sizeText(progress) + " (" + FormatByteSize(progress.bytesPerSecond, kMaskRate) +
                             "/Sec)");
    };
    // A link to a web page where the update file was wanted is bad input, like a file that is no
    // HEX file.
    bool webPage = false;
    hooks.tell = [&](const Message& message) {
        webPage = webPage || message == WebPageMessage(url);
        // The update file's own bound says so; a bound the user chose names its option.
        if (kind == DownloadKind::AnyFile && sizeLimit && message == FileTooLargeMessage(*sizeLimit))
            progressLine.line("The file is larger than " + std::to_string(*sizeLimit) +
                              " bytes (--max-size): it was not downloaded.");
        else
            progressLine.line(terminalLine(message));
    };
    // Nobody to ask: a server that cannot resume gives the whole file again, and a broken
    // connection is resumed while retries are left.
    hooks.confirmRestart = [&](const Message&) {
        progressLine.line("The server cannot resume; downloading the whole file again.");
        return true;
    };
    const std::atomic<bool>& stopRequested = stopOnSignals();
    hooks.confirmRetry = [&](const Message& question) {
        // The question's first paragraph says why: a reset, or a body that never said its length.
        std::string reset = question.text.substr(0, question.text.find("\n\n"));
        if (!reset.empty() && reset.back() == '.')
            reset.pop_back();
        if (retries == 0) {
            progressLine.line(reset + "; " + RetriesLeft(0) + ".");
            return false;
        }
        --retries;
        progressLine.line(reset + "; resuming (" + RetriesLeft(retries) + ").");
        return pauseBeforeRetry(stopRequested);
    };
    hooks.freeSpace = freeBytesAt;

    Downloader downloader(hooks);
    downloader.setSizeLimit(sizeLimit);
    downloader.setRefuseWebPages(kind == DownloadKind::UpdateFile);
    // Ctrl+C or SIGTERM stops the transfer through the event loop, so that the partial file is
    // closed and removed like any other abandoned download.
    QTimer stopCheck;
    QObject::connect(&stopCheck, &QTimer::timeout, [&] {
        if (stopRequested && !stopped) {
            stopped = true;
            downloader.cancel();
        }
    });
    stopCheck.start(kStopCheckMs);
    std::optional<Downloader::Outcome> outcome;
    QEventLoop loop;
    downloader.start(QUrl(QString::fromStdString(url)), destination, [&](const Downloader::Outcome& o) {
        outcome = o;
        loop.quit();
    });
    if (!outcome)
        loop.exec();
    progressLine.end();

    if (stopped) {
        std::cerr << "Stopped: " << url << " was not downloaded.\n";
        return kScaleFailed;
    }
    if (!outcome->good()) {
        std::cerr << url << " was not downloaded.\n";
        return webPage ? kBadInput : kScaleFailed;
    }
    return kSuccess;
}

int downloadCommand(const ParsedCommand& command) {
    const std::string& url = command.arguments.at(0);
    if (!isDownloadUrl(url) || !QUrl(QString::fromStdString(url), QUrl::StrictMode).isValid()) {
        std::cerr << "URL must be an http:// or https:// address, not '" << url << "'.\n";
        return kBadInput;
    }
    unsigned retries = kDefaultRetries;
    if (const auto given = command.value("retries")) {
        const auto value = parseCliNumber(*given);
        if (!value || *value > 1000) {
            std::cerr << "--retries must be a number from 0 to 1000, not '" << *given << "'.\n";
            return kBadInput;
        }
        retries = static_cast<unsigned>(*value);
    }
    std::int64_t maxSize = kDefaultMaxDownloadBytes;
    if (const auto given = command.value("max-size")) {
        const auto value = parseCliNumber(*given);
        if (!value || *value < 1) {
            std::cerr << "--max-size must be a number of bytes above 0, not '" << *given << "'.\n";
            return kBadInput;
        }
        maxSize = static_cast<std::int64_t>(*value);
    }
    const QString destination = QString::fromStdString(command.arguments.at(1));
    if (QFileInfo(destination).isDir()) {
        std::cerr << "DEST must be a file name, not the folder '" << command.arguments.at(1) << "'.\n";
        return kBadInput;
    }
    const int status =
        downloadFile(url, QFileInfo(destination).absoluteFilePath(), retries, maxSize, DownloadKind::AnyFile);
    if (status == kSuccess)
        std::cout << "Downloaded " << url << " to " << command.arguments.at(1) << " ("
                  << QFileInfo(destination).size() << " bytes)\n";
    return status;
}

}  // namespace vantor::cli

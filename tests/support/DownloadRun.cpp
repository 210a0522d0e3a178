#include "DownloadRun.h"

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <optional>
#include <random>

namespace vantor::test {

void scriptUser(online::Downloader::Hooks& hooks, std::vector<vantor::Message>& told,
                std::vector<vantor::Message>& asked, std::deque<bool>& answers,
                UnexpectedQuestion unexpected) {
    hooks.tell = [&told](const vantor::Message& m) { told.push_back(m); };
    const auto answer = [&asked, &answers, unexpected](const vantor::Message& m) {
        asked.push_back(m);
        if (answers.empty()) {
            if (unexpected == UnexpectedQuestion::Fails)
                ADD_FAILURE() << "unexpected question: " << m.text;
            return false;
        }
        const bool yes = answers.front();
        answers.pop_front();
        return yes;
    };
    hooks.confirmRestart = answer;
    hooks.confirmRetry = answer;
}

online::Downloader::Outcome runDownload(online::Downloader& downloader, const QUrl& url,
                                        const QString& destination,
                                        const std::function<void(online::Downloader&)>& meanwhile) {
    std::optional<online::Downloader::Outcome> outcome;
    QEventLoop loop;
    EXPECT_TRUE(downloader.start(url, destination, [&](const online::Downloader::Outcome& o) {
        outcome = o;
        loop.quit();
    }));
    if (meanwhile)
        meanwhile(downloader);
    QTimer::singleShot(kDownloadLimitMs, &loop, &QEventLoop::quit);
    if (!outcome)
        loop.exec();
    EXPECT_TRUE(outcome) << "the download never ended";
    return outcome.value_or(online::Downloader::Outcome{});
}

QByteArray randomBytes(int size) {
    std::mt19937 random(static_cast<unsigned>(size));
    QByteArray bytes(size, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(random());
    return bytes;
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace vantor::test

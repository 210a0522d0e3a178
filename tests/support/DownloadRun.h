#pragma once

// Helpers for the downloader's tests over real HTTP: a download run to its end in this thread's
// event loop, and the bytes served and stored.

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <deque>
#include <functional>
#include <vector>

#include "platform/online/Downloader.h"

namespace vantor::test {

// A download that has not ended by then has hung: the test fails instead of waiting forever.
constexpr int kDownloadLimitMs = 20000;

// What a question beyond the scripted answers does: fail the test, or get No like the rest.
enum class UnexpectedQuestion { Fails, AnswersNo };

// Plays the user in `hooks`: messages told go to `told`, questions to `asked`, and each question
// takes the next of `answers` (true: Yes / Retry). All three must outlive the downloader.
void scriptUser(online::Downloader::Hooks& hooks, std::vector<vantor::Message>& told,
                std::vector<vantor::Message>& asked, std::deque<bool>& answers,
                UnexpectedQuestion unexpected);

// Starts the download, lets `meanwhile` act on the running downloader, and waits for its outcome.
online::Downloader::Outcome runDownload(online::Downloader& downloader, const QUrl& url,
                                        const QString& destination,
                                        const std::function<void(online::Downloader&)>& meanwhile = {});

// The same bytes for the same size on every run, so a failure repeats.
QByteArray randomBytes(int size);

// The file's bytes, or none when it cannot be read.
QByteArray readAll(const QString& path);

}  // namespace vantor::test

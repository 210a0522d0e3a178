#pragma once

#include <QObject>
#include <QString>
#include <QUrl>
#include <chrono>
#include <functional>

namespace vantor::online {

// The update banner's picture, fetched from the download server into a folder. Whatever body the
// server answers with is saved (whether it is a picture is for the one who shows it), but only a
// whole answer, never a half one, and never a body far too large to be a banner.
class BannerFetch : public QObject {
    Q_OBJECT
public:
    // A fetch that has not finished by then is given up: no banner this time.
    static constexpr std::chrono::seconds kLimit{30};
    // The maker's banner is a small picture; anything far larger is not one.
    static constexpr qint64 kMaxBytes = 8 * 1024 * 1024;

    explicit BannerFetch(QObject* parent = nullptr);
    // Fetches still running are abandoned without calling back.
    ~BannerFetch() override;

    // Fetches `url` into `destDir` under the last part of its path. `done(true)` once the whole
    // body is saved; `done(false)` when the fetch failed, and then no file is left behind.
    void RetrieveFile(const QUrl& url, const QString& destDir, std::function<void(bool)> done);
};

}  // namespace vantor::online

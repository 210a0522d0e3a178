#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <chrono>
#include <functional>
#include <optional>
#include <string_view>

#include "app/OnlineChecks.h"
#include "online/ServerAddresses.h"

class QNetworkAccessManager;
class QWidget;

namespace vantor::online {
class QueryChannel;
struct QueryResult;
}  // namespace vantor::online

namespace vantor::app {

// The main menu's two questions, asked of the maker's servers: the scale software update (with
// its banner from the download server) and the PC program's latest version (with the version
// window). Everything is asynchronous: the menu stays usable while the servers answer. Only one
// of each check runs at a time; asking again while it runs is dropped, because the running one
// will bring the same answer.
class ServerChecks : public QObject, public OnlineChecks {
    Q_OBJECT
public:
    // A banner fetch that has not finished by then is given up: no banner this time.
    static constexpr std::chrono::seconds kBannerLimit{30};
    // The maker's banner is a small picture; anything far larger is not one.
    static constexpr qint64 kMaxBannerBytes = 8 * 1024 * 1024;
    static constexpr std::string_view kBannerPath = "/VantorDownload/usaupdatebanner.jpg";

    // The servers of VANTOR_WEB_SERVER and VANTOR_DOWNLOAD_SERVER (or the built-in ones).
    explicit ServerChecks(QObject* parent = nullptr);
    explicit ServerChecks(const online::ServerAddresses& addresses, QObject* parent = nullptr);
    ~ServerChecks() override;

    void CheckUpdate(frmWelcome& menu) override;
    void CheckNewVersion(frmWelcome& menu) override;

    bool updateCheckRunning() const { return m_updateRunning; }
    bool versionCheckRunning() const { return m_versionRunning; }
    QUrl bannerUrl() const;

    // The trimmed SoftwareUpdate value, or empty text when the server gave none (the channel's
    // own messages have been shown by then).
    void CheckSoftwareUpdate(QWidget* owner, std::function<void(const QString&)> done);
    // "Version " followed by the trimmed CurrentVersion value, or empty text as above.
    void CheckProgramVersion(QWidget* owner, std::function<void(const QString&)> done);
    // Fetches `url` into `destDir` under the last part of its path. `done(true)` once the whole
    // body is saved; `done(false)` when the fetch failed, and then no file is left behind.
    void RetrieveFile(const QUrl& url, const QString& destDir, std::function<void(bool)> done);

signals:
    // A check came to its end: answered, refused or failed, and its messages answered.
    void updateCheckFinished();
    void versionCheckFinished();

private:
    // The trimmed value of a one-value answer; nullopt when there is none (failed request, the
    // channel's message, no row).
    using ValueCallback = std::function<void(const std::optional<QString>&)>;
    void readOneValue(std::string_view statement, QWidget* owner, ValueCallback done);
    void showChannelTrouble(QWidget* owner, const online::QueryResult& result);
    void softwareUpdateRead(const QString& value);
    void bannerRetrieved(bool saved);
    void programVersionRead(const QString& latest);
    void finishUpdateCheck();
    void finishVersionCheck();
    // The menu is still there to take the answer: loaded, and the program not ended.
    bool menuWaiting() const;

    online::ServerAddresses m_addresses;
    online::QueryChannel* m_channel;
    QNetworkAccessManager* m_network;
    QPointer<frmWelcome> m_menu;
    bool m_updateRunning = false;
    bool m_versionRunning = false;
};

}  // namespace vantor::app

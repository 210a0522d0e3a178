#pragma once

#include <QObject>
#include <QString>
#include <QUrl>
#include <functional>
#include <optional>
#include <string_view>

#include "core/online/ServerAddresses.h"
#include "ui/app/OnlineChecks.h"

class QWidget;

namespace vantor::online {
class BannerFetch;
class QueryChannel;
struct QueryResult;
}  // namespace vantor::online

namespace vantor::app {

// The main menu's two questions, asked of the maker's servers: the scale software update (with
// its banner from the download server) and the PC program's latest version. Everything is
// asynchronous: the menu stays usable while the servers answer. Only one of each check runs at a
// time; asking again while it runs is dropped, because the running one will bring the same answer.
class ServerChecks : public QObject, public OnlineChecks {
    Q_OBJECT
public:
    static constexpr std::string_view kBannerPath = "/VantorDownload/usaupdatebanner.jpg";

    // The servers of VANTOR_WEB_SERVER and VANTOR_DOWNLOAD_SERVER (or the built-in ones).
    explicit ServerChecks(QObject* parent = nullptr);
    explicit ServerChecks(const online::ServerAddresses& addresses, QObject* parent = nullptr);
    ~ServerChecks() override;

    void CheckUpdate(QWidget* owner, UpdateReplies replies) override;
    void CheckNewVersion(QWidget* owner, VersionReply reply) override;

    bool updateCheckRunning() const { return m_updateRunning; }
    bool versionCheckRunning() const { return m_versionRunning; }
    QUrl bannerUrl() const;

    // The trimmed SoftwareUpdate value, or empty text when the server gave none (the channel's
    // own messages have been shown by then).
    void CheckSoftwareUpdate(QWidget* owner, std::function<void(const QString&)> done);
    // "Version " followed by the trimmed CurrentVersion value, or empty text as above.
    void CheckProgramVersion(QWidget* owner, std::function<void(const QString&)> done);

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
    void softwareUpdateRead(const QString& value, const UpdateReplies& replies);
    void bannerRetrieved(bool saved, const UpdateReplies& replies);
    void programVersionRead(const QString& latest, const VersionReply& reply);
    void finishUpdateCheck();

    online::ServerAddresses m_addresses;
    online::QueryChannel* m_channel;
    online::BannerFetch* m_banner;
    bool m_updateRunning = false;
    bool m_versionRunning = false;
};

}  // namespace vantor::app

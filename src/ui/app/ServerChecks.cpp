#include "ui/app/ServerChecks.h"

#include <QPointer>

#include "core/online/UpdateQueries.h"
#include "core/online/modQuery.h"
#include "platform/online/BannerFetch.h"
#include "platform/online/QueryChannel.h"
#include "ui/app/Dialogs.h"
#include "ui/app/Program.h"

namespace vantor::app {

namespace {

const QString kMessageTitle = QStringLiteral("Vantor PC Program");
const QString kVersionPrefix = QStringLiteral("Version ");

QUrl urlOn(const std::string& server, std::string_view path) {
    return QUrl(QString::fromStdString(online::joinUrl(server, std::string(path))));
}

void tell(QWidget* owner, const QString& text) {
    program().dialogs().ask(owner, {kMessageTitle, text, Message::Icon::None, Message::Buttons::Ok});
}

}  // namespace

ServerChecks::ServerChecks(QObject* parent)
    : ServerChecks(online::ServerAddresses::fromEnvironment(), parent) {}

ServerChecks::ServerChecks(const online::ServerAddresses& addresses, QObject* parent)
    : QObject(parent),
      m_addresses(addresses),
      m_channel(new online::QueryChannel(urlOn(addresses.webServer, online::kQueryScriptPath), this)),
      m_banner(new online::BannerFetch(this)) {}

ServerChecks::~ServerChecks() {
    // Transfers still running are abandoned without calling back: the forms are gone by now.
    delete m_channel;
    delete m_banner;
}

QUrl ServerChecks::bannerUrl() const {
    return urlOn(m_addresses.downloadServer, kBannerPath);
}

// ---- the scale software update and its banner ----

void ServerChecks::CheckUpdate(QWidget* owner, UpdateReplies replies) {
    if (m_updateRunning)
        return;
    m_updateRunning = true;
    CheckSoftwareUpdate(owner, [this, replies = std::move(replies)](const QString& value) {
        softwareUpdateRead(value, replies);
    });
}

void ServerChecks::CheckSoftwareUpdate(QWidget* owner, std::function<void(const QString&)> done) {
    readOneValue(
        online::kSoftwareUpdateStatement, owner,
        [done = std::move(done)](const std::optional<QString>& value) { done(value.value_or(QString())); });
}

void ServerChecks::softwareUpdateRead(const QString& value, const UpdateReplies& replies) {
    if (program().ended())
        return finishUpdateCheck();
    const online::UpdateAnswer answer = online::ReadUpdateAnswer(value.toStdString());
    // The banner is fetched only while the menu still waits for it.
    if (!replies.answered(answer) || answer != online::UpdateAnswer::Available)
        return finishUpdateCheck();
    m_banner->RetrieveFile(bannerUrl(), program().programFolder(),
                           [this, replies](bool saved) { bannerRetrieved(saved, replies); });
}

void ServerChecks::bannerRetrieved(bool saved, const UpdateReplies& replies) {
    replies.bannerFetched(saved ? program().programFile(bannerUrl().fileName()) : QString());
    finishUpdateCheck();
}

void ServerChecks::finishUpdateCheck() {
    m_updateRunning = false;
    emit updateCheckFinished();
}

// ---- the PC program's latest version ----

void ServerChecks::CheckNewVersion(QWidget* owner, VersionReply reply) {
    if (m_versionRunning)
        return;
    m_versionRunning = true;
    CheckProgramVersion(owner, [this, reply = std::move(reply)](const QString& latest) {
        programVersionRead(latest, reply);
    });
}

void ServerChecks::CheckProgramVersion(QWidget* owner, std::function<void(const QString&)> done) {
    readOneValue(online::kCurrentVersionStatement, owner,
                 [done = std::move(done)](const std::optional<QString>& value) {
                     done(value ? kVersionPrefix + *value : QString());
                 });
}

void ServerChecks::programVersionRead(const QString& latest, const VersionReply& reply) {
    m_versionRunning = false;
    if (!program().ended())
        reply(latest);
    // The reply may have asked again (the user's Retry): then the check runs on.
    if (!m_versionRunning)
        emit versionCheckFinished();
}

// ---- shared ----

void ServerChecks::readOneValue(std::string_view statement, QWidget* owner, ValueCallback done) {
    QPointer<QWidget> asking(owner);
    m_channel->FetchRows(std::string(statement),
                         [this, asking, done = std::move(done)](const online::QueryResult& result) {
                             // The user is told why there is no answer, except for an empty table: the server
                             // gives that when it simply has no such row.
                             if (!result.failure.empty() || !result.message.empty()) {
                                 if (!program().ended())
                                     showChannelTrouble(asking, result);
                                 done(std::nullopt);
                                 return;
                             }
                             if (result.rows.empty()) {
                                 done(std::nullopt);
                                 return;
                             }
                             done(QString::fromStdString(online::AnswerText(result.rows)));
                         });
}

void ServerChecks::showChannelTrouble(QWidget* owner, const online::QueryResult& result) {
    if (!result.failure.empty())
        tell(owner, QStringLiteral("Error: ") + QString::fromStdString(result.failure));
    else
        tell(owner, QString::fromStdString(result.message));
}

}  // namespace vantor::app

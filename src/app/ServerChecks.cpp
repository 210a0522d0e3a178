#include "app/ServerChecks.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPixmap>
#include <QPushButton>
#include <QSaveFile>
#include <memory>

#include "app/ClickableLabel.h"
#include "app/Dialogs.h"
#include "app/Program.h"
#include "app/frmStartUp.h"
#include "app/frmVersion.h"
#include "app/frmWelcome.h"
#include "online/OnlineLog.h"
#include "online/RequestDeadline.h"
#include "online/QueryChannel.h"
#include "online/UpdateQueries.h"
#include "online/modQuery.h"

namespace vantor::app {

namespace {

const QString kMessageTitle = QStringLiteral("Vantor PC Program");
const QString kVersionPrefix = QStringLiteral("Version ");
// A banner larger than this is shown smaller, so that it cannot push the menu's buttons off screen.
constexpr QSize kLargestBanner(640, 200);

QUrl urlOn(const std::string& server, std::string_view path) {
    return QUrl(QString::fromStdString(online::joinUrl(server, std::string(path))));
}

void tell(QWidget* owner, const QString& text) {
    program().dialogs().ask(owner, {kMessageTitle, text, Message::Icon::None, Message::Buttons::Ok});
}

// The picture in `file` whatever its name says it is; a null picture when it is none.
QPixmap readPicture(const QString& file) {
    QImageReader reader(file);
    reader.setDecideFormatFromContent(true);
    const QImage image = reader.read();
    if (image.isNull())
        return {};
    QPixmap picture = QPixmap::fromImage(image);
    if (picture.width() > kLargestBanner.width() || picture.height() > kLargestBanner.height())
        picture = picture.scaled(kLargestBanner, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return picture;
}

// Saved whole or not at all: a transfer that broke off leaves no half picture behind.
bool saveWhole(const QString& target, const QByteArray& body) {
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(body);
    return file.commit();
}

}  // namespace

ServerChecks::ServerChecks(QObject* parent)
    : ServerChecks(online::ServerAddresses::fromEnvironment(), parent) {}

ServerChecks::ServerChecks(const online::ServerAddresses& addresses, QObject* parent)
    : QObject(parent),
      m_addresses(addresses),
      m_channel(new online::QueryChannel(urlOn(addresses.webServer, online::kQueryScriptPath), this)),
      m_network(new QNetworkAccessManager(this)) {}

ServerChecks::~ServerChecks() {
    // Transfers still running are abandoned without calling back: the forms are gone by now.
    delete m_channel;
    for (QNetworkReply* reply : m_network->findChildren<QNetworkReply*>())
        disconnect(reply, nullptr, this, nullptr);
    delete m_network;
}

QUrl ServerChecks::bannerUrl() const {
    return urlOn(m_addresses.downloadServer, kBannerPath);
}

// ---- the scale software update and its banner ----

void ServerChecks::CheckUpdate(frmWelcome& menu) {
    if (m_updateRunning)
        return;
    m_updateRunning = true;
    m_menu = &menu;
    CheckSoftwareUpdate(&menu, [this](const QString& value) { softwareUpdateRead(value); });
}

void ServerChecks::CheckSoftwareUpdate(QWidget* owner, std::function<void(const QString&)> done) {
    readOneValue(
        online::kSoftwareUpdateStatement, owner,
        [done = std::move(done)](const std::optional<QString>& value) { done(value.value_or(QString())); });
}

void ServerChecks::softwareUpdateRead(const QString& value) {
    if (program().ended())
        return finishUpdateCheck();
    const online::UpdateAnswer answer = online::ReadUpdateAnswer(value.toStdString());
    if (answer == online::UpdateAnswer::Unknown) {
        tell(m_menu, QStringLiteral("Unable to check software update."));
        return finishUpdateCheck();
    }
    // The menu may have been left for the update road while the server answered: its timer and
    // HideForm (which hides the road's download window) are then no longer the check's to change.
    if (!menuWaiting())
        return finishUpdateCheck();
    if (answer == online::UpdateAnswer::NotAvailable) {
        m_menu->Timer2.stop();
        return finishUpdateCheck();
    }
    m_menu->HideForm = true;
    RetrieveFile(bannerUrl(), program().programFolder(), [this](bool saved) { bannerRetrieved(saved); });
}

void ServerChecks::RetrieveFile(const QUrl& url, const QString& destDir, std::function<void(bool)> done) {
    const QString name = url.fileName();
    if (name.isEmpty()) {
        done(false);
        return;
    }
    QNetworkRequest request(url);
    QNetworkReply* reply = m_network->get(request);
    online::limitWholeRequest(*reply, kBannerLimit);
    auto tooLarge = std::make_shared<bool>(false);
    connect(reply, &QNetworkReply::downloadProgress, this, [reply, tooLarge](qint64 received, qint64) {
        if (received <= kMaxBannerBytes)
            return;
        *tooLarge = true;
        reply->abort();
    });
    const QString target = QDir(destDir).filePath(name);
    connect(reply, &QNetworkReply::finished, this, [reply, tooLarge, target, done = std::move(done)] {
        reply->deleteLater();
        // Whatever body the server answered with is saved, an error page too: whether it is a
        // picture is decided when it is shown. Without a whole answer there is nothing to save.
        const bool answered = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
        const QNetworkReply::NetworkError error = reply->error();
        const bool transportFailed =
            error != QNetworkReply::NoError && error < QNetworkReply::ContentAccessDenied;
        bool saved = false;
        if (*tooLarge)
            qCInfo(lcOnline) << "banner refused: larger than" << kMaxBannerBytes << "bytes";
        else if (!answered || transportFailed)
            qCInfo(lcOnline) << "banner not fetched:" << reply->errorString();
        else
            saved = saveWhole(target, reply->readAll());
        done(saved);
    });
}

void ServerChecks::bannerRetrieved(bool saved) {
    const QString file = program().programFile(bannerUrl().fileName());
    if (saved && menuWaiting()) {
        // Not a picture (an error page, say): the banner keeps the picture it had. The picture is
        // in place before the banner shows, so that the menu makes room for its size.
        const QPixmap picture = readPicture(file);
        if (!picture.isNull())
            m_menu->ImgBanner->setPixmap(picture);
        m_menu->ImgBanner->setVisible(true);
        // The blinking starts with a banner to blink, not while it is still on its way.
        m_menu->Timer2.start();
    } else if (menuWaiting()) {
        // No banner came: nothing announces the update, neither shown nor blinking.
        m_menu->Timer2.stop();
        m_menu->ImgBanner->setVisible(false);
    }
    // The picture lives on in the banner; the file is not kept.
    if (saved)
        QFile::remove(file);
    finishUpdateCheck();
}

void ServerChecks::finishUpdateCheck() {
    m_updateRunning = false;
    emit updateCheckFinished();
}

// ---- the PC program's latest version ----

void ServerChecks::CheckNewVersion(frmWelcome& menu) {
    if (m_versionRunning)
        return;
    m_versionRunning = true;
    m_menu = &menu;
    frmVersion& version = program().form<frmVersion>();
    version.load();
    version.lblProg->setText(program().form<frmStartUp>().VersionNum.trimmed());
    CheckProgramVersion(&menu, [this](const QString& latest) { programVersionRead(latest); });
}

void ServerChecks::CheckProgramVersion(QWidget* owner, std::function<void(const QString&)> done) {
    readOneValue(online::kCurrentVersionStatement, owner,
                 [done = std::move(done)](const std::optional<QString>& value) {
                     done(value ? kVersionPrefix + *value : QString());
                 });
}

void ServerChecks::programVersionRead(const QString& latest) {
    if (program().ended())
        return finishVersionCheck();
    frmVersion& version = program().form<frmVersion>();
    version.lblLatest->setText(latest);
    // Any difference counts, older as well as newer: the server names the one program to run.
    if (latest == version.lblProg->text())
        return finishVersionCheck();
    if (latest.isEmpty() || latest == kVersionPrefix) {
        const Answer answer = program().dialogs().ask(
            m_menu, {QStringLiteral("Error Encountered"),
                     QStringLiteral("An error occurred while trying to check latest version of PC Program."),
                     Message::Icon::Information, Message::Buttons::RetryCancel});
        if (answer != Answer::Retry || !m_menu || program().ended())
            return finishVersionCheck();
        m_versionRunning = false;
        CheckNewVersion(*m_menu);
        return;
    }
    version.offer();
    finishVersionCheck();
}

void ServerChecks::finishVersionCheck() {
    m_versionRunning = false;
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

bool ServerChecks::menuWaiting() const {
    return m_menu && m_menu->isLoaded() && !program().ended();
}

}  // namespace vantor::app

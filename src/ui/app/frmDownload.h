#pragma once

#include <QElapsedTimer>
#include <QString>
#include <functional>
#include <memory>

#include "platform/online/Downloader.h"
#include "ui/app/Form.h"

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace vantor::app {

class DownloadAnimation;

// The download window: fetches one file into a local path, with progress, transfer rate and
// time left, a cancel button, and the questions of a broken or unresumable transfer. The
// transfer runs while the program goes on; the caller hears of its end through a callback.
class frmDownload : public Form {
    Q_OBJECT
public:
    // Labels, bar and caption are redrawn at most this often: drawing must not slow a fast transfer.
    static constexpr int kRefreshMs = 50;

    frmDownload();
    ~frmDownload() override;

    // True when the transfer was cancelled by the user or abandoned after an error; cleared when a
    // download starts, read by the caller once it has ended.
    bool CancelSearch = false;
    // While True, closing the window first asks whether to cancel the transfer.
    bool AskAgain = false;

    QLabel* StatusLabel;
    QLabel* SourceLabel;
    QLabel* ToLabel;
    QLabel* TimeLabel;
    QLabel* RateLabel;
    QLabel* EstimatedTimeLeft;
    QLabel* DownloadTo;
    QLabel* TransferRate;
    QProgressBar* ProgressBar;
    DownloadAnimation* Animation1;
    // Kept for the user's habit; the window always closes at the end.
    QCheckBox* chkClose;
    QPushButton* CancelButton;

    using Done = std::function<void(bool result)>;
    // Starts downloading `strURL` into `strDestination` and returns at once; the window shows
    // unless the menu's HideForm is set. `done` gets the result once the window has closed: the
    // download is good when it is True and CancelSearch is False. False when a download is
    // under way already (nothing starts, `done` is not called).
    bool DownloadFile(const QString& strURL, const QString& strDestination, const QString& UserName,
                      const QString& Password, Done done);
    bool downloading() const { return m_downloader && m_downloader->running(); }
    // Downloads from now on refuse a file larger than this (none: any size).
    void setSizeLimit(std::optional<std::int64_t> bytes) { m_sizeLimit = bytes; }

    void CancelButton_Click();

    void setVisible(bool visible) override;

protected:
    void Form_Load() override;
    void Form_Unload(bool& cancel) override;
    void reject() override;

private:
    online::Downloader::Hooks hooks();
    void showPhase(online::Downloader::Phase phase);
    void showSource();
    void showProgress(const online::DownloadProgress& progress);
    void drawProgress(const online::DownloadProgress& progress);
    void finished(const online::Downloader::Outcome& outcome);
    bool askToCancel();
    void centre();
    void stopSilently();
    QString fitted(const QLabel& label, const QString& text) const;

    QString m_url;
    QString m_destination;
    QString m_fileName;
    Done m_done;
    std::unique_ptr<online::Downloader> m_downloader;
    QElapsedTimer m_lastDrawn;
    online::DownloadProgress m_shown;
    bool m_finishing = false;
    std::optional<std::int64_t> m_sizeLimit;
};

}  // namespace vantor::app

#pragma once

#include "ui/app/Form.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace vantor::app {

// The update-link form: shows the scale's serial number and takes the link of the update file
// from the user.
class frmCheckScale : public Form {
    Q_OBJECT
public:
    frmCheckScale();

    bool AskExit = false;
    // The link as last given, blanks removed.
    QString Link;

    QLabel* Image1;
    QLabel* lblVersion;
    QLabel* lblSerial;
    QLabel* lblCheck;
    QLabel* lblLink;
    QLineEdit* txtLink;
    QPushButton* cmdContinue;
    QPushButton* cmdExit;

    void cmdContinue_Click();
    void cmdExit_Click();
    // Enter in the link box only moves the focus to Continue: the download starts with a click.
    void txtLink_KeyPress(int keyAscii);

protected:
    void Form_Load() override;
    void Form_Unload(bool& cancel) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The end of the download (or of the copy of a local file).
    void downloadEnded(bool good);
    void copyLocalFile(const QString& source, const QString& destination);
    // The whole-file check of the update form, before the download is called successful: a
    // refused file is told, deleted, and the link form stays.
    bool updateFileUsable();
};

}  // namespace vantor::app

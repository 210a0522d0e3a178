#include "ui/app/frmHelp.h"

#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "ui/app/ClickableLabel.h"
#include "ui/app/Controls.h"
#include "ui/app/Look.h"
#include "ui/app/Program.h"
#include "ui/app/WebDocument.h"

namespace vantor::app {

namespace {

const char* const kHelpPagePath = "/vantorpc/usa/vantorusa.htm";

// The runs of blanks are part of the texts: they pushed the words after them onto the next line of
// a fixed-size box. Here the labels wrap to their own width, and show each run as one blank.
const char* const kStep1 =
    "1.  Upon running PC Program, connect your scale to your computer         and turn it on. PC Program "
    "will automatically detect which port in        your computer your scale is connected to. Click "
    "Continue button.";
const char* const kStep2 =
    "2.  Click the 'Update Scale' button of the main window. The serial           number of your scale "
    "will appear on the next window.";
const char* const kStep3 =
    "3.  Copy the link of the update file, paste it in the text box provided        and click Continue "
    "button to download the file. After a successful        download, click Update button to continue "
    "with the update of your scale.";
const char* const kStep4 =
    "4.  Wait for a confirmation that your scale has been successfully              updated.  After this, "
    "your scale is now ready to use with its latest        postage rates and services.";
const char* const kUpdates =
    "Once you run Vantor PC Program, it will automatically detect for a new version.  A dialog box will "
    "appear if there is a new version of Vantor PC program.  This is downloadable for free.              "
    "For scale software updates like changes in rates or postage services, a banner regarding the update "
    "will automatically appear in your PC Program.";

}  // namespace

frmHelp::frmHelp() {
    setWindowTitle(QStringLiteral("Vantor PC Program Help"));
    lblHelp1 =
        makeLabel(this, "lblHelp1",
                  QStringLiteral("The following is a summary on how to use Vantor PC Program to update "
                                 "your scale with its latest postage rates and services:"));
    lblHelp2 = makeLabel(this, "lblHelp2", QLatin1String(kStep1));
    lblHelp3 = makeLabel(this, "lblHelp3", QLatin1String(kStep2));
    lblHelp4 = makeLabel(this, "lblHelp4", QLatin1String(kStep3));
    lblhelp5 = makeLabel(this, "lblhelp5", QLatin1String(kStep4));
    lblUpdate = makeLabel(this, "lblUpdate", QStringLiteral("Software Updates:"));
    lblUpdate2 = makeLabel(this, "lblUpdate2", QLatin1String(kUpdates));
    lblFormore =
        makeLabel(this, "lblFormore", QStringLiteral("For more details and help, please visit us at:"));
    for (QLabel* label : {lblHelp2, lblHelp3, lblHelp4, lblhelp5, lblUpdate2})
        collapseBlanks(*label);
    lblWebsite = makeLinkLabel(this, "lblWebsite");
    cmdClose = makeButton(this, "cmdClose", QStringLiteral("&Close"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(10);
    for (QLabel* label : {lblHelp1, lblHelp2, lblHelp3, lblHelp4, lblhelp5})
        layout->addWidget(label);
    layout->addSpacing(8);
    layout->addWidget(lblUpdate);
    layout->addWidget(lblUpdate2);
    layout->addSpacing(8);
    layout->addWidget(lblFormore);
    layout->addWidget(lblWebsite, 0, Qt::AlignLeft);
    layout->addWidget(cmdClose, 0, Qt::AlignHCenter);
    setMinimumWidth(560);

    connect(lblWebsite, &ClickableLabel::clicked, this, &frmHelp::lblWebsite_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmHelp::cmdClose_Click);
}

void frmHelp::Form_Load() {
    applyLook(*this);
    makeBold(*lblUpdate);
    // The maker's site as the user would type it; a click opens its help page for this program.
    const QString site = QUrl(webAddress("/")).host();
    lblWebsite->setText(site.isEmpty() ? webAddress("/") : site);
    fitToContents(*this);
}

void frmHelp::lblWebsite_Click() {
    OpenWebDocument(this, webAddress(kHelpPagePath), false);
}

void frmHelp::cmdClose_Click() {
    unload();
}

void frmHelp::Form_Unload(bool& cancel) {
    Q_UNUSED(cancel);
    road().helpClosed();
}

}  // namespace vantor::app

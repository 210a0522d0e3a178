#include "firmware/frmDisplay.h"

#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QVBoxLayout>
#include <optional>

#include "app/Controls.h"
#include "app/Look.h"
#include "app/Program.h"
#include "app/frmQuit.h"
#include "app/frmWelcome.h"
#include "scale/PortDiscovery.h"
#include "scale/ScaleLink.h"

namespace vantor::firmware {

using app::program;

namespace {

constexpr int kPages = 512;

// The menu's two commands, with the chosen one marked.
struct PortCaptions {
    const char* comm1;
    const char* comm2;
};
constexpr PortCaptions kComm1Chosen{"-> COM1 <-", "   COM2   "};
constexpr PortCaptions kComm2Chosen{"   COM1   ", "-> COM2 <-"};

}  // namespace

frmDisplay::frmDisplay() {
    setWindowTitle(QStringLiteral("Vantor Scale Update"));

    auto* menuBar = new QMenuBar(this);
    menuBar->setObjectName(QStringLiteral("menuBar"));
    mnuPort = menuBar->addMenu(QStringLiteral("&PC Port"));
    mnuPort->setObjectName(QStringLiteral("mnuPort"));
    mnuComm1 = mnuPort->addAction(QStringLiteral("COM1"));
    mnuComm1->setObjectName(QStringLiteral("mnuComm1"));
    mnuComm2 = mnuPort->addAction(QStringLiteral("COM2"));
    mnuComm2->setObjectName(QStringLiteral("mnuComm2"));

    lblStatus = app::makeLabel(this, "lblStatus");
    lblVersion = app::makeLabel(this, "lblVersion");
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, kPages);
    ProgressBar1->setVisible(false);

    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(menuBar);
    layout->setContentsMargins(24, 12, 24, 24);
    layout->addWidget(lblStatus);
    layout->addWidget(ProgressBar1);
    layout->addWidget(lblVersion);
    setMinimumWidth(520);

    connect(mnuComm1, &QAction::triggered, this, &frmDisplay::mnuComm1_Click);
    connect(mnuComm2, &QAction::triggered, this, &frmDisplay::mnuComm2_Click);
}

void frmDisplay::Form_Load() {
    app::applyLook(*this);
    lblVersion->setText(program().form<app::frmWelcome>().lblVersion->text());
    AskExit = true;
}

void frmDisplay::Form_Unload(bool& cancel) {
    if (!AskExit)
        return;
    app::frmQuit::askToQuit(this);
    cancel = true;
}

void frmDisplay::mnuComm1_Click() {
    mnuComm1->setText(QLatin1String(kComm1Chosen.comm1));
    mnuComm2->setText(QLatin1String(kComm1Chosen.comm2));
    selectPort(0);
}

void frmDisplay::mnuComm2_Click() {
    mnuComm1->setText(QLatin1String(kComm2Chosen.comm1));
    mnuComm2->setText(QLatin1String(kComm2Chosen.comm2));
    selectPort(1);
}

void frmDisplay::selectPort(std::size_t index) {
    const std::vector<std::string> ports = scale::EnumPorts();
    if (index >= ports.size()) {
        showPortError(QStringLiteral("COM%1 is not present on this computer.").arg(index + 1));
        return;
    }
    TogglePort(QString::fromStdString(ports[index]));
}

void frmDisplay::TogglePort(const QString& portName) {
    const bool started = program().scale().run(
        [portName](scale::SerialTransport& transport) -> std::optional<QString> {
            transport.close();
            transport.setPortName(portName);
            if (const auto failure = transport.open())
                return failure->detail;
            return std::nullopt;
        },
        this,
        [this](std::optional<QString> failure) {
            if (failure && !program().ended())
                showPortError(*failure);
        });
    if (!started)
        showPortError(QStringLiteral("The scale link is busy; try again when the scale has answered."));
}

void frmDisplay::showPortError(const QString& description) {
    program().dialogs().ask(this, {QStringLiteral("Vantor PC Program"), description,
                                   app::Message::Icon::Exclamation, app::Message::Buttons::Ok});
}

bool frmDisplay::RdSN(std::function<void(QString)> done) {
    return program().scale().run(
        [](scale::SerialTransport& transport) {
            if (!transport.isOpen() && transport.open())
                return scale::SerialRead{};
            return scale::RdSN(transport);
        },
        this,
        [this, done = std::move(done)](scale::SerialRead read) {
            ScaleCom = read.scaleCom;
            done(QString::fromStdString(read.serial));
        });
}

}  // namespace vantor::firmware

#include "ui/scale/frmChoosePort.h"

#include <QLabel>
#include <QPushButton>

#include "core/scale/ScaleLink.h"
#include "core/scale/SerialNumber.h"
#include "platform/scale/AccessRemedy.h"
#include "platform/scale/PortDetector.h"
#include "platform/scale/PortDiscovery.h"
#include "ui/app/Controls.h"
#include "ui/app/Look.h"
#include "ui/app/Program.h"

namespace vantor::scale {

using app::program;

frmChoosePort::frmChoosePort() : m_detectionLimit(kSerialReadLimit) {
    setWindowTitle(QStringLiteral("Connect Scale to Computer"));
    lblChoose = app::makeLabel(
        this, "lblChoose",
        QStringLiteral(
            "Please close all other windows until your scale is successfully updated. Connect your scale "
            "to your computer and turn it on. Then, click Continue button to check the scale connection "
            "and proceed with update. Latest versions of PC Program and scale software will be checked "
            "also."));
    cmdContinue = app::makeButton(this, "cmdContinue", QStringLiteral("&Continue"));

    app::layOutMessage(*this, lblChoose, {cmdContinue}, 520);

    connect(cmdContinue, &QPushButton::clicked, this, &frmChoosePort::cmdContinue_Click);
}

void frmChoosePort::Form_Load() {
    setWindowTitle(QStringLiteral("Connect Scale to Computer"));
    app::applyLook(*this);
    AskExit = true;
    app::fitToContents(*this);
    EnumPorts();
}

void frmChoosePort::EnumPorts() {
    PortList = scale::EnumPorts();
}

bool frmChoosePort::CheckSerial(const QString& Serial) {
    return scale::CheckSerial(Serial.toStdString());
}

void frmChoosePort::cmdContinue_Click() {
    // One scan at a time: a second click would queue a second scan behind the first.
    if (m_detecting)
        return;
    m_detecting = true;
    cmdContinue->setEnabled(false);
    setWindowTitle(QStringLiteral("Checking Scale Connection to Computer...."));
    setHourglass(true);
    // The link busy with another exchange (the user has been told): the form stays as it was.
    if (!DetectPort([this](const DetectionResult& result) { detectionFinished(result); })) {
        m_detecting = false;
        cmdContinue->setEnabled(true);
        setHourglass(false);
    }
}

bool frmChoosePort::DetectPort(std::function<void(const DetectionResult&)> done) {
    const auto& cancel = scaleCancelFlag();
    return runOnScale(
        [ports = PortList, limit = m_detectionLimit, &cancel](SerialTransport& transport) {
            transport.close();
            DetectionResult result = PortDetector(limit).detect(ports, &cancel);
            // The scale's port stays selected for the steps that follow, and closed until they open it.
            if (result.found()) {
                transport.setPortName(QString::fromStdString(*result.port));
                transport.setScaleSerial(result.serial);
            }
            return result;
        },
        done);
}

void frmChoosePort::detectionFinished(const DetectionResult& result) {
    m_detecting = false;
    cmdContinue->setEnabled(true);
    setHourglass(false);
    if (program().ended())
        return;

    if (!result.found())
        ErrorPort = true;
    app::road().detectionFinished(result, QString::fromStdString(accessHint(result, accessDeniedRemedy())));
    AskExit = false;
    unload();
}

void frmChoosePort::Form_Unload(bool& cancel) {
    if (!AskExit)
        return;
    app::road().askToQuit(this, cancel);
}

}  // namespace vantor::scale

#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "core/scale/DetectionRound.h"
#include "ui/app/Form.h"

class QLabel;
class QPushButton;

namespace vantor::scale {

// The first step of every scale operation: asks the user to connect the scale and, on Continue,
// finds the port on which it answers. The port found stays selected, closed, in the scale worker.
class frmChoosePort : public app::Form {
    Q_OBJECT
public:
    frmChoosePort();

    // The serial ports in detection order, enumerated at each load.
    std::vector<std::string> PortList;
    // The last detection failed; the error dialog's Retry comes back here while it is set.
    bool ErrorPort = false;
    bool AskExit = false;

    QLabel* lblChoose;
    QPushButton* cmdContinue;

    void cmdContinue_Click();
    void EnumPorts();
    // The format test of a scale serial number: exactly 8 characters, each '0'..'9'.
    static bool CheckSerial(const QString& Serial);

    // How long silent ports are waited for (the serial-number read's own limit by default).
    void setDetectionLimit(std::chrono::milliseconds limit) { m_detectionLimit = limit; }

protected:
    void Form_Load() override;
    void Form_Unload(bool& cancel) override;

private:
    // Runs the detection on the scale worker; `done` gets the result on this thread.
    bool DetectPort(std::function<void(const DetectionResult&)> done);
    void detectionFinished(const DetectionResult& result);

    std::chrono::milliseconds m_detectionLimit;
    bool m_detecting = false;
};

}  // namespace vantor::scale

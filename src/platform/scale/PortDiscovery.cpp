#include "platform/scale/PortDiscovery.h"

#include <QFileInfo>
#include <QSerialPortInfo>
#include <QString>
#include <QStringList>

#include "core/scale/PortOrder.h"

namespace vantor::scale {

namespace {

std::vector<std::string> extraPorts() {
    std::vector<std::string> ports;
    const QString listed = qEnvironmentVariable("VANTOR_SERIAL_PORTS");
    for (const QString& path : listed.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        ports.push_back(path.trimmed().toStdString());
    return ports;
}

std::string deviceName(const QSerialPortInfo& info) {
#ifdef Q_OS_WIN
    return info.portName().toStdString();  // COM3
#else
    return info.systemLocation().toStdString();  // /dev/ttyUSB0
#endif
}

}  // namespace

std::vector<std::string> EnumPorts() {
    // The extra paths come first so that a machine with many system ports cannot push them out.
    std::vector<std::string> listed = extraPorts();
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        listed.push_back(deviceName(info));
    return orderPorts(distinctDevices(listed));
}

std::vector<std::string> distinctDevices(const std::vector<std::string>& ports) {
    std::vector<std::string> distinct;
    QStringList devices;
    for (const std::string& port : ports) {
        const QString name = QString::fromStdString(port);
        const QString canonical = QFileInfo(name).canonicalFilePath();
        const QString device = canonical.isEmpty() ? name : canonical;
        if (devices.contains(device))
            continue;
        devices << device;
        distinct.push_back(port);
    }
    return distinct;
}

}  // namespace vantor::scale

#include "platform/scale/PortDiscovery.h"

#include <QFileInfo>
#include <QString>
#include <QStringList>

#include "core/scale/PortOrder.h"

#ifdef Q_OS_WIN
#include <windows.h>
#undef EnumPorts  // the printer-port call of winspool.h, which would rename ours

#include <QRegularExpression>
#else
#include <QSerialPortInfo>
#endif

namespace vantor::scale {

namespace {

std::vector<std::string> listedPorts(const char* variable) {
    std::vector<std::string> ports;
    const QString listed = qEnvironmentVariable(variable);
#ifdef Q_OS_WIN
    // COM names hold neither separator; ';' is what Windows lists paths with.
    const QRegularExpression separator(QStringLiteral("[:;]"));
#else
    const QChar separator(QLatin1Char(':'));
#endif
    for (const QString& path : listed.split(separator, Qt::SkipEmptyParts))
        ports.push_back(path.trimmed().toStdString());
    return ports;
}

#ifdef Q_OS_WIN
// The ports the system has: the values of HKLM\HARDWARE\DEVICEMAP\SERIALCOMM, each a COM name
// under the driver's own device name.
std::vector<std::string> systemPorts() {
    std::vector<std::string> ports;
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS)
        return ports;
    for (DWORD index = 0;; ++index) {
        wchar_t valueName[256];
        DWORD nameLength = 256;
        wchar_t data[256] = {};
        DWORD dataSize = sizeof(data) - sizeof(wchar_t);  // room for the terminator it may lack
        DWORD type = 0;
        const LONG result = ::RegEnumValueW(key, index, valueName, &nameLength, nullptr, &type,
                                            reinterpret_cast<BYTE*>(data), &dataSize);
        if (result == ERROR_NO_MORE_ITEMS)
            break;
        if (result == ERROR_SUCCESS && type == REG_SZ)
            ports.push_back(QString::fromWCharArray(data).trimmed().toStdString());  // COM3
    }
    ::RegCloseKey(key);
    return ports;
}
#else
std::vector<std::string> systemPorts() {
    std::vector<std::string> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        ports.push_back(info.systemLocation().toStdString());  // /dev/ttyUSB0
    return ports;
}
#endif

}  // namespace

std::vector<std::string> EnumPorts() {
    // Only the ports named: a machine on another port (COM1) is never probed. Set but empty, no port.
    if (qEnvironmentVariableIsSet(kOnlyPortsVariable))
        return orderPorts(distinctDevices(listedPorts(kOnlyPortsVariable)));
    // The extra paths come first so that a machine with many system ports cannot push them out.
    std::vector<std::string> listed = listedPorts("VANTOR_SERIAL_PORTS");
    for (std::string& port : systemPorts())
        listed.push_back(std::move(port));
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

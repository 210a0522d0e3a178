#include "scale/PortDetector.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QSerialPort>
#include <QTimer>
#include <memory>

#include "scale/ScaleLog.h"
#include "scale/ScaleProtocol.h"
#include "scale/SerialTransport.h"

namespace vantor::scale {

namespace {

constexpr std::chrono::milliseconds kCancelCheck{100};

std::unique_ptr<QSerialPort> openProbe(const std::string& name, DetectionRound& round, std::size_t index) {
    auto port = std::make_unique<QSerialPort>();
    port->setPortName(QString::fromStdString(name));
    if (!port->open(QIODevice::ReadWrite)) {
        qCDebug(lcScale) << "detect: cannot open" << name.c_str() << port->errorString();
        round.portRefused(index, problemOf(port->error(), QString::fromStdString(name)),
                          port->errorString().toStdString());
        return nullptr;
    }
    applyLineSettings(*port);
    port->clear(QSerialPort::Input);
    const Bytes command = readPageCommand(kSerialAddress);
    if (port->write(reinterpret_cast<const char*>(command.data()), static_cast<qint64>(command.size())) !=
        static_cast<qint64>(command.size())) {
        round.portRefused(index, PortProblem::Other, port->errorString().toStdString());
        return nullptr;
    }
    qCDebug(lcScale).noquote() << name.c_str() << "->" << QString::fromStdString(toHex(command, true))
                               << "(detect)";
    return port;
}

}  // namespace

DetectionResult PortDetector::detect(const std::vector<std::string>& ports, const std::atomic<bool>* cancel,
                                     DetectionGoal goal) {
    DetectionRound round(ports, goal);
    std::vector<std::unique_ptr<QSerialPort>> probes(ports.size());
    QEventLoop loop;
    QElapsedTimer sinceProbes;  // every port is asked at once: one clock times all the answers
    sinceProbes.start();

    // Reads every port that has bytes, in detection order, so that answers arriving together are
    // judged together and the lowest port wins.
    const auto evaluate = [&] {
        for (std::size_t i = 0; i < probes.size(); ++i) {
            if (!probes[i] || !round.waitingFor(i))
                continue;
            if (probes[i]->error() != QSerialPort::NoError &&
                probes[i]->error() != QSerialPort::TimeoutError) {
                round.portLost(i);
                probes[i]->close();  // an unplugged device would keep reporting errors
                continue;
            }
            if (probes[i]->bytesAvailable() == 0)
                continue;
            const QByteArray data = probes[i]->readAll();
            const std::span bytes(reinterpret_cast<const Byte*>(data.constData()),
                                  static_cast<std::size_t>(data.size()));
            qCDebug(lcScale).noquote()
                << ports[i].c_str() << "<-" << QString::fromStdString(toHex(bytes, true))
                << QStringLiteral("(%1 bytes, +%2 ms, detect)").arg(data.size()).arg(sinceProbes.elapsed());
            round.bytesArrived(i, bytes);
        }
        if (round.finished())
            loop.quit();
    };

    for (std::size_t i = 0; i < ports.size(); ++i) {
        probes[i] = openProbe(ports[i], round, i);
        if (!probes[i])
            continue;
        QObject::connect(probes[i].get(), &QSerialPort::readyRead, &loop, evaluate, Qt::QueuedConnection);
        QObject::connect(probes[i].get(), &QSerialPort::errorOccurred, &loop, evaluate, Qt::QueuedConnection);
    }

    if (!round.finished()) {
        QTimer deadline;
        deadline.setSingleShot(true);
        // A coarse timer may fire up to 5 % early, cutting off a scale that answers near the limit.
        deadline.setTimerType(Qt::PreciseTimer);
        QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
        deadline.start(m_limit);
        QTimer cancelCheck;
        QObject::connect(&cancelCheck, &QTimer::timeout, &loop, [&] {
            if (cancel && cancel->load())
                loop.quit();
        });
        cancelCheck.start(kCancelCheck);
        loop.exec();
        evaluate();  // bytes that arrived with the deadline
    }

    for (std::size_t i = 0; i < probes.size(); ++i) {
        if (!probes[i])
            continue;
        if (round.waitingFor(i))
            qCDebug(lcScale).noquote()
                << ports[i].c_str()
                << QStringLiteral("no answer after %1 ms (detect)").arg(sinceProbes.elapsed());
        probes[i]->close();
    }
    const DetectionResult result = round.result();
    qCDebug(lcScale) << "detect:" << (result.found() ? result.port->c_str() : "no scale");
    return result;
}

}  // namespace vantor::scale

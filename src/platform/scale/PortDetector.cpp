#include "platform/scale/PortDetector.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <memory>

#include "core/scale/ScaleProtocol.h"
#include "platform/scale/ScaleLog.h"
#include "platform/scale/SerialTransport.h"

namespace vantor::scale {

namespace {

constexpr std::chrono::milliseconds kCancelCheck{100};
// A scale answers the serial-number read in a fraction of a second. Once one has answered, the
// ports before it in port order are awaited this long, not their whole time limit: a scale there
// still comes first, and a silent port (a computer's own COM port) costs a second, not ten.
constexpr std::chrono::milliseconds kEarlierPortsGrace{1000};

std::unique_ptr<SerialTransport> openProbe(const std::string& name, DetectionRound& round,
                                           std::size_t index) {
    auto probe = std::make_unique<SerialTransport>();
    probe->setPortName(QString::fromStdString(name));
    probe->setProbe(true);
    if (const auto failure = probe->open()) {
        qCDebug(lcScale) << "detect: cannot open" << name.c_str() << failure->detail;
        round.portRefused(index, failure->problem, failure->detail.toStdString());
        return nullptr;
    }
    if (!handOver(*probe, readPageCommand(kSerialAddress))) {
        round.portRefused(index, PortProblem::Other, probe->port().errorString().toStdString());
        return nullptr;
    }
    return probe;
}

}  // namespace

DetectionResult PortDetector::detect(const std::vector<std::string>& ports, const std::atomic<bool>* cancel,
                                     DetectionGoal goal) {
    DetectionRound round(ports, goal);
    std::vector<std::unique_ptr<SerialTransport>> probes(ports.size());
    QEventLoop loop;
    QTimer earlierPorts;
    earlierPorts.setSingleShot(true);
    QObject::connect(&earlierPorts, &QTimer::timeout, &loop, &QEventLoop::quit);
    QElapsedTimer sinceProbes;  // every port is asked at once: one clock times all the answers
    sinceProbes.start();

    // Reads every port that has bytes, in detection order, so that answers arriving together are
    // judged together and the lowest port wins.
    const auto evaluate = [&] {
        for (std::size_t i = 0; i < probes.size(); ++i) {
            if (!probes[i] || !round.waitingFor(i))
                continue;
            const SerialTransport::Port& port = probes[i]->port();
            if (port.error() != SerialTransport::Port::NoError &&
                port.error() != SerialTransport::Port::TimeoutError) {
                round.portLost(i);
                probes[i]->close();  // an unplugged device would keep reporting errors
                continue;
            }
            if (port.bytesAvailable() > 0)
                round.bytesArrived(i, probes[i]->readAvailable());
        }
        if (round.finished())
            loop.quit();
        else if (goal == DetectionGoal::FirstScale && round.aScaleHasAnswered() && !earlierPorts.isActive())
            earlierPorts.start(kEarlierPortsGrace);
    };

    for (std::size_t i = 0; i < ports.size(); ++i) {
        probes[i] = openProbe(ports[i], round, i);
        if (!probes[i])
            continue;
        QObject::connect(&probes[i]->port(), &SerialTransport::Port::readyRead, &loop, evaluate,
                         Qt::QueuedConnection);
        QObject::connect(&probes[i]->port(), &SerialTransport::Port::errorOccurred, &loop, evaluate,
                         Qt::QueuedConnection);
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

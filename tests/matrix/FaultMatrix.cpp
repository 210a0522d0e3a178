#include "FaultMatrix.h"

#include <algorithm>
#include <iomanip>
#include <map>
#include <sstream>

namespace vantor::matrix {

const char* nameOf(Operation operation) {
    switch (operation) {
        case Operation::Detection:
            return "detection";
        case Operation::SerialRead:
            return "serial-number read";
        case Operation::WholeImage:
            return "whole-image run";
        case Operation::KeyProgramming:
            return "key programming";
        case Operation::ZoneProgramming:
            return "zone programming";
    }
    return "?";
}

const char* nameOf(Fault fault) {
    switch (fault) {
        case Fault::Lost:
            return "lost";
        case Fault::Refusal:
            return "refusal";
        case Fault::Corrupted:
            return "corrupt";
        case Fault::WrongEcho:
            return "echo";
        case Fault::OneByteShort:
            return "short";
        case Fault::ExtraBytes:
            return "extra";
        case Fault::DelayUnder:
            return "delay<";
        case Fault::DelayOver:
            return "delay>";
        case Fault::HangUp:
            return "hang-up";
    }
    return "?";
}

const char* nameOf(Position position) {
    switch (position) {
        case Position::First:
            return "first";
        case Position::Middle:
            return "middle";
        case Position::Last:
            return "last";
        case Position::Repeated:
            return "repeated";
    }
    return "?";
}

const char* nameOf(Outcome outcome) {
    switch (outcome) {
        case Outcome::Success:
            return "success";
        case Outcome::Failure:
            return "failure";
        case Outcome::SerialNumberWrong:
            return "\"Serial number wrong\"";
        case Outcome::WrongSuccess:
            return "success with a wrong answer";
        case Outcome::PortRefused:
            return "port refused";
    }
    return "?";
}

MatrixReport& MatrixReport::instance() {
    static MatrixReport report;
    return report;
}

void MatrixReport::record(const CellResult& result) {
    const std::lock_guard lock(m_mutex);
    m_results.push_back(result);
}

bool MatrixReport::empty() const {
    const std::lock_guard lock(m_mutex);
    return m_results.empty();
}

void MatrixReport::print(std::ostream& out) const {
    const std::lock_guard lock(m_mutex);
    struct Count {
        int passed = 0;
        int total = 0;
    };
    std::map<std::pair<Operation, Fault>, Count> counts;
    int passed = 0;
    for (const CellResult& result : m_results) {
        Count& count = counts[{result.operation, result.cell.fault}];
        ++count.total;
        if (result.passed()) {
            ++count.passed;
            ++passed;
        }
    }

    constexpr int kRowHead = 20;
    constexpr int kColumn = 9;
    out << "\nFault-injection matrix (cells passed/run; positions first, middle, last, repeated)\n";
    out << std::left << std::setw(kRowHead) << "operation";
    for (Fault fault : kFaults)
        out << std::right << std::setw(kColumn) << nameOf(fault);
    out << '\n';
    for (Operation operation : kOperations) {
        if (std::none_of(m_results.begin(), m_results.end(),
                         [&](const CellResult& r) { return r.operation == operation; }))
            continue;
        out << std::left << std::setw(kRowHead) << nameOf(operation);
        for (Fault fault : kFaults) {
            const auto found = counts.find({operation, fault});
            std::ostringstream cell;
            if (found == counts.end())
                cell << "n/a";
            else
                cell << found->second.passed << '/' << found->second.total;
            out << std::right << std::setw(kColumn) << cell.str();
        }
        out << '\n';
    }
    for (const CellResult& result : m_results) {
        if (result.passed())
            continue;
        out << "FAILED " << nameOf(result.operation) << ", " << nameOf(result.cell.fault) << " at the "
            << nameOf(result.cell.position) << " exchange (" << result.cell.faultText << "):";
        for (const std::string& problem : result.problems)
            out << "\n    " << problem;
        out << '\n';
    }
    const auto failed = static_cast<int>(m_results.size()) - passed;
    out << passed << " passed, " << failed << " failed\n";
}

}  // namespace vantor::matrix

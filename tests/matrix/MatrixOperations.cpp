#include "MatrixOperations.h"

#include <algorithm>
#include <atomic>
#include <stdexcept>

#include "core/firmware/IntelHexLoader.h"
#include "core/firmware/ProgrammingRun.h"
#include "core/keys/KeyBlock.h"
#include "core/keys/KeyProgramming.h"
#include "core/scale/ScaleLink.h"
#include "core/scale/SerialNumber.h"
#include "core/zones/ZoneProgramming.h"
#include "platform/scale/PortDetector.h"
#include "simulation/ScaleModel.h"

namespace vantor::matrix {

namespace {

firmware::ImageBuffer updateImage() {
    const firmware::HexLoad load =
        firmware::IntelHexLoader::loadFile(VANTOR_FIXTURES_DIR "/hex/sample-update.hex");
    if (!load.image)
        throw std::runtime_error("the sample update file does not load: " + load.error.message());
    return *load.image;
}

// A short table, the rest of the block zero: pages with both table bytes and zeros in them.
Bytes keyTable() {
    keys::LongEntries grams{};
    keys::LongEntries cents{};
    for (std::size_t i = 0; i < 12; ++i) {
        grams[i] = static_cast<std::int32_t>(28 * (i + 1));
        cents[i] = static_cast<std::int32_t>(63 + 24 * i);
    }
    return keys::keyBlock(grams, cents);
}

zones::ZoneTablePages zonePages() {
    const zones::ZoneChart chart = zones::ParseString(
        "Zone Chart\r\n3-digit ZIP Code prefix is 123\r\n005 4 006---009 5*\r\n010---012 6\r\n"
        "013---017 7 018 8\r\n967 9\r\n");
    return zones::encodeZoneTable(zones::sortForScale(chart));
}

bool open(scale::SerialTransport& transport, const std::string& device) {
    transport.setPortName(QString::fromStdString(device));
    return !transport.open().has_value();
}

Outcome detect(const std::string& device) {
    const scale::DetectionResult result = scale::PortDetector().detect({device});
    if (!result.found())
        return Outcome::Failure;
    return *result.port == device && result.serial == kScaleSerial ? Outcome::Success : Outcome::WrongSuccess;
}

// As the serial command judges the answer: a reply that fails CheckSerial is no serial number.
Outcome readSerial(scale::ScaleTransport& transport) {
    const scale::SerialRead read = scale::RdSN(transport);
    if (!scale::CheckSerial(read.serial))
        return Outcome::Failure;
    return read.serial == kScaleSerial ? Outcome::Success : Outcome::WrongSuccess;
}

Outcome programImage(scale::ScaleTransport& transport) {
    const std::atomic<bool> cancel{false};
    const firmware::ScaleProgramming programming =
        firmware::programWithCheckedSerial(transport, updateImage(), {}, cancel);
    const scale::OperationResult& result = programming.result;
    if (result.succeeded())
        return Outcome::Success;
    if (result.cancelled())
        return Outcome::WrongSuccess;
    return result.unlockRefused() ? Outcome::SerialNumberWrong : Outcome::Failure;
}

Outcome programKey(scale::ScaleTransport& transport) {
    const std::atomic<bool> cancel{false};
    const scale::OperationResult result = keys::ProgramData(transport, kMatrixKey, keyTable(), {}, cancel);
    return result.succeeded() ? Outcome::Success : Outcome::Failure;
}

Outcome programZones(scale::ScaleTransport& transport) {
    const std::atomic<bool> cancel{false};
    const scale::OperationResult result = zones::ProgramData(transport, zonePages(), {}, cancel);
    return result.succeeded() ? Outcome::Success : Outcome::Failure;
}

}  // namespace

Outcome perform(Operation operation, scale::SerialTransport& transport, const std::string& device) {
    if (operation == Operation::Detection)
        return detect(device);
    if (!open(transport, device))
        return Outcome::PortRefused;
    switch (operation) {
        case Operation::SerialRead:
            return readSerial(transport);
        case Operation::WholeImage:
            return programImage(transport);
        case Operation::KeyProgramming:
            return programKey(transport);
        case Operation::ZoneProgramming:
            return programZones(transport);
        case Operation::Detection:
            break;
    }
    return Outcome::WrongSuccess;
}

Bytes freshMemory() {
    return scale::ScaleModel(kScaleSerial).memory();
}

Bytes expectedMemory(Operation operation) {
    Bytes memory = freshMemory();
    switch (operation) {
        case Operation::Detection:
        case Operation::SerialRead:
            break;
        case Operation::WholeImage: {
            firmware::ImageBuffer image = updateImage();
            image.UpdateSN(kScaleSerial);
            std::copy(image.bytes().begin(), image.bytes().end(), memory.begin());
            break;
        }
        case Operation::KeyProgramming: {
            const Bytes block = keyTable();
            std::copy(block.begin(), block.end(), memory.begin() + keys::keyBlockStart(kMatrixKey));
            break;
        }
        case Operation::ZoneProgramming:
            for (const zones::ZoneTablePage& page : zonePages())
                std::copy(page.bytes.begin(), page.bytes.end(), memory.begin() + page.address);
            break;
    }
    return memory;
}

}  // namespace vantor::matrix

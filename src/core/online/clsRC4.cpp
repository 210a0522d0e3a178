#include "core/online/clsRC4.h"

#include <filesystem>
#include <fstream>
#include <system_error>
#include <utility>

#include "core/scale/Bytes.h"

namespace vantor::online {

namespace fs = std::filesystem;

namespace {

constexpr int kTableSize = 256;
constexpr std::int32_t kComplete = 100;

clsRC4::Bytes toBytes(const std::string& text) {
    return clsRC4::Bytes(text.begin(), text.end());
}

std::string toText(const clsRC4::Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

// One pair (or a last single character) read like a hexadecimal literal: up to the first
// character that is not a digit; no digits give 0.
std::uint8_t readHexNumber(std::string_view digits) {
    int value = 0;
    for (char c : digits) {
        const int digit = hexDigitValue(c);
        if (digit < 0)
            break;
        value = value * 16 + digit;
    }
    return static_cast<std::uint8_t>(value);
}

// The byte after which the next Progress event is due: (percent + 1) / 100 of the data plus one,
// rounded to the nearest integer with halves going to the even one.
std::uint64_t nextProgressPosition(std::uint64_t percent, std::uint64_t total) {
    const std::uint64_t scaled = (percent + 1) * total + 100;  // in hundredths
    std::uint64_t whole = scaled / 100;
    const std::uint64_t remainder = scaled % 100;
    if (remainder > 50 || (remainder == 50 && whole % 2 == 1))
        ++whole;
    return whole;
}

bool isFilePresent(const std::string& path) {
    std::error_code error;
    return fs::is_regular_file(path, error) && !error;
}

bool readWholeFile(const std::string& path, clsRC4::Bytes& data) {
    std::error_code error;
    const std::uintmax_t size = fs::file_size(path, error);
    if (error || size == 0)
        return false;
    std::ifstream in(path, std::ios::binary);
    data.resize(static_cast<std::size_t>(size));
    return static_cast<bool>(
        in.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(size)));
}

// The new content goes to a temporary file beside the target first and then replaces it in one
// step, so a failed write never costs the old OutFile or leaves half a file behind.
bool replaceFile(const std::string& path, const clsRC4::Bytes& data) {
    const fs::path target(path);
    fs::path temporary = target;
    temporary += ".rc4-partial";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
        out.close();
        if (!out) {
            std::error_code ignored;
            fs::remove(temporary, ignored);
            return false;
        }
    }
    std::error_code error;
    fs::rename(temporary, target, error);
    if (error) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        return false;
    }
    return true;
}

}  // namespace

bool clsRC4::Key(const std::string& New_Value) {
    if (New_Value.empty())
        return false;
    if (New_Value == m_key)
        return true;
    m_key = New_Value;
    const std::size_t length = m_key.size();
    for (int i = 0; i < kTableSize; ++i)
        m_state[i] = static_cast<std::uint8_t>(i);
    std::uint8_t j = 0;
    for (int i = 0; i < kTableSize; ++i) {
        j = static_cast<std::uint8_t>(j + m_state[i] + static_cast<std::uint8_t>(m_key[i % length]));
        std::swap(m_state[i], m_state[j]);
    }
    ++m_keySchedules;
    return true;
}

void clsRC4::applyKeyArgument(const std::string& key) {
    if (!key.empty())
        Key(key);
}

void clsRC4::transform(Bytes& data) {
    std::array<std::uint8_t, 256> state = m_state;  // the stored schedule is never consumed
    std::uint8_t i = 0;
    std::uint8_t j = 0;
    const std::uint64_t total = data.size();
    std::uint64_t nextPercentAt = 0;
    std::int32_t currentPercent = 0;
    for (std::uint64_t p = 0; p < total; ++p) {
        i = static_cast<std::uint8_t>(i + 1);
        j = static_cast<std::uint8_t>(j + state[i]);
        std::swap(state[i], state[j]);
        data[p] ^= state[static_cast<std::uint8_t>(state[i] + state[j])];

        if (p >= nextPercentAt) {
            currentPercent = static_cast<std::int32_t>(p * 100 / total);
            nextPercentAt = nextProgressPosition(static_cast<std::uint64_t>(currentPercent), total);
            if (Progress)
                Progress(currentPercent);
        }
    }
    if (currentPercent != kComplete && Progress)
        Progress(kComplete);
}

void clsRC4::EncryptByte(Bytes& byteArray, const std::string& Key) {
    applyKeyArgument(Key);
    transform(byteArray);
}

void clsRC4::DecryptByte(Bytes& byteArray, const std::string& Key) {
    EncryptByte(byteArray, Key);
}

std::string clsRC4::EncryptString(const std::string& Text, const std::string& Key, bool OutputInHex) {
    Bytes bytes = toBytes(Text);
    EncryptByte(bytes, Key);
    std::string encrypted = toText(bytes);
    return OutputInHex ? HexEncodeText(encrypted) : encrypted;
}

std::string clsRC4::DecryptString(const std::string& Text, const std::string& Key, bool IsTextInHex) {
    Bytes bytes = toBytes(IsTextInHex ? HexDecodeText(Text) : Text);
    DecryptByte(bytes, Key);
    return toText(bytes);
}

bool clsRC4::transformFile(const std::string& inFile, const std::string& outFile, bool overwrite,
                           const std::string& key) {
    if (!isFilePresent(inFile))
        return false;
    std::error_code error;
    if (!overwrite && fs::exists(outFile, error))
        return false;
    Bytes data;
    if (!readWholeFile(inFile, data))
        return false;
    EncryptByte(data, key);
    return replaceFile(outFile, data);
}

bool clsRC4::EncryptFile(const std::string& InFile, const std::string& OutFile, bool Overwrite,
                         const std::string& Key) {
    return transformFile(InFile, OutFile, Overwrite, Key);
}

bool clsRC4::DecryptFile(const std::string& InFile, const std::string& OutFile, bool Overwrite,
                         const std::string& Key) {
    return transformFile(InFile, OutFile, Overwrite, Key);
}

std::string HexEncodeText(const std::string& text) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    hex.reserve(text.size() * 2);
    for (unsigned char c : text) {
        hex += kDigits[c >> 4];
        hex += kDigits[c & 0x0F];
    }
    return hex;
}

std::string HexDecodeText(const std::string& text) {
    std::string bytes;
    bytes.reserve(text.size() / 2 + 1);
    const std::string_view view(text);
    for (std::size_t p = 0; p < view.size(); p += 2)
        bytes += static_cast<char>(readHexNumber(view.substr(p, 2)));
    return bytes;
}

}  // namespace vantor::online

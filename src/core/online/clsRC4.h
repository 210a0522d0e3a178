#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vantor::online {

// The RC4 stream cipher over byte arrays, strings and whole files. Encrypting and decrypting are
// the same operation. The key schedule runs only when the key changes; every call starts the
// keystream from its beginning on a copy of the schedule, so a statement and its reply can be
// handled by one instance in any order.
//
// Strings carry one byte per character (the system's texts are plain ASCII), so any byte value
// can travel in a std::string.
class clsRC4 {
public:
    using Bytes = std::vector<std::uint8_t>;

    // Raised while an array is transformed, throttled to about one event per percent: the first
    // event is 0 (after the first byte), the last is 100.
    std::function<void(std::int32_t Percent)> Progress;

    // Whole files, in memory, one pass. False when InFile is missing or empty, when OutFile exists
    // and Overwrite is false, or when reading or writing fails; OutFile is then left as it was.
    bool EncryptFile(const std::string& InFile, const std::string& OutFile, bool Overwrite,
                     const std::string& Key = {});
    bool DecryptFile(const std::string& InFile, const std::string& OutFile, bool Overwrite,
                     const std::string& Key = {});

    void DecryptByte(Bytes& byteArray, const std::string& Key = {});
    std::string EncryptString(const std::string& Text, const std::string& Key = {}, bool OutputInHex = false);
    std::string DecryptString(const std::string& Text, const std::string& Key = {}, bool IsTextInHex = false);
    void EncryptByte(Bytes& byteArray, const std::string& Key = {});

    // Sets the key; the schedule is recomputed only when the value differs from the stored key.
    // An empty key has no schedule: it is refused (false) and the stored key stays.
    bool Key(const std::string& New_Value);

    // For diagnostics and tests: the schedule of the stored key (all zero before any key), and how
    // many times a schedule was computed.
    const std::array<std::uint8_t, 256>& permutation() const { return m_state; }
    int keySchedules() const { return m_keySchedules; }

private:
    void applyKeyArgument(const std::string& key);
    void transform(Bytes& data);
    bool transformFile(const std::string& inFile, const std::string& outFile, bool overwrite,
                       const std::string& key);

    std::string m_key;
    std::array<std::uint8_t, 256> m_state{};
    int m_keySchedules = 0;
};

// The hexadecimal form: two upper-case digits a byte, no separators.
std::string HexEncodeText(const std::string& text);
// Pairs of characters read as hexadecimal numbers; reading a pair stops at its first character
// that is not a hexadecimal digit (no digits give 0). A last unpaired character is read alone.
std::string HexDecodeText(const std::string& text);

}  // namespace vantor::online

// libFuzzer target for the update file loader: any bytes must give an image or a refusal with a
// line and a reason, never a crash, a hang or a write outside the image.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "firmware/IntelHexLoader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const vantor::firmware::HexLoad load = vantor::firmware::IntelHexLoader::load(text);
    if (!load.image && load.error.reason.empty())
        __builtin_trap();  // a refusal always says why
    return 0;
}

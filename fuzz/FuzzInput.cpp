#include "FuzzInput.h"

std::uint8_t FuzzInput::byte() noexcept {
    if (exhausted()) {
        return 0;
    }
    return data[next++];
}

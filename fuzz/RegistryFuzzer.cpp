// Differential fuzzing of the listener registry: every input is a sequence of
// add, remove, list and unregister-all operations with the host's answers.
#include <cstddef>
#include <cstdint>

#include "FuzzInput.h"
#include "RegistryDifferential.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    RegistryDifferential().run(input);
    return 0;
}

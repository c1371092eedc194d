// A plug-in that cannot load: the library it links is out of the loader's reach.
#include <cstdint>

#include "FakeDependency.h"
#include "KXMessage.h"
#include "KXPlugin.h"

extern "C" __attribute__((visibility("default"))) std::int32_t PluginMain(KXString, KXString,
                                                                          KXMessage*) {
    return standinFakeDependencyAnswer();
}

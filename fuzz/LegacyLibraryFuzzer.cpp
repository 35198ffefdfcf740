// libFuzzer target: the older release's library database file, as the start-up imports it.

#include "ImportFuzzing.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    orvfuzz::writeSeedsIfAsked(*argc, *argv, orvfuzz::legacyDatabaseSeeds());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    orvfuzz::abortOnProblems(orvfuzz::importLegacyDatabase(
        QByteArray(reinterpret_cast<const char*>(data), qsizetype(size))));
    return 0;
}

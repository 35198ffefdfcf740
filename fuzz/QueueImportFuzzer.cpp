// libFuzzer target: the older release's download-queue file, as the start-up imports it.

#include "ImportFuzzing.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    orvfuzz::writeSeedsIfAsked(*argc, *argv, orvfuzz::queueSeeds());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    orvfuzz::abortOnProblems(
        orvfuzz::importQueueFile(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size))));
    return 0;
}

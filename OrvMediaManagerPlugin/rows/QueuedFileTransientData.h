#pragma once

// Download state of one queued node that lives only in memory. It outlives the row objects of
// its node: the library keeps it per node id, and every queued-file object built for that node
// shares it. The fields' meaning belongs to the host; the library only keeps them.

#include "DownloadInfo.h"
#include "RefCounted.h"

#include <QVariant>

#include <atomic>

namespace VireoStudio {

class QueuedFileTransientData : public vtl::IRefCounted {
public:
    int addRef() override { return ++count; }
    int release() override {
        const int left = --count;
        if (left <= 0) {
            delete this;
            return 0;
        }
        return left;
    }
    int refCount() const override { return count; }

    QVariant number1;                     // unsigned 64-bit
    QVariant number2;                     // 64-bit
    QVariant number3;                     // 64-bit
    QVariant number4 = QVariant(int(-1)); // int
    QVariant flag1 = QVariant(false);
    QVariant flag2 = QVariant(false);
    QVariant flag3 = QVariant(false);
    QVariant flag4 = QVariant(true);
    QVariant flag5 = QVariant(false);
    QVariant number5; // 64-bit
    DownloadInfo downloadInfo;

private:
    // Atomic for the same reason as a row's count: the library and the host may drop their
    // references on different threads.
    std::atomic<int> count{0};
};

} // namespace VireoStudio

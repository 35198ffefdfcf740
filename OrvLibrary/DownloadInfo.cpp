#include "DownloadInfo.h"

namespace VireoStudio {

DownloadInfo::DownloadInfo() = default;
DownloadInfo::DownloadInfo(const DownloadInfo& other) = default;
DownloadInfo& DownloadInfo::operator=(const DownloadInfo& other) = default;
DownloadInfo::~DownloadInfo() = default;

QVariant DownloadInfo::value(const QString& key) const {
    return values.value(key);
}

void DownloadInfo::setValue(const QString& key, const QVariant& value) {
    values.insert(key, value);
}

bool DownloadInfo::isEmpty() const {
    return values.isEmpty();
}

bool DownloadInfo::operator==(const DownloadInfo& other) const {
    return values == other.values;
}

} // namespace VireoStudio

#pragma once

// The host's description of one download, kept by value in a queued file's transient state.
// Its content belongs to the host; the plugin only stores and hands it out.

#include "HostExport.h"

#include <QString>
#include <QVariant>
#include <QVariantMap>

namespace VireoStudio {

class ORV_HOST_EXPORT DownloadInfo {
public:
    DownloadInfo();
    DownloadInfo(const DownloadInfo& other);
    DownloadInfo& operator=(const DownloadInfo& other);
    ~DownloadInfo();

    QVariant value(const QString& key) const;
    void setValue(const QString& key, const QVariant& value);
    bool isEmpty() const;
    bool operator==(const DownloadInfo& other) const;

private:
    QVariantMap values;
};

} // namespace VireoStudio

#pragma once

/// @file
/// The host's description of one download, kept by value in a queued file's transient state.
/// Its content belongs to the host; the plugin only stores and hands it out.

#include "HostExport.h"

#include <QString>
#include <QVariant>
#include <QVariantMap>

namespace VireoStudio {

/// The host's description of one download: named values the host's download manager keeps
/// with a queued file (MediaManagerInterface::QueuedFileInterface::getDownloadInfo). It lives
/// in memory only, never in the library file.
class ORV_HOST_EXPORT DownloadInfo {
public:
    /// An empty description.
    DownloadInfo();
    /// A copy of @p other's values.
    DownloadInfo(const DownloadInfo& other);
    /// Takes @p other's values.
    DownloadInfo& operator=(const DownloadInfo& other);
    /// Destroys the description.
    ~DownloadInfo();

    /// The value of @p key; an invalid QVariant when it has none.
    QVariant value(const QString& key) const;
    /// Sets the value of @p key.
    void setValue(const QString& key, const QVariant& value);
    /// Whether the description holds no value.
    bool isEmpty() const;
    /// Whether both hold the same keys with equal values.
    bool operator==(const DownloadInfo& other) const;

private:
    QVariantMap values;
};

} // namespace VireoStudio

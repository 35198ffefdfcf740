#pragma once

// Content acquired from a provider: a media file with the provider's name and content id. The
// template serves both plain acquired files and queued downloads (see QueuedFile.h).

#include "rows/Row.h"

namespace VireoStudio {

template <typename T> class AcquiredFileTemplate : public MediaFile<T> {
public:
    // The media_file_type acquired and queued nodes are inserted with.
    static constexpr int kMediaFileType = 0;

    AcquiredFileTemplate(RowOwner* owner, const QUrl& uri, const QString& name)
        : MediaFile<T>(owner, uri, name, kMediaFileType) {}

    bool save() override { return this->attached && this->library().saveAcquiredFile(this); }
    bool remove() override {
        return this->attached && !this->isNew() &&
               this->library().deleteAcquiredFile(this->getId());
    }

    ORV_VALUE_ACCESSORS_IMPL(ContentProvider, QString, contentProvider)
    bool isContentIdNull() const override { return orv::isNotSet(contentId); }
    quint64 getContentId() const override { return orv::numberAs<quint64>(contentId); }
    bool setContentId(const quint64& value) override {
        contentId = QVariant(value);
        return true;
    }
    bool clearContentId() override {
        contentId = QVariant();
        return true;
    }

    QVariant contentProvider; // acquired_file.content_provider, text
    QVariant contentId;       // acquired_file.content_id, unsigned 64-bit
};

typedef AcquiredFileTemplate<MediaManagerInterface::AcquiredFileInterface> AcquiredFile;

} // namespace VireoStudio

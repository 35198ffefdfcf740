#pragma once

// A download in the queue: an acquired file with its download URL, temporary file, status and
// progress, plus the in-memory download state it shares with every other object of its node.

#include "rows/AcquiredFile.h"
#include "rows/QueuedFileTransientData.h"

// Flags of the transient state: a null test, a getter (false when the value is no bool) and a
// setter.
#define ORV_FLAG_ACCESSORS_IMPL(Name, field)                                                       \
    bool is##Name##Null() const override {                                                         \
        return orv::isNotSet(field);                                                               \
    }                                                                                              \
    bool get##Name() const override {                                                              \
        return field.toBool();                                                                     \
    }                                                                                              \
    bool set##Name(const bool& value) override {                                                   \
        field = QVariant(value);                                                                   \
        return true;                                                                               \
    }

namespace VireoStudio {

class QueuedFile : public AcquiredFileTemplate<MediaManagerInterface::QueuedFileInterface> {
public:
    // The status of a new download, and of one put back to the start.
    static constexpr int kNewDownloadStatus = 1;

    QueuedFile(RowOwner* owner, vtl::RefCountedPtr<QueuedFileTransientData> sharedTransientData,
               const QUrl& uri, const QString& name, const QUrl& downloadUrl)
        : AcquiredFileTemplate(owner, uri, name), downloadUrl(orv::urlText(downloadUrl)),
          transientData(std::move(sharedTransientData)) {
        if (!transientData)
            transientData =
                vtl::RefCountedPtr<QueuedFileTransientData>(new QueuedFileTransientData);
    }

    bool remove() override { return attached && !isNew() && library().deleteQueuedFile(getId()); }

    // URLs are held as their stored text, as the node's URI is, so that a text QUrl cannot parse
    // still round-trips unchanged.
    bool isTempUriNull() const override { return orv::isNotSet(tempUri); }
    QUrl getTempUri() const override { return orv::urlFromText(tempUri.toString()); }
    bool setTempUri(const QUrl& value) override {
        tempUri = orv::urlText(value);
        return true;
    }
    bool clearTempUri() override {
        tempUri = QVariant();
        return true;
    }
    bool isDownloadUrlNull() const override { return orv::isNotSet(downloadUrl); }
    QUrl getDownloadUrl() const override { return orv::urlFromText(downloadUrl.toString()); }
    bool setDownloadUrl(const QUrl& value) override {
        downloadUrl = orv::urlText(value);
        return true;
    }
    bool isDownloadStatusNull() const override { return orv::isNotSet(downloadStatus); }
    int getDownloadStatus() const override { return orv::numberAs<qint32>(downloadStatus); }
    bool setDownloadStatus(const int& value) override {
        downloadStatus = value;
        return true;
    }
    ORV_NUMERIC_GETTERS_IMPL(PercentComplete, percentComplete)

    // The transient download state.
    bool isNumber1Null() const override { return orv::isNotSet(transientData->number1); }
    quint64 getNumber1() const override { return orv::numberAs<quint64>(transientData->number1); }
    bool setNumber1(const quint64& value) override {
        transientData->number1 = QVariant(value);
        return true;
    }
    bool clearNumber1() override {
        transientData->number1 = QVariant();
        return true;
    }
    ORV_NUMERIC_ACCESSORS_IMPL(Number2, transientData->number2)
    ORV_NUMERIC_ACCESSORS_IMPL(Number3, transientData->number3)
    ORV_NUMERIC_ACCESSORS_IMPL(Number4, transientData->number4)
    ORV_FLAG_ACCESSORS_IMPL(Flag1, transientData->flag1)
    ORV_FLAG_ACCESSORS_IMPL(Flag2, transientData->flag2)
    ORV_FLAG_ACCESSORS_IMPL(Flag3, transientData->flag3)
    ORV_FLAG_ACCESSORS_IMPL(Flag4, transientData->flag4)
    ORV_FLAG_ACCESSORS_IMPL(Flag5, transientData->flag5)
    ORV_NUMERIC_ACCESSORS_IMPL(Number5, transientData->number5)
    DownloadInfo getDownloadInfo() const override { return transientData->downloadInfo; }
    bool setDownloadInfo(const DownloadInfo& info) override {
        transientData->downloadInfo = info;
        return true;
    }

    QVariant tempUri;                                            // queued_file.temp_uri, text
    QVariant downloadUrl;                                        // queued_file.download_url, text
    QVariant downloadStatus = QVariant(int(kNewDownloadStatus)); // int
    QVariant percentComplete = QVariant(qint64(0));              // 64-bit
    vtl::RefCountedPtr<QueuedFileTransientData> transientData;
};

} // namespace VireoStudio

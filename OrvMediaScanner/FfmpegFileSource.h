#pragma once

// libavformat reading one open file through our own I/O: the caller's descriptor, read with
// pread under a deadline that every read and the interrupt callback check, and no demuxer may
// open a further file or URL. Every FFmpeg object is owned by a holder that frees it on every
// path. For the modules only: it needs FFmpeg's headers.

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
#include <libavutil/mem.h>
}

#include <QString>

#include <cerrno>
#include <chrono>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace ffmpeg {

typedef std::chrono::steady_clock Clock;

// The file as libavformat reads it: the descriptor, its size, where the next read starts and
// when the work on it must give up.
struct FileSource {
    int fd = -1;
    int64_t size = 0;
    int64_t position = 0;
    Clock::time_point deadline;
    bool expired() const { return Clock::now() > deadline; }

    // Reads the open file descriptor, its work bounded by deadlineMs from now; false with
    // errno set when the file cannot be asked its size.
    bool take(int descriptor, int deadlineMs) {
        struct stat status = {};
        if (fstat(descriptor, &status) != 0)
            return false;
        fd = descriptor;
        size = status.st_size;
        deadline = Clock::now() + std::chrono::milliseconds(deadlineMs);
        return true;
    }
};

// The libraries report damaged files on stderr; the modules report them in their own words.
inline void quietLogs() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

inline int readPacket(void* opaque, uint8_t* buffer, int wanted) {
    auto* source = static_cast<FileSource*>(opaque);
    if (source->expired())
        return AVERROR_EXIT;
    ssize_t got = 0;
    do {
        got = pread(source->fd, buffer, size_t(wanted), source->position);
    } while (got < 0 && errno == EINTR);
    if (got < 0)
        return AVERROR(errno);
    if (got == 0)
        return AVERROR_EOF;
    source->position += got;
    return int(got);
}

inline int64_t seekTo(void* opaque, int64_t offset, int whence) {
    auto* source = static_cast<FileSource*>(opaque);
    switch (whence & ~AVSEEK_FORCE) {
    case AVSEEK_SIZE:
        return source->size;
    case SEEK_SET:
        break;
    case SEEK_CUR:
        offset += source->position;
        break;
    case SEEK_END:
        offset += source->size;
        break;
    default:
        return AVERROR(EINVAL);
    }
    if (offset < 0)
        return AVERROR(EINVAL);
    source->position = offset;
    return offset;
}

inline int interrupted(void* opaque) {
    return static_cast<const FileSource*>(opaque)->expired() ? 1 : 0;
}

inline int refuseNestedOpen(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**) {
    return AVERROR(EPERM);
}

struct IoContextFree {
    void operator()(AVIOContext* io) const {
        av_freep(&io->buffer); // libavformat may have replaced the buffer it was given
        avio_context_free(&io);
    }
};
struct FreshContextFree {
    void operator()(AVFormatContext* context) const { avformat_free_context(context); }
};
struct OpenContextClose {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
struct BufferFree {
    void operator()(void* buffer) const { av_free(buffer); }
};

// The largest picture a decoder opened to learn the streams accepts: 16384 x 8192.
const int64_t kMaxStreamInfoPixels = 16384LL * 8192;

// One dictionary of decoder options per stream for avformat_find_stream_info, freed with it:
// the decoders it opens get a bound on the picture size, so that a header claiming a huge
// picture cannot take the memory.
class StreamOptions {
public:
    explicit StreamOptions(unsigned streams) : dictionaries(streams, nullptr) {
        for (AVDictionary*& options : dictionaries)
            av_dict_set_int(&options, "max_pixels", kMaxStreamInfoPixels, 0);
    }
    ~StreamOptions() {
        for (AVDictionary*& options : dictionaries)
            av_dict_free(&options);
    }
    StreamOptions(const StreamOptions&) = delete;
    StreamOptions& operator=(const StreamOptions&) = delete;
    AVDictionary** get() { return dictionaries.empty() ? nullptr : dictionaries.data(); }

private:
    std::vector<AVDictionary*> dictionaries;
};

// Whether the stream is moving pictures: a video stream that is not an attached cover picture
// or a still image.
inline bool isRealVideo(const AVStream* stream) {
    return stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
           !(stream->disposition & (AV_DISPOSITION_ATTACHED_PIC | AV_DISPOSITION_STILL_IMAGE));
}

inline QString errorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

// A demuxer opened on source within the limits given. The I/O context must outlive the format
// context, so both are held here, the format context first to go.
class OpenFile {
public:
    // Opens source (whose fd, size and deadline are set) as name; false with code set to
    // FFmpeg's error when it cannot be opened.
    bool open(FileSource* source, const char* name, int64_t probeBytes, int64_t analyzeMicroseconds,
              int* code) {
        const int kIoBufferSize = 32 * 1024;
        std::unique_ptr<void, BufferFree> buffer(av_malloc(kIoBufferSize));
        if (!buffer) {
            *code = AVERROR(ENOMEM);
            return false;
        }
        io.reset(avio_alloc_context(static_cast<unsigned char*>(buffer.get()), kIoBufferSize, 0,
                                    source, readPacket, nullptr, seekTo));
        if (!io) {
            *code = AVERROR(ENOMEM);
            return false;
        }
        buffer.release(); // the I/O context owns it now
        std::unique_ptr<AVFormatContext, FreshContextFree> fresh(avformat_alloc_context());
        if (!fresh) {
            *code = AVERROR(ENOMEM);
            return false;
        }
        fresh->pb = io.get();
        fresh->flags |= AVFMT_FLAG_CUSTOM_IO;
        fresh->probesize = probeBytes;
        fresh->max_analyze_duration = analyzeMicroseconds;
        fresh->interrupt_callback.callback = interrupted;
        fresh->interrupt_callback.opaque = source;
        fresh->io_open = refuseNestedOpen;
        // avformat_open_input frees the context itself when it fails.
        AVFormatContext* opening = fresh.release();
        *code = avformat_open_input(&opening, name, nullptr, nullptr);
        if (*code < 0)
            return false;
        format.reset(opening);
        return true;
    }
    AVFormatContext* context() const { return format.get(); }

private:
    std::unique_ptr<AVIOContext, IoContextFree> io;
    std::unique_ptr<AVFormatContext, OpenContextClose> format; // declared last: closed first
};

} // namespace ffmpeg

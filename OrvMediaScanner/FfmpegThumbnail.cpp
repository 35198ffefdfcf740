// The thumbnail module (libOrvMediaThumbnail.so): one frame of an open file, decoded near a tenth
// of its length, scaled with libswscale and written as PNG with QImage.
//
// The frame is found cheaply: a seek to the key frame at or before the point, and a decoder
// that passes over every frame that is not a key frame, so no file is decoded whole. The work
// is bounded like a probe's (bytes to recognise the format, a deadline over reads and decoding,
// a number of packets), and a frame larger than the pixel limit is never decoded.

#include "FfmpegFileSource.h"
#include "ThumbnailRender.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/display.h>
#include <libavutil/mathematics.h>
#include <libswscale/swscale.h>
}

#include <QBuffer>
#include <QImage>
#include <QTransform>

#include <cmath>
#include <cstring>

namespace {

struct CodecContextFree {
    void operator()(AVCodecContext* codec) const { avcodec_free_context(&codec); }
};
struct FrameFree {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketFree {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct ScalerFree {
    void operator()(SwsContext* scaler) const { sws_freeContext(scaler); }
};
typedef std::unique_ptr<AVFrame, FrameFree> FramePointer;

int videoStreamOf(AVFormatContext* context) {
    const int best = av_find_best_stream(context, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (best >= 0 && ffmpeg::isRealVideo(context->streams[best]))
        return best;
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        if (ffmpeg::isRealVideo(context->streams[i]))
            return int(i);
    }
    return -1;
}

// The rotation the stream asks for when shown, in quarter turns clockwise (0 to 3).
int quarterTurns(const AVStream* stream) {
    const uint8_t* matrix = av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, nullptr);
    if (!matrix)
        return 0;
    const double degrees = -av_display_rotation_get(reinterpret_cast<const int32_t*>(matrix));
    if (std::isnan(degrees))
        return 0;
    return int(std::lround(degrees / 90.0)) & 3;
}

// Reads one video frame of stream from where the demuxer stands: key frames only when
// keyOnly. Null when none comes within the packets and the time allowed; reason says why.
FramePointer decodeFrame(AVFormatContext* context, int stream, bool keyOnly,
                         const ThumbnailLimits& limits, const ffmpeg::FileSource& source,
                         QString* reason) {
    const AVCodecParameters* parameters = context->streams[stream]->codecpar;
    const AVCodec* decoder = avcodec_find_decoder(parameters->codec_id);
    if (!decoder) {
        *reason = QStringLiteral("no decoder for its video");
        return nullptr;
    }
    std::unique_ptr<AVCodecContext, CodecContextFree> codec(avcodec_alloc_context3(decoder));
    if (!codec || avcodec_parameters_to_context(codec.get(), parameters) < 0) {
        *reason = QStringLiteral("out of memory");
        return nullptr;
    }
    codec->max_pixels = limits.maxPixels;
    codec->thread_count = 1; // files are made in parallel, one per core
    codec->skip_frame = keyOnly ? AVDISCARD_NONKEY : AVDISCARD_DEFAULT;
    if (avcodec_open2(codec.get(), decoder, nullptr) < 0) {
        *reason = QStringLiteral("its video cannot be decoded");
        return nullptr;
    }
    std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
    FramePointer frame(av_frame_alloc());
    if (!packet || !frame) {
        *reason = QStringLiteral("out of memory");
        return nullptr;
    }
    bool draining = false;
    for (int read = 0; read < limits.maxPackets && !source.expired();) {
        const int received = avcodec_receive_frame(codec.get(), frame.get());
        if (received == 0)
            return frame;
        if (received == AVERROR_EOF)
            break;
        if (received != AVERROR(EAGAIN)) {
            *reason =
                QStringLiteral("its video cannot be decoded: %1").arg(ffmpeg::errorText(received));
            return nullptr;
        }
        if (draining)
            break;
        const int got = av_read_frame(context, packet.get());
        if (got < 0) {
            // The end of the file: what the decoder still holds comes out now.
            draining = true;
            avcodec_send_packet(codec.get(), nullptr);
            continue;
        }
        if (packet->stream_index == stream) {
            ++read;
            // A damaged packet is passed over; the next key frame may still decode.
            avcodec_send_packet(codec.get(), packet.get());
        }
        av_packet_unref(packet.get());
    }
    *reason =
        source.expired()
            ? QStringLiteral("took longer than %1 ms to read").arg(limits.deadlineMilliseconds)
            : QStringLiteral("no frame could be decoded");
    return nullptr;
}

// The frame scaled so that its longer side, as shown, is at most size, never enlarged; the
// pixel aspect ratio and the rotation the stream asks for are kept.
QImage scaled(const AVFrame* frame, AVRational aspect, int turns, int size) {
    double shownWidth = frame->width;
    if (aspect.num > 0 && aspect.den > 0)
        shownWidth = frame->width * av_q2d(aspect);
    const double longer = std::max(shownWidth, double(frame->height));
    const double factor = std::min(1.0, size / longer);
    const int width = std::max(1, int(std::lround(shownWidth * factor)));
    const int height = std::max(1, int(std::lround(frame->height * factor)));
    std::unique_ptr<SwsContext, ScalerFree> scaler(
        sws_getContext(frame->width, frame->height, AVPixelFormat(frame->format), width, height,
                       AV_PIX_FMT_RGB24, SWS_AREA, nullptr, nullptr, nullptr));
    if (!scaler)
        return QImage();
    QImage image(width, height, QImage::Format_RGB888);
    if (image.isNull())
        return QImage();
    uint8_t* planes[4] = {image.bits(), nullptr, nullptr, nullptr};
    int strides[4] = {int(image.bytesPerLine()), 0, 0, 0};
    if (sws_scale(scaler.get(), frame->data, frame->linesize, 0, frame->height, planes, strides) !=
        height)
        return QImage();
    if (turns != 0)
        image = image.transformed(QTransform().rotate(90.0 * turns));
    return image;
}

QByteArray encodePng(QImage image, const PngTextChunks& text) {
    for (const auto& [key, value] : text)
        image.setText(QString::fromLatin1(key), value);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        return QByteArray();
    return png;
}

// Back to the start of the file: by time, else by byte.
bool rewind(AVFormatContext* context) {
    const int64_t start = context->start_time == AV_NOPTS_VALUE ? 0 : context->start_time;
    return av_seek_frame(context, -1, start, AVSEEK_FLAG_BACKWARD) >= 0 ||
           av_seek_frame(context, -1, 0, AVSEEK_FLAG_BYTE) >= 0;
}

// The frame near a tenth of the file's length: the key frame at or before that point, else the
// first key frame of the file, else (a stream that marks no key frame) its first frame.
FramePointer frameNearTenth(AVFormatContext* context, int stream, const ThumbnailLimits& limits,
                            const ffmpeg::FileSource& source, QString* reason) {
    if (context->duration != AV_NOPTS_VALUE && context->duration > 0) {
        int64_t target = context->duration / 10;
        if (context->start_time != AV_NOPTS_VALUE)
            target += context->start_time;
        if (av_seek_frame(context, -1, target, AVSEEK_FLAG_BACKWARD) >= 0) {
            if (FramePointer frame = decodeFrame(context, stream, true, limits, source, reason))
                return frame;
            if (source.expired() || !rewind(context))
                return nullptr;
        }
    }
    if (FramePointer frame = decodeFrame(context, stream, true, limits, source, reason))
        return frame;
    if (source.expired() || !rewind(context))
        return nullptr;
    return decodeFrame(context, stream, false, limits, source, reason);
}

} // namespace

extern "C" __attribute__((visibility("default"))) void
orvRenderThumbnail(int fd, const QByteArray& name, const ThumbnailLimits& limits,
                   const RenderRequest& request, RenderResult* result) {
    ffmpeg::quietLogs();
    ffmpeg::FileSource source;
    if (!source.take(fd, limits.deadlineMilliseconds)) {
        result->reason = QString::fromLocal8Bit(strerror(errno));
        return;
    }
    ffmpeg::OpenFile file;
    int code = 0;
    if (!file.open(&source, name.constData(), limits.probeBytes, limits.analyzeMicroseconds,
                   &code)) {
        result->reason =
            code == AVERROR_EXIT
                ? QStringLiteral("took longer than %1 ms to read").arg(limits.deadlineMilliseconds)
                : QStringLiteral("not a media file");
        return;
    }
    AVFormatContext* context = file.context();
    ffmpeg::StreamOptions options(context->nb_streams);
    if (avformat_find_stream_info(context, options.get()) == AVERROR_EXIT || source.expired()) {
        result->reason =
            QStringLiteral("took longer than %1 ms to read").arg(limits.deadlineMilliseconds);
        return;
    }
    const int stream = videoStreamOf(context);
    if (stream < 0) {
        result->reason = QStringLiteral("no video stream");
        return;
    }
    const AVCodecParameters* parameters = context->streams[stream]->codecpar;
    if (parameters->width <= 0 || parameters->height <= 0 ||
        qint64(parameters->width) * parameters->height > limits.maxPixels) {
        result->reason = QStringLiteral("its frames are %1x%2 pixels, beyond what is decoded")
                             .arg(parameters->width)
                             .arg(parameters->height);
        return;
    }
    // Only the video stream's packets are wanted; the demuxer drops the others unread.
    for (unsigned i = 0; i < context->nb_streams; ++i)
        context->streams[i]->discard = int(i) == stream ? AVDISCARD_DEFAULT : AVDISCARD_ALL;

    const FramePointer frame = frameNearTenth(context, stream, limits, source, &result->reason);
    if (!frame)
        return;
    AVStream* video = context->streams[stream];
    const AVRational aspect = av_guess_sample_aspect_ratio(context, video, frame.get());
    const int turns = quarterTurns(video);
    for (int size : request.sizes) {
        const QByteArray png = encodePng(scaled(frame.get(), aspect, turns, size), request.text);
        if (png.isEmpty()) {
            result->pngs.clear();
            result->reason = QStringLiteral("the frame could not be scaled");
            return;
        }
        result->pngs.append(png);
    }
    result->rendered = true;
}

extern "C" __attribute__((visibility("default"))) void
orvRenderFailRecord(const PngTextChunks& text, QByteArray* png) {
    QImage pixel(1, 1, QImage::Format_ARGB32);
    pixel.fill(Qt::transparent);
    *png = encodePng(pixel, text);
}

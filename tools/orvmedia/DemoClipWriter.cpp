// The demo's clip module (libOrvDemoClips.so): paints a landscape frame by frame and encodes it
// with FFmpeg's own MPEG-4 video encoder into the container the file's name asks for. The clip is
// written under a temporary name and renamed into place when whole.

#include "DemoClips.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
}

#include <QFile>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <sys/stat.h>

namespace {

const int kWidth = 320;
const int kHeight = 180;
const int kFramesPerSecond = 10;
const int kSeconds = 3;

struct CodecContextFree {
    void operator()(AVCodecContext* codec) const { avcodec_free_context(&codec); }
};
struct OutputFree {
    void operator()(AVFormatContext* output) const {
        if (output->pb)
            avio_closep(&output->pb);
        avformat_free_context(output);
    }
};
struct FrameFree {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketFree {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};

struct Colour {
    double r, g, b;
};

Colour colour(unsigned rgb) {
    return {double((rgb >> 16) & 0xff), double((rgb >> 8) & 0xff), double(rgb & 0xff)};
}

Colour mix(const Colour& a, const Colour& b, double t) {
    t = std::clamp(t, 0.0, 1.0);
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Colour scale(const Colour& c, double factor) {
    return {c.r * factor, c.g * factor, c.b * factor};
}

// The colour of one point of the scene at time t (seconds).
Colour paint(const DemoScene& scene, double x, double y, double t) {
    const double horizon = kHeight * 0.62;
    const double sunX = kWidth * scene.sunX + t * 4.0;
    const double sunY = horizon - scene.sunHeight * horizon - t * 3.0;
    const double radius = kHeight * 0.09;
    const Colour sky = mix(colour(scene.skyTop), colour(scene.horizon), y / horizon);
    const Colour sun = colour(scene.sun);
    if (!scene.water) {
        // Hills: a wavy line a little below the horizon, darker towards the bottom.
        const double ridge = horizon + 9.0 * std::sin(x * 0.031 + 0.7) + 5.0 * std::sin(x * 0.09);
        if (y >= ridge)
            return scale(colour(scene.ground), 1.0 - 0.45 * (y - ridge) / (kHeight - ridge));
    } else if (y >= horizon) {
        // Water: the sky's horizon colour darkened, rippling, with the sun's reflection.
        const double depth = (y - horizon) / (kHeight - horizon);
        const double ripple = 0.08 * std::sin(y * 0.9 - t * 3.0 + std::sin(x * 0.05));
        Colour water = scale(mix(colour(scene.ground), colour(scene.horizon), 0.35 - depth * 0.3),
                             0.9 + ripple);
        const double beam = std::exp(-std::pow((x - sunX) / (radius * (1.2 + depth)), 2.0));
        return mix(water, sun, beam * (0.55 + ripple * 3.0) * (1.0 - depth * 0.6));
    }
    const double distance = std::hypot(x - sunX, y - sunY);
    if (distance < radius)
        return sun;
    const double glow = std::exp(-(distance - radius) / (radius * 1.6));
    return mix(sky, sun, glow * 0.6);
}

// One picture of the scene as YUV 4:2:0, BT.601 in studio range.
void fill(AVFrame* frame, const DemoScene& scene, double t) {
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const Colour c = paint(scene, x, y, t);
            const double luma = 16 + (65.481 * c.r + 128.553 * c.g + 24.966 * c.b) / 255.0;
            frame->data[0][y * frame->linesize[0] + x] = uint8_t(std::clamp(luma, 16.0, 235.0));
            if (x % 2 == 0 && y % 2 == 0) {
                const double u = 128 + (-37.797 * c.r - 74.203 * c.g + 112.0 * c.b) / 255.0;
                const double v = 128 + (112.0 * c.r - 93.786 * c.g - 18.214 * c.b) / 255.0;
                frame->data[1][(y / 2) * frame->linesize[1] + x / 2] =
                    uint8_t(std::clamp(u, 16.0, 240.0));
                frame->data[2][(y / 2) * frame->linesize[2] + x / 2] =
                    uint8_t(std::clamp(v, 16.0, 240.0));
            }
        }
    }
}

QString errorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

// Sends frame (null: the end) to the encoder and writes what comes out.
int encode(AVCodecContext* encoder, AVFormatContext* output, AVStream* stream, AVFrame* frame,
           AVPacket* packet) {
    int code = avcodec_send_frame(encoder, frame);
    while (code >= 0) {
        code = avcodec_receive_packet(encoder, packet);
        if (code == AVERROR(EAGAIN) || code == AVERROR_EOF)
            return 0;
        if (code < 0)
            return code;
        av_packet_rescale_ts(packet, encoder->time_base, stream->time_base);
        packet->stream_index = stream->index;
        code = av_interleaved_write_frame(output, packet);
    }
    return code;
}

bool write(const QByteArray& path, const QByteArray& temporary, const DemoScene& scene,
           QString* error) {
    AVFormatContext* allocated = nullptr;
    if (avformat_alloc_output_context2(&allocated, nullptr, nullptr, path.constData()) < 0 ||
        !allocated) {
        *error = QStringLiteral("no container for %1").arg(QFile::decodeName(path));
        return false;
    }
    std::unique_ptr<AVFormatContext, OutputFree> output(allocated);
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MPEG4);
    std::unique_ptr<AVCodecContext, CodecContextFree> encoder(codec ? avcodec_alloc_context3(codec)
                                                                    : nullptr);
    AVStream* stream = avformat_new_stream(output.get(), nullptr);
    if (!encoder || !stream) {
        *error = QStringLiteral("no MPEG-4 encoder");
        return false;
    }
    encoder->width = kWidth;
    encoder->height = kHeight;
    encoder->time_base = AVRational{1, kFramesPerSecond};
    encoder->framerate = AVRational{kFramesPerSecond, 1};
    encoder->pix_fmt = AV_PIX_FMT_YUV420P;
    encoder->gop_size = kFramesPerSecond;
    encoder->bit_rate = 600'000;
    if (output->oformat->flags & AVFMT_GLOBALHEADER)
        encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    int code = avcodec_open2(encoder.get(), codec, nullptr);
    if (code >= 0)
        code = avcodec_parameters_from_context(stream->codecpar, encoder.get());
    stream->time_base = encoder->time_base;
    if (code >= 0)
        code = avio_open(&output->pb, temporary.constData(), AVIO_FLAG_WRITE);
    if (code >= 0)
        code = avformat_write_header(output.get(), nullptr);
    std::unique_ptr<AVFrame, FrameFree> frame(av_frame_alloc());
    std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
    if (code >= 0 && (!frame || !packet))
        code = AVERROR(ENOMEM);
    if (code >= 0) {
        frame->format = AV_PIX_FMT_YUV420P;
        frame->width = kWidth;
        frame->height = kHeight;
        code = av_frame_get_buffer(frame.get(), 0);
    }
    for (int i = 0; code >= 0 && i < kSeconds * kFramesPerSecond; ++i) {
        code = av_frame_make_writable(frame.get());
        if (code < 0)
            break;
        fill(frame.get(), scene, double(i) / kFramesPerSecond);
        frame->pts = i;
        code = encode(encoder.get(), output.get(), stream, frame.get(), packet.get());
    }
    if (code >= 0)
        code = encode(encoder.get(), output.get(), stream, nullptr, packet.get());
    if (code >= 0)
        code = av_write_trailer(output.get());
    if (code < 0) {
        *error = QStringLiteral("%1 could not be written: %2")
                     .arg(QFile::decodeName(path), errorText(code));
        return false;
    }
    return true;
}

} // namespace

extern "C" __attribute__((visibility("default"))) bool
orvWriteDemoClip(const QByteArray& path, const DemoScene& scene, QString* error) {
    av_log_set_level(AV_LOG_QUIET);
    struct stat status = {};
    if (stat(path.constData(), &status) == 0)
        return true;
    const QByteArray temporary = path + ".part";
    const bool written = write(path, temporary, scene, error);
    if (!written || std::rename(temporary.constData(), path.constData()) != 0) {
        if (written)
            *error = QStringLiteral("%1 could not be put in place").arg(QFile::decodeName(path));
        std::remove(temporary.constData());
        return false;
    }
    return true;
}

// AVI files through libavformat: one stream of uncompressed 24-bit frames
// stored bottom row first, as device-independent bitmaps are. Past the
// first gigabyte the muxer goes on in further RIFF chunks with the extended
// (OpenDML) index. The file is written beside its name and put in place
// only when finished.
extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
}
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/video.h"

namespace platform {

namespace {

class AvVideoFile final : public VideoFile {
public:
    AvVideoFile(AVFormatContext* context, std::string target, std::string temp)
        : context_(context), target_(std::move(target)), temp_(std::move(temp)) {}
    AvVideoFile(const AvVideoFile&) = delete;
    AvVideoFile& operator=(const AvVideoFile&) = delete;
    ~AvVideoFile() override { discard(); }

    bool start_stream(const VideoFormat& f) override {
        if (context_ == nullptr || started_ || f.width <= 0 || f.height <= 0 || f.scale == 0 || f.rate == 0 ||
            f.bitsPerPixel != 24 || f.frameBytes > uint64_t(INT32_MAX))
            return false;
        AVStream* stream = avformat_new_stream(context_, nullptr);
        if (stream == nullptr) return false;
        stream->time_base = AVRational{int(f.scale), int(f.rate)};
        stream->avg_frame_rate = AVRational{int(f.rate), int(f.scale)};
        AVCodecParameters* p = stream->codecpar;
        p->codec_type = AVMEDIA_TYPE_VIDEO;
        p->codec_id = AV_CODEC_ID_RAWVIDEO;
        p->codec_tag = 0;  // uncompressed RGB
        p->format = AV_PIX_FMT_BGR24;
        p->bits_per_coded_sample = 24;
        p->width = f.width;
        p->height = f.height;
        AVDictionary* options = nullptr;
        av_dict_set(&options, "flipped_raw_rgb", "1", 0);  // rows bottom first, as given
        const int r = avformat_write_header(context_, &options);
        av_dict_free(&options);
        started_ = r >= 0 && !io_failed();
        frameBytes_ = f.frameBytes;
        return started_;
    }

    bool write_frame(int64_t index, const uint8_t* bits, uint64_t size) override {
        if (!started_ || bits == nullptr || size != frameBytes_) return false;
        AVPacket* packet = av_packet_alloc();
        if (packet == nullptr) return false;
        packet->data = const_cast<uint8_t*>(bits);
        packet->size = int(size);
        packet->stream_index = 0;
        packet->pts = packet->dts = index;
        packet->duration = 1;
        packet->flags |= AV_PKT_FLAG_KEY;
        const int r = av_write_frame(context_, packet);
        av_packet_free(&packet);
        return r >= 0 && !io_failed();
    }

    bool close() override {
        if (context_ == nullptr) return false;
        if (!started_) {
            discard();
            return true;
        }
        bool ok = av_write_trailer(context_) >= 0 && !io_failed();
        ok = avio_closep(&context_->pb) >= 0 && ok;
        avformat_free_context(context_);
        context_ = nullptr;
        if (ok) ok = std::rename(temp_.c_str(), target_.c_str()) == 0;
        if (!ok) std::remove(temp_.c_str());
        return ok;
    }

    void discard() override {
        if (context_ == nullptr) return;
        avio_closep(&context_->pb);
        avformat_free_context(context_);
        context_ = nullptr;
        std::remove(temp_.c_str());
    }

private:
    bool io_failed() const { return context_->pb == nullptr || context_->pb->error < 0; }

    AVFormatContext* context_;
    std::string target_;
    std::string temp_;
    bool started_ = false;
    uint64_t frameBytes_ = 0;
};

class AvVideoFiles final : public VideoFiles {
public:
    std::unique_ptr<VideoFile> create(const char* path) override {
        struct stat st {};
        // A folder cannot become a video; nothing is written beside it either.
        if (path == nullptr || *path == '\0' || (::stat(path, &st) == 0 && S_ISDIR(st.st_mode))) return nullptr;
        const std::string target = path, temp = target + ".part" + std::to_string(getpid());
        AVFormatContext* context = nullptr;
        if (avformat_alloc_output_context2(&context, nullptr, "avi", temp.c_str()) < 0 || context == nullptr)
            return nullptr;
        if (avio_open(&context->pb, temp.c_str(), AVIO_FLAG_WRITE) < 0) {
            avformat_free_context(context);
            return nullptr;
        }
        return std::make_unique<AvVideoFile>(context, target, temp);
    }
};

}  // namespace

VideoFiles& system_video_files() {
    static AvVideoFiles files;
    return files;
}

}  // namespace platform

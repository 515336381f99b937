#include "core/export/canvas_pool.hpp"

#include "core/media/av_error.hpp"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
}

#include <condition_variable>
#include <cstring>
#include <mutex>
#include <vector>

namespace kestro {

struct CanvasPool::Shared {
    // The layout every picture shares: one allocation per picture, planes one after another.
    AVPixelFormat format = AV_PIX_FMT_NONE;
    int width = 0, height = 0;
    int linesize[4] = {};
    int rows[4] = {};
    size_t offset[4] = {};
    int planes = 0;
    size_t size = 0;
    AVColorPrimaries primaries = AVCOL_PRI_UNSPECIFIED;
    AVColorTransferCharacteristic transfer = AVCOL_TRC_UNSPECIFIED;
    AVColorSpace matrix = AVCOL_SPC_UNSPECIFIED;
    AVColorRange range = AVCOL_RANGE_UNSPECIFIED;

    std::vector<AVMallocPtr<uint8_t>> memory;

    std::mutex mutex;
    std::condition_variable returned;
    std::vector<int> free;  // slots not referenced by any picture
    bool interrupted = false;
};

// What a handed-out buffer carries: its slot, and a share of the pool so that the memory
// outlives the pool object when pictures are still in flight.
struct CanvasPool::Ticket {
    std::shared_ptr<Shared> shared;
    int slot;
};

void CanvasPool::giveBack(void* opaque, uint8_t* /*data*/) {
    auto* ticket = static_cast<Ticket*>(opaque);
    Shared& s = *ticket->shared;
    {
        std::lock_guard lock(s.mutex);
        s.free.push_back(ticket->slot);
    }
    s.returned.notify_one();
    delete ticket;
}

CanvasPool::~CanvasPool() = default;

Result<std::unique_ptr<CanvasPool>, MediaError> CanvasPool::create(const AVFrame& canvas,
                                                                   int count) {
    auto shared = std::make_shared<Shared>();
    Shared& s = *shared;
    s.format = static_cast<AVPixelFormat>(canvas.format);
    s.width = canvas.width;
    s.height = canvas.height;
    s.primaries = canvas.color_primaries;
    s.transfer = canvas.color_trc;
    s.matrix = canvas.colorspace;
    s.range = canvas.color_range;
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(s.format);
    if (!desc || count < 1) return fail(mediaFailure("Cannot hold the canvas", AVERROR(EINVAL)));
    if (int ret = av_image_fill_linesizes(s.linesize, s.format, s.width); ret < 0) {
        return fail(mediaError(ret));
    }
    s.planes = av_pix_fmt_count_planes(s.format);
    for (int i = 0; i < s.planes; ++i) {
        s.linesize[i] = FFALIGN(s.linesize[i], 64);
        s.rows[i] = (i == 1 || i == 2) ? AV_CEIL_RSHIFT(s.height, desc->log2_chroma_h) : s.height;
        s.offset[i] = s.size;
        s.size += static_cast<size_t>(s.linesize[i]) * static_cast<size_t>(s.rows[i]);
        s.size = FFALIGN(s.size, 64);
    }
    for (int slot = 0; slot < count; ++slot) {
        AVMallocPtr<uint8_t> memory(static_cast<uint8_t*>(av_malloc(s.size)));
        if (!memory) return fail(mediaError(AVERROR(ENOMEM)));
        for (int i = 0; i < s.planes; ++i) {
            av_image_copy_plane(memory.get() + s.offset[i], s.linesize[i], canvas.data[i],
                                canvas.linesize[i],
                                std::min(s.linesize[i], std::abs(canvas.linesize[i])), s.rows[i]);
        }
        s.memory.push_back(std::move(memory));
        s.free.push_back(slot);
    }
    return std::unique_ptr<CanvasPool>(new CanvasPool(std::move(shared)));
}

void CanvasPool::interrupt() {
    {
        std::lock_guard lock(shared_->mutex);
        shared_->interrupted = true;
    }
    shared_->returned.notify_all();
}

Result<AVFramePtr, MediaError> CanvasPool::acquire() {
    Shared& s = *shared_;
    AVFramePtr frame = makeFrame();
    if (!frame) return fail(mediaError(AVERROR(ENOMEM)));
    int slot = -1;
    {
        std::unique_lock lock(s.mutex);
        s.returned.wait(lock, [&] { return s.interrupted || !s.free.empty(); });
        if (s.interrupted) return fail(mediaFailure("The export is stopping", AVERROR_EXIT));
        slot = s.free.back();
        s.free.pop_back();
    }
    auto* ticket = new Ticket{shared_, slot};
    uint8_t* data = s.memory[static_cast<size_t>(slot)].get();
    frame->buf[0] = av_buffer_create(data, s.size, giveBack, ticket, 0);
    if (!frame->buf[0]) {
        giveBack(ticket, data);
        return fail(mediaError(AVERROR(ENOMEM)));
    }
    frame->format = s.format;
    frame->width = s.width;
    frame->height = s.height;
    for (int i = 0; i < s.planes; ++i) {
        frame->data[i] = data + s.offset[i];
        frame->linesize[i] = s.linesize[i];
    }
    frame->color_primaries = s.primaries;
    frame->color_trc = s.transfer;
    frame->colorspace = s.matrix;
    frame->color_range = s.range;
    frame->sample_aspect_ratio = AVRational{1, 1};
    return frame;
}

}  // namespace kestro

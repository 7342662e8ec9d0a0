// Decoding a file only to know that it decodes: from disk, or while it is being written.
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>

#include "platform/CodecInput.h"
#include "platform/ImageCodec.h"

namespace quelso::ImageCodec {

struct DecodeCheck::Pieces {
    std::mutex mutex;
    std::condition_variable arrived;
    std::deque<Bytes> queue;
    std::size_t taken = 0; // bytes of the front piece already read
    bool complete = false; // the writer has no more
    bool stopped = false;  // the decoder reads no more
};

namespace {

int discardRows(VipsRegion*, VipsRect*, void*) { return 0; }

bool decodesToTheEnd(VipsImage* image) {
    if (!image || !withinPixelLimit(image)) return false;
    // One worker, for the same libvips race as a full decode (see render).
    vips_image_set_int(image, VIPS_META_CONCURRENCY, 1);
    if (vips_sink_disc(image, discardRows, nullptr) != 0) {
        vips_error_clear();
        return false;
    }
    return true;
}

// The decoder's reads: they wait for the next piece, and find the end once the writer is done.
gint64 readPieces(VipsSourceCustom*, void* buffer, gint64 length, DecodeCheck::Pieces* pieces) {
    std::unique_lock lock(pieces->mutex);
    pieces->arrived.wait(lock, [&] { return pieces->complete || !pieces->queue.empty(); });
    if (pieces->queue.empty()) return 0;
    const Bytes& front = pieces->queue.front();
    const std::size_t count = std::min(static_cast<std::size_t>(length), front.size() - pieces->taken);
    std::memcpy(buffer, front.data() + pieces->taken, count);
    pieces->taken += count;
    if (pieces->taken == front.size()) {
        pieces->queue.pop_front();
        pieces->taken = 0;
    }
    return static_cast<gint64>(count);
}

Kind kindOf(SaveFormat format) {
    switch (format) {
    case SaveFormat::png:
        return Kind::png;
    case SaveFormat::jpeg:
        return Kind::jpeg;
    case SaveFormat::heif:
        break;
    }
    return Kind::heif;
}

} // namespace

bool decodesWhole(const std::string& path) {
    Input in(path);
    Kind kind{};
    Image image = openWithinLimit(in, kind);
    return decodesToTheEnd(image.get());
}

DecodeCheck::DecodeCheck(SaveFormat format) : pieces_(std::make_unique<Pieces>()) {
    if (!init()) return;
    decoder_ = std::thread([this, kind = kindOf(format)] {
        Source source(VIPS_SOURCE(vips_source_custom_new()));
        if (source) {
            g_signal_connect(source.get(), "read", G_CALLBACK(readPieces), pieces_.get());
            Image image = open(Input(source.get()), kind, VIPS_ACCESS_SEQUENTIAL);
            if (decodesToTheEnd(image.get())) decoded_ = Header{image->Xsize, image->Ysize, formatName(kind)};
        }
        std::lock_guard lock(pieces_->mutex);
        pieces_->stopped = true;
        pieces_->queue.clear();
    });
}

DecodeCheck::~DecodeCheck() { finish(); }

void DecodeCheck::add(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return;
    {
        std::lock_guard lock(pieces_->mutex);
        if (pieces_->stopped || pieces_->complete) return;
        pieces_->queue.emplace_back(data, data + size);
    }
    pieces_->arrived.notify_one();
}

std::optional<Header> DecodeCheck::finish() {
    if (decoder_.joinable()) {
        {
            std::lock_guard lock(pieces_->mutex);
            pieces_->complete = true;
        }
        pieces_->arrived.notify_one();
        decoder_.join();
    }
    return decoded_;
}

} // namespace quelso::ImageCodec

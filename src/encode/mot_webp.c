/* The WebP shim: every libwebp structure lives and dies inside one call, and results leave
 * as a single exactly sized malloc block. */
#include "encode/mot_webp.h"

#include <pthread.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>

#include <webp/encode.h>
#include <webp/mux.h>

/* Rows of one band of a split import: even, so that each band starts on a row of chroma. */
#define MOT_BAND_ROWS 64
#define MOT_MAX_THREADS 64

/* Pieces of a split import per thread: a thread the scheduler keeps waiting finds its pieces
 * taken by the others instead of holding them up with a fixed share. */
#define MOT_PIECES_PER_THREAD 4

/* One thread of a split import: it takes the next piece of consecutive bands until none is
 * left. With `discard`, the pixels' memory goes back to the system in whole huge pages as the
 * bands are read. */
typedef struct {
    const uint8_t* rgba;
    int32_t stride;
    WebPPicture* picture;
    int32_t* nextPiece; /* shared by the threads */
    int32_t pieces, bands;
    int discard;
    int ok;
} MOT_ImportJob;

#define MOT_HUGE_PAGE ((uintptr_t)2 << 20)

/* Gives back the whole huge pages in [*from, to) and moves *from on to the last one's end. The
 * first page of a job's range may hold the previous job's last rows: *from starts rounded up. */
static void MOT_Discard(uintptr_t* from, uintptr_t to) {
    to &= ~(MOT_HUGE_PAGE - 1);
    if (to <= *from) return;
    madvise((void*)*from, to - *from, MADV_DONTNEED);
    *from = to;
}

/* Copies a band imported on its own into rows [top, top + band->height) of the picture. A band
 * without translucent pixels has no alpha plane of its own: its rows of the picture's are opaque. */
static void MOT_PlaceBand(const WebPPicture* band, WebPPicture* picture, int32_t top) {
    const size_t width = (size_t)picture->width, halfWidth = (width + 1) / 2;
    int32_t r;
    if (picture->use_argb) {
        for (r = 0; r < band->height; ++r)
            memcpy(picture->argb + (size_t)(top + r) * picture->argb_stride, band->argb + (size_t)r * band->argb_stride,
                   width * 4);
        return;
    }
    for (r = 0; r < band->height; ++r) {
        memcpy(picture->y + (size_t)(top + r) * picture->y_stride, band->y + (size_t)r * band->y_stride, width);
        if (picture->a == NULL) continue;
        if (band->a != NULL)
            memcpy(picture->a + (size_t)(top + r) * picture->a_stride, band->a + (size_t)r * band->a_stride, width);
        else
            memset(picture->a + (size_t)(top + r) * picture->a_stride, 255, width);
    }
    for (r = 0; r < (band->height + 1) / 2; ++r) {
        memcpy(picture->u + (size_t)(top / 2 + r) * picture->uv_stride, band->u + (size_t)r * band->uv_stride,
               halfWidth);
        memcpy(picture->v + (size_t)(top / 2 + r) * picture->uv_stride, band->v + (size_t)r * band->uv_stride,
               halfWidth);
    }
}

/* Imports each band on its own. An opaque band goes through WebPPictureImportRGB, whose
 * vectorised conversion gives the same planes as the per-pixel one ImportRGBA takes. */
static void* MOT_ImportBands(void* arg) {
    MOT_ImportJob* job = (MOT_ImportJob*)arg;
    const int32_t width = job->picture->width;
    /* One byte beyond the band: each pixel is copied as a word, its fourth byte overwritten by
     * the next pixel's first. */
    uint8_t* rgb = job->picture->use_argb ? NULL : (uint8_t*)malloc((size_t)width * MOT_BAND_ROWS * 3 + 1);
    WebPPicture band;
    int32_t b, r, x;
    if (!WebPPictureInit(&band) || (!job->picture->use_argb && rgb == NULL)) {
        free(rgb);
        job->ok = 0;
        return NULL;
    }
    band.use_argb = job->picture->use_argb;
    band.width = width;
    for (int32_t piece; job->ok && (piece = __atomic_fetch_add(job->nextPiece, 1, __ATOMIC_RELAXED)) < job->pieces;) {
        const int32_t firstBand = (int32_t)((int64_t)job->bands * piece / job->pieces);
        const int32_t endBand = (int32_t)((int64_t)job->bands * (piece + 1) / job->pieces);
        uintptr_t discarded =
            ((uintptr_t)(job->rgba + (size_t)firstBand * MOT_BAND_ROWS * job->stride) + MOT_HUGE_PAGE - 1) &
            ~(MOT_HUGE_PAGE - 1);
        for (b = firstBand; b < endBand && job->ok; ++b) {
            const int32_t top = b * MOT_BAND_ROWS;
            const int32_t left = job->picture->height - top;
            const uint8_t* rows = job->rgba + (size_t)top * job->stride;
            uint32_t all = 0xFFFFFFFFu, pixel;
            uint8_t alphas[4];
            band.height = left < MOT_BAND_ROWS ? left : MOT_BAND_ROWS;
            for (r = 0; r < band.height && rgb != NULL; ++r) {
                const uint8_t* in = rows + (size_t)r * job->stride;
                uint8_t* out = rgb + (size_t)r * width * 3;
                for (x = 0; x < width; ++x, in += 4, out += 3) {
                    memcpy(&pixel, in, 4);
                    all &= pixel;
                    memcpy(out, &pixel, 4);
                }
            }
            memcpy(alphas, &all, 4);
            if (rgb != NULL && alphas[3] == 255) {
                job->ok = WebPPictureImportRGB(&band, rgb, width * 3);
            } else {
                job->ok = WebPPictureImportRGBA(&band, rows, job->stride);
            }
            if (job->ok) MOT_PlaceBand(&band, job->picture, top);
            if (job->discard) MOT_Discard(&discarded, (uintptr_t)(rows + (size_t)band.height * job->stride));
        }
    }
    WebPPictureFree(&band);
    free(rgb);
    return NULL;
}

static int MOT_HasTranslucency(const uint8_t* rgba, int32_t width, int32_t height, int32_t stride) {
    uint8_t alphas[4];
    uint32_t all = 0xFFFFFFFFu, pixel;
    int32_t x, y;
    for (y = 0; y < height; ++y)
        for (x = 0; x < width; ++x) {
            memcpy(&pixel, rgba + (size_t)y * stride + (size_t)x * 4, 4);
            all &= pixel;
        }
    memcpy(alphas, &all, 4);
    return alphas[3] != 255;
}

/* WebPPictureImportRGBA over bands of rows, on several threads when asked. Its conversion
 * works on each pair of rows alone, so the bands give the very planes one import of the whole
 * picture gives; a band also fits the cache, which makes even one thread faster. */
/* Points the picture's planes into the rows of rgba (stride width * 4) instead of memory of
 * their own: row r holds luma row r in its first width bytes and alpha row r in its last; an
 * even row 2k holds chroma rows k (u, then v) after the luma. A band writes only its own rows,
 * after reading them, and bands hold whole pairs of rows. */
static void MOT_PlanesInRows(WebPPicture* picture, uint8_t* rgba, int32_t stride) {
    const int32_t width = picture->width;
    if (picture->use_argb) {
        picture->argb = (uint32_t*)rgba;
        picture->argb_stride = stride / 4;
        return;
    }
    picture->y = rgba;
    picture->y_stride = stride;
    picture->u = rgba + width;
    picture->v = rgba + width + (width + 1) / 2;
    picture->uv_stride = 2 * stride;
    if (picture->colorspace == WEBP_YUV420A) {
        picture->a = rgba + 3 * (size_t)width;
        picture->a_stride = stride;
    }
}

/* planes, when not null, is rgba itself, which the picture's planes may take over. */
static int MOT_ImportSplit(WebPPicture* picture, const uint8_t* rgba, int32_t stride, int32_t threads, int discard,
                           uint8_t* planes) {
    const int32_t bands = (picture->height + MOT_BAND_ROWS - 1) / MOT_BAND_ROWS;
    MOT_ImportJob jobs[MOT_MAX_THREADS];
    pthread_t ids[MOT_MAX_THREADS];
    int started[MOT_MAX_THREADS];
    int32_t i, ok = 1, nextPiece = 0, pieces;
    if (threads > bands) threads = bands;
    if (threads > MOT_MAX_THREADS) threads = MOT_MAX_THREADS;
    if (threads < 1) threads = 1;
    pieces = threads * MOT_PIECES_PER_THREAD < bands ? threads * MOT_PIECES_PER_THREAD : bands;
    if (!picture->use_argb)
        picture->colorspace =
            MOT_HasTranslucency(rgba, picture->width, picture->height, stride) ? WEBP_YUV420A : WEBP_YUV420;
    if (planes != NULL)
        MOT_PlanesInRows(picture, planes, stride);
    else if (!WebPPictureAlloc(picture))
        return 0;
    for (i = 0; i < threads; ++i) {
        jobs[i].rgba = rgba;
        jobs[i].stride = stride;
        jobs[i].picture = picture;
        jobs[i].nextPiece = &nextPiece;
        jobs[i].pieces = pieces;
        jobs[i].bands = bands;
        jobs[i].discard = discard;
        jobs[i].ok = 1;
        /* A thread that cannot start leaves its pieces to the others. */
        started[i] = i > 0 && pthread_create(&ids[i], NULL, MOT_ImportBands, &jobs[i]) == 0;
    }
    MOT_ImportBands(&jobs[0]);
    for (i = 0; i < threads; ++i) {
        if (i > 0 && !started[i]) continue;
        if (i > 0) pthread_join(ids[i], NULL);
        ok &= jobs[i].ok;
    }
    return ok;
}

/* Hands `size` bytes back to the caller in a block of its own; 0 when memory runs out. */
static int MOT_CopyOut(const uint8_t* bytes, size_t size, uint8_t** out, size_t* outLength) {
    uint8_t* block = (uint8_t*)malloc(size > 0 ? size : 1);
    if (block == NULL) return 0;
    memcpy(block, bytes, size);
    *out = block;
    *outLength = size;
    return 1;
}

/* planes, when not null, is rgba itself, in which libwebp's planes may live. */
static int MOT_Encode(const uint8_t* rgba, uint8_t* planes, int32_t width, int32_t height, int32_t stride,
                      float quality, int32_t lossless, int32_t nearLossless, int32_t method, int32_t threads,
                      void (*release)(void*), void* context, uint8_t** out, size_t* outLength) {
    WebPConfig config;
    WebPPicture picture;
    WebPMemoryWriter writer;
    int result = 0;

    if (height < 1 || width < 1 || rgba == NULL || out == NULL || outLength == NULL) return 0;
    *out = NULL;
    *outLength = 0;

    if (!WebPConfigPreset(&config, WEBP_PRESET_DEFAULT, 75.0f)) return 0;
    config.quality = quality;
    config.method = method;
    /* libwebp's threads split work whose results it combines in a fixed order: the bytes are
     * those of one thread. */
    config.thread_level = threads > 1;
    if (lossless) {
        config.lossless = 1;
        config.near_lossless = nearLossless;
        config.exact = 1;
    }
    if (!WebPValidateConfig(&config)) return 0;

    if (!WebPPictureInit(&picture)) return 0;
    picture.use_argb = lossless ? 1 : 0;
    picture.width = width;
    picture.height = height;
    if (!MOT_ImportSplit(&picture, rgba, stride, threads, release != NULL, planes)) {
        WebPPictureFree(&picture);
        return 0;
    }
    if (release != NULL) release(context);

    WebPMemoryWriterInit(&writer);
    picture.writer = WebPMemoryWrite;
    picture.custom_ptr = &writer;
    const int encoded = WebPEncode(&config, &picture);
    WebPPictureFree(&picture);

    if (encoded) result = MOT_CopyOut(writer.mem, writer.size, out, outLength);
    WebPMemoryWriterClear(&writer);
    return result;
}

int MOT_EncodeRGBA(const uint8_t* rgba, int32_t width, int32_t height, int32_t stride, float quality, int32_t lossless,
                   int32_t nearLossless, int32_t method, int32_t threads, void (*release)(void*), void* context,
                   uint8_t** out, size_t* outLength) {
    return MOT_Encode(rgba, NULL, width, height, stride, quality, lossless, nearLossless, method, threads, release,
                      context, out, outLength);
}

int MOT_EncodeRGBAInPlace(uint8_t* rgba, int32_t width, int32_t height, float quality, int32_t lossless,
                          int32_t nearLossless, int32_t method, int32_t threads, uint8_t** out, size_t* outLength) {
    if (width < 1 || width > INT32_MAX / 4) return 0;
    return MOT_Encode(rgba, rgba, width, height, width * 4, quality, lossless, nearLossless, method, threads, NULL,
                      NULL, out, outLength);
}

int MOT_MuxAddMetadata(const uint8_t* webp, size_t webpLength, const uint8_t* exif, size_t exifLength,
                       const uint8_t* icc, size_t iccLength, const uint8_t* xmp, size_t xmpLength, uint8_t** out,
                       size_t* outLength) {
    const struct {
        const char* fourcc;
        const uint8_t* bytes;
        size_t size;
    } chunks[3] = {{"ICCP", icc, iccLength}, {"EXIF", exif, exifLength}, {"XMP ", xmp, xmpLength}};
    WebPData image;
    WebPData assembled;
    WebPMux* mux;
    int i;

    if (webp == NULL || out == NULL || outLength == NULL) return 0;
    *out = NULL;
    *outLength = 0;

    mux = WebPMuxNew();
    if (mux == NULL) return 0;
    image.bytes = webp;
    image.size = webpLength;
    if (WebPMuxSetImage(mux, &image, 1) != WEBP_MUX_OK) {
        WebPMuxDelete(mux);
        return 0;
    }
    for (i = 0; i < 3; ++i) {
        WebPData blob;
        if (chunks[i].bytes == NULL || chunks[i].size == 0) continue;
        blob.bytes = chunks[i].bytes;
        blob.size = chunks[i].size;
        if (WebPMuxSetChunk(mux, chunks[i].fourcc, &blob, 1) != WEBP_MUX_OK) {
            WebPMuxDelete(mux);
            return 0;
        }
    }

    WebPDataInit(&assembled);
    const WebPMuxError assembleError = WebPMuxAssemble(mux, &assembled);
    WebPMuxDelete(mux);
    if (assembleError != WEBP_MUX_OK) {
        WebPFree((void*)assembled.bytes);
        return 0;
    }
    const int result = MOT_CopyOut(assembled.bytes, assembled.size, out, outLength);
    WebPFree((void*)assembled.bytes);
    return result;
}

void MOT_Free(void* block) { free(block); }

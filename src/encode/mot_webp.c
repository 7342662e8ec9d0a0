/* The WebP shim: every libwebp structure lives and dies inside one call, and results leave
 * as a single exactly sized malloc block. */
#include "encode/mot_webp.h"

#include <stdlib.h>
#include <string.h>

#include <webp/encode.h>
#include <webp/mux.h>

/* Hands `size` bytes back to the caller in a block of its own; 0 when memory runs out. */
static int MOT_CopyOut(const uint8_t* bytes, size_t size, uint8_t** out, size_t* outLength) {
    uint8_t* block = (uint8_t*)malloc(size > 0 ? size : 1);
    if (block == NULL) return 0;
    memcpy(block, bytes, size);
    *out = block;
    *outLength = size;
    return 1;
}

int MOT_EncodeRGBA(const uint8_t* rgba, int32_t width, int32_t height, int32_t stride, float quality, int32_t lossless,
                   int32_t nearLossless, int32_t method, uint8_t** out, size_t* outLength) {
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
    if (!WebPPictureImportRGBA(&picture, rgba, stride)) {
        WebPPictureFree(&picture);
        return 0;
    }

    WebPMemoryWriterInit(&writer);
    picture.writer = WebPMemoryWrite;
    picture.custom_ptr = &writer;
    const int encoded = WebPEncode(&config, &picture);
    WebPPictureFree(&picture);

    if (encoded) result = MOT_CopyOut(writer.mem, writer.size, out, outLength);
    WebPMemoryWriterClear(&writer);
    return result;
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

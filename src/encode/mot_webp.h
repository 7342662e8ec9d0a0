#ifndef QUELSO_MOT_WEBP_H
#define QUELSO_MOT_WEBP_H
/* A small C-callable shim over libwebp. Each function returns 1 on success and 0 on failure;
 * a result is one heap block that the caller copies and then releases with MOT_Free. */
#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* threads: how many threads may share the work (1 keeps it on the calling one); the bytes
 * are the same for any number. release, when not null, is called with context once libwebp
 * holds the pixels in its own picture: they are not read after that, and the caller may free
 * them while the encoding runs. Giving release also lets the shim hand the pixels' memory back
 * to the system, in whole pages, as it reads them: a caller that gives it must not read the
 * pixels again (they may read as zeros). */
int MOT_EncodeRGBA(const uint8_t* rgba, int32_t width, int32_t height, int32_t stride, float quality, int32_t lossless,
                   int32_t nearLossless, int32_t method, int32_t threads, void (*release)(void*), void* context,
                   uint8_t** out, size_t* outLength);

/* The same bytes as MOT_EncodeRGBA from rows of exactly width * 4 bytes that the caller no
 * longer needs: libwebp's own planes take their memory instead of fresh pages, so afterwards
 * the caller's buffer holds no picture but can take another. */
int MOT_EncodeRGBAInPlace(uint8_t* rgba, int32_t width, int32_t height, float quality, int32_t lossless,
                          int32_t nearLossless, int32_t method, int32_t threads, uint8_t** out, size_t* outLength);

int MOT_MuxAddMetadata(const uint8_t* webp, size_t webpLength, const uint8_t* exif, size_t exifLength,
                       const uint8_t* icc, size_t iccLength, const uint8_t* xmp, size_t xmpLength, uint8_t** out,
                       size_t* outLength);

void MOT_Free(void* block);

#ifdef __cplusplus
}
#endif

#endif

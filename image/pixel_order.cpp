#include "image/pixel_order.h"

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define PIXEL_ORDER_SSSE3 1
#include <immintrin.h>
#endif

namespace {

void SwapBytewise(unsigned char* pixels, size_t size, uint32_t bytesPerPixel)
{
    for (size_t i = 0; i < size; i += bytesPerPixel) {
        pixels[i] ^= pixels[i + 2];
        pixels[i + 2] ^= pixels[i];
        pixels[i] ^= pixels[i + 2];
    }
}

#ifdef PIXEL_ORDER_SSSE3

// 4 pixels per 16 bytes: every exchange stays inside one register.
__attribute__((target("ssse3"))) size_t SwapShuffled32(unsigned char* pixels, size_t size)
{
    const __m128i order = _mm_setr_epi8(2, 1, 0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15);
    size_t i = 0;
    for (; i + 16 <= size; i += 16) {
        __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(pixels + i), _mm_shuffle_epi8(block, order));
    }
    return i;
}

// 16 pixels per 48 bytes, loaded as three registers before anything is
// stored: pixel 5 straddles the first two registers and pixel 10 the last
// two, so those bytes are fetched from the neighbour (a shuffle index with
// the top bit set yields 0, which lets the parts be or-ed together).
__attribute__((target("ssse3"))) size_t SwapShuffled24(unsigned char* pixels, size_t size)
{
    const char z = char(0x80);
    const __m128i inA = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, z);
    const __m128i fromBIntoA = _mm_setr_epi8(z, z, z, z, z, z, z, z, z, z, z, z, z, z, z, 1);
    const __m128i inB = _mm_setr_epi8(0, z, 4, 3, 2, 7, 6, 5, 10, 9, 8, 13, 12, 11, z, 15);
    const __m128i fromAIntoB = _mm_setr_epi8(z, 15, z, z, z, z, z, z, z, z, z, z, z, z, z, z);
    const __m128i fromCIntoB = _mm_setr_epi8(z, z, z, z, z, z, z, z, z, z, z, z, z, z, 0, z);
    const __m128i inC = _mm_setr_epi8(z, 3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10, 15, 14, 13);
    const __m128i fromBIntoC = _mm_setr_epi8(14, z, z, z, z, z, z, z, z, z, z, z, z, z, z, z);
    size_t i = 0;
    for (; i + 48 <= size; i += 48) {
        __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + i));
        __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + i + 16));
        __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + i + 32));
        __m128i outA = _mm_or_si128(_mm_shuffle_epi8(a, inA), _mm_shuffle_epi8(b, fromBIntoA));
        __m128i outB = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(b, inB), _mm_shuffle_epi8(a, fromAIntoB)),
                                    _mm_shuffle_epi8(c, fromCIntoB));
        __m128i outC = _mm_or_si128(_mm_shuffle_epi8(c, inC), _mm_shuffle_epi8(b, fromBIntoC));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(pixels + i), outA);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(pixels + i + 16), outB);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(pixels + i + 32), outC);
    }
    return i;
}

// The same two schemes, 32 bytes per register. AVX2 shuffles stay inside
// each 16-byte lane, so at 24 bits a 96-byte block (32 pixels) is taken as
// three registers, and the neighbour lanes that the straddling pixels need
// are brought alongside with lane permutes first.
__attribute__((target("avx2"))) size_t SwapShuffledWide32(unsigned char* pixels, size_t size)
{
    const __m256i order = _mm256_setr_epi8(2, 1, 0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15, 2, 1, 0, 3, 6, 5,
                                           4, 7, 10, 9, 8, 11, 14, 13, 12, 15);
    size_t i = 0;
    for (; i + 32 <= size; i += 32) {
        __m256i block = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pixels + i));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(pixels + i), _mm256_shuffle_epi8(block, order));
    }
    return i;
}

__attribute__((target("avx2"))) size_t SwapShuffledWide24(unsigned char* pixels, size_t size)
{
    // Lanes of the 48-byte pattern: a = bytes 0..15, b = 16..31, c = 32..47.
    // Register x holds lanes (a, b), y holds (c, a), w holds (b, c).
    const char z = char(0x80);
#define LANE_A_SELF 2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, z
#define LANE_A_NEXT z, z, z, z, z, z, z, z, z, z, z, z, z, z, z, 1
#define LANE_B_SELF 0, z, 4, 3, 2, 7, 6, 5, 10, 9, 8, 13, 12, 11, z, 15
#define LANE_B_PREV z, 15, z, z, z, z, z, z, z, z, z, z, z, z, z, z
#define LANE_B_NEXT z, z, z, z, z, z, z, z, z, z, z, z, z, z, 0, z
#define LANE_C_SELF z, 3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10, 15, 14, 13
#define LANE_C_PREV 14, z, z, z, z, z, z, z, z, z, z, z, z, z, z, z
#define LANE_NONE z, z, z, z, z, z, z, z, z, z, z, z, z, z, z, z
    const __m256i xSelf = _mm256_setr_epi8(LANE_A_SELF, LANE_B_SELF);
    const __m256i xPrev = _mm256_setr_epi8(LANE_NONE, LANE_B_PREV);
    const __m256i xNext = _mm256_setr_epi8(LANE_A_NEXT, LANE_B_NEXT);
    const __m256i ySelf = _mm256_setr_epi8(LANE_C_SELF, LANE_A_SELF);
    const __m256i yAround = _mm256_setr_epi8(LANE_C_PREV, LANE_A_NEXT);
    const __m256i wSelf = _mm256_setr_epi8(LANE_B_SELF, LANE_C_SELF);
    const __m256i wPrev = _mm256_setr_epi8(LANE_B_PREV, LANE_C_PREV);
    const __m256i wNext = _mm256_setr_epi8(LANE_B_NEXT, LANE_NONE);
#undef LANE_A_SELF
#undef LANE_A_NEXT
#undef LANE_B_SELF
#undef LANE_B_PREV
#undef LANE_B_NEXT
#undef LANE_C_SELF
#undef LANE_C_PREV
#undef LANE_NONE
    size_t i = 0;
    for (; i + 96 <= size; i += 96) {
        __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pixels + i));
        __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pixels + i + 32));
        __m256i w = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pixels + i + 64));
        __m256i xPrevLanes = _mm256_permute2x128_si256(x, x, 0x00);  // (x.lo, x.lo)
        __m256i xNextLanes = _mm256_permute2x128_si256(x, y, 0x21);  // (x.hi, y.lo)
        __m256i yLanes = _mm256_permute2x128_si256(x, w, 0x21);      // (x.hi, w.lo)
        __m256i wPrevLanes = _mm256_permute2x128_si256(y, w, 0x21);  // (y.hi, w.lo)
        __m256i wNextLanes = _mm256_permute2x128_si256(w, w, 0x11);  // (w.hi, w.hi)
        __m256i outX = _mm256_or_si256(_mm256_shuffle_epi8(x, xSelf),
                                       _mm256_or_si256(_mm256_shuffle_epi8(xPrevLanes, xPrev),
                                                       _mm256_shuffle_epi8(xNextLanes, xNext)));
        __m256i outY = _mm256_or_si256(_mm256_shuffle_epi8(y, ySelf), _mm256_shuffle_epi8(yLanes, yAround));
        __m256i outW = _mm256_or_si256(_mm256_shuffle_epi8(w, wSelf),
                                       _mm256_or_si256(_mm256_shuffle_epi8(wPrevLanes, wPrev),
                                                       _mm256_shuffle_epi8(wNextLanes, wNext)));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(pixels + i), outX);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(pixels + i + 32), outY);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(pixels + i + 64), outW);
    }
    return i;
}

enum SimdLevel { SIMD_NONE, SIMD_SSSE3, SIMD_AVX2 };

SimdLevel ProcessorSimdLevel()
{
    static const SimdLevel level = __builtin_cpu_supports("avx2")    ? SIMD_AVX2
                                   : __builtin_cpu_supports("ssse3") ? SIMD_SSSE3
                                                                     : SIMD_NONE;
    return level;
}

#endif

}  // namespace

void SwapRedAndBlue(unsigned char* pixels, size_t size, uint32_t bytesPerPixel)
{
    size_t done = 0;
#ifdef PIXEL_ORDER_SSSE3
    SimdLevel level = ProcessorSimdLevel();
    if (level == SIMD_AVX2)
        done = bytesPerPixel == 4 ? SwapShuffledWide32(pixels, size) : SwapShuffledWide24(pixels, size);
    // What is left after the wide steps (under 96 bytes) still fits the narrow ones.
    if (level >= SIMD_SSSE3)
        done += bytesPerPixel == 4 ? SwapShuffled32(pixels + done, size - done)
                                   : SwapShuffled24(pixels + done, size - done);
#endif
    SwapBytewise(pixels + done, size - done, bytesPerPixel);
}

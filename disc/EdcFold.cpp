// The EDC (a reflected CRC with polynomial 0x8001801B) folded 64 bytes at a
// time with carry-less multiplication, after Intel's "Fast CRC Computation for
// Generic Polynomials Using PCLMULQDQ": every raw sector read is checked, and
// the byte tables alone cost as much as the copy. The constants are, for this
// polynomial P, reflect32(x^n mod P) << 1 with n = 4*128+32, 4*128-32,
// 128+32, 128-32 and 64; then P reflected over 33 bits and x^64 div P likewise.
#include "disc/EdcFold.h"

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
#include <immintrin.h>
#define HOTARU_EDC_FOLD 1
#endif

namespace hotaru::disc {

#ifdef HOTARU_EDC_FOLD

bool edcFoldAvailable()
{
    static const bool available = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
    }();
    return available;
}

#define HOTARU_FOLDING __attribute__((target("pclmul,sse4.1")))

namespace {

HOTARU_FOLDING inline __m128i load(const std::uint8_t* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// x carried 128 bits further on by k, then the next 16 bytes added.
HOTARU_FOLDING inline __m128i fold(__m128i x, __m128i k, __m128i next)
{
    return _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x00), _mm_clmulepi64_si128(x, k, 0x11)), next);
}

}  // namespace

HOTARU_FOLDING std::uint32_t edcFold(std::uint32_t e, const std::uint8_t* data, std::size_t n)
{
    const __m128i k1k2 = _mm_set_epi64x(0x12e7928a2, 0x1f8931102);
    const __m128i k3k4 = _mm_set_epi64x(0x1d5934102, 0x06c90c100);
    const __m128i k5 = _mm_set_epi64x(0, 0x1f1030002);
    const __m128i poly = _mm_set_epi64x(0x17000ffff, 0x1b0030003);

    __m128i x1 = _mm_xor_si128(load(data), _mm_cvtsi32_si128(static_cast<int>(e)));
    __m128i x2 = load(data + 16), x3 = load(data + 32), x4 = load(data + 48);
    data += 64;
    n -= 64;
    for (; n >= 64; n -= 64, data += 64) {
        x1 = fold(x1, k1k2, load(data));
        x2 = fold(x2, k1k2, load(data + 16));
        x3 = fold(x3, k1k2, load(data + 32));
        x4 = fold(x4, k1k2, load(data + 48));
    }
    x1 = fold(x1, k3k4, x2);
    x1 = fold(x1, k3k4, x3);
    x1 = fold(x1, k3k4, x4);
    for (; n >= 16; n -= 16, data += 16)
        x1 = fold(x1, k3k4, load(data));

    // 128 bits to 64, then Barrett's reduction to 32.
    const __m128i low32 = _mm_setr_epi32(~0, 0, ~0, 0);
    x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), _mm_clmulepi64_si128(x1, k3k4, 0x10));
    x1 = _mm_xor_si128(_mm_srli_si128(x1, 4), _mm_clmulepi64_si128(_mm_and_si128(x1, low32), k5, 0x00));
    __m128i t = _mm_clmulepi64_si128(_mm_and_si128(x1, low32), poly, 0x10);
    t = _mm_clmulepi64_si128(_mm_and_si128(t, low32), poly, 0x00);
    return static_cast<std::uint32_t>(_mm_extract_epi32(_mm_xor_si128(x1, t), 1));
}

#else

bool edcFoldAvailable() { return false; }
std::uint32_t edcFold(std::uint32_t e, const std::uint8_t*, std::size_t) { return e; }

#endif

}  // namespace hotaru::disc

// Whether the test program runs under the sanitizers, whose builds are many times slower: the
// long randomised comparisons take fewer samples there.
#pragma once

namespace lnc::test {

#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool INSTRUMENTED = true;
#else
inline constexpr bool INSTRUMENTED = false;
#endif

constexpr int scaled_samples(int samples) {
    return INSTRUMENTED ? samples / 15 : samples;
}

} // namespace lnc::test

// BRIMLOFT_WIC_CLONES: builds a kernel once for AVX2 and once for the baseline, picked when the library
// loads. The pick runs from the loader's relocations, before any sanitizer runtime is set up; under
// ThreadSanitizer that resolver is instrumented and crashes the process, so that build keeps only the
// baseline kernel (same results, only slower).

#ifndef BRIMLOFT_PLATFORM_WIC_CPU_CLONES_H
#define BRIMLOFT_PLATFORM_WIC_CPU_CLONES_H

#if defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define BRIMLOFT_WIC_NO_CLONES 1
#endif
#endif
#if defined(__SANITIZE_THREAD__)
#define BRIMLOFT_WIC_NO_CLONES 1
#endif

#if defined(__x86_64__) && defined(__GNUC__) && !defined(BRIMLOFT_WIC_NO_CLONES)
#define BRIMLOFT_WIC_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define BRIMLOFT_WIC_CLONES
#endif

#endif

#pragma once

// Tells ThreadSanitizer of an order between two threads that a library keeps
// with locks it cannot see: Qt is not instrumented, so a job handed to its
// thread pool, or the result handed back, looks unordered to the sanitizer
// although the pool's own lock orders it. Call handOverReleased() after the
// handing thread's last write and handOverAcquired() before the receiving
// thread's first read, with the same token. Without ThreadSanitizer both do
// nothing.
#if defined(__SANITIZE_THREAD__)
#define MIVO_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define MIVO_THREAD_SANITIZER 1
#endif
#endif

#if defined(MIVO_THREAD_SANITIZER)
#include <sanitizer/tsan_interface.h>
#endif

namespace mivo {

inline void handOverReleased([[maybe_unused]] const void* token)
{
#if defined(MIVO_THREAD_SANITIZER)
    __tsan_release(const_cast<void*>(token));
#endif
}

inline void handOverAcquired([[maybe_unused]] const void* token)
{
#if defined(MIVO_THREAD_SANITIZER)
    __tsan_acquire(const_cast<void*>(token));
#endif
}

} // namespace mivo

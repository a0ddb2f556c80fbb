#include <cstdarg>
#include <dlfcn.h>
#include <sched.h>
#include <sys/types.h>

// Linked into the test programs of the ThreadSanitizer build only. QProcess
// starts a child with clone(CLONE_VM | CLONE_VFORK): until it executes the
// new program, the child runs in this process's memory, on the calling
// thread's stack pointer and thread-local data. The sanitizer's clone handles
// every child as a fork and, in the child, resets the runtime's state for a
// process of its own: here that state is the parent's, which then believes it
// is a forked child (it dies at its next thread, and loses the order of its
// locks). A child that shares the memory is therefore started with the C
// library's own clone, unseen by the runtime; any other clone goes to the
// runtime as before.
namespace {

using Clone = int (*)(int (*)(void*), void*, int, void*, ...);

Clone libraryClone()
{
    static const Clone clone = [] {
        void* library = ::dlopen("libc.so.6", RTLD_LAZY | RTLD_NOLOAD);
        return reinterpret_cast<Clone>(library ? ::dlsym(library, "clone") : nullptr);
    }();
    return clone;
}

Clone sanitizerClone()
{
    static const Clone clone = reinterpret_cast<Clone>(::dlsym(RTLD_NEXT, "clone"));
    return clone;
}

} // namespace

extern "C" int clone(int (*function)(void*), void* stack, int flags, void* argument, ...)
{
    // As the C library reads them: present or not, depending on the flags.
    va_list rest;
    va_start(rest, argument);
    pid_t* parentTid = va_arg(rest, pid_t*);
    void* tls = va_arg(rest, void*);
    pid_t* childTid = va_arg(rest, pid_t*);
    va_end(rest);
    const bool sharesMemory = (flags & CLONE_VM) && !(flags & CLONE_THREAD);
    const Clone real = sharesMemory && libraryClone() ? libraryClone() : sanitizerClone();
    return real(function, stack, flags, argument, parentTid, tls, childTid);
}

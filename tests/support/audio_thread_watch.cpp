// The interposers of the audio thread watch (audio_thread_watch.h). A definition in the program
// comes before the C library's and the C++ runtime's in the dynamic linker's search, so a plug-in
// loaded with dlopen calls these. Each forwards to the library's own function: the allocator
// through glibc's __libc_* entries (no look-up that could itself allocate), everything else
// through the address dlsym(RTLD_NEXT) gave at start-up.
//
// Not for the sanitizer builds: they interpose the allocator themselves.
#include "support/audio_thread_watch.h"

#include <dlfcn.h>
#include <execinfo.h>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <semaphore.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>
#include <sstream>
#include <utility>
#include <vector>

extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void __libc_free(void*);
void* __libc_memalign(size_t, size_t);
}

namespace brelix::testing::audio_watch {
namespace {

constexpr int kCapacity = 32;
constexpr int kStackDepth = 16;

struct Finding {
  const char* function;
  void* stack[kStackDepth];
  int depth;
};

Finding table[kCapacity];
std::atomic<int> count{0};
std::atomic<bool> watching{false};
pthread_t watched;
// Set while a finding is being recorded: what the unwinder calls is not the watched code's.
thread_local bool recording = false;

bool Watched() { return watching.load(std::memory_order_acquire) && pthread_equal(pthread_self(), watched) != 0; }

void Note(const char* function) {
  if (!Watched() || recording) return;
  recording = true;
  const int n = count.fetch_add(1, std::memory_order_relaxed);
  if (n < kCapacity) {
    table[n].function = function;
    table[n].depth = backtrace(table[n].stack, kStackDepth);
  }
  recording = false;
}

// The library's own function of that name, resolved once at start-up.
template <class F>
F Next(const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

}  // namespace

void WatchThisThread() {
  watched = pthread_self();
  watching.store(true, std::memory_order_release);
}
void StopWatching() { watching.store(false, std::memory_order_release); }
void Clear() { count.store(0); }
int Findings() { return count.load(); }

std::string Describe() {
  // Each distinct call once, with how often the table holds it.
  std::vector<std::pair<std::string, int>> calls;
  const int n = std::min(count.load(), kCapacity);
  for (int i = 0; i < n; ++i) {
    std::ostringstream text;
    text << table[i].function << " from";
    // Frame 0 is Note, frame 1 the interposer.
    for (int f = 2; f < table[i].depth; ++f) {
      Dl_info info{};
      if (dladdr(table[i].stack[f], &info) != 0 && info.dli_fname != nullptr) {
        const char* slash = std::strrchr(info.dli_fname, '/');
        text << ' ' << (slash != nullptr ? slash + 1 : info.dli_fname) << "+0x" << std::hex
             << (reinterpret_cast<uintptr_t>(table[i].stack[f]) - reinterpret_cast<uintptr_t>(info.dli_fbase) - 1)
             << std::dec;
        if (info.dli_sname != nullptr) text << '(' << info.dli_sname << ')';
      } else {
        text << ' ' << table[i].stack[f];
      }
    }
    auto same = std::find_if(calls.begin(), calls.end(), [&](const auto& c) { return c.first == text.str(); });
    if (same != calls.end()) ++same->second;
    else calls.emplace_back(text.str(), 1);
  }
  std::ostringstream text;
  for (const auto& [call, times] : calls) text << times << " x " << call << '\n';
  if (count.load() > kCapacity) text << "... and " << count.load() - kCapacity << " more calls\n";
  return text.str();
}

}  // namespace brelix::testing::audio_watch

using brelix::testing::audio_watch::Note;
using brelix::testing::audio_watch::Next;

namespace {

struct RealCalls {
  int (*mutex_lock)(pthread_mutex_t*);
  int (*mutex_trylock)(pthread_mutex_t*);
  int (*mutex_timedlock)(pthread_mutex_t*, const timespec*);
  int (*mutex_unlock)(pthread_mutex_t*);
  int (*cond_wait)(pthread_cond_t*, pthread_mutex_t*);
  int (*cond_timedwait)(pthread_cond_t*, pthread_mutex_t*, const timespec*);
  int (*cond_signal)(pthread_cond_t*);
  int (*cond_broadcast)(pthread_cond_t*);
  int (*rwlock_rdlock)(pthread_rwlock_t*);
  int (*rwlock_wrlock)(pthread_rwlock_t*);
  int (*rwlock_unlock)(pthread_rwlock_t*);
  int (*spin_lock)(pthread_spinlock_t*);
  int (*sem_wait)(sem_t*);
  int (*sem_timedwait)(sem_t*, const timespec*);
  int (*sem_post)(sem_t*);
  ssize_t (*read)(int, void*, size_t);
  ssize_t (*write)(int, const void*, size_t);
  ssize_t (*pread)(int, void*, size_t, off_t);
  ssize_t (*pwrite)(int, const void*, size_t, off_t);
  ssize_t (*readv)(int, const iovec*, int);
  ssize_t (*writev)(int, const iovec*, int);
  int (*open)(const char*, int, ...);
  int (*open64)(const char*, int, ...);
  int (*openat)(int, const char*, int, ...);
  int (*close)(int);
  FILE* (*fopen)(const char*, const char*);
  FILE* (*fopen64)(const char*, const char*);
  int (*fclose)(FILE*);
  size_t (*fread)(void*, size_t, size_t, FILE*);
  size_t (*fwrite)(const void*, size_t, size_t, FILE*);
  int (*fflush)(FILE*);
  int (*fputs)(const char*, FILE*);
  int (*puts)(const char*);
  int (*vfprintf)(FILE*, const char*, va_list);
  int (*vprintf)(const char*, va_list);
  int (*nanosleep)(const timespec*, timespec*);
  int (*clock_nanosleep)(clockid_t, int, const timespec*, timespec*);
  int (*usleep)(useconds_t);
  unsigned (*sleep)(unsigned);
  int (*sched_yield)();
  int (*poll)(pollfd*, nfds_t, int);
  int (*select)(int, fd_set*, fd_set*, fd_set*, timeval*);
  ssize_t (*recv)(int, void*, size_t, int);
  ssize_t (*recvmsg)(int, msghdr*, int);
  ssize_t (*send)(int, const void*, size_t, int);
  ssize_t (*sendmsg)(int, const msghdr*, int);
  long (*syscall)(long, ...);
};

RealCalls Resolve() {
  RealCalls r{};
#define BRELIX_NEXT(field, name) r.field = Next<decltype(r.field)>(name)
  BRELIX_NEXT(mutex_lock, "pthread_mutex_lock");
  BRELIX_NEXT(mutex_trylock, "pthread_mutex_trylock");
  BRELIX_NEXT(mutex_timedlock, "pthread_mutex_timedlock");
  BRELIX_NEXT(mutex_unlock, "pthread_mutex_unlock");
  BRELIX_NEXT(cond_wait, "pthread_cond_wait");
  BRELIX_NEXT(cond_timedwait, "pthread_cond_timedwait");
  BRELIX_NEXT(cond_signal, "pthread_cond_signal");
  BRELIX_NEXT(cond_broadcast, "pthread_cond_broadcast");
  BRELIX_NEXT(rwlock_rdlock, "pthread_rwlock_rdlock");
  BRELIX_NEXT(rwlock_wrlock, "pthread_rwlock_wrlock");
  BRELIX_NEXT(rwlock_unlock, "pthread_rwlock_unlock");
  BRELIX_NEXT(spin_lock, "pthread_spin_lock");
  BRELIX_NEXT(sem_wait, "sem_wait");
  BRELIX_NEXT(sem_timedwait, "sem_timedwait");
  BRELIX_NEXT(sem_post, "sem_post");
  BRELIX_NEXT(read, "read");
  BRELIX_NEXT(write, "write");
  BRELIX_NEXT(pread, "pread");
  BRELIX_NEXT(pwrite, "pwrite");
  BRELIX_NEXT(readv, "readv");
  BRELIX_NEXT(writev, "writev");
  BRELIX_NEXT(open, "open");
  BRELIX_NEXT(open64, "open64");
  BRELIX_NEXT(openat, "openat");
  BRELIX_NEXT(close, "close");
  BRELIX_NEXT(fopen, "fopen");
  BRELIX_NEXT(fopen64, "fopen64");
  BRELIX_NEXT(fclose, "fclose");
  BRELIX_NEXT(fread, "fread");
  BRELIX_NEXT(fwrite, "fwrite");
  BRELIX_NEXT(fflush, "fflush");
  BRELIX_NEXT(fputs, "fputs");
  BRELIX_NEXT(puts, "puts");
  BRELIX_NEXT(vfprintf, "vfprintf");
  BRELIX_NEXT(vprintf, "vprintf");
  BRELIX_NEXT(nanosleep, "nanosleep");
  BRELIX_NEXT(clock_nanosleep, "clock_nanosleep");
  BRELIX_NEXT(usleep, "usleep");
  BRELIX_NEXT(sleep, "sleep");
  BRELIX_NEXT(sched_yield, "sched_yield");
  BRELIX_NEXT(poll, "poll");
  BRELIX_NEXT(select, "select");
  BRELIX_NEXT(recv, "recv");
  BRELIX_NEXT(recvmsg, "recvmsg");
  BRELIX_NEXT(send, "send");
  BRELIX_NEXT(sendmsg, "sendmsg");
  BRELIX_NEXT(syscall, "syscall");
#undef BRELIX_NEXT
  return r;
}

// Resolved before main (a call that comes earlier, from another library's start-up, resolves them
// itself; two threads doing so at once find the same addresses).
RealCalls real_calls;
std::atomic<bool> resolved{false};
const RealCalls& Real() {
  if (!resolved.load(std::memory_order_acquire)) {
    real_calls = Resolve();
    resolved.store(true, std::memory_order_release);
  }
  return real_calls;
}
__attribute__((constructor)) void ResolveAtStart() {
  Real();
  // The unwinder loads what it needs at its first use: here, not inside a finding.
  void* frames[2];
  backtrace(frames, 2);
}

mode_t ModeArgument(int flags, va_list args) {
  return (flags & (O_CREAT | O_TMPFILE)) != 0 ? static_cast<mode_t>(va_arg(args, int)) : 0;
}

}  // namespace

// ---- the allocator -----------------------------------------------------------------------------

extern "C" {

void* malloc(size_t size) {
  Note("malloc");
  return __libc_malloc(size);
}
void* calloc(size_t n, size_t size) {
  Note("calloc");
  return __libc_calloc(n, size);
}
void* realloc(void* p, size_t size) {
  Note("realloc");
  return __libc_realloc(p, size);
}
void free(void* p) {
  Note("free");
  __libc_free(p);
}

}  // extern "C"

namespace {
void* NewOrThrow(size_t size, const char* name) {
  Note(name);
  if (void* p = __libc_malloc(size != 0 ? size : 1)) return p;
  throw std::bad_alloc();
}
void* AlignedNewOrThrow(size_t size, std::align_val_t align, const char* name) {
  Note(name);
  if (void* p = __libc_memalign(static_cast<size_t>(align), size != 0 ? size : 1)) return p;
  throw std::bad_alloc();
}
void Delete(void* p, const char* name) {
  Note(name);
  __libc_free(p);
}
}  // namespace

void* operator new(size_t size) { return NewOrThrow(size, "operator new"); }
void* operator new[](size_t size) { return NewOrThrow(size, "operator new[]"); }
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  Note("operator new");
  return __libc_malloc(size != 0 ? size : 1);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
  Note("operator new[]");
  return __libc_malloc(size != 0 ? size : 1);
}
void* operator new(size_t size, std::align_val_t align) { return AlignedNewOrThrow(size, align, "operator new"); }
void* operator new[](size_t size, std::align_val_t align) { return AlignedNewOrThrow(size, align, "operator new[]"); }
void operator delete(void* p) noexcept { Delete(p, "operator delete"); }
void operator delete[](void* p) noexcept { Delete(p, "operator delete[]"); }
void operator delete(void* p, size_t) noexcept { Delete(p, "operator delete"); }
void operator delete[](void* p, size_t) noexcept { Delete(p, "operator delete[]"); }
void operator delete(void* p, std::align_val_t) noexcept { Delete(p, "operator delete"); }
void operator delete[](void* p, std::align_val_t) noexcept { Delete(p, "operator delete[]"); }
void operator delete(void* p, size_t, std::align_val_t) noexcept { Delete(p, "operator delete"); }
void operator delete[](void* p, size_t, std::align_val_t) noexcept { Delete(p, "operator delete[]"); }

// ---- locks, conditions, semaphores ---------------------------------------------------------------

extern "C" {

int pthread_mutex_lock(pthread_mutex_t* m) {
  Note("pthread_mutex_lock");
  return Real().mutex_lock(m);
}
int pthread_mutex_trylock(pthread_mutex_t* m) {
  Note("pthread_mutex_trylock");
  return Real().mutex_trylock(m);
}
int pthread_mutex_timedlock(pthread_mutex_t* m, const timespec* t) {
  Note("pthread_mutex_timedlock");
  return Real().mutex_timedlock(m, t);
}
int pthread_mutex_unlock(pthread_mutex_t* m) {
  Note("pthread_mutex_unlock");
  return Real().mutex_unlock(m);
}
int pthread_cond_wait(pthread_cond_t* c, pthread_mutex_t* m) {
  Note("pthread_cond_wait");
  return Real().cond_wait(c, m);
}
int pthread_cond_timedwait(pthread_cond_t* c, pthread_mutex_t* m, const timespec* t) {
  Note("pthread_cond_timedwait");
  return Real().cond_timedwait(c, m, t);
}
int pthread_cond_signal(pthread_cond_t* c) {
  Note("pthread_cond_signal");
  return Real().cond_signal(c);
}
int pthread_cond_broadcast(pthread_cond_t* c) {
  Note("pthread_cond_broadcast");
  return Real().cond_broadcast(c);
}
int pthread_rwlock_rdlock(pthread_rwlock_t* l) {
  Note("pthread_rwlock_rdlock");
  return Real().rwlock_rdlock(l);
}
int pthread_rwlock_wrlock(pthread_rwlock_t* l) {
  Note("pthread_rwlock_wrlock");
  return Real().rwlock_wrlock(l);
}
int pthread_rwlock_unlock(pthread_rwlock_t* l) {
  Note("pthread_rwlock_unlock");
  return Real().rwlock_unlock(l);
}
int pthread_spin_lock(pthread_spinlock_t* l) {
  Note("pthread_spin_lock");
  return Real().spin_lock(l);
}
int sem_wait(sem_t* s) {
  Note("sem_wait");
  return Real().sem_wait(s);
}
int sem_timedwait(sem_t* s, const timespec* t) {
  Note("sem_timedwait");
  return Real().sem_timedwait(s, t);
}
int sem_post(sem_t* s) {
  Note("sem_post");
  return Real().sem_post(s);
}

// ---- calls that may block ---------------------------------------------------------------------------

ssize_t read(int fd, void* buffer, size_t n) {
  Note("read");
  return Real().read(fd, buffer, n);
}
ssize_t write(int fd, const void* buffer, size_t n) {
  Note("write");
  return Real().write(fd, buffer, n);
}
ssize_t pread(int fd, void* buffer, size_t n, off_t at) {
  Note("pread");
  return Real().pread(fd, buffer, n, at);
}
ssize_t pwrite(int fd, const void* buffer, size_t n, off_t at) {
  Note("pwrite");
  return Real().pwrite(fd, buffer, n, at);
}
ssize_t readv(int fd, const iovec* v, int n) {
  Note("readv");
  return Real().readv(fd, v, n);
}
ssize_t writev(int fd, const iovec* v, int n) {
  Note("writev");
  return Real().writev(fd, v, n);
}
int open(const char* path, int flags, ...) {
  Note("open");
  va_list args;
  va_start(args, flags);
  const mode_t mode = ModeArgument(flags, args);
  va_end(args);
  return Real().open(path, flags, mode);
}
int open64(const char* path, int flags, ...) {
  Note("open64");
  va_list args;
  va_start(args, flags);
  const mode_t mode = ModeArgument(flags, args);
  va_end(args);
  return Real().open64(path, flags, mode);
}
int openat(int dir, const char* path, int flags, ...) {
  Note("openat");
  va_list args;
  va_start(args, flags);
  const mode_t mode = ModeArgument(flags, args);
  va_end(args);
  return Real().openat(dir, path, flags, mode);
}
int close(int fd) {
  Note("close");
  return Real().close(fd);
}
FILE* fopen(const char* path, const char* mode) {
  Note("fopen");
  return Real().fopen(path, mode);
}
FILE* fopen64(const char* path, const char* mode) {
  Note("fopen64");
  return Real().fopen64(path, mode);
}
int fclose(FILE* f) {
  Note("fclose");
  return Real().fclose(f);
}
size_t fread(void* buffer, size_t size, size_t n, FILE* f) {
  Note("fread");
  return Real().fread(buffer, size, n, f);
}
size_t fwrite(const void* buffer, size_t size, size_t n, FILE* f) {
  Note("fwrite");
  return Real().fwrite(buffer, size, n, f);
}
int fflush(FILE* f) {
  Note("fflush");
  return Real().fflush(f);
}
int fputs(const char* text, FILE* f) {
  Note("fputs");
  return Real().fputs(text, f);
}
int puts(const char* text) {
  Note("puts");
  return Real().puts(text);
}
int vfprintf(FILE* f, const char* format, va_list args) {
  Note("vfprintf");
  return Real().vfprintf(f, format, args);
}
int fprintf(FILE* f, const char* format, ...) {
  Note("fprintf");
  va_list args;
  va_start(args, format);
  const int n = Real().vfprintf(f, format, args);
  va_end(args);
  return n;
}
int printf(const char* format, ...) {
  Note("printf");
  va_list args;
  va_start(args, format);
  const int n = Real().vprintf(format, args);
  va_end(args);
  return n;
}
int nanosleep(const timespec* t, timespec* left) {
  Note("nanosleep");
  return Real().nanosleep(t, left);
}
int clock_nanosleep(clockid_t clock, int flags, const timespec* t, timespec* left) {
  Note("clock_nanosleep");
  return Real().clock_nanosleep(clock, flags, t, left);
}
int usleep(useconds_t us) {
  Note("usleep");
  return Real().usleep(us);
}
unsigned sleep(unsigned s) {
  Note("sleep");
  return Real().sleep(s);
}
int sched_yield() {
  Note("sched_yield");
  return Real().sched_yield();
}
int poll(pollfd* fds, nfds_t n, int timeout) {
  Note("poll");
  return Real().poll(fds, n, timeout);
}
int select(int n, fd_set* r, fd_set* w, fd_set* e, timeval* t) {
  Note("select");
  return Real().select(n, r, w, e, t);
}
ssize_t recv(int fd, void* buffer, size_t n, int flags) {
  Note("recv");
  return Real().recv(fd, buffer, n, flags);
}
ssize_t recvmsg(int fd, msghdr* m, int flags) {
  Note("recvmsg");
  return Real().recvmsg(fd, m, flags);
}
ssize_t send(int fd, const void* buffer, size_t n, int flags) {
  Note("send");
  return Real().send(fd, buffer, n, flags);
}
ssize_t sendmsg(int fd, const msghdr* m, int flags) {
  Note("sendmsg");
  return Real().sendmsg(fd, m, flags);
}
// Futex waits (std::atomic::wait, the C++ runtime's once and guard calls) come through here.
long syscall(long number, ...) {
  Note("syscall");
  va_list args;
  va_start(args, number);
  long a[6];
  for (long& x : a) x = va_arg(args, long);
  va_end(args);
  return Real().syscall(number, a[0], a[1], a[2], a[3], a[4], a[5]);
}

}  // extern "C"

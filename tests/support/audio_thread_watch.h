// A watch over one thread of the test program: the allocator (malloc, calloc, realloc, free,
// operator new and delete), the lock and condition calls of pthreads and the C library's calls
// that may block (file and socket I/O, sleeping, yielding) are interposed for the whole program
// (audio_thread_watch.cpp), and every such call the watched thread makes while the watch is on is
// recorded with its call stack. Other threads call through untouched.
//
// Recording allocates nothing: a fixed table of findings, filled with atomics.
#pragma once

#include <string>

namespace brelix::testing::audio_watch {

// From now on the calling thread is watched (one thread at a time).
void WatchThisThread();
// No thread is watched any more; the findings stay.
void StopWatching();
// Forgets the findings.
void Clear();
// The calls recorded so far (those beyond the table's capacity are counted too).
int Findings();
// The findings, one per line, each with the interposed function and its callers as
// "library+offset" (addr2line -e LIBRARY OFFSET names the line).
std::string Describe();

}  // namespace brelix::testing::audio_watch

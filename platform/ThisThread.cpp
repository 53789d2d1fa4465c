#include "platform/ThisThread.h"

#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstring>

namespace {

// The lowest: dozens of busy scan threads at nice 10 still outweighed the
// window on two cores and kept it from a core for 100 ms at a time. Unlike an
// idle-class thread, a search at nice 19 still gets its share beside other
// programs' busy work.
constexpr int kBackgroundNice = 19;

} // namespace

namespace ThisThread {

void SetName(const char* name)
{
    // The system takes at most 15 characters and refuses a longer name.
    char shortened[16] = {};
    std::strncpy(shortened, name, sizeof shortened - 1);
    ::pthread_setname_np(::pthread_self(), shortened);
}

void RunInBackground()
{
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), kBackgroundNice);
}

} // namespace ThisThread

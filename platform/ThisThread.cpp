#include "platform/ThisThread.h"

#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstring>

namespace {

// Low enough that dozens of busy scan threads leave the window a core,
// without starving a search on a machine busy with other work.
constexpr int kBackgroundNice = 10;

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

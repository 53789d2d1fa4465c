#include "preview/HelperSandbox.h"

#include <csignal>
#include <ctime>
#include <initializer_list>
#include <seccomp.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kShadowMemory = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kShadowMemory = true;
#else
constexpr bool kShadowMemory = false;
#endif
#else
constexpr bool kShadowMemory = false;
#endif

bool SetLimit(int resource, rlim_t soft, rlim_t hard)
{
    const rlimit limit{soft, hard};
    return ::setrlimit(resource, &limit) == 0;
}

} // namespace

bool HelperSandbox::DieWithParent(pid_t parent)
{
    // The parent may have died before the request took effect.
    return ::prctl(PR_SET_PDEATHSIG, SIGKILL) == 0 && ::getppid() == parent;
}

bool HelperSandbox::LimitResources(unsigned cpuSeconds, unsigned long addressSpaceBytes)
{
    // The limit counts all CPU time so far, loading the libraries included.
    rusage usage{};
    if (::getrusage(RUSAGE_SELF, &usage) != 0)
        return false;
    const rlim_t cpu = static_cast<rlim_t>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) + 1 + cpuSeconds;
    if (!SetLimit(RLIMIT_CPU, cpu, cpu + 1) || !SetLimit(RLIMIT_FSIZE, 0, 0) || !SetLimit(RLIMIT_CORE, 0, 0))
        return false;
    return kShadowMemory || SetLimit(RLIMIT_AS, addressSpaceBytes, addressSpaceBytes);
}

bool HelperSandbox::ConfineTo(int answerFd)
{
    scmp_filter_ctx filter = seccomp_init(SCMP_ACT_KILL_PROCESS);
    if (!filter)
        return false;
    const auto allow = [filter](int call) { return seccomp_rule_add(filter, SCMP_ACT_ALLOW, call, 0) == 0; };
    bool ok = true;
    for (const int call : {SCMP_SYS(read), SCMP_SYS(pread64), SCMP_SYS(lseek), SCMP_SYS(brk), SCMP_SYS(munmap),
                           SCMP_SYS(mremap), SCMP_SYS(madvise), SCMP_SYS(futex), SCMP_SYS(clock_gettime),
                           SCMP_SYS(rt_sigreturn), SCMP_SYS(exit), SCMP_SYS(exit_group)})
        ok = ok && allow(call);
    // Writes go to the pipe and nowhere else.
    ok = ok && seccomp_rule_add(filter, SCMP_ACT_ALLOW, SCMP_SYS(write), 1,
                                SCMP_A0(SCMP_CMP_EQ, static_cast<scmp_datum_t>(answerFd), 0)) == 0;
    // Memory, but never executable memory.
    ok = ok &&
         seccomp_rule_add(filter, SCMP_ACT_ALLOW, SCMP_SYS(mmap), 1, SCMP_A2(SCMP_CMP_MASKED_EQ, PROT_EXEC, 0)) == 0;
    ok = ok && seccomp_rule_add(filter, SCMP_ACT_ALLOW, SCMP_SYS(mprotect), 1,
                                SCMP_A2(SCMP_CMP_MASKED_EQ, PROT_EXEC, 0)) == 0;
    ok = ok && seccomp_load(filter) == 0;
    seccomp_release(filter);
    return ok;
}

#include "platform/WindowThreadCheck.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

std::atomic<bool> g_bOn = false;
std::atomic<std::thread::id> g_windowThread{};

} // namespace

void WindowThreadCheck::DeclareWindowThread()
{
    g_windowThread.store(std::this_thread::get_id());
}

void WindowThreadCheck::DeclareNone()
{
    g_windowThread.store(std::thread::id());
}

void WindowThreadCheck::TurnOn()
{
    g_bOn.store(true);
}

void WindowThreadCheck::OffTheWindowThread(const char* strEntryPoint)
{
    if (g_bOn.load(std::memory_order_relaxed) && g_windowThread.load() == std::this_thread::get_id()) {
        std::fprintf(stderr, "%s was called on the window's thread, which must never wait on the disk\n",
                     strEntryPoint);
        std::abort();
    }
}

// The simulated desktop's bookkeeping: the call log, injected faults, the
// script of what happens while the program waits, and simulated time.
#include "sim/desktop.h"

#include <stdarg.h>
#include <stdio.h>
#include <algorithm>

namespace sim {

Desktop &D()
{
    static Desktop desktop;
    return desktop;
}

// Actions that run just before the nth call of a function from now.
struct Trigger {
    std::string function;
    int remaining;
    std::function<void()> action;
};
static std::vector<Trigger> triggers;

void BeforeCall(const char *function, int nth, std::function<void()> action)
{
    triggers.push_back({function, nth, std::move(action)});
}

static void RunTriggers(const char *function)
{
    for (size_t i = 0; i < triggers.size(); i++) {
        if (triggers[i].function != function || --triggers[i].remaining > 0)
            continue;
        std::function<void()> action = std::move(triggers[i].action);
        triggers.erase(triggers.begin() + i);
        action();
        return;
    }
}

void Log(const char *function, const char *format, ...)
{
    Desktop &d = D();
    RunTriggers(function);
    if (!d.logging)
        return;
    char args[512];
    va_list ap;
    va_start(ap, format);
    vsnprintf(args, sizeof args, format, ap);
    va_end(ap);
    d.log.push_back(std::string(function) + "(" + args + ")");
}

const std::vector<std::string> &Calls() { return D().log; }
void ClearCalls() { D().log.clear(); }
size_t CallCount() { return D().log.size(); }
void SetLogging(bool on) { D().logging = on; }

std::vector<std::string> CallsOf(std::initializer_list<const char *> functions)
{
    std::vector<std::string> out;
    for (const std::string &call : D().log) {
        std::string name = call.substr(0, call.find('('));
        for (const char *f : functions) {
            if (name == f) {
                out.push_back(call);
                break;
            }
        }
    }
    return out;
}

void FailCall(const char *function, int nth, int times)
{
    Fault f;
    f.skip = nth > 0 ? nth - 1 : 0;
    f.times = times;
    f.forever = times == 0;
    D().faults[function] = f;
}

void ClearFaults() { D().faults.clear(); }
size_t FaultsHit(const char *function)
{
    size_t hits = 0;
    for (const auto &f : D().faultsHit)
        if (!function || f.first == function)
            hits += f.second;
    return hits;
}

bool ShouldFail(const char *function)
{
    auto it = D().faults.find(function);
    if (it == D().faults.end())
        return false;
    Fault &f = it->second;
    if (f.skip > 0) {
        f.skip--;
        return false;
    }
    D().faultsHit[function]++;
    if (f.forever)
        return true;
    if (--f.times <= 0)
        D().faults.erase(it);
    return true;
}

void Then(std::function<void()> step) { D().script.push_back(std::move(step)); }

void RunNextStep()
{
    Desktop &d = D();
    if (d.script.empty())
        throw ScriptExhausted{};
    std::function<void()> step = std::move(d.script.front());
    d.script.pop_front();
    step();
}
size_t StepsLeft() { return D().script.size(); }

void At(DWORD when, std::function<void()> step)
{
    D().timed.push_back({when, std::move(step)});
}

DWORD Now() { return D().now; }

// Runs the timed steps whose moment has come, earliest first.
void RunTimedSteps()
{
    Desktop &d = D();
    for (;;) {
        auto next = d.timed.end();
        for (auto it = d.timed.begin(); it != d.timed.end(); ++it)
            if (it->when <= d.now && (next == d.timed.end() || it->when < next->when))
                next = it;
        if (next == d.timed.end())
            return;
        std::function<void()> step = std::move(next->step);
        d.timed.erase(next);
        step();
    }
}

void AdvanceTime(DWORD ms)
{
    D().now += ms;
    RunTimedSteps();
}

void SetScreen(int width, int height)
{
    D().screenWidth = width;
    D().screenHeight = height;
    // The primary monitor is the screen.
    if (!D().monitors.empty())
        D().monitors.front().area = D().monitors.front().work = {0, 0, width, height};
}

void SetCursor(int x, int y) { D().cursor = {x, y}; }
void RefuseForeground(bool refuse) { D().refuseForeground = refuse; }

size_t LiveHeapBlocks() { return D().heapBlocks.size(); }

} // namespace sim

// Watching a window program from outside, as a user or an assistive tool sees it: starting it,
// finding its windows, asking its window thread for answers, reading its working set; and the
// broken class registrations the scan benchmarks plant.
#pragma once

#include "platform/Handles.h"

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace bench {

// The folder of the running benchmark (the programs are built beside it).
std::string ProgramFolder();
bool FileExists(const std::string& path);

struct Child {
    tw::UniqueHandle process;
    DWORD id = 0;
    double started = 0;  // Now() just before CreateProcess
};

// Starts "<ProgramFolder>\<exe> <args>" (or exe itself when it is a full path) in the current folder.
bool Start(const std::string& exe, const std::string& args, Child& child);

// A visible top-level window of the process with exactly this title, or null.
HWND FindVisibleWindow(DWORD process, const char* title);

// Seconds until the window answered WM_NULL, or -1 when it gave no answer within timeoutMs.
double Ping(HWND window, UINT timeoutMs);

// Waits until a visible window of the child titled title answers WM_NULL; returns the seconds since
// the child was started, or -1 when the child ended or the time ran out.
double WaitInteractive(const Child& child, const char* title, double timeoutSeconds, HWND* window);

// Posts msg to the window and waits for the child to end; a child still running after
// timeoutSeconds is terminated. True when it ended on its own.
bool Close(Child& child, HWND window, UINT msg, WPARAM wp, double timeoutSeconds);

// The working set of a process in bytes (peak too, when asked); 0 when it cannot be read.
SIZE_T WorkingSet(HANDLE process, SIZE_T* peak = nullptr);

// The first window under top (any depth) of the class (any class when null) with this outer size.
HWND FindDescendant(HWND top, const char* className, int width, int height);

// The rows of a list view, or -1 when its thread gave no answer within timeoutMs.
int ListCount(HWND list, UINT timeoutMs);

// The p-th percentile (0..100) of the values, nearest rank; 0 for none.
double Percentile(std::vector<double> values, double p);

// Sends WM_NULL to a window every period from a thread of its own and records how long each
// answer took. A probe that takes longer than the period delays the next one to the next slot.
class Prober {
public:
    struct Sample {
        double sent;     // Now() when sent
        double seconds;  // until answered (the time-out when there was no answer)
    };

    Prober(HWND window, double period, double offset);
    ~Prober();
    Prober(const Prober&) = delete;
    Prober& operator=(const Prober&) = delete;

    // Stops probing (waiting for a probe on its way) and hands over the samples.
    std::vector<Sample> Stop();
    // The answer times of the samples sent in [from, to).
    static std::vector<double> Between(const std::vector<Sample>& samples, double from, double to);

private:
    void Run();

    HWND window_;
    double period_;
    double offset_;
    std::atomic<bool> stop_{false};
    std::vector<Sample> samples_;
    std::thread thread_;
};

// Broken class registrations: HKCR\CLSID\{7DBE0013-BE7C-4000-8000-<12 digits>} whose
// InprocServer32 names a file under C:\tidewarp-bench-missing. Any left by an interrupted run are
// removed first; all of them go again on destruction.
class PlantedClasses {
public:
    explicit PlantedClasses(int count);
    ~PlantedClasses();
    PlantedClasses(const PlantedClasses&) = delete;
    PlantedClasses& operator=(const PlantedClasses&) = delete;

    int Count() const { return planted_; }
    double Seconds() const { return seconds_; }  // planting took
    static std::string Name(int i);
    static void RemoveAll();

private:
    int planted_ = 0;
    double seconds_ = 0;
};

}  // namespace bench

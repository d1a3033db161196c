// Times program launches on an X server: from fork to the program's first top-level window being
// mapped, and to its first pixels reaching the screen; then its peak memory, after which the
// window is closed the way a window manager's close box does it.
//
//   xr-launch-probe [--runs N] [--warmup N] [--settle-ms MS] [--log FILE] NAME=PROGRAM...
//
// Every program runs N times, interleaved with the others (the order rotates each round so that
// a slow spell of the shared machine does not always fall on the same one), after N warm-up
// runs that are not counted. The first program is the baseline: the summary gives each other
// program's medians as a ratio of the baseline's.
//
// Why events and not polling: the probe selects SubstructureNotify on the root window before it
// forks, so the server queues a MapNotify the moment it maps the new top-level window (there is
// no window manager under Xvfb to delay or reparent it); the probe sleeps in poll() on the
// connection and stamps the event when it arrives, well under a millisecond after the map. A
// window is the program's when its _NET_WM_PID is the child's pid.
//
// Mapped is not yet painted: Qt draws on the first Expose, after the map. The probe keeps a copy
// of the screen taken before the launch and, once the window is mapped, reads back one row of
// the screen across the middle of the window every millisecond; the first row that differs from
// the copy is the first frame drawn. One row is a few kilobytes, so polling costs the server
// little.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point t0) {
  return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

struct Program {
  std::string name;
  std::vector<std::string> argv;
};

struct Launch {
  bool ok = false;
  std::string failure;
  double mapMs = 0;
  double paintMs = 0;
  double cpuMs = 0;   // CPU time of all the program's threads when its first frame was seen
  long hwmKb = 0;     // VmHWM once the window has settled
  long maxRssKb = 0;  // ru_maxrss over the whole life, exit included
};

struct Options {
  int runs = 9;
  int warmup = 1;
  int settleMs = 1000;
  int timeoutMs = 15000;
  std::string log = "/dev/null";
  std::vector<Program> programs;
};

[[noreturn]] void Usage() {
  std::fprintf(stderr,
               "usage: xr-launch-probe [--runs N] [--warmup N] [--settle-ms MS] [--log FILE] "
               "NAME=PROGRAM [ARGS...]...\n"
               "  (arguments of a program are separated by commas: NAME=PROG,ARG1,ARG2)\n");
  std::exit(2);
}

Options Parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) Usage();
      return argv[++i];
    };
    if (a == "--runs") {
      o.runs = std::atoi(value().c_str());
    } else if (a == "--warmup") {
      o.warmup = std::atoi(value().c_str());
    } else if (a == "--settle-ms") {
      o.settleMs = std::atoi(value().c_str());
    } else if (a == "--log") {
      o.log = value();
    } else if (a.find('=') != std::string::npos && a[0] != '-') {
      Program p;
      p.name = a.substr(0, a.find('='));
      std::stringstream rest(a.substr(a.find('=') + 1));
      for (std::string part; std::getline(rest, part, ',');) p.argv.push_back(part);
      if (p.argv.empty()) Usage();
      o.programs.push_back(std::move(p));
    } else {
      Usage();
    }
  }
  if (o.programs.empty() || o.runs < 1 || o.warmup < 0) Usage();
  return o;
}

std::optional<long> WindowPid(Display* dpy, Window w) {
  static const Atom netWmPid = XInternAtom(dpy, "_NET_WM_PID", False);
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::optional<long> pid;
  if (XGetWindowProperty(dpy, w, netWmPid, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after,
                         &data) == Success &&
      type == XA_CARDINAL && format == 32 && count == 1) {
    pid = *reinterpret_cast<long*>(data);
  }
  if (data != nullptr) XFree(data);
  return pid;
}

// One row of the screen as 32-bit pixels.
std::vector<unsigned long> ReadRow(Display* dpy, int y, int x0, int width) {
  std::vector<unsigned long> row;
  XImage* img = XGetImage(dpy, DefaultRootWindow(dpy), x0, y, static_cast<unsigned>(width), 1,
                          AllPlanes, ZPixmap);
  if (img == nullptr) return row;
  row.reserve(static_cast<std::size_t>(width));
  for (int x = 0; x < width; ++x) row.push_back(XGetPixel(img, x, 0));
  XDestroyImage(img);
  return row;
}

long ProcStatusKb(pid_t pid, const char* field) {
  std::ifstream f("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(f, line);) {
    if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::strlen(field));
  }
  return -1;
}

// The process's CPU time in ms, all its threads together, those that have already ended
// included: a program may do part of its start-up on a thread that is gone by the first frame.
// Its CPU-time clock is exact (utime and stime in /proc/PID/stat come in 10 ms steps, too coarse
// for a start-up of a few tens of ms).
double CpuMs(pid_t pid) {
  clockid_t clock{};
  timespec ts{};
  if (clock_getcpuclockid(pid, &clock) != 0 || clock_gettime(clock, &ts) != 0) return -1;
  return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

void SendClose(Display* dpy, Window w) {
  XEvent ev{};
  ev.xclient.type = ClientMessage;
  ev.xclient.window = w;
  ev.xclient.message_type = XInternAtom(dpy, "WM_PROTOCOLS", False);
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = static_cast<long>(XInternAtom(dpy, "WM_DELETE_WINDOW", False));
  ev.xclient.data.l[1] = CurrentTime;
  XSendEvent(dpy, w, False, NoEventMask, &ev);
  XFlush(dpy);
}

// Waits for the child to end, killing it if it has not ended by the deadline.
bool Reap(pid_t pid, int timeoutMs, rusage& usage, int& status) {
  const auto t0 = Clock::now();
  while (true) {
    const pid_t r = wait4(pid, &status, WNOHANG, &usage);
    if (r == pid) return true;
    if (MsSince(t0) > timeoutMs) {
      kill(pid, SIGKILL);
      wait4(pid, &status, 0, &usage);
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

Launch Measure(Display* dpy, const Program& program, const Options& o) {
  Launch result;
  const int screenW = DisplayWidth(dpy, DefaultScreen(dpy));
  const int screenH = DisplayHeight(dpy, DefaultScreen(dpy));
  // The screen as it is without the window; compared row by row after the map.
  XImage* before = XGetImage(dpy, DefaultRootWindow(dpy), 0, 0, static_cast<unsigned>(screenW),
                             static_cast<unsigned>(screenH), AllPlanes, ZPixmap);
  if (before == nullptr) {
    result.failure = "cannot read the screen";
    return result;
  }
  XSync(dpy, False);
  while (XPending(dpy) > 0) {
    XEvent discard;
    XNextEvent(dpy, &discard);
  }

  std::vector<char*> args;
  for (const auto& s : program.argv) args.push_back(const_cast<char*>(s.c_str()));
  args.push_back(nullptr);
  const int logFd = open(o.log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);

  const auto t0 = Clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    if (logFd >= 0) {
      dup2(logFd, 1);
      dup2(logFd, 2);
    }
    execv(args[0], args.data());
    _exit(127);
  }
  if (logFd >= 0) close(logFd);
  if (pid < 0) {
    XDestroyImage(before);
    result.failure = "fork failed";
    return result;
  }

  // Wait for the program's window to be mapped.
  Window window = None;
  const int fd = ConnectionNumber(dpy);
  while (window == None) {
    while (XPending(dpy) > 0 && window == None) {
      XEvent ev;
      XNextEvent(dpy, &ev);
      if (ev.type != MapNotify) continue;
      const double at = MsSince(t0);
      if (WindowPid(dpy, ev.xmap.window) == static_cast<long>(pid)) {
        window = ev.xmap.window;
        result.mapMs = at;
      }
    }
    if (window != None) break;
    if (MsSince(t0) > o.timeoutMs) {
      result.failure = "no window mapped";
      break;
    }
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) {
      result.failure = "exited before mapping a window";
      XDestroyImage(before);
      return result;
    }
    pollfd p{fd, POLLIN, 0};
    poll(&p, 1, 20);
  }

  if (window != None) {
    XWindowAttributes wa{};
    XGetWindowAttributes(dpy, window, &wa);
    Window child = None;
    int rx = 0, ry = 0;
    XTranslateCoordinates(dpy, window, DefaultRootWindow(dpy), 0, 0, &rx, &ry, &child);
    const int x0 = std::clamp(rx, 0, screenW - 1);
    const int x1 = std::clamp(rx + wa.width, 1, screenW);
    const int y = std::clamp(ry + wa.height / 2, 0, screenH - 1);
    std::vector<unsigned long> reference;
    for (int x = x0; x < x1; ++x) reference.push_back(XGetPixel(before, x, y));
    while (true) {
      const std::vector<unsigned long> row = ReadRow(dpy, y, x0, x1 - x0);
      const double at = MsSince(t0);
      if (!row.empty() && row != reference) {
        result.paintMs = at;
        result.cpuMs = CpuMs(pid);
        break;
      }
      if (MsSince(t0) > o.timeoutMs) {
        result.failure = "mapped but never drawn";
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(o.settleMs));
    result.hwmKb = ProcStatusKb(pid, "VmHWM:");
    SendClose(dpy, window);
  }
  XDestroyImage(before);

  rusage usage{};
  int status = 0;
  const bool closed = Reap(pid, 5000, usage, status);
  result.maxRssKb = usage.ru_maxrss;
  if (result.failure.empty() && !closed) result.failure = "did not close on WM_DELETE_WINDOW";
  if (result.failure.empty() && !(WIFEXITED(status) && WEXITSTATUS(status) == 0)) {
    result.failure = "did not exit cleanly (status " + std::to_string(status) + ")";
  }
  result.ok = result.failure.empty();
  return result;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  const Options o = Parse(argc, argv);
  Display* dpy = XOpenDisplay(nullptr);
  if (dpy == nullptr) {
    std::fprintf(stderr, "xr-launch-probe: cannot open display\n");
    return 1;
  }
  fcntl(ConnectionNumber(dpy), F_SETFD, FD_CLOEXEC);
  XSelectInput(dpy, DefaultRootWindow(dpy), SubstructureNotifyMask);
  XSync(dpy, False);

  const std::size_t n = o.programs.size();
  std::vector<std::vector<Launch>> results(n);
  const int total = o.warmup + o.runs;
  std::printf("%-10s %5s %9s %9s %9s %9s %11s\n", "program", "run", "map ms", "paint ms", "cpu ms",
              "HWM MB", "maxrss MB");
  bool failed = false;
  for (int round = 0; round < total; ++round) {
    for (std::size_t k = 0; k < n; ++k) {
      const std::size_t i = (k + static_cast<std::size_t>(round)) % n;
      const Program& p = o.programs[i];
      const Launch r = Measure(dpy, p, o);
      const bool counted = round >= o.warmup;
      const std::string run = counted ? std::to_string(round - o.warmup + 1) : "warm";
      if (!r.ok) {
        std::printf("%-10s %5s FAILED: %s\n", p.name.c_str(), run.c_str(), r.failure.c_str());
        failed = true;
        continue;
      }
      std::printf("%-10s %5s %9.1f %9.1f %9.1f %9.1f %11.1f\n", p.name.c_str(), run.c_str(),
                  r.mapMs, r.paintMs, r.cpuMs, r.hwmKb / 1024.0, r.maxRssKb / 1024.0);
      std::fflush(stdout);
      if (counted) results[i].push_back(r);
    }
  }

  std::printf("\nmedians of %d runs (ratio = program / %s)\n", o.runs, o.programs[0].name.c_str());
  std::printf("%-10s %9s %9s %9s %9s %11s\n", "program", "map ms", "paint ms", "cpu ms", "HWM MB",
              "maxrss MB");
  struct Med {
    double map, paint, cpu, hwm, maxrss;
  };
  std::vector<Med> meds;
  for (std::size_t i = 0; i < n; ++i) {
    std::vector<double> map, paint, cpu, hwm, maxrss;
    for (const Launch& r : results[i]) {
      map.push_back(r.mapMs);
      paint.push_back(r.paintMs);
      cpu.push_back(r.cpuMs);
      hwm.push_back(static_cast<double>(r.hwmKb) / 1024.0);
      maxrss.push_back(static_cast<double>(r.maxRssKb) / 1024.0);
    }
    if (map.empty()) {
      meds.push_back({0, 0, 0, 0, 0});
      std::printf("%-10s no successful run\n", o.programs[i].name.c_str());
      continue;
    }
    meds.push_back({Median(map), Median(paint), Median(cpu), Median(hwm), Median(maxrss)});
    std::printf("%-10s %9.1f %9.1f %9.1f %9.1f %11.1f\n", o.programs[i].name.c_str(), meds[i].map,
                meds[i].paint, meds[i].cpu, meds[i].hwm, meds[i].maxrss);
  }
  for (std::size_t i = 1; i < n && meds[0].map > 0; ++i) {
    std::printf("%-10s %9.2f %9.2f %9.2f %9.2f %11.2f   <- ratio to %s\n",
                o.programs[i].name.c_str(), meds[i].map / meds[0].map,
                meds[i].paint / meds[0].paint, meds[i].cpu / meds[0].cpu, meds[i].hwm / meds[0].hwm,
                meds[i].maxrss / meds[0].maxrss, o.programs[0].name.c_str());
  }
  XCloseDisplay(dpy);
  return failed ? 1 : 0;
}

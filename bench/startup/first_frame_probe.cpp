// Linked into every start-up program: reports, on standard output, when the first
// top-level window has finished its first frame, then ends the program.
//
// "Finished" means: the window's first Paint event has been delivered (the whole
// backing store is painted in that same pass, children included, and flushed to the
// platform), and the event loop has then run out of work and is about to wait. That is
// the first moment the program sits idle with its window drawn.
//
// It installs itself from QCoreApplication's constructor, so the programs' main()
// functions, src/main.cpp among them, stay exactly as they are.
//
// With STARTUP_PROBE_SMAPS set to a file name it also copies /proc/self/smaps there at
// that moment, to tell which mappings the resident memory is in.
#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "process_stats.h"

namespace {

// CPU time of the whole process, all threads, since exec (glibc reads
// CLOCK_PROCESS_CPUTIME_ID); microsecond steps.
long long cpuNs() {
    return static_cast<long long>(std::clock()) * (1'000'000'000LL / CLOCKS_PER_SEC);
}

// Taken during static initialisation: the executable and its libraries are loaded.
const long long loadedNs = monotonicNs();

void copyFile(const char* from, const char* to) {
    std::FILE* in = std::fopen(from, "r");
    std::FILE* out = in ? std::fopen(to, "w") : nullptr;
    char buffer[65536];
    std::size_t got = 0;
    while (out && (got = std::fread(buffer, 1, sizeof buffer, in)) > 0)
        std::fwrite(buffer, 1, got, out);
    if (out)
        std::fclose(out);
    if (in)
        std::fclose(in);
}

class FirstFrameProbe : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->isWindow()) {
            paintNs_ = monotonicNs();
            window_ = static_cast<QWidget*>(watched);
            QCoreApplication::instance()->removeEventFilter(this);
            connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock,
                    this, &FirstFrameProbe::report, Qt::DirectConnection);
        }
        return false;
    }

private:
    void report() {
        const long long frameNs = monotonicNs();
        const long long cpu = cpuNs();
        disconnect(QAbstractEventDispatcher::instance(), nullptr, this, nullptr);
        std::printf("first_frame frame_ns=%lld paint_ns=%lld loaded_ns=%lld cpu_ns=%lld "
                    "rss_kib=%lld hwm_kib=%lld width=%d height=%d\n",
                    frameNs, paintNs_, loadedNs, cpu, statusKiB("VmRSS:"), statusKiB("VmHWM:"),
                    window_->width(), window_->height());
        if (const char* copy = std::getenv("STARTUP_PROBE_SMAPS"); copy && *copy)
            copyFile("/proc/self/smaps", copy);
        std::fflush(stdout);
        QCoreApplication::exit(0);
    }

    long long paintNs_ = 0;
    QWidget* window_ = nullptr;
};

void installProbe() {
    QCoreApplication::instance()->installEventFilter(
        new FirstFrameProbe(QCoreApplication::instance()));
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(installProbe)

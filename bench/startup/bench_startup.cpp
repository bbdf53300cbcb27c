// Runs the three start-up programs in turn, many rounds, and compares Form1's time to
// its first frame and its memory with those of two plain windows of its size.
//
// The time of one run is taken from just before the child is spawned to the moment
// its first frame is done (see first_frame_probe.cpp); both ends read CLOCK_MONOTONIC.
// The child's own CPU time up to that moment is shown too: it moves less than the
// wall-clock time when other work shares the machine.
//
//   bench_startup [--rounds N] [--platform NAME]... [--stages] [--smaps DIR]
//
// Without --platform it runs on offscreen, and on xcb too when DISPLAY is set.
// --stages also times src/main.cpp's steps one by one (startup_form1_stages);
// --smaps also compares Form1's resident memory with the text window's, mapping by mapping.
#include "process_stats.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct Program {
    const char* name;
    const char* path;
    std::vector<std::string> arguments;
};

// Form1 first; the other two are the yardsticks it is divided by.
const Program kPrograms[] = {
    {"startup_form1", STARTUP_FORM1_PATH, {}},
    {"startup_text_window", STARTUP_TEXT_WINDOW_PATH, {}},
    {"startup_empty_window", STARTUP_EMPTY_WINDOW_PATH, {}},
};
constexpr int kProgramCount = 3;
constexpr double kTimeTarget = 1.25;
constexpr double kMemoryTarget = 1.15;
constexpr int kTimeoutMs = 30'000;

// Every key=value a child printed, plus "start_ns" of its spawn.
using Sample = std::map<std::string, long long>;

// Reads both of the child's pipes to the end, or until the deadline.
bool drain(int out, int err, std::string& outText, std::string& errText, long long deadlineNs) {
    pollfd fds[2] = {{out, POLLIN, 0}, {err, POLLIN, 0}};
    std::string* texts[2] = {&outText, &errText};
    int open = 2;
    while (open > 0) {
        const long long leftMs = (deadlineNs - monotonicNs()) / 1'000'000;
        if (leftMs <= 0 || poll(fds, 2, int(leftMs)) <= 0)
            return false;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            char buffer[4096];
            const ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
            if (got > 0) {
                texts[i]->append(buffer, std::size_t(got));
            } else {
                fds[i].fd = -1;
                --open;
            }
        }
    }
    return true;
}

std::optional<Sample> runOnce(const Program& program, const std::string& platform,
                              const std::string& smapsCopy = {}) {
    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry) {
        if (std::strncmp(*entry, "QT_QPA_PLATFORM=", 16) != 0 &&
            std::strncmp(*entry, "STARTUP_PROBE_SMAPS=", 20) != 0)
            environment.emplace_back(*entry);
    }
    environment.push_back("QT_QPA_PLATFORM=" + platform);
    if (!smapsCopy.empty())
        environment.push_back("STARTUP_PROBE_SMAPS=" + smapsCopy);
    std::vector<char*> envp;
    for (std::string& entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::vector<std::string> arguments{program.path};
    arguments.insert(arguments.end(), program.arguments.begin(), program.arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    int out[2], err[2];
    if (pipe(out) != 0 || pipe(err) != 0) {
        std::perror("pipe");
        return std::nullopt;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, err[0]);

    const long long startNs = monotonicNs();
    pid_t child = 0;
    const int spawned =
        posix_spawn(&child, program.path, &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(err[1]);
    if (spawned != 0) {
        std::fprintf(stderr, "%s: cannot start: %s\n", program.path, std::strerror(spawned));
        close(out[0]);
        close(err[0]);
        return std::nullopt;
    }

    std::string outText, errText;
    const bool finished =
        drain(out[0], err[0], outText, errText, startNs + kTimeoutMs * 1'000'000LL);
    close(out[0]);
    close(err[0]);
    if (!finished)
        kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);

    Sample sample{{"start_ns", startNs}};
    std::istringstream words(outText);
    for (std::string word; words >> word;) {
        if (const std::size_t equals = word.find('='); equals != std::string::npos)
            sample[word.substr(0, equals)] = std::strtoll(word.c_str() + equals + 1, nullptr, 10);
    }
    bool complete = true;
    for (const char* key :
         {"frame_ns", "paint_ns", "loaded_ns", "cpu_ns", "rss_kib", "width", "height"})
        complete = complete && sample.count(key);
    if (!finished || !WIFEXITED(status) || WEXITSTATUS(status) != 0 || !complete) {
        std::fprintf(stderr, "%s on %s: no first frame reported (%s, status %d)\n%s%s",
                     program.name, platform.c_str(), finished ? "ended" : "timed out", status,
                     outText.c_str(), errText.c_str());
        return std::nullopt;
    }
    return sample;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Nearest-rank percentile.
double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    const std::size_t rank = std::size_t(std::ceil(p / 100.0 * double(values.size())));
    return values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
}

double sinceStartMs(const Sample& s, const char* key) {
    return double(s.at(key) - s.at("start_ns")) / 1e6;
}

template <typename Get> std::vector<double> column(const std::vector<Sample>& samples, Get get) {
    std::vector<double> values;
    for (const Sample& sample : samples)
        values.push_back(get(sample));
    return values;
}

// Runs each program `rounds` times, after one untimed round that warms the page cache.
// The order turns each round, so no program always runs first or after the same one.
bool runRounds(const std::vector<Program>& programs, const std::string& platform, int rounds,
               std::vector<std::vector<Sample>>& samples) {
    samples.assign(programs.size(), {});
    const int count = int(programs.size());
    for (int round = -1; round < rounds; ++round) {
        for (int k = 0; k < count; ++k) {
            const int index = (std::max(round, 0) + k) % count;
            const std::optional<Sample> sample = runOnce(programs[std::size_t(index)], platform);
            if (!sample)
                return false;
            if (round >= 0)
                samples[std::size_t(index)].push_back(*sample);
        }
    }
    return true;
}

const char* verdict(double ratio, double target) {
    return ratio <= target ? "met" : "MISSED";
}

bool compare(const std::string& platform, int rounds) {
    const std::vector<Program> programs(std::begin(kPrograms), std::end(kPrograms));
    std::vector<std::vector<Sample>> samples;
    if (!runRounds(programs, platform, rounds, samples))
        return false;

    std::printf("\nPlatform %s: %d rounds (after 1 warm-up round), order turned each round\n",
                platform.c_str(), rounds);
    std::printf("Spawn to first frame done (ms), CPU time to it (ms), RSS right after it (MiB)\n");
    std::printf("%-21s %7s %7s %7s %8s %8s %7s %7s %7s\n", "program", "median", "min", "p90",
                "loaded*", "1stpaint*", "CPU*", "RSS*", "RSSmax");
    double frame[kProgramCount], cpu[kProgramCount], rss[kProgramCount];
    for (int i = 0; i < kProgramCount; ++i) {
        const auto& runs = samples[std::size_t(i)];
        const auto frames =
            column(runs, [](const Sample& s) { return sinceStartMs(s, "frame_ns"); });
        const auto rsses = column(runs, [](const Sample& s) { return s.at("rss_kib") / 1024.0; });
        frame[i] = median(frames);
        cpu[i] = median(column(runs, [](const Sample& s) { return s.at("cpu_ns") / 1e6; }));
        rss[i] = median(rsses);
        std::printf(
            "%-21s %7.2f %7.2f %7.2f %8.2f %8.2f %7.2f %7.2f %7.2f\n", kPrograms[i].name, frame[i],
            *std::min_element(frames.begin(), frames.end()), percentile(frames, 90),
            median(column(runs, [](const Sample& s) { return sinceStartMs(s, "loaded_ns"); })),
            median(column(runs, [](const Sample& s) { return sinceStartMs(s, "paint_ns"); })),
            cpu[i], rss[i], *std::max_element(rsses.begin(), rsses.end()));
        const Sample& first = runs.front();
        const Sample& form1 = samples[0].front();
        if (first.at("width") != form1.at("width") || first.at("height") != form1.at("height"))
            std::printf("  warning: window is %lldx%lld, Form1's is %lldx%lld\n", first.at("width"),
                        first.at("height"), form1.at("width"), form1.at("height"));
    }
    std::printf("(* medians. loaded: executable and libraries loaded, static initialisation "
                "done;\n   1stpaint: first Paint event reaches the window; CPU: the child's, "
                "all threads)\n");

    // The same ratio taken within each round, where both runs met the same machine load.
    std::vector<double> pairedTime, pairedCpu;
    for (std::size_t r = 0; r < samples[0].size(); ++r) {
        pairedTime.push_back(sinceStartMs(samples[0][r], "frame_ns") /
                             sinceStartMs(samples[1][r], "frame_ns"));
        pairedCpu.push_back(double(samples[0][r].at("cpu_ns")) /
                            double(samples[1][r].at("cpu_ns")));
    }
    const double timeRatio = frame[0] / frame[1], memoryRatio = rss[0] / rss[1];
    std::printf("Form1 / text window:  time %.3fx (target at most %.2fx: %s), "
                "RSS %.3fx (target at most %.2fx: %s)\n",
                timeRatio, kTimeTarget, verdict(timeRatio, kTimeTarget), memoryRatio, kMemoryTarget,
                verdict(memoryRatio, kMemoryTarget));
    std::printf("                      time, median of per-round ratios %.3fx; CPU %.3fx "
                "(per-round %.3fx)\n",
                median(pairedTime), cpu[0] / cpu[1], median(pairedCpu));
    std::printf("Form1 / empty window: time %.3fx, CPU %.3fx, RSS %.3fx\n", frame[0] / frame[2],
                cpu[0] / cpu[2], rss[0] / rss[2]);
    std::printf("Form1 - text window:  time %+.2f ms, CPU %+.2f ms, RSS %+.2f MiB\n",
                frame[0] - frame[1], cpu[0] - cpu[1], rss[0] - rss[1]);
    return true;
}

// src/main.cpp's steps, each the median over the rounds, with and without work moved
// ahead of Form1 (see form1_stages.cpp).
bool stages(const std::string& platform, int rounds) {
    const std::vector<Program> variants{
        {"startup_form1", STARTUP_FORM1_PATH, {}}, // the unmarked program, for reference
        {"as main.cpp", STARTUP_FORM1_STAGES_PATH, {}},
        {"fontdb first", STARTUP_FORM1_STAGES_PATH, {"fontdb"}},
        {"fontdb, pictures first", STARTUP_FORM1_STAGES_PATH, {"fontdb", "pictures"}},
    };
    std::vector<std::vector<Sample>> samples;
    if (!runRounds(variants, platform, rounds, samples))
        return false;
    std::printf("\nForm1's start-up step by step, platform %s, medians of %d runs: "
                "ms spent in the step [RSS it added, MiB]\n",
                platform.c_str(), rounds);
    const char* steps[][2] = {
        {"loaded", "exec, load libraries"},
        {"main", "static init to main()"},
        {"app", "QApplication"},
        {"fontdb", "font database, default font"},
        {"pictures", "Form1's JPEGs"},
        {"form1", "Form1 constructor"},
        {"load", "load(): the table"},
        {"show", "show()"},
        {"paint", "to first paint"},
        {"frame", "first frame done"},
    };
    std::printf("%-28s", "step");
    for (const Program& variant : variants)
        std::printf(" %23s", variant.name);
    std::printf("\n");
    for (auto [key, title] : steps) {
        std::printf("%-28s", title);
        for (std::size_t v = 0; v < variants.size(); ++v) {
            const std::string at = std::string(key) + "_ns";
            if (!samples[v].front().count(at)) {
                std::printf(" %13s %9s", "-", "");
                continue;
            }
            // The step runs from the latest mark before it, whichever that was.
            const auto previous = [&](const Sample& s) -> std::string {
                std::string last = "start";
                long long lastNs = s.at("start_ns");
                for (auto [k, t] : steps) {
                    const auto it = s.find(std::string(k) + "_ns");
                    if (it != s.end() && it->second <= s.at(at) && it->second > lastNs &&
                        it->first != at) {
                        last = k;
                        lastNs = it->second;
                    }
                }
                return last;
            };
            const double ms = median(column(samples[v], [&](const Sample& s) {
                return double(s.at(at) - s.at(previous(s) + "_ns")) / 1e6;
            }));
            const std::string rssKey = std::string(key) + "_rss_kib";
            const Sample& first = samples[v].front();
            if (first.count(rssKey) && first.count(previous(first) + "_rss_kib")) {
                const double added = median(column(samples[v], [&](const Sample& s) {
                    return (s.at(rssKey) - s.at(previous(s) + "_rss_kib")) / 1024.0;
                }));
                std::printf(" %13.2f [%+7.2f]", ms, added);
            } else if (first.count(rssKey)) { // nothing before it to subtract: the whole RSS
                const double whole = median(
                    column(samples[v], [&](const Sample& s) { return s.at(rssKey) / 1024.0; }));
                std::printf(" %13.2f [=%7.2f]", ms, whole);
            } else {
                std::printf(" %13.2f %9s", ms, "");
            }
        }
        std::printf("\n");
    }
    std::printf("%-28s", "total, spawn to first frame");
    for (std::size_t v = 0; v < variants.size(); ++v)
        std::printf(
            " %13.2f %9s",
            median(column(samples[v], [](const Sample& s) { return sinceStartMs(s, "frame_ns"); })),
            "");
    std::printf("\n");
    return true;
}

// Resident KiB by mapped file ("[anon]" for anonymous memory) in a copy of smaps.
std::map<std::string, long long> residentByMapping(const std::string& file) {
    std::map<std::string, long long> resident;
    std::ifstream in(file);
    std::string current = "[anon]";
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("Rss:", 0) == 0) {
            resident[current] += std::strtoll(line.c_str() + 4, nullptr, 10);
        } else if (!line.empty() && std::isxdigit(static_cast<unsigned char>(line[0])) &&
                   line.find('-') < line.find(' ')) {
            // address perms offset dev inode [path]
            std::istringstream fields(line);
            std::string address, perms, offset, device, inode, path;
            fields >> address >> perms >> offset >> device >> inode;
            std::getline(fields >> std::ws, path);
            current = path.empty() ? "[anon]" : path;
        }
    }
    return resident;
}

bool smaps(const std::string& platform, const std::string& directory) {
    mkdir(directory.c_str(), 0777); // it may be there already
    std::map<std::string, long long> resident[2];
    for (int i = 0; i < 2; ++i) {
        const std::string copy = directory + "/" + kPrograms[i].name + ".smaps";
        std::remove(copy.c_str());
        if (!runOnce(kPrograms[i], platform, copy))
            return false;
        resident[i] = residentByMapping(copy);
        if (resident[i].empty()) {
            std::fprintf(stderr, "%s: no copy of smaps was written\n", copy.c_str());
            return false;
        }
    }
    std::vector<std::pair<long long, std::string>> differences;
    long long total[2] = {0, 0};
    std::map<std::string, bool> names;
    for (int i = 0; i < 2; ++i) {
        for (auto& [name, kib] : resident[i]) {
            names[name] = true;
            total[i] += kib;
        }
    }
    for (auto& [name, unused] : names) {
        const long long difference = resident[0][name] - resident[1][name];
        if (difference != 0)
            differences.emplace_back(difference, name);
    }
    std::sort(differences.begin(), differences.end(),
              [](auto& a, auto& b) { return std::llabs(a.first) > std::llabs(b.first); });
    std::printf("\nResident memory by mapping, platform %s, one run each (copies in %s)\n",
                platform.c_str(), directory.c_str());
    std::printf("%10s %10s %10s  mapping\n", "Form1 KiB", "text KiB", "difference");
    for (std::size_t i = 0; i < differences.size() && i < 15; ++i) {
        const std::string& name = differences[i].second;
        std::printf("%10lld %10lld %+10lld  %s\n", resident[0][name], resident[1][name],
                    differences[i].first, name.c_str());
    }
    std::printf("%10lld %10lld %+10lld  all mappings\n", total[0], total[1], total[0] - total[1]);
    return true;
}

// The first line of a /proc file that starts with `prefix`, without it; empty if none.
std::string procLine(const char* file, const std::string& prefix) {
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(prefix, 0) == 0)
            return line.substr(prefix.size());
    }
    return {};
}

// Start-up times mean little without the machine and how busy it was.
void printMachine(const char* when) {
    std::string model = procLine("/proc/cpuinfo", "model name");
    model.erase(0, model.find_first_not_of(" \t:"));
    std::printf("%s: %ld CPUs online, %s; load average %s\n", when, sysconf(_SC_NPROCESSORS_ONLN),
                model.c_str(), procLine("/proc/loadavg", "").c_str());
}

} // namespace

int main(int argc, char* argv[]) {
    int rounds = 30;
    bool withStages = false;
    std::string smapsDirectory;
    std::vector<std::string> platforms;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--rounds" && i + 1 < argc && std::atoi(argv[i + 1]) > 0) {
            rounds = std::atoi(argv[++i]);
        } else if (argument == "--platform" && i + 1 < argc) {
            platforms.emplace_back(argv[++i]);
        } else if (argument == "--stages") {
            withStages = true;
        } else if (argument == "--smaps" && i + 1 < argc) {
            smapsDirectory = argv[++i];
        } else {
            std::fprintf(stderr,
                         "usage: %s [--rounds N] [--platform NAME]... [--stages] [--smaps DIR]\n",
                         argv[0]);
            return 2;
        }
    }
    if (platforms.empty()) {
        platforms.emplace_back("offscreen");
        if (const char* display = std::getenv("DISPLAY"); display && *display)
            platforms.emplace_back("xcb");
    }
    printMachine("Before");
    bool ok = true;
    for (const std::string& platform : platforms) {
        ok = compare(platform, rounds) && ok;
        if (withStages)
            ok = stages(platform, rounds) && ok;
        if (!smapsDirectory.empty())
            ok = smaps(platform, smapsDirectory) && ok;
    }
    printMachine("\nAfter");
    return ok ? 0 : 1;
}

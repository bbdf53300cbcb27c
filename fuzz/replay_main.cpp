// Runs a fuzz target without libFuzzer, so that every compiler's build exercises it: first
// each file named or found under the named folders, then a fixed number of generated
// inputs (random bytes, or seed files mutated), from a fixed seed so that a failure
// reproduces exactly. An input that makes the target fail is saved to
// replay-failure.bin in the working folder, to be run alone or handed to the libFuzzer build.
//
//   fuzz_<name>_replay [--generate N] [--seed S] [file-or-folder...]

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

// Sanitizer reports end the process without a signal; a callback saves the input then.
#if defined(__SANITIZE_ADDRESS__)
#define QUORVEL_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(undefined_behavior_sanitizer)
#define QUORVEL_SANITIZED 1
#endif
#endif
#ifdef QUORVEL_SANITIZED
#include <sanitizer/common_interface_defs.h>
#endif

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

using Bytes = std::vector<uint8_t>;

// The input being run, for the failure handlers; they may only make async-signal-safe calls.
const Bytes* g_current = nullptr;

void saveCurrentInput() {
    if (g_current == nullptr)
        return;
    const int fd = ::open("replay-failure.bin", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return;
    const uint8_t* data = g_current->data();
    size_t left = g_current->size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, left);
        if (written <= 0)
            break;
        data += written;
        left -= size_t(written);
    }
    ::close(fd);
    static const char note[] = "replay: the failing input is saved as replay-failure.bin\n";
    [[maybe_unused]] const ssize_t ignored = ::write(STDERR_FILENO, note, sizeof note - 1);
    g_current = nullptr;
}

void onFatalSignal(int signal) {
    saveCurrentInput();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void run(const Bytes& input) {
    g_current = &input;
    LLVMFuzzerTestOneInput(input.data(), input.size());
    g_current = nullptr;
}

Bytes readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "replay: cannot read %s\n", path.c_str());
        std::exit(2);
    }
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::filesystem::path> collectFiles(const std::vector<std::string>& args) {
    std::vector<std::filesystem::path> files;
    for (const std::string& arg : args) {
        if (std::filesystem::is_directory(arg)) {
            std::vector<std::filesystem::path> found;
            for (const auto& entry : std::filesystem::recursive_directory_iterator(arg)) {
                if (entry.is_regular_file())
                    found.push_back(entry.path());
            }
            // Directory order varies between file systems; the run must not.
            std::sort(found.begin(), found.end());
            files.insert(files.end(), found.begin(), found.end());
        } else if (std::filesystem::is_regular_file(arg)) {
            files.emplace_back(arg);
        } else {
            std::fprintf(stderr, "replay: no such file or folder: %s\n", arg.c_str());
            std::exit(2);
        }
    }
    return files;
}

// Only the engine's raw output is used: std::uniform_int_distribution differs between
// standard libraries, and the inputs must be the same with g++ and clang.
class Generator {
public:
    explicit Generator(uint64_t seed) : engine_(seed) {}

    uint64_t below(uint64_t bound) { return bound == 0 ? 0 : engine_() % bound; }
    uint8_t byte() { return uint8_t(engine_()); }

    Bytes randomBytes(size_t maxSize) {
        Bytes bytes(below(maxSize + 1));
        for (uint8_t& b : bytes)
            b = byte();
        return bytes;
    }

    // A few edits of the kinds libFuzzer makes: overwrite, insert, erase, duplicate a run,
    // truncate. Inputs near the seeds reach the decoder's and look-up's deeper paths far
    // more often than random bytes do.
    Bytes mutate(Bytes bytes) {
        const uint64_t edits = 1 + below(4);
        for (uint64_t e = 0; e < edits; ++e) {
            switch (below(5)) {
            case 0:
                if (!bytes.empty())
                    bytes[below(bytes.size())] = byte();
                break;
            case 1:
                bytes.insert(bytes.begin() + ptrdiff_t(below(bytes.size() + 1)), byte());
                break;
            case 2:
                if (!bytes.empty())
                    bytes.erase(bytes.begin() + ptrdiff_t(below(bytes.size())));
                break;
            case 3:
                if (!bytes.empty() && bytes.size() < 4096) {
                    const size_t from = below(bytes.size());
                    const size_t length = 1 + below(bytes.size() - from);
                    const Bytes run(bytes.begin() + ptrdiff_t(from),
                                    bytes.begin() + ptrdiff_t(from + length));
                    bytes.insert(bytes.begin() + ptrdiff_t(below(bytes.size() + 1)), run.begin(),
                                 run.end());
                }
                break;
            default:
                bytes.resize(below(bytes.size() + 1));
                break;
            }
        }
        return bytes;
    }

private:
    std::mt19937_64 engine_;
};

[[noreturn]] void usage() {
    std::fprintf(stderr, "usage: replay [--generate N] [--seed S] [file-or-folder...]\n");
    std::exit(2);
}

} // namespace

int main(int argc, char** argv) {
    uint64_t generated = 0;
    uint64_t seed = 20240601;
    std::vector<std::string> paths;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--generate" || arg == "--seed") && i + 1 < argc) {
            char* end = nullptr;
            const unsigned long long value = std::strtoull(argv[++i], &end, 10);
            if (end == argv[i] || *end != '\0')
                usage();
            (arg == "--generate" ? generated : seed) = value;
        } else if (arg.starts_with("-")) {
            usage();
        } else {
            paths.push_back(arg);
        }
    }

    std::signal(SIGABRT, onFatalSignal);
    std::signal(SIGSEGV, onFatalSignal);
    std::signal(SIGBUS, onFatalSignal);
    std::signal(SIGFPE, onFatalSignal);
    std::signal(SIGILL, onFatalSignal);
#ifdef QUORVEL_SANITIZED
    __sanitizer_set_death_callback(saveCurrentInput);
#endif

    std::vector<Bytes> seeds;
    for (const auto& file : collectFiles(paths)) {
        seeds.push_back(readFile(file));
        run(seeds.back());
    }

    Generator generator(seed);
    for (uint64_t i = 0; i < generated; ++i) {
        if (seeds.empty() || generator.below(4) == 0)
            run(generator.randomBytes(512));
        else
            run(generator.mutate(seeds[generator.below(seeds.size())]));
    }
    std::printf("replay: %zu files and %llu generated inputs (seed %llu) passed\n", seeds.size(),
                static_cast<unsigned long long>(generated), static_cast<unsigned long long>(seed));
    return 0;
}

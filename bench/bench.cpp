// Times the store's add, extract and open, building an archive file by file, and the window's
// ListFiles, each next to the floor it cannot beat, and the peak memory of one add.
// Prints a readable table and one "RESULT name value" line per figure.

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "bench_list.h"
#include "modKofrex.h"

extern char** environ;

namespace kofrex::bench {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kMiB = std::size_t{1} << 20;
constexpr int kRepetitions = 5;

[[noreturn]] void Die(const std::string& what) {
    std::perror(what.c_str());
    std::exit(2);
}

// Appends rather than adds: GCC 12 warns wrongly about "literal" + std::to_string.
std::string Numbered(const char* prefix, long number) {
    std::string name(prefix);
    name += std::to_string(number);
    return name;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Lets earlier work finish on the disk: the write-back of what it wrote and the discarding of
// what it freed, so that no contender pays for its predecessor's files.
void SettleDisk() {
    ::sync();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    ::sync();
}

struct Contender {
    std::function<void()> prepare;  // run untimed before each repetition
    std::function<void()> work;
};

// Median seconds of each contender's work. Repetitions take turns, so that the disk's state
// (write-back, discards) and a noisy neighbour weigh on every contender alike.
std::vector<double> MedianSeconds(const std::vector<Contender>& contenders,
                                  int repetitions = kRepetitions) {
    std::vector<std::vector<double>> seconds(contenders.size());
    for (int i = 0; i < repetitions; ++i) {
        for (std::size_t c = 0; c < contenders.size(); ++c) {
            contenders[c].prepare();
            SettleDisk();
            const auto start = Clock::now();
            contenders[c].work();
            seconds[c].push_back(std::chrono::duration<double>(Clock::now() - start).count());
            if (std::getenv("KOFREX_BENCH_VERBOSE") != nullptr) {
                std::fprintf(stderr, "  contender %zu: %.3f s\n", c, seconds[c].back());
            }
        }
    }
    std::vector<double> medians;
    for (const std::vector<double>& each : seconds) {
        medians.push_back(Median(each));
    }
    return medians;
}

ByteString RandomBytes(std::size_t size, std::uint64_t seed) {
    ByteString bytes(size, '\0');
    std::uint64_t state = seed * 0x9E3779B97F4A7C15ull + 1;
    for (std::size_t i = 0; i + 8 <= size; i += 8) {
        state ^= state << 13, state ^= state >> 7, state ^= state << 17;
        std::memcpy(bytes.data() + i, &state, 8);
    }
    return bytes;
}

void WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t put = ::write(fd, data, size);
        if (put <= 0) {
            Die("write");
        }
        data += put, size -= static_cast<std::size_t>(put);
    }
}

void WriteFile(const std::string& path, const ByteString& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) {
        Die(path);
    }
    WriteAll(fd, bytes.data(), bytes.size());
    ::close(fd);
}

// The floor of any whole-file rewrite: the inputs read through one buffer into a new file,
// flushed, renamed into place and the folder flushed, as the store makes an add durable.
void BufferedCopyDurably(const std::vector<std::string>& inputs, const std::string& target) {
    const std::string temporary = target + ".floor";
    const int out = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0) {
        Die(temporary);
    }
    std::vector<char> buffer(kMiB);
    for (const std::string& input : inputs) {
        const int in = ::open(input.c_str(), O_RDONLY);
        if (in < 0) {
            Die(input);
        }
        for (ssize_t got; (got = ::read(in, buffer.data(), buffer.size())) > 0;) {
            WriteAll(out, buffer.data(), static_cast<std::size_t>(got));
        }
        ::close(in);
    }
    if (::fsync(out) != 0 || ::close(out) != 0 || ::rename(temporary.c_str(), target.c_str())) {
        Die("flush");
    }
    const int folder = ::open(fs::path(target).parent_path().c_str(), O_RDONLY | O_DIRECTORY);
    ::fsync(folder);
    ::close(folder);
}

void CopyByteRangeDurably(const std::string& from, off_t position, std::size_t count,
                          const std::string& target) {
    const int in = ::open(from.c_str(), O_RDONLY);
    const int out = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0) {
        Die("open");
    }
    std::vector<char> buffer(kMiB);
    while (count > 0) {
        const ssize_t got = ::pread(in, buffer.data(), std::min(count, buffer.size()), position);
        if (got <= 0) {
            Die("pread");
        }
        WriteAll(out, buffer.data(), static_cast<std::size_t>(got));
        position += got, count -= static_cast<std::size_t>(got);
    }
    ::fsync(out);
    ::close(out);
    ::close(in);
}

int Run(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    pid_t pid;
    if (posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) {
        Die(argv[0]);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

// Peak resident memory, in KiB, of a fresh process of this program doing one add. The child
// reports its own high-water mark: a spawned child's rusage also counts the parent's memory.
long PeakKibOfOneAdd(const std::string& self, const std::string& archive, const std::string& file) {
    const std::string command = self + " --one-add '" + archive + "' '" + file + "'";
    FILE* child = ::popen(command.c_str(), "r");
    long kib = -1;
    if (child == nullptr || std::fscanf(child, "%ld", &kib) != 1) {
        Die("one add");
    }
    ::pclose(child);
    return kib;
}

// This process's peak resident memory in KiB, from the kernel's own account.
long OwnPeakKib() {
    FILE* status = std::fopen("/proc/self/status", "r");
    char line[256];
    long kib = -1;
    while (status != nullptr && std::fgets(line, sizeof line, status) != nullptr) {
        if (std::sscanf(line, "VmHWM: %ld kB", &kib) == 1) {
            break;
        }
    }
    if (status != nullptr) {
        std::fclose(status);
    }
    return kib;
}

// Reads a file once, so that its contender starts from the page cache as the floor does.
void ReadThrough(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    std::vector<char> buffer(kMiB);
    while (::read(fd, buffer.data(), buffer.size()) > 0) {
    }
    ::close(fd);
}

void CopyFile(const std::string& from, const std::string& to) {
    fs::copy_file(from, to, fs::copy_options::overwrite_existing);
}

struct Report {
    void Pair(const std::string& what, double ours, double floor, const std::string& floorName) {
        std::printf("%-44s ours %9.3f s   %-24s %9.3f s   ratio %6.2f\n", what.c_str(), ours,
                    floorName.c_str(), floor, ours / floor);
    }
    void Result(const std::string& name, double value) { results.push_back({name, value}); }
    ~Report() {
        for (const auto& [name, value] : results) {
            std::printf("RESULT %s %.3f\n", name.c_str(), value);
        }
    }
    std::vector<std::pair<std::string, double>> results;
};

// An archive of `count` entries of `each` bytes, written in one pass.
void WriteArchive(const std::string& path, int count, std::size_t each, bool alsoMembers,
                  const fs::path& membersFolder) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ArchiveHeader header{kSignature, kVersion, count};
    const HeaderBytes headerBytes = EncodeHeader(header);
    WriteAll(fd, headerBytes.data(), headerBytes.size());
    std::int64_t position = DirectoryEnd(count) + 1;
    for (int i = 0; i < count; ++i) {
        const ArchiveEntry entry{FitName(Numbered("M", i)), static_cast<std::int32_t>(position),
                                 static_cast<std::int32_t>(each)};
        const EntryBytes bytes = EncodeEntry(entry);
        WriteAll(fd, bytes.data(), bytes.size());
        position += static_cast<std::int64_t>(each);
    }
    for (int i = 0; i < count; ++i) {
        const ByteString data = RandomBytes(each, static_cast<std::uint64_t>(i));
        WriteAll(fd, data.data(), data.size());
        if (alsoMembers) {
            WriteFile((membersFolder / Numbered("m", i)).string(), data);
        }
    }
    ::close(fd);
}

void BenchAdd(Report& report, const fs::path& work, const std::string& self) {
    const fs::path members = work / "members";
    fs::create_directories(members);
    const std::string base = (work / "base.kfx").string();
    WriteArchive(base, 1000, 512 * 1024, true, members);
    const std::string added = (work / "added.bin").string();
    WriteFile(added, RandomBytes(64 * kMiB, 4242));

    // The same members in an ar archive, built once (q appends without looking).
    const std::string arBase = (work / "base.a").string();
    std::vector<std::string> arBuild{"ar", "qc", arBase};
    for (int i = 0; i < 1000; ++i) {
        arBuild.push_back((members / Numbered("m", i)).string());
    }
    if (Run(arBuild) != 0) {
        Die("ar qc");
    }

    const std::string archive = (work / "work.kfx").string();
    const std::string floorTarget = (work / "floor.kfx").string();
    const std::string arWork = (work / "work.a").string();
    modKofrex store;
    const std::vector<double> medians = MedianSeconds({
        {[&] {
             CopyFile(base, archive);
             ReadThrough(archive);
             store.OpenArchive(archive);
         },
         [&] { store.AddFileToArchive(added); }},
        {// Like the store's add, the floor replaces an archive of the same size.
         [&] { CopyFile(base, floorTarget); },
         [&] {
             BufferedCopyDurably({base, added}, floorTarget);
         }},
        {[&] {
             CopyFile(arBase, arWork);
             ReadThrough(arWork);
         },
         [&] {
             Run({"ar", "r", arWork, added});
         }},
    });
    const double ours = medians[0];
    const double floor = medians[1];
    const double ar = medians[2];
    report.Pair("add 64 MiB to 512 MiB in 1,000 entries", ours, floor, "buffered copy + fsync");
    report.Pair("add 64 MiB to 512 MiB in 1,000 entries", ours, ar, "ar r");
    report.Result("add_vs_floor", ours / floor);
    report.Result("add_vs_ar", ar / ours);

    CopyFile(base, archive);
    const long peakKib = PeakKibOfOneAdd(self, archive, added);
    const double peakMib = static_cast<double>(peakKib) / 1024.0;
    std::printf("%-44s peak %9.1f MiB for a %d MiB file\n", "memory of one add", peakMib, 64);
    report.Result("add_peak_mib_over_file", peakMib - 64.0);
    fs::remove_all(members);
}

void BenchExtract(Report& report, const fs::path& work) {
    const std::string archive = (work / "extract.kfx").string();
    modKofrex store;
    store.CreateArchive(archive);
    const std::string big = (work / "big.bin").string();
    WriteFile(big, RandomBytes(256 * kMiB, 7));
    store.AddFileToArchive(big);
    const ArchiveEntry entry = store.Entries().front();
    const std::string target = (work / "target.bin").string();
    const std::vector<double> medians = MedianSeconds({
        {[] {}, [&] { store.ExtractEntry(1, target); }},
        {[] {},
         [&] {
             CopyByteRangeDurably(archive, entry.Offset - 1, static_cast<std::size_t>(entry.Size),
                                  target + ".floor");
         }},
    });
    const double ours = medians[0];
    const double floor = medians[1];
    report.Pair("extract a 256 MiB entry", ours, floor, "byte-range copy + fsync");
    report.Result("extract_vs_floor", ours / floor);
}

void BenchOpenAndList(Report& report, const fs::path& work) {
    const std::string archive = (work / "many.kfx").string();
    WriteArchive(archive, 100000, 0, false, work);
    modKofrex store;
    const std::vector<double> medians = MedianSeconds(
        {
            {[] {}, [&] { store.OpenArchive(archive); }},
            {[] {},
             [&] {
                 const int fd = ::open(archive.c_str(), O_RDONLY);
                 std::vector<char> bytes(static_cast<std::size_t>(DirectoryEnd(100000)));
                 if (::pread(fd, bytes.data(), bytes.size(), 0) !=
                     static_cast<ssize_t>(bytes.size())) {
                     Die("pread");
                 }
                 ::close(fd);
             }},
        },
        21);
    const double ours = medians[0];
    const double floor = medians[1];
    report.Pair("open 100,000 entries", ours, floor, "one read of the directory");
    report.Result("open_100k_ms", ours * 1000);

    std::vector<double> list;
    for (int i = 0; i < kRepetitions; ++i) {
        list.push_back(TimeListFiles(archive));
    }
    std::printf("%-44s ours %9.3f s\n", "ListFiles of 100,000 rows, painted", Median(list) / 1000);
    report.Result("list_100k_ms", Median(list));
}

void BenchBuild(Report& report, const fs::path& work) {
    const fs::path files = work / "small";
    fs::create_directories(files);
    for (int i = 0; i < 1000; ++i) {
        WriteFile((files / Numbered("f", i)).string(), RandomBytes(4096, 100 + i));
    }
    const std::string archive = (work / "built.kfx").string();
    modKofrex store;
    const double ours =
        MedianSeconds({{[&] { store.CreateArchive(archive); },
                        [&] {
                            for (int i = 0; i < 1000; ++i) {
                                store.AddFileToArchive((files / Numbered("f", i)).string());
                            }
                        }}},
                      3)[0];
    std::printf("%-44s ours %9.3f s\n", "build from 1,000 files of 4 KiB", ours);
    report.Result("build_1000_s", ours);
}

int Main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--one-add") {
        modKofrex store;
        if (!store.OpenArchive(argv[2])) {
            return 1;
        }
        store.AddFileToArchive(argv[3]);
        std::printf("%ld\n", OwnPeakKib());
        return 0;
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QApplication application(argc, argv);  // for the window's list
    const char* where = std::getenv("KOFREX_BENCH_DIR");
    const fs::path work = fs::path(where != nullptr ? where : fs::temp_directory_path().c_str()) /
                          ("kofrex-bench-" + std::to_string(::getpid()));
    fs::create_directories(work);
    const std::string self = fs::canonical("/proc/self/exe").string();
    {
        Report report;
        std::printf("Kofrex benchmark, medians of %d repetitions, in %s\n", kRepetitions,
                    work.c_str());
        BenchOpenAndList(report, work);
        BenchExtract(report, work);
        BenchAdd(report, work, self);
        BenchBuild(report, work);
    }
    fs::remove_all(work);
    return 0;
}

}  // namespace
}  // namespace kofrex::bench

int main(int argc, char** argv) {
    return kofrex::bench::Main(argc, argv);
}

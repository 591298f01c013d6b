// Times the store's add, extract and open, building an archive file by file, and the window's
// ListFiles, side by side with the naive durable copy that any whole-file rewrite must beat and
// with programs that rewrite a whole archive on an update (7z, zip, ar), and the peak memory of
// one add. Prints a readable table and one "RESULT name value" line per figure.

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <numeric>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "bench_list.h"
#include "modKofrex.h"
#include "work_progress.h"

extern char** environ;

namespace kofrex::bench {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kMiB = std::size_t{1} << 20;
constexpr int kRepetitions = 5;
constexpr int kAddRepetitions = 7;    // the add is the noisiest, and the one the targets weigh
constexpr int kListRepetitions = 11;  // cheap, and easily disturbed by a neighbour's burst

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

struct Stats {
    double median = 0;
    double min = 0;
    double max = 0;
};

Stats Summarise(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return {values[values.size() / 2], values.front(), values.back()};
}

// Lets earlier work finish on the disk: the write-back of what it wrote and the discarding of
// what it freed, so that no contender pays for its predecessor's files.
void SettleDisk() {
    ::sync();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    ::sync();
}

struct Contender {
    std::function<void()> prepare;             // untimed, before the disk settles
    std::vector<std::function<void()>> steps;  // timed; a lap ends with each step
    std::function<void()> after = [] {};       // untimed, right after the last step
};

// The seconds a contender took, per repetition: `laps[s]` from the start of its first step to
// the end of step s, `steps[s]` step s alone.
struct Timing {
    std::vector<Stats> laps;
    std::vector<Stats> steps;
};

// Repetitions take turns in an order shuffled anew each round, so that the disk's state, the
// memory the previous contender freed and a noisy neighbour weigh on every contender alike:
// a fixed rotation would always put the same contender after the same one.
std::vector<Timing> Race(const std::vector<Contender>& contenders, int repetitions = kRepetitions) {
    const std::size_t count = contenders.size();
    std::vector<std::vector<std::vector<double>>> ends(count);
    for (std::size_t c = 0; c < count; ++c) {
        ends[c].resize(contenders[c].steps.size());
    }
    std::vector<std::size_t> order(count);
    std::iota(order.begin(), order.end(), 0);
    std::mt19937 shuffler(12);  // the same orders in every run
    for (int i = 0; i < repetitions; ++i) {
        std::shuffle(order.begin(), order.end(), shuffler);
        for (const std::size_t c : order) {
            const Contender& contender = contenders[c];
            contender.prepare();
            SettleDisk();
            const auto start = Clock::now();
            for (std::size_t s = 0; s < contender.steps.size(); ++s) {
                contender.steps[s]();
                ends[c][s].push_back(std::chrono::duration<double>(Clock::now() - start).count());
            }
            contender.after();
            if (std::getenv("KOFREX_BENCH_VERBOSE") != nullptr) {
                std::fprintf(stderr, "  contender %zu: %.3f s\n", c, ends[c].back().back());
            }
        }
    }
    std::vector<Timing> timings(count);
    for (std::size_t c = 0; c < count; ++c) {
        for (std::size_t s = 0; s < ends[c].size(); ++s) {
            std::vector<double> alone = ends[c][s];
            for (std::size_t r = 0; s > 0 && r < alone.size(); ++r) {
                alone[r] -= ends[c][s - 1][r];
            }
            timings[c].laps.push_back(Summarise(ends[c][s]));
            timings[c].steps.push_back(Summarise(alone));
        }
    }
    return timings;
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

int CreateForWriting(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) {
        Die(path);
    }
    return fd;
}

void WriteFile(const std::string& path, const ByteString& bytes) {
    const int fd = CreateForWriting(path);
    WriteAll(fd, bytes.data(), bytes.size());
    ::close(fd);
}

// A file of `mib` MiB of random bytes, made a MiB at a time so that this process stays small.
void WriteRandomFile(const std::string& path, std::size_t mib, std::uint64_t seed) {
    const int fd = CreateForWriting(path);
    for (std::size_t i = 0; i < mib; ++i) {
        const ByteString piece = RandomBytes(kMiB, seed * 100000 + i);
        WriteAll(fd, piece.data(), piece.size());
    }
    ::close(fd);
}

void FlushFolderOf(const std::string& path) {
    const int folder = ::open(fs::path(path).parent_path().c_str(), O_RDONLY | O_DIRECTORY);
    if (folder < 0 || ::fsync(folder) != 0) {
        Die("flush folder");
    }
    ::close(folder);
}

// What makes a file written by another program as durable as the store's add makes its own.
void FlushFileAndFolder(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0 || ::fsync(fd) != 0) {
        Die("flush " + path);
    }
    ::close(fd);
    FlushFolderOf(path);
}

// Copies `count` bytes of `from` at `position` to `out` through one 1 MiB buffer; a count of
// -1 copies to the end.
void CopyThroughBuffer(int out, const std::string& from, off_t position, std::int64_t count) {
    const int in = ::open(from.c_str(), O_RDONLY);
    if (in < 0) {
        Die(from);
    }
    std::vector<char> buffer(kMiB);
    for (;;) {
        const std::size_t want =
            count < 0 ? buffer.size()
                      : static_cast<std::size_t>(std::min<std::int64_t>(count, kMiB));
        const ssize_t got = want == 0 ? 0 : ::pread(in, buffer.data(), want, position);
        if (got < 0) {
            Die("pread");
        }
        if (got == 0) {
            break;
        }
        WriteAll(out, buffer.data(), static_cast<std::size_t>(got));
        position += got;
        count -= count < 0 ? 0 : got;
    }
    ::close(in);
}

// The naive copy that any whole-file rewrite must beat: the byte ranges read through one buffer
// into a new file, flushed, renamed into place and the folder flushed. No floor: it paces no
// write-back.
struct Range {
    std::string file;
    off_t position = 0;
    std::int64_t count = -1;  // -1: to the end
};

void CopyDurably(const std::vector<Range>& inputs, const std::string& target) {
    const std::string temporary = target + ".new";
    const int out = CreateForWriting(temporary);
    for (const Range& input : inputs) {
        CopyThroughBuffer(out, input.file, input.position, input.count);
    }
    if (::fsync(out) != 0 || ::close(out) != 0 || ::rename(temporary.c_str(), target.c_str())) {
        Die("flush");
    }
    FlushFolderOf(target);
}

// Runs a program with its standard output thrown away; its exit status.
int Run(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid;
    const int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        Die(argv[0]);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

void RunOrDie(const std::vector<std::string>& argv) {
    if (Run(argv) != 0) {
        std::fprintf(stderr, "%s failed\n", argv[0].c_str());
        std::exit(2);
    }
}

// Peak resident memory, in KiB, of a fresh process of this program run with `arguments`. The
// child reports its own high-water mark: a spawned child's rusage also counts the parent's.
long PeakKibOfChild(const std::string& self, const std::string& arguments) {
    const std::string command = self + " " + arguments;
    FILE* child = ::popen(command.c_str(), "r");
    long kib = -1;
    if (child == nullptr || std::fscanf(child, "%ld", &kib) != 1) {
        Die(arguments);
    }
    ::pclose(child);
    return kib;
}

// Peak resident memory, in KiB, of a fresh process doing one add.
long PeakKibOfOneAdd(const std::string& self, const std::string& archive, const std::string& file) {
    return PeakKibOfChild(self, "--one-add '" + archive + "' '" + file + "'");
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

void RemoveFile(const std::string& path) {
    fs::remove(path);
}

// The machine is shared: the load when a row is printed tells how far it can be trusted.
double LoadNow() {
    double load[1] = {};
    return ::getloadavg(load, 1) == 1 ? load[0] : -1;
}

class Report {
  public:
    // One timed row: the median with the spread of the repetitions, and the load.
    void Row(const std::string& what, const Stats& seconds) {
        if (seconds.median < 0.1) {
            std::printf("%-58s %9.1f ms  (min %.1f, max %.1f; load %.2f)\n", what.c_str(),
                        seconds.median * 1000, seconds.min * 1000, seconds.max * 1000, LoadNow());
        } else {
            std::printf("%-58s %9.3f s   (min %.3f, max %.3f; load %.2f)\n", what.c_str(),
                        seconds.median, seconds.min, seconds.max, LoadNow());
        }
    }
    void Line(const std::string& what, const std::string& figure) {
        std::printf("%-58s %s (load %.2f)\n", what.c_str(), figure.c_str(), LoadNow());
    }
    void Heading(const std::string& what) { std::printf("\n%s\n", what.c_str()); }
    void Result(const std::string& name, double value) { results_.push_back({name, value}); }
    // Printed last, together, so that they are easy to pick out.
    void PrintResults() const {
        std::printf("\n");
        for (const auto& [name, value] : results_) {
            std::printf("RESULT %s %.3f\n", name.c_str(), value);
        }
    }

  private:
    std::vector<std::pair<std::string, double>> results_;
};

// An archive of `count` entries of `each` bytes, written in one pass; with a members folder,
// each entry's data also go to a file of their own there.
void WriteArchive(const std::string& path, int count, std::size_t each,
                  const fs::path& membersFolder = {}) {
    const int fd = CreateForWriting(path);
    ArchiveHeader header{kSignature, kVersion, count};
    const HeaderBytes headerBytes = EncodeHeader(header);
    ByteString buffer(headerBytes.data(), headerBytes.size());
    std::int64_t position = DirectoryEnd(count) + 1;
    for (int i = 0; i < count; ++i) {
        const ArchiveEntry entry{FitName(Numbered("M", i)), static_cast<std::int32_t>(position),
                                 static_cast<std::int32_t>(each)};
        const EntryBytes bytes = EncodeEntry(entry);
        buffer.append(bytes.data(), bytes.size());
        if (buffer.size() >= kMiB) {  // millions of entries: a write each would take long
            WriteAll(fd, buffer.data(), buffer.size());
            buffer.clear();
        }
        position += static_cast<std::int64_t>(each);
    }
    WriteAll(fd, buffer.data(), buffer.size());
    for (int i = 0; i < count; ++i) {
        const ByteString data = RandomBytes(each, static_cast<std::uint64_t>(i));
        WriteAll(fd, data.data(), data.size());
        if (!membersFolder.empty()) {
            WriteFile((membersFolder / Numbered("m", i)).string(), data);
        }
    }
    ::close(fd);
}

// A program that rewrites a whole archive when a file is added to it.
struct Peer {
    std::string name;
    std::string extension;
    std::vector<std::string> create;  // followed by the archive and the members
    std::vector<std::string> add;     // followed by the archive and the file
};

std::vector<Peer> Peers() {
    return {
        {"7z a -mx0", ".7z", {"7z", "a", "-mx0"}, {"7z", "a", "-mx0"}},
        {"zip -0", ".zip", {"zip", "-0", "-q", "-j"}, {"zip", "-0", "-q", "-j"}},
        {"ar r", ".a", {"ar", "qc"}, {"ar", "r"}},  // q appends without looking
    };
}

std::vector<std::string> Command(std::vector<std::string> head,
                                 const std::vector<std::string>& rest) {
    head.insert(head.end(), rest.begin(), rest.end());
    return head;
}

long FileMib(const std::string& path) {
    return static_cast<long>(fs::file_size(path) / kMiB);
}

// The progress of an add reported as the window's add command has it reported: to the
// window's own progress handling, which reads a clock on each report, keeps the window painted
// and shows a dialog with Cancel when the add runs long.
class WindowProgress {
  public:
    explicit WindowProgress(QWidget* window) : window_(window) {}
    void Around(modKofrex& store, const std::function<void()>& work) {
        WorkProgress progress(window_, kWhat, kProgressDelay);
        store.SetProgress([&](const Progress& report) {
            ++calls_;
            return progress.Report(report);
        });
        work();
        store.SetProgress({});
    }
    long Calls() const { return calls_; }
    // Microseconds that `calls` reports take by themselves.
    double OwnMicroseconds(long calls) {
        WorkProgress progress(window_, kWhat, kProgressDelay);
        const auto start = Clock::now();
        for (long i = 0; i < calls; ++i) {
            progress.Report(Progress{i, calls, false});
        }
        return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
    }

  private:
    static inline const QString kWhat = QStringLiteral("Adding ADDED.BIN…");
    QWidget* const window_;
    long calls_ = 0;
};

constexpr int kMembers = 1000;
constexpr std::size_t kMemberSize = 512 * 1024;  // 1,000 of them: 500 MiB
constexpr std::size_t kAddedMib = 64;

void BenchAdd(Report& report, const fs::path& work) {
    const fs::path members = work / "members";
    fs::create_directories(members);
    const std::string base = (work / "base.kfx").string();
    WriteArchive(base, kMembers, kMemberSize, members);
    const std::string added = (work / "added.bin").string();
    WriteRandomFile(added, kAddedMib, 4242);

    // The same members in each peer's archive, built once.
    std::vector<std::string> memberPaths;
    for (int i = 0; i < kMembers; ++i) {
        memberPaths.push_back((members / Numbered("m", i)).string());
    }
    const std::vector<Peer> peers = Peers();
    std::vector<std::string> peerBases;
    std::vector<std::string> peerWorks;
    for (const Peer& peer : peers) {
        peerBases.push_back((work / ("base" + peer.extension)).string());
        peerWorks.push_back((work / ("work" + peer.extension)).string());
        RunOrDie(Command(Command(peer.create, {peerBases.back()}), memberPaths));
    }
    fs::remove_all(members);

    const std::string archive = (work / "work.kfx").string();
    const std::string floorTarget = (work / "floor.kfx").string();
    modKofrex store;
    ShownWindow window(store);
    WindowProgress progress(window.Widget());
    // Every contender starts with its inputs in the page cache.
    const auto prepareOurs = [&] {
        CopyFile(base, archive);
        ReadThrough(archive);
        ReadThrough(added);
        store.OpenArchive(archive);
        window.ListFiles();
        store.SetProgress({});  // the window has one of its own, idle between commands
    };
    const auto add = [&] { store.AddFileToArchive(added); };
    const auto release = [&] { store.ReleaseReplacedArchive(); };
    const auto list = [&] { window.ListFiles(); };
    std::vector<Contender> contenders{
        // What the add command does: the add, then the list; the replaced archive goes when
        // the user has seen the result.
        {prepareOurs, {add, list}, release},
        {prepareOurs, {add, release, list}},
        {prepareOurs, {[&] { progress.Around(store, add); }}, release},
        // Like the store's add, the floor replaces an archive of the same size.
        {[&] {
             CopyFile(base, floorTarget);
             ReadThrough(base);
             ReadThrough(added);
         },
         {[&] {
             CopyDurably({{base}, {added}}, floorTarget);
         }}},
    };
    for (std::size_t p = 0; p < peers.size(); ++p) {
        contenders.push_back({[&, p] {
                                  CopyFile(peerBases[p], peerWorks[p]);
                                  ReadThrough(peerWorks[p]);
                                  ReadThrough(added);
                              },
                              {[&, p] {
                                   RunOrDie(Command(peers[p].add, {peerWorks[p], added}));
                               },
                               [&, p] { FlushFileAndFolder(peerWorks[p]); }}});
    }
    const std::vector<Timing> timings = Race(contenders, kAddRepetitions);
    const std::vector<Stats>& ours = timings[0].laps;
    const Timing& releasedAtOnce = timings[1];
    const Stats& withProgress = timings[2].laps[0];
    const Stats& floor = timings[3].laps[0];

    report.Heading("Add a 64 MiB file to an archive of 1,000 entries, " +
                   std::to_string(FileMib(base)) + " MiB; every row ends durable unless noted");
    report.Row("ours: add", ours[0]);
    report.Row("ours: add, the replaced archive let go", releasedAtOnce.laps[1]);
    report.Row("ours: add, progress reported to the window", withProgress);
    report.Row("naive copy: copy, fsync, rename, folder fsync", floor);
    double bestPeer = 0;
    for (std::size_t p = 0; p < peers.size(); ++p) {
        const std::vector<Stats>& peer = timings[4 + p].laps;
        const std::string size = std::to_string(FileMib(peerBases[p])) + " MiB";
        report.Row(peers[p].name + " + fsync of archive and folder (" + size + ")", peer[1]);
        report.Row(peers[p].name + " as it comes, not durable", peer[0]);
        report.Result("add_vs_" + peers[p].add.front() + "_durable",
                      ours[0].median / peer[1].median);
        bestPeer = bestPeer == 0 ? peer[1].median : std::min(bestPeer, peer[1].median);
    }
    std::printf("\n");
    report.Row("click to list shown, replaced archive let go after", ours[1]);
    report.Row("click to list shown, replaced archive let go at once", releasedAtOnce.laps[2]);
    report.Row("  of which letting it go", releasedAtOnce.steps[1]);
    const long calls = progress.Calls() / kAddRepetitions;
    const double callbackMicroseconds = progress.OwnMicroseconds(calls);
    char figure[96];
    std::snprintf(figure, sizeof figure, "%ld calls per add, %.0f us of their own", calls,
                  callbackMicroseconds);
    report.Line("progress reports", figure);

    report.Result("add_s", ours[0].median);
    report.Result("add_vs_naive_floor", ours[0].median / floor.median);
    report.Result("add_with_release_vs_naive_copy", releasedAtOnce.laps[1].median / floor.median);
    report.Result("add_vs_best_peer", ours[0].median / bestPeer);
    report.Result("progress_cost", withProgress.median / ours[0].median);
    report.Result("progress_callback_us_per_add", callbackMicroseconds);
    report.Result("click_to_list_ms", ours[1].median * 1000);
    report.Result("click_to_list_release_at_once_ms", releasedAtOnce.laps[2].median * 1000);
    report.Result("release_ms", releasedAtOnce.steps[1].median * 1000);
    report.Result("deferred_release_wait_ratio", ours[1].median / releasedAtOnce.laps[2].median);
    for (const std::string& path : peerWorks) {
        RemoveFile(path);
    }
    for (const std::string& path : peerBases) {
        RemoveFile(path);
    }
    RemoveFile(floorTarget);
    RemoveFile(archive);
}

void BenchMemory(Report& report, const fs::path& work, const std::string& self) {
    const std::string base = (work / "base.kfx").string();
    const std::string archive = (work / "memory.kfx").string();
    const std::string small = (work / "small.bin").string();
    const std::string large = (work / "added.bin").string();
    if (!fs::exists(base)) {  // the add's inputs, when it did not run
        WriteArchive(base, kMembers, kMemberSize);
        WriteRandomFile(large, kAddedMib, 4242);
    }
    WriteRandomFile(small, 1, 99);
    CopyFile(base, archive);
    const double smallMib = static_cast<double>(PeakKibOfOneAdd(self, archive, small)) / 1024.0;
    CopyFile(base, archive);
    const double largeMib = static_cast<double>(PeakKibOfOneAdd(self, archive, large)) / 1024.0;
    report.Heading("Memory");
    char figure[96];
    std::snprintf(figure, sizeof figure, "%.1f MiB (%.1f MiB for a 1 MiB file)", largeMib,
                  smallMib);
    report.Line("peak of a whole process doing one 64 MiB add", figure);
    report.Result("add_peak_mib", largeMib);
    report.Result("add_peak_growth_mib_64_over_1", largeMib - smallMib);
    RemoveFile(archive);
    RemoveFile(small);
}

void BenchExtract(Report& report, const fs::path& work) {
    const std::string archive = (work / "extract.kfx").string();
    modKofrex store;
    store.CreateArchive(archive);
    const std::string big = (work / "big.bin").string();
    WriteRandomFile(big, 256, 7);
    store.AddFileToArchive(big);
    store.ReleaseReplacedArchive();
    RemoveFile(big);
    const ArchiveEntry entry = store.Entries()[0];
    const std::string target = (work / "target.bin").string();
    const std::string floorTarget = (work / "target.floor").string();
    // Both write a new file, as extracting under a new name does.
    const std::vector<Timing> timings = Race(
        {
            {[&] { RemoveFile(target); }, {[&] { store.ExtractEntry(1, target); }}},
            {[&] { RemoveFile(floorTarget); }, {[&] {
                 CopyDurably({{archive, entry.Offset - 1, entry.Size}}, floorTarget);
             }}},
        },
        9);
    report.Heading("Extract a 256 MiB entry to a new file");
    report.Row("ours", timings[0].laps[0]);
    report.Row("naive copy: copy, fsync, rename, folder fsync", timings[1].laps[0]);
    report.Result("extract_vs_naive_floor", timings[0].laps[0].median / timings[1].laps[0].median);
    RemoveFile(target);
    RemoveFile(floorTarget);
    RemoveFile(archive);
}

void BenchOpenAndList(Report& report, const fs::path& work) {
    constexpr int kEntries = 100000;
    const std::string archive = (work / "many.kfx").string();
    WriteArchive(archive, kEntries, 0);
    modKofrex store;
    const std::vector<Timing> timings = Race(
        {
            {[] {}, {[&] { store.OpenArchive(archive); }}},
            {[] {}, {[&] {
                 const int fd = ::open(archive.c_str(), O_RDONLY);
                 std::vector<char> bytes(static_cast<std::size_t>(DirectoryEnd(kEntries)));
                 if (::pread(fd, bytes.data(), bytes.size(), 0) !=
                     static_cast<ssize_t>(bytes.size())) {
                     Die("pread");
                 }
                 ::close(fd);
             }}},
        },
        21);
    std::vector<double> list;
    for (int i = 0; i < kListRepetitions; ++i) {
        list.push_back(TimeListFiles(archive) / 1000);
    }
    const Stats listed = Summarise(list);
    report.Heading("An archive of 100,000 entries");
    report.Row("open", timings[0].laps[0]);
    report.Row("floor: one read of the directory", timings[1].laps[0]);
    report.Row("ListFiles, painted offscreen", listed);
    report.Result("open_100k_ms", timings[0].laps[0].median * 1000);
    report.Result("list_100k_ms", listed.median * 1000);
    RemoveFile(archive);
}

void BenchBuild(Report& report, const fs::path& work) {
    const fs::path files = work / "small";
    fs::create_directories(files);
    for (int i = 0; i < 1000; ++i) {
        WriteFile((files / Numbered("f", i)).string(), RandomBytes(4096, 100 + i));
    }
    const std::string archive = (work / "built.kfx").string();
    modKofrex store;
    const Stats built = Race({{[&] { store.CreateArchive(archive); },
                               {[&] {
                                   for (int i = 0; i < 1000; ++i) {
                                       store.AddFileToArchive((files / Numbered("f", i)).string());
                                   }
                               }},
                               [&] { store.ReleaseReplacedArchive(); }}})[0]
                            .laps[0];
    report.Heading("Build an archive from 1,000 files of 4 KiB, one add each, in one process");
    report.Row("ours", built);
    report.Result("build_1000_s", built.median);
    fs::remove_all(files);
    RemoveFile(archive);
}

// The members of an archive of `count` entries of `each` bytes, read with one read and written
// into `folder` as new files, without their own flushes; with `guarantee`, as Kofrex writes them
// (each nameless, named after the flush), in batches of 4,096. Then one flush of the file
// system and one of the folder: a floor for Extract All, with and without its guarantee.
void ExtractFloor(const std::string& archive, int count, std::size_t each,
                  const std::string& folder, bool guarantee) {
    const int in = ::open(archive.c_str(), O_RDONLY);
    ByteString data(static_cast<std::size_t>(count) * each, '\0');
    if (in < 0 || ::pread(in, data.data(), data.size(), DirectoryEnd(count)) !=
                      static_cast<ssize_t>(data.size())) {
        Die("floor read");
    }
    ::close(in);
    fs::create_directories(folder);
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    std::vector<int> open;
    const auto flushAndName = [&](int first) {
        if (::syncfs(dir) != 0) {
            Die("syncfs");
        }
        for (std::size_t i = 0; i < open.size(); ++i) {
            const std::string self = "/proc/self/fd/" + std::to_string(open[i]);
            const std::string name = Numbered("M", first + static_cast<long>(i));
            if (::linkat(AT_FDCWD, self.c_str(), dir, name.c_str(), AT_SYMLINK_FOLLOW) != 0) {
                Die("linkat");
            }
            ::close(open[i]);
        }
        open.clear();
    };
    for (int i = 0; i < count; ++i) {
        const int fd =
            guarantee ? ::openat(dir, ".", O_TMPFILE | O_RDWR, 0666)
                      : ::openat(dir, Numbered("M", i).c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
        if (fd < 0) {
            Die("floor open");
        }
        WriteAll(fd, data.data() + static_cast<std::size_t>(i) * each, each);
        guarantee ? open.push_back(fd) : (void)::close(fd);
        if (open.size() == 4096) {
            flushAndName(i + 1 - 4096);
        }
    }
    guarantee ? flushAndName(count - static_cast<int>(open.size())) : (void)::syncfs(dir);
    if (::fsync(dir) != 0) {
        Die("floor folder");
    }
    ::close(dir);
}

// Extracting all of 10,000 entries of 4 KiB, and making an archive of as many files, against tar
// and a sync. Each run writes into a folder of its own, and all are deleted after the case: a
// deletion of 10,000 files slows the creations that follow it.
void BenchSmallFiles(Report& report, const fs::path& work, modKofrex& store) {
    constexpr int kSmall = 10000;
    const fs::path members = work / "extract-members";
    fs::create_directories(members);
    const std::string many = (work / "extract-many.kfx").string();
    WriteArchive(many, kSmall, 4096, members);
    const std::string tarball = (work / "members.tar").string();
    RunOrDie({"tar", "cf", tarball, "-C", members.string(), "."});
    const fs::path runs = work / "runs";
    int run = 0;
    const auto fresh = [&] { return (runs / Numbered("run", ++run)).string(); };
    std::string folder;
    const std::vector<Timing> extract = Race({
        {[&] {
             folder = fresh(), fs::create_directories(folder), ReadThrough(many);
             store.OpenArchive(many);
         },
         {[&] { store.ExtractEntries(folder, {}, [](const std::string&) { return true; }); }}},
        {[&] { folder = fresh(), fs::create_directories(folder), ReadThrough(tarball); }, {[&] {
             RunOrDie({"tar", "xf", tarball, "-C", folder}), ::sync();
         }}},
        {[&] { folder = fresh(), ReadThrough(many); },
         {[&] { ExtractFloor(many, kSmall, 4096, folder, false); }}},
        {[&] { folder = fresh(), ReadThrough(many); },
         {[&] { ExtractFloor(many, kSmall, 4096, folder, true); }}},
    });
    fs::remove_all(runs);
    report.Heading("Extract all of 10,000 entries of 4 KiB into an empty folder");
    report.Row("ours, every file whole or absent after a crash", extract[0].laps[0]);
    report.Row("tar xf, then sync", extract[1].laps[0]);
    report.Row("floor: write all, one syncfs, one folder flush", extract[2].laps[0]);
    report.Row("floor with our guarantee: nameless, syncfs, link", extract[3].laps[0]);
    report.Result("extract_all_vs_tar_sync", extract[0].laps[0].median / extract[1].laps[0].median);
    report.Result("extract_all_vs_floor_with_guarantee",
                  extract[0].laps[0].median / extract[3].laps[0].median);

    std::vector<std::string> files;
    for (int i = 0; i < kSmall; ++i) {
        files.push_back((members / Numbered("m", i)).string());
    }
    const std::string made = (work / "made.kfx").string();
    const std::string madeTar = (work / "made.tar").string();
    const auto readAll = [&] {
        for (const std::string& file : files) {
            ReadThrough(file);
        }
    };
    const std::vector<Timing> create = Race({
        {[&] { RemoveFile(made), readAll(); },
         {[&] { store.AddFilesToArchive(made, files); }},
         [&] { store.ReleaseReplacedArchive(); }},
        {[&] { RemoveFile(madeTar), readAll(); }, {[&] {
             RunOrDie({"tar", "cf", madeTar, "-C", members.string(), "."}), ::sync();
         }}},
    });
    report.Heading("Make an archive of 10,000 files of 4 KiB");
    report.Row("ours, durable", create[0].laps[0]);
    report.Row("tar cf, then sync", create[1].laps[0]);
    report.Result("create_small_vs_tar_sync", create[0].laps[0].median / create[1].laps[0].median);
    fs::remove_all(members);
    RemoveFile(made), RemoveFile(madeTar), RemoveFile(tarball), RemoveFile(many);
}

// Adding many files in one rewrite and deleting one entry, each against one add to the same
// 500 MiB archive; then the small files.
void BenchVerbs(Report& report, const fs::path& work) {
    const std::string base = (work / "base.kfx").string();
    if (!fs::exists(base)) {
        WriteArchive(base, kMembers, kMemberSize);
    }
    const fs::path small = work / "small-many";
    fs::create_directories(small);
    std::vector<std::string> smallFiles;
    for (int i = 0; i < 1000; ++i) {
        smallFiles.push_back((small / Numbered("s", i)).string());
        WriteFile(smallFiles.back(), RandomBytes(4096, 500 + i));
    }
    const std::string four = (work / "four.bin").string();
    WriteRandomFile(four, 4, 44);
    const std::string archive = (work / "verbs.kfx").string();
    modKofrex store;
    const auto prepare = [&] {
        CopyFile(base, archive);
        ReadThrough(archive);
        store.OpenArchive(archive);
    };
    const auto release = [&] { store.ReleaseReplacedArchive(); };
    const std::vector<Timing> timings = Race({
        {prepare, {[&] { store.AddFilesToArchive(smallFiles); }}, release},
        {prepare, {[&] { store.AddFileToArchive(four); }}, release},
        {prepare, {[&] { store.DeleteEntries({1}); }}, release},
    });
    report.Heading("Verbs on an archive of 1,000 entries, 500 MiB");
    report.Row("add 1,000 files of 4 KiB in one go", timings[0].laps[0]);
    report.Row("add one file of 4 MiB", timings[1].laps[0]);
    report.Row("delete one entry", timings[2].laps[0]);
    report.Result("add_many_vs_one_add", timings[0].laps[0].median / timings[1].laps[0].median);
    report.Result("delete_vs_add", timings[2].laps[0].median / timings[1].laps[0].median);
    fs::remove_all(small);
    RemoveFile(four);
    RemoveFile(archive);

    BenchSmallFiles(report, work, store);
}

// Seconds and peak resident memory in KiB of the command-line program beside this one, run with
// `arguments`, its output thrown away; measured by time(1), whose child starts small.
std::pair<double, long> TimeAndPeakOfProgram(const std::string& self,
                                             const std::string& arguments) {
    const std::string program = (fs::path(self).parent_path() / "kofrex").string();
    const std::string command =
        "/usr/bin/time -f '%e %M' " + program + " " + arguments + " 2>&1 >/dev/null | tail -n 1";
    FILE* child = ::popen(command.c_str(), "r");
    double seconds = -1;
    long kib = -1;
    if (child == nullptr || std::fscanf(child, "%lf %ld", &seconds, &kib) != 2) {
        Die(arguments);
    }
    ::pclose(child);
    return {seconds, kib};
}

// The same of a process that opens the archive at `path`, lists it and selects its last row.
long PeakKibOfOpenAndList(const std::string& self, const std::string& path) {
    return PeakKibOfChild(self, "--open-and-list '" + path + "'");
}

// An archive of 10,000,000 empty entries: a directory of 230 MB.
void BenchMillions(Report& report, const fs::path& work, const std::string& self) {
    constexpr int kEntries = 10'000'000;
    const std::string archive = (work / "millions.kfx").string();
    WriteArchive(archive, kEntries, 0);
    const std::string empty = (work / "empty.kfx").string();
    WriteArchive(empty, 0, 0);
    modKofrex store;
    const Stats open = Race({{[] {}, {[&] { store.OpenArchive(archive); }}}})[0].laps[0];
    std::vector<double> list;
    std::vector<double> select;
    {
        ShownWindow window(store);
        for (int i = 0; i < kListRepetitions; ++i) {
            QElapsedTimer timer;
            timer.start();
            window.ListFiles();
            list.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e9);
            select.push_back(window.TimeSelect(kEntries - 1 - i) / 1000);
        }
    }
    const double directoryMib = static_cast<double>(DirectoryEnd(kEntries)) / kMiB;
    const double peakMib = static_cast<double>(PeakKibOfOpenAndList(self, archive)) / 1024.0;
    const double ownMib = static_cast<double>(PeakKibOfOpenAndList(self, empty)) / 1024.0;
    report.Heading("An archive of 10,000,000 entries, its directory 230 MB");
    report.Row("open", open);
    report.Row("ListFiles, painted offscreen", Summarise(list));
    report.Row("select a row near the end, its size shown", Summarise(select));
    char figure[128];
    std::snprintf(figure, sizeof figure, "%.1f MiB (%.1f MiB with an empty archive)", peakMib,
                  ownMib);
    report.Line("peak of a process with it open, listed and a row selected", figure);
    report.Result("open_10m_ms", open.median * 1000);
    report.Result("list_10m_ms", Summarise(list).median * 1000);
    report.Result("peak_10m_over_directory", (peakMib - 40) / directoryMib);
    report.Result("select_10m_ms", Summarise(select).median * 1000);
    // One name from them, and the list, by the command line: medians of fresh processes.
    std::vector<double> one, onePeak, listPeak;
    for (int i = 0; i < kRepetitions; ++i) {
        const std::string into = (work / Numbered("one", i)).string();
        const auto [seconds, kib] =
            TimeAndPeakOfProgram(self, "--extract-to '" + into + "' '" + archive + "' M9999999");
        one.push_back(seconds), onePeak.push_back(static_cast<double>(kib) / 1024.0);
        listPeak.push_back(
            static_cast<double>(TimeAndPeakOfProgram(self, "--list '" + archive + "'").second) /
            1024.0);
        fs::remove_all(into);
    }
    report.Row("kofrex --extract-to DIR A.KFX NAME, the last entry", Summarise(one));
    std::snprintf(figure, sizeof figure, "%.1f MiB; kofrex --list: %.1f MiB",
                  Summarise(onePeak).median, Summarise(listPeak).median);
    report.Line("peak of one name extracted", figure);
    report.Result("extract_one_10m_s", Summarise(one).median);
    report.Result("extract_one_10m_peak_over_directory", Summarise(onePeak).median / directoryMib);
    report.Result("list_10m_cli_peak_over_directory", Summarise(listPeak).median / directoryMib);
    RemoveFile(archive);
    RemoveFile(empty);
}

// KOFREX_BENCH_ONLY, a comma-separated list of list, extract, add, memory, build, verbs and
// millions, runs only those parts; unset, all run.
bool Chosen(const std::string& part) {
    const char* only = std::getenv("KOFREX_BENCH_ONLY");
    return only == nullptr ||
           ("," + std::string(only) + ",").find("," + part + ",") != std::string::npos;
}

// The machine is shared: its load tells how far the figures can be trusted.
void PrintLoad(const char* when) {
    double load[3] = {};
    if (::getloadavg(load, 3) == 3) {
        std::printf("%s: %.2f %.2f %.2f (1, 5, 15 minutes)\n", when, load[0], load[1], load[2]);
    }
}

int Main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--one-add") {
        modKofrex store;
        if (!store.OpenArchive(argv[2])) {
            return 1;
        }
        store.AddFileToArchive(argv[3]);
        store.ReleaseReplacedArchive();
        std::printf("%ld\n", OwnPeakKib());
        return 0;
    }
    if (argc == 3 && std::string(argv[1]) == "--open-and-list") {
        QApplication application(argc, argv);
        modKofrex store;
        if (!store.OpenArchive(argv[2])) {
            return 1;
        }
        ShownWindow window(store);
        window.ListFiles();
        window.TimeSelect(store.EntryCount() - 1);
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
    Report report;
    std::printf("Kofrex benchmark: medians of %d or more repetitions taking turns, in %s\n",
                kRepetitions, work.c_str());
    PrintLoad("load average at the start");
    if (Chosen("list")) {
        BenchOpenAndList(report, work);
    }
    if (Chosen("extract")) {
        BenchExtract(report, work);
    }
    if (Chosen("add")) {
        BenchAdd(report, work);
    }
    if (Chosen("memory")) {
        BenchMemory(report, work, self);
    }
    if (Chosen("build")) {
        BenchBuild(report, work);
    }
    if (Chosen("verbs")) {
        BenchVerbs(report, work);
    }
    if (Chosen("millions")) {
        BenchMillions(report, work, self);
    }
    PrintLoad("\nload average at the end");
    report.PrintResults();
    fs::remove_all(work);
    return 0;
}

}  // namespace
}  // namespace kofrex::bench

int main(int argc, char** argv) {
    return kofrex::bench::Main(argc, argv);
}

// The commands for scripts, run as a script runs them: the built program as a child, without a
// display, in a scratch folder, one after another on the same archive.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/file.h>
#include <algorithm>
#include <filesystem>
#include <fstream>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

namespace {

struct Command {
    QStringList arguments;
    int status;
    QByteArray printed;  // stdout, exactly; or how it starts, where this ends in a space
    QByteArray said;     // contained in stderr; "" for an empty stderr
    QString output{};    // a file for stdout instead
    // Started from a desktop without a terminal: `said` is then contained in what its messages
    // say, each "title buttons: text" and a line break; "" for none.
    bool fromDesktop = false;
};

const char* const kAsBytes =
    R"sh(for a; do set -- "$@" "$(printf %b "$a")"; shift; done; exec "$0" "$@")sh";

// A: 9-byte header, two 23-byte entries, then A's 6 bytes from 1-based offset 56.
const QByteArray kListed = "A.TXT\t6\t56\nB Ä.TXT\t2\t62\n";
const QByteArray kJson =
    "[\n{\"name\":\"A.TXT\",\"size\":6,\"offset\":56},\n"
    "{\"name\":\"B Ä.TXT\",\"size\":2,\"offset\":62}\n]\n";

TEST(CommandLine, ListsAddsAndExtractsWithoutAWindowAndSaysWhatItLeftOut) {
    QTemporaryDir scratch;
    const std::string at = scratch.path().toStdString() + "/";  // names are bytes
    const auto write = [&](const char* name, const QByteArray& bytes) {
        std::ofstream file(at + name, std::ios::binary);
        ASSERT_TRUE(file.write(bytes.data(), bytes.size()).flush());
    };
    write("a.txt", "hello\n");
    write("b ä.txt", QByteArray("\0\xff", 2));
    write("notes.kfx", "plain notes\n");
    ASSERT_TRUE(QDir(scratch.path()).mkdir("folder"));
    write("folder/a.txt", "other");
    write("q\"\x1b\n.t", "x");      // a name no terminal or JSON reader may take as is
    write("caf\xE9.txt", "latin");  // a name that is no UTF-8
    ASSERT_TRUE(QDir(scratch.path()).mkpath("mixed/A.TXT") && QDir(scratch.path()).mkdir("sub"));
    write("sub/s.kfx", "self");
    // Damaged archives: a wrong signature, version 2, a directory past the end, data cut short.
    write("sig.kfx", QByteArray("KFRY\x01\0\0\0\0", 9));
    write("v2.kfx", QByteArray("KFRX\x02\0\0\0\0", 9));
    write("short.kfx", QByteArray("KFRX\x01\x03\0\0\0", 9));
    const QByteArray cut = QByteArray("KFRX\x01\x02\0\0\0", 9) + "ONE            " +
                           QByteArray("\x38\0\0\0\x03\0\0\0", 8) + "TWO            " +
                           QByteArray("\x3b\0\0\0\x04\0\0\0", 8) + "onetw";
    write("cut.kfx", cut);
    const std::vector<Command> runs = {
        {{"--add-to", "a.kfx", "a.txt", "b ä.txt"}, 0, "", ""},
        {{"--list", "a.kfx"}, 0, kListed, ""},
        {{"--json", "--list", "a.kfx"}, 0, kJson, ""},
        {{"--add-to", "a.kfx", "folder", "a.kfx", "missing", "folder/a.txt"},
         1,
         "",
         "folder: it is not a regular file.\na.kfx: it is the archive itself.\nmissing: it cannot "
         "be read.\na.txt: its stored name A.TXT is already in the archive."},
        {{"--list", "a.kfx"}, 0, kListed, ""},
        {{"--add-to", "notes.kfx", "a.txt"}, 1, "", "'notes.kfx' is not an archive that Kofrex"},
        {{"--list", "notes.kfx"}, 1, "", "'notes.kfx' is not an archive that Kofrex can read."},
        {{"--list", "none.kfx"}, 1, "", "There is no file 'none.kfx'."},
        {{"--extract-to", "out/deeper", "a.kfx", " a.txt "}, 0, "", ""},
        {{"--extract-to", "out/deeper", "a.kfx"}, 1, "", "'out/deeper/A.TXT' exists already"},
        {{"--extract-to", "out/deeper", "a.kfx", "nope"}, 1, "", "No entry is stored as 'nope'."},
        {{"--extract-to", "out", "none.kfx"}, 1, "", "There is no file 'none.kfx'."},
        {{"--extract-to", "out", "--overwrite", "a.kfx"}, 0, "", ""},
        {{"--extract-to", "mixed", "--overwrite", "a.kfx"},  // the other entry is still written
         1,
         "",
         "kofrex: Could not write mixed/A.TXT: it is not a regular file"},
        {{"--extract-to", "twice", "a.kfx", "A.TXT", "a.txt"}, 0, "", ""},  // one row, once
        {{"--add-to", "new.kfx", "missing"}, 1, "", "missing: it cannot be read."},
        {{"--list", "new.kfx"}, 1, "", "There is no file 'new.kfx'."},  // none made for nothing
        {{"--add-to", "S.KFX", "sub/s.kfx"}, 0, "", ""},
        {{"--extract-to", ".", "--overwrite", "S.KFX"}, 1, "", "'./S.KFX' is the archive itself"},
        {{"--list", "S.KFX"}, 0, "S.KFX\t4\t33\n", ""},
        {{"--extract-here", "a.kfx"}, 0, "", "", {}, true},  // two entries: into a/
        {{"--extract-here", "a.kfx", "S.KFX"},               // one entry: beside it
         1,
         "",
         "Kofrex 0: Not every file was extracted:\n'a/A.TXT' exists already and was left "
         "alone.\n'a/B Ä.TXT' exists already and was left alone.\nNot every file was "
         "extracted:\n'./S.KFX' is the archive itself",
         {},
         true},
        {{"--extract-here", "notes.kfx"},
         1,
         "",
         "Kofrex 0: The file 'notes.kfx' is not an archive that Kofrex can read.\nIt does not "
         "start with the signature KFRX.\n",
         {},
         true},
        {{"--extract-here", "a.kfx"}, 1, "", "'a/A.TXT' exists already and was left alone (--"},
        {{"--list", "sig.kfx"}, 1, "", "can read.\nIt does not start with the signature KFRX."},
        {{"--list", "v2.kfx"}, 1, "", "It is of version 2; Kofrex reads version 1."},
        {{"--list", "short.kfx"}, 1, "", "the end of the file: 3 entries promised, 0 fit."},
        {{"--list", "cut.kfx"},
         1,
         "",
         "The data of entry 2 run past the end of the file; bytes missing: 2."},
        {{"--salvage-to", "saved", "cut.kfx"}, 1, "", "'TWO' was not recovered. The data of"},
        {{"--salvage-to", "saved", "v2.kfx"}, 1, "", "It is of version 2"},
        {{"--add-to", "c.kfx", "q\"\x1b\n.t"}, 0, "", ""},
        {{"--list", "c.kfx"}, 0, "Q\"??.T\t1\t33\n", ""},
        {{"--list", "--json", "c.kfx"},
         0,
         "[\n{\"name\":\"Q\\\"\\u001b\\u000a.T\",\"size\":1,\"offset\":33}\n]\n",
         ""},
        {{"--list", "a.kfx", "notes.kfx"}, 1, "", "--list takes one archive."},
        {{"--add-to", "a.kfx"}, 1, "", "at least one file"},
        {{"--json", "a.kfx"}, 1, "", "--json goes with --list."},
        {{"--overwrite", "--list", "a.kfx"}, 1, "", "--overwrite goes with --extract-to,"},
        {{"--add", "--extract", "a.kfx"}, 1, "", "Give one of"},
        {{"--add"}, 1, "", "--add and --extract take at least one file."},
        {{"--add-to", "d.kfx", "a.txt"}, 0, "", "", {}, true},  // all done: no message
        {{"--add-to", "d.kfx", "folder", "a.txt"},
         1,
         "",
         "Kofrex 0: These files were not stored:\nfolder: it is not a regular file.\na.txt: its "
         "stored name A.TXT is already in the archive.\n",
         {},
         true},
        {{"--list", "--add-to", "a.kfx", "--extract-to", "out", "a.kfx"}, 1, "", "Give one of"},
        {{"--help"}, 0, "Usage: ", ""},  // answered before any window system is looked for
        {{"--version"}, 0, "kofrex ", ""},
        {{"--help"}, 1, "", "could not be written", "/dev/full"},
        {{"--bogus"}, 1, "", "Unknown option 'bogus'."},
        {{"--add-to"}, 1, "", "Missing value after '--add-to'."},
        {{"a.kfx", "c.kfx"}, 1, "", "Name one archive at most."},
        {{"-platform", "offscreen", "-reverse", "--list", "a.kfx"}, 0, kListed, ""},
        // printf's escape: one byte, which is no character, so the name is said to change
        {{"--add-to", "c.kfx", "caf\\0351.txt"}, 0, "Stored names are upper case, ", ""},
        {{"--extract-to", "o\\0351", "c.kfx", "caf?.txt"}, 0, "", ""},
    };
    QProcessEnvironment bare = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        bare.remove(name);
    }
    QProcessEnvironment desktop = bare;
    const QString shownFile = scratch.filePath("shown");
    desktop.insert("QT_QPA_PLATFORM", "offscreen");
    desktop.insert("KOFREX_MESSAGES_TO_FILE", shownFile);
    for (const Command& run : runs) {
        QProcess child;
        QFile::remove(shownFile);
        child.setProcessEnvironment(run.fromDesktop ? desktop : bare);
        child.setWorkingDirectory(scratch.path());
        child.setStandardOutputFile(run.output.isEmpty() ? QString() : run.output);
        // Each argument through printf %b, to give the program bytes that are no UTF-8.
        child.start("sh", QStringList{"-c", kAsBytes, KOFREX_PROGRAM} + run.arguments);
        ASSERT_TRUE(child.waitForFinished(20000));
        QFile shown(shownFile);
        const QByteArray said = run.fromDesktop ? (shown.open(QIODevice::ReadOnly), shown.readAll())
                                                : child.readAllStandardError();
        const std::string command = run.arguments.join(' ').toStdString();
        EXPECT_EQ(child.exitCode(), run.status) << command;
        const QByteArray printed = child.readAllStandardOutput();
        EXPECT_EQ(run.printed.endsWith(' ') ? printed.left(run.printed.size()) : printed,
                  run.printed)
            << command;
        EXPECT_TRUE(run.said.isEmpty() ? said.isEmpty() : said.contains(run.said))
            << command << "\nstderr: " << said.toStdString();
    }
    const auto read = [&](const char* name) {
        std::ifstream file(at + name, std::ios::binary);
        return file ? QByteArray::fromStdString({std::istreambuf_iterator<char>(file), {}})
                    : "(missing)";
    };
    EXPECT_EQ(read("out/deeper/A.TXT"), "hello\n");
    EXPECT_EQ(read("out/A.TXT"), "hello\n");
    EXPECT_EQ(read("out/B Ä.TXT"), QByteArray("\0\xff", 2));
    EXPECT_EQ(read("mixed/B Ä.TXT"), QByteArray("\0\xff", 2));
    EXPECT_EQ(read("twice/A.TXT"), "hello\n");
    EXPECT_EQ(QDir(scratch.filePath("saved")).entryList(QDir::Files), QStringList("ONE"));
    EXPECT_EQ(read("saved/ONE"), "one");
    EXPECT_EQ(read("cut.kfx"), cut);
    EXPECT_EQ(read("o\xE9/CAF?.TXT"), "latin");
    // An add that waits for another program shows nothing off a terminal; Ctrl+C cancels it,
    // unless it started ignoring Ctrl+C and logouts, as a background job under nohup does.
    const QString archive = scratch.filePath("a.kfx");
    const qsizetype before = read("a.kfx").size();
    const int held = ::open(qPrintable(archive), O_RDONLY);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    for (const bool interrupted : {true, false}) {
        const QString ignoring = interrupted ? "" : "trap '' INT HUP; ";
        QProcess child;
        child.setProcessEnvironment(bare);
        child.setWorkingDirectory(scratch.path());
        child.start("sh",
                    {"-c", ignoring + kAsBytes, KOFREX_PROGRAM, "--add-to", "a.kfx", "notes.kfx"});
        const QDir opened("/proc/" + QString::number(child.processId()) + "/fd");
        while (std::ranges::none_of(
            opened.entryInfoList(QDir::AllEntries | QDir::System),
            [&](const QFileInfo& fd) { return fd.symLinkTarget() == archive; })) {
            QThread::msleep(10);  // until it has the archive open, to lock it
        }
        QThread::msleep(600);  // longer than work that shows nothing on a terminal either
        ::kill(child.processId(), SIGINT);
        if (!interrupted) {
            ::kill(child.processId(), SIGHUP);
            ::flock(held, LOCK_UN);
        }
        ASSERT_TRUE(child.waitForFinished(20000));
        EXPECT_EQ(child.exitStatus() == QProcess::CrashExit, interrupted);
        EXPECT_EQ(child.readAllStandardError(),
                  interrupted ? "kofrex: Cancelled: the archive is as it was.\n" : "");
    }
    EXPECT_EQ(read("a.kfx").size(), before + 23 + 12);  // notes.kfx added once
    std::filesystem::remove_all(at);  // names that are no text, which Qt cannot remove
}

}  // namespace

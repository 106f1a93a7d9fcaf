// The liscn program as a user runs it: what it does to the files around OUT, what it reads,
// its arguments and its output streams.  The text rules themselves are tested in process.
#include <gtest/gtest.h>
#include <sstream>
#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

namespace fs = std::filesystem;

namespace {

struct Outcome {
    int status;
    std::string output;  // stdout and stderr
};

const std::string kUtf8 = "Caf\xC3\xA9 \xC2\xA9 2026\n";
const std::string kAnsi = "Caf\xE9 \xA9 2026\r\n";

class Tool : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/liscnXXXXXX";
        ASSERT_NE(nullptr, mkdtemp(tmpl));
        dir_ = tmpl;
    }
    void TearDown() override
    {
        umount2((dir_ + "/small").c_str(), MNT_DETACH);
        fs::remove_all(dir_);
    }

    std::string path(const std::string &name) { return dir_ + "/" + name; }
    std::string write(const std::string &name, const std::string &bytes)
    {
        std::ofstream(path(name), std::ios::binary) << bytes;
        return path(name);
    }
    std::string read(const std::string &name)
    {
        std::ifstream in(path(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    // The names in the folder, which must be only those a test made.
    std::set<std::string> names()
    {
        std::set<std::string> s;
        for (auto &e : fs::directory_iterator(dir_)) s.insert(e.path().filename());
        return s;
    }
    // A regression fails by the timeout rather than hanging the suite.
    Outcome liscn(const std::string &args, const std::string &redirect = "2>&1")
    {
        return shell(std::string("timeout 60 ") + LISCN + " " + args + " " + redirect);
    }
    Outcome shell(const std::string &command)
    {
        Outcome r;
        FILE *p = popen(("cd " + dir_ + " && " + command).c_str(), "r");
        char buffer[4096];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, p)) > 0) r.output.append(buffer, n);
        int status = pclose(p);
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return r;
    }

    std::string dir_;
};

#define EXPECT_HAS(haystack, needle) EXPECT_NE(std::string::npos, (haystack).find(needle)) << (haystack)

}  // namespace

TEST_F(Tool, FixWritesOnlyOutWhateverLiesAround)
{
    // Names that an earlier version used for its temporary file, and that this one might.
    write("in.txt", kUtf8);
    write("out.txt.liscn-partial", "keep 1");
    write(".out.txt.liscn-AAAAAA", "keep 2");
    fs::create_symlink("precious.txt", path(".out.txt.liscn-BBBBBB"));
    write("precious.txt", "keep 3");
    auto before = names();
    Outcome r = liscn("fix in.txt out.txt");
    EXPECT_EQ(0, r.status) << r.output;
    EXPECT_EQ(kAnsi, read("out.txt"));
    before.insert("out.txt");
    EXPECT_EQ(before, names());
    EXPECT_EQ("keep 1", read("out.txt.liscn-partial"));
    EXPECT_EQ("keep 2", read(".out.txt.liscn-AAAAAA"));
    EXPECT_EQ("keep 3", read("precious.txt"));
    EXPECT_EQ(kUtf8, read("in.txt"));

    // IN named as an earlier version named OUT's temporary file.
    Outcome r2 = liscn("fix out.txt.liscn-partial out.txt");
    EXPECT_EQ(0, r2.status) << r2.output;
    EXPECT_EQ("keep 1", read("out.txt.liscn-partial"));
    EXPECT_EQ("keep 1", read("out.txt"));
}

TEST_F(Tool, OutThatIsALinkOrKeepsAModeIsHonoured)
{
    write("in.txt", kUtf8);
    write("target.txt", "old");
    fs::create_symlink("target.txt", path("link.txt"));
    EXPECT_EQ(0, liscn("fix in.txt link.txt").status);
    EXPECT_TRUE(fs::is_symlink(path("link.txt"))) << "the link was replaced";
    EXPECT_EQ(kAnsi, read("target.txt"));

    for (mode_t mode : {0600, 0644, 04755, 02775}) {
        write("mode.txt", "old");
        chmod(path("mode.txt").c_str(), mode);
        EXPECT_EQ(0, liscn("fix in.txt mode.txt").status);
        struct stat st;
        ASSERT_EQ(0, stat(path("mode.txt").c_str(), &st));
        EXPECT_EQ(mode, st.st_mode & 07777);
    }

    const std::string long_name(250, 'n');  // a name the folder takes, with no room for more
    EXPECT_EQ(0, liscn("fix in.txt " + long_name).status);
    EXPECT_EQ(kAnsi, read(long_name));
}

TEST_F(Tool, OutThatIsNoRegularFileOrIsInIsRefusedUntouched)
{
    write("in.txt", kUtf8);
    fs::create_directory(path("dir"));
    ASSERT_EQ(0, mkfifo(path("fifo").c_str(), 0644));
    fs::create_symlink("nowhere.txt", path("dangling"));
    fs::create_hard_link(path("in.txt"), path("hard.txt"));
    fs::create_symlink("in.txt", path("soft.txt"));
    bool device = mknod(path("null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;  // root only
    int sock = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    snprintf(address.sun_path, sizeof address.sun_path, "%s", path("sock").c_str());
    ASSERT_EQ(0, bind(sock, (sockaddr *)&address, sizeof address));
    auto before = names();

    for (const char *out : {"dir", "fifo", "dangling", "sock", "null", "in.txt", "./in.txt", "hard.txt", "soft.txt",
                            "../" "$(basename $PWD)/in.txt"}) {
        if (std::string(out) == "null" && !device) continue;
        Outcome r = liscn(std::string("fix in.txt ") + out);
        EXPECT_EQ(2, r.status) << out << ": " << r.output;
        EXPECT_HAS(r.output, "cannot write");
    }
    close(sock);
    EXPECT_EQ(before, names());
    EXPECT_EQ(kUtf8, read("in.txt"));
    EXPECT_TRUE(fs::is_directory(path("dir")) && fs::is_fifo(path("fifo")) && fs::is_symlink(path("dangling")));
    if (device) {
        EXPECT_TRUE(fs::is_character_file(path("null")));
    }
}

// OUT that names a stream of this process is written to it, whole, and never renamed over the
// file behind it; "-" is standard input for IN and standard output for OUT.
TEST_F(Tool, OutThatIsAStreamGetsTheTextAndNothingIsReplaced)
{
    write("u.txt", kUtf8);
    const std::string big(20000, 'x');
    write("big.txt", big);
    const struct {
        std::string command, file, before, after;
        int status;
    } cases[] = {
        {"fix u.txt /dev/stdout >> app.log 2>/dev/null", "app.log", "log 1\n", "log 1\n" + kAnsi, 0},
        {"fix u.txt /dev/stderr 2>> err.log >/dev/null", "err.log", "err 1\n", "err 1\n" + kAnsi, 0},
        {"fix u.txt app.log >> app.log 2>/dev/null", "app.log", "log 1\n", "log 1\n" + kAnsi, 0},
        {"fix u.txt /dev/fd/3 3>> fd3.log >/dev/null", "fd3.log", "fd 3\n", "fd 3\n" + kAnsi, 0},
        {"fix u.txt /dev/stdout 2>/dev/null | cat > piped.txt", "piped.txt", "", kAnsi, 0},
        {"fix u.txt - > dash.txt 2>/dev/null", "dash.txt", "", kAnsi, 0},
        {"fix - from-stdin.txt < u.txt >/dev/null", "from-stdin.txt", "", kAnsi, 0},
        {"cat u.txt | " + std::string(LISCN) + " fix - - > both.txt 2>/dev/null", "both.txt", "", kAnsi, 0},
        // A stream cannot take back what it was given: a long text for it is refused whole.
        {"fix --allow-cut big.txt - >> long.log 2>/dev/null", "long.log", "kept\n", "kept\n", 2},
        {"fix big.txt /dev/stdout >> long.log 2>/dev/null", "long.log", "kept\n", "kept\n", 1},
        {"fix u.txt - --codepage 1251 >> refused.log 2>/dev/null", "refused.log", "kept\n", "kept\n", 1},
        // Only a descriptor that writes makes a stream; one that writes in place is refused.
        {"fix u.txt held.txt 3< held.txt 2>/dev/null", "held.txt", "old old old old old\n", kAnsi, 0},
        {"fix u.txt /dev/fd/3 3<> inplace.txt 2>/dev/null", "inplace.txt", "old old old old old\n",
         "old old old old old\n", 2},
        {"fix u.txt - 1<> inplace.txt 2>/dev/null", "inplace.txt", "old old old old old\n",
         "old old old old old\n", 2},
        // A file named as such is replaced, whatever a parent left open on it.
        {"fix u.txt left-open.txt 3<> left-open.txt 2>/dev/null", "left-open.txt", "old old old old old\n", kAnsi, 0},
        {"fix same.txt - >> same.txt 2>/dev/null", "same.txt", kUtf8, kUtf8, 2},
        // The text alone in the file that both standard input and output write to.
        {"fix u.txt /dev/stdout 0<> both.log 1>&0 2>/dev/null", "both.log", "", kAnsi, 0},
    };
    for (const auto &c : cases) {
        write(c.file, c.before);
        write("same.txt", kUtf8);
        std::string command = c.command.compare(0, 4, "cat ") == 0 ? c.command : std::string(LISCN) + " " + c.command;
        Outcome r = shell("timeout 60 sh -c '" + command + "'");
        EXPECT_EQ(c.status, r.status) << c.command << ": " << r.output;
        EXPECT_EQ(c.after, read(c.file)) << c.command;
    }
    // The report goes to standard error when the text takes standard output.
    Outcome r = liscn("fix u.txt -", "2>/dev/null");
    EXPECT_EQ(kAnsi, r.output);
    // Standard input read from where it stands, also when fix starts over as the code page.
    write("w.txt", "HEADER: not part of it\n" + kAnsi);
    EXPECT_EQ(0, shell("{ read -r header; timeout 60 " LISCN " fix - off.txt; } < w.txt").status);
    EXPECT_EQ(kAnsi, read("off.txt"));
}

// Past the first 64 KiB block, the readings of a mixed text run on into the next block.
TEST_F(Tool, MixedTextReadingsAcrossBlocks)
{
    std::string text;
    for (int i = 0; i < 12000; i++) text += "line " + std::to_string(100000 + i) + " caf\xC3\xA9 \r\n";
    text[131066] = '\xE9';
    write("big.txt", text);
    Outcome r = liscn("check big.txt");
    EXPECT_EQ(1, r.status);
    const std::string around = text.substr(131066 - 20, 48);
    std::string utf8_reading = around;
    utf8_reading.replace(20, 1, "\xEF\xBF\xBD");
    for (size_t at; (at = utf8_reading.find("\r\n")) != std::string::npos;) utf8_reading.replace(at, 2, "\xE2\x90\x8D\xE2\x90\x8A");
    EXPECT_HAS(r.output, "reads as UTF-8 \"" + utf8_reading + "\"");
}

TEST_F(Tool, ReadOnlyOutAndFoldersThatTakeNoFile)
{
    write("u.txt", kUtf8);
    write("ro.txt", "old");
    chmod(path("ro.txt").c_str(), 0444);
    Outcome refused = liscn("fix u.txt ro.txt");
    EXPECT_EQ(2, refused.status);
    EXPECT_HAS(refused.output, "cannot write ro.txt: read-only: liscn replaces it only when told --force");
    EXPECT_EQ("old", read("ro.txt"));
    EXPECT_EQ(0, liscn("fix u.txt ro.txt --force").status);
    EXPECT_EQ(kAnsi, read("ro.txt"));
    struct stat st;
    ASSERT_EQ(0, stat(path("ro.txt").c_str(), &st));
    EXPECT_EQ(0444u, st.st_mode & 07777) << "--force keeps the mode";
    // Still told so when fix starts over, reading the text as the code page after all.
    write("a.txt", kAnsi);
    EXPECT_EQ(0, liscn("fix a.txt ro.txt --force").status);
    EXPECT_EQ(kAnsi, read("ro.txt"));

    // On a read-only file system --force cannot help: the message says what stands in the way.
    fs::create_directory(path("rofs"));
    if (geteuid() == 0 && mount("tmpfs", path("rofs").c_str(), "tmpfs", 0, "size=64k") == 0) {
        write("rofs/t.txt", "old");
        ASSERT_EQ(0, mount(nullptr, path("rofs").c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr));
        Outcome rofs = liscn("fix u.txt rofs/t.txt");
        umount2(path("rofs").c_str(), MNT_DETACH);
        EXPECT_EQ(2, rofs.status);
        EXPECT_HAS(rofs.output, "cannot write rofs/t.txt: Read-only file system");
    }
    fs::create_directory(path("shut"));
    chmod(path("shut").c_str(), 0555);
    // As root every folder takes files: the test runs the tool as nobody where it can.
    std::string as_other = geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
    chmod(dir_.c_str(), 0755);
    Outcome folder = shell("timeout 60 " + as_other + LISCN + " fix u.txt shut/new.txt 2>&1");
    EXPECT_EQ(2, folder.status) << folder.output;
    EXPECT_HAS(folder.output, "cannot write shut/new.txt: cannot make a file in its folder shut: Permission denied");
}

// What leaves no trace in the files: the new file and then its folder flushed to disk, and, as
// root, the old OUT's owner given to the new file.
TEST_F(Tool, FlushesTheFileAndItsFolderAndKeepsTheOwner)
{
    write("u.txt", kUtf8);
    write("owned.txt", "old");
    const bool root = geteuid() == 0;
    if (root) {
        ASSERT_EQ(0, chown(path("owned.txt").c_str(), 65534, 65534));
    }
    // ASan wants to come first among the libraries; the logger does not care.
    Outcome r = shell("LISCN_SYSCALL_LOG=calls.log LD_PRELOAD=" SYSCALL_LOG " ASAN_OPTIONS=verify_asan_link_order=0 "
                      "timeout 60 " LISCN " fix u.txt owned.txt 2>&1");
    EXPECT_EQ(0, r.status) << r.output;
    const std::string calls = read("calls.log");
    size_t file = calls.find("fsync file\n"), folder = calls.find("fsync folder\n");
    EXPECT_NE(std::string::npos, file) << calls;
    EXPECT_NE(std::string::npos, folder) << calls;
    EXPECT_LT(file, folder) << "the file before the folder it is renamed in";
    if (root) {
        EXPECT_NE(std::string::npos, calls.find("fchown 65534 65534")) << calls;
        struct stat st;
        ASSERT_EQ(0, stat(path("owned.txt").c_str(), &st));
        EXPECT_EQ(65534u, st.st_uid);
        EXPECT_EQ(65534u, st.st_gid);
    }
}

// A reader that has gone is a failure to write, reported by the exit code, not a death by
// SIGPIPE that a script sees as a signal.
TEST_F(Tool, AClosedPipeIsAnErrorNotADeath)
{
    write("a.txt", kAnsi);
    for (const char *command : {"--help", "preview a.txt", "check a.txt"}) {
        int fds[2];
        ASSERT_EQ(0, pipe(fds));
        close(fds[0]);
        pid_t pid = fork();
        if (pid == 0) {
            dup2(fds[1], 1);
            int null = open("/dev/null", O_WRONLY);
            dup2(null, 2);
            if (chdir(dir_.c_str()) != 0) _exit(99);
            execl("/bin/sh", "sh", "-c", (std::string("exec ") + LISCN + " " + command).c_str(), (char *)nullptr);
            _exit(98);
        }
        close(fds[1]);
        int status = 0;
        ASSERT_EQ(pid, waitpid(pid, &status, 0));
        EXPECT_TRUE(WIFEXITED(status)) << command << ": ended by signal " << WTERMSIG(status);
        if (WIFEXITED(status)) {
            EXPECT_EQ(2, WEXITSTATUS(status)) << command;
        }
    }
}

TEST_F(Tool, AFullDiskLeavesOutAsItWas)
{
    fs::create_directory(path("small"));
    if (mount("tmpfs", path("small").c_str(), "tmpfs", 0, "size=64k") != 0) GTEST_SKIP() << "needs root to mount";
    write("in.txt", std::string(200000, 'a'));
    write("small/out.txt", "old");
    Outcome r = liscn("fix --allow-cut in.txt small/out.txt");
    EXPECT_EQ(2, r.status) << r.output;
    EXPECT_HAS(r.output, "No space left on device");
    Outcome refused = liscn("fix in.txt small/out.txt");
    EXPECT_EQ(1, refused.status) << "a result that may not be cut is measured, not written: " << refused.output;
    EXPECT_HAS(refused.output, "the result is 200000 bytes");
    EXPECT_EQ("old", read("small/out.txt"));
    EXPECT_EQ(1u, std::distance(fs::directory_iterator(path("small")), fs::directory_iterator()));
}

TEST_F(Tool, InterruptedFixLeavesNothingBehind)
{
    ASSERT_EQ(0, mkfifo(path("in.fifo").c_str(), 0644));
    write("out.txt", "old");
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGALRM, SIGXFSZ}) {
        pid_t pid = fork();
        if (pid == 0) {
            execl(LISCN, LISCN, "fix", path("in.fifo").c_str(), path("out.txt").c_str(), (char *)nullptr);
            _exit(127);
        }
        std::ofstream feed(path("in.fifo"), std::ios::binary);  // the tool now waits on its input
        feed << "Caf\xC3\xA9\n" << std::flush;
        bool temp = false;
        for (int i = 0; i < 500 && !temp; i++, usleep(10000))
            for (auto &e : fs::directory_iterator(dir_)) temp |= e.path().filename().string().rfind(".out.txt.liscn-", 0) == 0;
        EXPECT_TRUE(temp) << "no temporary file seen";
        kill(pid, sig);
        int status;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << "signal " << sig;
        EXPECT_EQ((std::set<std::string>{"in.fifo", "out.txt"}), names()) << "signal " << sig;
        EXPECT_EQ("old", read("out.txt"));
    }

    // A hang-up that the caller ignores (nohup), or a termination it holds off, stays so.
    for (bool ignore : {true, false}) {
        write("out.txt", "old");
        pid_t pid = fork();
        if (pid == 0) {
            sigset_t set;
            sigemptyset(&set);
            sigaddset(&set, SIGTERM);
            if (ignore) signal(SIGHUP, SIG_IGN);
            else sigprocmask(SIG_BLOCK, &set, nullptr);
            execl(LISCN, LISCN, "fix", path("in.fifo").c_str(), path("out.txt").c_str(), (char *)nullptr);
            _exit(127);
        }
        {
            std::ofstream feed(path("in.fifo"), std::ios::binary);
            feed << "Caf\xC3\xA9\n" << std::flush;
            usleep(200000);
            kill(pid, ignore ? SIGHUP : SIGTERM);
        }
        int status;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
        EXPECT_EQ("Caf\xE9\r\n", read("out.txt"));
    }
}

TEST_F(Tool, UnreadableInputIsAnErrorNotACrash)
{
    fs::create_directory(path("d"));
    for (const std::string command : {"check", "preview", "fix"}) {
        for (const std::string in : {"d", "missing.txt", "/proc/self/mem", "/dev/zero"}) {
            Outcome r = liscn(command + " " + in + (command == "fix" ? " out.txt" : ""));
            EXPECT_EQ(2, r.status) << command << " " << in << ": " << r.output;
            EXPECT_HAS(r.output, "liscn: cannot read " + in + ": ");
        }
    }
    EXPECT_FALSE(fs::exists(path("out.txt")));
    Outcome pipe = liscn("check /dev/stdin < " + write("in.txt", kAnsi));
    EXPECT_EQ(0, pipe.status) << pipe.output;
    // From a pipe, a text that is not UTF-8 cannot be read a second time, unless it is short.
    Outcome short_pipe = shell("cat in.txt | timeout 60 " LISCN " fix /dev/stdin short.txt 2>&1");
    EXPECT_EQ(0, short_pipe.status) << short_pipe.output;
    EXPECT_EQ(kAnsi, read("short.txt"));
    write("long.txt", "\xE9" + std::string(100000, 'a'));
    Outcome long_pipe = shell("cat long.txt | timeout 60 " LISCN " fix /dev/stdin long-out.txt --allow-cut 2>&1");
    EXPECT_EQ(2, long_pipe.status) << long_pipe.output;
    EXPECT_HAS(long_pipe.output, "--from ansi reads it");
}

TEST_F(Tool, ArgumentsAndExitCodes)
{
    write("a.txt", kAnsi);
    write("u.txt", kUtf8);
    const struct {
        std::string args;
        int status;
        const char *says;
    } cases[] = {
        {"check a.txt", 0, "ok: the dialog shows this file as written"},
        {"check u.txt", 1, "the text is UTF-8"},
        {"check --codepage=1251 a.txt", 0, "read as code page 1251"},
        {"check a.txt --codepage 1250", 0, "read as code page 1250"},
        {"check -- a.txt", 0, "ok"},
        {"check --from=ansi u.txt", 1, "LF alone"},
        {"fix u.txt o.txt --bogus --help", 0, "usage: liscn check"},
        {"--help", 0, "usage: liscn check"},
        {"check a.txt -h", 0, "usage: liscn check"},
        {"", 2, "no command"},
        {"frobnicate a.txt", 2, "unknown command frobnicate"},
        {"check", 2, "check takes one FILE, not 0"},
        {"fix a.txt", 2, "fix takes two files"},
        {"check a.txt --codepage", 2, "--codepage needs a value"},
        {"check a.txt --codepage 20127", 2, "--codepage 20127: liscn takes 874, 932"},
        {"check a.txt --codepage 12x", 2, "--codepage 12x: not a code page number"},
        {"check a.txt --from latin9", 2, "--from latin9: say ansi"},
        {"check a.txt --allow-cut=yes", 2, "--allow-cut takes no value"},
        {"check a.txt --bogus", 2, "unknown option --bogus"},
        {"check a.txt -x", 2, "unknown option -x"},
        {"check a.txt --foo=bar", 2, "unknown option --foo"},
        {"--help=x", 0, "usage: liscn check"},
        {"check a.txt --codepage --help", 0, "usage: liscn check"},
        {"check a.txt --codepage ' 1252'", 2, "not a code page number"},
        {"check a.txt --codepage=+1252", 2, "not a code page number"},
        {"preview a.txt --from ansi", 2, "--from: preview shows the bytes"},
        // The usage line's own order holds whatever the environment says.
        {"POSIXLY_CORRECT=1 " + std::string(LISCN) + " check a.txt --codepage 1250", 0, "read as code page 1250"},
        {"fix u.txt o.txt --force=yes", 2, "--force takes no value"},
        {"check a.txt --force", 2, "--force: only fix writes a file"},
        {"check - < a.txt", 0, "-: 13 bytes, 1 line"},
        // Names are printed with their control characters escaped.
        {"check \"$(printf 'no\\033[2Jsuch\\nfile')\"", 2, "cannot read no\\x1B[2Jsuch\\nfile: No such file"},
        {"check \"$(printf 'c1\\302\\233[2Jname')\"", 2, "cannot read c1\\xC2\\x9B[2Jname: No such file"},  // CSI as U+009B
        {"\"$(printf 'chk\\033[2J')\" a.txt", 2, "unknown command chk\\x1B[2J"},
        {"fix u.txt \"$(printf 'no\\033[2J/o.txt')\"", 2, "its folder no\\x1B[2J: No such file"},
        {"--help", 0, "Exit 0: OUT written (even if the report then cannot be)"},
        // fix's warning of a cut says what check says of it.
        {"fix --allow-cut cut.txt cut-out.txt", 0, "warning: the cut falls between the CR and the LF that end line 1"},
        {"fix --allow-cut --codepage 932 cut2.txt cut-out.txt", 0, "warning: the cut falls inside the character at line 1, column 16380"},
    };
    write("cut.txt", std::string(16379, 'a') + "\r\nb\r\n");
    write("cut2.txt", std::string(16379, 'a') + "\xE6\x97\xA5\r\n");  // 日, two bytes in 932: the cut splits it
    for (const auto &c : cases) {
        Outcome r = c.args.compare(0, 16, "POSIXLY_CORRECT=") == 0 ? shell("timeout 60 env " + c.args + " 2>&1")
                                                                     : liscn(c.args);
        EXPECT_EQ(c.status, r.status) << c.args << ": " << r.output;
        EXPECT_HAS(r.output, c.says);
    }
}

TEST_F(Tool, FailingToWriteOutputIsAnError)
{
    write("a.txt", kAnsi);
    const struct {
        const char *command, *redirect;
    } cases[] = {
        {"check a.txt", "> /dev/full"},
        {"preview a.txt", "> /dev/full"},
        {"--help", "> /dev/full"},
        {"preview a.txt", "2> /dev/full > /dev/null"},  // its summary
        {"check missing.txt", "2> /dev/full"},
        {"fix u.txt - --codepage 1252", "> /dev/full"},  // the text itself: OUT not written
    };
    write("u.txt", kUtf8);
    for (const auto &c : cases) EXPECT_EQ(2, liscn(c.command, c.redirect).status) << c.command << " " << c.redirect;
    // OUT written: 0, whatever becomes of the report, so that a script knows OUT changed.
    EXPECT_EQ(0, liscn("fix u.txt o.txt", "> /dev/full").status);
    EXPECT_EQ(kAnsi, read("o.txt"));
}

TEST_F(Tool, PreviewShowsWhatTheBoxHolds)
{
    Outcome r = liscn("preview " + write("p.txt", std::string("Caf\xE9\x81\r\nrun\ntogether\r\nend\0hidden", 31)));
    EXPECT_EQ(0, r.status);
    EXPECT_EQ(0u, r.output.find("Caf\xC3\xA9\xEF\xBF\xBD\nrun\xE2\x90\x8Atogether\nend\n")) << r.output;
    EXPECT_HAS(r.output, "-- 24 of 31 bytes shown, as code page 1252; a zero byte ends the text; "
                         "1 byte is no character of code page 1252");
    Outcome controls = liscn("preview " + write("c.txt", "ok\x1b[2J\a\ttab\x7f\r\n"));
    EXPECT_EQ(0u, controls.output.find("ok\xE2\x90\x9B[2J\xE2\x90\x87\ttab\xE2\x90\xA1\n")) << controls.output;
    Outcome sjis = liscn("preview --codepage 932 " + write("j.txt", "\x93\xfa\x96\x7b\r\n"));
    EXPECT_EQ(0u, sjis.output.find("\xE6\x97\xA5\xE6\x9C\xAC\n")) << sjis.output;
}

namespace {

std::vector<std::string> words_of(const std::string &text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string word; in >> word;) out.push_back(word);
    return out;
}

// Paragraphs of the words of a licence, wrapped greedily at width, CR LF; and as one line each.
std::string paragraphs(size_t count, size_t width, bool wrapped)
{
    const char *const words[] = {"the", "software", "is", "provided", "without", "warranty", "of", "any", "kind,",
                                 "express", "or", "implied,", "including", "merchantability", "and", "fitness."};
    std::string text;
    for (size_t p = 0; p < count; p++) {
        std::string line;
        for (size_t w = 0; w < 60; w++) {
            std::string word = words[(p * 7 + w * 3) % 16];
            if (wrapped && !line.empty() && line.size() + 1 + word.size() > width) text += line + "\r\n", line.clear();
            line += (line.empty() ? "" : " ") + word;
        }
        text += line + "\r\n\r\n";
    }
    return text;
}

}  // namespace

// A hard wrap is a note, whatever else check says; fix --reflow mends it, says how, and leaves a
// reflowed text as it is.  The cut is measured on the reflowed text.
TEST_F(Tool, HardWrapIsANoteAndReflowMendsIt)
{
    write("wrapped.txt", paragraphs(3, 70, true));
    Outcome r = liscn("check wrapped.txt");
    EXPECT_EQ(0, r.status) << r.output;
    EXPECT_HAS(r.output, "note: hard-wrapped at column 70: the box, about 68 characters wide, will break about");
    EXPECT_HAS(r.output, "\"liscn fix --reflow wrapped.txt OUT\" joins each paragraph's lines");
    write("wrapped-lf.txt", "x\n" + paragraphs(3, 70, true));
    r = liscn("check wrapped-lf.txt");
    EXPECT_EQ(1, r.status) << r.output;  // its LF is the problem; the wrap is still noted
    EXPECT_HAS(r.output, "note: hard-wrapped at column 70");

    r = liscn("fix --reflow wrapped.txt flowed.txt");
    EXPECT_EQ(0, r.status) << r.output;
    EXPECT_HAS(r.output, "reflowed: hard-wrapped at column 70, 18 line ends joined");
    EXPECT_EQ(paragraphs(3, 70, false), read("flowed.txt"));
    r = liscn("check flowed.txt");
    EXPECT_EQ(0, r.status) << r.output;
    EXPECT_EQ(std::string::npos, r.output.find("hard-wrapped")) << r.output;
    r = liscn("fix --reflow flowed.txt again.txt");
    EXPECT_HAS(r.output, "reflowed: not hard-wrapped, nothing joined");
    EXPECT_EQ(read("flowed.txt"), read("again.txt"));

    // Longer than the dialog shows as wrapped, short enough reflowed: written without --allow-cut.
    size_t count = 1;
    while (paragraphs(count, 64, true).size() <= 16400) count++;
    std::string text = paragraphs(count, 64, true);
    write("long.txt", text);
    EXPECT_EQ(1, liscn("fix long.txt out.txt").status);
    r = liscn("fix --reflow long.txt out.txt");
    EXPECT_EQ(0, r.status) << r.output;
    EXPECT_LE(read("out.txt").size(), 16380u);
    EXPECT_HAS(r.output, "reflowed: hard-wrapped at column 64");

    // Longer than the dialog shows: the command to mend it says --allow-cut; a name with a space
    // is quoted for the shell; past the first MiB nothing is read for the note.
    std::string huge;
    while (huge.size() < (2u << 20)) huge += paragraphs(1, 70, true);
    write("a huge text.txt", huge);
    r = liscn("check 'a huge text.txt'");
    EXPECT_HAS(r.output, "lines in its first MiB into a long line and a short one; \"liscn fix --reflow --allow-cut "
                         "'a huge text.txt' OUT\"");
    r = liscn("fix --reflow --allow-cut 'a huge text.txt' flowed.txt");
    EXPECT_EQ(0, r.status) << r.output;
    EXPECT_EQ(words_of(huge), words_of(read("flowed.txt")));
    // Not in the double-byte code pages, and not past 16 MiB.
    r = liscn("fix --reflow --codepage 936 wrapped.txt o.txt");
    EXPECT_EQ(2, r.status) << r.output;
    EXPECT_HAS(r.output, "code page 936 is for Chinese, Japanese or Korean");
    std::string too_big;
    while (too_big.size() <= (16u << 20)) too_big += huge;
    write("too big.txt", too_big);
    r = liscn("fix --reflow --allow-cut 'too big.txt' o.txt");
    EXPECT_EQ(1, r.status) << r.output.substr(0, 300);
    EXPECT_HAS(r.output, "over 16 MiB, more than --reflow takes");
    EXPECT_HAS(r.output, "o.txt not written");

    EXPECT_HAS(liscn("check wrapped.txt --reflow").output, "--reflow: only fix writes a file");
    EXPECT_HAS(liscn("fix wrapped.txt o.txt --reflow=yes").output, "--reflow takes no value");
}

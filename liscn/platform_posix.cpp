#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "platform.h"

namespace {

char g_error[512];
// The new file beside OUT while it exists, for the signal handler to remove.
char g_temp[PATH_MAX + 32];
volatile sig_atomic_t g_temp_live;
char g_target[PATH_MAX];    // OUT, or the file its link names

bool fail(const char *why)
{
    snprintf(g_error, sizeof g_error, "%s", why);
    return false;
}

bool fail_errno() { return fail(strerror(errno)); }

const char *kind_of(mode_t mode)
{
    return S_ISDIR(mode) ? "a directory" : S_ISCHR(mode) ? "a character device" : S_ISBLK(mode) ? "a block device"
         : S_ISFIFO(mode) ? "a FIFO" : S_ISSOCK(mode) ? "a socket" : "not a regular file";
}

void on_signal(int sig)
{
    if (g_temp_live) unlink(g_temp);
    signal(sig, SIG_DFL);
    raise(sig);
}

// Every signal whose default ends the process, but those that cannot be caught and those of a
// fault in the program itself.
const int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGALRM, SIGUSR1, SIGUSR2,
                        SIGXFSZ, SIGXCPU, SIGVTALRM, SIGPROF};
sigset_t g_caller_mask;

// Holds the signals off while the new file's name and existence disagree, then gives back the
// caller's own mask, which may hold some of them off for good.
void block_signals(bool block)
{
    if (!block) {
        sigprocmask(SIG_SETMASK, &g_caller_mask, nullptr);
        return;
    }
    sigset_t set;
    sigemptyset(&set);
    for (int s : kSignals) sigaddset(&set, s);
    sigprocmask(SIG_BLOCK, &set, &g_caller_mask);
}

// Whether fd is open for writing on the file st describes.
bool writes_to(int fd, const struct stat &st)
{
    struct stat other;
    int flags = fcntl(fd, F_GETFL);
    return flags >= 0 && (flags & O_ACCMODE) != O_RDONLY && fstat(fd, &other) == 0 && other.st_dev == st.st_dev &&
           other.st_ino == st.st_ino;
}

// The descriptor of this process that writes to the file st describes: standard output or
// error first, so that the report goes to the other; then, where OUT is named as a descriptor
// (/dev/fd/3, /proc/self/fd/3), the rest in order; -1 for none.  A descriptor that only reads
// (a lock's, standard input's) does not make OUT a stream, nor one a parent left open on a file
// that the user names as such.
int descriptor_of(const struct stat &st, bool named_as_descriptor)
{
    if (writes_to(1, st)) return 1;
    if (writes_to(2, st)) return 2;
    DIR *dir = named_as_descriptor ? opendir("/proc/self/fd") : nullptr;
    if (!dir) return -1;
    int found = INT_MAX;
    for (struct dirent *e; (e = readdir(dir)) != nullptr;) {
        if (e->d_name[0] < '0' || e->d_name[0] > '9') continue;
        int fd = atoi(e->d_name);
        if (fd > 2 && fd < found && fd != dirfd(dir) && writes_to(fd, st)) found = fd;
    }
    closedir(dir);
    return found == INT_MAX ? -1 : found;
}

// A stream that writes in place inside a regular file (opened without O_APPEND, short of its
// end) would overwrite part of it and leave the rest: that cannot be done whole.
bool writes_in_place(int fd)
{
    struct stat st;
    int flags = fcntl(fd, F_GETFL);
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || (flags >= 0 && (flags & O_APPEND))) return false;
    off_t at = lseek(fd, 0, SEEK_CUR);
    return at >= 0 && at < st.st_size;
}

bool stream_out(OutFile *o, int fd, const InFile *in)
{
    struct stat st;
    if (in && fstat(fd, &st) == 0 && st.st_dev == in->volume && st.st_ino == in->index)
        return fail("the same file as IN: fix never changes its input");
    if (writes_in_place(fd))
        return fail("a stream that writes into the middle of a file, where the text would overwrite part of "
                    "it; append to it (>>), or write to another file");
    o->stream = fd;
    return true;
}

}  // namespace

const char *platform_error() { return g_error; }

bool in_open(InFile *f, const char *name)
{
    int fd = strcmp(name, "-") == 0 ? fcntl(0, F_DUPFD_CLOEXEC, 3) : open(name, O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return fail_errno();
    struct stat st;
    if (fstat(fd, &st) != 0) {
        fail_errno();
        close(fd);
        return false;
    }
    if (S_ISDIR(st.st_mode) || S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) || S_ISSOCK(st.st_mode)) {
        close(fd);
        return fail(S_ISDIR(st.st_mode) ? strerror(EISDIR) : kind_of(st.st_mode));
    }
    f->handle = fd;
    f->volume = st.st_dev;
    f->index = st.st_ino;
    f->start = S_ISREG(st.st_mode) ? lseek(fd, 0, SEEK_CUR) : 0;  // standard input may stand past 0
    return true;
}

long in_read(InFile *f, unsigned char *p, size_t n)
{
    ssize_t r;
    do r = read((int)f->handle, p, n);
    while (r < 0 && errno == EINTR);
    if (r < 0) fail_errno();
    return (long)r;
}

bool in_rewind(InFile *f) { return lseek((int)f->handle, (off_t)f->start, SEEK_SET) == (off_t)f->start || fail_errno(); }

void in_close(InFile *f) { close((int)f->handle); }

bool out_begin(OutFile *o, const char *name, const InFile *in, bool force)
{
    char *target = g_target;
    o->handle = -1;
    o->stream = -1;
    struct stat st;
    bool existing = false;
    // A file that this process writes to is a stream: renaming over it would replace what the
    // user meant to add to (a log that standard output appends to).  stat follows links, so
    // IN is told apart here under any name.
    if (strcmp(name, "-") == 0) return stream_out(o, 1, in);
    if (stat(name, &st) == 0) {
        if (in && st.st_dev == in->volume && st.st_ino == in->index)
            return fail("the same file as IN: fix never changes its input");
        int fd = descriptor_of(st, strncmp(name, "/dev/", 5) == 0 || strncmp(name, "/proc/", 6) == 0);
        if (fd >= 0) return stream_out(o, fd, in);
    }
    mode_t mode = umask(0);
    umask(mode);
    mode = 0666 & ~mode;
    if (lstat(name, &st) == 0) {
        if (S_ISLNK(st.st_mode)) {
            // The link stays; its target gets the text.
            if (!realpath(name, target) || stat(target, &st) != 0)
                return fail(errno == ENOENT ? "a symbolic link to a file that does not exist" : strerror(errno));
        } else if (snprintf(target, sizeof g_target, "%s", name) >= (int)sizeof g_target) {
            return fail(strerror(ENAMETOOLONG));
        }
        if (!S_ISREG(st.st_mode)) return fail(kind_of(st.st_mode));
        if (access(target, W_OK) != 0 && errno == EROFS) return fail_errno();  // --force cannot help
        if (!force && (access(target, W_OK) != 0 || !(st.st_mode & S_IWUSR)))
            return fail("read-only: liscn replaces it only when told --force");
        existing = true;
        mode = st.st_mode & 07777;
    } else if (errno != ENOENT) {
        return fail_errno();
    } else if (snprintf(target, sizeof g_target, "%s", name) >= (int)sizeof g_target) {
        return fail(strerror(ENAMETOOLONG));
    }

    const char *slash = strrchr(target, '/');
    int dir_length = slash ? (int)(slash - target + 1) : 0;
    // At most 200 bytes of OUT's name, so that the new name stays within the 255 a folder allows.
    if (snprintf(g_temp, sizeof g_temp, "%.*s.%.200s.liscn-XXXXXX", dir_length, target, target + dir_length) >=
        (int)sizeof g_temp)
        return fail(strerror(ENAMETOOLONG));

    // A signal that the caller ignores (nohup) stays ignored.
    struct sigaction sa = {}, old;
    sa.sa_handler = on_signal;
    for (int s : kSignals)
        if (sigaction(s, nullptr, &old) == 0 && old.sa_handler != SIG_IGN) sigaction(s, &sa, nullptr);
    block_signals(true);
    int fd = mkstemp(g_temp);  // O_EXCL: never an existing file, never through a link
    int error = errno;
    if (fd >= 0) g_temp_live = 1;
    block_signals(false);
    if (fd < 0) {
        // The folder is what cannot take a new file: name it.
        snprintf(g_error, sizeof g_error, "cannot make a file in its folder %.*s: %s",
                 dir_length > 1 ? dir_length - 1 : 1, dir_length ? target : ".", strerror(error));
        return false;
    }
    o->handle = fd;
    // The owner first: changing it clears the set-user-ID and set-group-ID bits.
    if (existing && geteuid() == 0 && fchown(fd, st.st_uid, st.st_gid) != 0) {}  // best effort
    if (fchmod(fd, mode) != 0) {
        fail_errno();
        out_abort(o);
        return false;
    }
    return true;
}

bool out_write(OutFile *o, const unsigned char *p, size_t n)
{
    while (n) {
        ssize_t w = write((int)o->handle, p, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return fail_errno();
        p += w;
        n -= (size_t)w;
    }
    return true;
}

bool out_commit(OutFile *o)
{
    int fd = (int)o->handle;
    if (fsync(fd) != 0) {
        fail_errno();
        out_abort(o);
        return false;
    }
    o->handle = -1;
    if (close(fd) != 0) {
        fail_errno();
        out_abort(o);
        return false;
    }
    block_signals(true);
    bool renamed = rename(g_temp, g_target) == 0;
    if (!renamed) fail_errno();
    if (renamed) g_temp_live = 0;
    block_signals(false);
    if (!renamed) {
        out_abort(o);
        return false;
    }
    // The rename itself reaches the disk with the directory.
    const char *slash = strrchr(g_target, '/');
    char dir[PATH_MAX];
    snprintf(dir, sizeof dir, "%.*s", slash ? (int)(slash - g_target + 1) : 1, slash ? g_target : ".");
    int dfd = open(dir, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        fsync(dfd);
        close(dfd);
    }
    return true;
}

void out_abort(OutFile *o)
{
    if (o->handle >= 0) close((int)o->handle);
    o->handle = -1;
    block_signals(true);
    if (g_temp_live) unlink(g_temp);
    g_temp_live = 0;
    block_signals(false);
}

bool std_write(int stream, const char *p, size_t n)
{
    static bool pipe_ignored;
    if (!pipe_ignored) {
        signal(SIGPIPE, SIG_IGN);  // a closed pipe is a write error, reported, not a silent death
        pipe_ignored = true;
    }
    while (n) {
        ssize_t w = write(stream, p, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return fail_errno();
        p += w;
        n -= (size_t)w;
    }
    return true;
}

bool out_stream_write(OutFile *o, const unsigned char *p, size_t n) { return std_write(o->stream, (const char *)p, n); }

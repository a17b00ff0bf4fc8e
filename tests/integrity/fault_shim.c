/* Fault injection for the integrity tests, loaded with LD_PRELOAD into
 * dezadide-cli. It counts the file calls that touch the folders named in
 * DZ_FAULT_DIRS and lets the Nth one of the chosen kinds fail, raise SIGINT
 * or kill the process, so that a test can walk a fault over every step of a
 * job. Without DZ_FAULT_DIRS every call passes straight through.
 *
 *   DZ_FAULT_DIRS    ':'-separated folders; only calls on paths below them count
 *   DZ_FAULT_CALLS   ','-separated kinds or "any": open (open, openat, creat),
 *                    read (read, pread), write (write, pwrite), copy_file_range
 *                    (also sendfile), close, fsync (fsync, fdatasync, syncfs),
 *                    rename (rename, renameat, renameat2), unlink (unlink,
 *                    unlinkat, remove), link (link, linkat), truncate
 *   DZ_FAULT_NTH     the counted call that is hit, from 1; 0 or unset: none
 *   DZ_FAULT_ERRNO   the error number a failed call gives (default EIO)
 *   DZ_FAULT_ACTION  fail (default), sigint (raise SIGINT, then make the call)
 *                    kill (SIGKILL before the call), or delay (hold the call
 *                    DZ_FAULT_DELAY_MS milliseconds, then make it: another
 *                    program changes something meanwhile), or corrupt (a read
 *                    is made and the first byte it returns comes back changed,
 *                    as from a failing disk; other kinds pass)
 *   DZ_FAULT_LOG     file that receives "count KIND N" at exit, "fault KIND
 *                    PATH written" for the hit, and with DZ_FAULT_TRACE=1
 *                    "call KIND PATH" for every counted call
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

enum {
    K_OPEN,
    K_READ,
    K_WRITE,
    K_CFR,
    K_CLOSE,
    K_FSYNC,
    K_RENAME,
    K_UNLINK,
    K_LINK,
    K_TRUNC,
    K_COUNT
};
static const char* const kKindNames[K_COUNT] = {"open",  "read",    "write",  "copy_file_range",
                                                "close", "fsync",   "rename", "unlink",
                                                "link",  "truncate"};

#define MAX_DIRS 8
#define MAX_FDS 4096
static char* g_dirs[MAX_DIRS];
static int g_dirCount;
static int g_chosen[K_COUNT];
static long g_nth;
static int g_errno = EIO;
static int g_action; /* 0 fail, 1 sigint, 2 kill, 3 delay, 4 corrupt */
static long g_delayMs;
static int g_trace;
static int g_log = -1;
static long g_counted;
static long g_counts[K_COUNT];
static char* g_fdPath[MAX_FDS];
static char g_fdWritten[MAX_FDS];
static pthread_mutex_t g_lock = PTHREAD_MUTEX_INITIALIZER;

#define REAL(name) static __typeof__(name)* real_##name
REAL(open);
REAL(open64);
REAL(openat);
REAL(openat64);
REAL(read);
REAL(pread64);
REAL(pread);
REAL(pwrite);
REAL(remove);
REAL(sendfile);
REAL(write);
REAL(pwrite64);
REAL(copy_file_range);
REAL(close);
REAL(fsync);
REAL(fdatasync);
REAL(syncfs);
REAL(rename);
REAL(renameat);
REAL(renameat2);
REAL(unlink);
REAL(unlinkat);
REAL(link);
REAL(linkat);
REAL(ftruncate);
REAL(truncate);
static void LoadSymbol(void** slot, const char* name) {
    *slot = dlsym(RTLD_NEXT, name);
}
#define RESOLVE(name)                                                                              \
    (real_##name ? real_##name : (LoadSymbol((void**)&real_##name, #name), real_##name))

static void LogLine(const char* a, const char* b, const char* c) {
    if (g_log < 0)
        return;
    char line[4200];
    int n = snprintf(line, sizeof line, "%s %s %s\n", a, b, c ? c : "-");
    if (n > (int)sizeof line)
        n = sizeof line;
    RESOLVE(write)(g_log, line, (size_t)n);
}

__attribute__((constructor)) static void Setup(void) {
    const char* dirs = getenv("DZ_FAULT_DIRS");
    if (!dirs || !*dirs)
        return;
    char* copy = strdup(dirs);
    for (char *save = NULL, *d = strtok_r(copy, ":", &save); d && g_dirCount < MAX_DIRS;
         d = strtok_r(NULL, ":", &save))
        g_dirs[g_dirCount++] = strdup(d);
    free(copy);
    const char* calls = getenv("DZ_FAULT_CALLS");
    char* kinds = strdup(calls ? calls : "");
    for (char *save = NULL, *k = strtok_r(kinds, ",", &save); k; k = strtok_r(NULL, ",", &save))
        for (int i = 0; i < K_COUNT; ++i)
            g_chosen[i] |= !strcmp(k, "any") || !strcmp(k, kKindNames[i]);
    free(kinds);
    const char* nth = getenv("DZ_FAULT_NTH");
    g_nth = nth ? atol(nth) : 0;
    const char* err = getenv("DZ_FAULT_ERRNO");
    if (err && atoi(err) > 0)
        g_errno = atoi(err);
    const char* action = getenv("DZ_FAULT_ACTION");
    g_action = !action                      ? 0
               : !strcmp(action, "sigint")  ? 1
               : !strcmp(action, "kill")    ? 2
               : !strcmp(action, "delay")   ? 3
               : !strcmp(action, "corrupt") ? 4
                                            : 0;
    const char* delay = getenv("DZ_FAULT_DELAY_MS");
    g_delayMs = delay ? atol(delay) : 0;
    const char* trace = getenv("DZ_FAULT_TRACE");
    g_trace = trace && *trace == '1';
    const char* log = getenv("DZ_FAULT_LOG");
    if (log && *log)
        g_log = RESOLVE(open)(log, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
}

__attribute__((destructor)) static void Report(void) {
    for (int k = 0; k < K_COUNT && g_dirCount > 0; ++k) {
        char n[32];
        snprintf(n, sizeof n, "%ld", g_counts[k]);
        LogLine("count", kKindNames[k], n);
    }
}

static int Below(const char* path) {
    if (!path || g_dirCount == 0)
        return 0;
    for (int i = 0; i < g_dirCount; ++i) {
        size_t n = strlen(g_dirs[i]);
        if (strncmp(path, g_dirs[i], n) == 0 && (path[n] == '/' || path[n] == '\0'))
            return 1;
    }
    return 0;
}

/* The absolute form of a path given to a call, relative to a folder
 * descriptor or the working folder. The caller frees it. */
static char* Absolute(int dirfd, const char* path) {
    if (!path)
        return NULL;
    if (path[0] == '/')
        return strdup(path);
    char base[4096] = "";
    if (dirfd == AT_FDCWD) {
        if (!getcwd(base, sizeof base))
            return NULL;
    } else {
        pthread_mutex_lock(&g_lock);
        if (dirfd >= 0 && dirfd < MAX_FDS && g_fdPath[dirfd])
            snprintf(base, sizeof base, "%s", g_fdPath[dirfd]);
        pthread_mutex_unlock(&g_lock);
        if (!base[0])
            return NULL;
    }
    char* out = malloc(strlen(base) + strlen(path) + 2);
    if (out)
        sprintf(out, "%s/%s", base, path);
    return out;
}

static char* PathOfFd(int fd, int* written) {
    char* path = NULL;
    pthread_mutex_lock(&g_lock);
    if (fd >= 0 && fd < MAX_FDS && g_fdPath[fd]) {
        path = strdup(g_fdPath[fd]);
        if (written)
            *written = g_fdWritten[fd];
    }
    pthread_mutex_unlock(&g_lock);
    return path;
}

static void TrackFd(int fd, const char* path) {
    if (fd < 0 || fd >= MAX_FDS)
        return;
    pthread_mutex_lock(&g_lock);
    free(g_fdPath[fd]);
    g_fdPath[fd] = path && Below(path) ? strdup(path) : NULL;
    g_fdWritten[fd] = 0;
    pthread_mutex_unlock(&g_lock);
}

static void MarkWritten(int fd) {
    pthread_mutex_lock(&g_lock);
    if (fd >= 0 && fd < MAX_FDS)
        g_fdWritten[fd] = 1;
    pthread_mutex_unlock(&g_lock);
}

/* Counts a call on `path` and says whether it is the one to fail (1); a
 * SIGINT or a kill is carried out here. */
static int Hit(int kind, const char* path, int written) {
    if (!Below(path))
        return 0;
    __atomic_add_fetch(&g_counts[kind], 1, __ATOMIC_SEQ_CST);
    if (g_trace)
        LogLine("call", kKindNames[kind], path);
    if (!g_chosen[kind])
        return 0;
    const long n = __atomic_add_fetch(&g_counted, 1, __ATOMIC_SEQ_CST);
    if (n != g_nth)
        return 0;
    char what[4200];
    snprintf(what, sizeof what, "%s %d", path, written);
    LogLine("fault", kKindNames[kind], what);
    if (g_action == 2)
        raise(SIGKILL);
    if (g_action == 3) {
        struct timespec wait = {g_delayMs / 1000, (g_delayMs % 1000) * 1000000L};
        while (nanosleep(&wait, &wait) != 0 && errno == EINTR)
            ;
        return 0;
    }
    if (g_action == 1) {
        raise(SIGINT);
        return 0;
    }
    if (g_action == 4)
        return 2; /* only a read acts on it */
    return 1;
}

static int HitFd(int kind, int fd) {
    if (g_dirCount == 0)
        return 0;
    int written = 0;
    char* path = PathOfFd(fd, &written);
    const int hit = path ? Hit(kind, path, written) : 0;
    free(path);
    return hit;
}

static int HitPath(int kind, int dirfd, const char* p) {
    if (g_dirCount == 0)
        return 0;
    char* path = Absolute(dirfd, p);
    const int hit = Hit(kind, path, 0);
    free(path);
    return hit;
}

static int OpenCommon(int dirfd, const char* p, int flags, mode_t mode, int which) {
    char* path = g_dirCount ? Absolute(dirfd, p) : NULL;
    if (path && Hit(K_OPEN, path, 0) == 1) {
        free(path);
        errno = g_errno;
        return -1;
    }
    int fd;
    switch (which) {
    case 0:
        fd = RESOLVE(open)(p, flags, mode);
        break;
    case 1:
        fd = RESOLVE(open64)(p, flags, mode);
        break;
    case 2:
        fd = RESOLVE(openat)(dirfd, p, flags, mode);
        break;
    default:
        fd = RESOLVE(openat64)(dirfd, p, flags, mode);
        break;
    }
    if (g_dirCount)
        TrackFd(fd, path);
    free(path);
    return fd;
}

#define MODE_ARG(flags)                                                                            \
    mode_t mode = 0;                                                                               \
    if ((flags) & (O_CREAT | __O_TMPFILE)) {                                                       \
        va_list ap;                                                                                \
        va_start(ap, flags);                                                                       \
        mode = va_arg(ap, mode_t);                                                                 \
        va_end(ap);                                                                                \
    }

int open(const char* p, int flags, ...) {
    MODE_ARG(flags)
    return OpenCommon(AT_FDCWD, p, flags, mode, 0);
}
int open64(const char* p, int flags, ...) {
    MODE_ARG(flags)
    return OpenCommon(AT_FDCWD, p, flags, mode, 1);
}
int openat(int dirfd, const char* p, int flags, ...) {
    MODE_ARG(flags)
    return OpenCommon(dirfd, p, flags, mode, 2);
}
int openat64(int dirfd, const char* p, int flags, ...) {
    MODE_ARG(flags)
    return OpenCommon(dirfd, p, flags, mode, 3);
}
int creat(const char* p, mode_t mode) {
    return OpenCommon(AT_FDCWD, p, O_WRONLY | O_CREAT | O_TRUNC, mode, 0);
}

#define FAIL_IF(cond)                                                                              \
    if ((cond) == 1) {                                                                             \
        errno = g_errno;                                                                           \
        return -1;                                                                                 \
    }

/* The bytes a corrupting hit returns: the first one changed. */
static ssize_t Corrupted(int hit, void* b, ssize_t got) {
    if (hit == 2 && got > 0)
        ((unsigned char*)b)[0] ^= 0xff;
    return got;
}

ssize_t read(int fd, void* b, size_t n) {
    const int hit = HitFd(K_READ, fd);
    FAIL_IF(hit)
    return Corrupted(hit, b, RESOLVE(read)(fd, b, n));
}
ssize_t pread64(int fd, void* b, size_t n, off64_t o) {
    const int hit = HitFd(K_READ, fd);
    FAIL_IF(hit)
    return Corrupted(hit, b, RESOLVE(pread64)(fd, b, n, o));
}
ssize_t pread(int fd, void* b, size_t n, off_t o) {
    const int hit = HitFd(K_READ, fd);
    FAIL_IF(hit)
    return Corrupted(hit, b, RESOLVE(pread)(fd, b, n, o));
}
ssize_t pwrite(int fd, const void* b, size_t n, off_t o) {
    FAIL_IF(HitFd(K_WRITE, fd))
    const ssize_t r = RESOLVE(pwrite)(fd, b, n, o);
    if (r > 0 && g_dirCount)
        MarkWritten(fd);
    return r;
}
/* std::filesystem's copy; counted with the kernel copies */
ssize_t sendfile(int out, int in, off_t* offset, size_t n) {
    FAIL_IF(HitFd(K_CFR, out))
    const ssize_t r = RESOLVE(sendfile)(out, in, offset, n);
    if (r > 0 && g_dirCount)
        MarkWritten(out);
    return r;
}
ssize_t write(int fd, const void* b, size_t n) {
    FAIL_IF(HitFd(K_WRITE, fd))
    const ssize_t r = RESOLVE(write)(fd, b, n);
    if (r > 0 && g_dirCount)
        MarkWritten(fd);
    return r;
}
ssize_t pwrite64(int fd, const void* b, size_t n, off64_t o) {
    FAIL_IF(HitFd(K_WRITE, fd))
    const ssize_t r = RESOLVE(pwrite64)(fd, b, n, o);
    if (r > 0 && g_dirCount)
        MarkWritten(fd);
    return r;
}
ssize_t copy_file_range(int in, off64_t* inOff, int out, off64_t* outOff, size_t n,
                        unsigned flags) {
    /* one count per call, on the side the bytes go to when that is watched */
    int outWatched = 0;
    if (g_dirCount) {
        char* outPath = PathOfFd(out, NULL);
        outWatched = outPath != NULL;
        free(outPath);
    }
    FAIL_IF(HitFd(K_CFR, outWatched ? out : in))
    const ssize_t r = RESOLVE(copy_file_range)(in, inOff, out, outOff, n, flags);
    if (r > 0 && g_dirCount)
        MarkWritten(out);
    return r;
}

int close(int fd) {
    const int hit = HitFd(K_CLOSE, fd);
    if (g_dirCount)
        TrackFd(fd, NULL);
    const int r = RESOLVE(close)(fd);
    /* the descriptor is gone either way, as after a close that reports a
     * delayed write error */
    FAIL_IF(hit)
    return r;
}
int fsync(int fd) {
    FAIL_IF(HitFd(K_FSYNC, fd))
    return RESOLVE(fsync)(fd);
}
int fdatasync(int fd) {
    FAIL_IF(HitFd(K_FSYNC, fd))
    return RESOLVE(fdatasync)(fd);
}
int syncfs(int fd) {
    FAIL_IF(HitFd(K_FSYNC, fd))
    return RESOLVE(syncfs)(fd);
}
int ftruncate(int fd, off_t length) {
    FAIL_IF(HitFd(K_TRUNC, fd))
    return RESOLVE(ftruncate)(fd, length);
}
int truncate(const char* p, off_t length) {
    FAIL_IF(HitPath(K_TRUNC, AT_FDCWD, p))
    return RESOLVE(truncate)(p, length);
}

/* A rename or a link counts once, on whichever of its two paths is watched. */
static int HitTwo(int kind, int fromDir, const char* from, int toDir, const char* to) {
    if (g_dirCount == 0)
        return 0;
    char* a = Absolute(fromDir, from);
    char* b = Absolute(toDir, to);
    const int hit = Below(b) ? Hit(kind, b, 0) : Hit(kind, a, 0);
    free(a);
    free(b);
    return hit;
}

int rename(const char* from, const char* to) {
    FAIL_IF(HitTwo(K_RENAME, AT_FDCWD, from, AT_FDCWD, to))
    return RESOLVE(rename)(from, to);
}
int renameat(int fromDir, const char* from, int toDir, const char* to) {
    FAIL_IF(HitTwo(K_RENAME, fromDir, from, toDir, to))
    return RESOLVE(renameat)(fromDir, from, toDir, to);
}
int renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned flags) {
    FAIL_IF(HitTwo(K_RENAME, fromDir, from, toDir, to))
    return RESOLVE(renameat2)(fromDir, from, toDir, to, flags);
}
int unlink(const char* p) {
    FAIL_IF(HitPath(K_UNLINK, AT_FDCWD, p))
    return RESOLVE(unlink)(p);
}
int remove(const char* p) {
    FAIL_IF(HitPath(K_UNLINK, AT_FDCWD, p))
    return RESOLVE(remove)(p);
}
int unlinkat(int dirfd, const char* p, int flags) {
    FAIL_IF(HitPath(K_UNLINK, dirfd, p))
    return RESOLVE(unlinkat)(dirfd, p, flags);
}
int link(const char* from, const char* to) {
    FAIL_IF(HitTwo(K_LINK, AT_FDCWD, from, AT_FDCWD, to))
    return RESOLVE(link)(from, to);
}
int linkat(int fromDir, const char* from, int toDir, const char* to, int flags) {
    FAIL_IF(HitTwo(K_LINK, fromDir, from, toDir, to))
    return RESOLVE(linkat)(fromDir, from, toDir, to, flags);
}

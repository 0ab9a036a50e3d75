// A fault injector for the fault-injection tests and bench/fault-sweep.sh,
// loaded into the program with LD_PRELOAD: the Nth call of one class of
// file-system calls fails with a chosen errno, every other call goes through.
//
//   KV_FAULT_CLASS  write | open | mkdir | link | rename | unlink | close | read
//   KV_FAULT_NTH    N, counted from 1 over the process and the processes it
//                   forks (they share the counters); 0 fails nothing
//   KV_FAULT_ERRNO  ENOSPC | EIO | EMFILE | EACCES, or a number
//   KV_FAULT_LOG    a file. When the fault fires: "fired <class> <n> <call>
//                   <target>". At the end of the first process:
//                   "count <class> <calls>" for every class (so a clean run
//                   with KV_FAULT_NTH=0 gives the range of N to try).
//
// A call fails the way the system fails it: nothing is written or read, a
// descriptor passed to close() is closed all the same, a stdio stream gets
// its error indicator. Calls on standard input, output and error are neither
// counted nor failed: they are the terminal, not a file the program keeps.
// stdio and directory streams are counted where the program (or a library
// it uses) calls them, since their own system calls inside the C library
// cannot be seen from here.
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdio_ext.h>
#include <sys/mman.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/uio.h>
#include <unistd.h>

#include <atomic>
#include <new>
#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstddef>
#include <cstdio>
#include <cstring>

namespace {

enum Class { kWrite, kOpen, kMkdir, kLink, kRename, kUnlink, kClose, kRead, kClasses };
constexpr const char* kClassNames[kClasses] = {"write", "open", "mkdir", "link", "rename", "unlink", "close", "read"};

struct Shared {
  std::atomic<long> calls[kClasses];
  std::atomic<int> fired;
};

Shared* g_shared = nullptr;
int g_class = -1;
long g_nth = 0;
int g_errno = 0;
const char* g_log = nullptr;
pid_t g_first_pid = 0;

template <typename F>
F Real(F& slot, const char* name) {
  if (slot == nullptr) slot = reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
  return slot;
}
#define REAL(name) Real(real_##name, #name)

using OpenFn = int (*)(const char*, int, ...);
using OpenatFn = int (*)(int, const char*, int, ...);
using Open2Fn = int (*)(const char*, int);
using Openat2Fn = int (*)(int, const char*, int);
using CreatFn = int (*)(const char*, mode_t);
using FopenFn = FILE* (*)(const char*, const char*);
using OpendirFn = DIR* (*)(const char*);
using ReadFn = ssize_t (*)(int, void*, size_t);
using PreadFn = ssize_t (*)(int, void*, size_t, off_t);
using ReadvFn = ssize_t (*)(int, const struct iovec*, int);
using FreadFn = size_t (*)(void*, size_t, size_t, FILE*);
using ReaddirFn = struct dirent* (*)(DIR*);
using Readdir64Fn = struct dirent64* (*)(DIR*);
using WriteFn = ssize_t (*)(int, const void*, size_t);
using PwriteFn = ssize_t (*)(int, const void*, size_t, off_t);
using FwriteFn = size_t (*)(const void*, size_t, size_t, FILE*);
using FputsFn = int (*)(const char*, FILE*);
using FputcFn = int (*)(int, FILE*);
using VfprintfFn = int (*)(FILE*, const char*, va_list);
using VfprintfChkFn = int (*)(FILE*, int, const char*, va_list);
using FflushFn = int (*)(FILE*);
using SendfileFn = ssize_t (*)(int, int, off_t*, size_t);
using CopyRangeFn = ssize_t (*)(int, off64_t*, int, off64_t*, size_t, unsigned int);
using MkdirFn = int (*)(const char*, mode_t);
using MkdiratFn = int (*)(int, const char*, mode_t);
using LinkFn = int (*)(const char*, const char*);
using LinkatFn = int (*)(int, const char*, int, const char*, int);
using SymlinkatFn = int (*)(const char*, int, const char*);
using RenameFn = int (*)(const char*, const char*);
using RenameatFn = int (*)(int, const char*, int, const char*);
using Renameat2Fn = int (*)(int, const char*, int, const char*, unsigned int);
using UnlinkFn = int (*)(const char*);
using UnlinkatFn = int (*)(int, const char*, int);
using CloseFn = int (*)(int);
using FcloseFn = int (*)(FILE*);

OpenFn real_open, real_open64;
OpenatFn real_openat, real_openat64;
Open2Fn real___open_2, real___open64_2;
Openat2Fn real___openat_2, real___openat64_2;
CreatFn real_creat, real_creat64;
FopenFn real_fopen, real_fopen64;
OpendirFn real_opendir;
ReadFn real_read;
PreadFn real_pread, real_pread64;
ReadvFn real_readv;
FreadFn real_fread;
ReaddirFn real_readdir;
Readdir64Fn real_readdir64;
WriteFn real_write;
PwriteFn real_pwrite, real_pwrite64;
ReadvFn real_writev;
FwriteFn real_fwrite;
FputsFn real_fputs;
FputcFn real_fputc, real_putc;
VfprintfFn real_vfprintf;
VfprintfChkFn real___vfprintf_chk;
FflushFn real_fflush;
SendfileFn real_sendfile, real_sendfile64;
CopyRangeFn real_copy_file_range;
MkdirFn real_mkdir;
MkdiratFn real_mkdirat;
LinkFn real_link, real_symlink;
LinkatFn real_linkat;
SymlinkatFn real_symlinkat;
RenameFn real_rename;
RenameatFn real_renameat;
Renameat2Fn real_renameat2;
UnlinkFn real_unlink, real_remove, real_rmdir;
UnlinkatFn real_unlinkat;
CloseFn real_close;
FcloseFn real_fclose;

void AppendLog(const char* text) {
  if (g_log == nullptr) return;
  int fd = REAL(open)(g_log, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  if (fd < 0) return;
  ssize_t ignored = REAL(write)(fd, text, std::strlen(text));
  (void)ignored;
  REAL(close)(fd);
}

// Whether this call is the one to fail. Every call of an armed class is
// counted, so that the numbers agree with the clean run's counts.
bool Fire(Class c, const char* call, const char* target) {
  if (g_shared == nullptr) return false;
  const long n = g_shared->calls[c].fetch_add(1) + 1;
  if (c != g_class || n != g_nth) return false;
  int expected = 0;
  if (!g_shared->fired.compare_exchange_strong(expected, 1)) return false;
  char line[4352];
  std::snprintf(line, sizeof line, "fired %s %ld %s %s\n", kClassNames[c], n, call, target != nullptr ? target : "-");
  AppendLog(line);
  return true;
}

bool IsTerminal(int fd) { return fd >= 0 && fd <= 2; }
bool IsTerminal(FILE* f) { return f == nullptr || f == stdin || f == stdout || f == stderr || IsTerminal(fileno(f)); }

// The file behind a descriptor, for the log line.
struct FdName {
  char text[4096];
  explicit FdName(int fd) {
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    ssize_t n = readlink(link, text, sizeof text - 1);
    if (n < 0) n = std::snprintf(text, sizeof text, "fd:%d", fd);
    text[n] = '\0';
  }
};

bool FireFd(Class c, const char* call, int fd) {
  if (IsTerminal(fd) || g_shared == nullptr) return false;
  if (c != g_class) {
    g_shared->calls[c].fetch_add(1);
    return false;
  }
  return Fire(c, call, FdName(fd).text);
}

// A stream without a descriptor of its own (fopencookie) does its I/O
// through calls seen here anyway: it is not counted twice.
bool FireFile(Class c, const char* call, FILE* f) {
  if (IsTerminal(f) || fileno(f) < 0) return false;
  return FireFd(c, call, fileno(f));
}

template <typename T>
T Fail(T result) {
  errno = g_errno;
  return result;
}

// A failed write of a stdio stream: what its buffer held is lost, and
// ferror() reports it.
template <typename T>
T FailStream(FILE* f, T result) {
  __fpurge(f);
  f->_flags |= 0x0020;  // _IO_ERR_SEEN
  errno = g_errno;
  return result;
}

// A stdio write reaches the system only when the stream's buffer has no
// room left for it; it is counted then, so that the numbers follow the
// write() calls the C library makes underneath (one per buffer, not one per
// piece of XML).
bool StreamWriteFires(const char* call, FILE* f, size_t size) {
  if (IsTerminal(f) || fileno(f) < 0 || g_shared == nullptr) return false;
  if (f->_IO_write_ptr != nullptr && f->_IO_write_end - f->_IO_write_ptr >= static_cast<ptrdiff_t>(size)) return false;
  return FireFile(kWrite, call, f);
}

int ParseErrno(const char* text) {
  if (text == nullptr) return EIO;
  if (std::strcmp(text, "ENOSPC") == 0) return ENOSPC;
  if (std::strcmp(text, "EIO") == 0) return EIO;
  if (std::strcmp(text, "EMFILE") == 0) return EMFILE;
  if (std::strcmp(text, "ENFILE") == 0) return ENFILE;
  if (std::strcmp(text, "EACCES") == 0) return EACCES;
  if (std::strcmp(text, "EPERM") == 0) return EPERM;
  int value = std::atoi(text);
  return value > 0 ? value : EIO;
}

__attribute__((constructor)) void Start() {
  const char* klass = std::getenv("KV_FAULT_CLASS");
  const char* nth = std::getenv("KV_FAULT_NTH");
  g_log = std::getenv("KV_FAULT_LOG");
  g_errno = ParseErrno(std::getenv("KV_FAULT_ERRNO"));
  g_nth = nth != nullptr ? std::atol(nth) : 0;
  for (int c = 0; c < kClasses; ++c)
    if (klass != nullptr && std::strcmp(klass, kClassNames[c]) == 0) g_class = c;
  void* memory = mmap(nullptr, sizeof(Shared), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED) return;
  g_first_pid = getpid();
  g_shared = new (memory) Shared{};
}

__attribute__((destructor)) void End() {
  if (g_shared == nullptr || getpid() != g_first_pid) return;
  Shared* shared = g_shared;
  g_shared = nullptr;  // the log's own calls are not counted
  for (int c = 0; c < kClasses; ++c) {
    char line[64];
    std::snprintf(line, sizeof line, "count %s %ld\n", kClassNames[c], shared->calls[c].load());
    AppendLog(line);
  }
}

mode_t ModeArgument(int flags, va_list args) {
  return (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE ? static_cast<mode_t>(va_arg(args, int)) : 0;
}

}  // namespace

extern "C" {

// ---- open ----
int open(const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  mode_t mode = ModeArgument(flags, args);
  va_end(args);
  if (Fire(kOpen, "open", path)) return Fail(-1);
  return REAL(open)(path, flags, mode);
}
int open64(const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  mode_t mode = ModeArgument(flags, args);
  va_end(args);
  if (Fire(kOpen, "open64", path)) return Fail(-1);
  return REAL(open64)(path, flags, mode);
}
int openat(int dir, const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  mode_t mode = ModeArgument(flags, args);
  va_end(args);
  if (Fire(kOpen, "openat", path)) return Fail(-1);
  return REAL(openat)(dir, path, flags, mode);
}
int openat64(int dir, const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  mode_t mode = ModeArgument(flags, args);
  va_end(args);
  if (Fire(kOpen, "openat64", path)) return Fail(-1);
  return REAL(openat64)(dir, path, flags, mode);
}
int __open_2(const char* path, int flags) {
  if (Fire(kOpen, "open", path)) return Fail(-1);
  return REAL(__open_2)(path, flags);
}
int __open64_2(const char* path, int flags) {
  if (Fire(kOpen, "open64", path)) return Fail(-1);
  return REAL(__open64_2)(path, flags);
}
int __openat_2(int dir, const char* path, int flags) {
  if (Fire(kOpen, "openat", path)) return Fail(-1);
  return REAL(__openat_2)(dir, path, flags);
}
int __openat64_2(int dir, const char* path, int flags) {
  if (Fire(kOpen, "openat64", path)) return Fail(-1);
  return REAL(__openat64_2)(dir, path, flags);
}
int creat(const char* path, mode_t mode) {
  if (Fire(kOpen, "creat", path)) return Fail(-1);
  return REAL(creat)(path, mode);
}
int creat64(const char* path, mode_t mode) {
  if (Fire(kOpen, "creat64", path)) return Fail(-1);
  return REAL(creat64)(path, mode);
}
FILE* fopen(const char* path, const char* mode) {
  if (Fire(kOpen, "fopen", path)) return Fail<FILE*>(nullptr);
  return REAL(fopen)(path, mode);
}
FILE* fopen64(const char* path, const char* mode) {
  if (Fire(kOpen, "fopen64", path)) return Fail<FILE*>(nullptr);
  return REAL(fopen64)(path, mode);
}
DIR* opendir(const char* path) {
  if (Fire(kOpen, "opendir", path)) return Fail<DIR*>(nullptr);
  return REAL(opendir)(path);
}

// ---- read ----
ssize_t read(int fd, void* buffer, size_t size) {
  if (FireFd(kRead, "read", fd)) return Fail<ssize_t>(-1);
  return REAL(read)(fd, buffer, size);
}
ssize_t pread(int fd, void* buffer, size_t size, off_t offset) {
  if (FireFd(kRead, "pread", fd)) return Fail<ssize_t>(-1);
  return REAL(pread)(fd, buffer, size, offset);
}
ssize_t pread64(int fd, void* buffer, size_t size, off_t offset) {
  if (FireFd(kRead, "pread64", fd)) return Fail<ssize_t>(-1);
  return REAL(pread64)(fd, buffer, size, offset);
}
ssize_t readv(int fd, const struct iovec* parts, int count) {
  if (FireFd(kRead, "readv", fd)) return Fail<ssize_t>(-1);
  return REAL(readv)(fd, parts, count);
}
size_t fread(void* buffer, size_t size, size_t count, FILE* f) {
  // Counted only when the stream's buffer cannot serve the read: then the C
  // library calls read() underneath.
  const bool buffered = !IsTerminal(f) && f->_IO_read_ptr != nullptr &&
                        f->_IO_read_end - f->_IO_read_ptr >= static_cast<ptrdiff_t>(size * count);
  if (!buffered && FireFile(kRead, "fread", f)) {
    f->_flags |= 0x0020;  // _IO_ERR_SEEN
    return Fail<size_t>(0);
  }
  return REAL(fread)(buffer, size, count, f);
}
struct dirent* readdir(DIR* dir) {
  if (FireFd(kRead, "readdir", dirfd(dir))) return Fail<struct dirent*>(nullptr);
  return REAL(readdir)(dir);
}
struct dirent64* readdir64(DIR* dir) {
  if (FireFd(kRead, "readdir64", dirfd(dir))) return Fail<struct dirent64*>(nullptr);
  return REAL(readdir64)(dir);
}

// ---- write ----
ssize_t write(int fd, const void* data, size_t size) {
  if (FireFd(kWrite, "write", fd)) return Fail<ssize_t>(-1);
  return REAL(write)(fd, data, size);
}
ssize_t pwrite(int fd, const void* data, size_t size, off_t offset) {
  if (FireFd(kWrite, "pwrite", fd)) return Fail<ssize_t>(-1);
  return REAL(pwrite)(fd, data, size, offset);
}
ssize_t pwrite64(int fd, const void* data, size_t size, off_t offset) {
  if (FireFd(kWrite, "pwrite64", fd)) return Fail<ssize_t>(-1);
  return REAL(pwrite64)(fd, data, size, offset);
}
ssize_t writev(int fd, const struct iovec* parts, int count) {
  if (FireFd(kWrite, "writev", fd)) return Fail<ssize_t>(-1);
  return REAL(writev)(fd, parts, count);
}
size_t fwrite(const void* data, size_t size, size_t count, FILE* f) {
  if (StreamWriteFires("fwrite", f, size * count)) return FailStream<size_t>(f, 0);
  return REAL(fwrite)(data, size, count, f);
}
int fputs(const char* text, FILE* f) {
  if (StreamWriteFires("fputs", f, std::strlen(text))) return FailStream(f, EOF);
  return REAL(fputs)(text, f);
}
int fputc(int c, FILE* f) {
  if (StreamWriteFires("fputc", f, 1)) return FailStream(f, EOF);
  return REAL(fputc)(c, f);
}
int putc(int c, FILE* f) {
  if (StreamWriteFires("putc", f, 1)) return FailStream(f, EOF);
  return REAL(putc)(c, f);
}
int vfprintf(FILE* f, const char* format, va_list args) {
  va_list measure;
  va_copy(measure, args);
  const int size = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  if (StreamWriteFires("vfprintf", f, size > 0 ? static_cast<size_t>(size) : 0)) return FailStream(f, -1);
  return REAL(vfprintf)(f, format, args);
}
int fprintf(FILE* f, const char* format, ...) {
  va_list args;
  va_start(args, format);
  int result = vfprintf(f, format, args);
  va_end(args);
  return result;
}
int __vfprintf_chk(FILE* f, int flag, const char* format, va_list args) {
  va_list measure;
  va_copy(measure, args);
  const int size = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  if (StreamWriteFires("vfprintf", f, size > 0 ? static_cast<size_t>(size) : 0)) return FailStream(f, -1);
  return REAL(__vfprintf_chk)(f, flag, format, args);
}
int __fprintf_chk(FILE* f, int flag, const char* format, ...) {
  va_list args;
  va_start(args, format);
  int result = __vfprintf_chk(f, flag, format, args);
  va_end(args);
  return result;
}
int fflush(FILE* f) {
  if (f != nullptr && f->_IO_write_ptr > f->_IO_write_base && FireFile(kWrite, "fflush", f)) return FailStream(f, EOF);
  return REAL(fflush)(f);
}
ssize_t sendfile(int out, int in, off_t* offset, size_t count) {
  if (FireFd(kWrite, "sendfile", out)) return Fail<ssize_t>(-1);
  return REAL(sendfile)(out, in, offset, count);
}
ssize_t sendfile64(int out, int in, off_t* offset, size_t count) {
  if (FireFd(kWrite, "sendfile64", out)) return Fail<ssize_t>(-1);
  return REAL(sendfile64)(out, in, offset, count);
}
ssize_t copy_file_range(int in, off64_t* in_offset, int out, off64_t* out_offset, size_t count, unsigned int flags) {
  if (FireFd(kWrite, "copy_file_range", out)) return Fail<ssize_t>(-1);
  return REAL(copy_file_range)(in, in_offset, out, out_offset, count, flags);
}

// ---- mkdir ----
int mkdir(const char* path, mode_t mode) {
  if (Fire(kMkdir, "mkdir", path)) return Fail(-1);
  return REAL(mkdir)(path, mode);
}
int mkdirat(int dir, const char* path, mode_t mode) {
  if (Fire(kMkdir, "mkdirat", path)) return Fail(-1);
  return REAL(mkdirat)(dir, path, mode);
}

// ---- link ----
int link(const char* from, const char* to) {
  if (Fire(kLink, "link", to)) return Fail(-1);
  return REAL(link)(from, to);
}
int linkat(int from_dir, const char* from, int to_dir, const char* to, int flags) {
  if (Fire(kLink, "linkat", to)) return Fail(-1);
  return REAL(linkat)(from_dir, from, to_dir, to, flags);
}
int symlink(const char* target, const char* path) {
  if (Fire(kLink, "symlink", path)) return Fail(-1);
  return REAL(symlink)(target, path);
}
int symlinkat(const char* target, int dir, const char* path) {
  if (Fire(kLink, "symlinkat", path)) return Fail(-1);
  return REAL(symlinkat)(target, dir, path);
}

// ---- rename ----
int rename(const char* from, const char* to) {
  if (Fire(kRename, "rename", to)) return Fail(-1);
  return REAL(rename)(from, to);
}
int renameat(int from_dir, const char* from, int to_dir, const char* to) {
  if (Fire(kRename, "renameat", to)) return Fail(-1);
  return REAL(renameat)(from_dir, from, to_dir, to);
}
int renameat2(int from_dir, const char* from, int to_dir, const char* to, unsigned int flags) {
  if (Fire(kRename, "renameat2", to)) return Fail(-1);
  return REAL(renameat2)(from_dir, from, to_dir, to, flags);
}

// ---- unlink ----
int unlink(const char* path) {
  if (Fire(kUnlink, "unlink", path)) return Fail(-1);
  return REAL(unlink)(path);
}
int unlinkat(int dir, const char* path, int flags) {
  if (Fire(kUnlink, "unlinkat", path)) return Fail(-1);
  return REAL(unlinkat)(dir, path, flags);
}
int remove(const char* path) {
  if (Fire(kUnlink, "remove", path)) return Fail(-1);
  return REAL(remove)(path);
}
int rmdir(const char* path) {
  if (Fire(kUnlink, "rmdir", path)) return Fail(-1);
  return REAL(rmdir)(path);
}

// ---- close ----
int close(int fd) {
  if (FireFd(kClose, "close", fd)) {
    REAL(close)(fd);  // the descriptor is gone whatever close() reports
    return Fail(-1);
  }
  return REAL(close)(fd);
}
int fclose(FILE* f) {
  if (FireFile(kClose, "fclose", f)) {
    __fpurge(f);
    REAL(fclose)(f);
    return Fail(EOF);
  }
  return REAL(fclose)(f);
}

}  // extern "C"

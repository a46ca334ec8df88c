#include "driver/replace_file.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "driver/console.h"

namespace console {

namespace {

constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// The temporary file that exists while a replacement is under way, for
// the signal handler to remove: a fixed buffer, as a handler may not
// allocate.
char temporary[PATH_MAX + 32];
volatile sig_atomic_t temporaryExists = 0;

void RemoveTemporaryAndEnd(int number) {
  if (temporaryExists) unlink(temporary);
  std::signal(number, SIG_DFL);
  raise(number);
}

void RemoveTemporaryOnEndingSignals() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  for (int s : kEndingSignals) {
    struct sigaction action = {};
    sigaction(s, nullptr, &action);
    if (action.sa_handler == SIG_IGN) continue;  // ignored by whoever started us: stays so
    action.sa_handler = RemoveTemporaryAndEnd;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    sigaction(s, &action, nullptr);
  }
}

// Holds the ending signals back while it lives, so that the handler never
// sees a name that mkstemp is still trying out, or one already renamed.
class SignalsHeld {
 public:
  SignalsHeld() {
    sigset_t held;
    sigemptyset(&held);
    for (int s : kEndingSignals) sigaddset(&held, s);
    sigprocmask(SIG_BLOCK, &held, &before_);
  }
  ~SignalsHeld() { sigprocmask(SIG_SETMASK, &before_, nullptr); }
  SignalsHeld(const SignalsHeld&) = delete;
  SignalsHeld& operator=(const SignalsHeld&) = delete;

 private:
  sigset_t before_;
};

// Creates the temporary file in `folder`; its descriptor, or -1 with errno.
int CreateTemporary(const std::string& folder) {
  static constexpr char kName[] = "/.qel2json-format-XXXXXX";
  if (folder.size() + sizeof kName > sizeof temporary) {
    errno = ENAMETOOLONG;
    return -1;
  }
  SignalsHeld held;
  memcpy(temporary, folder.data(), folder.size());
  memcpy(temporary + folder.size(), kName, sizeof kName);
  int fd = mkostemp(temporary, O_CLOEXEC);
  if (fd >= 0) temporaryExists = 1;
  return fd;
}

// Gives the temporary file the name `path`, or removes it.
int PutInPlace(const std::string& path, int error) {
  SignalsHeld held;
  if (!error && rename(temporary, path.c_str()) != 0) error = errno;
  if (error) unlink(temporary);
  temporaryExists = 0;
  return error;
}

// Writes the text and the file's permissions into the temporary file and
// closes it; 0 or an errno value.
int FillTemporary(int fd, std::string_view text, const struct stat& original) {
  int error = 0;
  // Only a privileged user may give a file away; others keep their own.
  // Changing the owner clears the set-user-ID bits, so the mode comes after.
  if (fchown(fd, original.st_uid, original.st_gid) != 0) (void)!fchown(fd, uid_t(-1), original.st_gid);
  if (fchmod(fd, original.st_mode & 07777) != 0 || !WriteAll(fd, text.data(), text.size()) || fsync(fd) != 0)
    error = errno;
  if (close(fd) != 0 && !error) error = errno;
  return error;
}

}  // namespace

int ReplaceFile(const std::string& path, std::string_view text) {
  char* resolved = realpath(path.c_str(), nullptr);
  if (!resolved) return errno;
  std::string target = resolved;
  free(resolved);
  struct stat original;
  if (stat(target.c_str(), &original) != 0) return errno;
  if (!S_ISREG(original.st_mode)) return EINVAL;
  // A file the user may not write stays as it is, although its folder
  // would let a new one take its place.
  if (access(target.c_str(), W_OK) != 0) return errno;
  RemoveTemporaryOnEndingSignals();
  int fd = CreateTemporary(target.substr(0, target.rfind('/')));
  if (fd < 0) return errno;
  return PutInPlace(target, FillTemporary(fd, text, original));
}

}  // namespace console

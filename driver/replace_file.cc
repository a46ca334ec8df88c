#include "driver/replace_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>

#include "driver/console.h"

namespace console {

namespace {

constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// Holds the ending signals back while it lives: one that comes while a
// replacement is under way ends the process once the temporary file has
// taken the file's name or is gone, so no signal can leave it behind (and
// no handler has to know its name).
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

// Gives the temporary file the name `path`, or removes it.
int PutInPlace(const std::string& temporary, const std::string& path, int error) {
  if (!error && rename(temporary.c_str(), path.c_str()) != 0) error = errno;
  if (error) unlink(temporary.c_str());
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
  SignalsHeld held;
  std::string temporary = target.substr(0, target.rfind('/')) + "/.qel2json-format-XXXXXX";
  int fd = mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) return errno;
  return PutInPlace(temporary, target, FillTemporary(fd, text, original));
}

}  // namespace console

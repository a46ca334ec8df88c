// The whole translator as a libFuzzer target: each input is translated as a
// file would be, with its document written to /dev/null.
//
// The translator ends the process on purpose (DEADLY reports, too many
// errors); the target is linked with -Wl,--wrap=exit so that such an end
// returns here instead, and every module's state is reset before the next
// input.
#include <fcntl.h>
#include <sanitizer/common_interface_defs.h>
#include <sys/mman.h>
#include <unistd.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>

#include "driver/reset.h"
#include "parser/parser.h"
#include "source/source_buffer.h"
#include "tree/construction.h"
#include "tree/walk.h"

namespace {

jmp_buf Ended;
bool Translating;

}  // namespace

extern "C" [[noreturn]] void __real_exit(int status);

// The fuzzer's own exit goes through here too: only the translator's
// returns to the target.
extern "C" [[noreturn]] void __wrap_exit(int status) {
  if (Translating) longjmp(Ended, 1);
  __real_exit(status);
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The document goes to /dev/null; sanitizer reports keep the original
  // standard error even when the fuzzer closes it for the reports.
  int null = open("/dev/null", O_WRONLY);
  dup2(null, 1);
  __sanitizer_set_report_fd(reinterpret_cast<void*>(intptr_t(dup(2))));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  int fd = memfd_create("input", 0);
  if (fd < 0 || write(fd, data, size) != ssize_t(size) || lseek(fd, 0, SEEK_SET) != 0) return 0;
  ResetTranslator();
  Translating = true;
  if (setjmp(Ended) == 0) {
    initBuf("fuzz", fd);
    TreeInit();
    Parse();
    AttrMain();
  }
  Translating = false;
  close(fd);
  return 0;
}

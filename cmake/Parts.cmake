# The optional parts of the build and what each needs beyond a C++ compiler:
# the tests (GoogleTest, Python, and the tools they drive), the scanner
# benchmark (Google Benchmark), the fuzz target (clang with libFuzzer), the
# language server (nlohmann-json) and qel2json-format (CLI11).  The library
# and the program qel2json need none of them.  A part whose dependency is missing
# is switched off with a message; with QEL_REQUIRE_ALL=ON (as CI configures)
# it is an error instead, so that no test goes quietly missing.
option(QEL_REQUIRE_ALL "Fail instead of switching off a part (a test, benchmark, program or the fuzz target) whose dependency is missing" OFF)

# qel_part_off(PART REASON): PART cannot be built or run because of REASON.
function(qel_part_off part reason)
  if(QEL_REQUIRE_ALL)
    message(SEND_ERROR "${part}: ${reason}, and QEL_REQUIRE_ALL is ON")
  else()
    message(STATUS "${part}: off, ${reason}")
  endif()
endfunction()

# The fuzz target links libFuzzer, which only clang provides.
if(QEL_FUZZ)
  include(CheckCXXSourceCompiles)
  set(CMAKE_REQUIRED_FLAGS -fsanitize=fuzzer)
  check_cxx_source_compiles([=[
#include <cstddef>
#include <cstdint>
extern "C" int LLVMFuzzerTestOneInput(const uint8_t*, size_t) { return 0; }
]=] QEL_HAVE_LIBFUZZER)
  unset(CMAKE_REQUIRED_FLAGS)
  if(NOT QEL_HAVE_LIBFUZZER)
    qel_part_off("fuzz target" "${CMAKE_CXX_COMPILER} cannot link with -fsanitize=fuzzer (needs clang and libFuzzer; Debian: clang, libclang-rt-dev)")
    set(QEL_FUZZ OFF)
  endif()
endif()

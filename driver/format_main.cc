// qel2json-format: writes system descriptions anew in the canonical layout,
// their comments kept, and the description of a JSON document.
//
//   qel2json-format [FILE...]           each formatted text to standard output
//   qel2json-format -i FILE...          each file rewritten in place
//   qel2json-format --check [FILE...]   the names of the files that would change
//   qel2json-format --from-json FILE    the description of a document
//
// The files are taken one after the other; one that cannot be opened or has
// an ERROR is left as it is, and the others are still done.  The exit status
// is the worst of theirs, as the command line's: 2 when a file cannot be
// opened, else 1 after an ERROR, a failure to write, a bad command line or
// (with --check) a file that would change, else 0.
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <cstdio>
#include <optional>
#include <new>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "driver/console.h"
#include "driver/replace_file.h"
#include "qel2json.hpp"

namespace {

constexpr char kProgram[] = "qel2json-format";
constexpr char kStandardInput[] = "-";

enum Status { kFine = 0, kFailed = 1, kUnopened = 2 };

enum class Mode { Print, InPlace, Check, FromJson };

struct CommandLine {
  Mode mode = Mode::Print;
  std::vector<std::string> files;
};

constexpr char kDescription[] =
    "Writes each system description FILE anew in qel2json's canonical layout, its\n"
    "comments kept, to standard output, or rewrites it in place (-i), or names the\n"
    "files that are not in that layout (--check). --from-json writes the description\n"
    "of a JSON document as qel2json writes documents. FILE \"-\", or no FILE, is\n"
    "standard input.\n";

constexpr char kFooter[] =
    "A file with an ERROR is not formatted: its diagnostics are shown, it is left\n"
    "as it is, and the other files are still done. Diagnostics go to standard\n"
    "error as the command line qel2json writes them: \"FILE\", line L:C SEVERITY: text\n"
    "\n"
    "Exit status: 0 when all went well; 1 after an ERROR, a file that could not be\n"
    "written, a bad command line, or with --check a file that would change; 2 when\n"
    "a file cannot be opened.";

// Throws CLI11's errors for a command line that asks for nothing sensible.
void CheckCombinations(const CommandLine& line) {
  if (line.mode == Mode::InPlace && line.files.empty())
    throw CLI::ValidationError("-i", "names no FILE to rewrite");
  if (line.mode == Mode::InPlace && std::count(line.files.begin(), line.files.end(), kStandardInput))
    throw CLI::ValidationError("-i", "cannot rewrite standard input");
}

// CLI11's help without the options each option excludes, which its text
// says in words, and with the texts broken into lines by hand.
class Help : public CLI::Formatter {
 public:
  Help() { column_width(26); }
  std::string make_option_opts(const CLI::Option* option) const override {
    std::string shown = option->get_type_name().empty() ? "" : " " + option->get_type_name();
    return option->get_expected_max() > 1 ? shown + " ..." : shown;
  }
};

// The command line, or the status to end with at once (help, version,
// usage errors).
int Parse(int argc, char** argv, CommandLine& line) {
  CLI::App app(kDescription, kProgram);
  app.formatter(std::make_shared<Help>());
  app.footer(kFooter);
  app.set_version_flag("--version", std::string(kProgram) + " " + std::string(qel2json::version()),
                       "Print the version and exit");
  bool inPlace = false, check = false;
  std::string json;
  CLI::Option* inPlaceFlag = app.add_flag("-i,--in-place", inPlace,
                                          "Rewrite each FILE that formatting changes, through a\n"
                                          "temporary file beside it that takes its place; leave\n"
                                          "the others untouched. Not with --check, --from-json");
  CLI::Option* checkFlag = app.add_flag("--check", check,
                                        "Only name each FILE that formatting would change, on\n"
                                        "standard output; status 1 if there is one");
  CLI::Option* jsonOption = app.add_option("--from-json", json,
                                           "Write the description of the JSON document\n"
                                           "FILE.json (\"-\": standard input) to standard output;\n"
                                           "no FILE besides")
                                ->type_name("FILE.json");
  CLI::Option* filesOption =
      app.add_option("FILE", line.files, "The descriptions (\"-\": standard input)")->type_name("");
  inPlaceFlag->excludes(checkFlag);
  jsonOption->excludes(inPlaceFlag)->excludes(checkFlag)->excludes(filesOption);
  try {
    app.parse(argc, argv);
    line.mode = !jsonOption->empty() ? Mode::FromJson : inPlace ? Mode::InPlace : check ? Mode::Check : Mode::Print;
    if (line.mode == Mode::FromJson) line.files.push_back(json);
    if (line.files.empty() && line.mode != Mode::InPlace) line.files.push_back(kStandardInput);
    CheckCombinations(line);
  } catch (const CLI::ParseError& e) {
    // The command line's status for a bad command line is 1.
    return app.exit(e) == 0 ? kFine : kFailed;
  }
  return -1;
}

// An input named on the command line, open for reading.
struct Input {
  std::string argument;  // as given
  std::string name;      // as diagnostics name it
  int fd = -1;

  Input(const Input&) = delete;
  Input& operator=(const Input&) = delete;
  explicit Input(const std::string& given) : argument(given), name(given == kStandardInput ? "stdin" : given) {
    fd = given == kStandardInput ? STDIN_FILENO : console::OpenForReading(kProgram, given);
  }
  ~Input() {
    if (fd > STDIN_FILENO) close(fd);
  }
};

void Complain(const std::string& what, const std::string& name, int error) {
  fprintf(stderr, "%s: %s %s: %s\n", kProgram, what.c_str(), name.c_str(), strerror(error));
}

int PrintFormatted(qel2json::Translator& translator, const Input& input) {
  qel2json::Result result = translator.format_stream(
      [&](char* buffer, size_t size) { return console::ReadSome(input.fd, buffer, size); }, input.name,
      [](const char* bytes, size_t size) { return long(write(STDOUT_FILENO, bytes, size)); },
      console::ShowDiagnostic);
  return result.status();
}

// The formatted text of the input, held in the result, and the input's own
// bytes in `original`.
qel2json::Result FormatKeepingInput(qel2json::Translator& translator, const Input& input, std::string& original) {
  return translator.format_stream(
      [&](char* buffer, size_t size) {
        long got = console::ReadSome(input.fd, buffer, size);
        if (got > 0) original.append(buffer, size_t(got));
        return got;
      },
      input.name, nullptr, console::ShowDiagnostic);
}

int CheckFormatted(qel2json::Translator& translator, const Input& input) {
  std::string original;
  qel2json::Result result = FormatKeepingInput(translator, input, original);
  if (!result.ok()) return kFailed;
  if (result.document() == original) return kFine;
  std::string line = input.name + '\n';
  if (!console::WriteAll(STDOUT_FILENO, line.data(), line.size())) Complain("cannot write", "the output", errno);
  return kFailed;
}

int RewriteFormatted(qel2json::Translator& translator, const Input& input) {
  struct stat about;
  if (fstat(input.fd, &about) == 0 && !S_ISREG(about.st_mode)) {
    fprintf(stderr, "%s: cannot rewrite %s: it is no regular file\n", kProgram, input.name.c_str());
    return kFailed;
  }
  std::string original;
  qel2json::Result result = FormatKeepingInput(translator, input, original);
  if (!result.ok()) return kFailed;
  if (result.document() == original) return kFine;
  if (int error = console::ReplaceFile(input.argument, *result.document())) {
    Complain("cannot rewrite", input.name, error);
    return kFailed;
  }
  return kFine;
}

// The whole of an input: a regular file mapped as it stands (its pages come
// from the file cache at once, where a buffer of a document of gigabytes
// would be zeroed and copied into page by page), else read into a buffer of
// its own that grows.  A file cut short by another program while it is read
// ends the run with SIGBUS, as it would end a compiler's.
class Bytes {
 public:
  Bytes() = default;
  Bytes(const Bytes&) = delete;
  Bytes& operator=(const Bytes&) = delete;
  ~Bytes() {
    if (mapped_) munmap(mapped_, size_);
  }

  std::string_view view() const { return {mapped_ ? static_cast<const char*>(mapped_) : read_.data(), size_}; }

  // False with errno set when a read fails.
  bool ReadAll(int fd) {
    struct stat about = {};
    if (fstat(fd, &about) == 0 && S_ISREG(about.st_mode) && about.st_size > 0) {
      void* at = mmap(nullptr, size_t(about.st_size), PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
      if (at != MAP_FAILED) {
        mapped_ = at;
        size_ = size_t(about.st_size);
        return true;
      }
    }
    read_.resize(65536);
    for (;;) {
      if (size_ == read_.size()) read_.resize(read_.size() * 2);
      long got = console::ReadSome(fd, read_.data() + size_, read_.size() - size_);
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) return false;
      if (got == 0) return true;
      size_ += size_t(got);
    }
  }

 private:
  void* mapped_ = nullptr;
  std::string read_;
  size_t size_ = 0;
};

int PrintDescriptionOf(qel2json::Translator& translator, const Input& input) {
  Bytes json;
  if (!json.ReadAll(input.fd)) {
    Complain("cannot read", input.name, errno);
    return kFailed;
  }
  qel2json::Result result = translator.write_description(json.view(), input.name);
  for (const qel2json::Diagnostic& d : result.diagnostics()) console::ShowDiagnostic(d);
  std::optional<std::string_view> text = result.document();
  if (text && !console::WriteAll(STDOUT_FILENO, text->data(), text->size())) {
    Complain("cannot write", "the output", errno);
    return kFailed;
  }
  return result.status();
}

int Process(qel2json::Translator& translator, Mode mode, const std::string& argument) {
  Input input(argument);
  if (input.fd < 0) return kUnopened;
  switch (mode) {
    case Mode::Print: return PrintFormatted(translator, input);
    case Mode::InPlace: return RewriteFormatted(translator, input);
    case Mode::Check: return CheckFormatted(translator, input);
    case Mode::FromJson: return PrintDescriptionOf(translator, input);
  }
  return kFailed;
}

}  // namespace

int main(int argc, char** argv) {
  CommandLine line;
  if (int status = Parse(argc, argv, line); status >= 0) return status;
  // A file size limit makes a write fail, which leaves the file whole,
  // instead of ending the process with a temporary file behind.
  signal(SIGXFSZ, SIG_IGN);
  int worst = kFine;
  try {
    qel2json::Translator translator;
    for (const std::string& file : line.files) worst = std::max(worst, Process(translator, line.mode, file));
  } catch (const std::bad_alloc&) {
    fputs("memory exhausted\n", stderr);
    return std::max<int>(worst, kFailed);
  }
  return worst;
}

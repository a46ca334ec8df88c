// Rewriting a file whole or not at all: the new text goes to a temporary
// file beside it, which then takes its place in one rename, so that a run
// interrupted at any moment leaves either the old text or the new one.
#pragma once

#include <string>
#include <string_view>

namespace console {

// Replaces the text of the regular file at `path` (the file a symbolic
// link leads to, for a link) with `text`, keeping its permission bits and,
// where the user may set them, its owner and group.  Returns 0, or an
// errno value when the file is left as it was; no temporary file stays
// behind.  SIGINT, SIGTERM, SIGHUP and SIGQUIT wait while it works: they end
// the process after the file is replaced or left as it was.
int ReplaceFile(const std::string& path, std::string_view text);

}  // namespace console

#include "lsp/transport.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>

namespace lsp {

namespace {

constexpr size_t kReadSize = 1 << 16;
// A header block longer than this is no header block.
constexpr size_t kLongestHeader = 1 << 16;
// A body longer than this is taken for a bad Content-Length.
constexpr size_t kLongestBody = size_t(1) << 40;
constexpr std::string_view kLengthName = "content-length:";

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
  return true;
}

size_t FindNoCase(std::string_view text, std::string_view what, size_t from) {
  for (size_t i = from; i + what.size() <= text.size(); ++i)
    if (StartsWithNoCase(text.substr(i), what)) return i;
  return std::string_view::npos;
}

// The value of a Content-Length header: digits only (blanks around them
// allowed), and not absurdly large; false otherwise.
bool ParseLength(std::string_view value, size_t* length) {
  while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
  while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.remove_suffix(1);
  if (value.empty() || value.size() > 13) return false;
  size_t n = 0;
  for (char c : value) {
    if (c < '0' || c > '9') return false;
    n = n * 10 + size_t(c - '0');
  }
  if (n > kLongestBody) return false;
  *length = n;
  return true;
}

bool IsHeaderLine(std::string_view line) {
  size_t colon = line.find(':');
  if (colon == 0 || colon == std::string_view::npos) return false;
  for (size_t i = 0; i < colon; ++i) {
    unsigned char c = static_cast<unsigned char>(line[i]);
    if (!(std::isalnum(c) || c == '-' || c == '_')) return false;
  }
  return true;
}

}  // namespace

size_t FdSource::Read(char* buffer, size_t size) {
  for (;;) {
    ssize_t n = read(fd_, buffer, size);
    if (n >= 0) return size_t(n);
    if (errno != EINTR) return 0;
  }
}

bool FdSink::Write(std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = write(fd_, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(size_t(n));
  }
  return true;
}

// Reads more bytes behind those held, first dropping those consumed.
bool MessageReader::Fill() {
  if (ended_) return false;
  if (at_ > 0) {
    buffer_.erase(0, at_);
    at_ = 0;
  }
  size_t held = buffer_.size();
  buffer_.resize(held + kReadSize);
  size_t n = source_->Read(buffer_.data() + held, kReadSize);
  buffer_.resize(held + n);
  if (n == 0) ended_ = true;
  return n > 0;
}

// Finds the empty line that ends the header block at at_: *lineEnd is where
// that empty line begins, *bodyStart the byte after it.  Lines may end with
// CR LF or LF alone.
bool MessageReader::FindHeaderEnd(size_t* lineEnd, size_t* bodyStart) {
  for (size_t i = at_; i < buffer_.size(); ++i) {
    if (buffer_[i] != '\n') continue;
    size_t next = i + 1;
    if (buffer_.compare(next, 2, "\r\n") == 0) {  // fewer than two bytes left never compare equal
      *lineEnd = next;
      *bodyStart = next + 2;
      return true;
    }
    if (next < buffer_.size() && buffer_[next] == '\n') {
      *lineEnd = next;
      *bodyStart = next + 1;
      return true;
    }
  }
  return false;
}

// Drops bytes from `from` on up to the next "Content-Length:", where the
// next message begins.
MessageReader::Status MessageReader::Resynchronise(size_t from) {
  at_ = std::min(from, buffer_.size());
  for (;;) {
    size_t found = FindNoCase(buffer_, kLengthName, at_);
    if (found != std::string::npos) {
      at_ = found;
      return Status::Skipped;
    }
    // Keep a tail that could be the start of the name.
    at_ = std::max(at_, buffer_.size() >= kLengthName.size() ? buffer_.size() - kLengthName.size() + 1 : 0);
    if (!Fill()) {
      at_ = buffer_.size();
      return Status::Skipped;
    }
  }
}

MessageReader::Status MessageReader::Next(std::string* body) {
  size_t lineEnd = 0, bodyStart = 0;
  // Blank lines between messages are no header block.
  for (;;) {
    while (at_ < buffer_.size() && (buffer_[at_] == '\r' || buffer_[at_] == '\n')) ++at_;
    if (at_ < buffer_.size() && FindHeaderEnd(&lineEnd, &bodyStart)) break;
    if (buffer_.size() - at_ > kLongestHeader) return Resynchronise(at_ + 1);
    if (!Fill()) {
      if (at_ >= buffer_.size()) return Status::End;
      // A header block cut by the end of the input.
      at_ = buffer_.size();
      return Status::Skipped;
    }
  }
  std::string_view headers(buffer_.data() + at_, lineEnd - at_);
  size_t length = 0;
  bool haveLength = false, wellFormed = true;
  while (!headers.empty()) {
    size_t end = headers.find('\n');
    std::string_view line = headers.substr(0, end);
    headers.remove_prefix(end == std::string_view::npos ? headers.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!IsHeaderLine(line)) {
      wellFormed = false;
    } else if (StartsWithNoCase(line, kLengthName)) {
      haveLength = ParseLength(line.substr(kLengthName.size()), &length);
    }
  }
  if (!wellFormed) {
    // Stray bytes before a header: the next message may begin inside them.
    size_t found = FindNoCase(buffer_, kLengthName, at_ + 1);
    if (found != std::string::npos && found < lineEnd) return Resynchronise(found);
  }
  if (!wellFormed || !haveLength) return Resynchronise(bodyStart);
  at_ = bodyStart;
  while (buffer_.size() - at_ < length)
    if (!Fill()) {
      at_ = buffer_.size();
      return Status::End;
    }
  body->assign(buffer_, at_, length);
  at_ += length;
  return Status::Message;
}

void MessageWriter::Send(std::string_view json) {
  std::string header = "Content-Length: " + std::to_string(json.size()) + "\r\n\r\n";
  std::lock_guard<std::mutex> lock(mutex_);
  if (broken_) return;
  broken_ = !sink_->Write(header) || !sink_->Write(json);
}

}  // namespace lsp

// The language server's message layer as a libFuzzer target: the bytes
// are what a client writes on the server's standard input (framing,
// headers, JSON, any method with any parameters), handled on one thread as
// --sync does.  Whatever comes, the server must neither crash nor hang,
// and it ends at the end of the input.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "lsp/server.h"
#include "lsp/transport.h"

namespace {

class Bytes final : public lsp::ByteSource {
 public:
  Bytes(const uint8_t* data, size_t size) : data_(data), left_(size) {}
  size_t Read(char* buffer, size_t size) override {
    size_t n = size < left_ ? size : left_;
    memcpy(buffer, data_, n);
    data_ += n;
    left_ -= n;
    return n;
  }

 private:
  const uint8_t* data_;
  size_t left_;
};

class Nowhere final : public lsp::ByteSink {
 public:
  bool Write(std::string_view) override { return true; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Bytes input(data, size);
  Nowhere output;
  lsp::MessageReader reader(input);
  lsp::MessageWriter writer(output);
  lsp::Server server(writer, /*threaded=*/false);
  server.Run(reader);
  return 0;
}

/* A program as it was written and built for release 1.1: it knows the
 * header of 1.1 only (qel2json-1.1.h), copies records into its own
 * structs, fills in the stream of 1.1 and writes with a function that
 * returns 0 or an errno value.  Built against 1.1's symbols, it must run
 * with every later 1.x library.
 *
 *   caller_of_1_1 FILE...   prints what it learns of each FILE
 */
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "qel2json-1.1.h"

struct buffer {
  char *bytes;
  size_t size;
};

static void append(struct buffer *b, const char *bytes, size_t size) {
  b->bytes = realloc(b->bytes, b->size + size + 1);
  memcpy(b->bytes + b->size, bytes, size);
  b->size += size;
  b->bytes[b->size] = '\0';
}

static struct buffer read_file(const char *path) {
  struct buffer b = {NULL, 0};
  char block[4096];
  size_t n;
  FILE *f = fopen(path, "rb");
  if (!f) exit(2);
  append(&b, "", 0);
  while ((n = fread(block, 1, sizeof block, f)) > 0) append(&b, block, n);
  fclose(f);
  return b;
}

struct source {
  const struct buffer *text;
  size_t at;
};

static long read_some(void *context, char *into, size_t size) {
  struct source *s = context;
  size_t n = s->text->size - s->at;
  if (n > size) n = size;
  if (n > 100) n = 100;
  memcpy(into, s->text->bytes + s->at, n);
  s->at += n;
  return (long)n;
}

static int write_all(void *context, const char *bytes, size_t size) {
  append(context, bytes, size);
  return 0;
}

static int write_nothing(void *context, const char *bytes, size_t size) {
  (void)context, (void)bytes, (void)size;
  return ENOSPC;
}

static void report(void *context, const qel2json_diagnostic *d) {
  append(context, d->text, strlen(d->text));
  append(context, "\n", 1);
}

static void translate(qel2json_translator *t, const char *path) {
  static const char *severities[] = {"NOTE", "WARNING", "ERROR", "DEADLY"};
  struct buffer text = read_file(path);
  qel2json_result *held;
  qel2json_diagnostic d;
  qel2json_span span;
  qel2json_token token;
  size_t i, size = 0;
  const char *document;

  qel2json_translator_set_options(t, QEL2JSON_RECORD_SPANS);
  held = qel2json_translate(t, text.bytes, text.size, "input.qel");
  document = qel2json_result_document(held, &size);
  printf("%s: status %d, document of %zu bytes\n", path, qel2json_result_status(held), document ? size : 0);
  for (i = 0; qel2json_result_diagnostic(held, i, &d) == 0; ++i) {
    printf("  %d:%d %s: %s", d.line, d.column, severities[d.severity], d.message);
    if (d.expected_count) printf(" (%zu expected, the first %s)", d.expected_count, d.expected[0]);
    printf("\n");
  }
  for (i = 0; qel2json_result_span(held, i, &span) == 0; ++i)
    if (span.parent == QEL2JSON_NO_PARENT) printf("  root span %s over bytes %zu to %zu\n", span.kind, span.begin, span.end);
  if (qel2json_result_token(held, 0, &token) == 0)
    printf("  %zu tokens, the first %s at %d:%d\n", qel2json_result_token_count(held), token.name, token.line, token.column);

  {
    struct buffer written = {NULL, 0}, reported = {NULL, 0};
    struct source s = {&text, 0};
    qel2json_stream stream = {read_some, &s, write_all, &written, report, &reported};
    qel2json_result *streamed;
    append(&written, "", 0);
    append(&reported, "", 0);
    qel2json_translator_set_options(t, 0);
    streamed = qel2json_translate_stream(t, &stream, "input.qel");
    printf("  streamed: status %d, complete %d, the same document %d, the same diagnostics %d\n",
           qel2json_result_status(streamed), qel2json_result_complete(streamed),
           written.size == size && (size == 0 || memcmp(written.bytes, document, size) == 0),
           strcmp(reported.bytes, qel2json_result_diagnostics_text(held, NULL)) == 0);
    qel2json_result_free(streamed);

    s.at = 0;
    stream.write = write_nothing;
    stream.report = NULL;
    streamed = qel2json_translate_stream(t, &stream, "input.qel");
    printf("  into a full disk: %s", qel2json_result_diagnostics_text(streamed, NULL));
    qel2json_result_free(streamed);
    free(written.bytes);
    free(reported.bytes);
  }
  qel2json_result_free(held);
  free(text.bytes);
}

int main(int argc, char **argv) {
  int i;
  qel2json_translator *t = qel2json_translator_new();
  printf("library %s\n", strncmp(qel2json_version(), "1.", 2) == 0 ? "1.x" : qel2json_version());
  for (i = 1; i < argc; ++i) translate(t, argv[i]);
  qel2json_translator_free(t);
  return 0;
}

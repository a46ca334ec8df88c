/* A C program built against an installed qel2json: translates the file
 * named as its argument as the command line does. */
#include <stdio.h>
#include <stdlib.h>

#include <qel2json.h>

static char *ReadAll(const char *path, size_t *size) {
  FILE *f = fopen(path, "rb");
  char *text = NULL;
  size_t n = 0, got;
  char block[4096];
  if (!f) return NULL;
  while ((got = fread(block, 1, sizeof block, f)) > 0) {
    char *grown = realloc(text, n + got);
    if (!grown) break;
    text = grown;
    for (size_t i = 0; i < got; ++i) text[n + i] = block[i];
    n += got;
  }
  fclose(f);
  *size = n;
  return text ? text : calloc(1, 1);
}

int main(int argc, char **argv) {
  size_t size = 0, length = 0;
  char *text = argc == 2 ? ReadAll(argv[1], &size) : NULL;
  if (!text) return 2;
  qel2json_translator *translator = qel2json_translator_new();
  qel2json_result *result = qel2json_translate(translator, text, size, argv[1]);
  const char *document = qel2json_result_document(result, &length);
  if (document) fwrite(document, 1, length, stdout);
  fputs(qel2json_result_diagnostics_text(result, NULL), stderr);
  int status = qel2json_result_status(result);
  qel2json_result_free(result);
  qel2json_translator_free(translator);
  free(text);
  return status;
}

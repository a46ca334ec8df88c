/* qel2json: translates system descriptions into JSON documents.
 *
 * The C interface of the library.  A translator turns one description at a
 * time into the document and the diagnostics that the command line
 * `qel2json` writes for the same text, byte for byte, and into the exit
 * status it ends with.  Every name starts with qel2json_ (QEL2JSON_ for
 * constants); no C++ exception crosses this interface.
 *
 * Threads: a translator is used by one thread at a time; different
 * translators may translate at once on different threads.  A result
 * belongs to no translator: it may be read from any thread, outlives the
 * translator that made it, and is freed on its own.  qel2json_version and
 * the qel2json_terminal_ functions may be called from any thread at any
 * time.
 *
 * Ownership: what a function returns by pointer belongs to the object it
 * was asked of (result strings to their result) and lives as long as it,
 * unless its comment says that the caller frees it.
 */
#ifndef QEL2JSON_H
#define QEL2JSON_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define QEL2JSON_API __attribute__((visibility("default")))
#else
#define QEL2JSON_API
#endif

/* The library's release version, such as "1.1.0".  A constant string. */
QEL2JSON_API const char *qel2json_version(void);

/* ---- Translators ---- */

typedef struct qel2json_translator qel2json_translator;

/* A new translator, or NULL when there is no memory for it.  The caller
 * frees it with qel2json_translator_free.  A translator keeps the memory
 * of one translation for the next, up to what the largest one needed. */
QEL2JSON_API qel2json_translator *qel2json_translator_new(void);

/* Frees the translator and all its memory (not the results it made).
 * NULL is allowed. */
QEL2JSON_API void qel2json_translator_free(qel2json_translator *translator);

/* Bounds the size of every document the translator makes to `bytes`
 * bytes; 0, the default, is no bound.  A translation whose document would
 * be longer ends with status 1, a DEADLY diagnostic that says so, and no
 * document.  Without a bound, a short description can ask for a document
 * of many gigabytes (the indentation grows with the nesting): set one
 * where the input cannot be trusted. */
QEL2JSON_API void qel2json_translator_set_max_document_size(qel2json_translator *translator, size_t bytes);

/* Bounds the size of every description the translator reads to `bytes`
 * bytes; 0, the default, is no bound.  A translation whose input is longer
 * ends with status 1, a DEADLY diagnostic that says so, and no document,
 * as soon as a read brings the first byte past the bound: no more of the
 * input is read, so an endless stream ends too.  Set one where the input
 * cannot be trusted. */
QEL2JSON_API void qel2json_translator_set_max_input_size(qel2json_translator *translator, size_t bytes);

/* What a translator's next translations do beyond the command line's work,
 * for tools that show a description (editors, language servers); any of
 * these bits, or 0 (the default):
 *
 * QEL2JSON_RECORD_TOKENS  the result holds every token and comment
 *                         (qel2json_result_token);
 * QEL2JSON_RECORD_SPANS   the result holds the span of every node of the
 *                         description's tree (qel2json_result_span), and
 *                         the tokens too;
 * QEL2JSON_NO_DOCUMENT    no document is made: the result holds the
 *                         diagnostics (and what is recorded) only, as fast
 *                         as the text can be checked.
 *
 * Translations that ask for none of these cost exactly what they did
 * without them.  Set by the thread that uses the translator; unknown bits
 * are ignored. */
#define QEL2JSON_RECORD_TOKENS 1u
#define QEL2JSON_RECORD_SPANS 2u
#define QEL2JSON_NO_DOCUMENT 4u
QEL2JSON_API void qel2json_translator_set_options(qel2json_translator *translator, unsigned options);

/* ---- The token table ---- */

/* Terminal codes run from 1 to qel2json_terminal_count().  Constant; any
 * thread. */
QEL2JSON_API int qel2json_terminal_count(void);

/* A terminal's name as expected terminals are named ("<", "SYSTEM",
 * "string literal", "end of text"), "comment" for code 0, or NULL for a
 * code out of range.  A constant string; any thread. */
QEL2JSON_API const char *qel2json_terminal_name(int code);

typedef enum qel2json_token_kind {
  QEL2JSON_TOKEN_END_OF_TEXT = 0,
  QEL2JSON_TOKEN_KEYWORD = 1,
  QEL2JSON_TOKEN_BRACKET = 2,
  QEL2JSON_TOKEN_INTEGER = 3,
  QEL2JSON_TOKEN_REAL = 4,
  QEL2JSON_TOKEN_STRING = 5,
  QEL2JSON_TOKEN_COMMENT = 6
} qel2json_token_kind;

/* A terminal's kind (QEL2JSON_TOKEN_COMMENT for code 0), or -1 for a code
 * out of range.  Any thread. */
QEL2JSON_API int qel2json_terminal_kind(int code);

/* ---- Translating ---- */

typedef struct qel2json_result qel2json_result;

/* Translates the `size` bytes at `input` (which may hold NUL bytes; input
 * may be NULL when size is 0).  Diagnostics name the text `file_name`
 * exactly as the command line names its argument ("stdin" for standard
 * input, which is also taken when file_name is NULL).  The translator must
 * not be in use by another thread.
 *
 * Returns a result that the caller frees with qel2json_result_free, or
 * NULL only when even the result cannot be allocated (or translator is
 * NULL). */
QEL2JSON_API qel2json_result *qel2json_translate(qel2json_translator *translator, const char *input, size_t size,
                                                 const char *file_name);

typedef enum qel2json_severity {
  QEL2JSON_NOTE = 0,
  QEL2JSON_WARNING = 1,
  QEL2JSON_ERROR = 2,
  QEL2JSON_DEADLY = 3
} qel2json_severity;

/* One diagnostic.  Its strings belong to the result (or, for a report
 * function, live during the call). */
typedef struct qel2json_diagnostic {
  const char *file;    /* the file name given to the translation */
  int line;            /* from 1; 0 with column 0 for a diagnostic without a place */
  int column;          /* from 1: bytes, with tabs moving to columns 1, 9, 17, ... */
  qel2json_severity severity;
  const char *message; /* the text after "SEVERITY: ", such as "Syntax error" */
  const char *text;    /* the whole line as the command line prints it, without its line feed */
  /* For a syntax error, the terminals the parser could have accepted at
   * that place, as the grammar writes them ("<", ">", "INTEGER", ...; the
   * literal classes as "integer literal", "real literal", "string literal",
   * and "end of text"); otherwise NULL and 0. */
  const char *const *expected;
  size_t expected_count;
} qel2json_diagnostic;

/* The command line's exit status for the same input: 0, or 1 when an
 * ERROR was reported or the translation ended early (a DEADLY
 * diagnostic). */
QEL2JSON_API int qel2json_result_status(const qel2json_result *result);

/* The document's exact bytes (not NUL-terminated; *size, when size is not
 * NULL, gets their count), or NULL where the command line writes nothing:
 * a translation that ended early, or one whose document went to a write
 * function or was not made (QEL2JSON_NO_DOCUMENT). */
QEL2JSON_API const char *qel2json_result_document(const qel2json_result *result, size_t *size);

/* 1 when the whole document was made (held by the result, or handed to the
 * write function in full), 0 when the translation ended early.  Under
 * QEL2JSON_NO_DOCUMENT: 1 when the translation ran to its end. */
QEL2JSON_API int qel2json_result_complete(const qel2json_result *result);

/* Exactly what the command line writes on standard error for the same
 * input: every diagnostic's line, each with its line feed (NUL-terminated;
 * *size, when size is not NULL, gets the count of bytes).  Empty when the
 * diagnostics went to a report function. */
QEL2JSON_API const char *qel2json_result_diagnostics_text(const qel2json_result *result, size_t *size);

/* The number of diagnostics: one per line of the diagnostics text. */
QEL2JSON_API size_t qel2json_result_diagnostic_count(const qel2json_result *result);

/* Fills *out with diagnostic i (from 0).  Returns 0, or -1 when i is out
 * of range or an argument is NULL. */
QEL2JSON_API int qel2json_result_diagnostic(const qel2json_result *result, size_t i, qel2json_diagnostic *out);

/* One token or comment of the text, as QEL2JSON_RECORD_TOKENS records it.
 * The end of the text is the last token, of length 0. */
typedef struct qel2json_token {
  int code;                 /* terminal code, 0 for a comment */
  qel2json_token_kind kind;
  const char *name;         /* qel2json_terminal_name(code): a constant string */
  size_t offset;            /* of its first byte in the input, from 0 */
  size_t length;            /* in bytes; a comment's ends before its line end */
  int line;                 /* from 1, as diagnostics count lines */
  int column;               /* from 1, as diagnostics count columns (tabs to 1, 9, 17, ...) */
} qel2json_token;

/* The number of tokens and comments recorded; 0 unless the translator's
 * options asked for them.  A translation that ended early recorded those
 * read until then. */
QEL2JSON_API size_t qel2json_result_token_count(const qel2json_result *result);

/* Fills *out with token i (from 0, in the order of the text).  Returns 0,
 * or -1 when i is out of range or an argument is NULL. */
QEL2JSON_API int qel2json_result_token(const qel2json_result *result, size_t i, qel2json_token *out);

#define QEL2JSON_NO_PARENT ((size_t)-1)

/* One node of the description's tree, as QEL2JSON_RECORD_SPANS records it:
 * the bytes of its text (from its first token to the end of its last; empty
 * for an empty list or an element the parser inserted), and the bytes of
 * its name: its own first string literal, else its own first keyword
 * (tokens of its children do not count); begin and end both where it has
 * neither.  A list ("Seq_Of_Param") is one node, its elements its
 * children. */
typedef struct qel2json_span {
  const char *kind;  /* the node's kind, such as "System", "Param", "Seq_Of_Param": a constant string */
  size_t begin;
  size_t end;        /* the byte after its text */
  size_t name_begin;
  size_t name_end;
  size_t parent;     /* index of the span of the node it belongs to, or QEL2JSON_NO_PARENT */
} qel2json_span;

/* The number of spans recorded; 0 unless the translator's options asked
 * for them.  Spans come in the order of the text, each after its
 * children: a parent's index is above its children's. */
QEL2JSON_API size_t qel2json_result_span_count(const qel2json_result *result);

/* Fills *out with span i (from 0).  Returns 0, or -1 when i is out of
 * range or an argument is NULL. */
QEL2JSON_API int qel2json_result_span(const qel2json_result *result, size_t i, qel2json_span *out);

/* Frees a result and everything it holds.  NULL is allowed. */
QEL2JSON_API void qel2json_result_free(qel2json_result *result);

/* ---- Translating streams ---- */

/* Reads up to `size` bytes of the text into `buffer`: returns their count,
 * 0 at the end of the text, or -1 with errno set on a failure (which ends
 * the translation with "refillBuf: <the error's description>"). */
typedef long (*qel2json_read_fn)(void *context, char *buffer, size_t size);

/* Takes the next `size` bytes of the document: returns 0, or an errno value
 * when they cannot be written (which ends the translation with "cannot
 * write the output: <its description>"). */
typedef int (*qel2json_write_fn)(void *context, const char *bytes, size_t size);

/* Takes one diagnostic as soon as it is made, in order. */
typedef void (*qel2json_report_fn)(void *context, const qel2json_diagnostic *diagnostic);

/* Where the text of a streamed translation comes from and where its
 * document and diagnostics go.  Set the members you use; zero the rest. */
typedef struct qel2json_stream {
  qel2json_read_fn read;     /* required */
  void *read_context;
  qel2json_write_fn write;   /* NULL: the result holds the document */
  void *write_context;
  qel2json_report_fn report; /* NULL: the result holds the diagnostics */
  void *report_context;
} qel2json_stream;

/* Translates the text that stream->read delivers, as qel2json_translate
 * does, writing the document through stream->write in large blocks as it
 * is made and handing every diagnostic to stream->report at once, as the
 * command line does with its standard output and error.  A document
 * written this way is complete only when qel2json_result_complete says so:
 * a translation that ends early has written part of it, at most the
 * bound of qel2json_translator_set_max_document_size.  The functions are
 * called on the calling thread, during this call only, and must not use
 * this translator themselves.
 *
 * Returns NULL as qel2json_translate does, or when stream or its read
 * function is NULL. */
QEL2JSON_API qel2json_result *qel2json_translate_stream(qel2json_translator *translator,
                                                        const qel2json_stream *stream, const char *file_name);

#ifdef __cplusplus
}
#endif

#endif /* QEL2JSON_H */

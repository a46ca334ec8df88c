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
 * translator that made it, and is freed on its own.  The functions that
 * take no translator or result (versions, names, counts) may be called
 * from any thread at any time.
 *
 * Ownership: what a function returns by pointer belongs to the object it
 * was asked of (a result's records and strings to their result) and lives
 * as long as it; names of codes, kinds and terminals are constant strings.
 *
 * Compatibility: a program built against this header runs with every
 * later library of the same major version.  Records the library hands out
 * (diagnostics, tokens, spans) are read through const pointers and only
 * ever grow at their end; a struct the caller fills in (the stream) begins
 * with its size and is set up with its ..._INIT macro, so that the library
 * reads only the members the caller knew of.  Numbers (codes, severities,
 * kinds, terminal codes, option bits) never change their meaning.
 */
#ifndef QEL2JSON_H
#define QEL2JSON_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define QEL2JSON_API __attribute__((visibility("default")))
#define QEL2JSON_DEPRECATED(advice) __attribute__((deprecated(advice)))
#else
#define QEL2JSON_API
#define QEL2JSON_DEPRECATED(advice)
#endif

/* ---- Versions ---- */

/* The release this header belongs to.  QEL2JSON_VERSION_NUMBER is
 * major * 10000 + minor * 100 + patch, for comparisons in #if. */
#define QEL2JSON_VERSION_MAJOR 1
#define QEL2JSON_VERSION_MINOR 2
#define QEL2JSON_VERSION_PATCH 0
#define QEL2JSON_VERSION_STRING "1.2.0"
#define QEL2JSON_VERSION_NUMBER (QEL2JSON_VERSION_MAJOR * 10000 + QEL2JSON_VERSION_MINOR * 100 + QEL2JSON_VERSION_PATCH)

/* The release of the library the program runs with, such as "1.2.0", and
 * its number as QEL2JSON_VERSION_NUMBER counts it.  A program compares
 * these with the macros to learn whether the library is at least as new as
 * the header it was built against. */
QEL2JSON_API const char *qel2json_version(void);
QEL2JSON_API int qel2json_version_number(void);

/* ---- Translators ---- */

typedef struct qel2json_translator qel2json_translator;

/* A new translator, or NULL when there is no memory for it.  The caller
 * frees it with qel2json_translator_free. */
QEL2JSON_API qel2json_translator *qel2json_translator_new(void);

/* Frees the translator and all its memory (not the results it made).
 * NULL is allowed. */
QEL2JSON_API void qel2json_translator_free(qel2json_translator *translator);

/* Settings.  Each setting below sticks to the translator: it holds for
 * every later translation until it is set again.  What differs from call
 * to call (the text, its name, the stream) is an argument of the call. */

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
 *                         (qel2json_result_token_at);
 * QEL2JSON_RECORD_SPANS   the result holds the span of every node of the
 *                         description's tree (qel2json_result_span_at),
 *                         and the tokens too;
 * QEL2JSON_NO_DOCUMENT    no document is made: the result holds the
 *                         diagnostics (and what is recorded) only, as fast
 *                         as the text can be checked;
 * QEL2JSON_REPAIR_WORDS   a run of letters that is no keyword (nor
 *                         keywords one after the other), such as INTEGE,
 *                         linear or Isextern, is one diagnostic over the
 *                         whole word, QEL2JSON_CODE_UNKNOWN_KEYWORD, where
 *                         the command line reports a cascade of errors;
 *                         the word is read as the keyword it resembles
 *                         (the diagnostic's suggestion), or skipped when
 *                         it resembles none.  For editors, which show one
 *                         mistake where the user made one.  The document
 *                         and diagnostics then differ from the command
 *                         line's wherever such a word stands.
 *
 * Translations that ask for none of these cost exactly what they did
 * without them.  Returns 0, or -1 when `options` holds a bit this library
 * does not know (or translator is NULL): the options are then left as
 * they were, so that a program built against a newer header learns that
 * the library cannot do what it asks. */
#define QEL2JSON_RECORD_TOKENS 1u
#define QEL2JSON_RECORD_SPANS 2u
#define QEL2JSON_NO_DOCUMENT 4u
#define QEL2JSON_REPAIR_WORDS 8u
QEL2JSON_API int qel2json_translator_set_options(qel2json_translator *translator, unsigned options);

/* A translator keeps the memory of its largest translation so far and uses
 * it again, so that a run of translations costs no fresh pages.  Trimming
 * gives all of it back: the translator then holds what a new one holds,
 * and keeps its settings.  For a translator that lives long (an editor's
 * server) after a large translation.  Returns 0, or -1 when there is no
 * memory even for that (the translator is then as it was) or translator
 * is NULL. */
QEL2JSON_API int qel2json_translator_trim(qel2json_translator *translator);

/* ---- The token table ---- */

/* Terminal codes run from 1 to qel2json_terminal_count(). */
QEL2JSON_API int qel2json_terminal_count(void);

/* A terminal's name as expected terminals are named ("<", "SYSTEM",
 * "string literal", "end of text"), "comment" for code 0, or NULL for a
 * code out of range. */
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
 * out of range. */
QEL2JSON_API int qel2json_terminal_kind(int code);

/* ---- Diagnostics ---- */

typedef enum qel2json_severity {
  QEL2JSON_SEVERITY_NOTE = 0,
  QEL2JSON_SEVERITY_WARNING = 1,
  QEL2JSON_SEVERITY_ERROR = 2,
  QEL2JSON_SEVERITY_DEADLY = 3,
  /* The names of release 1.1. */
  QEL2JSON_NOTE = QEL2JSON_SEVERITY_NOTE,
  QEL2JSON_WARNING = QEL2JSON_SEVERITY_WARNING,
  QEL2JSON_ERROR = QEL2JSON_SEVERITY_ERROR,
  QEL2JSON_DEADLY = QEL2JSON_SEVERITY_DEADLY
} qel2json_severity;

/* "NOTE", "WARNING", "ERROR" or "DEADLY", as diagnostic lines print them,
 * or NULL for a number out of range. */
QEL2JSON_API const char *qel2json_severity_name(int severity);

/* What a diagnostic says, as a number that stays the same for the same
 * kind of message.  docs/library.md has the table of codes with their
 * severities and messages.  A program tells diagnostics apart by code,
 * never by their text. */
typedef enum qel2json_code {
  QEL2JSON_CODE_NOT_A_TOKEN = 1,            /* char 'c' is not a token */
  QEL2JSON_CODE_INCOMPLETE_TOKEN = 2,       /* char 'c' is not a complete token */
  QEL2JSON_CODE_STRING_CUT_BY_LINE_END = 3, /* String terminated by newline */
  QEL2JSON_CODE_NEWLINE_IN_STRING = 4,      /* Illegal newline in string literal */
  QEL2JSON_CODE_STRING_CUT_BY_END = 5,      /* String terminated by end-of-file */
  QEL2JSON_CODE_HEX_ESCAPE_WITHOUT_DIGITS = 6, /* \x used with no following hex digits */
  QEL2JSON_CODE_UNKNOWN_ESCAPE = 7,         /* unknown escape sequence */
  QEL2JSON_CODE_SYNTAX_ERROR = 8,           /* Syntax error */
  QEL2JSON_CODE_PARSING_RESUMED = 9,        /* Parsing resumed here */
  QEL2JSON_CODE_TOO_MANY_ERRORS = 10,       /* Too many ERRORs */
  QEL2JSON_CODE_DOCUMENT_TOO_LONG = 11,     /* the document is longer than the limit of N bytes */
  QEL2JSON_CODE_INPUT_TOO_LONG = 12,        /* the input is longer than the limit of N bytes */
  QEL2JSON_CODE_CANNOT_WRITE = 13,          /* cannot write the output: REASON */
  QEL2JSON_CODE_CANNOT_READ = 14,           /* refillBuf: REASON */
  QEL2JSON_CODE_OUT_OF_MEMORY = 15,         /* memory exhausted, and the source buffer's own lines */
  QEL2JSON_CODE_INTERNAL_FAULT = 16,        /* a fault of the translator itself */
  QEL2JSON_CODE_UNKNOWN_KEYWORD = 17,       /* unknown keyword WORD; did you mean KEYWORD? (QEL2JSON_REPAIR_WORDS) */
  /* Reading a document to write its description (qel2json_write_description): */
  QEL2JSON_CODE_DOCUMENT_NOT_JSON = 18,     /* PATH: what stands there that is no JSON */
  QEL2JSON_CODE_MISSING_KEY = 19,           /* PATH: the key "KEY" is missing */
  QEL2JSON_CODE_UNKNOWN_KEY = 20,           /* PATH: no key "KEY" belongs here */
  QEL2JSON_CODE_WRONG_VALUE = 21            /* PATH: expected WHAT, found WHAT */
} qel2json_code;

#define QEL2JSON_NO_RELATED ((size_t)-1)

/* One diagnostic.  Its strings belong to the result (or, for a report
 * function, live during the call).  Members are only ever added at the
 * end. */
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
  /* Since 1.2. */
  qel2json_code code;
  /* The bytes of the input the diagnostic points at: `length` bytes from
   * `offset`, offset 0 being the input's first byte.  A place between bytes
   * (where a closing quote is missing, the end of the text) has length 0.
   * A diagnostic without a place (line 0) has offset and length 0. */
  size_t offset;
  size_t length;
  /* For a QEL2JSON_CODE_PARSING_RESUMED note, the index of the "Syntax
   * error" it belongs to (in the result, or in the order the report
   * function got them); otherwise QEL2JSON_NO_RELATED. */
  size_t related;
  /* For QEL2JSON_CODE_UNKNOWN_KEYWORD, the keyword the word resembles and
   * is read as (a constant string, such as "INTEGER"); otherwise NULL. */
  const char *suggestion;
} qel2json_diagnostic;

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

/* Diagnostic i (from 0), or NULL when i is out of range or result is NULL.
 * The record lives as long as the result. */
QEL2JSON_API const qel2json_diagnostic *qel2json_result_diagnostic_at(const qel2json_result *result, size_t i);

/* One token or comment of the text, as QEL2JSON_RECORD_TOKENS records it.
 * The end of the text is the last token, of length 0.  Members are only
 * ever added at the end. */
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

/* Token i (from 0, in the order of the text), or NULL when i is out of
 * range or result is NULL.  The record lives as long as the result. */
QEL2JSON_API const qel2json_token *qel2json_result_token_at(const qel2json_result *result, size_t i);

/* The kinds of the nodes of a description's tree.  The numbers are
 * stable; the names (qel2json_kind_name) are the same as the document's
 * keys wherever a key names the same thing ("System", "Param"), and a list
 * of elements of kind K is "Seq_Of_K". */
typedef enum qel2json_kind {
  QEL2JSON_KIND_MATRIX = 0,
  QEL2JSON_KIND_LINEARCODE = 1,
  QEL2JSON_KIND_REFERENCES = 2,
  QEL2JSON_KIND_MATRIXENTRY = 3,
  QEL2JSON_KIND_SEQ_OF_MATRIXENTRY = 4,
  QEL2JSON_KIND_SEQ_OF_IDENT = 5,
  QEL2JSON_KIND_COORDINATE = 6,
  QEL2JSON_KIND_SEQ_OF_COORDINATE = 7,
  QEL2JSON_KIND_ALLY = 8,
  QEL2JSON_KIND_ALLU = 9,
  QEL2JSON_KIND_ALLP = 10,
  QEL2JSON_KIND_E_VARIABLE = 11,
  QEL2JSON_KIND_SEQ_OF_INTEGER = 12,
  QEL2JSON_KIND_E = 13,
  QEL2JSON_KIND_F = 14,
  QEL2JSON_KIND_A0 = 15,
  QEL2JSON_KIND_A = 16,
  QEL2JSON_KIND_DX = 17,
  QEL2JSON_KIND_X = 18,
  QEL2JSON_KIND_Y = 19,
  QEL2JSON_KIND_U = 20,
  QEL2JSON_KIND_P = 21,
  QEL2JSON_KIND_H = 22,
  QEL2JSON_KIND_T = 23,
  QEL2JSON_KIND_IDENT_KIND = 24,
  QEL2JSON_KIND_SEQ_OF_EXPR = 25,
  QEL2JSON_KIND_FUNCTION = 26,
  QEL2JSON_KIND_EXPR_KIND = 27,
  QEL2JSON_KIND_BASICBLOCK_LINEARREPRESENTATION = 28,
  QEL2JSON_KIND_NOLINKCODE = 29,
  QEL2JSON_KIND_SEQ_OF_LINKCODE = 30,
  QEL2JSON_KIND_LINKCODE = 31,
  QEL2JSON_KIND_BASICBLOCK = 32,
  QEL2JSON_KIND_SEQ_OF_COUPLETREE = 33,
  QEL2JSON_KIND_COUPLETREE = 34,
  QEL2JSON_KIND_DIRECTLINK = 35,
  QEL2JSON_KIND_EXPR = 36,
  QEL2JSON_KIND_IDENT = 37,
  QEL2JSON_KIND_ASSIGN = 38,
  QEL2JSON_KIND_AUX_DEBUGINFO = 39,
  QEL2JSON_KIND_AUX_STARTVALUE = 40,
  QEL2JSON_KIND_AUX = 41,
  QEL2JSON_KIND_STATE_DEBUGINFO = 42,
  QEL2JSON_KIND_STATE = 43,
  QEL2JSON_KIND_FUNC = 44,
  QEL2JSON_KIND_OUTPUT_DEBUGINFO = 45,
  QEL2JSON_KIND_OUTPUT = 46,
  QEL2JSON_KIND_INPUT_DEBUGINFO = 47,
  QEL2JSON_KIND_INPUT = 48,
  QEL2JSON_KIND_NIL = 49,
  QEL2JSON_KIND_PARAM_DEBUGINFO = 50,
  QEL2JSON_KIND_PARAM_STARTVALUE = 51,
  QEL2JSON_KIND_SEQ_OF_REAL = 52,
  QEL2JSON_KIND_PARAM = 53,
  QEL2JSON_KIND_STEPSIZE = 54,
  QEL2JSON_KIND_TIME = 55,
  QEL2JSON_KIND_SEQ_OF_ASSIGN = 56,
  QEL2JSON_KIND_SEQ_OF_AUX = 57,
  QEL2JSON_KIND_SEQ_OF_STATE = 58,
  QEL2JSON_KIND_SEQ_OF_FUNC = 59,
  QEL2JSON_KIND_SEQ_OF_OUTPUT = 60,
  QEL2JSON_KIND_SEQ_OF_INPUT = 61,
  QEL2JSON_KIND_SEQ_OF_PARAM = 62,
  QEL2JSON_KIND_SEQ_OF_STEPSIZE = 63,
  QEL2JSON_KIND_SEQ_OF_TIME = 64,
  QEL2JSON_KIND_ISEXTERN = 65,
  QEL2JSON_KIND_INSTANTIATION = 66,
  QEL2JSON_KIND_VARIABLES = 67,
  QEL2JSON_KIND_SEQ_OF_SPECIFICATIONTREE = 68,
  QEL2JSON_KIND_SPECIFICATIONTREE_SPECIFICATION = 69,
  QEL2JSON_KIND_SRCCLASSSPECIFICATION = 70,
  QEL2JSON_KIND_NONLINEAR = 71,
  QEL2JSON_KIND_PARTIALLINEAR = 72,
  QEL2JSON_KIND_LINEAR = 73,
  QEL2JSON_KIND_SEQ_OF_BASICBLOCK = 74,
  QEL2JSON_KIND_COUPLES = 75,
  QEL2JSON_KIND_SEQ_OF_DIRECTLINK = 76,
  QEL2JSON_KIND_SPECIFICATIONTREE = 77,
  QEL2JSON_KIND_SEQ_OF_STRING = 78,
  QEL2JSON_KIND_SYSTEM_CLASS = 79,
  QEL2JSON_KIND_SYSTEMTYPE = 80,
  QEL2JSON_KIND_SYSTEM = 81,
  QEL2JSON_KIND_QEL_OBJECT = 82,
  QEL2JSON_KIND_ROOT = 83
} qel2json_kind;

/* The number of kinds: they run from 0 to qel2json_kind_count() - 1. */
QEL2JSON_API int qel2json_kind_count(void);

/* A kind's name, such as "System" or "Seq_Of_Param", or NULL for a number
 * out of range. */
QEL2JSON_API const char *qel2json_kind_name(int kind);

#define QEL2JSON_NO_PARENT ((size_t)-1)

/* One node of the description's tree, as QEL2JSON_RECORD_SPANS records it:
 * the bytes of its text (from its first token to the end of its last; empty
 * for an empty list or an element the parser inserted), and the bytes of
 * its name: its own first string literal, else its own first keyword
 * (tokens of its children do not count); begin and end both where it has
 * neither.  A list ("Seq_Of_Param") is one node, its elements its
 * children.  Members are only ever added at the end. */
typedef struct qel2json_span {
  const char *kind;  /* the node's kind's name: qel2json_kind_name(code) */
  size_t begin;
  size_t end;        /* the byte after its text */
  size_t name_begin;
  size_t name_end;
  size_t parent;     /* index of the span of the node it belongs to, or QEL2JSON_NO_PARENT */
  /* Since 1.2. */
  qel2json_kind code; /* the node's kind */
} qel2json_span;

/* The number of spans recorded; 0 unless the translator's options asked
 * for them.  Spans come in the order of the text, each after its
 * children: a parent's index is above its children's. */
QEL2JSON_API size_t qel2json_result_span_count(const qel2json_result *result);

/* Span i (from 0), or NULL when i is out of range or result is NULL.  The
 * record lives as long as the result. */
QEL2JSON_API const qel2json_span *qel2json_result_span_at(const qel2json_result *result, size_t i);

/* Frees a result and everything it holds.  NULL is allowed. */
QEL2JSON_API void qel2json_result_free(qel2json_result *result);

/* ---- Translating streams ---- */

/* The functions a streamed translation calls behave as read(2) and
 * write(2) do, so that a descriptor's own calls serve as they are:
 *
 * read   places up to `size` bytes of the text in `buffer` and returns
 *        their count, 0 at the end of the text;
 * write  takes bytes of the document from `bytes` and returns their
 *        count, from 1 to `size`; the library calls again with the rest.
 *
 * Either returns -1 with errno set when it fails.  EINTR is no failure:
 * the library calls again at once.  Any other failure ends the
 * translation with a DEADLY diagnostic, "refillBuf: <description of
 * errno>" (QEL2JSON_CODE_CANNOT_READ) or "cannot write the output:
 * <description>" (QEL2JSON_CODE_CANNOT_WRITE); so does a return value out
 * of range (more than `size`, a write of 0 bytes, or below -1), taken as
 * EIO. */
typedef long (*qel2json_read_fn)(void *context, char *buffer, size_t size);
typedef long (*qel2json_write_fn)(void *context, const char *bytes, size_t size);

/* Takes one diagnostic as soon as it is made, in order.  The record and
 * its strings live during the call only. */
typedef void (*qel2json_report_fn)(void *context, const qel2json_diagnostic *diagnostic);

/* Where the text of a streamed translation comes from and where its
 * document and diagnostics go.  Set it up with QEL2JSON_STREAM_INIT, which
 * fills in its size and zeroes the rest, then set the members you use:
 *
 *   qel2json_stream stream = QEL2JSON_STREAM_INIT;
 *   stream.read = my_read;
 */
typedef struct qel2json_stream {
  size_t size;               /* sizeof(qel2json_stream), as the caller was built */
  qel2json_read_fn read;     /* required */
  void *read_context;
  qel2json_write_fn write;   /* NULL: the result holds the document */
  void *write_context;
  qel2json_report_fn report; /* NULL: the result holds the diagnostics */
  void *report_context;
} qel2json_stream;

#define QEL2JSON_STREAM_INIT {sizeof(qel2json_stream), NULL, NULL, NULL, NULL, NULL, NULL}

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
 * function is NULL, or stream->size is smaller than this release's
 * qel2json_stream (a stream not set up with QEL2JSON_STREAM_INIT). */
QEL2JSON_API qel2json_result *qel2json_translate_stream(qel2json_translator *translator,
                                                        const qel2json_stream *stream, const char *file_name);

/* ---- Writing descriptions ---- */

/* Writes the description of `input` anew, in the one canonical layout
 * that docs/language.md describes ("Layout"), with every comment where it
 * stood: the result's document is the description's text.  Its meaning is
 * kept: translating it gives the same document as the input.  A
 * description with an ERROR is not written, since its repaired tree is a
 * guess: the result then holds its diagnostics, status 1 and no document.
 * The translator's options do not apply; its bounds do (the document's
 * bound to the text written).  Returns NULL as qel2json_translate does. */
QEL2JSON_API qel2json_result *qel2json_format(qel2json_translator *translator, const char *input, size_t size,
                                              const char *file_name);

/* The same for a description that stream->read delivers, writing the text
 * through stream->write as qel2json_translate_stream writes a document. */
QEL2JSON_API qel2json_result *qel2json_format_stream(qel2json_translator *translator, const qel2json_stream *stream,
                                                     const char *file_name);

/* Writes the description of a JSON document, such as this library writes:
 * the result's document is the description's text, in the layout of
 * qel2json_format, and translating it gives the document again (its
 * integers as their values).  Blanks and line breaks between the
 * document's tokens may be any; its members stand in the order the
 * library writes them, and its literals as the library writes them (as
 * they stand in a description: 1.0F, .5, "\q").  A document that does
 * not have that shape gets one diagnostic, at the first place that does
 * not fit, naming its line and column in the document and its path, such
 * as "Qel_Object.System.Strings[2]"; the result then has status 1 and no
 * document.  Returns NULL as qel2json_translate does. */
QEL2JSON_API qel2json_result *qel2json_write_description(qel2json_translator *translator, const char *json,
                                                         size_t size, const char *file_name);

/* ---- Kept from release 1.1 ---- */

/* These copy a record into the caller's struct, which cannot grow; they
 * fill in the members of release 1.1 only and leave the rest as they
 * were.  Return 0, or -1 when i is out of range or an argument is NULL. */
QEL2JSON_DEPRECATED("use qel2json_result_diagnostic_at")
QEL2JSON_API int qel2json_result_diagnostic(const qel2json_result *result, size_t i, qel2json_diagnostic *out);
QEL2JSON_DEPRECATED("use qel2json_result_token_at")
QEL2JSON_API int qel2json_result_token(const qel2json_result *result, size_t i, qel2json_token *out);
QEL2JSON_DEPRECATED("use qel2json_result_span_at")
QEL2JSON_API int qel2json_result_span(const qel2json_result *result, size_t i, qel2json_span *out);

#ifdef __cplusplus
}
#endif

#endif /* QEL2JSON_H */

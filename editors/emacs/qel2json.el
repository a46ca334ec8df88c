;;; qel2json.el --- Diagnostics of qel2json and a mode for its descriptions  -*- lexical-binding: t -*-

;; Copyright (c) 2026 The qel2json developers
;; SPDX-License-Identifier: MIT
;; Version: 1.0.0
;; Package-Requires: ((emacs "27.1"))
;; Keywords: languages, tools

;;; Commentary:

;; qel2json translates system descriptions (files *.qel) into JSON and
;; reports each problem as one line on standard error:
;;
;;   "FILE", line L:C SEVERITY: text
;;
;; Loading this file (for example (require 'qel2json) with the file on
;; `load-path') does two things:
;;
;; - compilation mode (M-x compile, M-x recompile, `next-error') reads these
;;   lines: ERROR and DEADLY as errors, WARNING as warnings, NOTE as info.
;;   The entry comes first in `compilation-error-regexp-alist', before the
;;   general ones that would take a NOTE for an error and lose the column.
;;   C counts bytes from 1, and a tab moves it to the next of columns 1, 9,
;;   17, ...; the entry turns it into the column Emacs moves to, so that a
;;   message lands on its character on lines with tabs, "°C" or "é€😀".
;;
;; - `qel-mode' for *.qel files: keywords, literals and comments in colour,
;;   < > as brackets, `comment-dwim', and a `compile-command' that
;;   translates the file into FILE.json beside it.
;;
;; - M-x qel2json-format-buffer writes the description anew in the
;;   library's one layout with qel2json-format, or shows why not.
;;
;; - with eglot, `qel-mode' is served by the language server qel2json-lsp.

;;; Code:

(require 'compile)

(defconst qel2json-error-regexp
  (concat "^\"\\(.+?\\)\", line \\([0-9]+\\):\\([0-9]+\\) "
          "\\(?:\\(NOTE\\)\\|\\(WARNING\\)\\|ERROR\\|DEADLY\\): ")
  "A diagnostic of qel2json: file (1), line (2), column (3); group 4
matches a NOTE and group 5 a WARNING; ERROR and DEADLY match neither.")

;; Emacs counts a column in characters, or with
;; `compilation-error-screen-columns' (the default) in screen columns with
;; tabs of 8 and wide characters taking two; qel2json counts bytes.  The
;; two agree only on lines that hold nothing but ASCII before the place, so
;; the column is converted while the message is parsed, from the line as
;; the file's buffer holds it, or as visiting the file would read it.

(defun qel2json--char-bytes (char coding)
  "How many bytes CHAR, in a buffer whose file is in CODING, has in the file."
  (cond ((or (< char #x80) (not enable-multibyte-characters)) 1)
        ;; a byte that is no UTF-8 sequence stays one byte
        ((eq (char-charset char) 'eight-bit) 1)
        ((memq (coding-system-type coding) '(utf-8 undecided))
         (string-bytes (string char)))
        (t (length (encode-coding-string (string char) coding t)))))

(defun qel2json--goto-column (column coding bom)
  "Move from the start of a line to where qel2json's COLUMN points.
That is the character whose bytes (or whose tab's stretch) hold COLUMN, or
the line's end where COLUMN lies past it: a string cut by the line end is
reported one past its last byte.  CODING is the coding system of the
file, BOM the bytes of a byte order mark before the line, which qel2json
counts on line 1."
  (let ((at (1+ bom))
        (end (line-end-position))
        (next nil))
    (while (and (< (point) end) (< at column))
      ;; printable ASCII: one byte, one column each
      (let ((step (skip-chars-forward " -~" (min end (+ (point) (- column at))))))
        (setq at (+ at step)))
      (when (and (< (point) end) (< at column))
        (setq next (if (eq (char-after) ?\t)
                       (+ at 8 (- (% (1- at) 8)))
                     (+ at (qel2json--char-bytes (char-after) coding))))
        (if (> next column)
            (setq end (point))          ; COLUMN falls within this character
          (setq at next)
          (forward-char 1))))))

(defvar qel2json--stamp nil
  "The file and time of the text in the scratch buffer of `qel2json--file-buffer'.")

(defun qel2json--file-buffer (file)
  "A buffer holding FILE's text: the one visiting it, or a scratch buffer
read as visiting would read it (kept for the next message while the
file is unchanged), or nil where FILE cannot be read."
  (or (find-buffer-visiting file)
      (and (file-readable-p file) (not (file-directory-p file))
           (let ((buffer (get-buffer-create " *qel2json-source*"))
                 (stamp (list file (file-attribute-modification-time
                                    (file-attributes file)))))
             (with-current-buffer buffer
               (unless (equal stamp (buffer-local-value 'qel2json--stamp buffer))
                 (let ((inhibit-read-only t))
                   (erase-buffer)
                   (insert-file-contents file)
                   (setq buffer-file-coding-system last-coding-system-used)
                   (setq-local qel2json--stamp stamp))))
             buffer))))

(defun qel2json--column ()
  "The column of the qel2json message just matched, for compilation mode.
The match's groups 1 to 3 hold file, line and column.  Without the file
the column stays as written."
  (let ((name (match-string-no-properties 1))
        (line (string-to-number (match-string-no-properties 2)))
        (column (string-to-number (match-string-no-properties 3)))
        (directory (let ((pos (previous-single-property-change
                               (match-beginning 0) 'compilation-directory)))
                     (and pos (car (or (get-text-property (1- pos) 'compilation-directory)
                                       (get-text-property pos 'compilation-directory)))))))
    (save-match-data
      (let* ((screen compilation-error-screen-columns)
             (first compilation-first-column)
             (buffer (and (> line 0) (> column 0)
                          (qel2json--file-buffer
                           (expand-file-name name (and directory (expand-file-name directory)))))))
        (if (not buffer)
            column
          (with-current-buffer buffer
            ;; the buffer's own settings rule, as when compilation mode
            ;; moves there
            (when (local-variable-p 'compilation-error-screen-columns)
              (setq screen compilation-error-screen-columns))
            (when (local-variable-p 'compilation-first-column)
              (setq first compilation-first-column))
            (save-excursion
              (save-restriction
                (widen)
                (goto-char (point-min))
                (if (/= (forward-line (1- line)) 0)
                    column
                  (let ((start (point))
                        (coding (or buffer-file-coding-system 'undecided)))
                    (qel2json--goto-column
                     column coding
                     (if (and (= line 1) (eq (coding-system-type coding) 'utf-8)
                              (coding-system-get coding :bom))
                         3 0))
                    (+ first (if screen
                                 (let ((tab-width 8)) (current-column))
                               (- (point) start)))))))))))))

(add-to-list 'compilation-error-regexp-alist-alist
             `(qel2json ,qel2json-error-regexp 1 2 qel2json--column (5 . 4)))
(add-to-list 'compilation-error-regexp-alist 'qel2json)

;;; The mode for descriptions

(defconst qel-keywords
  '("A" "A0" "ALLP" "ALLU" "ALLY" "DX" "E" "F" "FUNCTION" "H" "IDENT"
    "INSTANTIATION" "INTEGER" "ISEXTERN" "LINEAR" "LINEARCODE" "NIL"
    "NONLINEAR" "P" "PARTIALLINEAR" "REAL" "REFERENCES" "STRING" "SYSTEM"
    "SYSTEMTYPE" "T" "U" "VARIABLES" "X" "Y")
  "The keywords of the description language.")

(defconst qel-number-regexp
  (concat "-?\\(?:\\(?:[0-9]+\\.[0-9]*\\|\\.[0-9]+\\)\\(?:[eE][-+]?[0-9]+\\)?[FLfl]?"
          "\\|[0-9]+[eE][-+]?[0-9]+[FLfl]?"
          "\\|[0-9]+\\)")
  "An integer or real literal.")

(defconst qel-font-lock-keywords
  `((,(regexp-opt '("INTEGER" "REAL" "STRING") 'symbols) . font-lock-type-face)
    ("\\_<NIL\\_>" . font-lock-constant-face)
    (,(regexp-opt qel-keywords 'symbols) . font-lock-keyword-face)
    (,qel-number-regexp . font-lock-constant-face)
    ;; Bytes that begin no token (outside strings and comments).
    ("[^ \t\r\n<>\"0-9.A-Z-]" . font-lock-warning-face))
  "Highlighting for `qel-mode'.")

(defvar qel-mode-syntax-table
  (let ((table (make-syntax-table)))
    (modify-syntax-entry ?- ". 12" table)   ; -- starts a comment
    (modify-syntax-entry ?\n ">" table)
    (modify-syntax-entry ?\r ">" table)
    (modify-syntax-entry ?< "(>" table)
    (modify-syntax-entry ?> ")<" table)
    (modify-syntax-entry ?\" "\"" table)
    (modify-syntax-entry ?\\ "\\" table)
    (modify-syntax-entry ?. "_" table)
    (modify-syntax-entry ?' "." table)
    table)
  "Syntax table of `qel-mode'.")

(defun qel--end-string-at-line-end ()
  "End the string that the match opens at its line end, as qel2json does.
The match runs from a double quote to a line end with no closing quote and
no backslash before the line end; it opens a string unless it stands in a
string or a comment."
  (unless (nth 8 (save-excursion (syntax-ppss (match-beginning 0))))
    (put-text-property (match-beginning 0) (1+ (match-beginning 0))
                       'syntax-table (string-to-syntax "|"))
    (put-text-property (1- (match-end 0)) (match-end 0)
                       'syntax-table (string-to-syntax "|"))))

(defconst qel-syntax-propertize
  (syntax-propertize-rules
   ("\"\\(?:[^\"\\\n]\\|\\\\\\(?:.\\|\n\\)\\)*\n"
    (0 (ignore (qel--end-string-at-line-end)))))
  "Marks strings that a line end closes.")

(defun qel-compile-command ()
  "The command that translates the current file into FILE.json beside it."
  (if buffer-file-name
      (let ((file (file-name-nondirectory buffer-file-name)))
        (format "qel2json %s > %s"
                (shell-quote-argument file)
                (shell-quote-argument
                 (concat (file-name-sans-extension file) ".json"))))
    "qel2json "))

;;;###autoload
(define-derived-mode qel-mode prog-mode "QEL"
  "Major mode for system descriptions, the input of qel2json.
\\[compile] proposes to translate the file into FILE.json beside it and
lists the diagnostics."
  :syntax-table qel-mode-syntax-table
  (setq-local comment-start "-- ")
  (setq-local comment-start-skip "--+[ \t]*")
  (setq-local comment-end "")
  (setq-local font-lock-defaults '(qel-font-lock-keywords))
  (setq-local syntax-propertize-function qel-syntax-propertize)
  (setq-local compile-command (qel-compile-command)))

;;;###autoload
(add-to-list 'auto-mode-alist '("\\.qel\\'" . qel-mode))

;;; Formatting

(defvar qel2json-format-program "qel2json-format"
  "The program `qel2json-format-buffer' runs: qel2json-format, found on
`exec-path', or its file name.")

(defun qel2json--file-coding ()
  "The coding system of the text as the buffer's file holds it (with its
byte order mark), lines ending in a line feed: what the formatter reads,
as qel2json reads the file, so that its columns count the same bytes."
  (let ((coding (or buffer-file-coding-system 'undecided)))
    (coding-system-change-eol-conversion
     (if (eq (coding-system-type coding) 'undecided) 'utf-8 coding)
     'unix)))

(defun qel2json--show-format-errors (errors coding)
  "Show the diagnostics in the file ERRORS (in CODING), which the formatter
wrote for the current buffer, in the buffer *qel2json-format*, where
compilation mode reads them (\\[next-error] goes from one to the next).
They name standard input; there they name the buffer's file.  Returns the
first, without its file name."
  (let ((name (or buffer-file-name (buffer-name)))
        (directory default-directory)
        (buffer (get-buffer-create "*qel2json-format*")))
    (with-current-buffer buffer
      (let ((inhibit-read-only t)
            (coding-system-for-read coding))
        (erase-buffer)
        (insert-file-contents errors)
        (while (re-search-forward "^\"stdin\", line " nil t)
          (replace-match (concat "\"" name "\", line ") t t)))
      (setq default-directory directory)
      (compilation-mode)
      (goto-char (point-min))
      (setq next-error-last-buffer buffer)
      (display-buffer buffer)
      (if (re-search-forward "^\".*?\", \\(line .*\\)$" nil t)
          (match-string-no-properties 1)
        (buffer-substring-no-properties (point-min) (line-end-position))))))

;;;###autoload
(defun qel2json-format-buffer ()
  "Write the description in this buffer anew in qel2json's one layout.
Runs `qel2json-format-program' on the whole buffer, narrowed or not; the
comments stay, and point stays on its character of its token, as far as
the text around it allows.  A description with an ERROR is not formatted:
the buffer is left as it is, and its diagnostics are shown in the buffer
*qel2json-format*."
  (interactive)
  (let ((coding (qel2json--file-coding))
        (errors (make-temp-file "qel2json-format"))
        (formatted (generate-new-buffer " *qel2json-formatted*")))
    (unwind-protect
        (save-restriction
          (widen)
          (let ((status (let ((coding-system-for-write coding)
                              (coding-system-for-read coding))
                          (call-process-region (point-min) (point-max) qel2json-format-program
                                               nil (list formatted errors) nil "-"))))
            (cond ((not (eql status 0))
                   (message "Not formatted, status %s: %s" status
                            (qel2json--show-format-errors errors coding)))
                  ((zerop (compare-buffer-substrings nil nil nil formatted nil nil))
                   (message "Formatted already"))
                  ;; A change of blanks alone moves neither point nor marks
                  ;; off their characters.
                  (t (replace-buffer-contents formatted 2)))))
      (kill-buffer formatted)
      (delete-file errors))))

;;; The language server

;; With eglot, M-x eglot (or `eglot-ensure' in `qel-mode-hook') in a
;; description starts qel2json-lsp: diagnostics as you type, an outline
;; (imenu), hover texts, highlighting and quick fixes.
;;;###autoload
(with-eval-after-load 'eglot
  (add-to-list 'eglot-server-programs '(qel-mode "qel2json-lsp")))

(provide 'qel2json)

;;; qel2json.el ends here

;;; qel2json.el --- Diagnostics of qel2json and a mode for its descriptions  -*- lexical-binding: t -*-

;; Copyright (c) 2026 The qel2json developers
;; SPDX-License-Identifier: MIT
;; Version: 1.0.0
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
;;   C counts a tab up to the next of columns 1, 9, 17, ..., as Emacs does
;;   with `compilation-error-screen-columns' and a `tab-width' of 8.
;;
;; - `qel-mode' for *.qel files: keywords, literals and comments in colour,
;;   < > as brackets, `comment-dwim', and a `compile-command' that
;;   translates the file into FILE.json beside it.
;;
;; - with eglot, `qel-mode' is served by the language server qel2json-lsp.

;;; Code:

(require 'compile)

(defconst qel2json-error-regexp
  (concat "^\"\\(.+?\\)\", line \\([0-9]+\\):\\([0-9]+\\) "
          "\\(?:\\(NOTE\\)\\|\\(WARNING\\)\\|ERROR\\|DEADLY\\): ")
  "A diagnostic of qel2json: file (1), line (2), column (3); group 4
matches a NOTE and group 5 a WARNING; ERROR and DEADLY match neither.")

(add-to-list 'compilation-error-regexp-alist-alist
             `(qel2json ,qel2json-error-regexp 1 2 3 (5 . 4)))
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

;;; The language server

;; With eglot, M-x eglot (or `eglot-ensure' in `qel-mode-hook') in a
;; description starts qel2json-lsp: diagnostics as you type, an outline
;; (imenu), hover texts, highlighting and quick fixes.
;;;###autoload
(with-eval-after-load 'eglot
  (add-to-list 'eglot-server-programs '(qel-mode "qel2json-lsp")))

(provide 'qel2json)

;;; qel2json.el ends here

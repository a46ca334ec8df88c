;;; emacs_eglot.el --- eglot runs qel2json-lsp on a description with two errors  -*- lexical-binding: t -*-
;; emacs --batch -Q -l editors/emacs/qel2json.el -l emacs_eglot.el FILE OUT
;; with qel2json-lsp on PATH.  qel-mode must register the server with
;; eglot, and flymake must receive both diagnostics at the right places;
;; writes one line per diagnostic, "line:column type message" (column: the
;; character, from 1, as Emacs places it).
(require 'package)
;; Debian's elpa-eglot lives here; -Q leaves the folder off the list.
(add-to-list 'package-directory-list "/usr/share/emacs/site-lisp/elpa")
(package-initialize)
(require 'eglot)
(require 'flymake)

(let* ((file (nth 0 command-line-args-left))
       (out (nth 1 command-line-args-left))
       (deadline (+ (float-time) 20)))
  (setq command-line-args-left nil)
  (find-file file)
  (unless (eq major-mode 'qel-mode) (error "not in qel-mode: %s" major-mode))
  (unless (assq 'qel-mode eglot-server-programs) (error "qel-mode did not register qel2json-lsp"))
  (apply #'eglot (eglot--guess-contact))
  (flymake-start)
  (while (and (< (length (flymake-diagnostics)) 2) (< (float-time) deadline))
    (accept-process-output nil 0.05))
  (let ((lines (mapcar (lambda (d)
                         (let ((beg (flymake-diagnostic-beg d)))
                           (format "%d:%d %s %s" (line-number-at-pos beg)
                                   (1+ (- beg (save-excursion (goto-char beg) (line-beginning-position))))
                                   (flymake-diagnostic-type d) (flymake-diagnostic-text d))))
                       (flymake-diagnostics))))
    (with-temp-file out
      (insert (mapconcat #'identity (sort lines #'string<) "\n") "\n")))
  (ignore-errors (eglot-shutdown (eglot-current-server))))

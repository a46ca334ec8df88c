;;; emacs_highlight.el --- a description in qel-mode, piece by piece  -*- lexical-binding: t -*-
;; emacs --batch -Q -l qel2json.el -l emacs_highlight.el FILE OUT
;; Writes the major mode and compile-command, then every highlighted piece
;; as line|text|face.
(let ((file (pop command-line-args-left))
      (out (pop command-line-args-left))
      (lines '()))
  (with-current-buffer (find-file-noselect file)
    (font-lock-ensure)
    (push (format "mode=%s" major-mode) lines)
    (push (format "compile-command=%s" compile-command) lines)
    (goto-char (point-min))
    (while (not (eobp))
      (let* ((face (get-text-property (point) 'face))
             (end (min (next-single-property-change (point) 'face nil (point-max))
                       (line-end-position)))
             (piece (buffer-substring-no-properties (point) end)))
        (when (or face (string-match-p "[^ \t]" piece))
          (push (format "%d|%s|%s" (line-number-at-pos) piece (or face "-")) lines))
        (goto-char (if (= end (line-end-position)) (1+ end) end)))))
  (with-temp-file out
    (insert (mapconcat #'identity (nreverse lines) "\n") "\n")))

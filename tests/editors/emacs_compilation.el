;;; emacs_compilation.el --- reads a sample of diagnostics in compilation mode  -*- lexical-binding: t -*-
;; emacs --batch -Q -l qel2json.el -l emacs_compilation.el SAMPLE OUT
;; Writes one line per message found: file|line|column|kind|where visiting
;; it lands (line:character, or - where the file is absent or the line is
;; past its end); kind is error, warning or note (compilation types 2, 1, 0).
(defun qel-test-landing (file line)
  "Where visiting the message at point lands, as line:character, or -."
  (if (not (and (file-readable-p file) (>= line 1)
                (<= line (with-temp-buffer
                           (insert-file-contents file)
                           (count-lines (point-min) (point-max))))))
      "-"
    (save-window-excursion
      (let ((inhibit-message t)) (compile-goto-error))
      (format "%d:%d" (line-number-at-pos) (1+ (- (point) (line-beginning-position)))))))

(let ((sample (pop command-line-args-left))
      (out (pop command-line-args-left))
      (lines '()))
  (with-current-buffer (get-buffer-create "*diagnostics*")
    (insert-file-contents sample)
    (compilation-mode)
    (compilation--ensure-parse (point-max))
    (goto-char (point-min))
    (while (not (eobp))
      (let ((msg (get-text-property (point) 'compilation-message)))
        (when msg
          (let* ((loc (compilation--message->loc msg))
                 (file (caar (compilation--loc->file-struct loc)))
                 (line (compilation--loc->line loc)))
            (push (format "%s|%s|%s|%s|%s" file line (compilation--loc->col loc)
                          (nth (compilation--message->type msg) '("note" "warning" "error"))
                          (qel-test-landing file line))
                  lines))))
      (forward-line 1)))
  (with-temp-file out
    (insert (mapconcat #'identity (nreverse lines) "\n") "\n")))

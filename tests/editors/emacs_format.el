;;; emacs_format.el --- qel2json-format-buffer in a description  -*- lexical-binding: t -*-
;; emacs --batch -Q -l qel2json.el -l emacs_format.el MESSY BROKEN OUT
;; (with qel2json-format on PATH)
;;
;; MESSY is formatted whole, point and a marker stay on their characters of
;; their tokens, one undo brings the text back; narrowed, the whole buffer
;; is formatted all the same and stays narrowed; a formatted text is left
;; untouched.  BROKEN, which has ERRORs, is left as it is, its diagnostics
;; shown, naming its file; without the program nothing changes either.
;; Writes what it finds, one line each.

(prefer-coding-system 'utf-8)

(defvar qel-test-lines '())

(defun qel-test-say (&rest pieces)
  (push (apply #'concat (mapcar (lambda (p) (if (stringp p) p (format "%S" p))) pieces)) qel-test-lines))

(defun qel-test-place (&optional position)
  "POSITION (point) as line:character and the character there."
  (save-excursion
    (goto-char (or position (point)))
    (format "%d:%d '%c'" (line-number-at-pos nil t) (1+ (- (point) (line-beginning-position))) (char-after))))

(defun qel-test-whole ()
  (save-restriction (widen) (buffer-substring-no-properties (point-min) (point-max))))

(defun qel-test-last-message ()
  (with-current-buffer "*Messages*"
    (goto-char (point-max))
    (forward-line -1)
    (buffer-substring-no-properties (point) (line-end-position))))

(let* ((messy (pop command-line-args-left))
       (broken (pop command-line-args-left))
       (out (pop command-line-args-left))
       formatted)
  (with-current-buffer (find-file-noselect messy)
    (let ((original (qel-test-whole))
          (marker (copy-marker (progn (goto-char (point-min)) (search-forward "€") (1- (point))))))
      (goto-char (point-min))
      (search-forward "ISEXTERN")
      (goto-char (+ (match-beginning 0) 2))
      (qel-test-say "qel2json-format-buffer, point on " (qel-test-place) ", a marker on " (qel-test-place marker))
      (undo-boundary)
      (qel2json-format-buffer)
      (setq formatted (qel-test-whole))
      (dolist (line (split-string formatted "\n" t))
        (qel-test-say "| " line))
      (qel-test-say "point: " (qel-test-place) ", the marker: " (qel-test-place marker)
                    ", modified: " (buffer-modified-p))
      (primitive-undo 1 buffer-undo-list)
      (qel-test-say "one undo gives the text back: " (equal (qel-test-whole) original))
      (goto-char marker)
      (narrow-to-region (line-beginning-position) (line-end-position))
      (qel-test-say "narrowed to its line, point on " (qel-test-place))
      (qel2json-format-buffer)
      (qel-test-say "the whole text formatted: " (equal (qel-test-whole) formatted)
                    ", still narrowed: " (buffer-narrowed-p) ", point: " (qel-test-place))
      (widen)
      (let ((tick (buffer-modified-tick)))
        (qel2json-format-buffer)
        (qel-test-say "formatted already, nothing changes: " (= tick (buffer-modified-tick))
                      ", message: " (qel-test-last-message)))))
  (with-current-buffer (find-file-noselect broken)
    (let ((tick (buffer-modified-tick)))
      (qel2json-format-buffer)
      (qel-test-say "with ERRORs the buffer stays as it was: " (= tick (buffer-modified-tick)))
      (qel-test-say "message: " (qel-test-last-message))
      (with-current-buffer "*qel2json-format*"
        (qel-test-say "shown in " major-mode ":")
        (dolist (line (split-string (buffer-string) "\n" t))
          (qel-test-say "| " (replace-regexp-in-string "^\"[^\"]*/" "\"" line))))
      (let ((qel2json-format-program "no-such-qel2json-format"))
        (condition-case err
            (qel2json-format-buffer)
          (error (qel-test-say "without the program: " (error-message-string err)))))
      (qel-test-say "the buffer stays as it was: " (= tick (buffer-modified-tick)))))
  (let ((coding-system-for-write 'utf-8-unix))
    (with-temp-file out
      (insert (mapconcat #'identity (nreverse qel-test-lines) "\n") "\n"))))

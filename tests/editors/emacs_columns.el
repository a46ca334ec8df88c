;;; emacs_columns.el --- where compilation mode lands on qel2json's reports  -*- lexical-binding: t -*-
;; emacs --batch -Q -l qel2json.el -l emacs_columns.el FILE OUT [format]
;; (with qel2json, and qel2json-format, on PATH, in a folder where
;; FILE.json may be written)
;;
;; Runs qel2json on the description FILE in compilation mode three ways:
;; from the folder above, with make's "Entering directory" before the
;; reports, while no buffer visits FILE; with the `compile-command' of
;; FILE's buffer; and the same counting columns in characters rather than
;; screen columns.  With "format", a fourth: the reports of qel2json-format
;; that `qel2json-format-buffer' shows, the buffer being left as it is.
;; Writes one line per report: the report without its file name, then
;; where visiting it lands, as line:character and the character found
;; there ("end of line" one past its last).  Where the ways disagree, each
;; is written.

(require 'cl-lib)
(prefer-coding-system 'utf-8)

(defun qel-test-landing ()
  "Where point is, as line:character and the character there."
  (let ((char (char-after)))
    (format "%d:%d %s" (line-number-at-pos) (1+ (- (point) (line-beginning-position)))
            (cond ((or (null char) (eq char ?\n)) "end of line")
                  ((eq char ?\t) "tab")
                  (t (format "'%c'" char))))))

(defun qel-test-landings (directory command)
  "Runs COMMAND in DIRECTORY in compilation mode; the landing of each report."
  (let* ((default-directory directory)
         (buffer (compilation-start command))
         (process (get-buffer-process buffer)))
    (while (memq process compilation-in-progress)
      (accept-process-output nil 0.05))
    (qel-test-landings-in buffer)))

(defun qel-test-landings-in (buffer)
  "The landing of each report in BUFFER, in compilation mode."
  (let ((landings '()))
    (with-current-buffer buffer
      (compilation--ensure-parse (point-max))
      (goto-char (point-min))
      (while (re-search-forward "^\"[^\n]*?\", \\(line .*\\)" nil t)
        (let ((report (match-string-no-properties 1)))
          (goto-char (match-beginning 0))
          (push (concat report " -> "
                        (save-window-excursion
                          (let ((inhibit-message t)) (compile-goto-error))
                          (qel-test-landing)))
                landings)
          (forward-line 1))))
    (nreverse landings)))

(let* ((file (expand-file-name (pop command-line-args-left)))
       (out (pop command-line-args-left))
       (format (equal (pop command-line-args-left) "format"))
       (folder (file-name-directory file))
       (name (file-name-nondirectory file))
       (ways '()))
  (when (get-file-buffer file)
    (error "%s is visited already" file))
  (push (cons "from the folder above, the file not visited"
              (qel-test-landings
               (file-name-directory (directory-file-name folder))
               (format "printf \"make: Entering directory '%%s'\\n\" %s; cd %s && qel2json %s >/dev/null"
                       (shell-quote-argument (directory-file-name folder))
                       (shell-quote-argument folder) (shell-quote-argument name))))
        ways)
  (let ((command (with-current-buffer (find-file-noselect file) compile-command)))
    (push (cons "with the buffer's compile-command"
                (qel-test-landings folder command))
          ways)
    (when format
      (with-current-buffer (get-file-buffer file)
        (let ((tick (buffer-modified-tick)))
          (qel2json-format-buffer)
          (push (cons (concat "with qel2json-format-buffer"
                              (if (= tick (buffer-modified-tick)) "" ", which changed the buffer"))
                      (qel-test-landings-in "*qel2json-format*"))
                ways))))
    (setq-default compilation-error-screen-columns nil)
    (push (cons "with the buffer's compile-command, columns in characters"
                (qel-test-landings folder command))
          ways))
  (setq ways (nreverse ways))
  (let ((coding-system-for-write 'utf-8-unix))
    (with-temp-file out
      (dolist (way (if (cl-every (lambda (way) (equal (cdr way) (cdar ways))) ways)
                       (list (cons nil (cdar ways)))
                     ways))
        (when (car way)
          (insert "-- " (car way) ":\n"))
        (dolist (landing (cdr way))
          (insert landing "\n"))))))

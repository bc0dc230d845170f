#!/usr/bin/python3
"""Plays a drill by keyboard alone with the Orca screen reader listening.

The test starts its own Xvfb, session bus and window manager, a
speech-dispatcher whose only voice writes each text it is given to a file,
and Orca in Japanese with a scratch home and its default settings. It then
starts the program on a three-question file in code page 932 and plays the
drill with xdotool keys only: Open through the menu bar and the open dialog,
答えは, ○ and × reached by Tab, the closing message, 採点 and the score. At
each step it waits until Orca has fallen silent and checks what Orca said,
and that no results file appears before 採点 is pressed.

Orca refuses to start while another Orca of the same user runs; the test
then fails saying so and leaves the other one alone.

Usage: /usr/bin/python3 screen_reader_e2e.py --program PATH --artifacts DIR
"""

import argparse
import os
import subprocess
import sys
import tempfile
import time

from drill_e2e import Failure, Session, check, wait_for

# Three questions, so that a grade finds one left twice and none left once.
DRILL = [("山", "やま"), ("川", "かわ"), ("空", "そら")]
QUESTION_FILE = "drill.txt"
CLOSING_MESSAGE = "ごくろうさま。採点してください。"
# Orca has said all it will once it has been silent this long.
QUIET_S = 1.0
KEY_DELAY_MS = "100"
# Opens, each followed by a Cancel.
OPENS = 10


def speech_dispatcher_config(folder, spoken):
    """Writes a speech-dispatcher configuration whose one output module
    appends every text to the file spoken, and returns its folder."""
    modules = os.path.join(folder, "modules")
    os.makedirs(modules)
    with open(os.path.join(folder, "speechd.conf"), "w") as out:
        out.write('AddModule "capture" "sd_generic" "capture.conf"\n'
                  'DefaultModule capture\n'
                  'LanguageDefaultModule "ja" "capture"\n'
                  'AudioOutputMethod "alsa"\n'
                  'AudioALSADevice "null"\n')
    with open(os.path.join(modules, "capture.conf"), "w") as out:
        out.write(f'GenericExecuteSynth "printf \'%s\\\\n\' \\\'$DATA\\\' >> {spoken}"\n'
                  'AddVoice "ja" "MALE1" "ja"\n'
                  'GenericLanguage "ja" "ja" "utf-8"\n')
    return folder


class Listener:
    """What Orca has said, read from the speech file."""

    def __init__(self, path):
        self.path = path
        self.read = 0

    def all(self):
        if not os.path.exists(self.path):
            return ""
        with open(self.path, encoding="utf-8", errors="replace") as spoken:
            return spoken.read()

    def until(self, text):
        """Waits until text has been said since the last call, and takes what
        was said up to its end."""
        said = wait_for(f"Orca to say {text!r}",
                        lambda: text in self.all()[self.read:] and self.all(), timeout=30)
        self.read = said.index(text, self.read) + len(text)

    def next(self):
        """Waits until nothing new has been said for QUIET_S and returns what
        was said since the last call."""
        last, since = None, time.monotonic()
        deadline = since + 30
        while True:
            now = self.all()
            if now != last:
                last, since = now, time.monotonic()
            elif time.monotonic() - since >= QUIET_S:
                break
            check(time.monotonic() < deadline, "Orca never fell silent")
            time.sleep(0.05)
        said, self.read = last[self.read:], len(last)
        return said


def other_orca():
    found = subprocess.run(["pgrep", "-u", str(os.getuid()), "-x", "orca"],
                           stdout=subprocess.PIPE, text=True)
    return found.stdout.split()


class ReaderSession(Session):
    """Session, with a window manager, speech-dispatcher and Orca started
    before the program."""

    def start_reader(self, spoken):
        scratch = self.scratch
        locales = os.path.join(scratch, "locale")
        os.mkdir(locales)
        subprocess.run(["localedef", "-i", "ja_JP", "-f", "UTF-8",
                        os.path.join(locales, "ja_JP.UTF-8")], check=True)
        self.env.update(LOCPATH=locales)
        self._spawn(["jwm"])
        config = speech_dispatcher_config(os.path.join(scratch, "speechd"), spoken)
        self._spawn(["speech-dispatcher", "--run-single", "--timeout", "0",
                     "--config-dir", config, "--log-dir", os.path.join(scratch, "speechd")])
        others = other_orca()
        check(not others, f"another Orca of this user runs (process {' '.join(others)}); "
                          "the test needs the only one and leaves that one alone")
        orca_env = dict(self.env, LANG="ja_JP.UTF-8", LC_ALL="ja_JP.UTF-8",
                        GSETTINGS_BACKEND="memory")
        self._spawn(["orca", "--user-prefs", os.path.join(scratch, "orca")], env=orca_env,
                    log="orca.log")

    def _spawn(self, command, env=None, log=None):
        out = open(os.path.join(self.artifacts, log), "wb") if log else subprocess.DEVNULL
        self.processes.append(subprocess.Popen(command, env=env or self.env, stdout=out,
                                               stderr=subprocess.STDOUT))
        if log:
            out.close()

    def keys(self, *names):
        self.xdotool("key", "--delay", KEY_DELAY_MS, *names)


def summary(right, total):
    return f" {total}問中、 {right}問正解です。({int(right * 100 / total + 0.5)}点です)"


def run(program, artifacts, scratch):
    work = os.path.join(scratch, "work")
    os.mkdir(work)
    with open(os.path.join(work, QUESTION_FILE), "wb") as out:
        out.write("".join(f"{q} {a}\r\n" for q, a in DRILL).encode("cp932"))
    answers = dict(DRILL)
    listener = Listener(os.path.join(scratch, "spoken.txt"))
    heard = []

    def step(keys, *expected):
        """Presses keys, waits until Orca falls silent and checks that it
        said each of expected. Returns what it said."""
        if keys:
            session.keys(*keys)
        said = listener.next()
        heard.append(f"[{' '.join(keys)}]\n{said}")
        for text in expected:
            check(text in said, f"after {' '.join(keys)} Orca said {said!r}, without {text!r}")
        return said

    def question_in(said):
        asked = [q for q in answers if f"問題は {q}" in said]
        check(len(asked) == 1, f"Orca said {said!r}, naming no one question")
        return asked[0]

    def no_results_file(when):
        check(os.listdir(work) == [QUESTION_FILE], f"a results file appeared {when}")

    session = ReaderSession(scratch, artifacts)
    try:
        session.start_desktop()
        session.start_reader(listener.path)
        wait_for("Orca to start speaking", listener.all, timeout=30)
        listener.next()
        session.start_program(program, work)
        step([], "Tavosu")

        # Open: the menu bar, ﾌｧｲﾙ, 開く, the file's name and Return.
        step(["alt", "Return", "Return"], "ファイル名")
        session.xdotool("type", "--delay", KEY_DELAY_MS, QUESTION_FILE)
        first = question_in(step(["Return"], "答えは"))

        # Return on 答えは reveals; more Return and Enter in the answer box
        # grade nothing.
        step(["Return"], answers[first])
        said = step(["KP_Enter", "Return", "space"])
        check("問題は" not in said and "まる" not in said, f"Orca said {said!r} after a reveal")
        no_results_file("after keys in the answer box")
        step(["Tab"], "まる")
        step(["Tab"], "ばつ")
        step(["shift+Tab"], "まる")
        second = question_in(step(["Return"]))

        step(["space"], answers[second])
        step(["Tab", "Tab"], "ばつ")
        third = question_in(step(["space"]))
        check(len({first, second, third}) == 3, f"asked {first}, {second}, {third}")

        step(["Return"], answers[third])
        step(["Tab"], "まる")
        step(["Return"], CLOSING_MESSAGE)
        no_results_file("at the closing message")
        step(["Return"], "問題")
        step(["Tab"], "答え")
        step(["Tab"], "採点")
        no_results_file("before 採点")
        step(["Return"], summary(2, 3))
        results = [n for n in os.listdir(work) if n != QUESTION_FILE]
        check(len(results) == 1, f"the folder holds {results}")
        step(["Return"], "採点")

        # Open and Cancel, again and again: the focus comes back each time.
        for key in ["Return", "Escape"] * OPENS:
            session.keys("alt", "Return", "Return")
            listener.until("ファイル名")
            step([key], "答えは", "問題は")
    finally:
        with open(os.path.join(artifacts, "spoken.txt"), "w") as out:
            out.write("\n".join(heard) + "\n")
        session.close()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--artifacts", required=True)
    args = parser.parse_args()
    os.makedirs(args.artifacts, exist_ok=True)
    for old in os.listdir(args.artifacts):
        os.remove(os.path.join(args.artifacts, old))
    started = time.monotonic()
    with tempfile.TemporaryDirectory(prefix="tavosu-reader-") as scratch:
        try:
            run(os.path.abspath(args.program), args.artifacts, scratch)
        except Failure as failure:
            print(f"FAIL: {failure}", file=sys.stderr)
            for log in ("spoken.txt", "orca.log", "program.log"):
                path = os.path.join(args.artifacts, log)
                if os.path.exists(path):
                    print(f"--- {log}", file=sys.stderr)
                    sys.stderr.write(open(path, errors="replace").read()[-3000:])
            return 1
    print(f"passed in {time.monotonic() - started:.1f} s; what Orca said is in "
          f"{os.path.join(args.artifacts, 'spoken.txt')}")
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/python3
"""Plays a whole drill on the real program in a real X window.

The test starts its own Xvfb, session bus and accessibility bus, starts the
program in a scratch folder that holds a question file in code page 932, and
drives it as a person would: mouse clicks on the menus and buttons, typing
in the open dialog, OK in the message boxes. Everything it checks it reads
off the screen through the AT-SPI tree: the question and answer boxes, which
buttons can be pressed, the message boxes' titles and texts. It plays the
drill grading some questions right and some wrong, scores it, checks the
results file byte for byte, opens the results file again and plays the
questions that were missed, asks for the help page, and quits. In between
it plays a ready drill from the drills folder of an installed layout, whose
results land without a dialog in the learner's documents folder, where the
next Open starts; their misses are drilled from there.

Screenshots of the key moments go into the artefacts folder. Every process
the test starts is ended when it stops, also when it fails.

Usage: /usr/bin/python3 drill_e2e.py --program PATH --artifacts DIR
(Debian's python3, which has python3-gi and gir1.2-atspi-2.0.)
"""

import argparse
import datetime
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402

TITLE = "Ostrel"
CLOSING_MESSAGE = "ごくろうさま。採点してください。"
# The buttons by their accessible names; ○ and × are named in words.
BUTTONS = ("答えは", "まる", "ばつ", "採点")
NAMED = {"○": "まる", "×": "ばつ"}
# The open dialog's file name box and Open button, named in Qt's Japanese
# texts, which the program loads whatever the locale.
FILE_NAME_BOX = "ファイル名(N):"
OPEN_BUTTON = "開く(O)"
POLL_S = 0.05
# Generous: under the sanitizers the program starts and draws several times
# more slowly.
TIMEOUT_S = 60.0

# The drill: (question, answer, mark in the file, grade the test gives).
# The test grades by the question it reads off the screen.
DRILL = [
    ("山", "やま", "", "○"),
    ("川", "かわ", "", "×"),
    ("海", "うみ", "○", None),  # already right: never asked
    ("空", "そら", "", "○"),
    ("雨", "あめ", "", "×"),
    ("花", "はな", "", "○"),
    ("森", "もり", "", "○"),
]
QUESTION_FILE = "drill.txt"
# A ready drill, as the package installs it: UTF-8 with CR LF, a comment
# line first. Rows as in DRILL.
READY_DRILL = [
    ("一", "イチ、イツ", "", "○"),
    ("二", "ニ", "", "×"),
    ("三", "サン", "", "○"),
]
READY_YEAR, READY_SET = "小学1年", "音読み-01"
DOCUMENTS = "ドキュメント"
# Marks the environment of every process started for one run of the test.
SESSION_VARIABLE = "TAVOSU_E2E_SESSION"


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def wait_for(what, condition, timeout=TIMEOUT_S):
    """Calls condition until it returns something true, and returns that.
    An accessibility call that fails (an object going away while it is read)
    counts as not yet. Raises Failure naming what after timeout seconds."""
    deadline = time.monotonic() + timeout
    error = None
    while True:
        try:
            value = condition()
            if value:
                return value
        except GLib.Error as failed:
            error = failed
        if time.monotonic() > deadline:
            raise Failure(f"timed out waiting for {what}" + (f" ({error})" if error else ""))
        time.sleep(POLL_S)


def question_file_bytes(drill, title, encoding):
    lines = [title]
    for question, answer, mark, _ in drill:
        lines.append(f"{question} {answer} {mark}" if mark else f"{question} {answer}")
    return "".join(line + "\r\n" for line in lines).encode(encoding)


def install(program, prefix):
    """Lays out the program as the package installs it under prefix, with
    its help page and a read-only drills folder holding READY_DRILL; returns
    the program's path there."""
    share = os.path.join(prefix, "share", "tavosu")
    shutil.copytree(os.path.join(os.path.dirname(program), "..", "share", "tavosu", "help"),
                    os.path.join(share, "help"))
    drills = os.path.join(share, "drills")
    os.makedirs(os.path.join(drills, READY_YEAR))
    with open(os.path.join(drills, READY_YEAR, READY_SET + ".txt"), "wb") as out:
        out.write(question_file_bytes(READY_DRILL, f"# {READY_YEAR} 音読み 1/1", "utf-8"))
    for folder, _, names in os.walk(drills):
        for name in names:
            os.chmod(os.path.join(folder, name), 0o444)
        os.chmod(folder, 0o555)
    installed = os.path.join(prefix, "bin", "tavosu")
    os.makedirs(os.path.dirname(installed))
    shutil.copy(program, installed)
    return installed


# Era stamps, worked out here from the calendar rather than through the
# ICU calendar the program uses.
REIWA_START = datetime.date(2019, 5, 1)


def era_stamp(moment):
    check(moment.date() >= REIWA_START, f"the clock reads {moment}, before the present era")
    return (f"令和 {moment.year - 2018:02d}年{moment.month:02d}月{moment.day:02d}日"
            f"{moment.hour:02d}時{moment.minute:02d}分{moment.second:02d}秒")


def stamps_between(first, last):
    """Maps the stamp of every whole second from first to last (datetimes)
    to that second."""
    moment = first.replace(microsecond=0)
    stamps = {}
    while moment <= last:
        stamps[era_stamp(moment)] = moment
        moment += datetime.timedelta(seconds=1)
    return stamps


def score_text(right, answered):
    """The "###" pattern of a percentage: halves away from zero, empty for 0.
    answered is not 0."""
    points = int(right * 100 / answered + 0.5)
    return str(points) if points else ""


class Session:
    """Xvfb, a session bus and the program, all ended by close()."""

    def __init__(self, scratch, artifacts):
        self.scratch = scratch
        self.artifacts = artifacts
        self.processes = []
        self.program = None
        self.display = None
        self.env = None

    def start(self, program, cwd, path_prefix=None):
        self.start_desktop()
        self.start_program(program, cwd, path_prefix)

    def start_desktop(self):
        """Starts Xvfb and the session bus, and points this process at them."""
        runtime = os.path.join(self.scratch, "runtime")
        home = os.path.join(self.scratch, "home")
        os.mkdir(runtime, 0o700)
        os.makedirs(os.path.join(home, ".config"))
        # A Japanese desktop's documents folder, not made yet.
        with open(os.path.join(home, ".config", "user-dirs.dirs"), "w") as out:
            out.write(f'XDG_DOCUMENTS_DIR="$HOME/{DOCUMENTS}"\n')
        self.display = self._start_xvfb()
        base = {k: v for k, v in os.environ.items()
                if k not in ("WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "AT_SPI_BUS_ADDRESS",
                             "SESSION_MANAGER", "XAUTHORITY")}
        base.update({SESSION_VARIABLE: self.scratch})
        base.update(DISPLAY=self.display, XDG_RUNTIME_DIR=runtime, HOME=home,
                    XDG_CONFIG_HOME=os.path.join(home, ".config"),
                    XDG_CACHE_HOME=os.path.join(home, ".cache"),
                    XDG_DATA_HOME=os.path.join(home, ".local", "share"),
                    LANG="C.UTF-8", LC_ALL="C.UTF-8")
        bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=base)
        self.processes.append(bus)
        address = bus.stdout.readline().decode().strip()
        check(address, "the session bus did not start")
        base["DBUS_SESSION_BUS_ADDRESS"] = address
        self.env = base
        # This process reads the accessibility tree over the same buses.
        os.environ.update(DISPLAY=self.display, DBUS_SESSION_BUS_ADDRESS=address,
                          XDG_RUNTIME_DIR=runtime)

    def start_program(self, program, cwd, path_prefix=None):
        program_env = dict(self.env, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
        if path_prefix:
            program_env["PATH"] = path_prefix + os.pathsep + program_env.get("PATH", "")
        log = open(os.path.join(self.artifacts, "program.log"), "wb")
        self.program = subprocess.Popen([program], cwd=cwd, env=program_env,
                                        stdout=log, stderr=subprocess.STDOUT)
        log.close()
        self.processes.append(self.program)

    def _start_xvfb(self):
        read_fd, write_fd = os.pipe()
        xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1024x768x24",
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.processes.append(xvfb)
        os.close(write_fd)
        number = b""
        while not number.endswith(b"\n"):
            chunk = os.read(read_fd, 16)
            if not chunk:
                break
            number += chunk
        os.close(read_fd)
        check(number.strip(), "Xvfb did not start")
        return ":" + number.decode().strip()

    def xdotool(self, *args):
        subprocess.run(["xdotool", *args], env=self.env, check=True)

    def screenshot(self, name):
        subprocess.run(["import", "-window", "root", os.path.join(self.artifacts, name + ".png")],
                       env=self.env, check=True)

    def close(self):
        """Ends the program, then everything the session bus started (which
        dbus detaches from it, so it is found by its environment), the bus
        and Xvfb."""
        if self.program is not None:
            end(self.program)
        for pid in self._bus_started():
            try:
                os.kill(pid, signal.SIGTERM)
            except ProcessLookupError:
                continue
            wait_gone(pid)
        for process in reversed(self.processes):
            end(process)

    def _bus_started(self):
        """The processes that carry this session's environment, but not the
        ones it started itself."""
        marker = b"\0" + f"{SESSION_VARIABLE}={self.scratch}".encode() + b"\0"
        own = {os.getpid()} | {p.pid for p in self.processes}
        found = []
        for entry in os.listdir("/proc"):
            if not entry.isdigit() or int(entry) in own:
                continue
            try:
                with open(f"/proc/{entry}/environ", "rb") as environ:
                    if marker in b"\0" + environ.read():
                        found.append(int(entry))
            except OSError:
                continue
        return found


def end(process):
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


def wait_gone(pid):
    """Waits until pid has exited (a zombie counts as exited), at worst
    killing it."""
    deadline = time.monotonic() + 10
    while time.monotonic() < deadline:
        try:
            with open(f"/proc/{pid}/stat") as stat:
                if stat.read().rsplit(")", 1)[1].split()[0] == "Z":
                    return
        except OSError:
            return
        time.sleep(POLL_S)
    try:
        os.kill(pid, signal.SIGKILL)
    except ProcessLookupError:
        pass


# Reading the screen.


def walk(node):
    if node is None:
        return
    yield node
    for i in range(node.get_child_count()):
        yield from walk(node.get_child_at_index(i))


def find(root, role, name=None):
    for node in walk(root):
        if node.get_role_name() == role and (name is None or node.get_name() == name):
            return node
    return None


def has_state(node, state):
    return node.get_state_set().contains(state)


def text_of(node):
    return Atspi.Text.get_text(node, 0, Atspi.Text.get_character_count(node))


def center(node):
    box = Atspi.Component.get_extents(node, Atspi.CoordType.SCREEN)
    check(box.width > 0 and box.height > 0, f"{node.get_name()!r} is not on the screen")
    return box.x + box.width // 2, box.y + box.height // 2


class Screen:
    """The program as the accessibility tree shows it."""

    def __init__(self, session):
        self.session = session
        self.app = wait_for("the program in the accessibility tree", self._find_app)
        self.app.set_cache_mask(Atspi.Cache.NONE)

    def _find_app(self):
        desktop = Atspi.get_desktop(0)
        for i in range(desktop.get_child_count()):
            app = desktop.get_child_at_index(i)
            if app is not None and app.get_process_id() == self.session.program.pid:
                if self.session.program.poll() is None and app.get_child_count() > 0:
                    return app
        check(self.session.program.poll() is None, "the program ended")
        return None

    def top_levels(self):
        return [self.app.get_child_at_index(i) for i in range(self.app.get_child_count())]

    def window(self):
        for top in self.top_levels():
            if top.get_role_name() == "frame" and top.get_name() == "Tavosu":
                return top
        raise Failure("the main window is gone")

    def control(self, role, name):
        node = find(self.window(), role, name)
        check(node is not None, f"no {role} named {name!r}")
        return node

    def question(self):
        return text_of(self.control("text", "問題"))

    def answer(self):
        return text_of(self.control("text", "答え"))

    def buttons(self):
        """The enabled flags of 答えは, ○, ×, 採点, like "1001"."""
        return "".join("1" if has_state(self.control("push button", name), Atspi.StateType.ENABLED)
                       else "0" for name in BUTTONS)

    def message_box(self):
        """The message box on screen, or None."""
        for top in self.top_levels():
            if top.get_role_name() in ("alert", "dialog") and top.get_name() == TITLE:
                if has_state(top, Atspi.StateType.SHOWING):
                    return top
        return None

    def file_dialog(self):
        for top in self.top_levels():
            if top.get_role_name() == "dialog" and top.get_name() != TITLE:
                if has_state(top, Atspi.StateType.SHOWING):
                    return top
        return None

    # Acting as a person.

    def click(self, node):
        x, y = center(node)
        self.session.xdotool("mousemove", str(x), str(y), "click", "1")

    def press(self, name):
        button = self.control("push button", name)
        check(has_state(button, Atspi.StateType.ENABLED), f"{name} cannot be pressed")
        self.click(button)

    def menu(self, title, item):
        self.click(self.control("menu item", title))
        entry = find(self.window(), "menu item", item)
        wait_for(f"the menu entry {item}", lambda: has_state(entry, Atspi.StateType.SHOWING)
                 and Atspi.Component.get_extents(entry, Atspi.CoordType.SCREEN).width > 0)
        self.click(entry)

    def dismiss(self, box):
        ok = find(box, "push button")
        check(ok is not None, "the message box has no button")
        self.click(ok)
        wait_for("the message box to close", lambda: self.message_box() is None)

    def message(self):
        """Waits for a message box; returns it with its title and text."""
        box = wait_for("a message box", self.message_box)
        texts = [n.get_name() for n in walk(box) if n.get_role_name() == "label" and n.get_name()]
        buttons = [n.get_name() for n in walk(box) if n.get_role_name() == "push button"]
        check(len(buttons) == 1, f"the message box has the buttons {buttons}")
        return box, box.get_name(), texts


# What a screen reader says of each control: (role, name) and description.
ANNOUNCED = [
    ("label", "問題", "問題欄の見出し"),
    ("text", "問題", "表示中の問題"),
    ("text", "答え", "表示された答え"),
    ("push button", "答えは", "答えを表示します"),
    ("push button", "まる", "正解として記録します"),
    ("push button", "ばつ", "不正解として記録します"),
    ("push button", "採点", "結果をファイルに保存します"),
]


def check_announcements(screen):
    for role, name, description in ANNOUNCED:
        said = screen.control(role, name).get_description()
        check(said == description, f"the {role} {name} is described as {said!r}")
    labels = [target.get_name()
              for relation in screen.control("text", "問題").get_relation_set()
              if relation.get_relation_type() == Atspi.RelationType.LABELLED_BY
              for target in (relation.get_target(i) for i in range(relation.get_n_targets()))]
    check(labels == ["問題"], f"the question box is labelled by {labels}")


# The drill, played.


def open_by_typing(screen, name):
    """Open, typing name into the dialog's file name box."""
    screen.menu("ﾌｧｲﾙ", "開く")
    dialog = wait_for("the open dialog", screen.file_dialog)
    name_box = find(dialog, "text", FILE_NAME_BOX)
    check(name_box is not None, "the open dialog has no file name box")
    wait_for("the file name box to take the keyboard",
             lambda: has_state(name_box, Atspi.StateType.FOCUSED))
    screen.session.xdotool("type", name)
    wait_for(f"{name} in the file name box", lambda: text_of(name_box) == name)
    screen.session.xdotool("key", "Return")
    wait_for("the open dialog to close", lambda: screen.file_dialog() is None)


def open_by_clicking(screen, name):
    """Open, clicking name in the dialog's list of files and then Open."""
    screen.menu("ﾌｧｲﾙ", "開く")
    dialog = wait_for("the open dialog", screen.file_dialog)
    screen.click(wait_for(f"{name} in the list of files", lambda: shown_cell(dialog, name)))
    name_box = find(dialog, "text", FILE_NAME_BOX)
    wait_for(f"{name} in the file name box", lambda: text_of(name_box) == name)
    screen.click(find(dialog, "push button", OPEN_BUTTON))
    wait_for("the open dialog to close", lambda: screen.file_dialog() is None)


def play(screen, asked_from, grades, shots=None):
    """Plays questions until the closing message and dismisses it. asked_from
    maps each question that may come to its answer; grades maps it to "○" or
    "×". Returns the questions in the order they were asked."""
    shots = dict(shots or {})
    asked = []
    question = wait_for("a question", screen.question)
    while True:
        check(question in asked_from, f"{question!r} was asked")
        check(question not in asked, f"{question!r} was asked twice")
        asked.append(question)
        check(screen.answer() == "", f"the answer box shows {screen.answer()!r} before 答えは")
        check(screen.buttons() == "1001", f"buttons {screen.buttons()} with the answer hidden")
        if "question" in shots:
            screen.session.screenshot(shots.pop("question"))

        screen.press("答えは")
        answer = asked_from[question]
        wait_for(f"the answer {answer}", lambda: screen.answer() == answer)
        wait_for("○ and × to come on", lambda: screen.buttons() == "0111")
        check(screen.question() == question, "the question changed on 答えは")
        if "answer" in shots:
            screen.session.screenshot(shots.pop("answer"))

        screen.press(NAMED[grades[question]])
        if len(asked) == len(asked_from):
            break
        wait_for("the next question",
                 lambda: screen.question() != question and screen.answer() == "")
        question = screen.question()

    box, title, texts = screen.message()
    check(title == TITLE, f"the closing message is titled {title!r}")
    check(texts == [CLOSING_MESSAGE], f"the closing message reads {texts}")
    # The message comes before the answer box is cleared.
    check(screen.answer() == asked_from[question], "the last answer went before the message")
    check(screen.buttons() == "0001", f"buttons {screen.buttons()} at the closing message")
    if "closing" in shots:
        screen.session.screenshot(shots.pop("closing"))
    screen.dismiss(box)
    wait_for("the answer box to clear", lambda: screen.answer() == "")
    check(screen.question() == question, "the last question left the question box")
    check(screen.buttons() == "0001", f"buttons {screen.buttons()} after the drill")
    return asked


def expected_results(drill, graded, stamp, encoding):
    right = sum(1 for mark in graded.values() if mark == "○")
    lines = ["# 漢字テストの結果です。", "# テストを行った日時は、" + stamp, "#"]
    for question, answer, _, _ in drill:
        mark = graded.get(question)
        lines.append(f"{question} {answer} {mark}" if mark else f"{question} {answer}")
    lines.append(f"# 正解は、 {right}/ {len(graded)}/ {len(drill)} です。"
                 f"({score_text(right, len(graded))}点)")
    return "".join(line + "\r\n" for line in lines).encode(encoding)


def score(screen, folder, drill, graded, encoding, shot=None):
    """Presses 採点 and checks the summary, which comes with no dialog, and
    the one new results file in folder, dated now, against the drill so
    graded; returns that file's name."""
    earlier = set(os.listdir(folder)) if os.path.isdir(folder) else set()
    before = datetime.datetime.now()
    screen.press("採点")
    box, title, texts = screen.message()
    after = datetime.datetime.now()
    check(screen.file_dialog() is None, "scoring asked for a place")
    right = sum(1 for mark in graded.values() if mark == "○")
    summary = f" {len(graded)}問中、 {right}問正解です。({score_text(right, len(graded))}点です)"
    check(title == TITLE, f"the summary is titled {title!r}")
    check(texts == [summary], f"the summary reads {texts}, not {summary!r}")
    if shot:
        screen.session.screenshot(shot)
    screen.dismiss(box)
    check(screen.buttons() == "0001", f"buttons {screen.buttons()} after scoring")

    results = [n for n in os.listdir(folder) if n not in earlier]
    check(len(results) == 1, f"scoring added {results} to {folder}")
    name = results[0]
    match = re.fullmatch(r"採点-(.*)\.txt", name)
    check(match is not None, f"the results file is named {name!r}")
    dated = stamps_between(before, after)
    check(match.group(1) in dated, f"{name!r} is not dated now")
    # Line 2 takes its own reading of the clock, up to a second later.
    named = dated[match.group(1)]
    allowed = [expected_results(drill, graded, era_stamp(moment), encoding)
               for moment in (named, named + datetime.timedelta(seconds=1))]
    with open(os.path.join(folder, name), "rb") as results_file:
        written = results_file.read()
    check(written in allowed, f"the results file holds {written!r}, not {allowed[0]!r}")
    return name


def play_ready_drill(screen, home):
    """Opens the ready drill as a learner finds it, under 「問題集」 in the
    open dialog, plays it, scores it, and drills its misses from where the
    results went."""
    screen.menu("ﾌｧｲﾙ", "開く")
    dialog = wait_for("the open dialog", screen.file_dialog)
    screen.click(wait_for("問題集 in the sidebar", lambda: find(dialog, "list item", "問題集")))
    year = wait_for(f"{READY_YEAR} in the list of files", lambda: shown_cell(dialog, READY_YEAR))
    x, y = center(year)
    screen.session.xdotool("mousemove", str(x), str(y), "click", "--repeat", "2", "1")
    screen.click(wait_for(f"{READY_SET}.txt in {READY_YEAR}",
                          lambda: shown_cell(dialog, READY_SET + ".txt")))
    screen.click(find(dialog, "push button", OPEN_BUTTON))
    wait_for("the open dialog to close", lambda: screen.file_dialog() is None)
    answers = {q: a for q, a, _, _ in READY_DRILL}
    grades = {q: grade for q, _, _, grade in READY_DRILL}
    asked = play(screen, answers, grades)
    check(sorted(asked) == sorted(answers), f"the ready drill asked {asked}")
    folder = os.path.join(home, DOCUMENTS, "Tavosu", READY_YEAR, READY_SET)
    name = score(screen, folder, READY_DRILL, grades, "utf-8", shot="6-ready-drill-scored")

    # The next Open starts at that results file.
    screen.menu("ﾌｧｲﾙ", "開く")
    dialog = wait_for("the open dialog", screen.file_dialog)
    name_box = find(dialog, "text", FILE_NAME_BOX)
    wait_for(f"{name} in the file name box", lambda: text_of(name_box) == name)
    wait_for(f"{name} in the list of files", lambda: shown_cell(dialog, name))
    screen.session.screenshot("7-open-at-the-results")
    screen.session.xdotool("key", "Return")
    wait_for("the open dialog to close", lambda: screen.file_dialog() is None)
    missed = {q: a for q, a, _, grade in READY_DRILL if grade == "×"}
    asked = play(screen, missed, {q: "○" for q in missed})
    check(sorted(asked) == sorted(missed), f"the ready drill's results asked {asked}")
    score(screen, folder, READY_DRILL, {q: "○" for q in answers}, "utf-8")


def shown_cell(dialog, name):
    """The cell of the open dialog's list of files that shows name, or None."""
    return next((n for n in walk(dialog) if n.get_role_name() == "table cell"
                 and n.get_name() == name and has_state(n, Atspi.StateType.SHOWING)), None)


def run(program, artifacts, scratch):
    work = os.path.join(scratch, "work")
    os.mkdir(work)
    with open(os.path.join(work, QUESTION_FILE), "wb") as out:
        out.write(question_file_bytes(DRILL, "# 漢字の読み", "cp932"))
    program = install(program, os.path.join(scratch, "prefix"))
    # The help page goes to the browser through xdg-open; this one notes
    # what it was asked to open.
    opened = os.path.join(scratch, "opened-urls")
    tools = os.path.join(scratch, "bin")
    os.mkdir(tools)
    with open(os.path.join(tools, "xdg-open"), "w") as out:
        out.write(f'#!/bin/sh\nprintf "%s\\n" "$*" >> "{opened}"\n')
    os.chmod(os.path.join(tools, "xdg-open"), 0o755)

    session = Session(scratch, artifacts)
    try:
        session.start(program, work, path_prefix=tools)
        screen = Screen(session)
        wait_for("the window to show", lambda: has_state(screen.window(), Atspi.StateType.SHOWING))
        check(screen.buttons() == "0000", f"buttons {screen.buttons()} before any load")
        check(screen.question() == "" and screen.answer() == "", "the boxes start with text")
        check_announcements(screen)

        answers = {q: a for q, a, mark, _ in DRILL if mark != "○"}
        grades = {q: grade for q, _, mark, grade in DRILL if mark != "○"}
        open_by_typing(screen, QUESTION_FILE)
        asked = play(screen, answers, grades, shots={
            "question": "1-question-shown", "answer": "2-answer-revealed",
            "closing": "3-closing-message"})
        check(sorted(asked) == sorted(answers), f"asked {asked}")

        graded = {q: (mark or grade) for q, _, mark, grade in DRILL}
        name = score(screen, work, DRILL, graded, "cp932", shot="4-summary")
        shutil.copy(os.path.join(work, name), os.path.join(artifacts, "results.txt"))

        missed = {q: a for q, a, _, grade in DRILL if grade == "×"}
        open_by_clicking(screen, name)
        session.screenshot("5-results-reopened")
        asked = play(screen, missed, {q: "○" for q in missed})
        check(sorted(asked) == sorted(missed), f"the results file asked {asked}")

        play_ready_drill(screen, session.env["HOME"])

        screen.menu("ﾍﾙﾌﾟ", "使い方")
        urls = wait_for("the help page to be opened",
                        lambda: os.path.exists(opened) and open(opened).read().split())
        check(len(urls) == 1 and urls[0].startswith("file:///"), f"help opened {urls}")
        page = urls[0][len("file://"):]
        check(page.endswith("/help/index.html") and os.path.isfile(page), f"no help page {page}")

        screen.menu("ﾌｧｲﾙ", "終わる")
        wait_for("the program to end", lambda: session.program.poll() is not None)
        check(session.program.returncode == 0,
              f"the program ended with {session.program.returncode}")
    except Exception:
        if session.display is not None:
            try:
                session.screenshot("failure")
            except subprocess.CalledProcessError:
                pass
        raise
    finally:
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
    with tempfile.TemporaryDirectory(prefix="tavosu-e2e-") as scratch:
        try:
            run(os.path.abspath(args.program), args.artifacts, scratch)
        except Failure as failure:
            print(f"FAIL: {failure}", file=sys.stderr)
            log = os.path.join(args.artifacts, "program.log")
            if os.path.exists(log):
                sys.stderr.write(open(log, errors="replace").read()[-4000:])
            return 1
    print(f"passed in {time.monotonic() - started:.1f} s; screenshots in {args.artifacts}")
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Whole-program scenarios on a private X server with a window manager (tests/desktop/xsession).

The program runs as its own process, is driven by real input (XTEST, through xdotool) and is judged
from outside only: its windows by title and frame (xdotool, xwininfo, xprop), pixels of screenshots
(ImageMagick), the record file's bytes, the database's rows and the exit status.

    scenarios.py SCENARIO --program EXE --record FILE --session DIR --work DIR --demo DIR [--server DIR]

Screenshots stay in the work folder for a person to look at.
"""
import argparse
import os
import re
import shutil
import socket
import sqlite3
import subprocess
import sys
import threading
import time
from contextlib import closing

MAIN_TITLE = "修改日期为1900年前的编目、条码数据"
DBPARA_TITLE = "设置数据库【Lib】连接参数"
BOX_TITLE = "提示信息"
SPLASH_TITLE = "Quillmere"
DAY = "2003-06-10"  # the date field's start value
# Generous: the sanitizer build starts slowly. A wait that runs out is a window that never came.
WAIT = 120


def machine_paths():
    """The machine's folders, from the one file that names them for the scripts and the build."""
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts", "machine-paths")
    with open(path, encoding="utf-8") as f:
        return dict(line.strip().split("=", 1) for line in f if re.match(r"^[A-Z_]+=", line))


PGBIN = machine_paths()["POSTGRESQL_BIN_DIR"]
ODBC_DRIVERS = machine_paths()["ODBC_DRIVER_DIR"]

# Controls by their designed place in the client area: (x, y, width, height).
MAIN_BUTTON = (16, 40, 305, 25)  # btMod, the update button
MAIN_CHECKBOX = (16, 72, 129, 17)
MAIN_LABEL = (16, 24, 84, 12)
MAIN_CLOSE = (336, 40, 81, 25)
DBPARA_CANCEL = (352, 72, 121, 25)
DBPARA_UNFOLD = (352, 40, 121, 25)
DBPARA_ODBC = (8 + 72, 112 + 16, 121, 20)
DBPARA_SAVE = (8 + 336, 112 + 56, 121, 25)
SPLASH_TEXT = (16, 56, 200, 15)
SPLASH_LOGO = (296, 8, 33, 33)
SPLASH_SHELF = (0, 230, 400, 70)


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def wait_for(probe, what, timeout=WAIT):
    """Polls probe until it returns something true, and returns that."""
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure("never happened: " + what)
        time.sleep(0.1)


def tool(*command, ok=True):
    result = subprocess.run(command, capture_output=True, text=True)
    if ok and result.returncode != 0:
        raise Failure(f"{' '.join(command)} failed: {result.stderr.strip()}")
    return result.stdout


# ---------------------------------------------------------------- windows


def visible_windows(pid):
    """The program's mapped top-level windows: {window id: title}."""
    out = tool("xdotool", "search", "--onlyvisible", "--pid", str(pid), ok=False)
    windows = {}
    for wid in out.split():
        name = subprocess.run(["xdotool", "getwindowname", wid], capture_output=True, text=True)
        if name.returncode == 0:  # else gone since the search
            windows[wid] = name.stdout.strip()
    return windows


def window(program, title):
    """Waits for the program's visible window of that title, and returns its id."""

    def find():
        program.check_running()
        return next((wid for wid, t in visible_windows(program.pid).items() if t == title), None)

    return wait_for(find, f"a window titled {title}")


def client_geometry(wid):
    fields = {}
    for line in tool("xwininfo", "-id", wid).splitlines():
        key, _, value = line.strip().partition(":")
        fields[key] = value.strip()
    return (int(fields["Absolute upper-left X"]), int(fields["Absolute upper-left Y"]), int(fields["Width"]),
            int(fields["Height"]))


def frame_extents(wid):
    """(left, right, top, bottom) as the window manager set them, None where it set none."""
    out = tool("xprop", "-id", wid, "_NET_FRAME_EXTENTS", ok=False)
    if "=" not in out:
        return None
    return tuple(int(v) for v in out.split("=", 1)[1].split(","))


def screen_size():
    out = tool("xwininfo", "-root")
    width = int(out.split("Width:")[1].split()[0])
    height = int(out.split("Height:")[1].split()[0])
    return width, height


def check_centred(desktop, wid, name):
    """The outer window, frame and title bar included, in the middle of the screen; the screen's
    picture is kept."""
    extents = wait_for(lambda: frame_extents(wid), f"the frame extents of {name}")
    left, right, top, bottom = extents
    check(top > 0, f"{name}: the window manager gave it no title bar ({extents})")
    x, y, w, h = client_geometry(wid)
    outer = (x - left, y - top, w + left + right, h + top + bottom)
    width, height = screen_size()
    picture = "screen-" + name.removeprefix("the ").replace(" ", "-") + ".png"
    tool("import", "-window", "root", os.path.join(desktop.args.work, picture))
    # Centred to the pixel: the halves may differ by the odd pixel only.
    off_x = 2 * outer[0] + outer[2] - width
    off_y = 2 * outer[1] + outer[3] - height
    check(abs(off_x) <= 1 and abs(off_y) <= 1,
          f"{name}: outer window {outer} is not centred on the {width}x{height} screen "
          f"(client {x, y, w, h}, frame {extents})")


def press_keys(wid, *keys):
    wait_for(lambda: tool("xdotool", "getactivewindow", ok=False).strip() == wid, "the window to be active")
    tool("xdotool", "key", "--clearmodifiers", *keys)


def type_text(wid, text):
    wait_for(lambda: tool("xdotool", "getactivewindow", ok=False).strip() == wid, "the window to be active")
    tool("xdotool", "type", "--clearmodifiers", "--delay", "30", text)


def click(wid, control):
    x, y, _, _ = client_geometry(wid)
    cx, cy, cw, ch = control
    tool("xdotool", "mousemove", str(x + cx + cw // 2), str(y + cy + ch // 2), "click", "1")


# ---------------------------------------------------------------- pixels


class Shot:
    """A screenshot of one window, its pixels as (r, g, b) by row."""

    def __init__(self, wid, path):
        tool("import", "-window", wid, path)
        size = tool("identify", "-format", "%w %h", path).split()
        self.width, self.height = int(size[0]), int(size[1])
        self.raw = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], capture_output=True, check=True).stdout
        self.path = path

    def pixels(self, area):
        x0, y0, w, h = area
        for y in range(y0, min(y0 + h, self.height)):
            row = y * self.width * 3
            for x in range(x0, min(x0 + w, self.width)):
                i = row + 3 * x
                yield self.raw[i], self.raw[i + 1], self.raw[i + 2]

    def darkest(self, area):
        return min(sum(p) // 3 for p in self.pixels(area))

    def count(self, area, predicate):
        return sum(1 for p in self.pixels(area) if predicate(*p))


def inner(area, margin=4):
    x, y, w, h = area
    return (x + margin, y + margin, w - 2 * margin, h - 2 * margin)


def check_splash_painted(shot):
    """The splash's picture (its shelf of books), its logo and its text are on the screen."""
    colours = len(set(shot.pixels(SPLASH_SHELF)))
    blue_text = shot.count(SPLASH_TEXT, lambda r, g, b: b > 150 and r < 120 and g < 120)
    logo = shot.count(SPLASH_LOGO, lambda r, g, b: r > 150 and g < 120 and b < 120 or r > 200 and g > 150 and b < 100)
    black = shot.count((0, 0, shot.width, shot.height), lambda r, g, b: r + g + b < 30)
    check(colours > 20 and blue_text > 30 and logo > 20 and black < shot.width * shot.height // 10,
          f"the splash is not painted in {shot.path}: {colours} colours on the shelf, {blue_text} text pixels, "
          f"{logo} logo pixels, {black} black pixels")


# ---------------------------------------------------------------- the program


class Program:
    runs = 0

    def __init__(self, args, env):
        Program.runs += 1
        self.log = os.path.join(args.work, f"program-{Program.runs}.log")
        with open(self.log, "wb") as log:
            self.process = subprocess.Popen([args.program], env=env, stdout=log, stderr=subprocess.STDOUT,
                                            stdin=subprocess.DEVNULL)
        self.pid = self.process.pid

    def check_running(self):
        code = self.process.poll()
        if code is not None:
            raise Failure(f"the program ended early, {describe(code)}\n{self.output()}")

    def output(self):
        with open(self.log, encoding="utf-8", errors="replace") as log:
            return log.read()

    def exit_code(self):
        try:
            return self.process.wait(WAIT)
        except subprocess.TimeoutExpired:
            raise Failure("the program did not end")

    def check_exit(self, how):
        code = self.exit_code()
        check(code == 0, f"after {how} the program ended {describe(code)}\n{self.output()}")

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()


def describe(code):
    return f"killed by signal {-code}" if code < 0 else f"with status {code}"


# ---------------------------------------------------------------- data


def encode_digits(text):
    """The record's digit code: each byte as four base-4 digits written 0, 3, 4, 7."""
    return "".join("".join("0347"[(b >> s) & 3] for s in (6, 4, 2, 0)) for b in text.encode())


def repaired(bianma, tiaoma):
    """The rows as the four update statements leave them."""
    old = lambda d: d is not None and d <= "1900-01-01"
    fix = lambda d: DAY if old(d) else d
    bianma = [(i, fix(d)) for i, d in bianma]
    tiaoma = [(i, fix(log), fix(init), fix(yy) if mark is not None and mark != "9" else yy, mark)
              for i, log, init, yy, mark in tiaoma]
    return bianma, tiaoma


BIANMA = "select bm_id, bm_date from lib_bianma order by bm_id"
TIAOMA = "select tm_id, tm_logdate, tm_initdate, tm_yydate, tm_mark from lib_tiaoma order by tm_id"


class SqliteLibrary:
    def __init__(self, args):
        self.file = os.path.join(args.work, "library.db")
        for suffix in ("", "-journal"):
            if os.path.exists(self.file + suffix):
                os.remove(self.file + suffix)
        with closing(sqlite3.connect(self.file)) as db:
            for name in ("library-sqlite.sql", "library-rows.sql"):
                with open(os.path.join(args.demo, name), encoding="utf-8") as sql:
                    db.executescript(sql.read())
            db.commit()

    def data_source(self):
        return f"Driver={ODBC_DRIVERS}/libsqlite3odbc.so\nDatabase={self.file}\n"

    def rows(self):
        with closing(sqlite3.connect(self.file)) as db:
            return db.execute(BIANMA).fetchall(), db.execute(TIAOMA).fetchall()

    # A file: nothing of the connection is seen from outside once the process is gone.
    def start_counting(self):
        pass

    def check_closed(self):
        pass


class PostgresLibrary:
    """A database of its own on the server fixture, so that other tests on that server never meet it."""

    def __init__(self, args):
        with open(os.path.join(args.server, "port")) as f:
            self.port = f.read().strip()
        self.psql("redate", "postgres", "-c", "drop database if exists desktop", "-c",
                  "create database desktop owner sa")
        self.psql("sa", "desktop", "-f", os.path.join(args.demo, "library-postgresql.sql"), "-f",
                  os.path.join(args.demo, "library-rows.sql"))

    def psql(self, user, database, *arguments):
        return tool(f"{PGBIN}/psql", "-X", "-q", "-At", "-F", "|", "-v", "ON_ERROR_STOP=1", "-P", "null=\x01",
                    "-h", "127.0.0.1", "-p", self.port, "-U", user, "-d", database, *arguments)

    def data_source(self):
        return f"Driver={ODBC_DRIVERS}/psqlodbcw.so\nServername=127.0.0.1\nPort={self.port}\nDatabase=desktop\n"

    def rows(self):
        def table(query, ints):
            rows = []
            for line in self.psql("sa", "desktop", "-c", query).splitlines():
                values = [None if v == "\x01" else v for v in line.split("|")]
                rows.append(tuple(int(v) if i in ints else v for i, v in enumerate(values)))
            return rows

        return table(BIANMA, {0}), table(TIAOMA, {0})

    def sessions(self):
        """(sessions, sessions abandoned) of the database so far, once none is open."""
        wait_for(lambda: self.psql("redate", "postgres", "-c", "select count(*) from pg_stat_activity "
                                   "where datname = 'desktop'").strip() == "0", "the database's sessions to end")
        line = self.psql("redate", "postgres", "-c", "select sessions, sessions_abandoned from pg_stat_database "
                         "where datname = 'desktop'")
        return tuple(int(v) for v in line.strip().split("|"))

    def start_counting(self):
        self.before = self.sessions()

    def check_closed(self):
        """The program's session was closed, not abandoned (the server counts a session whose client
        went without saying so). Nothing else opens one meanwhile."""
        counted = wait_for(lambda: (c := self.sessions())[0] > self.before[0] and c, "the session's statistics")
        check(counted[1] == self.before[1], f"the connection was not closed: the server lost {counted[1]} sessions")


# ---------------------------------------------------------------- scenarios


class Desktop:
    def __init__(self, args):
        self.args = args
        os.makedirs(args.work, exist_ok=True)
        with open(os.path.join(args.session, "display")) as f:
            display = f.read().strip()
        runtime = os.path.join(args.work, "runtime")
        os.makedirs(runtime, mode=0o700, exist_ok=True)
        self.env = {k: v for k, v in os.environ.items() if not k.startswith("QT_")}
        self.env.update(DISPLAY=display, XDG_RUNTIME_DIR=runtime, LANG="C.UTF-8", LC_ALL="C.UTF-8",
                        ODBCSYSINI=args.work, ODBCINI=os.path.join(args.work, "odbc.ini"))
        os.environ["DISPLAY"] = display
        with open(os.path.join(args.work, "odbcinst.ini"), "w") as f:
            f.write("")
        for suffix in ("", ".lock", ".tmp"):
            if os.path.exists(args.record + suffix):
                os.remove(args.record + suffix)
        self.programs = []

    def data_sources(self, **sources):
        with open(self.env["ODBCINI"], "w") as f:
            for name, text in sources.items():
                f.write(f"[{name}]\n{text}\n")

    def start(self):
        program = Program(self.args, self.env)
        self.programs.append(program)
        return program

    def shot(self, wid, name):
        return Shot(wid, os.path.join(self.args.work, name + ".png"))

    def close(self):
        for program in self.programs:
            program.kill()


def whole_run(desktop, library):
    """Start, the date-repair dialog centred, the update button's look before and after the tick,
    update, Yes, the completion box, Alt+F4, the connection closed, the rows."""
    desktop.data_sources(LibODBC=library.data_source())
    before = library.rows()
    library.start_counting()
    program = desktop.start()
    main = window(program, MAIN_TITLE)
    check_centred(desktop, main, "the date-repair dialog")

    # Once painted (its label is black), the disabled button's caption is drawn in a lighter colour,
    # the label and the red check box keep theirs.
    shot = wait_for(lambda: (s := desktop.shot(main, "date-repair-disabled")).darkest(MAIN_LABEL) < 60 and s,
                    "the date-repair dialog to be painted")
    check(shot.darkest(inner(MAIN_BUTTON)) > 100,
          f"the disabled update button's caption is drawn dark ({shot.darkest(inner(MAIN_BUTTON))}) in {shot.path}")
    check(shot.count(MAIN_CHECKBOX, lambda r, g, b: r > 180 and g < 80 and b < 80) > 20,
          f"the check box text is not red in {shot.path}")

    click(main, MAIN_CHECKBOX)
    shot = wait_for(lambda: (s := desktop.shot(main, "date-repair-enabled")).darkest(inner(MAIN_BUTTON)) < 60 and s,
                    "the update button to look enabled after the tick")
    check(shot.darkest(MAIN_LABEL) < 60, f"the label lost its colour in {shot.path}")

    click(main, MAIN_BUTTON)
    question = window(program, BOX_TITLE)
    press_keys(question, "y")
    done = wait_for(lambda: next((w for w, t in visible_windows(program.pid).items()
                                  if t == BOX_TITLE and w != question), None), "the completion box")
    press_keys(done, "Return")
    wait_for(lambda: done not in visible_windows(program.pid), "the completion box to close")
    press_keys(main, "alt+F4")
    program.check_exit("Alt+F4 on the date-repair dialog")
    library.check_closed()
    after = library.rows()
    check(after == repaired(*before), f"the rows after the repair:\n{after}")


def run_sqlite(desktop):
    whole_run(desktop, SqliteLibrary(desktop.args))


def run_postgresql(desktop):
    whole_run(desktop, PostgresLibrary(desktop.args))


class SilentServer:
    """A listener on loopback that accepts and answers nothing until released; later connections
    are closed at once."""

    def __init__(self):
        self.listener = socket.create_server(("127.0.0.1", 0))
        self.port = self.listener.getsockname()[1]
        self.accepted = threading.Event()
        self.released = threading.Event()
        threading.Thread(target=self.serve, daemon=True).start()

    def serve(self):
        first, _ = self.listener.accept()
        self.accepted.set()
        self.released.wait()
        first.close()
        self.listener.settimeout(0.2)
        while True:
            try:
                self.listener.accept()[0].close()
            except socket.timeout:
                continue
            except OSError:
                return


def slow_server(desktop):
    """The splash painted for the whole connection attempt, then the connection dialog, centred,
    with no box in between; Alt+F4."""
    server = SilentServer()
    desktop.data_sources(LibODBC=f"Driver={ODBC_DRIVERS}/psqlodbcw.so\nServername=127.0.0.1\n"
                         f"Port={server.port}\nDatabase=library\n")
    program = desktop.start()
    wait_for(server.accepted.is_set, "the connection attempt")
    splash = window(program, SPLASH_TITLE)
    check_splash_painted(desktop.shot(splash, "splash-attempt-begins"))
    time.sleep(3)  # the server keeps silent a while
    check_splash_painted(desktop.shot(splash, "splash-attempt-ends"))
    server.released.set()

    seen = set()

    def dialog():
        windows = visible_windows(program.pid)
        seen.update(windows.values())
        return next((w for w, t in windows.items() if t == DBPARA_TITLE), None)

    wid = wait_for(dialog, "the connection dialog")
    check(seen <= {SPLASH_TITLE, DBPARA_TITLE}, f"windows between the splash and the dialog: {seen}")
    check_centred(desktop, wid, "the connection dialog")
    desktop.shot(wid, "connection-dialog")
    press_keys(wid, "alt+F4")
    program.check_exit("Alt+F4 on the connection dialog")


def connection_dialog(desktop):
    """取消 ends without a record; unfold, type the three parameters, save: the record's bytes; the
    next start connects with them."""
    library = SqliteLibrary(desktop.args)
    desktop.data_sources(DesktopLib=library.data_source())  # no LibODBC: the first starts fail

    program = desktop.start()
    click(window(program, DBPARA_TITLE), DBPARA_CANCEL)
    program.check_exit("取消")
    check(not os.path.exists(desktop.args.record), "取消 wrote a record")

    program = desktop.start()
    wid = window(program, DBPARA_TITLE)
    click(wid, DBPARA_UNFOLD)
    wait_for(lambda: client_geometry(wid)[3] > 200, "the dialog to unfold")
    desktop.shot(wid, "connection-dialog-unfolded")
    click(wid, DBPARA_ODBC)
    for text in ("DesktopLib", "sa", "secret"):
        type_text(wid, text)
        press_keys(wid, "Return")
    click(wid, DBPARA_SAVE)
    program.check_exit("保存数据库连接参数")
    with open(desktop.args.record, "rb") as f:
        record = f.read()
    expected = ("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quillmere]\r\n\r\n"
                "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quillmere\\Lib]\r\n"
                f'"ODBCNAME"="DesktopLib"\r\n"USERNAME"="{encode_digits("sa")}"\r\n'
                f'"PASSWORD"="{encode_digits("secret")}"\r\n').encode()
    check(record == expected, f"the record holds {record!r}")

    program = desktop.start()
    click(window(program, MAIN_TITLE), MAIN_CLOSE)
    program.check_exit("关闭")


SCENARIOS = {f.__name__: f for f in (run_sqlite, run_postgresql, slow_server, connection_dialog)}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("scenario", choices=SCENARIOS)
    for option in ("program", "record", "session", "work", "demo"):
        parser.add_argument("--" + option, required=True)
    parser.add_argument("--server")
    args = parser.parse_args()
    shutil.rmtree(args.work, ignore_errors=True)
    desktop = Desktop(args)
    try:
        SCENARIOS[args.scenario](desktop)
    except Failure as failure:
        print(f"FAIL {args.scenario}: {failure}", file=sys.stderr)
        return 1
    finally:
        desktop.close()
    print(f"PASS {args.scenario}; screenshots in {args.work}")
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Time to the first sound, heard on a private sound server's null sink.

For each run: a fresh program folder, the player started with a 10 s tone
on the command line; the time from the launch to the song being opened, and
to the first loud block on the sink's monitor. (The monitor path itself adds
the server's start-up latency of a new stream: paplay of a WAVE file shows
about 1 s on the same set-up.) Then the song is paused through the media controls and
played again: the time from the play command to the sound coming back.

Usage: bench/first_sound.py [path/to/lyrovo] [runs]   (default build/bin/lyrovo, 5)
FIRST_SOUND_OFFLINE=1 configures a connection-check host that never resolves, so that the
start-up's connection check does not wait on the resolver.
Needs: pulseaudio, pulseaudio-utils (parec), xvfb, sox, lame, playerctl, dbus-daemon.
"""
import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import threading
import time

RATE = 44100
BLOCK = 441  # frames read from the monitor at a time: 10 ms
LOUD = 1000


def main():
    if "DBUS_SESSION_BUS_ADDRESS" not in os.environ or os.environ.get("LYROVO_BENCH_BUS") != "1":
        os.environ["LYROVO_BENCH_BUS"] = "1"
        os.execvp("dbus-run-session", ["dbus-run-session", "--", sys.executable] + sys.argv)
    binary = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build/bin/lyrovo")
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    work = tempfile.mkdtemp(prefix="first-sound-")
    children = []
    try:
        env = dict(os.environ, HOME=work, XDG_RUNTIME_DIR=work, DISPLAY=":94")
        env.pop("SDL_AUDIODRIVER", None)
        children.append(subprocess.Popen(["Xvfb", ":94", "-screen", "0", "1280x800x24", "-nolisten", "tcp"],
                                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        socket = os.path.join(work, "pulse.sock")
        with open(os.path.join(work, "server.pa"), "w") as script:
            script.write("load-module module-null-sink sink_name=benchsink rate=44100\n"
                         "set-default-sink benchsink\n"
                         f"load-module module-native-protocol-unix auth-anonymous=1 socket={socket}\n")
        children.append(subprocess.Popen(
            ["pulseaudio", "-n", "-F", os.path.join(work, "server.pa"), "--daemonize=no", "--exit-idle-time=-1",
             "--use-pid-file=false", "--log-level=error"],
            env=dict(env, DBUS_SESSION_BUS_ADDRESS="disabled:"), stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL))
        env["PULSE_SERVER"] = "unix:" + socket
        for _ in range(200):
            if os.path.exists(socket) and os.path.exists("/tmp/.X11-unix/X94"):
                break
            time.sleep(0.05)
        song = os.path.join(work, "tone.mp3")
        subprocess.run(f"sox -n -r 44100 -c 2 -b 16 -t wav - synth 10 sine 440 vol 0.5 | lame --quiet --tt Tone --ta Bench - {song}",
                       shell=True, check=True)

        launch, opening, resume = [], [], []
        for run in range(runs):
            folder = os.path.join(work, f"run{run}")
            os.makedirs(os.path.join(folder, "Images"))
            shutil.copy(binary, folder)
            shutil.copy(os.path.join(os.path.dirname(binary), "lyrovo-fetch"), folder)
            plugins = os.path.join(os.path.dirname(binary), "Plugins")
            if os.path.isdir(plugins):
                shutil.copytree(plugins, os.path.join(folder, "Plugins"))
            with open(os.path.join(folder, "Settings.ini"), "w", newline="") as ini:
                ini.write("[lyrovo]\r\nvisType=1\r\nsearchWord=0\r\n")
                if os.environ.get("FIRST_SOUND_OFFLINE") == "1":
                    # A check host that never resolves: start-up does not wait on the network.
                    ini.write("[Servers]\r\nconnectionCheck=http://check.invalid/\r\n")
            monitor = Monitor(env)
            start = time.monotonic()
            if os.environ.get("FIRST_SOUND_STAMP"): open(os.environ["FIRST_SOUND_STAMP"], "a").write(f"launch {time.strftime('%S')}.{int(time.time()*1e9)%1000000000:09d}\n")
            wrap = os.environ.get("FIRST_SOUND_WRAP", "").split()
            player = subprocess.Popen(wrap + [os.path.join(folder, "lyrovo"), song], env=env,
                                      stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            opened = wait_open(player.pid, song, 20)
            first = monitor.wait_loud(start, 20)
            launch.append(first - start if first else float("nan"))
            opening.append(opened - start if opened else float("nan"))
            time.sleep(1)
            subprocess.run(["playerctl", "-p", "lyrovo", "pause"], env=env, check=False)
            quiet = monitor.wait_quiet(0.3, 10)
            again = time.monotonic()
            subprocess.run(["playerctl", "-p", "lyrovo", "play"], env=env, check=False)
            back = monitor.wait_loud(again, 10) if quiet else None
            resume.append(back - again if back else float("nan"))
            monitor.stop()
            print(f"run {run + 1}: song opened {opening[-1] * 1000:.0f} ms and first sound "
                  f"{launch[-1] * 1000:.0f} ms after launch, "
                  f"{resume[-1] * 1000:.0f} ms after the play command", flush=True)
            player.send_signal(signal.SIGTERM)
            try:
                player.wait(30)
            except subprocess.TimeoutExpired:
                player.kill()
                player.wait()
        print(f"median: launch → song opened {statistics.median(opening) * 1000:.0f} ms, "
              f"→ first sound {statistics.median(launch) * 1000:.0f} ms; "
              f"play command → sound {statistics.median(resume) * 1000:.0f} ms")
    finally:
        for child in reversed(children):
            child.terminate()
            child.wait(10)
        shutil.rmtree(work, ignore_errors=True)


def wait_open(pid, path, timeout):
    """When the process first holds path open (the song opened to be played)."""
    deadline = time.monotonic() + timeout
    folder = f"/proc/{pid}/fd"
    while time.monotonic() < deadline:
        try:
            for fd in os.listdir(folder):
                try:
                    if os.readlink(os.path.join(folder, fd)) == path:
                        return time.monotonic()
                except OSError:
                    pass
        except OSError:
            return None
        time.sleep(0.001)
    return None


class Monitor:
    """Records the null sink's monitor and notes when each block arrived and how loud it was."""

    def __init__(self, env):
        self.process = subprocess.Popen(
            ["parec", "-d", "benchsink.monitor", "--raw", "--format=s16le", "--rate=44100", "--channels=2",
             "--latency-msec=5"], env=env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.blocks = []  # (arrival time, loud)
        self.lock = threading.Lock()
        self.thread = threading.Thread(target=self._read, daemon=True)
        self.thread.start()

    def _read(self):
        import array
        while True:
            data = self.process.stdout.read(BLOCK * 4)
            if not data:
                return
            now = time.monotonic()
            samples = array.array("h", data[: len(data) // 2 * 2])
            loud = max((abs(s) for s in samples), default=0) > LOUD
            with self.lock:
                self.blocks.append((now, loud))

    def wait_loud(self, since, timeout):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            with self.lock:
                for when, loud in self.blocks:
                    if loud and when >= since:
                        return when
            time.sleep(0.002)
        return None

    def wait_quiet(self, seconds, timeout):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            now = time.monotonic()
            with self.lock:
                recent = [loud for when, loud in self.blocks if when >= now - seconds]
            if recent and not any(recent) and len(recent) >= seconds * 50:
                return True
            time.sleep(0.01)
        return False

    def stop(self):
        self.process.terminate()
        self.process.wait(10)


if __name__ == "__main__":
    main()

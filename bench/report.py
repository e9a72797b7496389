"""Writes BENCHMARKS.md from the raw outputs of scripts/run-benchmarks.sh.

Usage: report.py RAW_DIR NOTES_FILE  (the report goes to standard output)
"""
import datetime
import json
import os
import re
import subprocess
import sys

raw, notes_path = sys.argv[1], sys.argv[2]
TICK_MS = 24.0


def text(name):
    path = os.path.join(raw, name)
    return open(path).read() if os.path.exists(path) else ""


def keyed(name):
    figures = {}
    for line in text(name).splitlines():
        parts = line.split()
        if len(parts) == 2:
            try:
                figures[parts[0]] = float(parts[1])
            except ValueError:
                pass
    return figures


def ticks(name):
    m = re.search(r"mean period: ([\d.]+) ms\s+worst deviation: ([\d.]+) ms\s+p99 deviation: "
                  r"([\d.]+) ms\s+last tick late by: ([-+\d.]+) ms\s+drift over the run: ([-+\d.]+) ms",
                  text(name))
    return [float(g) for g in m.groups()] if m else [None] * 5


def audio(name):
    m = re.search(r"buffer (\d+) frames = ([\d.]+) ms\s+trials (\d+)\s+missed (\d+)\s+mean "
                  r"([-\d.]+) ms\s+p99 ([-\d.]+) ms\s+max ([-\d.]+) ms", text(name))
    return [float(g) for g in m.groups()] if m else [None] * 7


def sim_rate(benchmark):
    path = os.path.join(raw, "puckwind_sim_bench.json")
    if not os.path.exists(path):
        return None
    for b in json.load(open(path))["benchmarks"]:
        if b["name"] == benchmark:
            for key, value in b.items():
                if "tick" in key.lower() and isinstance(value, float):
                    return value
    return None


def fmt(value, digits=2):
    return "n/a" if value is None else f"{value:.{digits}f}"


def ratio(game, base):
    if game is None or base is None or base == 0:
        return "n/a"
    return f"{game / base:.2f}x"


def machine():
    model = "unknown"
    for line in open("/proc/cpuinfo"):
        if line.startswith("model name"):
            model = line.split(":", 1)[1].strip()
            break
    mem_kb = 0
    for line in open("/proc/meminfo"):
        if line.startswith("MemTotal"):
            mem_kb = int(line.split()[1])
    cores = subprocess.run(["nproc"], capture_output=True, text=True).stdout.strip()
    return model, cores, mem_kb / 1024 / 1024


game, base = keyed("probe-game"), keyed("probe-baseline")
game_fill, base_fill = keyed("probe-game-1080"), keyed("probe-baseline-1080")
title = keyed("title")
tg, tb = ticks("ticks-game"), ticks("ticks-baseline")
ag, ab = audio("audio-game"), audio("audio-baseline")
model, cores, mem_gib = machine()
renderer = text("renderer").strip() or "unknown"


def met(ok):
    return "" if ok is None else ("yes" if ok else "**no**")


def check(value, test):
    return None if value is None else test(value)


rss_g = game.get("peak_rss_kb")
rss_b = base.get("peak_rss_kb")


def within(key, factor=1.3):
    """The row of a --title figure: the game's median against the baseline's, with a target."""
    g, b = title.get("game_" + key), title.get("baseline_" + key)
    return g, b, f"<= {factor}x baseline", check(g, lambda v: b and v <= factor * b)


def mib(row):
    g, b, target, ok = row
    return (g and g / 1024, b and b / 1024, target, ok)


rows = [
    ("Start-up to the first presented frame, launched in turn with the baseline, median (ms)",
     *within("startup_ms")),
    ("Peak resident memory two seconds into the title, VmHWM, median (MiB)",
     *mib(within("title_peak_rss_kb"))),
    ("CPU time from the launch to two seconds into the title, all threads, median (ms)",
     title.get("game_title_cpu_ms"), title.get("baseline_title_cpu_ms"), "", None),
    ("Start-up to the first presented frame, median of the launches (ms)", game.get("startup_ms"), base.get("startup_ms"),
     "<= 1.3x baseline",
     check(game.get("startup_ms"), lambda v: base.get("startup_ms") and v <= 1.3 * base["startup_ms"])),
    ("Start-up, the fastest launch (ms)", game.get("startup_min_ms"), base.get("startup_min_ms"),
     "", None),
    ("Peak resident memory, VmHWM (MiB)", rss_g and rss_g / 1024, rss_b and rss_b / 1024,
     "<= 1.3x baseline", check(rss_g, lambda v: rss_b and v <= 1.3 * rss_b)),
    ("CPU while the title waits for a click (% of a core)", game.get("idle_cpu_percent"),
     base.get("idle_cpu_percent"), "< 1%", check(game.get("idle_cpu_percent"), lambda v: v < 1)),
    ("CPU during a rally (% of a core)", game.get("play_cpu_percent"),
     base.get("play_cpu_percent"), "", None),
    ("CPU time per painted frame (ms)", game.get("cpu_ms_per_frame"),
     base.get("cpu_ms_per_frame"), "", None),
    ("Start-up to the first frame at 1920 x 1080, full screen (ms)", game_fill.get("startup_ms"),
     base_fill.get("startup_ms"), "<= 1.3x baseline",
     check(game_fill.get("startup_ms"),
           lambda v: base_fill.get("startup_ms") and v <= 1.3 * base_fill["startup_ms"])),
    ("CPU time per painted frame at 1920 x 1080 (ms)", game_fill.get("cpu_ms_per_frame"),
     base_fill.get("cpu_ms_per_frame"), "", None),
    (f"Tick mean period (ms; nominal {TICK_MS:.0f})", tg[0], tb[0], "", None),
    ("Tick worst deviation (ms)", tg[1], tb[1], "", None),
    ("Tick 99th-percentile deviation (ms)", tg[2], tb[2], "", None),
    ("Tick: lateness of the last tick against the ideal schedule (ms)", tg[3], tb[3], "", None),
    ("Tick drift over the run: median lateness of the last 100 ticks minus the first 100 (ms)",
     tg[4], tb[4], "no drift (under 1 ms)", check(tg[4], lambda v: abs(v) < 1)),
    ("Audio latency, PlayEffect to first output sample, mean (ms)", ag[4], ab[4], "", None),
    ("Audio latency, 99th percentile (ms)", ag[5], ab[5], "", None),
    ("Audio latency bound from the buffer: one period waiting + one queued (ms)",
     ag[1] and 2 * ag[1], ab[1] and 2 * ab[1], "", None),
]

def pacing():
    """frame_pacing's rows: rate, mode, min, median, max step and the share of repeated frames."""
    rows = []
    for line in text("frame-pacing").splitlines()[1:]:
        parts = line.split()
        if len(parts) == 6:
            rows.append((parts[0], parts[1], *map(float, parts[2:5]), parts[5]))
    return rows


def smooth_motion():
    """The frames at the display's rate: pacing, hand to picture, cost, each beside one a tick."""
    tick = keyed("probe-game-tick")
    fast = keyed("probe-game-144")
    lines = ["## Smooth motion\n",
             "The game draws at the display's refresh, blended between ticks, and with "
             "`--tick-paint` one picture a tick, as before; both are measured in the same run.\n",
             "Pacing (`bench/frame_pacing`): the puck's drawn step from frame to frame (table "
             "units) during a second of straight glide at 12 units a tick, which friction slows "
             "by 7% over that second. Target: the largest step within 1.15x of the smallest.\n",
             "| Frames a second | Mode | Smallest step | Median | Largest | Largest / smallest "
             "| Repeated frames | Met |",
             "|---:|---|---:|---:|---:|---:|---:|---|"]
    for rate, mode, low, mid, high, repeated in pacing():
        spread = f"{high / low:.2f}x" if low > 0 else "n/a (repeats)"
        ok = met(low > 0 and high <= 1.15 * low) if mode == "blended" else ""
        lines.append(f"| {rate} | {mode} | {low:.3f} | {mid:.3f} | {high:.3f} | {spread} | "
                     f"{repeated} | {ok} |")
    lines += ["", "Hand to picture and cost (`frame_probe` under Xvfb, which has no refresh of its "
              "own: the game's clock paces its frames at the rate given):\n",
              "| Figure | 60 Hz | 144 Hz | One picture a tick | Baseline | Target |",
              "|---|---:|---:|---:|---:|---|"]
    figures = [
        ("Input-to-present latency, mean (ms)", "latency_mean_ms", "60 Hz <= 12, 144 Hz <= 8"),
        ("Input-to-present latency, 99th percentile (ms)", "latency_p99_ms",
         "60 Hz <= 21, 144 Hz <= 12"),
        ("Input-to-present latency, worst (ms)", "latency_max_ms", ""),
        ("CPU during a rally (% of a core)", "play_cpu_percent", ""),
        ("CPU time per drawn frame (ms)", "cpu_ms_per_frame", ""),
        ("CPU while the title waits for a click (% of a core)", "idle_cpu_percent", "< 1%"),
    ]
    for name, key, target in figures:
        lines.append(f"| {name} | {fmt(game.get(key))} | {fmt(fast.get(key))} | "
                     f"{fmt(tick.get(key))} | {fmt(base.get(key))} | {target} |")
    lines += ["", "Met: mean at 60 Hz " + met(check(game.get("latency_mean_ms"), lambda v: 0 <= v <= 12))
              + ", 99th percentile at 60 Hz " + met(check(game.get("latency_p99_ms"), lambda v: 0 <= v <= 21))
              + ", mean at 144 Hz " + met(check(fast.get("latency_mean_ms"), lambda v: 0 <= v <= 8))
              + ", 99th percentile at 144 Hz " + met(check(fast.get("latency_p99_ms"), lambda v: 0 <= v <= 12))
              + ", idle " + met(check(game.get("idle_cpu_percent"), lambda v: v < 1)) + ".\n"]
    return lines


out = []
out.append("# Benchmarks\n")
out.append("Written by `make bench` (`scripts/run-benchmarks.sh build/default`, the default preset's "
           "RelWithDebInfo build) on " + datetime.datetime.now(datetime.timezone.utc)
           .strftime("%Y-%m-%d %H:%M UTC") + ". Every figure of the game is measured in the same run "
           "as the baseline, `bench/baseline.cpp`: a bare SDL2 + OpenGL program that opens the same "
           "640x480 borderless window at (0,0), presents one cleared frame, waits for a click without "
           "a timer, then presents a cleared frame with a square at the mouse's x every 24 ms; at "
           "1920 x 1080 both fill the screen, the 640x480 picture centred and scaled.\n")
out.append("## Machine\n")
out.append(f"- CPU: {model}, {cores} cores (`nproc`); memory {mem_gib:.1f} GiB")
out.append(f"- GL renderer (under Xvfb): {renderer}")
out.append(f"- Load before the run: `{text('load').strip()}`")
out.append(f"- Load after the run: `{text('load-after').strip()}`")
out.append("- The machine was shared with other builds while this ran, so every time and CPU figure "
           "is noisy; ratios from the same run are the steadier reading.\n")
out.append("## Figures\n")
out.append("| Figure | Game | Baseline | Ratio | Target | Met |")
out.append("|---|---:|---:|---:|---|---|")
for name, g, b, target, ok in rows:
    out.append(f"| {name} | {fmt(g)} | {fmt(b)} | {ratio(g, b)} | {target} | {met(ok)} |")
rally = sim_rate("BM_RallyTick")
sim_tick = sim_rate("BM_SimTickWithPlayer")
out.append(f"| puckwind-sim: rally ticks per second (game logic alone) | {fmt(rally, 0)} | "
           f"{1000 / TICK_MS:.2f} (real time) | {ratio(rally, 1000 / TICK_MS)} | | |")
out.append(f"| puckwind-sim: whole headless ticks per second (queue, procedure, player) | "
           f"{fmt(sim_tick, 0)} | {1000 / TICK_MS:.2f} (real time) | {ratio(sim_tick, 1000 / TICK_MS)} | | |")
out.append("")
out.append(f"Input latency: {int(game.get('latency_moves', 0))} moves timed for the game "
           f"({int(game.get('latency_missed', 0))} not seen within 500 ms), "
           f"{int(base.get('latency_moves', 0))} for the baseline "
           f"({int(base.get('latency_missed', 0))} missed). "
           f"Audio: {fmt(ag[2], 0)} plays timed for the game ({fmt(ag[3], 0)} missed), "
           f"{fmt(ab[2], 0)} for the baseline.\n")
out.extend(smooth_motion())
out.append("## How each figure is taken\n")
out.append(open(notes_path).read().strip() + "\n")
out.append("## Raw output\n")
for name in ["title", "probe-game", "probe-game-144", "probe-game-tick", "frame-pacing",
             "probe-baseline", "probe-game-1080", "probe-baseline-1080", "ticks-game",
             "ticks-baseline", "audio-game",
             "audio-baseline", "puckwind_sim_bench", "retained_bench", "puckwind_sound_mixer_bench"]:
    body = text(name).strip()
    if body:
        out.append(f"`{name}`:\n\n```\n{body}\n```\n")
print("\n".join(out))

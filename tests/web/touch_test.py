#!/usr/bin/env python3
"""The page on a phone's touch screen, upright and turned.
Usage: touch_test.py BUILD_WEB_DIR PUCKWIND_SIM"""
import re
import sys

sys.path.insert(0, __file__.rsplit("/", 3)[0] + "/tools/web")
import chromium_drive  # noqa: E402

chromium_drive.FLAGS.remove("--autoplay-policy=no-user-gesture-required")  # sound as on a phone
LAYOUT = """[canvas.clientWidth, canvas.clientHeight, getComputedStyle(turn).display !== 'none',
  ...[settings, end].map(b => b.getBoundingClientRect()).map(r => r.height >= 44 && r.width >= 44
  && r.bottom <= innerHeight && r.right <= innerWidth)]"""


def main(folder, sim):
    with chromium_drive.Browser(folder, 390, 844, touch=True) as page:
        page.open("puckwind.html?record&trace")
        page.wait_for("document.body.dataset.state === 'playing' && window.__frames > 0", 60)
        assert page.evaluate(LAYOUT) == [388, 291, True, True, True], page.evaluate(LAYOUT)
        page.drag(195, 400, 0, 0, 0)
        page.until(lambda: "\ndown\n" in page.page_file("/puckwind.sim") and page.evaluate(
            "Module.SDL2.audioContext.state") == "running", 10, "a tap starting match and sound")
        cursor = [320, 360]  # where the serve puts it; then the last move line's
        # 100 CSS px over pictures 388, 520 wide (x 640 / width), a finger landing elsewhere 12 down
        for size, tall, at, moved in (((390, 844), 291, (150, 400), (164, 19)),
                                      ((844, 390), 390, (200, 150), (123, 14))):
            page.touch_screen(*size)
            page.wait_for(f"canvas.clientHeight === {tall}", 10, "the re-fit")
            page.drag(*at, 100, 0)
            page.drag(at[0] + 50, at[1] + 60, 0, 12)
            cursor = [c + m for c, m in zip(cursor, moved)]
            want = "move %d %d" % tuple(cursor)
            page.until(lambda: re.findall("^move .*", page.page_file("/puckwind.sim"), re.M)[-1:]
                       == [want], 10, want)
        assert page.evaluate(LAYOUT) == [520, 390, False, True, True], page.evaluate(LAYOUT)
        page.drag(*page.evaluate("(r => [r.x + 9, r.y + 9])(end.getBoundingClientRect())"), 0, 0, 0)
        page.wait_for("document.body.dataset.state === 'ended'", 10, "End")
        trace = chromium_drive.native_trace(sim, page.page_file("/puckwind.sim"))
        assert trace == page.page_file("/puckwind-trace.jsonl") and not page.errors, page.errors
    print(f"web touch: the cursor at {cursor}; {trace.count(chr(10))} lines of trace replayed")


if __name__ == "__main__":
    main(*sys.argv[1:3])

#!/usr/bin/env python3
"""From a SET_KEY sent by the stand-in editor to the first frame that shows
it, on the kit demo of tests/sync, paced to 60 frames a second as a display
would (the offscreen driver has no refresh to wait for); the demo reads its
pixel back at the end of each frame and prints when the frame began:

  SDL_VIDEODRIVER=offscreen bench/sync_latency.py build/tests/sync/editor_demo/sync_editor_demo \
      build/bin/musica/tune.ogg [keys]

The goal, at most one frame at 60 fps: every frame that begins after a key
was sent shows it, so the key is in the picture within a frame's period and
the time to draw it. Each key changes the value shown, so the frame showing
it is always printed.
"""

import os
import random
import shutil
import statistics
import struct
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "sync"))

import stand_in_editor  # noqa: E402


def main():
    demo_path = os.path.abspath(sys.argv[1])
    count = int(sys.argv[3]) if len(sys.argv) > 3 else 200
    stand_in_editor.ARGS = type("Args", (), {"demo": demo_path})
    root = tempfile.mkdtemp(prefix="orlath-sync-latency-")
    os.makedirs(os.path.join(root, "sync"))
    os.makedirs(os.path.join(root, "musica"))
    shutil.copy(sys.argv[2], os.path.join(root, "musica", "tune.ogg"))
    listener = stand_in_editor.socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(1)
    os.environ["SYNC_DEMO_FPS"] = "60"
    demo = stand_in_editor.Demo(root, listener.getsockname()[1])
    try:
        editor = stand_in_editor.Editor(listener)
        editor.wait(lambda e: len(e.tracks) == 2)
        latencies, missed = [], []
        for k in range(count):
            value = (k + 1) % 2 * 1.0
            # At any moment of a frame, not just after one was shown.
            time.sleep(random.uniform(0, 1 / 60))
            since = len(demo.frames)
            sent = time.monotonic()
            editor.send(struct.pack(">BIIfB", 0, 0, 0, value, 0))
            shown = demo.wait("key %d" % k, lambda f, v=value: f[1] == int(v * 255), since=since)
            at = demo.frames.index(shown, since)
            latencies.append((shown[0] - sent) * 1000)
            # Frames begun after the key reached the demo's socket (a loopback
            # send is there well within 0.5 ms) that still lack it.
            missed.append(sum(1 for began in demo.began[since:at] if began > sent + 0.0005))
    finally:
        demo.stop()
        listener.close()
        shutil.rmtree(root, ignore_errors=True)
    latencies.sort()
    print("SET_KEY to the first frame showing it, %d keys: median %.2f ms, 99th %.2f ms, worst %.2f ms" % (
        count, statistics.median(latencies), latencies[int(0.99 * (count - 1))], latencies[-1]))
    late = sum(1 for m in missed if m)
    print("keys missed by a frame begun after them: %d of %d (most frames missed: %d); goal %s" % (
        late, count, max(missed), "met" if not late else "MISSED"))
    return 0 if not late else 1


if __name__ == "__main__":
    sys.exit(main())

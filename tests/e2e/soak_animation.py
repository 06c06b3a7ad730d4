"""The soak's animation phase: N posted WM_TIMER ticks; after each chunk the
face must show the frame the tick count calls for."""

import harness
from harness import ANIMATION_TIMER_ID, WM_TIMER


def post_ticks(driver, count):
    """Posts `count` WM_TIMER ticks and returns once the gadget handled them all."""
    if driver.helper is None:
        for _ in range(count):
            driver.inspect("post", driver.gadget.hwnd, WM_TIMER, ANIMATION_TIMER_ID, 0)
        return
    answer = driver.helper("post", driver.gadget.hwnd, WM_TIMER, ANIMATION_TIMER_ID, 0, count, min(count, 500))
    if driver.result is not None:
        driver.result.samples += answer.get("samples", 0)
    if answer.get("posted") != count or answer.get("failed") or answer.get("unanswered") \
            or answer.get("undrained") or not answer.get("window"):
        driver.check_alive()
        driver.fault(f"posting {count} ticks: {answer}")


def face_ring(driver):
    """The face after each of six single ticks: the animation's frames in turn."""
    ring = []
    previous = driver.steady_shot(driver.gadget_shot)
    for _ in range(6):
        post_ticks(driver, 1)
        try:
            harness.wait_until(lambda: driver.gadget_shot() != previous, timeout=1.5, interval=0.05)
        except AssertionError:
            pass  # two frames alike
        previous = driver.steady_shot(driver.gadget_shot)
        ring.append(previous)
    return ring


def check_frame(driver, ring, ticks):
    """After `ticks` ticks since the ring began, the face shows ring[(ticks - 1) % 6]."""
    expected = ring[(ticks - 1) % 6]
    if not driver.wait_picture(driver.gadget_shot, expected, timeout=5):
        now = driver.gadget_shot()
        shown = [i for i, frame in enumerate(ring) if frame == now]
        driver.fault(f"after {ticks} ticks the face shows frame {shown or 'none of the six'}, "
                     f"expected frame {(ticks - 1) % 6}")


def run(driver, n):
    n = int(n)
    if driver.helper is None:
        driver.note("the soak helper is not built: ticks posted one inspector run each (slow)")
    driver.normalise()
    driver.check_all(dialog_expected=False)
    ring = face_ring(driver)
    distinct = len(set(ring))
    driver.note(f"the six animation frames give {distinct} distinct pictures")
    if distinct < 2:
        driver.fault("the face did not change with the ticks")
    ticks = 6
    warm = max(100, n // 100)
    post_ticks(driver, warm)
    ticks += warm
    check_frame(driver, ring, ticks)
    driver.begin()
    every = max(100, n // 100)
    done = 0
    while done < n:
        count = min(every, n - done)
        post_ticks(driver, count)
        done += count
        ticks += count
        driver.check_all(dialog_expected=False)
        check_frame(driver, ring, ticks)
    driver.note(f"{n} ticks posted in chunks of {min(every, 500)}, each chunk followed by WM_NULL "
                f"(1 s) and a wait until the gadget had handled it")
    driver.end()

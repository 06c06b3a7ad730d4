"""The soak's hover phase: N pointer moves that go onto the round button and
leave it again, in turn onto the face and straight off the window. After each
batch the button's picture and the face follow where the pointer is: the
hover picture and the animation while it is on the button, the normal picture
and a still face wherever else it went."""

import harness

# The pointer's round: each time it leaves the button it goes somewhere else.
ROUND = ("button", "face", "button", "off")
WHERE = {"button": "on the button", "face": "on the face", "off": "straight off the window"}


def move_batch(driver, points, pause=0.02):
    args = []
    for x, y in points:
        args += ["mousemove", str(x), str(y), "sleep", str(pause)]
    for i in range(0, len(args), 200):
        driver.desktop.run("xdotool", *args[i:i + 200])


def run(driver, n):
    n = int(n)
    driver.normalise()
    driver.check_all(dialog_expected=False)
    gadget = driver.gadget_window()
    places = {"button": driver.screen(*harness.BUTTON_CENTRE, gadget),
              "face": driver.screen(*harness.FACE_SPOT, gadget),
              "off": harness.POINTER_PARK}
    normal = driver.normal_button
    driver.desktop.mouse_move(*places["button"])
    try:
        harness.wait_until(lambda: driver.button_shot() != normal, timeout=3, interval=0.05)
    except AssertionError:
        driver.fault("hovering the round button does not change its picture")
    hover = driver.steady_shot(driver.button_shot)
    if not driver.animating():
        driver.fault("hovering the round button does not start the animation")
    warm = max(20, n // 100)
    move_batch(driver, [places[ROUND[i % len(ROUND)]] for i in range(warm)])
    driver.desktop.mouse_move(*places["face"])
    driver.begin()
    # Batches one move longer than a whole number of rounds: each one ends
    # one place further round than the one before.
    every = max(len(ROUND) * 2 + 1, n // 100)
    every += (1 - every) % len(ROUND)
    done = 0
    while done < n:
        count = min(every, n - done)
        move_batch(driver, [places[ROUND[(done + i) % len(ROUND)]] for i in range(count)])
        done += count
        last = ROUND[(done - 1) % len(ROUND)]
        driver.check_all(dialog_expected=False)
        if last == "button":
            if not driver.wait_picture(driver.button_shot, hover):
                driver.fault(f"after {done} moves (pointer on the button) the button does not show its hover picture")
            if not driver.animating():
                driver.fault(f"after {done} moves (pointer on the button) the face does not animate")
        else:
            driver.check_hover_ended(f"after {done} moves (pointer {WHERE[last]})")
    driver.desktop.mouse_move(*harness.POINTER_PARK)
    driver.end()

"""The soak's hover phase: N pointer moves, in turn over the round button and
over the face; the button's picture and the animation follow."""

import harness


def move_batch(driver, points, pause=0.02):
    args = []
    for x, y in points:
        args += ["mousemove", str(x), str(y), "sleep", str(pause)]
    for i in range(0, len(args), 200):
        driver.desktop.run("xdotool", *args[i:i + 200])


def run(driver, n):
    n = int(n)
    n += n % 2  # even: the last move lands on the face
    driver.normalise()
    driver.check_all(dialog_expected=False)
    gadget = driver.gadget_window()
    on_button = driver.screen(*harness.BUTTON_CENTRE, gadget)
    on_face = driver.screen(*harness.FACE_SPOT, gadget)
    driver.desktop.mouse_move(*on_face)
    normal = driver.steady_shot(driver.button_shot)
    driver.desktop.mouse_move(*on_button)
    try:
        harness.wait_until(lambda: driver.button_shot() != normal, timeout=3, interval=0.05)
    except AssertionError:
        driver.fault("hovering the round button does not change its picture")
    hover = driver.steady_shot(driver.button_shot)
    if not driver.animating():
        driver.fault("hovering the round button does not start the animation")
    warm = max(20, n // 100)
    move_batch(driver, [on_face if i % 2 == 0 else on_button for i in range(warm)])  # ends on the button
    driver.desktop.mouse_move(*on_face)
    driver.begin()
    every = max(10, n // 100)
    done = 0
    while done < n:
        count = min(every, n - done)
        # The 1st, 3rd, 5th ... move goes to the button, every other one to the face.
        points = [on_button if (done + i) % 2 == 0 else on_face for i in range(count)]
        move_batch(driver, points)
        done += count
        last_on_button = (done - 1) % 2 == 0
        driver.check_all(dialog_expected=False)
        if last_on_button:
            if not driver.wait_picture(driver.button_shot, hover):
                driver.fault(f"after {done} moves (pointer on the button) the button does not show its hover picture")
            if not driver.animating():
                driver.fault(f"after {done} moves (pointer on the button) the face does not animate")
        else:
            if not driver.wait_picture(driver.button_shot, normal):
                driver.fault(f"after {done} moves (pointer on the face) the button does not show its normal picture")
            if not driver.still():
                driver.fault(f"after {done} moves (pointer on the face) the animation does not stop")
    driver.desktop.mouse_move(*harness.POINTER_PARK)
    driver.end()

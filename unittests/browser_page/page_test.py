#!/usr/bin/env python3
"""The page of `drivesetup serve` in a real headless browser.

Plays a person: opens the Drive Setup dialog, which brings up the Step Motor
and Load Setup dialog by itself, changes the motor's resistance there and
runs the phase connection test there, whose bar graphs show the phase
currents, keeps the motor, changes the run current and the microsteps (answering the
power-of-two message), opens a sub-dialog and comes back, presses OK and
downloads the setup; Cancel leaves the setup as it was; runs a
commissioning test from the dialog and, where the test has a plot, watches
its curves appear; a request without the token is refused.
Each step leaves a screenshot in the screenshot folder for a reviewer.

usage: page_test.py DRIVESETUP SETUP_FILE SCREENSHOT_DIR
Exits 77 (skipped) when selenium or chromium is not installed.
"""

import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import urllib.error
import urllib.request

try:
    from selenium import webdriver
    from selenium.common.exceptions import NoSuchElementException, StaleElementReferenceException, TimeoutException
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.by import By
    from selenium.webdriver.common.keys import Keys
    from selenium.webdriver.support.ui import WebDriverWait
except ImportError:
    print("SKIPPED: python3-selenium is not installed")
    sys.exit(77)

SKIPPED = 77
POWER_OF_TWO = "The number of microsteps per step value must be a power of 2."
RUN_CURRENT = 3416
STANDBY_CURRENT = 3211
MICROSTEPS = 1174
ADVANCED_BUTTON = 3158
MOTOR_BUTTON = 10019
MOTOR_DIALOG = "Step Motor and Load Setup"
RESISTANCE = 1168
PHASE_TEST_BUTTON = 1175
PHASE_TEST = "Motor Phase Connection Test"
PHASE_BARS = (1021, 1023)
DETECT_VDC_BUTTON = 3171
CURRENT_TEST_BUTTON = 3137
OK = 1
CANCEL = 2
CURRENT_TUNING = "Current Controller Tuning Test"
CURRENT_TUNING_TABS = 1300
CURRENT_TUNING_TUNE = 3149
CURRENT_TUNING_PLOT = 1361
START_STOP = 10000
RESULT_BOX = 10001
STATUS_BOX = 10002
# A test runs on real time here; the supply detection takes well under a
# second on the simulated drive, the current tuning test a few.
TEST_TIMEOUT_S = 60
STEP_TIMEOUT_S = 15


class Failure(Exception):
    pass


def find_browser():
    for name in ("chromium", "chromium-browser", "google-chrome"):
        path = shutil.which(name)
        if path:
            return path
    return None


class Server:
    """drivesetup serve on a free port, for the duration of the test."""

    def __init__(self, program, setup):
        self.process = subprocess.Popen([program, "--setup", setup, "serve", "--port", "0"],
                                        stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        printed = ""
        while True:
            line = self.process.stdout.readline()
            if not line:
                raise Failure(f"drivesetup serve did not start: {printed}")
            printed += line
            found = re.search(r"(http://127\.0\.0\.1:(\d+))/\?token=([0-9a-f]+)", line)
            if found:
                self.base, self.port, self.token = found.group(1), int(found.group(2)), found.group(3)
                self.address = found.group(0)
                return

    def stop(self):
        self.process.send_signal(signal.SIGTERM)
        try:
            return self.process.wait(timeout=20)
        except subprocess.TimeoutExpired:
            self.process.kill()
            raise Failure("drivesetup serve did not stop on SIGTERM")


class Person:
    def __init__(self, driver, screenshots, downloads):
        self.driver = driver
        self.screenshots = screenshots
        self.downloads = downloads
        self.shot = 0

    def snap(self, name):
        self.shot += 1
        path = os.path.join(self.screenshots, f"{self.shot:02d}-{name}.png")
        self.driver.save_screenshot(path)
        print(f"  screenshot {path}")

    def wait(self, what, condition, timeout=STEP_TIMEOUT_S, expected=True):
        """Waits until `condition` holds; the page redraws as the state comes,
        so an element may go stale between finding and reading it."""
        waiting = WebDriverWait(self.driver, timeout, poll_frequency=0.05,
                                ignored_exceptions=(StaleElementReferenceException, NoSuchElementException))
        try:
            return waiting.until(lambda d: condition())
        except TimeoutException:
            if expected:
                self.snap("timeout")
            raise Failure(f"timed out waiting for {what}")

    def dialogs(self):
        return self.driver.find_elements(By.CSS_SELECTOR, "#desk section.dialog")

    def top(self):
        dialogs = self.dialogs()
        return dialogs[-1] if dialogs else None

    def caption(self):
        top = self.top()
        return top.find_element(By.CSS_SELECTOR, "header.title span").text if top else None

    def wait_for_dialog(self, caption):
        self.wait(f'the dialog "{caption}" on top', lambda: self.caption() == caption)

    def control(self, control_id):
        return self.top().find_element(By.CSS_SELECTOR, f'.control[data-id="{control_id}"]')

    def has_control(self, control_id):
        return bool(self.top().find_elements(By.CSS_SELECTOR, f'.control[data-id="{control_id}"]'))

    def type_into(self, control_id, text):
        edit = self.control(control_id)
        edit.click()
        edit.send_keys(Keys.CONTROL, "a")
        edit.send_keys(text)
        edit.send_keys(Keys.TAB)

    def click(self, control_id):
        self.control(control_id).click()

    def value(self, control_id):
        return self.control(control_id).get_attribute("value")

    def result(self):
        return self.value(RESULT_BOX)

    def message_box(self):
        layer = self.driver.find_element(By.ID, "message-box")
        if not layer.is_displayed():
            return None
        return layer.find_element(By.CSS_SELECTOR, ".text").text

    def answer(self, text, button):
        self.wait(f'the message box "{text}"', lambda: self.message_box() == text)
        self.snap("message-box")
        self.driver.find_element(By.CSS_SELECTOR, f'#message-box button[data-button="{button}"]').click()
        self.wait("the message box to close", lambda: self.message_box() is None)

    def agree(self):
        """Answers a message box that comes up with its first button (Yes or
        OK); False, so that a wait goes on."""
        text = self.message_box()
        if text is not None:
            print(f"  answered \"{text}\"")
            self.driver.find_element(By.CSS_SELECTOR, "#message-box button").click()
            # Once: the box stays on the page until the server says it closed.
            self.wait("the answered box to close", lambda: self.message_box() != text)
        return False

    def download_setup(self):
        for name in os.listdir(self.downloads):
            os.remove(os.path.join(self.downloads, name))
        self.driver.find_element(By.ID, "download-setup").click()

        def done():
            names = [n for n in os.listdir(self.downloads) if not n.endswith(".crdownload")]
            return names[0] if names else None

        name = self.wait("the setup download", done)
        with open(os.path.join(self.downloads, name), encoding="utf-8") as file:
            return json.load(file)


def internal(setup, name):
    return setup["parameters"][name]["internal"]


def open_drive_setup(person, keep_motor=None):
    """Opens the Drive Setup dialog; the motor dialog it brings up by itself
    is left with Cancel, or with OK after `keep_motor` has worked in it."""
    person.driver.find_element(By.ID, "open-dialog").click()
    person.wait_for_dialog(MOTOR_DIALOG)
    if keep_motor:
        keep_motor()
        person.click(OK)
    else:
        person.click(CANCEL)
    person.wait_for_dialog("Drive Setup")


def bar_value(person, control_id):
    value = person.control(control_id).get_attribute("data-value")
    return float(value) if value else None


def check_the_phases(person):
    """The phase connection test from the motor dialog: its bar graphs show
    the phase currents it measured."""
    person.click(PHASE_TEST_BUTTON)
    person.wait_for_dialog(PHASE_TEST)
    for bar in PHASE_BARS:
        if bar_value(person, bar) != 0:
            raise Failure(f"the bar graph {bar} does not start at zero")
    person.click(START_STOP)
    person.wait("the phase test to end", lambda: person.result() in ("Test succeeded", "Test failed"),
                timeout=TEST_TIMEOUT_S)
    if person.result() != "Test succeeded":
        raise Failure(f"the phase connection test failed: {person.value(STATUS_BOX)}")
    person.wait("the bars at the measured currents", lambda: all(bar_value(person, bar) for bar in PHASE_BARS))
    for bar in PHASE_BARS:
        if not person.control(bar).find_elements(By.CSS_SELECTOR, "rect.bar"):
            raise Failure(f"the bar graph {bar} draws no bar")
    person.snap("phase-test-bars")
    person.click(CANCEL)
    person.wait_for_dialog(MOTOR_DIALOG)


def change_values_and_keep_them(person, original):
    print("step: open the Drive Setup dialog, change the motor and the drive, visit a sub-dialog, OK, download")

    def change_the_resistance():
        person.snap("motor-dialog")
        person.type_into(RESISTANCE, "2.5")
        person.wait("the resistance as typed", lambda: float(person.value(RESISTANCE)) == 2.5)
        person.snap("motor-resistance-changed")
        check_the_phases(person)

    open_drive_setup(person, change_the_resistance)
    person.snap("drive-setup")

    person.type_into(RUN_CURRENT, "2")
    person.wait("the run current as the drive uses it", lambda: person.value(RUN_CURRENT) == "2.000")
    person.type_into(MICROSTEPS, "6")
    person.answer(POWER_OF_TWO, "ok")
    person.wait("the microsteps rounded to a power of two", lambda: person.value(MICROSTEPS) == "8")
    person.snap("values-changed")

    # The motor dialog where it is built, else the Advanced dialog: both are
    # a sub-dialog opened from a button and left with Cancel.
    for button in (MOTOR_BUTTON, ADVANCED_BUTTON):
        person.click(button)
        try:
            person.wait("a sub-dialog", lambda: len(person.dialogs()) == 2, timeout=3, expected=False)
        except Failure:
            continue
        print(f"  sub-dialog \"{person.caption()}\"")
        person.snap("sub-dialog")
        person.click(CANCEL)
        person.wait_for_dialog("Drive Setup")
        break
    else:
        raise Failure("neither the motor nor the Advanced button opened a dialog")
    if person.value(RUN_CURRENT) != "2.000":
        raise Failure("the run current changed by visiting a sub-dialog and cancelling it")

    person.click(OK)
    person.wait("the Drive Setup dialog to close", lambda: not person.dialogs())
    person.snap("closed-with-ok")
    kept = person.download_setup()
    if internal(kept, "RunCurrent") == internal(original, "RunCurrent"):
        raise Failure("the downloaded setup keeps the old run current")
    if internal(kept, "NoMicroStepsPerStep") == internal(original, "NoMicroStepsPerStep"):
        raise Failure("the downloaded setup keeps the old microsteps")
    if internal(kept, "R") == internal(original, "R"):
        raise Failure("the downloaded setup keeps the old motor resistance")
    return kept


def cancel_keeps_the_setup(person, before):
    print("step: Cancel leaves the setup as it was")
    open_drive_setup(person)
    person.type_into(STANDBY_CURRENT, "0.5")
    person.wait("the stand-by current", lambda: person.value(STANDBY_CURRENT) == "0.500")
    person.snap("before-cancel")
    person.click(CANCEL)
    person.wait("the Drive Setup dialog to close", lambda: not person.dialogs())
    after = person.download_setup()
    if after != before:
        raise Failure("Cancel changed the setup")


def run_a_test(person):
    print("step: run a commissioning test from the Drive Setup dialog")
    open_drive_setup(person)
    person.click(DETECT_VDC_BUTTON)
    person.wait("the supply detection test", lambda: len(person.dialogs()) == 2)
    print(f"  test \"{person.caption()}\"")
    person.click(START_STOP)
    person.wait("the test to end", lambda: person.result() in ("Test succeeded", "Test failed"),
                timeout=TEST_TIMEOUT_S)
    person.snap("supply-detection-ended")
    if person.result() != "Test succeeded":
        raise Failure(f"the supply detection failed: {person.value(STATUS_BOX)}")
    if person.value(STATUS_BOX) == "Running test":
        raise Failure("the supply detection still says it is running after its end")
    person.click(CANCEL)
    # A test may ask whether to keep what it measured.
    person.wait("the test to close", lambda: person.agree() or len(person.dialogs()) == 1)
    person.wait_for_dialog("Drive Setup")

    print("step: the current tuning test's live plot")
    if not person.control(CURRENT_TEST_BUTTON).is_enabled():
        raise Failure("the current test button is disabled")
    person.click(CURRENT_TEST_BUTTON)
    person.wait_for_dialog(CURRENT_TUNING)
    # The gains and the plot are on the second page.
    person.control(CURRENT_TUNING_TABS).find_element(By.CSS_SELECTOR, 'button[data-index="1"]').click()
    person.wait("the plot's page", lambda: person.control(CURRENT_TUNING_PLOT).is_displayed())
    person.click(CURRENT_TUNING_TUNE)
    person.snap("current-tuning")
    plot = person.control(CURRENT_TUNING_PLOT)
    person.click(START_STOP)
    person.wait("points on the plot", lambda: person.agree() or int(plot.get_attribute("data-shown-points") or 0) > 0,
                timeout=TEST_TIMEOUT_S)
    person.snap("plot-moving")
    person.wait("the test to end", lambda: person.agree() or person.result() in ("Test succeeded", "Test failed"),
                timeout=TEST_TIMEOUT_S)
    person.wait("the whole upload drawn", lambda: int(plot.get_attribute("data-shown-points") or 0)
                == int(plot.get_attribute("data-points") or -1))
    person.snap("plot-done")
    if person.result() != "Test succeeded":
        raise Failure(f"the current tuning test failed: {person.value(STATUS_BOX)}")
    person.click(CANCEL)
    person.wait("the test to close", lambda: person.agree() or len(person.dialogs()) == 1)
    person.click(CANCEL)


def token_is_needed(server):
    print("step: a request without the token is refused")
    for path in ("/", "/api/state"):
        try:
            urllib.request.urlopen(server.base + path, timeout=5)
        except urllib.error.HTTPError as error:
            if error.code != 403:
                raise Failure(f"{path} without the token answered {error.code}, not 403")
            continue
        raise Failure(f"{path} without the token was served")


def main():
    if len(sys.argv) != 4:
        print(__doc__)
        return 2
    program, setup_file, screenshots = sys.argv[1:]
    browser = find_browser()
    driver_path = shutil.which("chromedriver")
    if not browser or not driver_path:
        print("SKIPPED: chromium and chromium-driver are not installed")
        return SKIPPED
    os.makedirs(screenshots, exist_ok=True)
    for name in os.listdir(screenshots):
        if name.endswith(".png"):
            os.remove(os.path.join(screenshots, name))

    with tempfile.TemporaryDirectory() as work:
        served = os.path.join(work, "served.json")
        shutil.copyfile(setup_file, served)
        with open(served, encoding="utf-8") as file:
            original = json.load(file)
        downloads = os.path.join(work, "downloads")
        os.makedirs(downloads)

        options = webdriver.ChromeOptions()
        options.binary_location = browser
        for argument in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                         "--window-size=1400,1000", f"--user-data-dir={os.path.join(work, 'profile')}"):
            options.add_argument(argument)
        options.add_experimental_option("prefs", {"download.default_directory": downloads,
                                                  "download.prompt_for_download": False})
        server = Server(program, served)
        driver = webdriver.Chrome(service=Service(driver_path), options=options)
        try:
            driver.execute_cdp_cmd("Page.setDownloadBehavior", {"behavior": "allow", "downloadPath": downloads})
            person = Person(driver, screenshots, downloads)
            driver.get(server.address)
            person.wait("the page to connect", lambda: driver.find_element(By.ID, "connection").text == "connected")
            person.snap("page")
            kept = change_values_and_keep_them(person, original)
            cancel_keeps_the_setup(person, kept)
            run_a_test(person)
            token_is_needed(server)
        finally:
            driver.quit()
            status = server.stop()
        if status != 0:
            raise Failure(f"drivesetup serve ended with status {status}")
        with open(served, encoding="utf-8") as file:
            if json.load(file) != original:
                raise Failure("the server wrote the setup file without being asked to save")
    print("all steps passed")
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except Failure as failure:
        print(f"FAILED: {failure}")
        sys.exit(1)

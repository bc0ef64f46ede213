#!/usr/bin/env python3
"""The phone remote in a real browser: headless Chromium, driven by Selenium,
opens the page served by remote_testserver on 127.0.0.1, pairs with the PIN,
presses Use, and the database and the page's text are checked.

    remote_browser.py REMOTE_TESTSERVER [--shots DIR]

Exit status 77 (skipped) only when Chromium or its driver is not installed.
"""
import json
import os
import shutil
import sqlite3
import subprocess
import sys
import tempfile
import time

SKIPPED = 77
HTML_NAME = "<img src=x onerror=alert(1)>"


def main():
    args = sys.argv[1:]
    shots = None
    if "--shots" in args:
        i = args.index("--shots")
        shots = args[i + 1]
        del args[i:i + 2]
    if len(args) != 1:
        print(__doc__, file=sys.stderr)
        return 2
    chromium = shutil.which("chromium")
    driver_path = shutil.which("chromedriver")
    if not chromium or not driver_path:
        print("SKIP: chromium and chromium-driver are not installed (./setup.sh installs them)")
        return SKIPPED

    # Imported only now, so that a missing Selenium fails loudly instead of skipping.
    from selenium import webdriver
    from selenium.common.exceptions import NoAlertPresentException
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.by import By
    from selenium.webdriver.support.ui import WebDriverWait

    with tempfile.TemporaryDirectory() as folder:
        db_path = os.path.join(folder, "Call_List.db")
        server = subprocess.Popen([args[0], db_path], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        driver = None
        try:
            line = server.stdout.readline()
            if not line:
                print("FAIL: remote_testserver did not start", file=sys.stderr)
                return 1
            info = json.loads(line)
            base = "http://127.0.0.1:%d" % info["port"]

            options = webdriver.ChromeOptions()
            options.binary_location = chromium
            for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
                         "--disable-component-update", "--disable-sync", "--no-first-run",
                         "--disable-default-apps", "--disable-extensions", "--disable-quic",
                         "--user-data-dir=" + os.path.join(folder, "profile"),
                         # Anything not for 127.0.0.1 goes to a dead port on loopback.
                         "--proxy-server=127.0.0.1:9", "--proxy-bypass-list=127.0.0.1",
                         "--window-size=390,844", "--force-device-scale-factor=1"):
                options.add_argument(flag)
            driver = webdriver.Chrome(service=Service(driver_path), options=options)
            driver.set_page_load_timeout(20)

            def viewport(width, height):
                # A phone's viewport exactly; a desktop window has a minimum width.
                driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                                       {"width": width, "height": height, "deviceScaleFactor": 1, "mobile": True})

            viewport(390, 844)
            wait = WebDriverWait(driver, 10)

            def text(element_id):
                return driver.find_element(By.ID, element_id).text

            def visible(element_id):
                return driver.find_element(By.ID, element_id).is_displayed()

            def used():
                with sqlite3.connect(db_path) as db:
                    return {name for (name,) in db.execute("SELECT Call_Name FROM tblCalls WHERE Used = 1")}

            def shoot(name):
                if shots:
                    os.makedirs(shots, exist_ok=True)
                    driver.save_screenshot(os.path.join(shots, name))

            driver.get(base + "/")
            wait.until(lambda d: visible("pairing"))
            assert not visible("remote"), "the remote shows before pairing"
            shoot("remote-pairing-390x844.png")

            # A wrong PIN first: it is refused and says how many tries are left.
            wrong = "%06d" % ((int(info["pin"]) + 1) % 1000000)
            driver.find_element(By.ID, "pin").send_keys(wrong)
            driver.find_element(By.ID, "pair").click()
            wait.until(lambda d: "Wrong PIN" in text("pairMessage"))
            assert "4 tries left" in text("pairMessage"), text("pairMessage")

            pin = driver.find_element(By.ID, "pin")
            pin.clear()
            pin.send_keys(info["pin"])
            driver.find_element(By.ID, "pair").click()
            wait.until(lambda d: visible("remote") and text("listCall") != "" and not visible("offline"))
            with sqlite3.connect(db_path) as db:
                names = {name for (name,) in db.execute("SELECT Call_Name FROM tblCalls")}
            shown = text("listCall")
            assert shown in names, "the page shows %r, which is no call" % shown
            assert text("callsLeft") == "6 calls left", text("callsLeft")

            driver.find_element(By.ID, "use").click()
            wait.until(lambda d: text("callsLeft") == "5 calls left")
            assert used() == {shown}, "used in the database: %r, shown was %r" % (used(), shown)
            assert text("listCall") in names and text("listCall") != shown

            # Every call name reaches the page as text: the one full of markup
            # shows as its characters, and no element or alert comes of it.
            seen = False
            for _ in range(40):
                values = [text("listCall"), text("nlCall1"), text("nlCall2")]
                if HTML_NAME in values:
                    seen = True
                    break
                driver.find_element(By.ID, "nextNL").click()
                driver.find_element(By.ID, "find").click()
                time.sleep(0.05)
            assert seen, "the call %r never showed" % HTML_NAME
            assert not driver.find_elements(By.CSS_SELECTOR, "main img"), "the call name became an image element"
            try:
                driver.switch_to.alert
                raise AssertionError("the call name ran as script")
            except NoAlertPresentException:
                pass
            assert used() == {shown}, "Find or Next NL marked a call"
            shoot("remote-portrait-390x844.png")

            driver.find_element(By.ID, "pause").click()
            wait.until(lambda d: visible("paused") and text("pause") == "Resume")
            viewport(844, 390)
            time.sleep(0.3)
            shoot("remote-landscape-844x390.png")

            # The display page shows the same, with no buttons.
            main_window = driver.current_window_handle
            driver.switch_to.new_window("tab")
            driver.get(base + "/display?k=" + info["display"])
            wait.until(lambda d: text("listCall") != "" and not visible("offline"))
            assert not driver.find_elements(By.CSS_SELECTOR, "button"), "the display has buttons"
            assert visible("paused")
            shoot("display-844x390.png")
            driver.close()
            driver.switch_to.window(main_window)

            # The server goes away: the page says it is offline and stops taking presses.
            server.stdin.close()
            server.wait(timeout=10)
            wait.until(lambda d: visible("offline"))
            assert "Offline" in text("offline")
            assert not driver.find_element(By.ID, "use").is_enabled()
            shoot("remote-offline-844x390.png")
        finally:
            if driver:
                driver.quit()
            if server.poll() is None:
                server.kill()
                server.wait()
    print("remote_browser: 1 passed, 0 failed")
    return 0


if __name__ == "__main__":
    sys.exit(main())

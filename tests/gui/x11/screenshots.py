"""Opens every window of the real `cravent` on a private X server with openbox and saves each,
with its window-manager frame, as a PNG: python3 screenshots.py CRAVENT OUTPUT_DIR."""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from x11session import MAIN_CAPTION, Session  # noqa: E402
from test_windows import ABOUT, LEFT_X, MASTER, RIGHT_X, ROW_Y  # noqa: E402

FRAMES = {"RCobDef.xml": [("0x181", "8", "Speed"), ("0x281", "2", "Torque"), ("0x381", "4", "Position")],
          "TCobDef.xml": [("0x201", "8", "Command"), ("0x301", "1", "Mode")]}
MAPS = {"RInfoCob.xml": [("0", 1, 33), ("1", 1, 67), ("2", 2, 18)],
        "TInfoCob.xml": [("10", 1, 33), ("11", 2, 16)]}


def prepare(app):
    """A program folder with a master firmware and a project "P1" holding a few frames."""
    os.makedirs(os.path.join(app, "MASTER"), exist_ok=True)
    with open(os.path.join(app, "MASTER", "QF40231.sx"), "w") as f:
        f.write(MASTER)
    project = os.path.join(app, "PROJECTS", "P1")
    os.makedirs(os.path.join(project, "bin"), exist_ok=True)
    for name, rows in FRAMES.items():
        with open(os.path.join(project, name), "w") as f:
            f.write("<COBID>" + "".join(
                f'<row CobID="{c}" Dimensin="{d}" Mnemonic="{m}"/>' for c, d, m in rows) + "</COBID>")
    for name, rows in MAPS.items():
        root = name[:-4]
        with open(os.path.join(project, name), "w") as f:
            f.write(f"<{root}>" + "".join(
                f'<row Index="{i}" NrPdo="{n}" PosComp="{p}"/>' for i, n, p in rows) + f"</{root}>")
    # Settings a device on 192.168.0.0/24 takes as they stand, so "Up date Device" finds nothing
    # to warn about and goes on to Generate Firmware.
    with open(os.path.join(project, "pargen.xml"), "w") as f:
        f.write('<GeneralParameter><BaudRateCAN>6</BaudRateCAN><CANType>0</CANType>'
                '<ADD_IP IPB1="192" IPB2="168" IPB3="0" IPB4="30"/>'
                '<SUBNET SMB1="255" SMB2="255" SMB3="255" SMB4="0"/><Port>502</Port></GeneralParameter>')
    with open(os.path.join(app, "Cravent_DUZ2OZIRu.ini"), "w") as f:
        f.write("[lastproj]\nprojectname=/P1\n")


def main(cravent, out):
    os.makedirs(out, exist_ok=True)
    import tempfile
    app = tempfile.mkdtemp(prefix="cravent-shots-")
    prepare(app)
    with Session(cravent, app_dir=app) as s:
        main_window = s.window(MAIN_CAPTION + " :/P1")
        # The pointer starts at the screen's centre, over a button of the centred main window.
        s._x("xdotool", "mousemove", "1", "1")
        s.settle(0.5)
        s.save_png(main_window, os.path.join(out, "main-window.png"))

        def shoot(x, y, caption, name, before_close=None):
            s.click(main_window, x, y)
            wid = s.window(caption)
            s._x("xdotool", "mousemove", "1", "1")
            s.settle(0.8)
            if before_close:
                before_close(wid)
            s.save_png(wid, os.path.join(out, name))
            s.key("Escape")
            s.gone(caption)

        shoot(LEFT_X, ROW_Y[1], "New project", "new-project.png")
        shoot(LEFT_X, ROW_Y[2], "SET COMMUNICATION", "set-communication.png")
        shoot(LEFT_X, ROW_Y[3], "Receive CAN Frame", "receive-frames.png")
        shoot(LEFT_X, ROW_Y[4], "Transmit CAN Frame", "transmit-frames.png")

        def pick_first_frame_and_entry(wid):
            s.key("Tab", "Tab", "Tab", "Tab", "Tab", "Down", "Tab", "Down")
            s.settle(0.3)
        shoot(RIGHT_X, ROW_Y[3], "Receive CAN Frame Info", "receive-map.png", pick_first_frame_and_entry)
        shoot(RIGHT_X, ROW_Y[4], "Transmit CAN Frame Info", "transmit-map.png", pick_first_frame_and_entry)
        shoot(ABOUT[0], ABOUT[1], "About...", "about.png")
        shoot(LEFT_X, ROW_Y[5], "Generate Firmware", "generate-firmware.png")
        shoot(RIGHT_X, ROW_Y[5], "Project report :P1", "report-window.png")

        s.click(main_window, RIGHT_X, ROW_Y[1])
        browser = s.window("Select directory of project")
        s.settle(1.0)
        s.save_png(browser, os.path.join(out, "open-project.png"))
        s.key("Escape")
        s.gone("Select directory of project")

        s.click(main_window, RIGHT_X + 160, ROW_Y[2])
        s.key("ctrl+a")
        s.type("256.1.1.1")  # no such address: the error outcome, at once
        s.click(main_window, RIGHT_X, ROW_Y[2])
        ping = s.window("Ping! Error!!!", timeout=15)
        s._x("xdotool", "mousemove", "1", "1")
        s.settle(0.5)
        s.save_png(ping, os.path.join(out, "ping-result.png"))
        s.key("Escape")
    import shutil
    shutil.rmtree(app, ignore_errors=True)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])

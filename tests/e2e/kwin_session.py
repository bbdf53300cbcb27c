#!/usr/bin/python3
"""Asks a running KWin about a window, or has it act on one, over KWin's session bus.

KWin answers what scripts ask: each command loads a small KWin script (org.kde.kwin.Scripting),
which reports back by calling this process on the bus; screenshots come through
org.kde.KWin.ScreenShot2 (KWin started with KWIN_SCREENSHOT_NO_PERMISSION_CHECKS=1).

  window PATTERN        the first normal window whose caption matches the regular expression:
                        one line "ID x11|wayland XID FX FY FW FH BX BY BW BH MINW MINH MAXW
                        MAXH RESIZE MAXIMISE MINIMISE APP": its X window (0 on Wayland),
                        frame and buffer rectangles (a Wayland window's buffer is its client
                        area, an X window's its frame), the sizes it allows and what it lets
                        the user do (1 or 0); exits 1 if none
  resize ID W H NW NH   asks the window's client area, W x H now, to become NW x NH (its
                        frame grown to match), as a tiling script does
  maximise ID           maximises it, as the title bar's button or a double click does
  fullscreen ID         makes it full screen, as a shortcut does
  normal ID             neither maximised nor full screen, as a second request of either does
  activate ID           gives it the focus
  close ID              closes it, as the title bar's close box does
  screenshot ID FILE    its client area, without the frame, as a PNG
  screenshot-frame ID FILE  the same, frame included

Usage: kwin_session.py --scripts HOST_DIR:KWIN_DIR COMMAND...
  HOST_DIR is a folder KWin reads as KWIN_DIR (its own runtime folder, seen from here).
"""
import json
import os
import subprocess
import sys
import threading
import uuid

import gi

gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib  # noqa: E402

REPLY_INTERFACE = """
<node><interface name="org.quorvel.KWinTest">
  <method name="report"><arg type="s" name="text" direction="in"/></method>
</interface></node>
"""

# Kept short: one function per command, all reached through report().
SCRIPT = """
function report(value) {
    callDBus("%(service)s", "/", "org.quorvel.KWinTest", "report", JSON.stringify(value));
}
function windows() {
    return workspace.windowList ? workspace.windowList() : workspace.clientList();
}
function byId(id) {
    var all = windows();
    for (var i = 0; i < all.length; i++)
        if (String(all[i].internalId) == id)
            return all[i];
    return null;
}
function rect(r) { return [Math.round(r.x), Math.round(r.y), Math.round(r.width), Math.round(r.height)]; }
function describe(w) {
    return { id: String(w.internalId), xid: w.windowId || 0, frame: rect(w.frameGeometry),
             buffer: rect(w.bufferGeometry), min: [w.minSize.width, w.minSize.height],
             max: [w.maxSize.width, w.maxSize.height], resizeable: !!w.resizeable,
             maximizable: !!w.maximizable, minimizable: !!w.minimizable,
             app: String(w.desktopFileName || w.resourceClass || "-"), active: !!w.active };
}
var args = %(args)s;
try {
    var command = args[0], w = args.length > 1 ? byId(args[1]) : null;
    if (command == "window") {
        var all = windows(), found = null, pattern = new RegExp(args[1]);
        for (var i = 0; i < all.length && !found; i++)
            if (all[i].normalWindow && pattern.test(all[i].caption))
                found = describe(all[i]);
        report(found);
    } else if (!w) {
        report({ error: "no window " + args[1] });
    } else if (command == "resize") {
        // args: ID, the client area's width and height now and the ones wanted.
        var f = w.frameGeometry;
        w.frameGeometry = { x: f.x, y: f.y, width: f.width + Number(args[4]) - Number(args[2]),
                            height: f.height + Number(args[5]) - Number(args[3]) };
        report({ done: true });
    } else if (command == "maximise") {
        w.setMaximize(true, true);
        report({ done: true });
    } else if (command == "fullscreen") {
        w.fullScreen = true;
        report({ done: true });
    } else if (command == "normal") {
        w.fullScreen = false;
        w.setMaximize(false, false);
        report({ done: true });
    } else if (command == "activate") {
        if ("activeWindow" in workspace)
            workspace.activeWindow = w;
        else
            workspace.activeClient = w;
        report({ done: true });
    } else if (command == "close") {
        w.closeWindow();
        report({ done: true });
    }
} catch (e) {
    report({ error: String(e) });
}
"""


class Session:
    def __init__(self, scripts):
        self.host_dir, self.kwin_dir = scripts.split(":", 1)
        self.bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
        self.reply = None
        self.loop = GLib.MainLoop()
        self.service = "org.quorvel.KWinTest.p%d" % os.getpid()
        node = Gio.DBusNodeInfo.new_for_xml(REPLY_INTERFACE)
        self.bus.register_object("/", node.interfaces[0], self.on_call, None, None)
        Gio.bus_own_name_on_connection(self.bus, self.service, Gio.BusNameOwnerFlags.NONE,
                                       None, None)

    def on_call(self, connection, sender, path, interface, method, params, invocation):
        self.reply = json.loads(params.unpack()[0])
        invocation.return_value(None)
        self.loop.quit()

    def kwin(self, path, interface, method, signature=None, args=(), reply="()"):
        params = GLib.Variant(signature, args) if signature else None
        return self.bus.call_sync("org.kde.KWin", path, interface, method, params,
                                  GLib.VariantType(reply), Gio.DBusCallFlags.NONE, 10000,
                                  None).unpack()

    def script(self, args):
        """Runs the script with ARGS in KWin and returns what it reported."""
        name = "quorvel-%s" % uuid.uuid4().hex
        host_file = os.path.join(self.host_dir, name + ".js")
        with open(host_file, "w") as out:
            out.write(SCRIPT % {"service": self.service, "args": json.dumps(args)})
        os.chmod(host_file, 0o644)
        try:
            scripting = "org.kde.kwin.Scripting"
            (number,) = self.kwin("/Scripting", scripting, "loadScript", "(ss)",
                                  (os.path.join(self.kwin_dir, name + ".js"), name), "(i)")
            if number < 0:
                sys.exit("KWin did not load the script")
            script_path = "/Scripting/Script%d" % number
            if script_path not in self.objects("/Scripting"):
                script_path = "/%d" % number  # KWin 5.27 puts scripts at the root
            self.kwin(script_path, "org.kde.kwin.Script", "run")
            GLib.timeout_add_seconds(10, self.loop.quit)
            self.loop.run()
            self.kwin("/Scripting", scripting, "unloadScript", "(s)", (name,), "(b)")
        finally:
            os.unlink(host_file)
        if self.reply is None:
            sys.exit("the KWin script did not report within 10 s")
        if isinstance(self.reply, dict) and "error" in self.reply:
            sys.exit("the KWin script failed: " + self.reply["error"])
        return self.reply

    def objects(self, path):
        (xml,) = self.kwin(path, "org.freedesktop.DBus.Introspectable", "Introspect",
                           reply="(s)")
        node = Gio.DBusNodeInfo.new_for_xml(xml)
        return {path.rstrip("/") + "/" + child.path for child in node.nodes}

    def screenshot(self, window_id, file, decoration):
        read_end, write_end = os.pipe()
        data = []
        reader = threading.Thread(target=lambda: data.append(read_all(read_end)), daemon=True)
        reader.start()
        fds = Gio.UnixFDList.new_from_array([write_end])  # a copy of write_end
        options = {"include-decoration": GLib.Variant("b", decoration),
                   "include-cursor": GLib.Variant("b", False),
                   "native-resolution": GLib.Variant("b", True)}
        try:
            result = self.bus.call_with_unix_fd_list_sync(
                "org.kde.KWin", "/org/kde/KWin/ScreenShot2", "org.kde.KWin.ScreenShot2",
                "CaptureWindow", GLib.Variant("(sa{sv}h)", (window_id, options, 0)),
                GLib.VariantType("(a{sv})"), Gio.DBusCallFlags.NONE, 10000, fds, None)
        finally:
            # The pipe ends once KWin has written and closed its own copies.
            os.close(write_end)
            fds = None
        reader.join(10)
        if reader.is_alive():
            sys.exit("KWin sent no screenshot within 10 s")
        (info,) = result[0].unpack()
        width, height, stride = info["width"], info["height"], info["stride"]
        raw = b"".join(data)
        if len(raw) < stride * height:
            sys.exit("the screenshot has %d bytes, want %d" % (len(raw), stride * height))
        # QImage's 32-bit formats, as bytes in memory on a little-endian machine: B G R A.
        rows = b"".join(raw[y * stride:y * stride + width * 4] for y in range(height))
        subprocess.run(["convert", "-size", "%dx%d" % (width, height), "-depth", "8",
                        "bgra:-", "-alpha", "off", file], input=rows, check=True)


def read_all(fd):
    chunks = []
    with os.fdopen(fd, "rb") as pipe:
        while True:
            chunk = pipe.read(65536)
            if not chunk:
                return b"".join(chunks)
            chunks.append(chunk)


def main():
    if len(sys.argv) < 4 or sys.argv[1] != "--scripts":
        sys.exit(__doc__.strip().splitlines()[-2])
    session = Session(sys.argv[2])
    command, args = sys.argv[3], sys.argv[4:]
    if command == "window":
        found = session.script(["window"] + args)
        if not found:
            sys.exit(1)
        print(found["id"], "x11" if found["xid"] else "wayland", found["xid"], *found["frame"],
              *found["buffer"], *found["min"], *found["max"], int(found["resizeable"]),
              int(found["maximizable"]), int(found["minimizable"]), found["app"])
    elif command in ("resize", "maximise", "fullscreen", "normal", "activate", "close"):
        session.script([command] + args)
    elif command in ("screenshot", "screenshot-frame"):
        session.screenshot(args[0], args[1], command == "screenshot-frame")
    else:
        sys.exit(__doc__.strip().splitlines()[-2])


if __name__ == "__main__":
    main()

// The shell's side of the end-to-end test: on the session bus as org.quorvel.TestShell,
// what gnome-shell lets no other client do. It reports the windows (frame and buffer
// rectangles, state), acts on one as the shell's own title bar, keyboard shortcuts or a
// tiling rule would (maximise, full screen, resize, close), types and clicks through
// virtual input devices of its own, which live as long as the shell, takes screenshots
// and reads and sets the clipboard. Loaded by the test only, as a shell extension; its
// imports and its entry point are added for the shell's version (display_gnome.sh).

const TestShellInterface = `<node><interface name="org.quorvel.TestShell">
<method name="State"><arg type="s" direction="out" name="json"/></method>
<method name="Windows"><arg type="s" direction="out" name="json"/></method>
<method name="Act"><arg type="t" direction="in" name="id"/>
  <arg type="s" direction="in" name="action"/><arg type="b" direction="out" name="done"/></method>
<method name="Keys"><arg type="a(ub)" direction="in" name="events"/></method>
<method name="Button"><arg type="b" direction="in" name="pressed"/></method>
<method name="MovePointer"><arg type="i" direction="in" name="x"/>
  <arg type="i" direction="in" name="y"/></method>
<method name="Screenshot"><arg type="i" direction="in" name="x"/><arg type="i" direction="in" name="y"/>
  <arg type="i" direction="in" name="width"/><arg type="i" direction="in" name="height"/>
  <arg type="s" direction="in" name="file"/><arg type="b" direction="out" name="done"/></method>
<method name="CandidateCursor"><arg type="s" direction="out" name="json"/></method>
<method name="GetClipboard"><arg type="s" direction="out" name="text"/></method>
<method name="SetClipboard"><arg type="s" direction="in" name="text"/></method>
<method name="ClipboardChanges"><arg type="u" direction="out" name="count"/></method>
</interface></node>`;

const BUTTON_PRIMARY = 1;

function defaultSeat() {
    // GNOME 46 and later reach the backend through the stage's context.
    const backend = global.stage.context?.get_backend?.() ?? Clutter.get_default_backend();
    return backend.get_default_seat();
}

function rectangle(r) {
    return [r.x, r.y, r.width, r.height];
}

class TestShell {
    constructor() {
        const seat = defaultSeat();
        this._keyboard = seat.create_virtual_device(Clutter.InputDeviceType.KEYBOARD_DEVICE);
        this._pointer = seat.create_virtual_device(Clutter.InputDeviceType.POINTER_DEVICE);
        this._clipboardChanges = 0;
        this._selection = global.display.get_selection();
        this._ownerChanged = this._selection.connect('owner-changed', (selection, type) => {
            if (type === Meta.SelectionType.SELECTION_CLIPBOARD)
                this._clipboardChanges++;
        });
        this._object = Gio.DBusExportedObject.wrapJSObject(TestShellInterface, this);
        this._object.export(Gio.DBus.session, '/org/quorvel/TestShell');
        this._name = Gio.bus_own_name_on_connection(Gio.DBus.session, 'org.quorvel.TestShell',
            Gio.BusNameOwnerFlags.NONE, null, null);
    }

    destroy() {
        Gio.bus_unown_name(this._name);
        this._object.unexport();
        this._selection.disconnect(this._ownerChanged);
    }

    State() {
        return JSON.stringify({
            overview: Main.overview.visible,
            startingUp: Main.layoutManager._startingUp,
            version: Config.PACKAGE_VERSION,
            screen: rectangle(global.display.get_monitor_geometry(0)),
            workArea: rectangle(global.workspace_manager.get_active_workspace()
                .get_work_area_for_monitor(0)),
        });
    }

    Windows() {
        return JSON.stringify(global.get_window_actors().map(actor => actor.meta_window)
            .map(window => ({
                id: window.get_id(),
                title: window.get_title() ?? '',
                wmClass: window.get_wm_class() ?? '',
                session: window.get_client_type() === Meta.WindowClientType.WAYLAND
                    ? 'wayland' : 'x11',
                type: window.get_window_type(),
                frame: rectangle(window.get_frame_rect()),
                buffer: rectangle(window.get_buffer_rect()),
                client: rectangle(window.frame_rect_to_client_rect(window.get_frame_rect())),
                maximized: window.get_maximized(),
                fullscreen: window.is_fullscreen(),
                focused: window.has_focus(),
                canMaximize: window.can_maximize(),
                canMinimize: window.can_minimize(),
                resizeable: window.resizeable,
                decorated: window.decorated,
                description: window.get_description() ?? "",
            })));
    }

    _window(id) {
        return global.get_window_actors().map(actor => actor.meta_window)
            .find(window => window.get_id() === id);
    }

    Act(id, action) {
        const window = this._window(id);
        if (!window)
            return false;
        const [verb, ...numbers] = action.split(' ');
        const [a, b] = numbers.map(Number);
        const now = global.get_current_time();
        switch (verb) {
        case 'focus': window.activate(now); break;
        case 'close': window.delete(now); break;
        case 'maximize': window.maximize(Meta.MaximizeFlags.BOTH); break;
        case 'fullscreen': window.make_fullscreen(); break;
        case 'normal':
            window.unmake_fullscreen();
            window.unmaximize(Meta.MaximizeFlags.BOTH);
            break;
        case 'resize': {
            const frame = window.get_frame_rect();
            window.move_resize_frame(true, frame.x, frame.y, a, b);
            break;
        }
        default: return false;
        }
        return true;
    }

    Keys(events) {
        for (const [keyval, pressed] of events) {
            this._keyboard.notify_keyval(GLib.get_monotonic_time(), keyval,
                pressed ? Clutter.KeyState.PRESSED : Clutter.KeyState.RELEASED);
        }
    }

    MovePointer(x, y) {
        this._pointer.notify_absolute_motion(GLib.get_monotonic_time(), x, y);
    }

    Button(pressed) {
        this._pointer.notify_button(GLib.get_monotonic_time(), BUTTON_PRIMARY,
            pressed ? Clutter.ButtonState.PRESSED : Clutter.ButtonState.RELEASED);
    }

    ScreenshotAsync([x, y, width, height, file], invocation) {
        // The shell's screenshot thread fails on an empty area (GNOME 43: it crashes).
        if (width < 1 || height < 1) {
            invocation.return_value(new GLib.Variant('(b)', [false]));
            return;
        }
        const stream = Gio.File.new_for_path(file).replace(null, false,
            Gio.FileCreateFlags.NONE, null);
        new Shell.Screenshot().screenshot_area(x, y, width, height, stream, (shooter, result) => {
            let done = false;
            try {
                shooter.screenshot_area_finish(result);
                done = true;
            } catch (e) {
                logError(e, 'Quorvel test: screenshot');
            }
            stream.close(null);
            invocation.return_value(new GLib.Variant('(b)', [done]));
        });
    }

    // Where the shell puts ibus's candidate list: under the rectangle the client named as
    // its text cursor, in screen coordinates.
    CandidateCursor() {
        const popup = IBusManager.getIBusManager()._candidatePopup;
        const cursor = popup._dummyCursor;
        return JSON.stringify({
            shown: popup.visible,
            cursor: [cursor.x, cursor.y, cursor.width, cursor.height],
        });
    }

    GetClipboardAsync(parameters, invocation) {
        St.Clipboard.get_default().get_text(St.ClipboardType.CLIPBOARD, (clipboard, text) =>
            invocation.return_value(new GLib.Variant('(s)', [text ?? ''])));
    }

    SetClipboard(text) {
        St.Clipboard.get_default().set_text(St.ClipboardType.CLIPBOARD, text);
    }

    ClipboardChanges() {
        return this._clipboardChanges;
    }
}

/* A keyboard and pointer for a headless KWin: presses and releases keys and moves and clicks
 * through KWin's fake input protocol (org_kde_kwin_fake_input), as the test tells it on
 * standard input, one command a line:
 *   key CODE 1|0   press (1) or release (0) the evdev key CODE
 *   move X Y       puts the pointer at X,Y on the screen
 *   button CODE 1|0  press or release the pointer's evdev button CODE (BTN_LEFT: 272)
 *   wait MS        pause
 *   sync TAG       once KWin has handled everything before it, print "synced TAG"
 * The device it brings stays until standard input ends, so the seat keeps a keyboard for
 * the whole run. KWin lets any client use the protocol when started with
 * KWIN_WAYLAND_NO_PERMISSION_CHECKS=1, once it can read the client's program file at the
 * path the client's process shows it: so this runs where KWin runs, in the same root.
 *
 * Usage: kwin_fake_keys   (WAYLAND_DISPLAY names KWin's socket) */
#include "fake-input-client-protocol.h"

#include <stdio.h>
#include <string.h>
#include <time.h>
#include <wayland-client.h>

static struct org_kde_kwin_fake_input* fake_input;

static void on_global(void* data, struct wl_registry* registry, uint32_t name,
                      const char* interface, uint32_t version) {
    (void)data;
    if (strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0 && version >= 4)
        fake_input = wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 4);
}

static void on_global_remove(void* data, struct wl_registry* registry, uint32_t name) {
    (void)data;
    (void)registry;
    (void)name;
}

static const struct wl_registry_listener registry_listener = {on_global, on_global_remove};

int main(void) {
    struct wl_display* display = wl_display_connect(NULL);
    if (!display) {
        fprintf(stderr, "kwin_fake_keys: cannot connect to the Wayland display\n");
        return 1;
    }
    struct wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registry_listener, NULL);
    wl_display_roundtrip(display);
    if (!fake_input) {
        fprintf(stderr, "kwin_fake_keys: the compositor offers no org_kde_kwin_fake_input "
                        "of version 4 or later\n");
        return 1;
    }
    org_kde_kwin_fake_input_authenticate(fake_input, "Quorvel's tests", "typing into the window");
    if (wl_display_roundtrip(display) < 0)
        return 1;
    printf("ready\n");
    fflush(stdout);

    char line[256];
    while (fgets(line, sizeof line, stdin)) {
        unsigned code, pressed, ms, x, y;
        char tag[64];
        if (sscanf(line, "key %u %u", &code, &pressed) == 2) {
            org_kde_kwin_fake_input_keyboard_key(fake_input, code, pressed ? 1 : 0);
            wl_display_flush(display);
        } else if (sscanf(line, "move %u %u", &x, &y) == 2) {
            org_kde_kwin_fake_input_pointer_motion_absolute(fake_input, wl_fixed_from_int((int)x),
                                                            wl_fixed_from_int((int)y));
            wl_display_flush(display);
        } else if (sscanf(line, "button %u %u", &code, &pressed) == 2) {
            org_kde_kwin_fake_input_button(fake_input, code, pressed ? 1 : 0);
            wl_display_flush(display);
        } else if (sscanf(line, "wait %u", &ms) == 1) {
            struct timespec pause = {ms / 1000, (long)(ms % 1000) * 1000000L};
            nanosleep(&pause, NULL);
        } else if (sscanf(line, "sync %63s", tag) == 1) {
            if (wl_display_roundtrip(display) < 0) {
                fprintf(stderr, "kwin_fake_keys: the compositor went away\n");
                return 1;
            }
            printf("synced %s\n", tag);
            fflush(stdout);
        } else {
            fprintf(stderr, "kwin_fake_keys: not a command: %s", line);
            return 2;
        }
    }
    wl_display_disconnect(display);
    return 0;
}

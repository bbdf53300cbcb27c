# The Qt build as an X client (Qt's xcb platform) on the Xwayland of a headless gnome-shell:
# the display of display_gnome.sh, in its X11 session. Mutter draws the title bar there.
gnome_session=x11
source "$e2e_dir/display_gnome.sh"
source "$e2e_dir/target_gnome.sh"
target_screenshot=quorvel-e2e-gnome-xwayland.png

target_setup() { export QT_QPA_PLATFORM=xcb; }

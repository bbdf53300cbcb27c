# The Qt build as a native Wayland client (qt6-wayland) of a headless gnome-shell: the
# display of display_gnome.sh, in its Wayland session. Qt draws the title bar itself there.
gnome_session=wayland
source "$e2e_dir/display_gnome.sh"
source "$e2e_dir/target_gnome.sh"
target_screenshot=quorvel-e2e-gnome-wayland.png

target_setup() { export QT_QPA_PLATFORM=wayland; }

// GNOME 44 and earlier: extensions are scripts that reach the shell through imports.
const {Clutter, Gio, GLib, Meta, Shell, St} = imports.gi;
const Config = imports.misc.config;
const IBusManager = imports.misc.ibusManager;
const Main = imports.ui.main;



let testShell = null;

function init() {}

function enable() {
    testShell = new TestShell();
}

function disable() {
    testShell?.destroy();
    testShell = null;
}

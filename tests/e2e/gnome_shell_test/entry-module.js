
export default class QuorvelTestExtension extends Extension {
    enable() {
        this._testShell = new TestShell();
    }

    disable() {
        this._testShell?.destroy();
        this._testShell = null;
    }
}

#pragma once

#include "dpi.h"
#include "form_builder.h"
#include "pictures.h"
#include "stroke_table.h"

#include <windows.h>

// The program's one window. It owns the stroke table and the controls' state; all it
// does happens in its five handlers: load, Command1 click, Text1 change, Command2 click
// and Label1 click. The rest of the window procedure draws and lays it out.
class Form1 {
public:
    explicit Form1(HINSTANCE instance);
    ~Form1();
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    // Creates the window and its controls, hidden. False if Windows refuses.
    bool create();

    // The window's load, run once before it is first shown: reads the stroke table.
    // Throws StrokeTableError, which ends the program with a run-time error message.
    void load();

    // Shows the window centred on its monitor's work area, the focus in Text1.
    void show(int showCommand);

    // The keys the window itself handles before any control sees them: Tab, Enter,
    // Escape, Ctrl+A. True if `message` was one of them and is used up.
    bool handleDialogKey(const MSG& message);

    HWND handle() const { return window_; }

    // 1 while Check1 is down (look up on every change of Text1), 0 while it is up.
    int check1Value() const { return check1Value_; }

private:
    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    // Window messages.
    void onCreate();
    void onPaint();
    LRESULT onControlColour(HDC dc, HWND control);
    void onDrawItem(const DRAWITEMSTRUCT& item);
    void onCommand(int id, int code);
    bool onSetCursor(HWND over, int hitTest);
    void onActivate(bool active);
    void onDpiChanged(UINT dpi, const RECT& suggested);

    // The handlers.
    void onCommand1Clicked();
    void onText1Changed();
    [[noreturn]] void onCommand2Clicked();
    void onLabel1Clicked();

    void selectAllOfText1();
    void moveFocus(bool backwards);
    void applyDpi(UINT dpi);
    SIZE windowSize(UINT dpi) const;
    void drawPictureButton(const DRAWITEMSTRUCT& item, const ControlSpec& layout);
    void drawLinkLabel(const DRAWITEMSTRUCT& item, const ControlSpec& layout);
    HBRUSH faceBrush(const ControlSpec& layout);

    HINSTANCE instance_;
    HWND window_ = nullptr;
    StrokeTable strokeTable_;
    FormControls controls_;
    PictureCache pictures_;
    HWND text1_ = nullptr;
    HWND text2_ = nullptr;
    HWND command1_ = nullptr;
    HWND command2_ = nullptr;
    HWND check1_ = nullptr;
    HWND label1_ = nullptr;
    HWND defaultButton_ = nullptr;
    HWND lastFocus_ = nullptr;
    int check1Value_ = 1; // down from the start: look up on every change
    UINT dpi_ = kDefaultDpi;
    HBRUSH background_ = nullptr;
    std::array<HBRUSH, kForm1Controls.size()> faceBrushes_{};
    HICON smallIcon_ = nullptr;
    HICON bigIcon_ = nullptr;
};

// The recorder's one window: a 34 x 18 toolbar of two image buttons that floats above every
// window without taking activation and follows the stylus when dragged. The left button
// records, pauses and resumes; the right one closes the window while idle and otherwise stops
// and saves the recording. The state of the recorder is the pair of the buttons' states:
// Idle 0/0, Recording 1/1, Paused 0/1. While idle, holding the stylus on it for half a second
// (or a right click) offers its menu, whose Quit ends the recorder; while a macro plays, the
// menu also offers Stop Playback.
#pragma once

#include "ButtonListener.h"
#include "ImageButton.h"
#include "platform/gui.h"

class RecorderWindow : public ButtonListener {
  public:
    // Builds the window object on the first call: installs the touch capture, registers the
    // window class and creates the window.
    static RecorderWindow& GetInstance();

    virtual void Redraw();
    virtual ~RecorderWindow();
    RecorderWindow(const RecorderWindow&) = delete;
    RecorderWindow& operator=(const RecorderWindow&) = delete;

    void OnButtonClick(ImageButton& button, int state) override;
    static LRESULT WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    HWND Handle() const { return hwnd; }

    // WM_CLOSE with this wParam ends the recorder even while its capture is calibrated, when
    // closing otherwise only hides it: a person asked to quit (its menu, tapweave-recorder
    // --quit). Removal's request, wParam 1, still leaves a calibrated recorder running.
    static constexpr WPARAM quitRequest = 2;

  private:
    RecorderWindow();

    LRESULT Paint(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT SettingChange(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Close(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Place(HWND window);
    void Drag(int x, int y);
    void Lift(int x, int y);
    // The menu at a screen point, while idle.
    void ShowMenu(int x, int y);

    HINSTANCE hInstance;
    HWND hwnd;
    int width;
    int height;
    int recordButtonX;
    int recordButtonY;
    ImageButton recordButton;
    int stopButtonX;
    int stopButtonY;
    ImageButton stopButton;
    int anchorX;
    int anchorY;
    bool dragging;
    // When the stylus last went down on the window, to tell a hold from a tap.
    DWORD pressedAt;
};

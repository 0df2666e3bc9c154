#pragma once
#include <windows.h>
#include <string>

namespace win {

// A window's or control's whole text; empty for no window.
std::string WindowText(HWND hwnd);

// Whether window is owner itself or owned by it, directly or through other
// owned windows: the message boxes and dialogs a window raises.
bool IsOwnedBy(HWND window, HWND owner);

// A window owned by a C++ object. The derived class handles its messages in
// WndProc with a switch and passes the rest to the base.
class Window {
public:
    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    // Destroys the window if it still exists; its last messages then go to
    // DefWindowProc, since the derived part is already gone.
    virtual ~Window();

    // Registers a class whose windows are run by Window objects; lpfnWndProc
    // is filled in here. A class that exists already counts as success.
    static bool RegisterWindowClass(WNDCLASSEXA wc);

    // CreateWindowExA for this object; false when the window was not made.
    bool Create(DWORD exStyle, const char* className, const char* title, DWORD style,
                int x, int y, int width, int height, HWND parent, HMENU menu,
                HINSTANCE instance);
    void Destroy();
    HWND hwnd() const { return hwnd_; }

protected:
    virtual LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);
    // After WM_NCDESTROY, when hwnd() is already null.
    virtual void OnDestroyed() {}

private:
    static LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT message, WPARAM wParam,
                                          LPARAM lParam);
    HWND hwnd_ = nullptr;
};

}  // namespace win

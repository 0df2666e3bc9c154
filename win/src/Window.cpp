#include "win/Window.h"
#include "win/ExceptionGuard.h"

namespace win {

bool IsOwnedBy(HWND window, HWND owner) {
    for (int depth = 0; window && depth < 64; ++depth, window = GetWindow(window, GW_OWNER))
        if (window == owner) return true;
    return false;
}

std::string WindowText(HWND hwnd) {
    int length = hwnd ? GetWindowTextLengthA(hwnd) : 0;
    std::string text(length + 1, '\0');
    length = hwnd ? GetWindowTextA(hwnd, text.data(), length + 1) : 0;
    text.resize(length);
    return text;
}

Window::~Window() {
    if (hwnd_) {
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

bool Window::RegisterWindowClass(WNDCLASSEXA wc) {
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = StaticWndProc;
    return RegisterClassExA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

bool Window::Create(DWORD exStyle, const char* className, const char* title, DWORD style,
                    int x, int y, int width, int height, HWND parent, HMENU menu,
                    HINSTANCE instance) {
    if (hwnd_) return false;
    return CreateWindowExA(exStyle, className, title, style, x, y, width, height, parent,
                           menu, instance, this) != nullptr;
}

void Window::Destroy() {
    if (hwnd_) DestroyWindow(hwnd_);
}

LRESULT Window::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd_, message, wParam, lParam);
}

LRESULT CALLBACK Window::StaticWndProc(HWND hwnd, UINT message, WPARAM wParam,
                                       LPARAM lParam) {
    // A window of the class made by a plain CreateWindowEx, as a dialog
    // template's control would be, has no object and stays a default window.
    if (message == WM_NCCREATE) {
        auto* self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        if (self) {
            self->hwnd_ = hwnd;
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
    }
    auto* self = reinterpret_cast<Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcA(hwnd, message, wParam, lParam);
    LRESULT result = RunGuarded(LRESULT(0), [&] { return self->WndProc(message, wParam, lParam); });
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        self->OnDestroyed();
    }
    return result;
}

}  // namespace win

#pragma once

#include <windows.h>

namespace plotaktar::win {

// The object of ours behind a window of one of our classes: given to CreateWindowExW as its
// creation parameter, kept in the window's user data from WM_NCCREATE on, its `window_` set
// then. Null before that message and after the object let go of its window.
template <class Object>
Object* WindowObject(HWND window, UINT message, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* object =
            static_cast<Object*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(object));
        object->window_ = window;
    }
    return reinterpret_cast<Object*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

}  // namespace plotaktar::win

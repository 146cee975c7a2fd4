// plotaktar.exe: the window on Windows.
#include <windows.h>

#include <commctrl.h>

#include <exception>

#include "model/errors.h"
#include "win/form_window.h"
#include "win/win_text.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_STANDARD_CLASSES | ICC_TAB_CLASSES | ICC_BAR_CLASSES | ICC_PROGRESS_CLASS;
    InitCommonControlsEx(&controls);
    try {
        plotaktar::win::TForm1 Form1(instance);
        Form1.show(showCommand);
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        return static_cast<int>(message.wParam);
    } catch (const std::exception& failure) {
        // The window could not be made (memory ran out): said, not a silent exit.
        MessageBoxW(nullptr, plotaktar::win::WideFromCp1254(plotaktar::MessageOf(failure)).c_str(),
                    L"Plotaktar", MB_OK | MB_ICONERROR);
        return 1;
    }
}

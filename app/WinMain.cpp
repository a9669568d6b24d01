#include "win/Platform.h"
#include "win/Unit1.h"

#include <windows.h>

#include <commctrl.h> // needs windows.h first
#include <objbase.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    // The manifest asks for the common controls' visual styles; they apply once comctl32 is in.
    InitCommonControls();
    // COM, for the accessibility property service that marks the status as a live region.
    (void)CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    // The application object's hidden window exists before the form, as the framework has it.
    (void)ApplicationWindow();

    TForm1 Form1;
    ShowWindow(Form1.Handle(), StartupShowCommand());
    UpdateWindow(Form1.Handle());
    return RunMessageLoop(Form1.Handle());
}

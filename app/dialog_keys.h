// The keyboard in the program's windows as in a dialog box: the focused control survives
// deactivation (a message box, the settings window, Alt+Tab), and Tab and Shift+Tab go through
// the controls in screen order. The message loop passes messages through IsDialogMessageW.
#pragma once
#include <windows.h>

// Called first by the window procedure of a top-level window with controls. Handles
// WM_ACTIVATE (saves the focused control when the window is deactivated and gives it back when
// it is activated again, the control `firstId` when none was saved: without this the window
// itself keeps the focus and typing goes nowhere) and WM_NEXTDLGCTL (what IsDialogMessageW and
// a multi-line edit box send for Tab). True when the message was handled; the procedure then
// returns *result.
bool handleDialogKeys(HWND window, UINT message, WPARAM wParam, LPARAM lParam, int firstId, LRESULT* result);

// Gives Tab and Shift+Tab the screen order: the controls that take the keyboard (buttons,
// check boxes, edit boxes, lists) inside the client area become tab stops, ordered in rows from
// top to bottom and from left to right within a row. Labels keep their places.
void arrangeTabOrder(HWND window);

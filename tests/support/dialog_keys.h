// A dialog of the program under test answered from the keyboard, as a user would.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Presses a key (a virtual-key code) in the window, brought to the front, as
// a user would, until the window closes or hides (at most kAnswerMs).
void PressKey(HWND window, WORD key);
// Presses Esc in the dialog.
void CancelDialog(HWND dialog);
// Selects the language dialog's item as a user would and presses Enter, for
// OK; false when the list does not hold it.
bool ChooseLanguage(HWND dialog, const std::wstring& item);
// The items of the language dialog's list.
std::vector<std::wstring> LanguageItems(HWND dialog);

#include "app/globals.h"
#include "language/language_list.h"

HINSTANCE g_hInstance = nullptr;

// Defined together so that the command line is constructed before the
// language catalogue and destroyed after it: the order of static objects is
// fixed only within one translation unit.
std::wstring g_commandLine;
Main::LanguageList g_languageList;

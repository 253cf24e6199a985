// The texts a program shows, in its user's display language: the dialog
// templates and strings that the program carries for that language, else
// English. Both programs choose explicitly, the same way on every system,
// since the system's own resource search does not agree between Windows
// versions and Wine (Wine takes a language-neutral template first).
#pragma once

#include <windows.h>

// Copies string `id` as the program carries it for `language` into `text`
// (capacity counts the terminating zero) and returns its length; a language
// that lacks the string gives the English one, and a string missing
// altogether gives 0 and an empty text.
int LoadStringInLanguage(HMODULE module, UINT id, LANGID language, WCHAR *text, int capacity);

// Runs dialog template `id` modally, as the program carries it for
// `language`, with the dialog procedure; the dialog's end code, -1 when the
// program has no such template.
INT_PTR DialogBoxInLanguage(HINSTANCE instance, WORD id, HWND owner, DLGPROC procedure, LANGID language);

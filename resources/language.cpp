// Picks a program's dialog template or string block by the user's language.
// The order: the language itself, then another of its primary language (a
// German user in Austria gets the German texts, a Portuguese user in Portugal
// the Brazilian ones, either closer than English), then English. The choice
// is made among the languages the program carries, and only a language found
// there is asked for: Wine's FindResourceEx answers a missing language with
// another of its own choosing.
#include "resources/language.h"

namespace {

// Every text exists in English: the strings as English (United States), the
// saver's dialog template as language-neutral.
constexpr LANGID EnglishLanguages[] = {MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                                       MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL)};
constexpr LANGID NoLanguage = 0xFFFF;

// The resource types by their wide names.
const LPCWSTR DialogType = reinterpret_cast<LPCWSTR>(RT_DIALOG);
const LPCWSTR StringType = reinterpret_cast<LPCWSTR>(RT_STRING);

// Strings sit in blocks of 16 under the block id: string n in block n / 16 + 1.
constexpr UINT StringsPerBlock = 16;

// The languages a program carries one resource in, as many as it may have.
struct CarriedLanguages {
    LANGID List[32] = {};
    int Count = 0;
};

// Notes one language of the resource.
BOOL CALLBACK NoteLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR parameter)
{
    auto *carried = reinterpret_cast<CarriedLanguages *>(parameter);
    if (carried->Count < static_cast<int>(sizeof carried->List / sizeof carried->List[0]))
        carried->List[carried->Count++] = language;
    return TRUE;
}

// The language to show the resource in for a user of `wanted`: that one,
// else the first of its primary language, else English.
LANGID ChooseLanguage(const CarriedLanguages &carried, LANGID wanted)
{
    LANGID sibling = NoLanguage, english[2] = {NoLanguage, NoLanguage};
    for (int i = 0; i < carried.Count; ++i) {
        const LANGID language = carried.List[i];
        if (language == wanted)
            return language;
        if (PRIMARYLANGID(language) == PRIMARYLANGID(wanted) && sibling == NoLanguage)
            sibling = language;
        for (int e = 0; e < 2; ++e)
            if (language == EnglishLanguages[e])
                english[e] = language;
    }
    if (sibling != NoLanguage)
        return sibling;
    return english[0] != NoLanguage ? english[0] : english[1];
}

// The resource as the user of `language` is to see it; null when the
// program has none to show.
HRSRC FindInLanguage(HMODULE module, LPCWSTR type, WORD id, LANGID language)
{
    CarriedLanguages carried;
    EnumResourceLanguagesW(module, type, MAKEINTRESOURCEW(id), NoteLanguage, reinterpret_cast<LONG_PTR>(&carried));
    const LANGID chosen = ChooseLanguage(carried, language);
    return chosen == NoLanguage ? nullptr : FindResourceExW(module, type, MAKEINTRESOURCEW(id), chosen);
}

// Copies string `id` out of its block: each of the 16 is a count of UTF-16
// units followed by the units, without a terminating zero. 0 when the block
// is missing or holds nothing for the id.
int CopyFromBlock(HMODULE module, HRSRC block, UINT id, WCHAR *text, int capacity)
{
    const auto *at = block ? static_cast<const WCHAR *>(LockResource(LoadResource(module, block))) : nullptr;
    if (at == nullptr)
        return 0;
    for (UINT skipped = id % StringsPerBlock; skipped > 0; --skipped)
        at += 1 + *at;
    const int length = *at < capacity - 1 ? *at : capacity - 1;
    CopyMemory(text, at + 1, length * sizeof(WCHAR));
    text[length] = L'\0';
    return length;
}

} // namespace

// A translation that lacks one string falls back to English for that string
// alone.
int LoadStringInLanguage(HMODULE module, UINT id, LANGID language, WCHAR *text, int capacity)
{
    if (capacity < 1)
        return 0;
    text[0] = L'\0';
    const WORD block = static_cast<WORD>(id / StringsPerBlock + 1);
    const int length = CopyFromBlock(module, FindInLanguage(module, StringType, block, language), id, text, capacity);
    if (length > 0)
        return length;
    return CopyFromBlock(module, FindInLanguage(module, StringType, block, EnglishLanguages[0]), id, text, capacity);
}

// The template is taken from the program's resources as found, so the
// system's own search order never comes into it.
INT_PTR DialogBoxInLanguage(HINSTANCE instance, WORD id, HWND owner, DLGPROC procedure, LANGID language)
{
    HRSRC found = FindInLanguage(instance, DialogType, id, language);
    if (found == nullptr)
        return -1;
    const auto *dialog = static_cast<const DLGTEMPLATE *>(LockResource(LoadResource(instance, found)));
    return DialogBoxIndirectParamW(instance, dialog, owner, procedure, 0);
}

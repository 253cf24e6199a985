// The installer's message boxes. Their texts come from the installer's string
// tables in the user's display language and are shown through the
// wide-character calls, so that every language's letters come out whatever
// the system's code page.
#include "installer/message_box.h"

#include "resources/language.h"

namespace {

// Room for the longest text, and for the overwrite question with its path:
// as much as wsprintfW ever writes.
constexpr int TextCapacity = 1024;
constexpr int CaptionCapacity = 64;

// The string in the user's display language.
void LoadText(UINT id, WCHAR *text, int capacity)
{
    LoadStringInLanguage(GetModuleHandleW(nullptr), id, GetUserDefaultUILanguage(), text, capacity);
}

// Shows the text under the caption of that id, without owner.
int ShowText(UINT captionId, const WCHAR *text, UINT type)
{
    WCHAR caption[CaptionCapacity] = L"";
    LoadText(captionId, caption, CaptionCapacity);
    return MessageBoxW(nullptr, text, caption, type);
}

} // namespace

// Both texts in the user's display language.
int ShowMessage(UINT captionId, UINT textId, UINT type)
{
    WCHAR text[TextCapacity] = L"";
    LoadText(textId, text, TextCapacity);
    return ShowText(captionId, text, type);
}

// The path is a MAX_PATH text of the system's code page, so it fits once
// widened.
int ShowPathMessage(UINT captionId, UINT textId, const char *path, UINT type)
{
    WCHAR format[TextCapacity] = L"", widePath[MAX_PATH] = L"", text[TextCapacity] = L"";
    LoadText(textId, format, TextCapacity);
    MultiByteToWideChar(CP_ACP, 0, path, -1, widePath, MAX_PATH);
    wsprintfW(text, format, widePath);
    return ShowText(captionId, text, type);
}

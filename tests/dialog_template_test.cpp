// The configuration dialog's template, read from the program's own resources
// and walked field by field as the platform's dialog manager reads it.
#include "resources/resource_ids.h"
#include "shell/saver_module.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct ControlTemplate {
    DWORD Style;
    DWORD ExStyle;
    short X, Y, Width, Height;
    WORD Id;
    std::string Class;
    std::string Text;
    WORD ExtraBytes;
};

struct DialogTemplate {
    bool Extended;
    DWORD Style;
    DWORD ExStyle;
    WORD Count;
    short X, Y, Width, Height;
    std::string Menu;
    std::string Class;
    std::string Caption;
    WORD PointSize;
    std::string Font;
    std::vector<ControlTemplate> Controls;
};

// Walks a template: fixed fields, then strings or ordinals, each item on a
// four-byte boundary from the template's start.
class TemplateReader {
public:
    TemplateReader(const BYTE *start, DWORD size) : start(start), at(start), end(start + size) {}

    bool Overrun() const { return at > end; }

    WORD Word()
    {
        WORD w = 0;
        if (at + 2 <= end)
            memcpy(&w, at, 2);
        at += 2;
        return w;
    }

    DWORD Dword()
    {
        const WORD low = Word();
        const WORD high = Word();
        return MAKELONG(low, high);
    }

    // A null-terminated UTF-16 text, kept as ASCII (the template's texts are).
    std::string Text()
    {
        std::string text;
        for (WORD c = Word(); c != 0 && !Overrun(); c = Word())
            text += c < 0x80 ? static_cast<char>(c) : '?';
        return text;
    }

    // A text, or an ordinal written as "#n".
    std::string TextOrOrdinal()
    {
        WORD first = 0;
        if (at + 2 <= end)
            memcpy(&first, at, 2);
        if (first == 0xFFFF) {
            Word();
            return "#" + std::to_string(Word());
        }
        return Text();
    }

    void AlignToDword()
    {
        while ((at - start) % 4 != 0)
            ++at;
    }

    void Skip(size_t bytes) { at += bytes; }

private:
    const BYTE *start;
    const BYTE *at;
    const BYTE *end;
};

// The predefined control classes a standard template names by ordinal.
std::string ClassName(const std::string &stored)
{
    if (stored == "#128")
        return "button";
    if (stored == "#129")
        return "edit";
    if (stored == "#130")
        return "static";
    if (stored == "#132")
        return "scrollbar";
    std::string lower = stored;
    for (char &c : lower)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return lower;
}

DialogTemplate ReadDialog(const BYTE *data, DWORD size)
{
    DialogTemplate d{};
    TemplateReader r(data, size);
    const DWORD first = r.Dword();
    d.Extended = LOWORD(first) == 1 && HIWORD(first) == 0xFFFF;
    if (d.Extended)
        return d;
    d.Style = first;
    d.ExStyle = r.Dword();
    d.Count = r.Word();
    d.X = static_cast<short>(r.Word());
    d.Y = static_cast<short>(r.Word());
    d.Width = static_cast<short>(r.Word());
    d.Height = static_cast<short>(r.Word());
    d.Menu = r.TextOrOrdinal();
    d.Class = r.TextOrOrdinal();
    d.Caption = r.Text();
    if (d.Style & DS_SETFONT) {
        d.PointSize = r.Word();
        d.Font = r.Text();
    }
    for (WORD i = 0; i < d.Count && !r.Overrun(); ++i) {
        r.AlignToDword();
        ControlTemplate c{};
        c.Style = r.Dword();
        c.ExStyle = r.Dword();
        c.X = static_cast<short>(r.Word());
        c.Y = static_cast<short>(r.Word());
        c.Width = static_cast<short>(r.Word());
        c.Height = static_cast<short>(r.Word());
        c.Id = r.Word();
        c.Class = ClassName(r.TextOrOrdinal());
        c.Text = r.TextOrOrdinal();
        c.ExtraBytes = r.Word();
        r.Skip(c.ExtraBytes);
        if (!r.Overrun())
            d.Controls.push_back(c);
    }
    return d;
}

// Every language under which the program holds dialog 2003.
BOOL CALLBACK CollectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR list)
{
    reinterpret_cast<std::vector<WORD> *>(list)->push_back(language);
    return TRUE;
}

class DialogResource : public testing::Test {
protected:
    void SetUp() override
    {
        HRSRC found = FindResourceExA(SaverState.Instance, MAKEINTRESOURCEA(5), MAKEINTRESOURCEA(IDD_CONFIGURE),
                                      MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));
        ASSERT_NE(found, nullptr) << "no language-neutral dialog 2003";
        HGLOBAL loaded = LoadResource(SaverState.Instance, found);
        ASSERT_NE(loaded, nullptr);
        const DWORD size = SizeofResource(SaverState.Instance, found);
        dialog = ReadDialog(static_cast<const BYTE *>(LockResource(loaded)), size);
    }
    DialogTemplate dialog;
};

TEST(DialogResourceLanguage, OnlyLanguageNeutral)
{
    std::vector<WORD> languages;
    EnumResourceLanguagesA(SaverState.Instance, MAKEINTRESOURCEA(5), MAKEINTRESOURCEA(IDD_CONFIGURE), CollectLanguage,
                           reinterpret_cast<LONG_PTR>(&languages));
    ASSERT_EQ(languages.size(), 1u);
    EXPECT_EQ(languages[0], MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));
}

TEST_F(DialogResource, IsAStandardTemplateWithCaptionFontAndFrame)
{
    ASSERT_FALSE(dialog.Extended);
    EXPECT_EQ(dialog.Style, static_cast<DWORD>(WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME |
                                               DS_CENTER | DS_SETFONT));
    EXPECT_EQ(dialog.ExStyle, 0u);
    EXPECT_EQ(dialog.X, 88);
    EXPECT_EQ(dialog.Y, 60);
    EXPECT_EQ(dialog.Width, 152);
    EXPECT_EQ(dialog.Height, 114);
    EXPECT_EQ(dialog.Menu, "");
    EXPECT_EQ(dialog.Class, "");
    EXPECT_EQ(dialog.Caption, "Telv Screensaver");
    EXPECT_EQ(dialog.PointSize, 8);
    EXPECT_EQ(dialog.Font, "MS Sans Serif");
    EXPECT_EQ(dialog.Count, 11);
}

struct ExpectedControl {
    WORD Id;
    const char *Class;
    const char *Text; // nullptr: a line about the program, checked apart
    DWORD FurtherStyle;
    short X, Y, Width, Height;
};

constexpr WORD NoId = 0xFFFF;

const ExpectedControl Controls[] = {
    {IDC_BALLS_GROUP, "button", "Balls", BS_GROUPBOX, 5, 6, 90, 40},
    {IDOK, "button", "OK", BS_PUSHBUTTON | WS_TABSTOP, 103, 9, 40, 14},
    {IDCANCEL, "button", "Cancel", BS_PUSHBUTTON | WS_TABSTOP, 103, 32, 40, 14},
    {IDC_COPYRIGHT, "static", nullptr, SS_LEFT | WS_GROUP, 15, 68, 95, 8},
    {IDC_EMAIL, "static", nullptr, SS_LEFT | WS_GROUP, 37, 80, 87, 8},
    {IDC_WEB, "static", nullptr, SS_LEFT | WS_GROUP, 37, 90, 104, 8},
    {IDC_SPINNER, "scrollbar", "", SBS_VERT, 32, 22, 10, 12},
    {IDC_COUNT, "edit", "", ES_LEFT | ES_NUMBER | WS_BORDER | WS_TABSTOP, 16, 22, 16, 12},
    {NoId, "button", "Info", BS_GROUPBOX, 5, 54, 138, 52},
    {NoId, "static", "E-mail", SS_LEFT | WS_GROUP, 15, 80, 25, 8},
    {NoId, "static", "Web", SS_LEFT | WS_GROUP, 15, 90, 16, 8},
};

TEST_F(DialogResource, ControlsInOrderWithIdClassTextStyleAndRectangle)
{
    ASSERT_EQ(dialog.Controls.size(), std::size(Controls));
    for (size_t i = 0; i < std::size(Controls); ++i) {
        const ExpectedControl &want = Controls[i];
        const ControlTemplate &got = dialog.Controls[i];
        SCOPED_TRACE("control " + std::to_string(i + 1));
        EXPECT_EQ(got.Id, want.Id);
        EXPECT_EQ(got.Class, want.Class);
        if (want.Text) {
            EXPECT_EQ(got.Text, want.Text);
        }
        EXPECT_EQ(got.Style, WS_CHILD | WS_VISIBLE | want.FurtherStyle);
        EXPECT_EQ(got.ExStyle, 0u);
        EXPECT_EQ(got.X, want.X);
        EXPECT_EQ(got.Y, want.Y);
        EXPECT_EQ(got.Width, want.Width);
        EXPECT_EQ(got.Height, want.Height);
        EXPECT_EQ(got.ExtraBytes, 0);
    }
}

// The lines about the program itself: a copyright line, then an e-mail and a
// web line that each start with a colon and a blank.
TEST_F(DialogResource, InfoLinesHaveTheirForm)
{
    ASSERT_EQ(dialog.Controls.size(), std::size(Controls));
    EXPECT_EQ(dialog.Controls[3].Text.rfind("(C) 2026", 0), 0u) << dialog.Controls[3].Text;
    const std::string &email = dialog.Controls[4].Text;
    const std::string &web = dialog.Controls[5].Text;
    ASSERT_GT(email.size(), 2u);
    ASSERT_GT(web.size(), 2u);
    EXPECT_EQ(email.substr(0, 2), ": ");
    EXPECT_NE(email.find('@', 2), std::string::npos) << email;
    EXPECT_EQ(email.find(' ', 2), std::string::npos) << email;
    EXPECT_EQ(web.substr(0, 2), ": ");
    EXPECT_NE(web.find('.', 2), std::string::npos) << web;
    EXPECT_EQ(web.find(' ', 2), std::string::npos) << web;
}

} // namespace

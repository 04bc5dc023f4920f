// Every page and dialog at the DPI its prefix was given (layout_test.sh): measured in the
// program's own process, where the controls' fonts and pictures can be selected. Text
// fits its control, controls their parent, windows the screen's work area, the picture
// its size at this DPI; the keyboard reaches the controls in reading order with unique mnemonics,
// and a screen reader finds a name for every control but the picture.
#include <gtest/gtest.h>
#include <windows.h>
#include <oleacc.h>

// IAccessible's interface id, spelled here: oleacc and uuid both carry a definition of
// IID_IAccessible, and which of the two the linker pulls in depends on the other ids used.
static const IID kIAccessible = { 0x618736e0, 0x3c3d, 0x11cf, { 0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71 } };
#include <algorithm>
#include <set>
#include <stdlib.h>
#include "harness/testutil.h"
#include "resource.h"
#include "session/messages.h"
#include "session/session.h"
#include "session/text.h"
#include "wizard/pagelook.h"
#include "wizard/pages.h"
#include "wizard/progress.h"

static const char kCaption[] = "NEXFER Pro Installation";

// What overflows in control, or "" when its text fits its client area as the control
// draws it: statics word-wrapped, buttons on one line beside their box or inside a frame.
static std::string TextOverflow(HWND control)
{
    char cls[32];
    GetClassNameA(control, cls, sizeof(cls));
    LONG style = GetWindowLongA(control, GWL_STYLE);
    std::string text = WindowText(control);
    RECT client, need = {};
    GetClientRect(control, &client);
    UINT format = DT_CALCRECT | DT_SINGLELINE;
    if (_stricmp(cls, "Static") == 0 && (style & SS_TYPEMASK) <= SS_RIGHT)
        format = DT_CALCRECT | DT_WORDBREAK | ((style & SS_NOPREFIX) ? DT_NOPREFIX : 0);
    else if (_stricmp(cls, "Button") == 0 && (style & BS_TYPEMASK) >= BS_CHECKBOX)
        client.right -= GetSystemMetrics(SM_CXMENUCHECK) + 3;
    else if (_stricmp(cls, "Button") == 0)
        client.right -= 2 * GetSystemMetrics(SM_CXEDGE);
    else
        return "";
    if (text.empty())
        return "";
    need.right = client.right;
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, (HFONT)SendMessageA(control, WM_GETFONT, 0, 0));
    DrawTextA(dc, text.c_str(), -1, &need, format);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    if (need.right <= client.right && need.bottom <= client.bottom)
        return "";
    return "\"" + text + "\" needs " + std::to_string(need.right) + "x" + std::to_string(need.bottom) +
           " in " + std::to_string(client.right) + "x" + std::to_string(client.bottom);
}

static std::string AccessibleName(HWND control)
{
    IAccessible *object = NULL;
    std::string name = "(no object)";
    if (FAILED(AccessibleObjectFromWindow(control, OBJID_CLIENT, kIAccessible, (void **)&object)))
        return name;
    VARIANT self;
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR bstr = NULL;
    name.clear();
    if (object->get_accName(self, &bstr) == S_OK && bstr) {
        for (const WCHAR *p = bstr; *p; p++)
            name += (char)*p;
        SysFreeString(bstr);
    }
    object->Release();
    return name;
}

// The name a screen reader hears. A list, a combo box or an edit field is named by the
// static text just before it, as Windows' MSAA does; Wine's names every control by its
// own text only, so that label is looked up here when Wine gives none.
static std::string NameForReader(HWND control)
{
    std::string name = AccessibleName(control);
    char cls[32];
    GetClassNameA(control, cls, sizeof(cls));
    if (!name.empty() || !(_stricmp(cls, "ListBox") == 0 || _stricmp(cls, "ComboBox") == 0 ||
                           _stricmp(cls, "Edit") == 0))
        return name;
    HWND label = GetWindow(control, GW_HWNDPREV);
    GetClassNameA(label, cls, sizeof(cls));
    if (!label || _stricmp(cls, "Static") != 0)
        return "";
    name = WindowText(label);
    name.erase(std::remove(name.begin(), name.end(), '&'), name.end());
    return name;
}

// Every check on one window and its visible controls; tabs: the expected tab order.
static void CheckWindow(HWND window, const std::vector<int> &tabs)
{
    HRESULT com = CoInitialize(NULL);
    RECT work, frame, client;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    GetWindowRect(window, &frame);
    GetClientRect(window, &client);
    EXPECT_TRUE(frame.left >= work.left && frame.top >= work.top && frame.right <= work.right &&
                frame.bottom <= work.bottom) << "window outside the work area";
    std::set<char> mnemonics;
    for (HWND c = GetWindow(window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        if (!IsWindowVisible(c))
            continue;
        int id = GetDlgCtrlID(c);
        SCOPED_TRACE(testing::Message() << "control " << id << " \"" << WindowText(c) << "\"");
        RECT r;
        GetWindowRect(c, &r);
        MapWindowPoints(NULL, window, (POINT *)&r, 2);
        EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= client.right && r.bottom <= client.bottom)
            << "outside its parent";
        EXPECT_EQ("", TextOverflow(c));
        std::string text = WindowText(c);
        size_t amp = text.find('&');
        if (amp != std::string::npos && amp + 1 < text.size())
            EXPECT_TRUE(mnemonics.insert((char)toupper((unsigned char)text[amp + 1])).second) << "mnemonic twice";
        char cls[32];
        GetClassNameA(c, cls, sizeof(cls));
        LONG type = GetWindowLongA(c, GWL_STYLE) & SS_TYPEMASK;
        int decorative = _stricmp(cls, "Static") == 0 && (type == SS_ICON || type == SS_BITMAP);
        if (id == IDC_PICTURE) {
            int dpi = atoi(getenv("NX_TEST_DPI"));
            EXPECT_NEAR(MulDiv(151, dpi, 96), r.right - r.left, 1) << "picture width at this DPI";
            EXPECT_NEAR(MulDiv(236, dpi, 96), r.bottom - r.top, 1) << "picture height at this DPI";
            std::string name = AccessibleName(c);
            EXPECT_TRUE(name.empty() || name == "(no object)") << "a decorative picture is named " << name;
        } else if (!decorative) {
            EXPECT_NE("", NameForReader(c)) << "no accessible name";
        }
    }
    std::vector<int> order;
    HWND first = GetNextDlgTabItem(window, NULL, FALSE), c = first;
    for (size_t i = 0; c && i < 16; c = GetNextDlgTabItem(window, c, FALSE), i++) {
        if (i > 0 && c == first)
            break;
        order.push_back(GetDlgCtrlID(c));
    }
    if (!tabs.empty())
        EXPECT_EQ(tabs, order) << "tab order";
    if (SUCCEEDED(com))
        CoUninitialize();
}

struct Scene {
    const char *name;
    const char *caption;
    std::function<void()> show;   // shows the dialog, returns when it is closed
    std::vector<int> tabs;
    int focus;                    // the control focused on arrival
    int close;                    // the button that closes it
};

static void ShowPicker()
{
    char picked[MAX_PATH];
    BrowseForFolder(NULL, "C:\\", picked);
}

TEST(Layout, EveryPageAndDialogAtThisDpi)
{
    const char *dpi = getenv("NX_TEST_DPI"), *screen = getenv("NX_TEST_SCREEN");
    ASSERT_TRUE(dpi && screen) << "run through layout_test.sh";
    HDC dc = GetDC(NULL);
    ASSERT_EQ(atoi(dpi), GetDeviceCaps(dc, LOGPIXELSY)) << "the prefix's DPI";
    ReleaseDC(NULL, dc);
    ASSERT_EQ(atoi(screen), GetSystemMetrics(SM_CXSCREEN)) << "the display's width";
    char title[MESSAGE_SIZE], text[MESSAGE_SIZE];
    LoadMessage(IDS_LOCATE, title, COUNTOF(title));
    LoadMessage(IDS_RESTART_INSTALL, text, COUNTOF(text));
    const Scene scenes[] = {
        { "welcome", kCaption, [] { RunWelcomePage(NULL, g_hInst); },
          { IDC_CHOICE_INSTALL, IDC_VIEW_RELNOTES, IDOK, IDCANCEL }, IDC_CHOICE_INSTALL, IDCANCEL },
        { "interfaces", "NEXFER Pro Installation: Interface Selection",
          [] { RunInterfacePage(NULL, g_hInst, 12, 12); },
          { IDC_IFACE_CLASSIC, IDC_IFACE_EXPLORER, IDC_IFACE_BONUS, IDC_IFACE_HELP, IDOK, IDCANCEL },
          IDC_IFACE_CLASSIC, IDCANCEL },
        { "interface help", kCaption, [] { ShowInterfaceHelp(NULL); }, { IDOK }, IDOK, IDOK },
        { "icon placement", "NEXFER Pro Installation: Icon Placement", [] { RunIconPlacementPage(); },
          { IDC_PLACE_DESKTOP, IDOK, IDCANCEL }, IDC_PLACE_DESKTOP, IDCANCEL },
        { "destination", "NEXFER Pro Installation: Destination Folder",
          [] { char out[FOLDER_SIZE]; RunDestinationPage(NULL, g_hInst, "Where you would like to place the NEXFER Program?",
                                                          "C:\\Program Files\\NEXFER Pro", out); },
          { IDC_DEST_FOLDER, IDC_DEST_BROWSE, IDOK, IDCANCEL }, IDC_DEST_FOLDER, IDCANCEL },
        { "folder picker", title, ShowPicker, {}, 0, IDCANCEL },
        { "message box", "Congratulations!",
          [&] { ShowMessage(NULL, text, "Congratulations!", MB_OKCANCEL | MB_SYSTEMMODAL, IDOK); }, {}, 0, IDCANCEL },
    };
    for (const Scene &s : scenes) {
        SCOPED_TRACE(s.name);
        UiDriver driver([&] {
            HWND window = WaitForDialog(s.caption);
            ASSERT_TRUE(window != NULL) << "not shown";
            GUITHREADINFO gui = { sizeof(gui) };
            if (s.focus && GetGUIThreadInfo(GetWindowThreadProcessId(window, NULL), &gui))
                EXPECT_EQ(s.focus, GetDlgCtrlID(gui.hwndFocus)) << "focus on arrival";
            CheckWindow(window, s.tabs);
            EXPECT_EQ(1, Click(window, s.close));
        });
        s.show();
    }
    for (int removal = 0; removal < 2; removal++) {
        SCOPED_TRACE(removal ? "removal progress" : "copy progress");
        HWND dialog = CreateCopyProgressDialog(NULL, removal);
        ASSERT_TRUE(dialog != NULL);
        SetStatusText(GetDlgItem(dialog, IDC_STATUS_TEXT),
                      "Copying C:\\Users\\Installer\\AppData\\Local\\Temp\\nx\\nxfpro32.exe to "
                      "C:\\Program Files\\NEXFER Pro\\nxfpro32.exe");
        CheckWindow(dialog, removal ? std::vector<int>() : std::vector<int>{ IDCANCEL });
        DestroyWindow(dialog);
    }
}

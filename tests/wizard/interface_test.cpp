// The interface selection page, its help box, and the icon placement page.
#include <gtest/gtest.h>
#include "harness/testutil.h"
#include "resource.h"
#include "session/session.h"
#include "wizard/pages.h"
#include "wizard/wizardtest.h"

static const char kInterfaceCaption[] = "NEXFER Pro Installation: Interface Selection";
static const char kPlacementCaption[] = "NEXFER Pro Installation: Icon Placement";

struct OpeningCase {
    int proposed, allowed, bonus;
    int classic, explorer, bonusChecked;       // shown checked
    int classicEnabled, explorerEnabled;
    int result;                                // Next without touching a box
};

TEST(InterfacePage, OpeningStateAndNextWithoutChanges)
{
    const OpeningCase cases[] = {
        { 12, 15, 1, 1, 1, 1, 1, 1, 12 },   // default options on Windows 95 or NT 4
        { 4, 15, 1, 1, 0, 1, 1, 1, 4 },     // EXPLORER off
        { 8, 15, 0, 1, 1, 0, 1, 1, 12 },    // classic is always proposed
        { 0, 15, 1, 1, 0, 1, 1, 1, 4 },
        { 1, 3, 1, 1, 0, 1, 0, 0, 4 },      // old Windows: both disabled, classic counts
        { 12, 4, 1, 1, 1, 1, 1, 0, 12 },
        { 12 | 16, 15 | 32, 1, 1, 1, 1, 1, 1, 12 },  // other bits are ignored
    };
    for (const OpeningCase &c : cases) {
        SCOPED_TRACE(testing::Message() << "proposed " << c.proposed << " allowed " << c.allowed);
        gbInstallBonusPack = c.bonus;
        UiDriver driver([&] {
            HWND page = WaitForDialog(kInterfaceCaption);
            ASSERT_TRUE(page != NULL);
            EXPECT_EQ(c.classic, IsChecked(page, IDC_IFACE_CLASSIC));
            EXPECT_EQ(c.explorer, IsChecked(page, IDC_IFACE_EXPLORER));
            EXPECT_EQ(c.bonusChecked, IsChecked(page, IDC_IFACE_BONUS));
            EXPECT_EQ(c.classicEnabled, IsControlEnabled(page, IDC_IFACE_CLASSIC));
            EXPECT_EQ(c.explorerEnabled, IsControlEnabled(page, IDC_IFACE_EXPLORER));
            EXPECT_TRUE(IsControlEnabled(page, IDC_IFACE_BONUS));
            EXPECT_EQ(1, Click(page, IDOK));
        });
        EXPECT_EQ(c.result, RunInterfacePage(NULL, g_hInst, c.proposed, c.allowed));
        EXPECT_EQ(c.bonus, gbInstallBonusPack);
    }
}

struct ChoiceCase {
    int untickClassic, untickExplorer, untickBonus;
    int result, bonus;
};

TEST(InterfacePage, ChoicesMadeOnThePage)
{
    const ChoiceCase cases[] = {
        { 0, 0, 0, 12, 1 },
        { 1, 0, 0, 8, 1 },
        { 0, 1, 1, 4, 0 },
        { 1, 1, 0, 0, 1 },    // the bonus pack alone
    };
    for (const ChoiceCase &c : cases) {
        SCOPED_TRACE(testing::Message() << c.untickClassic << c.untickExplorer << c.untickBonus);
        gbInstallBonusPack = 1;
        UiDriver driver([&] {
            HWND page = WaitForDialog(kInterfaceCaption);
            ASSERT_TRUE(page != NULL);
            const int ids[] = { IDC_IFACE_CLASSIC, IDC_IFACE_EXPLORER, IDC_IFACE_BONUS };
            const int untick[] = { c.untickClassic, c.untickExplorer, c.untickBonus };
            for (int i = 0; i < 3; i++) {
                if (!untick[i])
                    continue;
                ASSERT_EQ(1, Click(page, ids[i]));
                EXPECT_TRUE(WaitUntil([&] { return !IsChecked(page, ids[i]); }));
            }
            EXPECT_EQ(1, Click(page, IDOK));
        });
        EXPECT_EQ(c.result, RunInterfacePage(NULL, g_hInst, 12, 15));
        EXPECT_EQ(c.bonus, gbInstallBonusPack);
    }
}

TEST(InterfacePage, NothingSelectedKeepsThePageOpen)
{
    UiDriver driver([] {
        HWND page = WaitForDialog(kInterfaceCaption);
        ASSERT_TRUE(page != NULL);
        for (int id : { IDC_IFACE_CLASSIC, IDC_IFACE_EXPLORER, IDC_IFACE_BONUS }) {
            ASSERT_EQ(1, Click(page, id));
            ASSERT_TRUE(WaitUntil([&] { return !IsChecked(page, id); }));
        }
        for (int round = 0; round < 2; round++) {
            EXPECT_EQ(1, Click(page, IDOK));
            HWND box = WaitForDialog("Error");
            ASSERT_TRUE(box != NULL);
            BoxView view = ReadBox(box);
            EXPECT_EQ("Nothing Selected!", view.text);
            EXPECT_EQ(page, view.owner);
            EXPECT_EQ(StopIcon(), view.icon);
            EXPECT_TRUE(view.ok);
            EXPECT_FALSE(view.cancel);
            EXPECT_EQ(1, Click(box, IDOK));
            ASSERT_TRUE(WaitForClose(box));
            EXPECT_TRUE(IsWindowVisible(page));
            EXPECT_FALSE(IsChecked(page, IDC_IFACE_CLASSIC));
        }
        ASSERT_EQ(1, Click(page, IDC_IFACE_EXPLORER));
        ASSERT_TRUE(WaitUntil([&] { return IsChecked(page, IDC_IFACE_EXPLORER); }));
        EXPECT_EQ(1, Click(page, IDOK));
    });
    EXPECT_EQ(8, RunInterfacePage(NULL, g_hInst, 12, 15));
    EXPECT_EQ(0, gbInstallBonusPack);
}

TEST(InterfacePage, CancelAndEscapeClearTheBonusPack)
{
    for (int escape = 0; escape < 2; escape++) {
        SCOPED_TRACE(escape ? "Escape" : "Cancel");
        gbInstallBonusPack = 1;
        UiDriver driver([&] {
            HWND page = WaitForDialog(kInterfaceCaption);
            ASSERT_TRUE(page != NULL);
            EXPECT_TRUE(IsChecked(page, IDC_IFACE_BONUS));
            if (escape)
                PressKey(page, VK_ESCAPE);
            else
                EXPECT_EQ(1, Click(page, IDCANCEL));
        });
        EXPECT_EQ(0, RunInterfacePage(NULL, g_hInst, 12, 15));
        EXPECT_EQ(0, gbInstallBonusPack);
    }
}

TEST(InterfacePage, HelpOpensAtThePageCornerAndCloses)
{
    UiDriver driver([] {
        HWND page = WaitForDialog(kInterfaceCaption);
        ASSERT_TRUE(page != NULL);
        for (int escape = 0; escape < 2; escape++) {
            SCOPED_TRACE(escape ? "Escape" : "OK");
            ASSERT_EQ(1, Click(page, IDC_IFACE_HELP));
            HWND help = WaitForDialog("NEXFER Pro Installation");
            ASSERT_TRUE(help != NULL);
            EXPECT_EQ(page, GetWindow(help, GW_OWNER));
            // Template position 0, 0: the help's client area starts at the page's.
            POINT corner = { 0, 0 }, where = { 0, 0 };
            ClientToScreen(page, &corner);
            ClientToScreen(help, &where);
            EXPECT_EQ(corner.x, where.x);
            EXPECT_EQ(corner.y, where.y);
            EXPECT_FALSE(IsWindowEnabled(page));
            if (escape)
                PressKey(help, VK_ESCAPE);
            else
                EXPECT_EQ(1, Click(help, IDOK));
            ASSERT_TRUE(WaitForClose(help));
            EXPECT_TRUE(IsWindowVisible(page));
        }
        EXPECT_EQ(1, Click(page, IDOK));
    });
    EXPECT_EQ(12, RunInterfacePage(NULL, g_hInst, 12, 15));
}

struct PlacementCase {
    int initial;
    int pick;          // radio button to select, 0 for none
    int next;          // 1 Next, 0 Cancel, -1 Escape
    int result, location;
};

TEST(IconPlacementPage, PreselectionAndChoice)
{
    const PlacementCase cases[] = {
        { 0, 0, 1, 1, 0 },
        { 1, 0, 1, 1, 1 },
        { 0, IDC_PLACE_MYCOMPUTER, 1, 1, 1 },
        { 1, IDC_PLACE_DESKTOP, 1, 1, 0 },
        { 1, IDC_PLACE_DESKTOP, 0, 0, 1 },     // Cancel keeps the earlier placement
        { 0, IDC_PLACE_MYCOMPUTER, -1, 0, 0 },
    };
    for (const PlacementCase &c : cases) {
        SCOPED_TRACE(testing::Message() << c.initial << " pick " << c.pick << " next " << c.next);
        g_iconLocation = c.initial;
        UiDriver driver([&] {
            HWND page = WaitForDialog(kPlacementCaption);
            ASSERT_TRUE(page != NULL);
            EXPECT_EQ(NULL, GetWindow(page, GW_OWNER));
            EXPECT_EQ(c.initial == 0, IsChecked(page, IDC_PLACE_DESKTOP));
            EXPECT_EQ(c.initial == 1, IsChecked(page, IDC_PLACE_MYCOMPUTER));
            if (c.pick) {
                ASSERT_EQ(1, Click(page, c.pick));
                EXPECT_TRUE(WaitUntil([&] { return IsChecked(page, c.pick); }));
            }
            if (c.next == 1)
                EXPECT_EQ(1, Click(page, IDOK));
            else if (c.next == 0)
                EXPECT_EQ(1, Click(page, IDCANCEL));
            else
                PressKey(page, VK_ESCAPE);
        });
        EXPECT_EQ(c.result, RunIconPlacementPage());
        EXPECT_EQ(c.location, g_iconLocation);
    }
}

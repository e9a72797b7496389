// The dialog host: the template format (and the line named when it is wrong), dialog units,
// how radio buttons, check boxes and keys behave, and the modal loop around a procedure.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/dialog.h"
#include "platform/headless_backend.h"
#include "platform/platform.h"

using namespace platform;

namespace {

std::string_view EmbeddedTemplate() {
    const auto bytes = FindResource("DIALOG", "dlg_render");
    return bytes ? std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size())
                 : std::string_view();
}

TEST(DialogTemplate, TheSettingsTemplateReadsAsDrawnUp) {
    std::string error;
    const auto parsed = ParseDialogTemplate(EmbeddedTemplate(), &error);
    ASSERT_TRUE(parsed) << error;
    EXPECT_EQ(parsed->style, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT);
    EXPECT_EQ(parsed->width, 159);
    EXPECT_EQ(parsed->height, 149);
    EXPECT_EQ(parsed->title, "レンダリング設定");
    EXPECT_EQ(parsed->fontFace, "ＭＳ Ｐゴシック");
    EXPECT_EQ(parsed->fontPoints, 9);
    ASSERT_EQ(parsed->controls.size(), 14u);

    const DialogControl& ok = parsed->controls[0];
    EXPECT_EQ(ok.id, IDOK);
    EXPECT_EQ(ok.kind, ControlKind::DefPushButton);
    EXPECT_TRUE(ok.tabStop);
    EXPECT_EQ(ok.text, "OK");
    EXPECT_EQ((std::vector<int>{ok.x, ok.y, ok.width, ok.height}),
              (std::vector<int>{10, 125, 40, 14}));
    EXPECT_EQ(parsed->controls[1].text, "ｷｬﾝｾﾙ");

    const DialogControl& flat = parsed->controls[3];
    EXPECT_EQ(flat.id, 1000);
    EXPECT_EQ(flat.kind, ControlKind::AutoRadioButton);
    EXPECT_TRUE(flat.group);
    EXPECT_FALSE(flat.tabStop);

    const DialogControl& frame = parsed->controls[5];
    EXPECT_EQ(frame.id, NO_CONTROL_ID);
    EXPECT_EQ(frame.kind, ControlKind::GroupBox);
    EXPECT_EQ(frame.text, "レンダー品質");

    const DialogControl& shadows = parsed->controls[13];
    EXPECT_EQ(shadows.id, 1009);
    EXPECT_EQ(shadows.kind, ControlKind::AutoCheckBox);
    EXPECT_EQ(shadows.text, "影の表示");
    EXPECT_EQ((std::vector<int>{shadows.x, shadows.y, shadows.width, shadows.height}),
              (std::vector<int>{20, 95, 55, 10}));
}

TEST(DialogTemplate, MalformedTemplatesAreRefusedNamingTheLine) {
    const std::string head = "size 10 10\ntitle \"t\"\n";
    struct Case {
        std::string text;
        std::string error;
    };
    const std::vector<Case> cases = {
        {head + "control 1 pushbutton \"OK\" 1 2 3\n", "line 3: a control's text must be followed"},
        {head + "control 1 pushbutton \"OK\" 1 2 3 4 5\n", "line 3: a control's text must be"},
        {head + "control 1 pushbutton \"OK\" 1 2 -3 4\n", "line 3: a control's text must be"},
        {head + "control 1 pushbutton \"OK 1 2 3 4\n", "line 3: a text in double quotes is not"},
        {head + "control 1 button \"OK\" 1 2 3 4\n", "line 3: unknown control kind \"button\""},
        {head + "control x pushbutton \"OK\" 1 2 3 4\n", "line 3: control id \"x\""},
        {head + "control 70000 pushbutton \"OK\" 1 2 3 4\n", "line 3: control id \"70000\""},
        {head + "control 1 pushbutton bold \"OK\" 1 2 3 4\n", "line 3: unknown control flag"},
        {head + "control 1 pushbutton OK 1 2 3 4\n", "line 3: unknown control flag \"OK\""},
        {head + "control 1 pushbutton\n", "line 3: a control's text must be in double quotes"},
        {head + "# fine\n\nstyle POPUP BORDER\n", "line 5: unknown style \"BORDER\""},
        {"size 10\ntitle \"t\"\n", "line 1: size needs a width and a height"},
        {"size 0 10\n", "line 1: size needs a width and a height"},
        {"size 10 10\ntitle t\n", "line 2: title needs one text in double quotes"},
        {head + "font \"face\" 9\n", "line 3: font needs a size in points"},
        {head + "menu 1\n", "line 3: unknown keyword \"menu\""},
        {head + "\"control\" 1\n", "line 3: a line must start with a keyword"},
        {"title \"t\"\n", "no size line"},
        {"size 1 1\n", "no title line"},
        {"", "no size line"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(ParseDialogTemplate(c.text, &error)) << c.text;
        EXPECT_TRUE(error.starts_with(c.error)) << c.text << "\ngave: " << error;
    }
}

TEST(DialogTemplate, CarriageReturnsCommentsAndBlankLinesAreAllowed) {
    std::string error;
    const auto parsed = ParseDialogTemplate(
        "# a comment\r\n\r\nsize 5 6\r\ntitle \"a b\"\r\ncontrol - groupbox \"\" 0 0 5 6", &error);
    ASSERT_TRUE(parsed) << error;
    EXPECT_EQ(parsed->title, "a b");
    ASSERT_EQ(parsed->controls.size(), 1u);
    EXPECT_EQ(parsed->controls[0].text, "");
    EXPECT_EQ(parsed->controls[0].height, 6);
}

TEST(DialogUnits, AQuarterOfTheAverageWidthAndAnEighthOfTheHeightRounded) {
    const PixelRect r = DialogUnitsToPixels(10, 125, 40, 14, 6, 12);
    EXPECT_EQ((std::vector<int>{r.x, r.y, r.width, r.height}),
              (std::vector<int>{15, 188, 60, 21}));  // 15, 187.5, 60, 21
    const PixelRect odd = DialogUnitsToPixels(1, 1, 3, 5, 7, 13);
    EXPECT_EQ((std::vector<int>{odd.x, odd.y, odd.width, odd.height}),
              (std::vector<int>{2, 2, 5, 8}));  // 1.75, 1.625, 5.25, 8.125
}

DialogTemplate RadioTemplate() {
    std::string error;
    auto parsed = ParseDialogTemplate(R"(size 100 100
title "t"
control 10 autoradiobutton group "a" 0 0 1 1
control 11 autoradiobutton "b" 0 0 1 1
control - groupbox "frame" 0 0 1 1
control 12 autoradiobutton "c" 0 0 1 1
control 20 autoradiobutton group "x" 0 0 1 1
control 21 autoradiobutton "y" 0 0 1 1
control 30 autocheckbox tabstop "box" 0 0 1 1
control 40 pushbutton "push" 0 0 1 1
control 41 defpushbutton "default" 0 0 1 1
)",
                                      &error);
    EXPECT_TRUE(parsed) << error;
    return parsed.value_or(DialogTemplate{});
}

std::vector<unsigned> Checks(const Dialog& dialog) {
    std::vector<unsigned> checks;
    for (std::size_t i = 0; i < dialog.Template().controls.size(); ++i) {
        checks.push_back(dialog.CheckState(i));
    }
    return checks;
}

std::vector<int> Commands(Dialog& dialog) {
    std::vector<int> ids;
    while (const auto id = dialog.TakeCommand()) {
        ids.push_back(*id);
    }
    return ids;
}

TEST(DialogControls, ARadioButtonUnchecksOnlyTheRadioButtonsOfItsGroup) {
    Dialog dialog(RadioTemplate(), nullptr, nullptr);
    dialog.Click(0);  // a
    dialog.Click(5);  // y
    EXPECT_EQ(Checks(dialog), (std::vector<unsigned>{1, 0, 0, 0, 0, 1, 0, 0, 0}));
    dialog.Click(3);  // c, past the group box, still in a's group
    EXPECT_EQ(Checks(dialog), (std::vector<unsigned>{0, 0, 0, 1, 0, 1, 0, 0, 0}));
    dialog.Click(3);  // a checked radio button stays checked
    EXPECT_EQ(Checks(dialog), (std::vector<unsigned>{0, 0, 0, 1, 0, 1, 0, 0, 0}));
    EXPECT_EQ(Commands(dialog), (std::vector<int>{10, 21, 12, 12}));
}

TEST(DialogControls, CheckBoxesToggleAndFramesQueueNothing) {
    Dialog dialog(RadioTemplate(), nullptr, nullptr);
    dialog.Click(6);
    EXPECT_EQ(dialog.CheckStateOf(30), BST_CHECKED);
    dialog.Click(6);
    EXPECT_EQ(dialog.CheckStateOf(30), BST_UNCHECKED);
    dialog.Click(2);
    dialog.Click(7);
    EXPECT_EQ(Commands(dialog), (std::vector<int>{30, 30, 40}));
    EXPECT_FALSE(dialog.SetCheck(NO_CONTROL_ID, BST_CHECKED)) << "the frame has no id";
    EXPECT_FALSE(dialog.SetCheck(99, BST_CHECKED));
}

TEST(DialogControls, EnterPressesTheDefaultButtonAndEscapeCancels) {
    Dialog dialog(RadioTemplate(), nullptr, nullptr);
    dialog.PressEnter();
    dialog.Cancel();
    EXPECT_EQ(Commands(dialog), (std::vector<int>{41, IDCANCEL}));

    std::string error;
    Dialog plain(*ParseDialogTemplate("size 1 1\ntitle \"\"\n", &error), nullptr, nullptr);
    plain.PressEnter();
    EXPECT_EQ(Commands(plain), std::vector<int>{IDOK}) << "no default button: IDOK";
}

// ---- The modal loop --------------------------------------------------------------------------

std::vector<MSG> ownerGot;
std::vector<unsigned> MessagesOf(const std::vector<MSG>& got) {
    std::vector<unsigned> messages;
    for (const MSG& m : got) {
        messages.push_back(m.message);
    }
    return messages;
}
std::vector<MSG> dialogGot;
std::vector<unsigned> probed;
HWND dialogHandle = nullptr;
LRESULT nestedResult = 0;
bool clickOnPaint = false;

constexpr unsigned WM_CLICK_OK = WM_USER + 1;
constexpr unsigned WM_OPEN_AGAIN = WM_USER + 2;
constexpr unsigned WM_CLOSE_OWNER = WM_USER + 3;
constexpr unsigned WM_LOSE_FOCUS = WM_USER + 4;
constexpr unsigned WM_GAIN_FOCUS = WM_USER + 5;

LRESULT DialogProc(HWND dialog, unsigned message, WPARAM wParam, LPARAM lParam) {
    dialogGot.push_back({dialog, message, wParam, lParam});
    if (message == WM_INITDIALOG) {
        dialogHandle = dialog;
        CheckRadioButton(dialog, 1000, 1002, 1001);
        CheckDlgButton(dialog, 1009, BST_CHECKED);
        return TRUE;
    }
    if (message == WM_COMMAND && wParam == IDOK) {
        EndDialog(dialog, 42);
        return TRUE;
    }
    return FALSE;
}

void ClickOk() {
    probed = {IsDlgButtonChecked(dialogHandle, 1000), IsDlgButtonChecked(dialogHandle, 1001),
              IsDlgButtonChecked(dialogHandle, 1009)};
    OpenDialog()->Click(0);  // OK is the template's first control
}

LRESULT OwnerProc(HWND hwnd, unsigned message, WPARAM wParam, LPARAM lParam) {
    ownerGot.push_back({hwnd, message, wParam, lParam});
    switch (message) {
        case WM_PAINT:
            BeginPaint(hwnd);
            if (clickOnPaint && OpenDialog() != nullptr) {
                ClickOk();
            }
            EndPaint(hwnd);
            return 0;
        case WM_CLICK_OK:
            ClickOk();
            return 0;
        case WM_OPEN_AGAIN:
            nestedResult = DialogBoxParam("dlg_render", hwnd, DialogProc, 0);
            return 0;
        case WM_CLOSE_OWNER:
            DestroyWindow(hwnd);
            return 0;
        case WM_LOSE_FOCUS:
            NotifyActivation(hwnd, false, false);
            return 0;
        case WM_GAIN_FOCUS:
            NotifyActivation(hwnd, true, false);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(3);
            return 0;
        default:
            return DefWindowProc(hwnd, message, wParam, lParam);
    }
}

class ModalLoop : public ::testing::Test {
  protected:
    void SetUp() override {
        SetBackend(std::make_unique<HeadlessBackend>(HeadlessBackend::Ticks::Manual));
        ASSERT_TRUE(RegisterClass({"Owner", OwnerProc, ""}));
        owner = CreateWindowEx("Owner", "owner", {.width = 640, .height = 480});
        NotifyActivation(owner, true, false);
        Drain();
        ownerGot.clear();
        dialogGot.clear();
        probed.clear();
        clickOnPaint = false;
    }
    void TearDown() override {
        DestroyWindow(owner);
        Drain();
        UnregisterClass("Owner");
        SetBackend(nullptr);
    }
    static void Drain() {
        MSG msg;
        while (PeekMessage(&msg)) {
            if (msg.message != WM_QUIT) {
                DispatchMessage(msg);
            }
        }
    }
    static std::vector<unsigned> OwnerMessages() { return MessagesOf(ownerGot); }
    static std::vector<WPARAM> Activations() {
        std::vector<WPARAM> activations;
        for (const MSG& m : ownerGot) {
            if (m.message == WM_ACTIVATE) {
                activations.push_back(m.wParam);
            }
        }
        return activations;
    }
    HWND owner = nullptr;
};

TEST_F(ModalLoop, OwnerIsInactiveWhileOpenAndTheProcedureGetsInitThenCommands) {
    PostMessage(owner, WM_USER, 7, 0);  // a tick queued before the dialog opens
    PostMessage(owner, WM_CLICK_OK, 0, 0);
    EXPECT_EQ(DialogBoxParam("dlg_render", owner, DialogProc, 99), 42);
    EXPECT_EQ(OwnerMessages(),
              (std::vector<unsigned>{WM_ACTIVATE, WM_USER, WM_CLICK_OK, WM_ACTIVATE}));
    EXPECT_EQ(Activations(), (std::vector<WPARAM>{WA_INACTIVE, WA_ACTIVE}));

    ASSERT_EQ(MessagesOf(dialogGot),
              (std::vector<unsigned>{WM_INITDIALOG, WM_COMMAND, WM_DESTROY}));
    EXPECT_EQ(dialogGot[0].lParam, 99);
    EXPECT_EQ(dialogGot[1].wParam, static_cast<WPARAM>(IDOK));
    EXPECT_FALSE(IsWindow(dialogHandle)) << "the dialog's window goes with it";
    EXPECT_EQ(OpenDialog(), nullptr);
}

TEST_F(ModalLoop, TheOwnerIsPaintedWhileTheDialogIsOpen) {
    clickOnPaint = true;
    EXPECT_EQ(DialogBoxParam("dlg_render", owner, DialogProc, 0), 42);
    EXPECT_EQ(OwnerMessages(), (std::vector<unsigned>{WM_ACTIVATE, WM_PAINT, WM_ACTIVATE}));
    ASSERT_EQ(MessagesOf(dialogGot), (std::vector<unsigned>{WM_INITDIALOG, WM_COMMAND, WM_DESTROY}))
        << "the click made in the paint reaches the procedure after it";
    EXPECT_EQ(dialogGot[1].wParam, static_cast<WPARAM>(IDOK));
}

TEST_F(ModalLoop, ButtonCallsActOnTheOpenDialogOnly) {
    PostMessage(owner, WM_CLICK_OK, 0, 0);
    DialogBoxParam("dlg_render", owner, DialogProc, 0);
    EXPECT_EQ(probed, (std::vector<unsigned>{BST_UNCHECKED, BST_CHECKED, BST_CHECKED}));
    EXPECT_EQ(IsDlgButtonChecked(dialogHandle, 1001), BST_UNCHECKED);
    EXPECT_FALSE(CheckDlgButton(dialogHandle, 1009, BST_CHECKED));
    EXPECT_FALSE(CheckRadioButton(dialogHandle, 1000, 1001, 1000));
    EXPECT_FALSE(EndDialog(dialogHandle, 1));
}

TEST_F(ModalLoop, FocusComingBackWhileOpenDoesNotReactivateTheOwner) {
    PostMessage(owner, WM_LOSE_FOCUS, 0, 0);
    PostMessage(owner, WM_GAIN_FOCUS, 0, 0);
    PostMessage(owner, WM_CLICK_OK, 0, 0);
    DialogBoxParam("dlg_render", owner, DialogProc, 0);
    EXPECT_EQ(Activations(), (std::vector<WPARAM>{WA_INACTIVE, WA_ACTIVE}));

    ownerGot.clear();
    PostMessage(owner, WM_LOSE_FOCUS, 0, 0);
    PostMessage(owner, WM_CLICK_OK, 0, 0);
    DialogBoxParam("dlg_render", owner, DialogProc, 0);
    EXPECT_EQ(Activations(), (std::vector<WPARAM>{WA_INACTIVE, WA_INACTIVE}))
        << "the focus went elsewhere: the owner stays inactive after the dialog";
}

TEST_F(ModalLoop, ASecondDialogIsRefusedWhileOneIsOpen) {
    nestedResult = 0;
    PostMessage(owner, WM_OPEN_AGAIN, 0, 0);
    PostMessage(owner, WM_CLICK_OK, 0, 0);
    EXPECT_EQ(DialogBoxParam("dlg_render", owner, DialogProc, 0), 42);
    EXPECT_EQ(nestedResult, -1);
    EXPECT_EQ(MessagesOf(dialogGot),
              (std::vector<unsigned>{WM_INITDIALOG, WM_COMMAND, WM_DESTROY}));
}

TEST_F(ModalLoop, AnUnknownTemplateOrOwnerMakesNoDialog) {
    EXPECT_EQ(DialogBoxParam("no_such_dialog", owner, DialogProc, 0), -1);
    EXPECT_EQ(DialogBoxParam("dlg_render", nullptr, DialogProc, 0), -1);
    EXPECT_TRUE(ownerGot.empty()) << "the owner is not deactivated for nothing";
    EXPECT_TRUE(dialogGot.empty());
}

TEST_F(ModalLoop, DestroyingTheOwnerEndsTheDialogAndTheQuitReachesTheOuterLoop) {
    PostMessage(owner, WM_CLOSE_OWNER, 0, 0);
    EXPECT_EQ(DialogBoxParam("dlg_render", owner, DialogProc, 0), 0);
    EXPECT_EQ(OpenDialog(), nullptr);
    MSG msg;
    EXPECT_FALSE(GetMessage(&msg));
    EXPECT_EQ(msg.wParam, 3u);
}

TEST_F(ModalLoop, AQuitWhileOpenEndsTheDialogAndIsPostedAgain) {
    PostQuitMessage(5);
    EXPECT_EQ(DialogBoxParam("dlg_render", owner, DialogProc, 0), 0);
    EXPECT_EQ(Activations(), (std::vector<WPARAM>{WA_INACTIVE, WA_ACTIVE}));
    MSG msg;
    EXPECT_FALSE(GetMessage(&msg));
    EXPECT_EQ(msg.wParam, 5u);
}

}  // namespace

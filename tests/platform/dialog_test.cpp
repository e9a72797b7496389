// The dialog host: templates and their faults, dialog units, controls and keys, the modal loop.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <tuple>

#include "platform/dialog/dialog.h"
#include "platform/headless_backend.h"
#include "platform/window/window.h"

using namespace platform;

namespace {

DialogTemplate Parse(std::string_view text) {
    std::string error;
    return ParseDialogTemplate(text, &error).value();
}

TEST(DialogTemplate, ReadsEachStatementPastCommentsBlankLinesAndCarriageReturns) {
    const DialogTemplate t = Parse(
        "# a comment\r\n\r\nstyle POPUP CAPTION SYSMENU MODALFRAME SETFONT\r\nsize 159 149\n"
        "title \"設定 a\"\nfont 9 \"ＭＳ Ｐ\"\ncontrol 7 pushbutton tabstop \"OK\" 1 2 3 4");
    const DialogControl& c = t.controls.at(0);
    EXPECT_EQ(std::tuple(t.style, t.width, t.height, t.title, t.fontFace, t.fontPoints, c.id,
                         c.tabStop, c.text, c.x, c.y, c.width, c.height),
              std::tuple(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT, 159, 149,
                         "設定 a", "ＭＳ Ｐ", 9, 7, true, "OK", 1, 2, 3, 4));
}

TEST(DialogTemplate, RefusesAMalformedTemplateNamingTheLine) {
    const std::string head = "size 10 10\ntitle \"t\"\n";
    const std::pair<std::string, std::string> cases[] = {
        {head + "control 1 pushbutton \"OK\" 1 2 3\n", "line 3: a control's text must be followed"},
        {head + "control 1 pushbutton \"OK 1 2 3 4\n", "line 3: a text in double quotes is not"},
        {head + "control 1 button \"OK\" 1 2 3 4\n", "line 3: unknown control kind \"button\""},
        {head + "control x pushbutton \"OK\" 1 2 3 4\n", "line 3: control id \"x\""},
        {head + "control 70000 pushbutton \"OK\" 1 2 3 4\n", "line 3: control id \"70000\""},
        {head + "control 1 pushbutton bold \"OK\" 1 2 3 4\n", "line 3: unknown control flag"},
        {head + "control 1 pushbutton\n", "line 3: a control's text must be in double quotes"},
        {head + "# fine\n\nstyle POPUP BORDER\n", "line 5: unknown style \"BORDER\""},
        {"size 0 10\n", "line 1: size needs a width and a height"},
        {"size 10 10\ntitle t\n", "line 2: title needs one text in double quotes"},
        {head + "font \"face\" 9\n", "line 3: font needs a size in points"},
        {"title \"t\"\n", "no size line"},
        {"size 1 1\n", "no title line"},
    };
    for (const auto& [text, expected] : cases) {
        std::string error;
        EXPECT_FALSE(ParseDialogTemplate(text, &error)) << text;
        EXPECT_TRUE(error.starts_with(expected)) << text << "\ngave: " << error;
    }
}

TEST(DialogUnits, AQuarterOfTheAverageWidthAndAnEighthOfTheHeightRounded) {
    const PixelRect r = DialogUnitsToPixels(10, 125, 40, 14, 6, 12);  // 187.5 rounds up
    EXPECT_EQ(std::tuple(r.x, r.y, r.width, r.height), std::tuple(15, 188, 60, 21));
}

TEST(DialogControls, RadioButtonsUncheckTheirGroupBoxesToggleAndKeysPressButtons) {
    // The settings template: OK (the default), cancel, apply; flat and gouraud; a frame; the
    // shade counts 4 to 256; a frame; two boxes.
    const auto text = FindResource("DIALOG", "dlg_render").value();
    Dialog dialog(Parse({reinterpret_cast<const char*>(text.data()), text.size()}), nullptr,
                  nullptr);
    const std::tuple<std::size_t, const char*, int> clicks[] = {
        // then checked, and queued
        {4, "00001000000000", 1001},  {8, "00001000100000", 1005},  {3, "00010000100000", 1000},
        {3, "00010000100000", 1000},  {10, "00010000001000", 1007}, {12, "00010000001010", 1008},
        {12, "00010000001000", 1008}, {5, "00010000001000", 0},     {1, "00010000001000", 2}};
    for (const auto& [index, checks, command] : clicks) {
        dialog.Click(index);
        std::string shown;
        for (std::size_t i = 0; i < 14; ++i) {
            shown += std::to_string(dialog.CheckState(i));
        }
        EXPECT_EQ(std::pair(shown, dialog.TakeCommand().value_or(0)),
                  std::pair(std::string(checks), command))
            << "after clicking " << index;
    }
    EXPECT_FALSE(dialog.SetCheck(NO_CONTROL_ID, BST_CHECKED)) << "the frames have no id";
    EXPECT_FALSE(dialog.SetCheck(99, BST_CHECKED));
    dialog.Cancel();
    EXPECT_EQ(dialog.TakeCommand(), IDCANCEL);
    for (const char* buttons : {"control 41 defpushbutton \"d\" 0 0 1 1", ""}) {
        Dialog enter(Parse("size 1 1\ntitle \"\"\n" + std::string(buttons)), nullptr, nullptr);
        enter.PressEnter();
        EXPECT_EQ(enter.TakeCommand(), *buttons ? 41 : IDOK) << "the default button, else IDOK";
    }
}

TEST(DialogControls, TabArrowsAndSpaceMoveTheFocusAndPressWhatHasIt) {
    const auto text = FindResource("DIALOG", "dlg_render").value();
    const DialogTemplate settings =
        Parse({reinterpret_cast<const char*>(text.data()), text.size()});
    // Keys (t Tab, T Shift+Tab, d down, u up, space), then the focus, the checks and the commands.
    const std::tuple<std::string, std::size_t, const char*, std::string> cases[] = {
        {"", 0, "00001000001000", ""},
        {"d ", 0, "00001000001000", "1 "},  // an arrow on a button does nothing
        {"ttt", 4, "00001000001000", ""},   // the checked radio button of the group
        {"tttd", 3, "00010000001000", "1000 "},
        {"ttttu", 9, "00001000010000", "1006 "},
        {"ttttdd", 7, "00001001000000", "1003 1004 "},  // past the frame and boxes, wrapping
        {"ttttt  ", 12, "00001000001000", "1008 1008 "},
        {"TT ", 12, "00001000001010", "1008 "},
        {"ttttttTTTTT", 1, "00001000001000", ""},  // back through both groups as it came
        {"ttttttt", 0, "00001000001000", ""},
    };
    for (const auto& [keys, focus, checks, commands] : cases) {
        Dialog dialog(settings, nullptr, nullptr);
        dialog.SetCheck(1001, BST_CHECKED);
        dialog.SetCheck(1007, BST_CHECKED);
        for (const char key : keys) {
            key == ' '   ? dialog.PressSpace()
            : key == 'd' ? dialog.Arrow(true)
            : key == 'u' ? dialog.Arrow(false)
                         : dialog.Tab(key == 'T');
        }
        std::string shown, queued;
        for (std::size_t i = 0; i < 14; ++i) {
            shown += std::to_string(dialog.CheckState(i));
        }
        while (const auto command = dialog.TakeCommand()) {
            queued += std::to_string(*command) + " ";
        }
        EXPECT_EQ(std::tuple(dialog.Focus(), shown, queued), std::tuple(focus, checks, commands))
            << keys;
    }
}

std::string trace;
std::vector<std::function<void()>> steps;  // run by the owner when sent WM_USER with their index
bool clickOnPaint = false;
HWND owner = nullptr;
HWND dialogHandle = nullptr;
const auto ClickOk = [] { OpenDialog()->Click(0); };

// The modal loop: both procedures trace what they are sent; any command ends the dialog with 42.
LRESULT Traced(HWND hwnd, unsigned message, WPARAM wParam, LPARAM lParam) {
    const std::map<unsigned, const char*> names = {
        {WM_ACTIVATE, "activate"}, {WM_PAINT, "paint"},     {WM_USER, "step"},
        {WM_INITDIALOG, "init"},   {WM_COMMAND, "command"}, {WM_DESTROY, "destroy"}};
    if (names.contains(message)) {
        trace +=
            names.at(message) + std::to_string(message == WM_INITDIALOG ? lParam : wParam) + " ";
    }
    if (message == WM_INITDIALOG) {
        dialogHandle = hwnd;
        CheckRadioButton(hwnd, 1000, 1002, 1001);
        CheckDlgButton(hwnd, 1009, BST_CHECKED);
    } else if (message == WM_COMMAND) {
        trace +=
            "checks" +
            std::to_string(IsDlgButtonChecked(hwnd, 1000) * 100 +
                           IsDlgButtonChecked(hwnd, 1001) * 10 + IsDlgButtonChecked(hwnd, 1009)) +
            " ";
        EndDialog(hwnd, 42);
    } else if (message == WM_USER) {
        steps[wParam]();
    } else if (message == WM_PAINT && clickOnPaint && OpenDialog() != nullptr) {
        ClickOk();
    } else if (message == WM_DESTROY && hwnd == owner) {
        PostQuitMessage(3);
    }
    return DefWindowProc(hwnd, message, wParam, lParam);
}

class ModalLoop : public ::testing::Test {
  protected:
    void SetUp() override {
        SetBackend(std::make_unique<HeadlessBackend>(HeadlessBackend::Ticks::Manual));
        static const bool registered = RegisterClass({"Owner", Traced, ""});
        owner =
            registered ? CreateWindowEx("Owner", "owner", {.width = 640, .height = 480}) : nullptr;
    }
    void TearDown() override { DestroyWindow(owner); }
    // Posts the steps to the owner, then runs the "dlg_render" dialog over it.
    static LRESULT Run(std::vector<std::function<void()>> script, LPARAM param = 0) {
        trace.clear();
        steps = std::move(script);
        for (std::size_t i = 0; i < steps.size(); ++i) {
            PostMessage(owner, WM_USER, i, 0);
        }
        return DialogBoxParam("dlg_render", owner, Traced, param);
    }
};

TEST_F(ModalLoop, TheOwnerIsInactiveWhileOpenEvenWhenTheFocusComesBackAndIsPaintedBehind) {
    const auto focus = [](bool has) { return [has] { NotifyActivation(owner, has, false); }; };
    EXPECT_EQ(Run({focus(true), ClickOk}, 99), 42);
    EXPECT_EQ(trace, "activate0 init99 step0 step1 command1 checks11 destroy0 activate1 ");
    EXPECT_EQ(IsDlgButtonChecked(dialogHandle, 1001), BST_UNCHECKED) << "no dialog is open";
    EXPECT_FALSE(CheckDlgButton(dialogHandle, 1009, 1) || EndDialog(dialogHandle, 1) ||
                 CheckRadioButton(dialogHandle, 1000, 1001, 1000));
    Run({focus(false), ClickOk});
    EXPECT_EQ(trace, "activate0 init0 step0 step1 command1 checks11 destroy0 activate0 ")
        << "the focus went elsewhere: the owner stays inactive after the dialog";
    clickOnPaint = true;  // the click made in the paint reaches the procedure after it
    EXPECT_EQ(Run({}), 42);
    EXPECT_EQ(trace, "activate0 init0 paint0 command1 checks11 destroy0 activate0 ");
}

TEST_F(ModalLoop, NoSecondDialogNorOneWithoutOwnerAndAQuitOrTheOwnerGoingEndsTheDialog) {
    EXPECT_EQ(DialogBoxParam("dlg_render", nullptr, Traced, 0), -1);
    const auto nested = [] {
        trace += std::to_string(DialogBoxParam("dlg_render", owner, Traced, 0)) + " ";
    };
    EXPECT_EQ(Run({nested, ClickOk}), 42);
    EXPECT_EQ(trace, "activate0 init0 step0 -1 step1 command1 checks11 destroy0 activate0 ");
    MSG msg;
    PostQuitMessage(5);
    EXPECT_EQ(Run({}), 0);
    EXPECT_EQ(trace, "activate0 init0 destroy0 activate0 ");
    EXPECT_FALSE(GetMessage(&msg));
    EXPECT_EQ(msg.wParam, 5u);
    EXPECT_EQ(Run({[] { DestroyWindow(owner); }}), 0);
    EXPECT_EQ(trace, "activate0 init0 step0 destroy0 destroy0 ");
    EXPECT_FALSE(GetMessage(&msg));
    EXPECT_EQ(msg.wParam, 3u);
}

}  // namespace

// Modal dialogs made from DIALOG resources: the template format, the state of an open dialog and
// the calls a dialog procedure makes. No SDL here: a backend draws an open dialog through a
// DialogView and turns what the user does into Click, the keys (Tab, Arrow, PressSpace,
// PressEnter) and Cancel.
//
// Offers: ParseDialogTemplate (the text format below, refused with the line at fault);
// DialogUnitsToPixels; Dialog (its controls' check states, the auto behaviour of radio buttons
// and check boxes, the queue of commands for the procedure, EndDialog's result); OpenDialog;
// CheckRadioButton, CheckDlgButton, IsDlgButtonChecked and EndDialog. DialogBoxParam, the modal
// loop, is declared in platform.h.
//
// The template format, one statement a line; "#" starts a comment line; texts are in double
// quotes (UTF-8, no quote inside):
//   style POPUP CAPTION SYSMENU MODALFRAME SETFONT   (any of these words)
//   size WIDTH HEIGHT                                (dialog units)
//   title "TEXT"
//   font POINTS "FACE"
//   control ID KIND [group] [tabstop] "TEXT" X Y WIDTH HEIGHT
// where ID is a number or "-" (no id) and KIND is defpushbutton, pushbutton, autoradiobutton,
// autocheckbox or groupbox. size and title are required.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/messages.h"

namespace platform {

constexpr LRESULT TRUE = 1;
constexpr LRESULT FALSE = 0;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int NO_CONTROL_ID = -1;
constexpr unsigned BST_UNCHECKED = 0;
constexpr unsigned BST_CHECKED = 1;

constexpr std::uint32_t WS_POPUP = 0x80000000;
constexpr std::uint32_t WS_CAPTION = 0x00C00000;
constexpr std::uint32_t WS_SYSMENU = 0x00080000;
constexpr std::uint32_t DS_SETFONT = 0x40;
constexpr std::uint32_t DS_MODALFRAME = 0x80;

enum class ControlKind { DefPushButton, PushButton, AutoRadioButton, AutoCheckBox, GroupBox };

struct DialogControl {
    int id = NO_CONTROL_ID;
    ControlKind kind = ControlKind::PushButton;
    bool group = false;  // starts a group of radio buttons
    bool tabStop = false;
    std::string text;
    int x = 0;  // dialog units
    int y = 0;
    int width = 0;
    int height = 0;
};

struct DialogTemplate {
    std::uint32_t style = 0;
    int width = 0;  // dialog units
    int height = 0;
    std::string title;
    std::string fontFace;  // as the template names it; the host draws with the font it embeds
    int fontPoints = 0;
    std::vector<DialogControl> controls;
};

// The template, or nothing with *error saying which line is wrong and why.
std::optional<DialogTemplate> ParseDialogTemplate(std::string_view text, std::string* error);

struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};
// Dialog units to pixels: a horizontal unit is a quarter of the font's average character width,
// a vertical one an eighth of its height.
PixelRect DialogUnitsToPixels(int x, int y, int width, int height, int averageCharWidth,
                              int charHeight);

// An open dialog: its template, the check state of each control and the commands waiting for
// its procedure.
class Dialog {
  public:
    Dialog(DialogTemplate dialogTemplate, HWND handle, HWND owner);

    const DialogTemplate& Template() const { return template_; }
    HWND Handle() const { return handle_; }
    HWND Owner() const { return owner_; }

    unsigned CheckState(std::size_t index) const { return checks_[index]; }
    // false when no control has the id.
    bool SetCheck(int id, unsigned state);
    unsigned CheckStateOf(int id) const;

    // What the user does. An auto radio button checks itself and unchecks the other radio
    // buttons of its group, an auto check box toggles; then the control's command is queued.
    void Click(std::size_t index);
    // The keyboard focus: the index of a control, or the number of controls when none has it
    // (first the first control with a tab stop).
    std::size_t Focus() const { return focus_; }
    // Tab (backward: Shift+Tab) moves to the next control with a tab stop in template order,
    // wrapping, past the rest of a focused radio group; on a radio button it lands on the
    // checked one of its group. Shift+Tab retraces Tab's steps.
    void Tab(bool backward);
    // An arrow key on a radio button moves to the next (previous) one of its group, wrapping,
    // and clicks it.
    void Arrow(bool forward);
    void PressSpace();  // clicks the focused control
    void PressEnter();  // the default push button's command (IDOK when there is none)
    void Cancel();      // Escape or the close box: IDCANCEL
    std::optional<int> TakeCommand();

    void End(LRESULT result);
    bool Ended() const { return ended_; }
    LRESULT Result() const { return result_; }

  private:
    DialogTemplate template_;
    HWND handle_;
    HWND owner_;
    // The first and one past the last control of index's group of radio buttons.
    std::pair<std::size_t, std::size_t> Group(std::size_t index) const;

    std::vector<unsigned> checks_;
    std::size_t focus_;
    std::deque<int> commands_;
    bool ended_ = false;
    LRESULT result_ = 0;
};

// What a backend shows of an open dialog; destroyed when the dialog closes.
class DialogView {
  public:
    virtual ~DialogView() = default;
    // Told of each message the modal loop has dispatched (the owner's paints among them).
    virtual void Dispatched(const MSG&) {}
};

// The dialog being run by DialogBoxParam, or null.
Dialog* OpenDialog();

bool CheckRadioButton(HWND dialog, int firstId, int lastId, int checkId);
bool CheckDlgButton(HWND dialog, int id, unsigned check);
unsigned IsDlgButtonChecked(HWND dialog, int id);
bool EndDialog(HWND dialog, LRESULT result);

// Runs the modal dialog made from the DIALOG resource templateName, with proc as its procedure;
// returns what the procedure gave EndDialog, or -1 when the dialog cannot be made.
LRESULT DialogBoxParam(std::string_view templateName, HWND owner, WNDPROC proc, LPARAM param);

}  // namespace platform

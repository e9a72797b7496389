// The dialog host: the template parser, dialog units, the state of an open dialog, the calls of
// a dialog procedure and the modal loop of DialogBoxParam.
//
// The modal loop disables the owner (so it is inactive and its ticks are dropped), sends
// WM_INITDIALOG, then dispatches every message of the queue, the owner's paints included, until
// EndDialog. Commands from the user reach the procedure from the loop, after the message during
// which they arose, never from inside a paint.
#include "platform/dialog/dialog.h"

#include <charconv>
#include <memory>

#include "platform/window/window.h"

namespace platform {

namespace {

// ---- The template parser --------------------------------------------------------------------

struct Token {
    std::string text;
    bool quoted = false;
};

// Splits a line into words and quoted texts; false on a quote left open.
bool Tokenize(std::string_view line, std::vector<Token>* tokens) {
    std::size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
        } else if (c == '"') {
            const std::size_t end = line.find('"', i + 1);
            if (end == std::string_view::npos) {
                return false;
            }
            tokens->push_back({std::string(line.substr(i + 1, end - i - 1)), true});
            i = end + 1;
        } else {
            std::size_t end = i;
            while (end < line.size() && line[end] != ' ' && line[end] != '\t' &&
                   line[end] != '\r' && line[end] != '"') {
                ++end;
            }
            tokens->push_back({std::string(line.substr(i, end - i)), false});
            i = end;
        }
    }
    return true;
}

bool ParseInt(const Token& token, int* value) {
    if (token.quoted || token.text.empty()) {
        return false;
    }
    const char* end = token.text.data() + token.text.size();
    const auto [ptr, ec] = std::from_chars(token.text.data(), end, *value);
    return ec == std::errc() && ptr == end;
}

// Reads `count` numbers from tokens[first...], each at least `minimum`.
bool ParseInts(const std::vector<Token>& tokens, std::size_t first, std::size_t count, int minimum,
               int* out) {
    if (tokens.size() != first + count) {
        return false;
    }
    for (std::size_t i = 0; i < count; ++i) {
        if (!ParseInt(tokens[first + i], &out[i]) || out[i] < minimum) {
            return false;
        }
    }
    return true;
}

std::optional<std::uint32_t> StyleBit(std::string_view word) {
    if (word == "POPUP") {
        return WS_POPUP;
    }
    if (word == "CAPTION") {
        return WS_CAPTION;
    }
    if (word == "SYSMENU") {
        return WS_SYSMENU;
    }
    if (word == "MODALFRAME") {
        return DS_MODALFRAME;
    }
    if (word == "SETFONT") {
        return DS_SETFONT;
    }
    return std::nullopt;
}

std::optional<ControlKind> Kind(std::string_view word) {
    if (word == "defpushbutton") {
        return ControlKind::DefPushButton;
    }
    if (word == "pushbutton") {
        return ControlKind::PushButton;
    }
    if (word == "autoradiobutton") {
        return ControlKind::AutoRadioButton;
    }
    if (word == "autocheckbox") {
        return ControlKind::AutoCheckBox;
    }
    if (word == "groupbox") {
        return ControlKind::GroupBox;
    }
    return std::nullopt;
}

// control ID KIND [group] [tabstop] "TEXT" X Y WIDTH HEIGHT; returns the fault, empty when none.
std::string ParseControl(const std::vector<Token>& tokens, DialogControl* control) {
    if (tokens.size() < 3) {
        return "a control needs an id, a kind, a text and a rectangle";
    }
    if (tokens[1].text == "-" && !tokens[1].quoted) {
        control->id = NO_CONTROL_ID;
    } else if (!ParseInt(tokens[1], &control->id) || control->id < 0 || control->id > 0xFFFF) {
        return "control id \"" + tokens[1].text + "\" is neither a number 0..65535 nor \"-\"";
    }
    const auto kind = tokens[2].quoted ? std::nullopt : Kind(tokens[2].text);
    if (!kind) {
        return "unknown control kind \"" + tokens[2].text + "\"";
    }
    control->kind = *kind;
    std::size_t i = 3;
    for (; i < tokens.size() && !tokens[i].quoted; ++i) {
        if (tokens[i].text == "group") {
            control->group = true;
        } else if (tokens[i].text == "tabstop") {
            control->tabStop = true;
        } else {
            return "unknown control flag \"" + tokens[i].text + "\"";
        }
    }
    if (i == tokens.size()) {
        return "a control's text must be in double quotes";
    }
    control->text = tokens[i].text;
    int rect[4];
    if (!ParseInts(tokens, i + 1, 4, 0, rect)) {
        return "a control's text must be followed by x, y, width and height (numbers >= 0)";
    }
    control->x = rect[0];
    control->y = rect[1];
    control->width = rect[2];
    control->height = rect[3];
    return {};
}

// One statement; returns the fault, empty when none.
std::string ParseStatement(const std::vector<Token>& tokens, DialogTemplate* out, bool* sized,
                           bool* titled) {
    const std::string& keyword = tokens[0].text;
    if (tokens[0].quoted) {
        return "a line must start with a keyword, not a text";
    }
    if (keyword == "style") {
        for (std::size_t i = 1; i < tokens.size(); ++i) {
            const auto bit = tokens[i].quoted ? std::nullopt : StyleBit(tokens[i].text);
            if (!bit) {
                return "unknown style \"" + tokens[i].text + "\"";
            }
            out->style |= *bit;
        }
        return {};
    }
    if (keyword == "size") {
        int size[2];
        if (!ParseInts(tokens, 1, 2, 1, size)) {
            return "size needs a width and a height (numbers >= 1)";
        }
        out->width = size[0];
        out->height = size[1];
        *sized = true;
        return {};
    }
    if (keyword == "title") {
        if (tokens.size() != 2 || !tokens[1].quoted) {
            return "title needs one text in double quotes";
        }
        out->title = tokens[1].text;
        *titled = true;
        return {};
    }
    if (keyword == "font") {
        if (tokens.size() != 3 || !ParseInt(tokens[1], &out->fontPoints) || out->fontPoints < 1 ||
            !tokens[2].quoted) {
            return "font needs a size in points and a face in double quotes";
        }
        out->fontFace = tokens[2].text;
        return {};
    }
    if (keyword == "control") {
        DialogControl control;
        std::string fault = ParseControl(tokens, &control);
        if (fault.empty()) {
            out->controls.push_back(std::move(control));
        }
        return fault;
    }
    return "unknown keyword \"" + keyword + "\"";
}

int MulDiv(int value, int numerator, int denominator) {
    const long long product = static_cast<long long>(value) * numerator;
    return static_cast<int>((product + denominator / 2) / denominator);
}

// ---- Open dialogs -----------------------------------------------------------------------------

Dialog*& Current() {
    static Dialog* dialog = nullptr;
    return dialog;
}

Dialog* Find(HWND handle) {
    Dialog* dialog = Current();
    return dialog != nullptr && dialog->Handle() == handle ? dialog : nullptr;
}

}  // namespace

std::optional<DialogTemplate> ParseDialogTemplate(std::string_view text, std::string* error) {
    DialogTemplate result;
    bool sized = false;
    bool titled = false;
    int lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        std::vector<Token> tokens;
        if (!Tokenize(line, &tokens)) {
            *error =
                "line " + std::to_string(lineNumber) + ": a text in double quotes is not closed";
            return std::nullopt;
        }
        if (tokens.empty() || (!tokens[0].quoted && tokens[0].text.starts_with('#'))) {
            continue;
        }
        std::string fault = ParseStatement(tokens, &result, &sized, &titled);
        if (!fault.empty()) {
            *error = "line " + std::to_string(lineNumber) + ": " + fault;
            return std::nullopt;
        }
    }
    if (!sized || !titled) {
        *error = sized ? "no title line" : "no size line";
        return std::nullopt;
    }
    return result;
}

PixelRect DialogUnitsToPixels(int x, int y, int width, int height, int averageCharWidth,
                              int charHeight) {
    return {MulDiv(x, averageCharWidth, 4), MulDiv(y, charHeight, 8),
            MulDiv(width, averageCharWidth, 4), MulDiv(height, charHeight, 8)};
}

Dialog::Dialog(DialogTemplate dialogTemplate, HWND handle, HWND owner)
    : template_(std::move(dialogTemplate)),
      handle_(handle),
      owner_(owner),
      checks_(template_.controls.size(), BST_UNCHECKED),
      focus_(template_.controls.size()) {
    Tab(false);
}

std::pair<std::size_t, std::size_t> Dialog::Group(std::size_t index) const {
    // From the nearest control at or before this one that starts a group to the next that does.
    const auto& controls = template_.controls;
    std::size_t first = index;
    while (first > 0 && !controls[first].group) {
        --first;
    }
    std::size_t end = first + 1;
    while (end < controls.size() && !controls[end].group) {
        ++end;
    }
    return {first, end};
}

bool Dialog::SetCheck(int id, unsigned state) {
    bool found = false;
    for (std::size_t i = 0; i < checks_.size(); ++i) {
        if (id != NO_CONTROL_ID && template_.controls[i].id == id) {
            checks_[i] = state;
            found = true;
        }
    }
    return found;
}

unsigned Dialog::CheckStateOf(int id) const {
    for (std::size_t i = 0; i < checks_.size(); ++i) {
        if (id != NO_CONTROL_ID && template_.controls[i].id == id) {
            return checks_[i];
        }
    }
    return BST_UNCHECKED;
}

void Dialog::Click(std::size_t index) {
    const auto& controls = template_.controls;
    const DialogControl& control = controls[index];
    switch (control.kind) {
        case ControlKind::AutoRadioButton: {
            const auto [first, end] = Group(index);
            for (std::size_t i = first; i < end; ++i) {
                if (controls[i].kind == ControlKind::AutoRadioButton) {
                    checks_[i] = i == index ? BST_CHECKED : BST_UNCHECKED;
                }
            }
            break;
        }
        case ControlKind::AutoCheckBox:
            checks_[index] = checks_[index] == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
            break;
        case ControlKind::GroupBox:
            return;  // a frame and a label: nothing to click
        case ControlKind::DefPushButton:
        case ControlKind::PushButton:
            break;
    }
    if (control.id != NO_CONTROL_ID) {
        commands_.push_back(control.id);
    }
}

void Dialog::Tab(bool backward) {
    const auto& controls = template_.controls;
    const std::size_t n = controls.size();
    std::size_t at = focus_ < n ? focus_ : (backward ? 0 : n - 1);
    // The focused radio group is left whole: backward from its checked button the search would
    // otherwise find the group's own tab stop and land on that button again.
    const bool onRadio = focus_ < n && controls[focus_].kind == ControlKind::AutoRadioButton;
    const auto [left, right] = onRadio ? Group(focus_) : std::pair(n, n);
    for (std::size_t step = 0; step < n; ++step) {
        at = backward ? (at + n - 1) % n : (at + 1) % n;
        const bool inGroup =
            at >= left && at < right && controls[at].kind == ControlKind::AutoRadioButton;
        if (controls[at].tabStop && !inGroup) {
            focus_ = at;
            break;
        }
    }
    if (focus_ < n && controls[focus_].kind == ControlKind::AutoRadioButton) {
        const auto [first, end] = Group(focus_);
        for (std::size_t i = first; i < end; ++i) {
            if (controls[i].kind == ControlKind::AutoRadioButton && checks_[i] == BST_CHECKED) {
                focus_ = i;
            }
        }
    }
}

void Dialog::Arrow(bool forward) {
    const auto& controls = template_.controls;
    if (focus_ >= controls.size() || controls[focus_].kind != ControlKind::AutoRadioButton) {
        return;
    }
    const auto [first, end] = Group(focus_);
    const std::size_t size = end - first;
    std::size_t at = focus_;
    do {
        at = first + (at - first + (forward ? 1 : size - 1)) % size;
    } while (controls[at].kind != ControlKind::AutoRadioButton);
    focus_ = at;
    Click(at);
}

void Dialog::PressSpace() {
    if (focus_ < template_.controls.size()) {
        Click(focus_);
    }
}

void Dialog::PressEnter() {
    for (const DialogControl& control : template_.controls) {
        if (control.kind == ControlKind::DefPushButton && control.id != NO_CONTROL_ID) {
            commands_.push_back(control.id);
            return;
        }
    }
    commands_.push_back(IDOK);
}

void Dialog::Cancel() {
    commands_.push_back(IDCANCEL);
}

std::optional<int> Dialog::TakeCommand() {
    if (commands_.empty()) {
        return std::nullopt;
    }
    const int id = commands_.front();
    commands_.pop_front();
    return id;
}

void Dialog::End(LRESULT result) {
    ended_ = true;
    result_ = result;
}

Dialog* OpenDialog() {
    return Current();
}

bool CheckRadioButton(HWND dialog, int firstId, int lastId, int checkId) {
    Dialog* open = Find(dialog);
    if (open == nullptr) {
        return false;
    }
    for (int id = firstId; id <= lastId; ++id) {
        open->SetCheck(id, id == checkId ? BST_CHECKED : BST_UNCHECKED);
    }
    return true;
}

bool CheckDlgButton(HWND dialog, int id, unsigned check) {
    Dialog* open = Find(dialog);
    return open != nullptr && open->SetCheck(id, check);
}

unsigned IsDlgButtonChecked(HWND dialog, int id) {
    Dialog* open = Find(dialog);
    return open == nullptr ? BST_UNCHECKED : open->CheckStateOf(id);
}

bool EndDialog(HWND dialog, LRESULT result) {
    Dialog* open = Find(dialog);
    if (open == nullptr) {
        return false;
    }
    open->End(result);
    return true;
}

LRESULT DialogBoxParam(std::string_view templateName, HWND owner, WNDPROC proc, LPARAM param) {
    // One modal dialog at a time: a second request (a command posted while the dialog is open)
    // is refused rather than stacking dialogs over one owner.
    if (Current() != nullptr || !IsWindow(owner) || proc == nullptr) {
        return -1;
    }
    const auto bytes = FindResource("DIALOG", templateName);
    if (!bytes) {
        return -1;
    }
    std::string error;
    auto dialogTemplate = ParseDialogTemplate(
        std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()), &error);
    if (!dialogTemplate) {
        return -1;
    }
    Dialog dialog(std::move(*dialogTemplate), CreateDialogWindow(proc), owner);
    Current() = &dialog;
    EnableWindow(owner, false);
    std::unique_ptr<DialogView> view = CurrentBackend().OpenDialogView(dialog);
    SendMessage(dialog.Handle(), WM_INITDIALOG, 0, param);
    InvalidateRect(owner);

    MSG msg;
    while (!dialog.Ended() && IsWindow(owner)) {
        if (!GetMessage(&msg)) {
            PostQuitMessage(static_cast<int>(msg.wParam));  // for the loop outside
            break;
        }
        DispatchMessage(msg);
        if (view) {
            view->Dispatched(msg);
        }
        while (!dialog.Ended()) {
            const auto command = dialog.TakeCommand();
            if (!command) {
                break;
            }
            SendMessage(dialog.Handle(), WM_COMMAND, static_cast<WPARAM>(*command), 0);
        }
    }

    view.reset();
    Current() = nullptr;
    DestroyWindow(dialog.Handle());
    EnableWindow(owner, true);
    InvalidateRect(owner);
    return dialog.Ended() ? dialog.Result() : 0;
}

}  // namespace platform

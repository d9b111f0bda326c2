#include "LabelEditor.h"

#include <QKeyEvent>
#include <algorithm>

#include "DeviceFont.h"
#include "WindowPainter.h"

namespace platform {

namespace {

// Room for the cursor at either end of the text.
constexpr int cursorRoom = 3;

} // namespace

LabelEditor::LabelEditor(HWND edit, QWidget* parent, std::function<void()> delivered)
    : QLineEdit(parent), edit(edit), delivered(std::move(delivered)) {
    setFrame(false);
    setAlignment(Qt::AlignHCenter);
    setTextMargins(0, 0, 0, 0);
    connect(this, &QLineEdit::textEdited, this, [this](const QString& text) {
        SetWindowTextW(this->edit, text.toStdWString().c_str());
    });
    connect(this, &QLineEdit::textChanged, this, [this] { Fit(); });
}

// The label's place is as wide as the label was; a longer name widens the editor about the
// same centre, within the window, so that no letter is cut off and the cursor has room.
void LabelEditor::Fit() {
    QRect area = label;
    const int needed = fontMetrics().horizontalAdvance(text()) + 2 * cursorRoom;
    if (needed > area.width()) {
        area.setLeft(label.center().x() - needed / 2);
        area.setWidth(needed);
        if (const QWidget* parent = parentWidget()) {
            const QRect room = parent->rect();
            area.setWidth(std::min(area.width(), room.width()));
            area.moveLeft(std::clamp(area.left(), room.left(), room.right() + 1 - area.width()));
        }
    }
    if (geometry() != area) {
        setGeometry(area);
    }
}

void LabelEditor::Follow(const QPoint& origin) {
    const std::optional<WindowSnapshot> window = GuiBackend::Describe(edit);
    if (!window) {
        return;
    }
    label = WindowPainter::ToQRect(window->windowRect).translated(-origin);
    setFont(DeviceFont::Of(window->font));
    Fit();
    const QString text = QString::fromStdWString(window->title);
    if (text != this->text()) {
        setText(text);
        selectAll();
    }
    setVisible(window->visible);
    // The editor takes the keyboard once, when it comes up, as the edit window takes the focus.
    if (window->visible && !focusTaken) {
        focusTaken = true;
        raise();
        // The cursor blinks only in the window that has the keyboard.
        this->window()->activateWindow();
        setFocus(Qt::OtherFocusReason);
    }
}

void LabelEditor::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        End(VK_RETURN);
        return;
    case Qt::Key_Escape:
        End(VK_ESCAPE);
        return;
    default:
        QLineEdit::keyPressEvent(event);
    }
}

void LabelEditor::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    End(VK_RETURN);
}

// Once the edit has ended the edit window is gone, and what is posted to it is dropped.
void LabelEditor::End(WPARAM key) {
    PostMessageW(edit, WM_KEYDOWN, key, 1);
    delivered();
}

} // namespace platform

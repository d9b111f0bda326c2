#include "LabelEditor.h"

#include <QKeyEvent>

#include "DeviceFont.h"
#include "WindowPainter.h"

namespace platform {

LabelEditor::LabelEditor(HWND edit, QWidget* parent, std::function<void()> delivered)
    : QLineEdit(parent), edit(edit), delivered(std::move(delivered)) {
    setFrame(false);
    setAlignment(Qt::AlignHCenter);
    connect(this, &QLineEdit::textEdited, this, [this](const QString& text) {
        SetWindowTextW(this->edit, text.toStdWString().c_str());
    });
}

void LabelEditor::Follow(const QPoint& origin) {
    const std::optional<WindowSnapshot> window = GuiBackend::Describe(edit);
    if (!window) {
        return;
    }
    setGeometry(WindowPainter::ToQRect(window->windowRect).translated(-origin));
    setFont(DeviceFont::Of(window->font));
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

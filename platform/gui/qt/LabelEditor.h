// The person's side of a list view's label editor (an "Edit" window of the core): a line edit
// over the label, in the list's font. What is typed becomes the edit window's text at once, so
// the core reads the current text whenever the edit ends; Return commits the edit and Escape
// cancels it (the edit window's WM_KEYDOWN), and the line edit losing the keyboard commits it,
// as the edit window losing the focus does.
#pragma once

#include <QLineEdit>
#include <functional>

#include "GuiBackend.h"

namespace platform {

class LabelEditor : public QLineEdit {
  public:
    // parent: the widget of the edit window's top-level window; delivered: called after each
    // message handed to the core.
    LabelEditor(HWND edit, QWidget* parent, std::function<void()> delivered);

    // Reads the edit window's state from the core again and follows it: place (origin: the
    // screen position of the parent widget's top-left corner), font, text, visibility.
    void Follow(const QPoint& origin);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    void Fit();
    void End(WPARAM key);

    const HWND edit;
    const std::function<void()> delivered;
    bool focusTaken = false;
    // The edit window's place, in the parent widget.
    QRect label;
};

} // namespace platform

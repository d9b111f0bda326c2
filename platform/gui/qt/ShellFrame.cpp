#include "ShellFrame.h"

#include <QFont>
#include <QLinearGradient>
#include <algorithm>

namespace platform {

namespace {

// The navigation bar's blue, darker towards its foot, and the menu bar's grey.
const QColor captionTop(0x3A, 0x78, 0xD8);
const QColor captionBottom(0x0B, 0x3D, 0x91);
const QColor menuBarFill(0xC8, 0xC8, 0xC8);
const QColor menuBarEdge(0x80, 0x80, 0x80);
constexpr int titleIndent = 6;
constexpr int titlePixels = 12;
// The round "ok" button at the caption's right end.
constexpr int doneDiameter = 20;
constexpr int doneMargin = 3;
constexpr int donePixels = 10;

QFont BoldTahoma(int pixels) {
    QFont font(QStringLiteral("Tahoma"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixels);
    font.setBold(true);
    return font;
}

} // namespace

ShellFrame::ShellFrame(const WindowSnapshot& window)
    : windowRect(window.windowRect),
      // A full-screen dialog lies below the shell's caption bar, which shows its title.
      caption(window.doneButton || window.fullScreen), doneButton(window.doneButton),
      menuBar(window.menuBar) {}

QRect ShellFrame::Outer() const {
    const int top = windowRect.top - (caption ? SH_CAPTION_HEIGHT : 0);
    const int bottom = windowRect.bottom + (menuBar ? SH_MENUBAR_HEIGHT : 0);
    // Qt cannot show an empty window; a window of no size is shown as one pixel.
    const int width = std::max<int>(1, windowRect.right - windowRect.left);
    const int height = std::max(1, bottom - top);
    return QRect(static_cast<int>(windowRect.left), top, width, height);
}

QPoint ShellFrame::WindowOrigin() const {
    return QPoint(0, caption ? SH_CAPTION_HEIGHT : 0);
}

QRect ShellFrame::Caption() const {
    return caption ? QRect(0, 0, Outer().width(), SH_CAPTION_HEIGHT) : QRect();
}

QRect ShellFrame::DoneButton() const {
    if (!doneButton) {
        return QRect();
    }
    // The whole height of the caption at its right end, so a stylus hits it easily.
    return QRect(Outer().width() - doneDiameter - 2 * doneMargin, 0, doneDiameter + 2 * doneMargin,
                 SH_CAPTION_HEIGHT);
}

QRect ShellFrame::MenuBar() const {
    if (!menuBar) {
        return QRect();
    }
    return QRect(0, Outer().height() - SH_MENUBAR_HEIGHT, Outer().width(), SH_MENUBAR_HEIGHT);
}

void ShellFrame::Paint(QPainter& painter, const QString& title, bool donePressed) const {
    if (caption) {
        const QRect bar = Caption();
        QLinearGradient fill(bar.topLeft(), bar.bottomLeft());
        fill.setColorAt(0, captionTop);
        fill.setColorAt(1, captionBottom);
        painter.fillRect(bar, fill);
        QRect text = bar.adjusted(titleIndent, 0, 0, 0);
        if (doneButton) {
            text.setRight(DoneButton().left() - 1);
        }
        painter.setPen(Qt::white);
        painter.setFont(BoldTahoma(titlePixels));
        painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, title);
    }
    if (doneButton) {
        const QRect area = DoneButton();
        const QRect circle(area.center().x() - doneDiameter / 2 + 1,
                           area.center().y() - doneDiameter / 2 + 1, doneDiameter - 1,
                           doneDiameter - 1);
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(Qt::white, 2));
        painter.setBrush(donePressed ? QBrush(Qt::white) : QBrush(Qt::NoBrush));
        painter.drawEllipse(circle);
        painter.setPen(donePressed ? captionBottom : QColor(Qt::white));
        painter.setFont(BoldTahoma(donePixels));
        painter.drawText(circle, Qt::AlignCenter | Qt::TextSingleLine, QStringLiteral("ok"));
        painter.restore();
    }
    if (menuBar) {
        const QRect bar = MenuBar();
        painter.fillRect(bar, menuBarFill);
        painter.setPen(menuBarEdge);
        painter.drawLine(bar.topLeft(), bar.topRight());
    }
}

} // namespace platform

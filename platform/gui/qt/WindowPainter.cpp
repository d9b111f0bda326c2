#include "WindowPainter.h"

#include <QFontMetrics>
#include <QImage>

#include "DeviceFont.h"

namespace platform {

namespace {

// The static control's kind, in the low bits of its style.
constexpr DWORD staticTypeMask = 0x1Fu;

} // namespace

QRect WindowPainter::ToQRect(const RECT& rect) {
    return QRect(
        QPoint(static_cast<int>(rect.left), static_cast<int>(rect.top)),
        QSize(static_cast<int>(rect.right - rect.left), static_cast<int>(rect.bottom - rect.top)));
}

bool WindowPainter::IsClass(const WindowSnapshot& window, const char* name) {
    return QString::fromStdWString(window.className)
               .compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
}

bool WindowPainter::IsStatic(const WindowSnapshot& window) {
    return IsClass(window, "STATIC");
}

bool WindowPainter::IsListView(const WindowSnapshot& window) {
    return IsClass(window, "SysListView32");
}

bool WindowPainter::IsEdit(const WindowSnapshot& window) {
    return IsClass(window, "Edit");
}

void WindowPainter::Paint(QPainter& painter, const WindowSnapshot& window, const QPoint& origin) {
    const QRect outer = ToQRect(window.windowRect).translated(-origin);
    const QRect client = ToQRect(window.clientRect).translated(-origin);
    painter.save();
    painter.setClipRect(outer, Qt::IntersectClip);
    if (outer != client) {
        painter.fillRect(outer, Qt::black);
    }
    PaintPixels(painter, window.hwnd, client);
    painter.setClipRect(client, Qt::IntersectClip);
    if (IsStatic(window)) {
        PaintStaticText(painter, window, client);
    } else if (IsListView(window)) {
        PaintListLabels(painter, window, client);
    }
    for (const HWND child : GuiBackend::Children(window.hwnd)) {
        if (const std::optional<WindowSnapshot> snapshot = GuiBackend::Describe(child);
            snapshot && snapshot->visible) {
            Paint(painter, *snapshot, origin);
        }
    }
    painter.restore();
}

void WindowPainter::PaintPixels(QPainter& painter, HWND hwnd, const QRect& client) {
    // A new surface is white, as the core makes new pixels.
    painter.fillRect(client, Qt::white);
    Pixels pixels;
    if (!GuiBackend::CopyPixels(hwnd, pixels) || pixels.width <= 0 || pixels.height <= 0) {
        return;
    }
    QImage image(pixels.width, pixels.height, QImage::Format_RGB32);
    for (int y = 0; y < pixels.height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(image.scanLine(y));
        const std::uint32_t* source =
            pixels.data.data() +
            static_cast<std::size_t>(y) * static_cast<std::size_t>(pixels.width);
        for (int x = 0; x < pixels.width; ++x) {
            // The core leaves the top byte 0; Qt's RGB32 wants it 0xFF.
            row[x] = source[x] | 0xFF000000u;
        }
    }
    painter.drawImage(client.topLeft(), image);
}

void WindowPainter::PaintStaticText(QPainter& painter, const WindowSnapshot& window,
                                    const QRect& client) {
    int flags = Qt::AlignTop | Qt::TextWordWrap;
    switch (window.style & staticTypeMask) {
    case SS_CENTER:
        flags |= Qt::AlignHCenter;
        break;
    case SS_RIGHT:
        flags |= Qt::AlignRight;
        break;
    default:
        flags |= Qt::AlignLeft;
        break;
    }
    // Without SS_NOPREFIX an ampersand marks the next letter, and "&&" is one ampersand.
    if (!(window.style & SS_NOPREFIX)) {
        flags |= Qt::TextShowMnemonic;
    }
    painter.setPen(Qt::black);
    painter.setFont(DeviceFont::Of(window.font));
    painter.drawText(client, flags, QString::fromStdWString(window.title));
}

// Each label word-wrapped and centred below its icon, cut at the bottom of its cell; a selected
// one in white on the highlight colour, which fits the text.
void WindowPainter::PaintListLabels(QPainter& painter, const WindowSnapshot& window,
                                    const QRect& client) {
    const QFont font = DeviceFont::Of(window.font);
    const QFontMetrics metrics(font);
    painter.setFont(font);
    const QColor highlight = QColor::fromRgb(ListItemSnapshot::highlight);
    constexpr int flags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap;
    for (const ListItemSnapshot& item : GuiBackend::ListItems(window.hwnd)) {
        if (item.editing) {
            continue;
        }
        const QRect area = ToQRect(item.labelRect).translated(client.topLeft());
        const QString label = QString::fromStdWString(item.label);
        painter.save();
        painter.setClipRect(area, Qt::IntersectClip);
        if (item.selected) {
            const QRect text = metrics.boundingRect(area, flags, label).intersected(area);
            painter.fillRect(text.adjusted(-1, 0, 1, 0), highlight);
            painter.setPen(Qt::white);
        } else {
            painter.setPen(Qt::black);
        }
        painter.drawText(area, flags, label);
        painter.restore();
    }
}

} // namespace platform

#include "DeviceFont.h"

#include <QFontMetricsF>
#include <algorithm>
#include <cmath>

namespace platform {

namespace {

const char* const systemFace = "Tahoma";
constexpr int systemPixels = 11;
// The size at which a face's cell height is measured against its em size.
constexpr int referencePixels = 100;

QFont Face(const QString& face) {
    QFont font(face.isEmpty() ? QString::fromLatin1(systemFace) : face);
    // Tahoma is rarely installed: fontconfig then picks the machine's sans-serif face.
    font.setStyleHint(QFont::SansSerif);
    return font;
}

// lfHeight: negative, the character height (the em size); positive, the cell height
// (ascent plus descent), which is larger by the face's internal leading.
int PixelSize(const QFont& face, LONG height) {
    if (height < 0) {
        return static_cast<int>(-height);
    }
    if (height == 0) {
        return systemPixels;
    }
    QFont reference = face;
    reference.setPixelSize(referencePixels);
    const QFontMetricsF metrics(reference);
    const qreal cell = metrics.ascent() + metrics.descent();
    const qreal scale = cell > 0 ? referencePixels / cell : 1.0;
    return std::max(1, static_cast<int>(std::floor(height * scale)));
}

} // namespace

QFont DeviceFont::Of(HFONT font) {
    LOGFONTW description{};
    if (!font || GetObjectW(font, sizeof description, &description) != sizeof description) {
        return System();
    }
    return FromLogFont(description);
}

QFont DeviceFont::FromLogFont(const LOGFONTW& description) {
    const std::size_t length =
        std::find(description.lfFaceName, description.lfFaceName + LF_FACESIZE, L'\0') -
        description.lfFaceName;
    QFont font = Face(QString::fromWCharArray(description.lfFaceName, static_cast<int>(length)));
    font.setPixelSize(PixelSize(font, description.lfHeight));
    // Qt numbers weights as the device does (400 normal, 700 bold); 0 means normal.
    const LONG weight = description.lfWeight == 0 ? FW_NORMAL : description.lfWeight;
    font.setWeight(static_cast<QFont::Weight>(std::clamp<LONG>(weight, 1, 1000)));
    font.setItalic(description.lfItalic != 0);
    font.setUnderline(description.lfUnderline != 0);
    font.setStrikeOut(description.lfStrikeOut != 0);
    return font;
}

QFont DeviceFont::System() {
    QFont font = Face(QString());
    font.setPixelSize(systemPixels);
    return font;
}

} // namespace platform

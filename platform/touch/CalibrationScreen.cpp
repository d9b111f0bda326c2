#include "CalibrationScreen.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>

#include "TouchPanel.h"

namespace {

constexpr int armLength = 12;

} // namespace

CalibrationScreen::CalibrationScreen(int width, int height) : width(width), height(height) {
    setWindowTitle("Calibrate the touch screen");
    setGeometry(0, 0, width, height);
    setCursor(Qt::BlankCursor);
}

void CalibrationScreen::Take(DWORD flags, int x, int y) {
    if (!collector.Feed(flags, x, y)) {
        return;
    }
    update();
    if (collector.Done()) {
        QApplication::exit(0);
    }
}

void CalibrationScreen::SourceEnded() {
    if (!collector.Done()) {
        QApplication::exit(sourceEnded);
    }
}

void CalibrationScreen::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setPen(Qt::black);
    const int point = collector.Point();
    painter.drawText(rect().adjusted(0, height / 4, 0, 0), Qt::AlignHCenter | Qt::AlignTop,
                     QString("Tap the centre of the cross (%1 of %2). Esc cancels.")
                         .arg(point + 1)
                         .arg(CalibrationTargets::count));
    // The driver says where its points are, as it does for the recorder.
    TPDC_CALIBRATION_POINT target{point, width, height, 0, 0};
    if (TouchPanelGetDeviceCaps(TPDC_CALIBRATION_POINT_ID, &target)) {
        const int x = target.CalibrationX;
        const int y = target.CalibrationY;
        painter.drawLine(x - armLength, y, x + armLength, y);
        painter.drawLine(x, y - armLength, x, y + armLength);
    }
}

void CalibrationScreen::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        QApplication::exit(cancelled);
    }
}

#include "app/busyindicator.h"

#include <QPainter>

namespace kws::app {

TBusyIndicator::TBusyIndicator(QWidget* parent) : QWidget(parent) {
  timer_.setInterval(50);
  connect(&timer_, &QTimer::timeout, this, [this] {
    angle_ = (angle_ + 30) % 360;
    update();
  });
}

void TBusyIndicator::setRunning(bool running) {
  if (running)
    timer_.start();
  else
    timer_.stop();
}

void TBusyIndicator::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const int side = qMin(width(), height()) - 6;
  const QRectF r((width() - side) / 2.0, (height() - side) / 2.0, side, side);
  QPen track(palette().color(QPalette::Mid), 3);
  p.setPen(track);
  p.drawEllipse(r);
  QPen arc(QColor(0xd2, 0x69, 0x1e), 3, Qt::SolidLine, Qt::RoundCap);
  p.setPen(arc);
  p.drawArc(r, -angle_ * 16, 100 * 16);
}

}  // namespace kws::app

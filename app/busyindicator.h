// A small circular busy indicator: an arc that turns while the indicator is running.
#pragma once

#include <QTimer>
#include <QWidget>

namespace kws::app {

class TBusyIndicator : public QWidget {
  Q_OBJECT
 public:
  explicit TBusyIndicator(QWidget* parent = nullptr);
  void setRunning(bool running);
  bool isRunning() const { return timer_.isActive(); }
  QSize sizeHint() const override { return {24, 24}; }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QTimer timer_;
  int angle_ = 0;
};

}  // namespace kws::app

#pragma once
// Saves a window's picture to build/screenshots/<name>.png, after it has been shown.
#include <QDir>
#include <QTest>
#include <QWidget>

namespace kipo::test {

inline bool SaveScreenshot(QWidget& window, const char* name) {
  QDir().mkpath(KIPO_SCREENSHOTS);
  window.show();
  QTest::qWait(20);
  return window.grab().save(QString(KIPO_SCREENSHOTS) + "/" + name + ".png");
}

}  // namespace kipo::test

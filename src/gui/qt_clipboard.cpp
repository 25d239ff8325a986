#include "gui/qt_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace kipo::gui {

bool QtClipboard::HasFormat(ClipboardFormat format) const {
  const QMimeData* m = QGuiApplication::clipboard()->mimeData();
  if (!m) return false;
  return format == ClipboardFormat::Text ? m->hasText() : m->hasHtml();
}

std::optional<std::string> QtClipboard::Data(ClipboardFormat format) const {
  if (!HasFormat(format)) return std::nullopt;
  const QMimeData* m = QGuiApplication::clipboard()->mimeData();
  return (format == ClipboardFormat::Text ? m->text() : m->html()).toStdString();
}

void QtClipboard::SetText(const std::string& text) { QGuiApplication::clipboard()->setText(QString::fromStdString(text)); }

void QtClipboard::Clear() { QGuiApplication::clipboard()->clear(); }

}  // namespace kipo::gui

#include "gui/qt_prompter.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

#include "platform/user_error.h"

namespace kipo::gui {

QString QtFilter(const std::string& filter) {
  QStringList parts = QString::fromStdString(filter).split('|');
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString desc = parts[i].trimmed();
    QString patterns = parts[i + 1].split(';', Qt::SkipEmptyParts).join(' ');
    // Qt reads the patterns from the last parentheses; add them when the text has none.
    if (!desc.endsWith(')')) desc += " (" + patterns + ")";
    out << desc;
  }
  return out.join(";;");
}

Answer QtPrompter::Ask(const Message& m) {
  QMessageBox box(parent_);
  box.setWindowTitle(QString::fromStdString(m.title.empty() ? kAppTitle : m.title));
  box.setText(QString::fromStdString(m.text));
  switch (m.icon) {
    case Icon::Information: box.setIcon(QMessageBox::Information); break;
    case Icon::Question: box.setIcon(QMessageBox::Question); break;
    case Icon::Warning: box.setIcon(QMessageBox::Warning); break;
    case Icon::Critical: box.setIcon(QMessageBox::Critical); break;
    case Icon::None: break;
  }
  switch (m.buttons) {
    case Buttons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case Buttons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case Buttons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case Buttons::YesNoCancel:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
      break;
  }
  switch (box.exec()) {
    case QMessageBox::Ok: return Answer::Ok;
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    default: return m.buttons == Buttons::YesNo ? Answer::No : Answer::Cancel;
  }
}

std::optional<std::string> QtPrompter::Input(const std::string& title, const std::string& prompt,
                                             const std::string& initial) {
  bool ok = false;
  QString v = QInputDialog::getText(parent_, QString::fromStdString(title.empty() ? kAppTitle : title),
                                    QString::fromStdString(prompt), QLineEdit::Normal,
                                    QString::fromStdString(initial), &ok);
  if (!ok) return std::nullopt;
  return v.toStdString();
}

static std::optional<FileChoice> RunFileDialog(QWidget* parent, const FileDialog& d, bool save) {
  QFileDialog dlg(parent, QString::fromStdString(d.title));
  dlg.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dlg.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  QStringList filters = QtFilter(d.filter).split(";;", Qt::SkipEmptyParts);
  dlg.setNameFilters(filters);
  if (d.filterIndex >= 1 && d.filterIndex <= filters.size()) dlg.selectNameFilter(filters[d.filterIndex - 1]);
  if (!d.defaultExt.empty()) dlg.setDefaultSuffix(QString::fromStdString(d.defaultExt));
  if (!d.initialDir.empty()) dlg.setDirectory(QString::fromStdString(d.initialDir));
  if (!d.fileName.empty()) dlg.selectFile(QString::fromStdString(d.fileName));
  dlg.setOption(QFileDialog::DontConfirmOverwrite, !d.overwritePrompt);
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return std::nullopt;
  return FileChoice{dlg.selectedFiles().first().toStdString(),
                    static_cast<int>(filters.indexOf(dlg.selectedNameFilter())) + 1};
}

std::optional<FileChoice> QtPrompter::OpenFile(const FileDialog& d) { return RunFileDialog(parent_, d, false); }
std::optional<FileChoice> QtPrompter::SaveFile(const FileDialog& d) { return RunFileDialog(parent_, d, true); }

std::optional<std::string> QtPrompter::ChooseFolder(const std::string& prompt) {
  QString dir = QFileDialog::getExistingDirectory(parent_, QString::fromStdString(prompt));
  if (dir.isEmpty()) return std::nullopt;
  return dir.toStdString();
}

std::optional<int> QtPrompter::Choose(const std::string& title, const std::string& prompt,
                                      const std::vector<std::string>& options) {
  QStringList items;
  for (const auto& o : options) items << QString::fromStdString(o);
  bool ok = false;
  QString v = QInputDialog::getItem(parent_, QString::fromStdString(title.empty() ? kAppTitle : title),
                                    QString::fromStdString(prompt), items, 0, false, &ok);
  if (!ok) return std::nullopt;
  return static_cast<int>(items.indexOf(v));
}

void QtPrompter::Status(const std::string& text) {
  status_(text);
}

void QtPrompter::Progress(const std::string& text, long done, long total) {
  status_(total > 0 ? text + " " + std::to_string(100 * done / total) + "%" : text);
  QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace kipo::gui

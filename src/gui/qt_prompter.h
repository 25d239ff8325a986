#pragma once
// The desktop app's answer to the core's questions: message boxes, file dialogs, input
// boxes and the status panel.
#include <QPointer>
#include <QWidget>
#include <functional>

#include "platform/prompter.h"
#include "platform/signal.h"

namespace kipo::gui {

// "Kipo Files (*.kpox)|*.kpox|All Files|*.*" -> "Kipo Files (*.kpox);;All Files (*.*)".
QString QtFilter(const std::string& filter);

class QtPrompter : public Prompter {
 public:
  explicit QtPrompter(QWidget* parent = nullptr) : parent_(parent) {}
  void setParent(QWidget* parent) { parent_ = parent; }
  // Status texts (the main window's status panel listens while it exists).
  [[nodiscard]] Connection OnStatus(std::function<void(const std::string&)> f) { return status_.Connect(std::move(f)); }

  Answer Ask(const Message& message) override;
  std::optional<std::string> Input(const std::string& title, const std::string& prompt,
                                   const std::string& initial) override;
  std::optional<FileChoice> OpenFile(const FileDialog& dialog) override;
  std::optional<FileChoice> SaveFile(const FileDialog& dialog) override;
  std::optional<std::string> ChooseFolder(const std::string& prompt) override;
  std::optional<int> Choose(const std::string& title, const std::string& prompt,
                            const std::vector<std::string>& options) override;
  void Status(const std::string& text) override;
  void Progress(const std::string& text, long done, long total) override;

 private:
  QPointer<QWidget> parent_;
  Signal<const std::string&> status_;
};

}  // namespace kipo::gui

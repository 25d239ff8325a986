#pragma once
// A scripted Prompter for tests: answers are queued in advance, every message is recorded
// with its title and text so that the exact wording can be asserted.
#include <deque>
#include <string>
#include <vector>

#include "platform/prompter.h"

namespace kipo::test {

class RecordingPrompter : public Prompter {
 public:
  struct Shown {
    std::string kind;  // "ask", "input", "open", "save", "folder", "choose"
    std::string title;
    std::string text;
    Buttons buttons = Buttons::Ok;
  };

  // Queued replies, used in order; when a queue is empty the reply that changes nothing
  // is given (No / Cancel / nothing chosen).
  std::deque<Answer> answers;
  std::deque<std::optional<std::string>> inputs;
  std::deque<std::optional<FileChoice>> files;
  std::deque<std::optional<int>> choices;

  std::vector<Shown> shown;
  std::vector<std::string> statuses;
  std::vector<FileDialog> dialogs;

  Answer Ask(const Message& m) override;
  std::optional<std::string> Input(const std::string& title, const std::string& prompt,
                                   const std::string& initial) override;
  std::optional<FileChoice> OpenFile(const FileDialog& d) override;
  std::optional<FileChoice> SaveFile(const FileDialog& d) override;
  std::optional<std::string> ChooseFolder(const std::string& prompt) override;
  std::optional<int> Choose(const std::string& title, const std::string& prompt,
                            const std::vector<std::string>& options) override;
  void Status(const std::string& text) override { statuses.push_back(text); }
  void Progress(const std::string&, long, long) override {}

  // Texts of every message box, in order.
  std::vector<std::string> Texts() const;
  const Shown& Last() const { return shown.back(); }
};

}  // namespace kipo::test

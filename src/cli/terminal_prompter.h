#pragma once
// Answers the core's questions on the command line. With --yes or --no every question gets
// that answer. Otherwise a terminal on stdin is asked; without one the program never waits:
// each question takes the answer that leaves the user's data and files unchanged, and
// stderr says what was answered.
#include <iosfwd>
#include <string>

#include "platform/prompter.h"

namespace kipo::cli {

enum class AutoAnswer { None, Yes, No };

class TerminalPrompter : public Prompter {
 public:
  TerminalPrompter(std::ostream& err, AutoAnswer autoAnswer, bool interactive);
  void setAutoAnswer(AutoAnswer a) { auto_ = a; }
  // The answer to every list choice (the language of a PAC file), matched against the
  // choices without regard to case: whole ("Greek (1032)"), as the name before the last
  // bracket ("greek") or as the number in it ("1032"). Empty: ask the terminal, or choose
  // nothing without one.
  void setPresetChoice(std::string choice) { preset_ = std::move(choice); }

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
  std::string ReadLine();
  std::ostream& err_;
  AutoAnswer auto_;
  bool interactive_;
  std::string preset_;
};

// True when stdin is a terminal.
bool StdinIsTerminal();

}  // namespace kipo::cli

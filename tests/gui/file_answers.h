#pragma once
// The desktop prompter with its file windows answered by the test. The platform's file
// dialog lists folders on a thread of its own and, on a loaded machine, may not take a
// chosen name for many seconds; the window flows under test only need the name the user
// chose. Every other question still opens the real window, and what each file window was
// asked to show is kept to be checked.
#include <deque>
#include <string>
#include <vector>

#include "gui/qt_prompter.h"

namespace kipo::test {

class FileAnswers : public gui::QtPrompter {
 public:
  std::deque<std::string> paths;  // one per file window, in order; none left is Cancel
  std::vector<FileDialog> asked;

  std::optional<FileChoice> OpenFile(const FileDialog& d) override { return Answer(d); }
  std::optional<FileChoice> SaveFile(const FileDialog& d) override { return Answer(d); }

 private:
  std::optional<FileChoice> Answer(const FileDialog& d) {
    asked.push_back(d);
    if (paths.empty()) return std::nullopt;
    FileChoice choice{paths.front(), d.filterIndex};
    paths.pop_front();
    return choice;
  }
};

}  // namespace kipo::test

#include "core/native_save.h"

#include "platform/files.h"
#include "platform/user_error.h"

namespace kipo {

std::filesystem::path WarningListPath() { return DataFolder() / "warning.log"; }

bool WriteWarningList(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& l : lines) text += l + "\r\n";
  if (!EnsureFolder(DataFolder())) return false;
  try {
    WriteFileAtomic(WarningListPath(), text);
    return true;
  } catch (const UserError&) {
    return false;
  }
}

std::string TooManyRowsQuestion(int maxRows) {
  return "One or more subtitles contain more than " + std::to_string(maxRows) +
         " rows.\nWould you like to view a list of these subtitles?";
}

}  // namespace kipo

#include "app/file_types.h"

namespace kipo {

void AddNativeFileTypes(std::vector<FileType>&) {}

}  // namespace kipo

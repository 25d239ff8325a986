#include "app/file_types.h"

namespace kipo {

void AddBroadcastFileTypes(std::vector<FileType>&) {}

}  // namespace kipo

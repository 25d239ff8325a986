#include "app/file_types.h"

namespace kipo {

void AddExchangeFileTypes(std::vector<FileType>&) {}

}  // namespace kipo

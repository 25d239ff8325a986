#include "app/workstation.h"

namespace kipo {

// The undo history arrives with the editing commands; until then recording is a no-op.
void Workstation::Record(const std::string&) {}
void Workstation::RecordDocument(const std::string&) {}

}  // namespace kipo

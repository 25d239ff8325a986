// RAC: read only, with the PAC language question.
#include "formats/broadcast/rac.h"
#include "formats/format_rows.h"
#include "formats/pac_read_options.h"

namespace kipo {

Format MakeRacFormat() {
  Format f;
  f.id = "rac";
  f.name = "Screen RAC";
  f.extensions = {"rac"};
  f.fileType = FileTypeRow{"RAC", "RAC Files (*.rac)", 0, "", 0, 0};
  ImportFormat in;
  in.position = 13;
  in.name = "Screen RAC file";
  f.importRow = std::move(in);
  f.traits.needsLanguage = true;
  f.read = [](std::span<const std::uint8_t> bytes, FormatContext& ctx) {
    ReadResult r;
    r.document = ReadRac(bytes, PacReadOptionsFromUser(ctx), r.warnings);
    return r;
  };
  return f;
}

}  // namespace kipo

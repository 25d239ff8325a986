#include "formats/exchange/catalogue.h"

#include "platform/text_util.h"

namespace kipo {
namespace {

// Flags of a row: O options dialog opens on OK when "Always show options" is set,
// P has a preview sample, W exported through its own window, A a writer exists.
struct Row {
  const char* name;
  const char* category;
  const char* type;
  const char* exporter;
  const char* filter;
  const char* title;
  const char* optionsDialog;
  const char* flags;
};

// The export dialog's list, in the order in which it is built.
const Row kExportRows[] = {
    {"Swift Interchange Format file", "Swift Interchange Format file", "Text", "",
     "Swift Interchange Format File (*.sif)|*.sif", "", "", "P"},
    {"EBU-TT Timed Text (EBU Tech 3350)", "Web/broadcast", "XML/TT", "ExportEBUTimedText",
     "EBU-TT Timed Text File (*.xml)|*.xml", "", "frmTimedTextOptions", ""},
    {"EBU-TT-D Timed Text (EBU Tech 3380)", "Web/broadcast", "XML/TT", "ExportEBUTimedTextD",
     "EBU-TT-D Timed Text File (*.ebuttd.xml)|*.ebuttd.xml", "", "frmEBUTTD", ""},
    {"Generic Timed Text", "Web/broadcast", "XML/TT", "ExportGenericTimedText", "Generic Timed Text File (*.tt)|*.tt",
     "", "frmTimedTextOptions", ""},
    {"W3C Timed Text (DFXP)", "Web/broadcast", "XML/TT", "ExportW3CTimedText", "W3C Timed Text File (*.xml)|*.xml", "",
     "frmTimedTextOptions", ""},
    {"Netflix Timed Text (DFXP)", "Web/broadcast", "XML/TT", "ExportNetFlixTimedText",
     "Netflix Timed Text File (*.dfxp)|*.dfxp", "", "frmTimedTextOptions", ""},
    {"Custom text format", "Miscellaneous", "Text", "ExportCustomText", "Text files (*.txt)|*.txt", "",
     "frmSimpleTextOptions", "OP"},
    {"QUBE", "Theatrical, web", "Text", "ExportQUBE",
     "QUBE files (*.txt)|*.txt|QUBE UTF-8 files (*.txt)|*.txt|QUBE Unicode files (*.txt)|*.txt", "", "", "P"},
    {"Preformatted text", "Miscellaneous", "Text", "ExportPreformattedText",
     "Plain text files (*.txt)|*.txt|Unicode text files (*.txt)|*.txt|UTF-8 text files (*.txt)|*.txt", "",
     "Options (Files tab)", "P"},
    {"DVD/Blu-ray bitmap stream", "DVD/Blu-ray", "Bitmap", "frmDVD", "", "", "", "W"},
    {"Windows Media Player File", "Web", "SAMI/SMI", "frmSAMI", "", "", "", "PW"},
    {"Titra", "Theatrical", "Text", "ExportTitraFile",
     "Titra Text Files (*.txt)|*.txt|Titra UTF-8 Text Files (*.txt)|*.txt", "", "", "P"},
    {"Gelula", "Other subtitling software", "RTF", "ExportGelulaFile",
     "Rich Text Files (*.rtf)|*.RTF|DAS Text Files (*.das)|*.DAS", "", "", "P"},
    {"Swift text", "Other subtitling software", "Text", "ExportSwiftTextFile",
     "Swift text file (*.txt)|*.txt|Swift UTF-8 text file (*.txt)|*.txt|Swift Unicode text file (*.txt)|*.txt", "", "",
     "P"},
    {"Microsoft Excel", "Microsoft Office", "CSV", "ExportCSVFile", "CSV Text Files (*.csv)|*.csv", "",
     "Microsoft Excel CSV file", "P"},
    {"Spruce Maestro", "DVD/Blu-ray", "STL", "frmSpruceOptions",
     "Spruce STL Text File (*.stl)|*.stl|Spruce STL UTF-8 Text File (*.stl)|*.stl|Spruce STL Unicode Text File "
     "(*.stl)|*.stl",
     "", "frmSpruceHeader", "PW"},
    {"Sonic DVD Creator script", "DVD/Blu-ray", "SUB", "ExportSonicDVDCreatorFile",
     "Sonic DVD Creator script file (*.sub)|*.sub|Sonic DVD Creator UTF-8 script file (*.sub)|*.sub|Sonic DVD "
     "Creator Unicode script file (*.sub)|*.sub",
     "", "", "P"},
    {"Sony DVD Architect", "DVD/Blu-ray", "SUB", "ExportSonyArchitectSubFile",
     "Sony DVD Architect script file (*.sub)|*.sub|Sony DVD Architect UTF-8 script file (*.sub)|*.sub|Sony DVD "
     "Architect Unicode script file (*.sub)|*.sub",
     "", "", "P"},
    {"SubRip", "Miscellaneous", "SRT", "ExportSubRipSRTFile",
     "SubRip SRT text file (*.srt)|*.srt|SubRip SRT UTF-8 text file (*.srt)|*.srt|SubRip SRT Unicode text file "
     "(*.srt)|*.srt",
     "Export SubRip SRT file", "frmSubRipExportOptions", "OPA"},
    {"MicroDVD", "Miscellaneous", "SUB", "ExportMicroDVDSubFile",
     "MicroDVD file (*.sub)|*.sub|MicroDVD UTF-8 file (*.sub)|*.sub|MicroDVD Unicode file (*.sub)|*.sub",
     "Export MicroDVD file", "", "PA"},
    {"Texas Instruments DLP Cinema", "Digital cinema", "XML", "digital cinema window", "", "", "", "PW"},
    {"Caption Inc", "Closed caption", "CIN", "ExportCaptionIncFile", "Caption Inc Files (*.cin)|*.cin", "",
     "frmCINOptions", "O"},
    {"Hoek en Sonépouse voice-over", "Other subtitling software", "Text", "ExportHoek",
     "Hoek en Sonépouse Text Files (*.txt)|*.txt", "", "frmHoekOptions", "OP"},
    {"Adobe Encore CS3", "DVD/Blu-ray", "Text", "ExportAdobeEncore",
     "Adobe Encore UTF-8 text file (*.txt)|*.txt|Adobe Encore Unicode text file (*.txt)|*.txt", "", "", "P"},
    {"Sonya Friedman tab-delimited", "Surtitles", "Text", "ExportSonyaFriedman",
     "Sonya Friedman tab-delimited text file (*.txt)|*.txt", "", "", "P"},
    {"Avid DS Nitris", "DVD/Blu-ray", "Text", "ExportDSNitrisFile",
     "Avid DS Nitris UTF-8 text file (*.txt)|*.txt|Avid DS Nitris Unicode text file (*.txt)|*.txt", "",
     "frmNitrisOptions", "O"},
    {"FAB shortform", "Other subtitling software", "Text", "ExportFABShortform",
     "FAB shortform text file(*.txt)|*.txt|FAB shortform UTF-8 text file(*.txt)|*.txt", "", "FAB Shortform", "P"},
    {"Flash", "Web", "XML", "ExportFlashFile", "Flash XML files (*.xml)|*.xml", "", "", "P"},
    {"Theatrical spotting list", "Theatrical", "Text", "", "Spotting List Text File(*.txt)|*.txt", "",
     "frmTheatricalHeader", "OP"},
    {"Cheetah", "Closed caption", "CAP", "ExportCheetahCAPFile", "Cheetah CAP Files (*.cap)|*.cap", "", "", ""},
    {"Microsoft PowerPoint Presentation", "Microsoft Office", "PPT", "ExportPowerPoint",
     "Microsoft PowerPoint Presentation(*.ppt)|*.ppt", "", "frmPowerPointOptions", "O"},
    {"Figaro Systems in-Ovation", "Surtitles", "Text", "ExportFigaro",
     "Figaro Systems in-Ovation text file (*.txt)|*.txt", "", "", "P"},
    {"Theatrical RTF spotting list", "Theatrical", "RTF", "", "Rich text files (*.rtf)|*.rtf", "",
     "frmTheatricalRTFHeader", "OP"},
    {"Apple iTunes Timed Text", "Web", "XML/TT", "ExportAppleITunes", "Apple iTunes Timed Text File (*.itt)|*.itt", "",
     "frmiTuneOptions", "O"},
    {"YouTube", "Web", "SBV", "ExportYouTubeSBV",
     "YouTube SBV ANSI text file (*.sbv)|*.sbv|YouTube SBV UTF-8 text file (*.sbv)|*.sbv|YouTube SBV Unicode text "
     "file (*.sbv)|*.sbv",
     "Export YouTube SBV file", "", "PA"},
    {"Final Cut Pro", "DVD/Blu-ray", "XML", "ExportFCPXML", "Final Cut Pro XML Files (*.xml)|*.xml", "", "", ""},
    {"PMWin", "Other subtitling software", "OVR", "ExportPMWinOVRFile",
     "PMWin Asian Language OVR Files (*.ovr)|*.ovr", "", "", ""},
    {"Ulead DVD Workshop", "DVD/Blu-ray", "Text", "ExportUleadFile",
     "Ulead DVD Workshop text file (*.txt)|*.txt|Ulead DVD Workshop UTF-8 text file (*.txt)|*.txt|Ulead DVD Workshop "
     "Unicode text file (*.txt)|*.txt",
     "", "", ""},
    {"Ultech", "Closed caption", "ULT", "frmULT", "Ultech CC Files (*.ult)|*.ult", "", "", "W"},
    {"WebVTT", "Web", "VTT", "ExportWebVTT", "WebVTT UTF-8 file (*.vtt)|*.vtt|WebVTT Unicode file (*.vtt)|*.vtt",
     "Export WebVTT File", "frmWebVTTOptions", "OPA"},
    {"Translation Template", "Translation template", "RTF/HTML", "ExportTranslationTemplate",
     "Translation template files (*.rtf)|*.rtf", "", "", ""},
    {"Scenarist Closed Caption", "Closed caption", "SCC", "ExportScenaristClosedCaptionFile",
     "Scenarist Closed Caption Files (*.scc)|*.scc", "", "frmSCCOptions", ""},
};

bool Has(const char* flags, char f) { return std::string_view(flags).find(f) != std::string_view::npos; }

// The descriptions of a filter string ("Desc|*.ext|Desc|*.ext").
std::vector<std::string> FilterParts(std::string_view filter) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= filter.size() && !filter.empty()) {
    std::size_t p = filter.find('|', start);
    parts.emplace_back(filter.substr(start, p == std::string_view::npos ? std::string_view::npos : p - start));
    if (p == std::string_view::npos) break;
    start = p + 1;
  }
  return parts;
}

std::string FirstExtension(std::string_view filter) {
  auto parts = FilterParts(filter);
  if (parts.size() < 2) return {};
  std::string pattern = parts[1];
  std::size_t dot = pattern.find('.');
  std::string ext = dot == std::string::npos ? pattern : pattern.substr(dot + 1);
  std::size_t semi = ext.find(';');
  if (semi != std::string::npos) ext.resize(semi);
  return ToLowerAscii(ext);
}

}  // namespace

std::vector<TextEncoding> ExportFormat::Encodings() const {
  std::vector<TextEncoding> out;
  auto parts = FilterParts(filter);
  for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
    const std::string& d = parts[i];
    if (d.find("UTF-8") != std::string::npos) out.push_back(TextEncoding::Utf8);
    else if (d.find("Unicode") != std::string::npos) out.push_back(TextEncoding::Utf16);
    else out.push_back(TextEncoding::Ansi);
  }
  return out;
}

TextEncoding ExportFormat::EncodingAt(int filterIndex) const {
  auto e = Encodings();
  if (e.empty()) return TextEncoding::Ansi;
  if (filterIndex < 1 || filterIndex > static_cast<int>(e.size())) return e.front();
  return e[static_cast<std::size_t>(filterIndex - 1)];
}

int ExportFormat::FilterIndexOf(TextEncoding enc) const {
  auto e = Encodings();
  for (std::size_t i = 0; i < e.size(); ++i)
    if (e[i] == enc) return static_cast<int>(i + 1);
  return 0;
}

const std::vector<ExportFormat>& ExportCatalogue() {
  static const std::vector<ExportFormat> rows = [] {
    std::vector<ExportFormat> v;
    int pos = 0;
    for (const Row& r : kExportRows) {
      ExportFormat f;
      f.position = ++pos;
      f.name = r.name;
      f.category = r.category;
      f.type = r.type;
      f.exporter = r.exporter;
      f.filter = r.filter;
      f.title = r.title;
      f.defaultExt = FirstExtension(r.filter);
      f.optionsDialog = r.optionsDialog;
      f.optionsOnOk = Has(r.flags, 'O');
      f.hasPreview = Has(r.flags, 'P');
      f.ownWindow = Has(r.flags, 'W');
      f.available = Has(r.flags, 'A');
      v.push_back(std::move(f));
    }
    return v;
  }();
  return rows;
}

const ExportFormat* FindExportFormat(std::string_view name) {
  for (const ExportFormat& f : ExportCatalogue())
    if (f.name == name) return &f;
  for (const ExportFormat& f : ExportCatalogue())
    if (EqualsIgnoreCase(f.name, name)) return &f;
  return nullptr;
}

const ExportFormat* ExportFormatAt(int position) {
  const auto& c = ExportCatalogue();
  if (position < 1 || position > static_cast<int>(c.size())) return nullptr;
  return &c[static_cast<std::size_t>(position - 1)];
}

std::string NotAvailableText(std::string_view formatName) {
  return "The " + std::string(formatName) + " format is not available yet in this version of Kipo.";
}

const std::vector<ImportFormat>& ImportCatalogue() {
  static const std::vector<ImportFormat> rows = {
      {"Apple iTunes Timed Text file", "", "", ""},
      {"Caption Inc CIN file", "", "", ""},
      {"CaptionMaker ASCII text file", "", "", ""},
      {"Cheetah closed caption CAP file", "", "", ""},
      {"Closed caption text file", "", "", ""},
      {"Generic timed text file", "", "", ""},
      {"SDI Media Group formatted text file", "", "", ""},
      {"Hoek en Sonépouse voice-over text format", "", "", ""},
      {"MicroDVD SUB file", "SUB", "Import MicroDVD Subtitle File",
       "MicroDVD Subtitle File (*.txt;*.sub)|*.txt;*.sub|All Files (*.*)|*.*"},
      {"Netflix Timed Text file", "", "", ""},
      {"PMWin OVR file", "", "", ""},
      {"QUBE file", "", "", ""},
      {"Screen RAC file", "RAC", "", ""},
      {"Screen structured ASCII file", "", "", ""},
      {"Softni text file", "", "", ""},
      {"Sonic DVD Creator script file", "", "", ""},
      {"Sonic Scenarist closed caption file", "", "", ""},
      {"Spruce Maestro STL file", "", "", ""},
      {"SubRip SRT file", "SRT", "Import SubRip SRT File",
       "SubRip SRT File (*.srt)|*.srt|SubRip SRT UTF-8 file (*.srt)|*.srt|SubRip SRT UTF-16 (Unicode) file "
       "(*.srt)|*.srt"},
      {"Swift Interchange Format file", "", "", ""},
      {"Tab separated DVD script file", "", "", ""},
      {"Texas Instruments DLP Cinema XML file", "", "", ""},
      {"Titra theatrical file", "", "", ""},
      {"Theatrical DOC or RTF spotting list", "", "", ""},
      {"TMPGEnc VME subtitle File", "", "", ""},
      {"Translation template", "", "", ""},
      {"Unstructured Word or RTF document", "", "", ""},
      {"Vegas Region List", "", "", ""},
      {"WebVTT file", "VTT", "Import WebVTT Subtitle File", "WebVTT UTF-8 file (*.vtt)|*.vtt"},
      {"Windows Media Player File", "", "", ""},
      {"YouTube SBV File", "SBV", "Import YouTube SBV File", "YouTube SBV File (*.sbv)|*.sbv"},
  };
  return rows;
}

const ImportFormat* FindImportFormat(std::string_view name) {
  for (const ImportFormat& f : ImportCatalogue())
    if (EqualsIgnoreCase(f.name, name)) return &f;
  return nullptr;
}

const std::vector<std::string>& ImportEncodingNames() {
  static const std::vector<std::string> names = {"System default", "Unicode (UTF-16)", "UTF-8"};
  return names;
}

const std::vector<ConvertTarget>& QuickConvertTargets() {
  static const std::vector<ConvertTarget> rows = {
      {"Adobe Encore", "Adobe Encore", "Adobe Encore CS3", "", "txt", "adobe", "Adobe Encore"},
      {"Apple iTunes", "Apple iTunes", "Apple iTunes Timed Text", "", "itt", "apple", "Apple iTunes"},
      {"Avid DS Nitris", "Avid DS Nitris", "Avid DS Nitris", "", "txt", "avid", "Avid DS Nitris"},
      {"Custom-built text file", "Custom format text file", "Custom text format", "", "txt", "custom", "Custom Text"},
      {"EBU STL", "EBU STL", "", "STL", "stl", "", "EBU STL"},
      {"EBU-TT Timed Text", "EBU-TT Timed Text", "EBU-TT Timed Text (EBU Tech 3350)", "", "xml", "ebutt", "EBU-TT"},
      {"Final Cut Pro XML", "Final Cut Pro XML", "Final Cut Pro", "", "xml", "fcp", "Final Cut Pro"},
      {"MicroDVD SUB", "MicroDVD SUB", "MicroDVD", "", "sub", "micro", "MicroDVD"},
      {"QUBE", "QUBE", "QUBE", "", "txt", "qube", "QUBE"},
      {"Preformatted text file", "Preformatted text file", "Preformatted text", "", "txt", "preset",
       "Preformatted Text"},
      {"Scantitling 890", "Scantitling 890", "", "890", "890", "", "Scantitling 890"},
      {"Screen Subtitling Systems PAC", "Screen Subtitling Systems PAC", "", "PAC", "pac", "", "PAC"},
      {"Sony DVD Architect", "Sony DVD Architect", "Sony DVD Architect", "", "sub", "sony", "Sony DVD Architect"},
      {"Spruce Maestro STL", "Spruce Maestro STL", "Spruce Maestro", "", "stl", "spruce", "Spruce STL"},
      {"Swift text", "Swift text", "Swift text", "", "txt", "swift", "Swift Text"},
      {"SubRip SRT", "SubRip SRT", "SubRip", "", "srt", "subrip", "SubRip"},
      {"Ulead DVD Workshop", "Ulead DVD Workshop", "Ulead DVD Workshop", "", "txt", "ulead", "Ulead DVD Workshop"},
      {"W3C Timed Text", "W3C Timed Text", "W3C Timed Text (DFXP)", "", "xml", "wc3", "W3C Timed Text"},
      {"WebVTT", "WebVTT", "WebVTT", "", "vtt", "webvtt", "WebVTT"},
      {"YouTube SBV", "YouTube SBV", "YouTube", "", "sbv", "youtube", "YouTube SBV"},
  };
  return rows;
}

const std::vector<ConvertTarget>& BatchExportTargets() {
  static const std::vector<ConvertTarget> rows = [] {
    std::vector<ConvertTarget> v = QuickConvertTargets();
    v.push_back({"", "Kipo KPO", "", "KPO", "kpo", "", "Kipo KPO"});
    return v;
  }();
  return rows;
}

const ConvertTarget* FindConvertTarget(std::string_view name) {
  for (const ConvertTarget& t : BatchExportTargets())
    if (EqualsIgnoreCase(t.quickName, name) || EqualsIgnoreCase(t.batchName, name) ||
        (!t.exportName.empty() && EqualsIgnoreCase(t.exportName, name)) || EqualsIgnoreCase(t.tag, name))
      return &t;
  return nullptr;
}

}  // namespace kipo

// The registered formats, in the order the lists show them where no position says
// otherwise. Each line names a function `Format Make<Name>Format()` defined in the
// format's own file; adding a format is that file and one line here.
KIPO_FORMAT(Kpox)
KIPO_FORMAT(Kpo)
KIPO_FORMAT(Wsb)
KIPO_FORMAT(PlainText)
KIPO_FORMAT(Ibf)
KIPO_FORMAT(Pac)
KIPO_FORMAT(Scan890)
KIPO_FORMAT(Rac)
KIPO_FORMAT(EbuStl)
KIPO_FORMAT(SubRip)
KIPO_FORMAT(WebVtt)
KIPO_FORMAT(YouTubeSbv)
KIPO_FORMAT(MicroDvd)
KIPO_FORMAT(Cinema)
KIPO_FORMAT(CustomText)

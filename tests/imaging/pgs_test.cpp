// The Blu-ray graphics stream read back by FFmpeg's own PGS decoder: every subtitle is an
// event at its time with a picture of the size that was rendered.
#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <filesystem>

#include "imaging/bitmap_export.h"
#include "imaging/pgs.h"
#include "imaging/render_support.h"
#include "support/temp_home.h"

namespace kipo {
namespace {

struct Decoded {
  long startMs;
  int x, y, w, h;
  bool clear;
};

// Decodes a .sup with libavformat's PGS demuxer and libavcodec's decoder. Empty when
// FFmpeg cannot open it.
std::vector<Decoded> DecodeSup(const std::string& path, bool& opened) {
  std::vector<Decoded> out;
  opened = false;
  AVFormatContext* fmt = nullptr;
  const AVInputFormat* sup = av_find_input_format("sup");
  if (!sup || avformat_open_input(&fmt, path.c_str(), sup, nullptr) < 0) return out;
  opened = true;
  avformat_find_stream_info(fmt, nullptr);
  const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_HDMV_PGS_SUBTITLE);
  AVCodecContext* ctx = avcodec_alloc_context3(codec);
  avcodec_open2(ctx, codec, nullptr);
  AVPacket* pkt = av_packet_alloc();
  const AVRational tb = fmt->streams[0]->time_base;
  while (av_read_frame(fmt, pkt) >= 0) {
    AVSubtitle sub{};
    int got = 0;
    if (avcodec_decode_subtitle2(ctx, &sub, &got, pkt) >= 0 && got) {
      long ms = static_cast<long>(av_rescale_q(pkt->pts, tb, AVRational{1, 1000}));
      if (sub.num_rects == 0) out.push_back({ms, 0, 0, 0, 0, true});
      for (unsigned i = 0; i < sub.num_rects; ++i)
        out.push_back({ms, sub.rects[i]->x, sub.rects[i]->y, sub.rects[i]->w, sub.rects[i]->h, false});
      avsubtitle_free(&sub);
    }
    av_packet_unref(pkt);
  }
  av_packet_free(&pkt);
  avcodec_free_context(&ctx);
  avformat_close_input(&fmt);
  return out;
}

TEST(Pgs, FfmpegFindsEveryEventAtItsTimeWithItsSize) {
  KIPO_NEED_REFERENCE_FONT();
  test::TempHome home;
  BitmapExportRequest req;
  req.document = SubtitleDocument(25, 2057, 0);
  const char* texts[] = {"One", "Two rows\r\nof text", "", "<Italic> three", "A fourth, wider subtitle row"};
  for (int i = 0; i < 5; ++i) {
    Subtitle s;
    s.inCue = Cue::FromFrames(25 * (10 + 4 * i), req.document.frameRate());
    s.outCue = Cue::FromFrames(25 * (12 + 4 * i) + 5, req.document.frameRate());
    s.text = texts[i];
    req.document.Append(s);
  }
  req.options.targetSystem = static_cast<int>(AuthoringTarget::PgsStream);
  req.options.pictureFormat = static_cast<int>(PictureFormat::Png32);
  req.options.ChoosePictureSize(4);
  req.options.baseline = 1020;
  req.options.antialiasType = static_cast<int>(AntiAlias::AntiAliased);
  req.options.ignoreEmpty = true;
  req.options.fontName = "DejaVu Sans";
  req.fontFiles = ReferenceFontFiles();
  req.folder = home / "pgs";
  WorkerPool pool(2);
  BitmapExportResult r = BitmapExport::Run(req, pool);
  ASSERT_EQ(r.entries.size(), 4u);
  bool opened = false;
  std::vector<Decoded> d = DecodeSup(r.script.string(), opened);
  if (!opened) GTEST_SKIP() << "this FFmpeg has no PGS demuxer";
  std::vector<Decoded> shown, cleared;
  for (const Decoded& e : d) (e.clear ? cleared : shown).push_back(e);
  ASSERT_EQ(shown.size(), 4u);
  ASSERT_EQ(cleared.size(), 4u);
  for (std::size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    const BitmapEntry& e = r.entries[i];
    const FrameRate& rate = req.document.frameRate();
    EXPECT_EQ(shown[i].startMs, FramesToMilliseconds(e.inCue.ToFrames(rate), rate));
    EXPECT_EQ(cleared[i].startMs, FramesToMilliseconds(e.outCue.ToFrames(rate), rate));
    EXPECT_EQ(shown[i].w, e.rect.width);
    EXPECT_EQ(shown[i].h, e.rect.height);
    EXPECT_EQ(shown[i].x, e.rect.x);
    EXPECT_EQ(shown[i].y, e.rect.y);
  }
}

TEST(Pgs, RunLengthCodes) {
  struct Case {
    std::vector<std::uint8_t> row;
    std::vector<std::uint8_t> code;
  } cases[] = {
      {{5}, {5, 0, 0}},
      {{5, 5}, {5, 5, 0, 0}},
      {{5, 5, 5}, {0, 0x83, 5, 0, 0}},
      {{0, 0}, {0, 2, 0, 0}},
      {std::vector<std::uint8_t>(100, 0), {0, 0x40, 100, 0, 0}},
      {std::vector<std::uint8_t>(300, 7), {0, 0xC1, 0x2C, 7, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.row.size());
    EXPECT_EQ(PgsRunLength(c.row, static_cast<int>(c.row.size()), 1), c.code);
  }
}

}  // namespace
}  // namespace kipo

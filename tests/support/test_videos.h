#pragma once
// Small videos made by the ffmpeg program for the video tests (the program is a test tool
// only; the library never runs it). Each is made once per test run, in a private folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace kipo::test {

inline bool HaveFfmpeg() {
  static const bool have = std::system("ffmpeg -version >/dev/null 2>&1") == 0;
  return have;
}

// A folder of this test run, removed when the run ends.
inline const std::filesystem::path& VideoFolder() {
  struct Folder {
    std::filesystem::path path;
    Folder() : path(std::filesystem::temp_directory_path() / ("kipo-test-videos-" + std::to_string(::getpid()))) {
      std::filesystem::create_directories(path);
    }
    ~Folder() {
      std::error_code ec;
      std::filesystem::remove_all(path, ec);
    }
  };
  static const Folder folder;
  return folder.path;
}

// The recipes: ffmpeg arguments between the inputs and the output file.
inline const std::map<std::string, std::string>& VideoRecipes() {
  static const std::string kHues = "\"format=gbrp,geq=r='mod(N*67\\,256)':g='mod(N*139\\,256)':b='mod(N*29\\,256)'\" ";
  static const std::string gop = " -c:v libx264 -pix_fmt yuv420p -x264-params keyint=12:min-keyint=12:scenecut=0 ";
  // Shots cut at frames 30, 60 and 90; a cross-fade over frames 120-139 into a slow zoom;
  // one white flash frame at 160; 170 frames. The filter graph is left open for a last step.
  static const std::string kShots =
      "-f lavfi -i testsrc2=s=160x120:r=25:d=1.2 -f lavfi -i smptebars=s=160x120:r=25:d=1.2 "
      "-f lavfi -i color=c=0x336699:s=160x120:r=25:d=1.2 -f lavfi -i rgbtestsrc=s=160x120:r=25:d=2 "
      "-t 2 -f lavfi -i mandelbrot=s=160x120:r=25 -filter_complex "
      "\"[0]format=yuv420p[a];[1]format=yuv420p[b];[2]format=yuv420p[c];[3]format=yuv420p[d];"
      "[4]format=yuv420p,settb=1/25[e];[a][b][c][d]concat=n=4,settb=1/25[v];"
      "[v][e]xfade=transition=fade:duration=0.8:offset=4.8,"
      "drawbox=x=0:y=0:w=iw:h=ih:color=white:t=fill:enable='eq(n,160)'";
  static const std::string kHueJumps =
      "-f lavfi -i testsrc2=s=320x180:r=25:d=10 -vf \"hue=h='360*floor(t)/7'\" -c:v libx264 -pix_fmt yuv420p ";
  static const std::string kVeryfast = kHueJumps + "-preset veryfast ";
  static const std::map<std::string, std::string> recipes{
      // 50 frames at 25 fps, B-frames, a keyframe every 12 frames.
      {"h264.mp4", "-f lavfi -i testsrc2=s=160x120:r=25:d=2" + gop + "-bf 2"},
      {"mpeg2.mpg", "-f lavfi -i testsrc2=s=160x120:r=25:d=2 -c:v mpeg2video -pix_fmt yuv420p -g 12 -bf 2 -q:v 4 -f mpeg"},
      // Frames 0-19 a 25th of a second apart, then two 25ths apart.
      {"vfr.mkv", "-f lavfi -i testsrc2=s=160x120:r=25:d=2 -vf \"setpts='if(lt(N,20),N,20+(N-20)*2)/(25*TB)'\" "
                  "-fps_mode vfr" + gop},
      {"timecode.mov", "-f lavfi -i testsrc2=s=160x120:r=25:d=1 -timecode 01:00:00:00" + gop},
      {"dropframe.mov", "-f lavfi -i testsrc2=s=160x120:r=30000/1001:d=1 -timecode '00:00:59;28'" + gop},
      {"shots.mp4", kShots + "\"" + gop},
      {"audio.wav", "-f lavfi -i sine=d=0.5"},
      // Every frame one flat colour of its own (frame n: red 67n, green 139n, blue 29n,
      // each mod 256), so a picture names its frame: the same frames in the containers
      // broadcasters and tools deliver. The transport stream starts at 11.4 s as muxers
      // write them; the QuickTime file runs at 29.97 with a drop-frame timecode track.
      {"hues.mp4", "-f lavfi -i color=c=black:s=160x120:r=25:d=3 -vf " + kHues + gop + "-bf 2"},
      {"hues.ts", "-f lavfi -i color=c=black:s=160x120:r=25:d=3 -vf " + kHues + gop + "-bf 2 -f mpegts -output_ts_offset 10"},
      {"hues.mov", "-f lavfi -i color=c=black:s=160x120:r=30000/1001:d=3 -vf " + kHues + gop + "-bf 2 -timecode '00:59:59;00'"},
      {"hues.mpg", "-f lavfi -i color=c=black:s=160x120:r=25:d=3 -vf " + kHues + " -c:v mpeg2video -pix_fmt yuv420p -g 12 -bf 2 -q:v 2 -f mpeg"},
      // Three coloured shots of a second each (red, green, blue; cuts at 25 and 50), the
      // frame number burnt in at the top left, a 440 Hz tone: what the player tests play.
      {"numbered.mp4",
       "-f lavfi -i color=c=0xC02020:s=320x240:r=25:d=1 -f lavfi -i color=c=0x20A040:s=320x240:r=25:d=1 "
       "-f lavfi -i color=c=0x2040C0:s=320x240:r=25:d=1 -f lavfi -i sine=f=440:d=3 -filter_complex "
       "\"[0][1][2]concat=n=3,drawtext=fontfile=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf:"
       "text='%{frame_num}':x=8:y=8:fontsize=40:fontcolor=white[v]\" -map \"[v]\" -map 3:a -c:a aac -shortest" + gop},
      // PAL 16:9 stored anamorphic: 720x576 pixels, each 64:45 wide (shown 1024x576).
      {"anamorphic.mp4", "-f lavfi -i color=c=0x2040C0:s=720x576:r=25:d=1 -vf setsar=64/45" + gop},
      // The same shots at 1280x720: the analysis scales large pictures another way.
      {"shots720.mp4", kShots + ",scale=1280:720\" -preset ultrafast" + gop},
      // And two pixels wide: a row narrower than the blocks FFmpeg's scaler writes.
      {"narrowshots.mp4", kShots + ",scale=2:64\"" + gop},
      // Pictures 8K wide and wider, 16 rows high: the largest shown and the first refused.
      {"8k-wide.mp4", "-f lavfi -i color=c=0x2040C0:s=8192x16:r=25:d=0.2" + gop},
      {"over-8k-wide.mp4", "-f lavfi -i color=c=0x2040C0:s=8208x16:r=25:d=0.2" + gop},
      // The shots of shots.mp4 in HEVC.
      {"shots.hevc.mp4",
       kShots + "\" -c:v libx265 -pix_fmt yuv420p -x265-params keyint=12:min-keyint=12:scenecut=0:log-level=none"},
      // Grainy moving shots cut to and from plain pictures (cuts at 30, 61, 96 and 131,
      // falling on every place in the encoder's groups of pictures), one long group of
      // pictures without scene-cut keyframes: the pictures after a cut into a plain colour
      // are cheap to encode.
      {"plaincuts.mp4",
       "-f lavfi -i testsrc2=s=320x180:r=25:d=1.2 -f lavfi -i color=c=black:s=320x180:r=25:d=1.24 "
       "-f lavfi -i mandelbrot=s=320x180:r=25 -f lavfi -i color=c=0x8090a0:s=320x180:r=25:d=1.4 "
       "-f lavfi -i testsrc2=s=320x180:r=25:d=1 -filter_complex "
       "\"[0]noise=alls=14:allf=t,format=yuv420p,settb=1/25[a];[1]format=yuv420p,settb=1/25[b];"
       "[2]trim=duration=1.4,noise=alls=14:allf=t,format=yuv420p,settb=1/25[c];[3]format=yuv420p,settb=1/25[d];"
       "[4]hflip,noise=alls=14:allf=t,format=yuv420p,settb=1/25[e];[a][b][c][d][e]concat=n=5\" "
       "-c:v libx264 -pix_fmt yuv420p -x264-params keyint=250:scenecut=0 -bf 3"},
      // An open group of pictures every 12 frames (B-pictures after each keyframe shown
      // before it) in Matroska, a cut at 47: on a picture decoded after the keyframe at 48.
      {"opengop.mkv", "-f lavfi -i testsrc2=s=160x120:r=25:d=1.88 -f lavfi -i smptebars=s=160x120:r=25:d=2 "
                      "-filter_complex \"[0][1]concat=n=2\" -c:v libx264 -pix_fmt yuv420p -bf 3 "
                      "-x264-params keyint=12:min-keyint=12:scenecut=0:open-gop=1"},
      // x264's veryfast preset as the shot-cut bench encodes (one reference frame, B-pyramid):
      // a hue jump every second, closed groups of pictures from an IDR picture every 100
      // frames; the same stream as MPEG-TS (start codes instead of lengths); open groups of
      // pictures; and x264's default preset (three reference frames).
      {"veryfast.mp4", kVeryfast + "-x264-params keyint=100"},
      {"veryfast.ts", kVeryfast + "-x264-params keyint=100 -f mpegts"},
      {"veryfast-open.mkv", kVeryfast + "-x264-params keyint=100:open-gop=1"},
      {"default-preset.mp4", kHueJumps + "-x264-params keyint=100"},
      // Two seconds with stereo sound from the second second on: left at half scale,
      // right at a quarter, inverted.
      {"tone.mkv", "-f lavfi -i testsrc2=s=160x120:r=25:d=2 -f lavfi -i "
                   "\"aevalsrc='if(gte(t,1),0.5*sin(2*PI*440*t),0)|if(gte(t,1),-0.25*sin(2*PI*440*t),0)':s=48000:d=2\" "
                   "-c:a pcm_s16le" + gop},
  };
  return recipes;
}

// The path of a generated video; skips the test when ffmpeg is missing.
#define KIPO_TEST_VIDEO(var, name)                                         \
  if (!::kipo::test::HaveFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed"; \
  const std::filesystem::path var = ::kipo::test::MakeVideo(name);         \
  ASSERT_FALSE(var.empty()) << "ffmpeg could not make " << name

inline std::filesystem::path MakeVideo(const std::string& name) {
  const std::filesystem::path out = VideoFolder() / name;
  if (std::filesystem::exists(out)) return out;
  auto recipe = VideoRecipes().find(name);
  if (recipe == VideoRecipes().end()) return {};
  const std::string cmd = "ffmpeg -nostdin -v error -y " + recipe->second + " '" + out.string() + "'";
  if (std::system(cmd.c_str()) != 0) return {};
  return out;
}

// ffmpeg's own decode of frame n (counted in decoding output order) as packed RGB.
inline std::vector<unsigned char> FfmpegFrame(const std::filesystem::path& video, int n) {
  const auto raw = VideoFolder() / ("frame-" + video.filename().string() + "-" + std::to_string(n) + ".rgb");
  const std::string cmd = "ffmpeg -nostdin -v error -y -i '" + video.string() + "' -vf 'select=eq(n\\," +
                          std::to_string(n) + ")' -fps_mode passthrough -frames:v 1 -f rawvideo -pix_fmt rgb24 '" +
                          raw.string() + "'";
  if (std::system(cmd.c_str()) != 0) return {};
  std::ifstream in(raw, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace kipo::test

#pragma once
#include "core/document.h"
#include "platform/prompter.h"

namespace kipo {

enum class DetectedRate { None, Pal, NtscNonDrop, NtscDrop };

// Reads the frame rate the document's labels imply: any frames pair above 24 means NTSC;
// an NTSC label at a whole minute (minute units 1-9, seconds 00, frames 00 or 01) cannot
// be drop-frame. None when no subtitle has both cues set.
DetectedRate InferFrameRate(const SubtitleDocument& doc);

// Infers the rate and, when it differs from the document's, offers to switch. Says so
// when the cues give nothing to go on. Returns what was inferred.
DetectedRate DetectFrameRate(SubtitleDocument& doc, Prompter& prompter);

}  // namespace kipo

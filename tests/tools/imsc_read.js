// Reads a Timed Text file with imscJS, an independent TTML implementation, and prints
// what it would show: one line per interval between its media time events, as
// "begin<TAB>end<TAB>text", rows joined by "|", italic stretches inside "<" and ">".
// Errors and warnings of the parser go to stderr; a fatal one exits with status 2.
"use strict";
const fs = require("fs");
// The parser and the timeline only; the package's HTML renderer needs a browser.
const imsc = {
  fromXML: require("imsc/src/main/js/doc").fromXML,
  generateISD: require("imsc/src/main/js/isd").generateISD,
};

const ttsFontStyle = "http://www.w3.org/ns/ttml#styling fontStyle";
let fatal = false;
const handler = {
  info: (msg) => {},
  warn: (msg) => { process.stderr.write("warning: " + msg + "\n"); },
  error: (msg) => { process.stderr.write("error: " + msg + "\n"); },
  fatal: (msg) => { process.stderr.write("fatal: " + msg + "\n"); fatal = true; },
};

function textOf(element, out) {
  if (element.kind === "br") { out.push("|"); return; }
  if (element.kind === "span" && element.text !== null && element.text !== undefined) {
    const italic = element.styleAttrs[ttsFontStyle] === "italic";
    out.push(italic ? "<" + element.text + ">" : element.text);
    return;
  }
  for (const child of element.contents || []) textOf(child, out);
}

const xml = fs.readFileSync(process.argv[2], "utf8").replace(/^\uFEFF/, "");
const doc = imsc.fromXML(xml, handler);
if (!doc || fatal) process.exit(2);
const events = doc.getMediaTimeEvents();
for (let i = 0; i + 1 < events.length; ++i) {
  const isd = imsc.generateISD(doc, (events[i] + events[i + 1]) / 2, handler);
  const paragraphs = [];
  for (const region of isd.contents) {
    const collect = (e) => {
      if (e.kind === "p") {
        const parts = [];
        textOf(e, parts);
        paragraphs.push(parts.join("").replace(/><|></g, "").trim());
      } else for (const c of e.contents || []) collect(c);
    };
    collect(region);
  }
  if (paragraphs.length) process.stdout.write(events[i].toFixed(3) + "\t" + events[i + 1].toFixed(3) + "\t" + paragraphs.join(" / ") + "\n");
}

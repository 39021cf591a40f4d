// Writes the bundled demo presentation into the folder given as the only
// argument: "talk.qvx", a short talk about Quorvex itself, with its page
// pictures, picture objects, a sound and a video clip, all drawn here.
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "demo_media.h"
#include "demo_theme.h"

using namespace art;
using namespace demo;

namespace {

const float pi = 3.14159265f;
const int slideCount = 11;

std::string folder;
bool failed = false;

void savePage(const Canvas& page, const std::string& name) {
  if (!saveJpeg(page, folder + name, 90)) failed = true;
}
void savePicture(const Canvas& picture, const std::string& name) {
  if (!savePng(picture, folder + name)) failed = true;
}

std::string nextLabel(const std::string& kind) {
  return "next: " + kind;
}

// ---------------------------------------------------------------- sounds

struct Synth {
  int rate;
  std::vector<float> mix;
  Synth(int sampleRate, float seconds) : rate(sampleRate), mix(size_t(seconds * sampleRate)) {}

  // A struck tone: a few partials, each dying away at its own pace.
  void strike(float start, float frequency, float seconds, float level,
              const std::vector<float>& partials, const std::vector<float>& levels) {
    size_t first = size_t(start * rate);
    for (size_t i = first; i < mix.size() && i < first + size_t(seconds * rate); ++i) {
      float t = float(i - first) / rate;
      float attack = std::fmin(1.f, t / 0.004f);
      float value = 0;
      for (size_t k = 0; k < partials.size(); ++k)
        value += levels[k] * std::exp(-t * (2.2f + 2.5f * k) / seconds * 2) *
                 std::sin(2 * pi * frequency * partials[k] * t);
      mix[i] += level * attack * value;
    }
  }

  std::vector<int16_t> samples() const {
    float peak = 1e-6f;
    for (float v : mix) peak = std::fmax(peak, std::fabs(v));
    std::vector<int16_t> out;
    for (float v : mix) out.push_back(int16_t(std::lround(v / peak * 0.8f * 32767)));
    return out;
  }
};

// A two-note door chime with bell-like partials.
std::vector<int16_t> chime() {
  Synth synth(44100, 2.6f);
  const std::vector<float> bell = {1, 2.76f, 5.4f, 8.93f}, levels = {1, 0.45f, 0.22f, 0.1f};
  synth.strike(0.02f, 784, 1.6f, 1, bell, levels);
  synth.strike(0.45f, 622.3f, 2.1f, 1, bell, levels);
  return synth.samples();
}

// ---------------------------------------------------------- picture objects

Canvas emblem() {
  Canvas picture(256, 256);
  const float c = 128;
  picture.fill(circle(c + 4, c + 8, 104), Color{0, 0, 0, 0.45f}, 18);
  picture.fill(circle(c, c, 108), linearGradient({0, 20}, rgb(0xffc65a), {0, 236}, rgb(0xe0701e)));
  picture.fill(ring(c, c, 92, 5), Color{1, 1, 1, 0.85f});
  // A page with a play mark: pictures, sound and video in one.
  picture.fill(roundedRect(70, 76, 186, 172, 10), Color{1, 1, 1, 0.95f});
  picture.fill(polygon({{112, 96}, {112, 152}, {156, 124}}), rgb(0xe0701e));
  picture.fill(roundedRect(82, 182, 174, 190, 4), Color{1, 1, 1, 0.85f});
  return picture;
}

Canvas badge() {
  Canvas picture(256, 256);
  const float c = 128;
  std::vector<Point> star, shadow;
  for (int k = 0; k < 48; ++k) {
    float angle = k * pi / 24, radius = k % 2 ? 104.f : 118.f;
    star.push_back({c + radius * std::cos(angle), c + radius * std::sin(angle)});
    shadow.push_back({c + 6 + radius * std::cos(angle), c + 9 + radius * std::sin(angle)});
  }
  picture.fill(polygon(shadow), Color{0, 0, 0, 0.4f}, 10);
  picture.fill(polygon(star), radialGradient({c - 30, c - 40}, 170, rgb(0xff9b4a), rgb(0xc2321c)));
  picture.fill(ring(c, c, 86, 4), Color{1, 1, 1, 0.9f});
  TextStyle big = style(44, 0.18f), small = style(19, 0.15f);
  drawText(picture, "PNG", c - textWidth("PNG", big) / 2, 130, big, rgb(0xffffff));
  drawText(picture, "with alpha", c - textWidth("with alpha", small) / 2, 168, small,
           rgb(0xfff0d8));
  return picture;
}

// An arrow pointing up and to the right, with a white rim and a shadow.
Canvas arrow() {
  Canvas picture(256, 256);
  const Point outline[] = {{-100, -14}, {40, -14}, {40, -44}, {108, 0},
                           {40, 44},    {40, 14},  {-100, 14}};
  std::vector<Point> shape, shadow;
  for (const Point& p : outline) {
    float c = std::cos(-pi / 4), s = std::sin(-pi / 4);
    Point q{128 + p.x * c - p.y * s, 128 + p.x * s + p.y * c};
    shape.push_back(q);
    shadow.push_back({q.x + 5, q.y + 7});
  }
  picture.fill(polygon(shadow), Color{0, 0, 0, 0.45f}, 6);
  picture.fill(grow(polygon(shape), 5), Color{1, 1, 1, 1});
  picture.fill(polygon(shape), linearGradient({40, 216}, rgb(0xe0701e), {216, 40}, rgb(0xffc65a)));
  return picture;
}

// ------------------------------------------------------------------ pages

// The title word sits above the middle band, where the viewer plays its
// splash at start-up, and the hint below the progress marks that follow it;
// the emblem object fills the middle.
const float emblemY = -0.055f, emblemSize = 0.2f;

Canvas titlePage() {
  Canvas page = pageBackground();
  page.fill(circle(512, 440, 420),
            radialGradient({512, 440}, 420, rgb(0x3b5d99, 0.35f), rgb(0x3b5d99, 0)));
  TextStyle name = style(92, 0.17f);
  name.tracking = 0.04f;
  float x = 512 - textWidth("Quorvex", name) / 2;
  for (const Shape& shape : textShapes("Quorvex", x, 196, name))
    page.glow(shape, rgb(0xffb03a, 0.25f), 30);
  drawTextWithShadow(page, "Quorvex", x, 196, name, rgb(0xffffff), Color{0, 0, 0, 0.5f});
  std::string subtitle = "a full-screen slide presentation viewer";
  drawText(page, subtitle, 512 - textWidth(subtitle, style(28)) / 2, 258, style(28), rgb(0xcfe0ff));
  // A soft halo where the emblem lands.
  page.glow(circle(512, 384 - emblemY * 1024, 60), rgb(0xffb03a, 0.18f), 110);
  std::string hint = "press Space or click to begin";
  drawText(page, hint, 512 - textWidth(hint, style(18)) / 2, 674, style(18), muted);
  drawFooter(page, 1, slideCount, nextLabel("BLEND"));
  return page;
}

const std::vector<Bullet> whatBullets = {
    {"Shows a talk as full-screen pictures", "JPEG and PNG pages, 4:3"},
    {"Pages may play AVI clips and sounds", "video, sound and pictures in front"},
    {"Seven kinds of transition", "from a hard cut to a page that burns away"},
    {"A strip of thumbnails to find any slide", "hold the right mouse button"},
    {"Zoom, pan and point at details", "with the mouse wheel, drags and keys"},
};

Canvas whatPage(int shown) {
  Canvas page = pageBackground();
  drawTitle(page, "What is Quorvex?");
  drawBullets(page, whatBullets, shown, 72, 236, 92);
  drawFooter(page, 2, slideCount, nextLabel("SCROLL_LEFT"));
  return page;
}

const std::vector<std::string> slideListCode = {
    "<SlideList>",       "<Slide>",  "<Image>",  "filename=intro.jpg", "</Image>",  "<Image>",
    "filename=more.jpg", "</Image>", "</Slide>", "<Transition>",       "type=BURN", "duration=2",
    "</Transition>",     "<Slide>",  "...",
};

const std::vector<Bullet> slideListNotes = {
    {"A text file, one line each", "a tag or a key=value"},
    {"Nothing is trimmed", "no blanks around names, no comments"},
    {"A Slide holds its pages", "one Image section each"},
    {"Transition number k", "plays after slide number k"},
};

Canvas slideListPage(int shown) {
  Canvas page = pageBackground();
  drawTitle(page, "Writing a slide list");
  drawCodeBox(page, 72, 180, 330, slideListCode, 18);
  drawBullets(page, slideListNotes, shown, 450, 236, 104, 25);
  drawFooter(page, 3, slideCount, nextLabel("FLY_LEFT"));
  return page;
}

Canvas transitionsPage() {
  Canvas page = pageBackground();
  drawTitle(page, "Seven transitions");
  const char* rows[][2] = {
      {"HARD", "a plain cut"},
      {"BLEND", "a cross-fade, also for every jump"},
      {"SCROLL_LEFT", "seven strips slide and stretch"},
      {"FLY_LEFT", "the page curls away to the left"},
      {"PULL_LEFT", "pulled off like a cloth"},
      {"SQUARES_FLY", "tiles peel off and tumble away"},
      {"BURN", "the old page burns away"},
  };
  float baseline = 226;
  for (const auto& row : rows) {
    drawPill(page, 72, baseline, row[0], 19, accent, rgb(0xffb03a, 0.13f));
    drawText(page, row[1], 330, baseline, style(24), ink);
    baseline += 58;
  }
  std::string note = "type= names the kind, duration= its length in seconds";
  drawText(page, note, 72, baseline + 22, style(19), muted);
  drawFooter(page, 4, slideCount, nextLabel("PULL_LEFT"));
  return page;
}

const std::vector<Bullet> objectNotes = {
    {"ImageObject: a picture on a page", "PNG alpha lets the page show through"},
    {"width, height: in page widths", "the page is 1 wide and 0.75 high"},
    {"tx, ty: where its centre goes", "tz: how far in front, 0.005"},
    {"The same file on the next page?", "both pages share one texture"},
};

// Where the badge object lands (tx, ty, size in page widths).
const float badgeX = 0.3f, badgeY = 0.05f, badgeSize = 0.26f;

Canvas objectsPage(int shown) {
  Canvas page = pageBackground();
  drawTitle(page, "Pictures in front");
  drawBullets(page, objectNotes, shown, 72, 236, 96, 24);
  // A faint frame around the badge with its centre marked.
  float cx = 512 + badgeX * 1024, cy = 384 - badgeY * 1024, half = badgeSize * 512 + 8;
  page.fill(subtract(roundedRect(cx - half, cy - half, cx + half, cy + half, 6),
                     roundedRect(cx - half + 1.5f, cy - half + 1.5f, cx + half - 1.5f,
                                 cy + half - 1.5f, 5)),
            rgb(0x5f7bad, 0.5f));
  page.fill(line({cx - 12, cy}, {cx + 12, cy}, 1.5f), rgb(0x5f7bad, 0.8f));
  page.fill(line({cx, cy - 12}, {cx, cy + 12}, 1.5f), rgb(0x5f7bad, 0.8f));
  std::string where = "tx=0.3 ty=0.05";
  drawText(page, where, cx + half - textWidth(where, style(16)), cy + half + 30, style(16), muted);
  drawFooter(page, 5, slideCount, nextLabel("SQUARES_FLY"));
  return page;
}

const std::vector<Bullet> soundNotes = {
    {"A Sound section gives a page its sound", ""},
    {"It starts when the page is first shown", ""},
    {"It plays on into the next page", ""},
    {"F8 starts sound and video again", ""},
};

Canvas soundPage() {
  Canvas page = pageBackground();
  drawTitle(page, "A page with a sound");
  drawBullets(page, soundNotes, 4, 72, 236, 70, 25);
  drawCodeBox(
      page, 72, 470, 330,
      {"<Image>", "filename=07_sound.jpg", "<Sound>", "filename=chime.wav", "</Sound>", "</Image>"},
      18);
  // A loudspeaker with sound waves.
  const float x = 760, y = 560;
  Shape speaker =
      unite(roundedRect(x - 70, y - 34, x - 30, y + 34, 6),
            polygon({{x - 34, y - 34}, {x + 10, y - 80}, {x + 10, y + 80}, {x - 34, y + 34}}));
  page.fill(grow(speaker, 6), Color{0, 0, 0, 0.35f}, 10);
  page.fill(speaker, linearGradient({0, y - 80}, rgb(0xffffff), {0, y + 80}, rgb(0xb8c6dd)));
  for (int k = 0; k < 3; ++k) {
    std::vector<Point> arc;
    float radius = 50 + k * 38;
    for (int i = 0; i <= 24; ++i) {
      float angle = (-40 + 80.f * i / 24) * pi / 180;
      arc.push_back({x + 10 + radius * std::cos(angle), y + radius * std::sin(angle)});
    }
    page.fill(strokes({arc}, 9), withAlpha(accent, 1 - k * 0.25f));
  }
  drawFooter(page, 7, slideCount, nextLabel("HARD"));
  return page;
}

Canvas settingsPage() {
  Canvas page = pageBackground();
  drawTitle(page, "Settings: the QVX section");
  drawCodeBox(page, 72, 180, 380,
              {"<QVX>", "uColorR=255", "uColorG=176", "uColorB=58", "TransitionDuration=0.8",
               "ShowProgressPosition=1", "</QVX>"},
              19);
  const std::vector<Bullet> notes = {
      {"uColor tints the overlays", "0-255 for red, green and blue"},
      {"TransitionDuration", "seconds, for transitions without their own"},
      {"ShowProgressPosition=1", "shows where you are after each slide"},
  };
  drawBullets(page, notes, 3, 500, 236, 104, 24);
  // What the overlays look like in this colour: the typed number and the
  // progress marks.
  float top = 540;
  page.fill(roundedRect(72, top, 460, top + 64, 32), Color{0.08f, 0.1f, 0.14f, 0.8f});
  drawText(page, "go to slide", 110, top + 42, style(24), accent);
  drawText(page, "7", 300, top + 46, style(32, 0.16f), accent);
  page.fill(roundedRect(500, top, 952, top + 64, 32), Color{0.08f, 0.1f, 0.14f, 0.8f});
  for (int k = 0; k < 10; ++k) {
    float cx = 545 + k * 40.5f, cy = top + 32;
    if (k < 7)
      page.fill(circle(cx, cy, 10), accent);
    else
      page.fill(ring(cx, cy, 9, 4), accent);
    if (k == 7) page.glow(circle(cx, cy, 6), withAlpha(accent, 0.8f), 16);
  }
  drawFooter(page, 8, slideCount, nextLabel("BLEND, 1.5 s"));
  return page;
}

Canvas browsingPage() {
  Canvas page = pageBackground();
  drawTitle(page, "Browsing and zooming");
  const std::vector<Bullet> notes = {
      {"Hold the right button: slides become a strip", ""},
      {"Drag sideways, let go: that slide comes up", ""},
      {"Type a slide number, then Enter", ""},
      {"The wheel picks the tool for left drags", "zoom, pan or a rectangle to zoom into"},
  };
  drawBullets(page, notes, 4, 72, 226, 66, 24);
  // A tilted strip of thumbnails, the selected one marked at its corners.
  for (int k = -2; k <= 2; ++k) {
    float cx = 512 + k * 180, skew = 18, halfWidth = 78, top = 540, bottom = 640;
    float shrink = 1 - std::fabs(float(k)) * 0.1f;
    std::vector<Point> quad = {{cx - halfWidth * shrink + skew, top + 10 * std::fabs(float(k))},
                               {cx + halfWidth * shrink + skew, top + 10 * std::fabs(float(k))},
                               {cx + halfWidth * shrink - skew, bottom},
                               {cx - halfWidth * shrink - skew, bottom}};
    Color face = k == 0 ? rgb(0x4f74b8) : rgb(0x2c4370);
    page.fill(polygon(quad), linearGradient({0, top}, face, {0, bottom}, rgb(0x1a2846)));
    page.fill(roundedRect(cx - 40 * shrink, top + 30, cx + 30 * shrink, top + 38, 4),
              rgb(0xffffff, k == 0 ? 0.9f : 0.4f));
    page.fill(roundedRect(cx - 46 * shrink, top + 52, cx + 20 * shrink, top + 58, 3),
              rgb(0xffffff, k == 0 ? 0.6f : 0.25f));
    if (k == 0) {
      for (const Point& p : quad) {
        float dx = p.x < cx ? 1 : -1, dy = p.y < 590 ? 1 : -1;
        page.fill(strokes({{{p.x + dx * 22, p.y - dy * 6},
                            {p.x - dx * 6, p.y - dy * 6},
                            {p.x - dx * 6 + (p.y < 590 ? -2 : 2), p.y + dy * 18}}},
                          4),
                  rgb(0xffffff));
      }
    }
  }
  drawFooter(page, 9, slideCount, nextLabel("BLEND, the default"));
  return page;
}

Canvas keysPage() {
  Canvas page = pageBackground();
  drawTitle(page, "Keys and mouse");
  struct Row {
    std::vector<std::string> keys;
    std::string action;
  };
  const std::vector<Row> keyboard = {
      {{"Space"}, "next page"},
      {{"Backspace"}, "previous page"},
      {{"Home", "End"}, "first, last page"},
      {{"digits", "Enter"}, "go to that slide"},
      {{"Esc", "q"}, "quit"},
      {{"+", "-"}, "zoom in, out"},
      {{"arrows"}, "move the page"},
      {{"r"}, "reset the view"},
      {{"F5", "F6"}, "clock, splash"},
      {{"F8"}, "replay video, sound"},
      {{"F12"}, "full screen on, off"},
  };
  const std::vector<Row> mouse = {
      {{"left click"}, "next page"},
      {{"right drag"}, "slide strip"},
      {{"wheel"}, "pick the drag tool"},
      {{"Shift", "drag"}, "zoom"},
      {{"Ctrl", "drag"}, "pan"},
      {{"Alt", "drag"}, "zoom to a box"},
      {{"middle drag"}, "turn 3-D models"},
  };
  auto column = [&](const std::vector<Row>& rows, float left, float actionLeft, float top,
                    float step) {
    float baseline = top;
    for (const Row& row : rows) {
      float x = left;
      for (const std::string& key : row.keys) x += drawKeyCap(page, x, baseline, key, 15) + 6;
      drawText(page, row.action, std::fmax(actionLeft, x + 8), baseline, style(19), ink);
      baseline += step;
    }
  };
  drawText(page, "Keyboard", 72, 196, style(20, 0.15f), accent);
  column(keyboard, 72, 250, 244, 41);
  drawText(page, "Mouse", 580, 196, style(20, 0.15f), accent);
  column(mouse, 580, 740, 244, 44);
  drawText(page, "Esc first clears a typed number.", 580, 574, style(17), muted);
  drawText(page, "Thank you for watching!", 580, 646, style(24, 0.14f), rgb(0xffffff));
  drawFooter(page, 11, slideCount, "");
  return page;
}

// ------------------------------------------------------------ 3-D model

// The crate's face: planks with a light frame and the emblem's accent.
Canvas crateTexture() {
  Canvas picture(128, 128, rgb(0x8a5a2b));
  for (int k = 0; k < 4; ++k)
    picture.fill(roundedRect(14, 16 + k * 25, 114, 36 + k * 25, 2),
                 rgb(k % 2 ? 0xa8743c : 0x9a6733));
  picture.fill(subtract(roundedRect(2, 2, 126, 126, 6), roundedRect(14, 14, 114, 114, 3)),
               rgb(0xd9b27c));
  picture.fill(line({16, 112}, {112, 16}, 10), rgb(0xd9b27c));
  picture.fill(circle(64, 64, 15), accent);
  return picture;
}

// A textured cube on a translucent glass plinth, in units of the cube's
// half size; faces counter-clockwise seen from outside.
std::string crateModel() {
  std::string out = "# a crate on a glass plinth\nmtllib crate.mtl\n";
  auto box = [&out](float x0, float y0, float z0, float x1, float y1, float z1) {
    for (int i = 0; i < 8; ++i)
      out += "v " + std::to_string(i & 1 ? x1 : x0) + " " + std::to_string(i & 2 ? y1 : y0) + " " +
             std::to_string(i & 4 ? z1 : z0) + "\n";
  };
  box(-1, -1, -1, 1, 1, 1);
  box(-1.4f, -1.2f, -1.4f, 1.4f, -1.05f, 1.4f);
  out += "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n";
  out += "vn -1 0 0\nvn 1 0 0\nvn 0 -1 0\nvn 0 1 0\nvn 0 0 -1\nvn 0 0 1\n";
  // Corners of each face as bits of the box's vertex numbers, and its normal.
  const int faces[6][5] = {{0, 4, 6, 2, 1}, {1, 3, 7, 5, 2}, {0, 1, 5, 4, 3},
                           {2, 6, 7, 3, 4}, {0, 2, 3, 1, 5}, {4, 5, 7, 6, 6}};
  auto faceLines = [&](int first, bool textured) {
    for (const auto& face : faces) {
      out += "f";
      for (int k = 0; k < 4; ++k)
        out += " " + std::to_string(first + face[k]) + "/" +
               (textured ? std::to_string(k + 1) : "") + "/" + std::to_string(face[4]);
      out += "\n";
    }
  };
  out += "g crate\nusemtl crate\n";
  faceLines(1, true);
  out += "g plinth\nusemtl glass\n";
  faceLines(9, false);
  return out;
}

const char* const crateLibrary =
    "newmtl crate\nKa 0.3 0.3 0.3\nKd 0.9 0.9 0.9\nKs 0.4 0.4 0.4\nNs 300\nmap_Kd crate.png\n"
    "\nnewmtl glass\nKa 0.1 0.2 0.3\nKd 0.4 0.7 1 0.4\nKs 1 1 1\nNs 900\n";

const std::vector<Bullet> modelNotes = {
    {"A Model section puts an OBJ model on a page", "its MTL library gives colours and textures"},
    {"Lit by two lights, in front of the picture", ""},
    {"Translucent materials are drawn last", ""},
};

Canvas modelPage() {
  Canvas page = pageBackground();
  drawTitle(page, "A 3-D model on the page");
  drawBullets(page, modelNotes, 3, 72, 236, 70, 24);
  drawText(page, "Drag with the middle button to turn it", 72, 430, style(20), accent);
  drawCodeBox(page, 72, 462, 300,
              {"<Model>", "filename=crate.obj", "tx=0.3", "ty=-0.1", "rx=20", "ry=35",
               "scale=0.045", "</Model>"},
              15);
  drawFooter(page, 10, slideCount, nextLabel("BLEND, the default"));
  return page;
}

// ------------------------------------------------------------ video clip

const int clipWidth = 320, clipHeight = 240, clipFps = 15, clipFrames = 60;
const int clipRate = 22050;
const float bounceTimes[] = {0.55f, 1.35f, 2.15f, 2.95f};
const float bouncePitches[] = {523.3f, 659.3f, 784, 1046.5f};

// Height of the ball above the floor at time t: arcs between the bounces.
float ballHeight(float t) {
  float previous = 0, height = 0;
  for (float hit : bounceTimes) {
    if (t < hit) {
      float span = hit - previous, u = (t - previous) / span;
      float apex = previous == 0 ? 1.f : 0.8f;
      return previous == 0 ? apex * (1 - u * u) : apex * 4 * u * (1 - u);
    }
    previous = hit;
  }
  float u = std::fmin(1.f, (t - previous) / 0.8f);
  height = 0.5f * 4 * u * (1 - u) * (1 - u);
  return height;
}

Canvas clipFrame(int frame) {
  float t = float(frame) / clipFps, length = float(clipFrames) / clipFps;
  Canvas picture(clipWidth, clipHeight);
  picture.fill(roundedRect(0, 0, clipWidth, clipHeight, 0),
               linearGradient({0, 0}, rgb(0x123a4a), {0, float(clipHeight)}, rgb(0x071820)));
  drawTextWithShadow(picture, "A video page", 16, 36, style(20, 0.16f), rgb(0xffffff),
                     Color{0, 0, 0, 0.5f});
  drawText(picture, "AVI clip: Motion JPEG, PCM sound", 16, 58, style(9.5f), rgb(0x9fd6e6));
  const std::string next = nextLabel("BURN");
  drawText(picture, next, clipWidth - 16 - textWidth(next, style(8.5f)), 30, style(8.5f), accent);
  // Floor, ball and its shadow.
  const float floor = 182;
  picture.fill(roundedRect(0, floor, clipWidth, floor + 1.5f, 0), rgb(0x3f7f92));
  float x = 36 + (clipWidth - 72) * std::fmin(1.f, t / 3.6f);
  float height = ballHeight(t);
  float squash = 1;
  for (float hit : bounceTimes)
    if (std::fabs(t - hit) < 0.05f) squash = 0.78f;
  float radius = 15, y = floor - radius * squash - height * 100;
  picture.fill(ellipse(x, floor + 3, radius * (1.2f - height * 0.4f), 3.5f),
               Color{0, 0, 0, 0.45f - height * 0.25f}, 2);
  picture.fill(ellipse(x, y, radius / std::sqrt(squash), radius * squash),
               radialGradient({x - 5, y - 6}, radius * 1.6f, rgb(0xffd98a), rgb(0xe06a1c)));
  // The time line.
  picture.fill(roundedRect(16, 208, clipWidth - 16, 212, 2), rgb(0x2a5868));
  picture.fill(roundedRect(16, 208, 16 + (clipWidth - 32) * t / length, 212, 2), rgb(0xffb03a));
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.1f s", double(t));
  drawText(picture, seconds, clipWidth - 16 - textWidth("0.0 s", style(9)), 230, style(9),
           rgb(0x9fd6e6));
  if (t > length - 0.8f) drawText(picture, "F8 plays it again", 16, 230, style(9), rgb(0xffffff));
  return picture;
}

std::vector<int16_t> clipSound() {
  Synth synth(clipRate, float(clipFrames) / clipFps);
  for (int k = 0; k < 4; ++k)
    synth.strike(bounceTimes[k], bouncePitches[k], 0.5f, 1, {1, 2, 3}, {1, 0.3f, 0.12f});
  return synth.samples();
}

// ------------------------------------------------------------ the file

struct Object {
  std::string file;
  float width, height, tx, ty;
};

struct ModelEntry {
  std::string file;
  float tx, ty, rx, ry, scale;
};

struct PageEntry {
  std::string file;
  std::vector<Object> objects;
  std::string sound;
  std::vector<ModelEntry> models = {};
};

struct SlideEntry {
  std::vector<PageEntry> pages;
  std::string thumbnail;
  std::string transition;  // empty: the default blend
  std::string duration;
};

std::string number(float value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", double(value));
  return text;
}

std::string describe(const std::vector<SlideEntry>& slides) {
  std::string out;
  auto line = [&out](const std::string& text) { out += text + "\n"; };
  line("<QVX>");
  line("uColorR=255");
  line("uColorG=176");
  line("uColorB=58");
  line("TransitionDuration=0.8");
  line("ShowProgressPosition=1");
  line("</QVX>");
  line("<SlideList>");
  for (const SlideEntry& slide : slides) {
    line("<Slide>");
    if (!slide.thumbnail.empty()) line("thumbnail=" + slide.thumbnail);
    for (const PageEntry& page : slide.pages) {
      line("<Image>");
      line("filename=" + page.file);
      for (const Object& object : page.objects) {
        line("<ImageObject>");
        line("filename=" + object.file);
        line("width=" + number(object.width));
        line("height=" + number(object.height));
        line("tx=" + number(object.tx));
        line("ty=" + number(object.ty));
        line("</ImageObject>");
      }
      for (const ModelEntry& model : page.models) {
        line("<Model>");
        line("filename=" + model.file);
        line("tx=" + number(model.tx));
        line("ty=" + number(model.ty));
        line("rx=" + number(model.rx));
        line("ry=" + number(model.ry));
        line("scale=" + number(model.scale));
        line("</Model>");
      }
      if (!page.sound.empty()) {
        line("<Sound>");
        line("filename=" + page.sound);
        line("</Sound>");
      }
      line("</Image>");
    }
    line("</Slide>");
    // Transition sections count by order: this one follows this slide.
    if (!slide.transition.empty()) {
      line("<Transition>");
      line("type=" + slide.transition);
      if (!slide.duration.empty()) line("duration=" + slide.duration);
      line("</Transition>");
    }
  }
  line("</SlideList>");
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  folder = argc > 1 ? std::string(argv[1]) + "/" : std::string();

  savePicture(emblem(), "emblem.png");
  savePicture(badge(), "badge.png");
  savePicture(arrow(), "arrow.png");
  if (!writeWav(folder + "chime.wav", chime(), 44100)) failed = true;
  if (!writeAvi(folder + "clip.avi", clipWidth, clipHeight, clipFps, clipFrames, clipFrame,
                clipSound(), clipRate))
    failed = true;
  savePage(clipFrame(30), "clip_still.jpg");

  savePage(titlePage(), "01_title.jpg");
  for (int shown = 1; shown <= 3; ++shown)
    savePage(whatPage(shown == 3 ? 5 : shown * 2), "02_what_" + std::to_string(shown) + ".jpg");
  savePage(slideListPage(2), "03_slidelist_1.jpg");
  savePage(slideListPage(4), "03_slidelist_2.jpg");
  savePage(transitionsPage(), "04_transitions.jpg");
  savePage(objectsPage(3), "05_objects_1.jpg");
  savePage(objectsPage(4), "05_objects_2.jpg");
  savePage(soundPage(), "07_sound.jpg");
  savePage(settingsPage(), "08_settings.jpg");
  savePage(browsingPage(), "09_browsing.jpg");
  savePage(keysPage(), "10_keys.jpg");
  savePage(modelPage(), "10_model.jpg");
  savePicture(crateTexture(), "crate.png");
  std::ofstream(folder + "crate.obj", std::ios::binary) << crateModel();
  std::ofstream(folder + "crate.mtl", std::ios::binary) << crateLibrary;

  const Object badgeObject{"badge.png", badgeSize, badgeSize, badgeX, badgeY};
  std::vector<SlideEntry> slides = {
      {{{"01_title.jpg", {{"emblem.png", emblemSize, emblemSize, 0, emblemY}}, ""}},
       "",
       "BLEND",
       "1"},
      {{{"02_what_1.jpg", {}, ""}, {"02_what_2.jpg", {}, ""}, {"02_what_3.jpg", {}, ""}},
       "",
       "SCROLL_LEFT",
       ""},
      {{{"03_slidelist_1.jpg", {}, ""}, {"03_slidelist_2.jpg", {}, ""}}, "", "FLY_LEFT", "1.2"},
      {{{"04_transitions.jpg", {}, ""}}, "", "PULL_LEFT", "1.2"},
      {{{"05_objects_1.jpg", {badgeObject}, ""},
        {"05_objects_2.jpg", {badgeObject, {"arrow.png", 0.13f, 0.13f, 0.13f, -0.2f}}, ""}},
       "",
       "SQUARES_FLY",
       "1.6"},
      {{{"clip.avi", {}, ""}}, "clip_still.jpg", "BURN", "2"},
      {{{"07_sound.jpg", {}, "chime.wav"}}, "", "HARD", ""},
      {{{"08_settings.jpg", {}, ""}}, "", "BLEND", "1.5"},
      {{{"09_browsing.jpg", {}, ""}}, "", "", ""},
      {{{"10_model.jpg", {}, "", {{"crate.obj", 0.3f, -0.1f, 20, 35, 0.045f}}}}, "", "", ""},
      {{{"10_keys.jpg", {}, ""}}, "", "", ""},
  };
  std::ofstream file(folder + "talk.qvx", std::ios::binary);
  file << describe(slides);
  file.close();
  if (!file || failed) {
    std::fprintf(stderr, "make_demo: cannot write the demo into %s\n", folder.c_str());
    return 1;
  }
  return 0;
}

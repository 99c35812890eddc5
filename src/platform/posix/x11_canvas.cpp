#include "platform/posix/x11_canvas.h"

#include <fontconfig/fontconfig.h>

namespace fv::platform::x11 {
namespace {

// Past this many remembered choices the memory starts again: texts such as file names
// need not pile up.
constexpr size_t kMaxRememberedTexts = 512;

const FcChar8* Bytes(std::string_view text) {
  return reinterpret_cast<const FcChar8*>(text.data());
}

// Calls `each` with every character of the UTF-8 `text`, up to the first invalid byte.
template <typename Each>
void ForEachCharacter(std::string_view text, Each each) {
  const FcChar8* p = Bytes(text);
  int left = static_cast<int>(text.size());
  while (left > 0) {
    FcChar32 c = 0;
    const int used = FcUtf8ToUcs4(p, &c, left);
    if (used <= 0) return;
    each(c);
    p += used;
    left -= used;
  }
}

// Whether two fonts come from the same face of the same file.
bool SameFace(XftFont* a, XftFont* b) {
  FcChar8 *fileA = nullptr, *fileB = nullptr;
  int indexA = 0, indexB = 0;
  if (FcPatternGetString(a->pattern, FC_FILE, 0, &fileA) != FcResultMatch ||
      FcPatternGetString(b->pattern, FC_FILE, 0, &fileB) != FcResultMatch) {
    return a == b;
  }
  FcPatternGetInteger(a->pattern, FC_INDEX, 0, &indexA);
  FcPatternGetInteger(b->pattern, FC_INDEX, 0, &indexB);
  return FcStrCmp(fileA, fileB) == 0 && indexA == indexB;
}

}  // namespace

FontSet::~FontSet() {
  for (auto& [key, fonts] : fonts_) {
    for (XftFont* font : fonts) XftFontClose(display_, font);
  }
}

XftFont* FontSet::Open(const FontSpec& spec, std::string_view needed) {
  FcPattern* pattern = FcPatternCreate();
  if (!pattern) return nullptr;
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(spec.face.c_str()));
  FcPatternAddDouble(pattern, FC_PIXEL_SIZE, spec.height);
  if (!needed.empty()) {
    // The characters rank above the family in matching: a face that has them wins.
    FcCharSet* characters = FcCharSetCreate();
    ForEachCharacter(needed, [&](FcChar32 c) { FcCharSetAddChar(characters, c); });
    FcPatternAddCharSet(pattern, FC_CHARSET, characters);
    FcCharSetDestroy(characters);
  }
  FcResult result = FcResultNoMatch;
  FcPattern* match = XftFontMatch(display_, screen_, pattern, &result);
  FcPatternDestroy(pattern);
  if (!match) return nullptr;
  XftFont* font = XftFontOpenPattern(display_, match);  // takes the pattern
  if (!font) FcPatternDestroy(match);
  return font;
}

bool FontSet::Covers(XftFont* font, std::string_view text) const {
  bool all = true;
  ForEachCharacter(text, [&](FcChar32 c) { all = all && XftCharExists(display_, font, c); });
  return all;
}

XftFont* FontSet::FontFor(const FontSpec& spec, std::string_view text) {
  const Key key{spec.face, spec.height};
  const auto remembered = chosen_.find({key, std::string(text)});
  if (remembered != chosen_.end()) return remembered->second;

  std::vector<XftFont*>& fonts = fonts_[key];
  if (fonts.empty()) {
    XftFont* named = Open(spec, {});
    if (!named) return nullptr;
    fonts.push_back(named);
  }
  XftFont* chosen = nullptr;
  for (XftFont* font : fonts) {
    if (Covers(font, text)) {
      chosen = font;
      break;
    }
  }
  if (!chosen) {
    chosen = fonts.front();  // nothing has them all: the named face draws what it can
    if (XftFont* fallback = Open(spec, text)) {
      XftFont* known = nullptr;
      for (XftFont* font : fonts) {
        if (SameFace(font, fallback)) known = font;
      }
      if (known) {
        XftFontClose(display_, fallback);
        chosen = Covers(known, text) ? known : chosen;
      } else {
        fonts.push_back(fallback);
        chosen = fallback;
      }
    }
  }
  if (chosen_.size() >= kMaxRememberedTexts) chosen_.clear();
  chosen_[{key, std::string(text)}] = chosen;
  return chosen;
}

PixelSize FontSet::Measure(std::string_view text, const FontSpec& spec) {
  XftFont* font = FontFor(spec, text);
  if (!font) return {0, spec.height};
  XGlyphInfo extents{};
  XftTextExtentsUtf8(display_, font, Bytes(text), static_cast<int>(text.size()), &extents);
  return {extents.xOff, font->ascent + font->descent};
}

bool XftCanvas::Allocate(RgbColor color, XftColor& out) {
  const auto channel = [&](int shift) {
    return static_cast<unsigned short>(((color >> shift) & 0xFF) * 0x101);
  };
  const XRenderColor value{channel(0), channel(8), channel(16), 0xFFFF};
  const int screen = DefaultScreen(display_);
  return XftColorAllocValue(display_, DefaultVisual(display_, screen),
                            DefaultColormap(display_, screen), &value, &out);
}

void XftCanvas::Free(XftColor& color) {
  const int screen = DefaultScreen(display_);
  XftColorFree(display_, DefaultVisual(display_, screen), DefaultColormap(display_, screen),
               &color);
}

void XftCanvas::FillRect(const PixelRect& rect, RgbColor color) {
  if (rect.width <= 0 || rect.height <= 0) return;
  XftColor xft;
  if (!Allocate(color, xft)) return;
  XftDrawRect(draw_, &xft, rect.left, rect.top, static_cast<unsigned>(rect.width),
              static_cast<unsigned>(rect.height));
  Free(xft);
}

void XftCanvas::DrawText(int x, int y, std::string_view text, const FontSpec& spec, RgbColor color,
                         const PixelRect& clip) {
  if (text.empty() || clip.width <= 0 || clip.height <= 0) return;
  XftFont* font = fonts_.FontFor(spec, text);
  if (!font) return;
  XftColor xft;
  if (!Allocate(color, xft)) return;
  XRectangle area{static_cast<short>(clip.left), static_cast<short>(clip.top),
                  static_cast<unsigned short>(clip.width),
                  static_cast<unsigned short>(clip.height)};
  XftDrawSetClipRectangles(draw_, 0, 0, &area, 1);
  XftDrawStringUtf8(draw_, &xft, font, x, y + font->ascent, Bytes(text),
                    static_cast<int>(text.size()));
  XftDrawSetClip(draw_, nullptr);
  Free(xft);
}

PixelSize XftCanvas::MeasureText(std::string_view text, const FontSpec& font) {
  return fonts_.Measure(text, font);
}

}  // namespace fv::platform::x11

#include "core/locale.h"

#include <atomic>

#include "core/cstring.h"
#include "core/localized_text.h"
#include "core/utf8.h"

namespace {

// --- Separators ---------------------------------------------------------------------------------

std::atomic<uint32_t> gSeparators{'.' | (uint32_t{','} << 16)};

// --- Languages ----------------------------------------------------------------------------------

struct LanguageEntry {
  const char* name;
  const char* code;
};
constexpr LanguageEntry kLanguages[kLanguageCount] = {
    {"English", "US"},
    {"Czech", "CZE"},
    {"Dansk", "DAN"},
    {"Nederlands", "DUT"},
    {"Eesti", "EST"},
    {"Suomi", "FIN"},
    {"Fran\xC3\xA7"
     "ais",
     "FRA"},
    {"Deutsch", "GER"},
    {"Italiano", "ITA"},
    {"Norsk", "NOR"},
    {"Slovak", "SLO"},
    {"Espa\xC3\xB1ol", "SPA"},
    {"Svenska", "SWE"},
};
bool gLanguageEnabled[kLanguageCount] = {true, true, true, true, true, true, true,
                                         true, true, true, true, true, true};

// --- Case tables --------------------------------------------------------------------------------

constexpr int32_t kCaseTableSize = 2048;

struct CaseTables {
  uint16_t upper[kCaseTableSize];
  uint16_t lower[kCaseTableSize];
  uint16_t base[kCaseTableSize];
};

struct CaseRange {
  uint16_t first;
  uint16_t last;
  uint8_t kind;  // 0 capital + 32 is small; 1 pairs capital, small; 2 triples capital, title, small
};
constexpr CaseRange kCaseRanges[] = {
    {0x0041, 0x005A, 0}, {0x00C0, 0x00D6, 0}, {0x00D8, 0x00DD, 0}, {0x0100, 0x0137, 1},
    {0x0139, 0x0148, 1}, {0x014A, 0x0177, 1}, {0x0179, 0x017E, 1}, {0x01C4, 0x01CC, 2},
    {0x01CD, 0x01DC, 1}, {0x01DE, 0x01EF, 1}, {0x01F1, 0x01F3, 2}, {0x01F4, 0x01F5, 1},
    {0x01F8, 0x0233, 1}, {0x0391, 0x03AA, 0}, {0x0410, 0x042F, 0}, {0x0460, 0x0481, 1},
    {0x048A, 0x04BF, 1}, {0x04C1, 0x04CE, 1}, {0x04D0, 0x04F9, 1},
};

struct BaseRun {
  uint16_t first;
  const char* letters;  // "." leaves the entry unchanged
};
// U+017F (long s) is given the base letter "s".
constexpr BaseRun kBaseRuns[] = {
    {0x00C0, "AAAAAAACEEEEIIIIDNOOOOO.OUUUUY"},
    {0x00E0, "aaaaaaaceeeeiiiidnooooo.ouuuuy"},
    {0x0100, "AaAaAaCcCcCcCcDdDdEeEeEeEeEeGgGg"},
    {0x0120, "GgGgHhHhIiIiIiIiIi..JjKkkLlLlLlL"},
    {0x0140, "lLlNnNnNnnNnOoOoOoOoRrRrRrSsSsSs"},
    {0x0160, "SsTtTtTtUuUuUuUuUuUuWwYyYZzZzZzs"},
    {0x0187, "CcDd"},
    {0x01D0, "iOoUuUuUuUuUu.AaAaAaGgGgKkOoOo"},
    {0x01F0, "j...Gg..NnAaAaOo"},
    {0x0200, "AaAaEeEeIiIiOoOoRrRrUuUuSsTt..Hh"},
    {0x0224, "ZzAaEeOoOoOoOoYy......ACc"},
    {0x0246, "EeJj..RrYy"},
};

constexpr CaseTables BuildCaseTables() {
  CaseTables t{};
  for (int32_t i = 0; i < kCaseTableSize; ++i) {
    t.upper[i] = t.lower[i] = t.base[i] = static_cast<uint16_t>(i);
  }
  for (const CaseRange& r : kCaseRanges) {
    if (r.kind == 0) {
      for (int32_t c = r.first; c <= r.last; ++c) {
        // U+03A2 is unassigned: final sigma is upper-cased to sigma instead.
        if (c == 0x03A2) continue;
        t.lower[c] = static_cast<uint16_t>(c + 32);
        t.upper[c + 32] = static_cast<uint16_t>(c);
      }
    } else if (r.kind == 1) {
      for (int32_t c = r.first; c + 1 <= r.last; c += 2) {
        t.lower[c] = static_cast<uint16_t>(c + 1);
        t.upper[c + 1] = static_cast<uint16_t>(c);
      }
    } else {
      for (int32_t c = r.first; c + 2 <= r.last; c += 3) {
        t.upper[c + 1] = t.upper[c + 2] = static_cast<uint16_t>(c);
        t.lower[c] = t.lower[c + 1] = static_cast<uint16_t>(c + 2);
      }
    }
  }
  t.upper[0x03C2] = 0x03A3;
  for (const BaseRun& run : kBaseRuns) {
    for (int32_t i = 0; run.letters[i]; ++i) {
      if (run.letters[i] != '.') t.base[run.first + i] = static_cast<uint16_t>(run.letters[i]);
    }
  }
  return t;
}

constexpr CaseTables kCase = BuildCaseTables();
static_assert(kCase.upper['a'] == 'A' && kCase.lower[0x00C4] == 0x00E4 &&
              kCase.base[0x00E9] == 'e');

// --- Accent composition
// ---------------------------------------------------------------------------

struct Composition {
  uint16_t mark;
  char base;
  uint16_t composed;
};
constexpr Composition kCompositions[] = {
    // U+0300 grave
    {0x300, 'A', 0xC0},
    {0x300, 'E', 0xC8},
    {0x300, 'I', 0xCC},
    {0x300, 'N', 0x1F8},
    {0x300, 'O', 0xD2},
    {0x300, 'U', 0xD9},
    {0x300, 'a', 0xE0},
    {0x300, 'e', 0xE8},
    {0x300, 'i', 0xEC},
    {0x300, 'n', 0x1F9},
    {0x300, 'o', 0xF2},
    {0x300, 'u', 0xF9},
    // U+0301 acute
    {0x301, 'A', 0xC1},
    {0x301, 'C', 0x106},
    {0x301, 'E', 0xC9},
    {0x301, 'G', 0x1F4},
    {0x301, 'I', 0xCD},
    {0x301, 'N', 0x143},
    {0x301, 'O', 0xD3},
    {0x301, 'R', 0x154},
    {0x301, 'S', 0x15A},
    {0x301, 'U', 0xDA},
    {0x301, 'Y', 0xDD},
    {0x301, 'Z', 0x179},
    {0x301, 'a', 0xE1},
    {0x301, 'c', 0x107},
    {0x301, 'e', 0xE9},
    {0x301, 'g', 0x1F5},
    {0x301, 'i', 0xED},
    {0x301, 'n', 0x144},
    {0x301, 'o', 0xF3},
    {0x301, 'r', 0x155},
    {0x301, 's', 0x15B},
    {0x301, 'u', 0xFA},
    {0x301, 'y', 0xFD},
    {0x301, 'z', 0x17A},
    // U+0302 circumflex
    {0x302, 'A', 0xC2},
    {0x302, 'C', 0x108},
    {0x302, 'E', 0xCA},
    {0x302, 'G', 0x11C},
    {0x302, 'H', 0x124},
    {0x302, 'I', 0xCE},
    {0x302, 'J', 0x134},
    {0x302, 'O', 0xD4},
    {0x302, 'S', 0x15C},
    {0x302, 'U', 0xDB},
    {0x302, 'W', 0x174},
    {0x302, 'Y', 0x176},
    {0x302, 'a', 0xE2},
    {0x302, 'c', 0x109},
    {0x302, 'e', 0xEA},
    {0x302, 'g', 0x11D},
    {0x302, 'h', 0x125},
    {0x302, 'i', 0xEE},
    {0x302, 'j', 0x135},
    {0x302, 'o', 0xF4},
    {0x302, 's', 0x15D},
    {0x302, 'u', 0xFB},
    {0x302, 'w', 0x175},
    {0x302, 'y', 0x177},
    // U+0303 tilde
    {0x303, 'A', 0xC3},
    {0x303, 'I', 0x128},
    {0x303, 'N', 0xD1},
    {0x303, 'O', 0xD5},
    {0x303, 'U', 0x168},
    {0x303, 'a', 0xE3},
    {0x303, 'i', 0x129},
    {0x303, 'n', 0xF1},
    {0x303, 'o', 0xF5},
    {0x303, 'u', 0x169},
    // U+0304 macron
    {0x304, 'A', 0x100},
    {0x304, 'E', 0x112},
    {0x304, 'I', 0x12A},
    {0x304, 'O', 0x14C},
    {0x304, 'U', 0x16A},
    {0x304, 'Y', 0x232},
    {0x304, 'a', 0x101},
    {0x304, 'e', 0x113},
    {0x304, 'i', 0x12B},
    {0x304, 'o', 0x14D},
    {0x304, 'u', 0x16B},
    {0x304, 'y', 0x233},
    // U+0306 breve
    {0x306, 'A', 0x102},
    {0x306, 'E', 0x114},
    {0x306, 'G', 0x11E},
    {0x306, 'I', 0x12C},
    {0x306, 'O', 0x14E},
    {0x306, 'U', 0x16C},
    {0x306, 'a', 0x103},
    {0x306, 'e', 0x115},
    {0x306, 'g', 0x11F},
    {0x306, 'i', 0x12D},
    {0x306, 'o', 0x14F},
    {0x306, 'u', 0x16D},
    // U+0307 dot above
    {0x307, 'A', 0x226},
    {0x307, 'C', 0x10A},
    {0x307, 'E', 0x116},
    {0x307, 'G', 0x120},
    {0x307, 'O', 0x22E},
    {0x307, 'Z', 0x17B},
    {0x307, 'a', 0x227},
    {0x307, 'c', 0x10B},
    {0x307, 'e', 0x117},
    {0x307, 'g', 0x121},
    {0x307, 'o', 0x22F},
    {0x307, 'z', 0x17C},
    // U+0308 diaeresis
    {0x308, 'A', 0xC4},
    {0x308, 'E', 0xCB},
    {0x308, 'I', 0xCF},
    {0x308, 'O', 0xD6},
    {0x308, 'U', 0xDC},
    {0x308, 'Y', 0x178},
    {0x308, 'a', 0xE4},
    {0x308, 'e', 0xEB},
    {0x308, 'i', 0xEF},
    {0x308, 'o', 0xF6},
    {0x308, 'u', 0xFC},
    {0x308, 'y', 0xFF},
    // U+030A ring above
    {0x30A, 'A', 0xC5},
    {0x30A, 'U', 0x16E},
    {0x30A, 'a', 0xE5},
    {0x30A, 'u', 0x16F},
    // U+030B double acute
    {0x30B, 'O', 0x150},
    {0x30B, 'U', 0x170},
    {0x30B, 'o', 0x151},
    {0x30B, 'u', 0x171},
    // U+030C caron
    {0x30C, 'A', 0x1CD},
    {0x30C, 'C', 0x10C},
    {0x30C, 'D', 0x10E},
    {0x30C, 'E', 0x11A},
    {0x30C, 'G', 0x1E6},
    {0x30C, 'H', 0x21E},
    {0x30C, 'I', 0x1CF},
    {0x30C, 'K', 0x1E8},
    {0x30C, 'N', 0x147},
    {0x30C, 'O', 0x1D1},
    {0x30C, 'R', 0x158},
    {0x30C, 'S', 0x160},
    {0x30C, 'T', 0x164},
    {0x30C, 'U', 0x1D3},
    {0x30C, 'Z', 0x17D},
    {0x30C, 'a', 0x1CE},
    {0x30C, 'c', 0x10D},
    {0x30C, 'e', 0x11B},
    {0x30C, 'g', 0x1E7},
    {0x30C, 'h', 0x21F},
    {0x30C, 'i', 0x1D0},
    {0x30C, 'k', 0x1E9},
    {0x30C, 'n', 0x148},
    {0x30C, 'o', 0x1D2},
    {0x30C, 'r', 0x159},
    {0x30C, 's', 0x161},
    {0x30C, 'u', 0x1D4},
    {0x30C, 'z', 0x17E},
    // U+030F double grave
    {0x30F, 'A', 0x200},
    {0x30F, 'E', 0x204},
    {0x30F, 'I', 0x208},
    {0x30F, 'O', 0x20C},
    {0x30F, 'R', 0x210},
    {0x30F, 'U', 0x214},
    {0x30F, 'a', 0x201},
    {0x30F, 'e', 0x205},
    {0x30F, 'i', 0x209},
    {0x30F, 'o', 0x20D},
    {0x30F, 'r', 0x211},
    {0x30F, 'u', 0x215},
    // U+0311 inverted breve
    {0x311, 'A', 0x202},
    {0x311, 'E', 0x206},
    {0x311, 'I', 0x20A},
    {0x311, 'O', 0x20E},
    {0x311, 'R', 0x212},
    {0x311, 'U', 0x216},
    {0x311, 'a', 0x203},
    {0x311, 'e', 0x207},
    {0x311, 'i', 0x20B},
    {0x311, 'o', 0x20F},
    {0x311, 'r', 0x213},
    {0x311, 'u', 0x217},
};

// --- HTML entities
// --------------------------------------------------------------------------------

constexpr EntityEntry kEntities[kEntityCount] = {
    {0x0022, "&quot;"},    {0x0026, "&amp;"},    {0x0027, "&apos;"},    {0x003C, "&lt;"},
    {0x003E, "&gt;"},      {0x00A0, "&nbsp;"},   {0x00A1, "&iexcl;"},   {0x00A2, "&cent;"},
    {0x00A3, "&pound;"},   {0x00A4, "&curren;"}, {0x00A5, "&yen;"},     {0x00A6, "&brvbar;"},
    {0x00A7, "&sect;"},    {0x00A9, "&copy;"},   {0x00AA, "&ordf;"},    {0x00AB, "&laquo;"},
    {0x00AC, "&not;"},     {0x00AE, "&reg;"},    {0x00B0, "&deg;"},     {0x00B1, "&plusmn;"},
    {0x00B2, "&sup2;"},    {0x00B3, "&sup3;"},   {0x00B5, "&micro;"},   {0x00B6, "&para;"},
    {0x00B7, "&middot;"},  {0x00B9, "&sup1;"},   {0x00BA, "&ordm;"},    {0x00BB, "&raquo;"},
    {0x00BC, "&frac14;"},  {0x00BD, "&frac12;"}, {0x00BE, "&frac34;"},  {0x00BF, "&iquest;"},
    {0x00D7, "&times;"},   {0x00F7, "&divide;"}, {0x00C0, "&Agrave;"},  {0x00C1, "&Aacute;"},
    {0x00C2, "&Acirc;"},   {0x00C3, "&Atilde;"}, {0x00C4, "&Auml;"},    {0x00C5, "&Aring;"},
    {0x00C6, "&AElig;"},   {0x00C7, "&Ccedil;"}, {0x00C8, "&Egrave;"},  {0x00C9, "&Eacute;"},
    {0x00CA, "&Ecirc;"},   {0x00CB, "&Euml;"},   {0x00CC, "&Igrave;"},  {0x00CD, "&Iacute;"},
    {0x00CE, "&Icirc;"},   {0x00CF, "&Iuml;"},   {0x00D0, "&ETH;"},     {0x00D1, "&Ntilde;"},
    {0x00D2, "&Ograve;"},  {0x00D3, "&Oacute;"}, {0x00D4, "&Ocirc;"},   {0x00D5, "&Otilde;"},
    {0x00D6, "&Ouml;"},    {0x00D8, "&Oslash;"}, {0x00D9, "&Ugrave;"},  {0x00DA, "&Uacute;"},
    {0x00DB, "&Ucirc;"},   {0x00DC, "&Uuml;"},   {0x00DD, "&Yacute;"},  {0x00DE, "&THORN;"},
    {0x00DF, "&szlig;"},   {0x00E0, "&agrave;"}, {0x00E1, "&aacute;"},  {0x00E2, "&acirc;"},
    {0x00E3, "&atilde;"},  {0x00E4, "&auml;"},   {0x00E5, "&aring;"},   {0x00E6, "&aelig;"},
    {0x00E7, "&ccedil;"},  {0x00E8, "&egrave;"}, {0x00E9, "&eacute;"},  {0x00EA, "&ecirc;"},
    {0x00EB, "&euml;"},    {0x00EC, "&igrave;"}, {0x00ED, "&iacute;"},  {0x00EE, "&icirc;"},
    {0x00EF, "&iuml;"},    {0x00F0, "&eth;"},    {0x00F1, "&ntilde;"},  {0x00F2, "&ograve;"},
    {0x00F3, "&oacute;"},  {0x00F4, "&ocirc;"},  {0x00F5, "&otilde;"},  {0x00F6, "&ouml;"},
    {0x00F8, "&oslash;"},  {0x00F9, "&ugrave;"}, {0x00FA, "&uacute;"},  {0x00FB, "&ucirc;"},
    {0x00FC, "&uuml;"},    {0x00FD, "&yacute;"}, {0x00FE, "&thorn;"},   {0x00FF, "&yuml;"},
    {0x0152, "&OElig;"},   {0x0153, "&oelig;"},  {0x0178, "&Yuml;"},    {0x20AC, "&euro;"},
    {0x0391, "&Alpha;"},   {0x0392, "&Beta;"},   {0x0393, "&Gamma;"},   {0x0394, "&Delta;"},
    {0x0395, "&Epsilon;"}, {0x0396, "&Zeta;"},   {0x0397, "&Eta;"},     {0x0398, "&Theta;"},
    {0x0399, "&Iota;"},    {0x039A, "&Kappa;"},  {0x039B, "&Lambda;"},  {0x039C, "&Mu;"},
    {0x039D, "&Nu;"},      {0x039E, "&Xi;"},     {0x039F, "&Omicron;"}, {0x03A0, "&Pi;"},
    {0x03A1, "&Rho;"},     {0x03A3, "&Sigma;"},  {0x03A4, "&Tau;"},     {0x03A5, "&Upsilon;"},
    {0x03A6, "&Phi;"},     {0x03A7, "&Chi;"},    {0x03A8, "&Psi;"},     {0x03A9, "&Omega;"},
    {0x03B1, "&alpha;"},   {0x03B2, "&beta;"},   {0x03B3, "&gamma;"},   {0x03B4, "&delta;"},
    {0x03B5, "&epsilon;"}, {0x03B6, "&zeta;"},   {0x03B7, "&eta;"},     {0x03B8, "&theta;"},
    {0x03B9, "&iota;"},    {0x03BA, "&kappa;"},  {0x03BB, "&lambda;"},  {0x03BC, "&mu;"},
    {0x03BD, "&nu;"},      {0x03BE, "&xi;"},     {0x03BF, "&omicron;"}, {0x03C0, "&pi;"},
    {0x03C1, "&rho;"},     {0x03C2, "&sigmaf;"}, {0x03C3, "&sigma;"},   {0x03C4, "&tau;"},
    {0x03C5, "&upsilon;"}, {0x03C6, "&phi;"},    {0x03C7, "&chi;"},     {0x03C8, "&psi;"},
    {0x03C9, "&omega;"},   {0x2200, "&forall;"}, {0x2202, "&part;"},    {0x2203, "&exist;"},
    {0x2205, "&empty;"},   {0x2207, "&nabla;"},  {0x2208, "&isin;"},    {0x2209, "&notin;"},
    {0x220B, "&ni;"},      {0x220F, "&prod;"},   {0x2211, "&sum;"},     {0x2212, "&minus;"},
    {0x221A, "&radic;"},   {0x221E, "&infin;"},  {0x2227, "&and;"},     {0x2228, "&or;"},
    {0x2248, "&asymp;"},   {0x2260, "&ne;"},     {0x2261, "&equiv;"},   {0x2264, "&le;"},
    {0x2265, "&ge;"},
};

// --- Helpers
// --------------------------------------------------------------------------------------

inline uint32_t UpperCode(uint32_t c) { return c < kCaseTableSize ? kCase.upper[c] : c; }

// Reads the next character upper-cased; an invalid lead reads as 0, which ends the text.
inline uint32_t NextUpper(const char** cursor) {
  if (!**cursor) return 0;
  uint32_t c = Utf8NextChar(cursor);
  return UpperCode(c);
}

// Matches the whole prefix at text, case ignored; stores the bytes of text consumed.
bool MatchNoCase(const char* text, const char* prefix, const char* textEnd, int32_t* consumed) {
  const char* t = text;
  const char* p = prefix;
  while (*p) {
    if (textEnd ? t >= textEnd : !*t) return false;
    // A counted buffer need not end in a NUL: never decode a sequence that runs past its end.
    if (textEnd && Utf8SeqLen(static_cast<uint8_t>(*t)) > textEnd - t) return false;
    uint32_t a = NextUpper(&t);
    uint32_t b = NextUpper(&p);
    if (a != b || (textEnd && t > textEnd)) return false;
  }
  if (consumed) *consumed = static_cast<int32_t>(t - text);
  return true;
}

// Rewrites the character at p (len bytes) as c when c has the same UTF-8 length.
void ReplaceSameLength(char* p, int32_t len, uint32_t c) {
  if (Utf8EncodedLen(c) == len) Utf8Encode(p, c);
}

// Walks a UTF-8 text in place; map decides each 1- or 2-byte character's new code. 3- and
// 4-byte sequences are passed over whole; the walk stops at an invalid byte.
template <typename Map>
void MapUtf8InPlace(char* text, Map map) {
  if (!text) return;
  char* p = text;
  while (*p) {
    auto lead = static_cast<uint8_t>(*p);
    int32_t len;
    if (lead < 0x80) {
      len = 1;
    } else if ((lead & 0xE0) == 0xC0) {
      len = 2;
    } else if ((lead & 0xF0) == 0xE0) {
      len = 3;
    } else if ((lead & 0xF8) == 0xF0) {
      len = 4;
    } else {
      return;
    }
    for (int32_t i = 1; i < len; ++i) {
      if ((static_cast<uint8_t>(p[i]) & 0xC0) != 0x80) return;
    }
    uint32_t c = len <= 3 ? Utf8Decode(p) : 0x10000;
    uint32_t mapped = map(c);
    if (len <= 2 && mapped != c) ReplaceSameLength(p, len, mapped);
    p += len;
  }
}

}  // namespace

SeparatorPair SeparatorsGet() {
  uint32_t v = gSeparators.load(std::memory_order_relaxed);
  return SeparatorPair{static_cast<uint16_t>(v & 0xFFFF), static_cast<uint16_t>(v >> 16)};
}

void SeparatorsSet(SeparatorPair pair) {
  gSeparators.store(pair.decimal | (static_cast<uint32_t>(pair.thousands) << 16),
                    std::memory_order_relaxed);
}

const char* LanguageName(int32_t language) {
  return language >= 0 && language < kLanguageCount ? kLanguages[language].name : "English";
}

const char* LanguageCode(int32_t language) {
  return language >= 0 && language < kLanguageCount ? kLanguages[language].code : nullptr;
}

void LanguagesEnableAll() {
  for (bool& flag : gLanguageEnabled) flag = true;
}

bool LanguageEnabled(int32_t language) {
  return language >= 0 && language < kLanguageCount && gLanguageEnabled[language];
}

void LanguageSetEnabled(int32_t language, bool enabled) {
  if (language >= 0 && language < kLanguageCount) gLanguageEnabled[language] = enabled;
}

const char* GetStringInLanguage(int32_t id, int32_t language) {
  // Looking up the explicit language gives what switching the current language for the call
  // would give, without touching the process-wide setting other threads read.
  if (id < 0) return nullptr;
  return GetStringLang(id - id % 100, id % 100, language);
}

char CaseModeLetter(int32_t mode) { return mode >= 0 && mode < 6 ? "ULDWSN"[mode] : 0; }

const char* PlatformName() { return "64-bit x86"; }

void CaseTablesInit() {}

uint32_t CharToUpper(uint32_t unit) { return unit < kCaseTableSize ? kCase.upper[unit] : unit; }
uint32_t CharToLower(uint32_t unit) { return unit < kCaseTableSize ? kCase.lower[unit] : unit; }
uint32_t CharStripAccent(uint32_t unit) { return unit < kCaseTableSize ? kCase.base[unit] : unit; }

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

bool StrStartsWithNoCase(const char* text, const char* prefix) {
  if (!prefix || !*prefix) return true;
  return MatchNoCase(text ? text : "", prefix, nullptr, nullptr);
}

bool StrStartsWithByMode(const char* text, const char* prefix, int32_t mode) {
  if (mode != kCaseSensitive) return StrStartsWithNoCase(text, prefix);
  if (!prefix) return true;
  if (!text) text = "";
  while (*prefix) {
    if (*text++ != *prefix++) return false;
  }
  return true;
}

int32_t MemFind(const char* buffer, int32_t length, const char* needle) {
  int32_t n = 0;
  if (needle) {
    while (needle[n]) ++n;
  }
  if (n > length) return -1;
  for (int32_t i = 0; i + n <= length; ++i) {
    int32_t k = 0;
    while (k < n && buffer[i + k] == needle[k]) ++k;
    if (k == n) return i;
  }
  return -1;
}

int32_t MemFindNoCase(const char* buffer, int32_t length, const char* needle) {
  if (!needle || !*needle) return length >= 0 ? 0 : -1;
  const char* end = buffer + length;
  for (const char* p = buffer; p < end; ++p) {
    if (MatchNoCase(p, needle, end, nullptr)) return static_cast<int32_t>(p - buffer);
  }
  return -1;
}

int32_t StrFindNoCase(const char* text, const char* needle) {
  if (!text || !*text || !needle || !*needle) return -1;
  // Start positions are character leads, so a match never begins inside a character.
  for (const char* p = text; *p;) {
    if (MatchNoCase(p, needle, nullptr, nullptr)) return static_cast<int32_t>(p - text);
    Utf8NextChar(&p);
  }
  return -1;
}

int32_t StrCompareNoCase(const char* a, const char* b) {
  if (!a) a = "";
  if (!b) b = "";
  for (;;) {
    uint32_t x = NextUpper(&a);
    uint32_t y = NextUpper(&b);
    if (x != y) return x < y ? -1 : 1;
    if (!x) return 0;
  }
}

bool StrEqualNoCase(const char* a, const char* b) { return StrCompareNoCase(a, b) == 0; }
bool StrEqualNoCaseNullAsEmpty(const char* a, const char* b) { return StrCompareNoCase(a, b) == 0; }

int32_t StrCompareByMode(const char* a, const char* b, int32_t mode) {
  if (mode != kCaseSensitive) return StrCompareNoCase(a, b);
  auto* x = reinterpret_cast<const uint8_t*>(a ? a : "");
  auto* y = reinterpret_cast<const uint8_t*>(b ? b : "");
  while (*x && *x == *y) ++x, ++y;
  return *x == *y ? 0 : (*x < *y ? -1 : 1);
}

void StrCapitalize(char* text) {
  bool first = true;
  MapUtf8InPlace(text, [&first](uint32_t c) {
    uint32_t mapped = first ? CharToUpper(c) : CharToLower(c);
    first = false;
    return c < 0x800 ? mapped : c;
  });
}

void StrWordCaps(char* text) {
  bool wordStart = true;
  MapUtf8InPlace(text, [&wordStart](uint32_t c) {
    int32_t cls = CharBreakClass(c);
    if (cls == 1) {
      wordStart = true;
      return c;
    }
    if (cls == 2) return c;
    uint32_t mapped = wordStart ? CharToUpper(c) : CharToLower(c);
    wordStart = false;
    return c < 0x800 ? mapped : c;
  });
}

void WideWordCaps(wchar_t* text) {
  if (!text) return;
  bool wordStart = true;
  for (; *text; ++text) {
    auto c = static_cast<uint16_t>(*text);
    int32_t cls = CharBreakClass(c);
    if (cls == 1) {
      wordStart = true;
    } else if (cls == 0) {
      *text = static_cast<wchar_t>(wordStart ? CharToUpper(c) : CharToLower(c));
      wordStart = false;
    }
  }
}

void CaseModeApply(char* text, int32_t mode) {
  switch (mode) {
    case kCaseUpper:
      MapUtf8InPlace(text, [](uint32_t c) { return CharToUpper(c); });
      break;
    case kCaseLower:
      MapUtf8InPlace(text, [](uint32_t c) { return CharToLower(c); });
      break;
    case kCaseStandard:
      StrCapitalize(text);
      break;
    case kCaseWordCaps:
      StrWordCaps(text);
      break;
    default:
      break;
  }
}

void WideCaseModeApply(wchar_t* text, int32_t mode) {
  if (!text) return;
  switch (mode) {
    case kCaseUpper:
      for (wchar_t* p = text; *p; ++p)
        *p = static_cast<wchar_t>(CharToUpper(static_cast<uint16_t>(*p)));
      break;
    case kCaseLower:
      for (wchar_t* p = text; *p; ++p)
        *p = static_cast<wchar_t>(CharToLower(static_cast<uint16_t>(*p)));
      break;
    case kCaseStandard:
      for (wchar_t* p = text; *p; ++p) {
        auto c = static_cast<uint16_t>(*p);
        *p = static_cast<wchar_t>(p == text ? CharToUpper(c) : CharToLower(c));
      }
      break;
    case kCaseWordCaps:
      WideWordCaps(text);
      break;
    default:
      break;
  }
}

uint32_t ComposeAccent(uint32_t base, uint32_t mark) {
  if (mark < 0x300 || mark > 0x311 || base > 0x7F) return 0;
  for (const Composition& c : kCompositions) {
    if (c.mark == mark && static_cast<uint32_t>(c.base) == base) return c.composed;
  }
  return 0;
}

const EntityEntry* EntityForChar(uint32_t unit) {
  for (const EntityEntry& e : kEntities) {
    if (e.unit == unit) return &e;
  }
  return nullptr;
}

const EntityEntry* EntityTable() { return kEntities; }

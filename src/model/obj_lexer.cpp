#include "model/obj_lexer.h"

#include <atomic>
#include <cstring>
#include <iostream>

#include "model/obj_reader.h"

namespace {

// Characters read by every model reader of the process; progress reports
// fall on its multiples of 10000.
std::atomic<int64_t> sharedCharacterCount{0};
constexpr int64_t progressInterval = 10000;

const char* const names[TokCount] = {
    "Invalid", "Eof", "TINT", "TFLOAT", "WS", "ENDL", "#~[\\n]*\\n", "$~[\\n]*\\n",
    // model statements
    "v", "vn", "vt", "f|fo", "r|ro", "vp", "cstype", "rat", "bmatrix", "bezier", "bspline",
    "cardinal", "taylor", "deg", "bmat", "u", "step", "p", "l", "curv", "curv2", "surf", "parm",
    "trim", "hole", "scrv", "sp", "end", "con", "s", "off", "mg", "g", "o", "bevel", "on",
    "c_interp", "d_interp", "lod", "maplib", "usemap", "usemtl", "mtllib", "shadow_obj",
    "trace_obj", "ctech", "cparm", "cspace", "stech", "cparma", "cparmb",
    // material statements
    "newmtl", "Ka", "Kd", "Ks", "d", "Ns", "Ni", "map_Ka", "map_Kd", "\\-o", "\\-s", "\\-mm",
    "map_Ks", "map_D", "refl", "bump", "illum", "sharpness", "Tf", "~[\\ \\t\\n\\r@]+"};

struct Keyword {
  const char* text;
  int token;
};

// Every keyword spelling; "fo" and "ro" are the long forms of "f" and "r".
const Keyword keywords[] = {{"v", TokV},
                            {"f", TokF},
                            {"vt", TokVt},
                            {"vn", TokVn},
                            {"s", TokS},
                            {"g", TokG},
                            {"usemtl", TokUsemtl},
                            {"fo", TokF},
                            {"r", TokR},
                            {"ro", TokR},
                            {"vp", TokVp},
                            {"cstype", TokCstype},
                            {"rat", TokRat},
                            {"bmatrix", TokBmatrix},
                            {"bezier", TokBezier},
                            {"bspline", TokBspline},
                            {"cardinal", TokCardinal},
                            {"taylor", TokTaylor},
                            {"deg", TokDeg},
                            {"bmat", TokBmat},
                            {"u", TokU},
                            {"step", TokStep},
                            {"p", TokP},
                            {"l", TokL},
                            {"curv", TokCurv},
                            {"curv2", TokCurv2},
                            {"surf", TokSurf},
                            {"parm", TokParm},
                            {"trim", TokTrim},
                            {"hole", TokHole},
                            {"scrv", TokScrv},
                            {"sp", TokSp},
                            {"end", TokEnd},
                            {"con", TokCon},
                            {"off", TokOff},
                            {"mg", TokMg},
                            {"o", TokO},
                            {"bevel", TokBevel},
                            {"on", TokOn},
                            {"c_interp", TokCInterp},
                            {"d_interp", TokDInterp},
                            {"lod", TokLod},
                            {"maplib", TokMaplib},
                            {"usemap", TokUsemap},
                            {"mtllib", TokMtllib},
                            {"shadow_obj", TokShadowObj},
                            {"trace_obj", TokTraceObj},
                            {"ctech", TokCtech},
                            {"cparm", TokCparm},
                            {"cspace", TokCspace},
                            {"stech", TokStech},
                            {"cparma", TokCparma},
                            {"cparmb", TokCparmb},
                            {"newmtl", TokNewmtl},
                            {"Ka", TokKa},
                            {"Kd", TokKd},
                            {"Ks", TokKs},
                            {"d", TokD},
                            {"Ns", TokNs},
                            {"Ni", TokNi},
                            {"map_Ka", TokMapKa},
                            {"map_Kd", TokMapKd},
                            {"-o", TokOptO},
                            {"-s", TokOptS},
                            {"-mm", TokOptMm},
                            {"map_Ks", TokMapKs},
                            {"map_D", TokMapD},
                            {"refl", TokRefl},
                            {"bump", TokBump},
                            {"illum", TokIllum},
                            {"sharpness", TokSharpness},
                            {"Tf", TokTf}};
constexpr int longestKeyword = 10;

inline bool isDigit(int c) {
  return c >= '0' && c <= '9';
}

int keywordToken(const char* text, int length) {
  // Face corners and numbers are the common words: no keyword starts with a digit.
  if (length > longestKeyword || isDigit(text[0])) return TokName;
  for (const Keyword& keyword : keywords)
    if (keyword.text[0] == text[0] && std::strlen(keyword.text) == size_t(length) &&
        std::memcmp(keyword.text, text, size_t(length)) == 0)
      return keyword.token;
  return TokName;
}

// States of the number patterns while a word is read: [-] digits [. digits]
// [e [+-] digits], or [-] . digits [...].
enum NumberState {
  Start,
  Sign,
  Digits,        // TINT so far
  Dot,           // "." or "-." without digits yet
  Fraction,      // TFLOAT so far
  ExponentE,     // after "e"
  ExponentSign,  // after "e+" or "e-"
  Exponent,      // TFLOAT with exponent
  NotNumber
};

inline NumberState advance(NumberState state, int c) {
  switch (state) {
    case Start:
      if (c == '-') return Sign;
      // fall through
    case Sign:
      if (isDigit(c)) return Digits;
      return c == '.' ? Dot : NotNumber;
    case Digits:
      if (isDigit(c)) return Digits;
      if (c == '.') return Fraction;
      return c == 'e' || c == 'E' ? ExponentE : NotNumber;
    case Dot:
      return isDigit(c) ? Fraction : NotNumber;
    case Fraction:
      if (isDigit(c)) return Fraction;
      return c == 'e' || c == 'E' ? ExponentE : NotNumber;
    case ExponentE:
      if (c == '+' || c == '-') return ExponentSign;
      // fall through
    case ExponentSign:
    case Exponent:
      return isDigit(c) ? Exponent : NotNumber;
    default:
      return NotNumber;
  }
}

inline bool endsWord(int c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == EOF;
}

}  // namespace

const char* tokenName(int token) {
  return token >= 0 && token < TokCount ? names[token] : names[TokInvalid];
}

DLGProgressStream::DLGProgressStream(std::streambuf* input, ProgressBase* progress)
    : input(input), progress(progress), ended(!input), untilProgress(INT64_MAX) {
  if (progress) untilProgress = progressInterval - 1 - sharedCharacterCount % progressInterval;
}

DLGProgressStream::~DLGProgressStream() {
  if (progress) sharedCharacterCount += counted;
}

int DLGProgressStream::getReported() {
  ++counted;
  untilProgress = progressInterval - 1;
  progress->progress(int(input->pubseekoff(0, std::ios_base::cur, std::ios_base::in)));
  int c = input->sbumpc();
  ended = c == EOF;
  return c;
}

OBJLexer::OBJLexer(std::streambuf* input, ProgressBase* progress)
    : stream(input, progress), ahead(stream.get()) {}

// A "#" or "$" line, up to and including its line end. Without one before
// the end of input it is no token at all.
void OBJLexer::lexComment() {
  textLength = 0;
  int c = ahead;
  while (c != '\n' && c != EOF) {
    keep(c);
    c = stream.get();
  }
  if (c == '\n') {
    ++lineCount;
    ahead = stream.get();
    return;
  }
  buffer[textLength] = 0;
  std::cerr << "invalid token"
            << " near line " << lineCount << " (text was '" << buffer << "')\n";
  ahead = EOF;
}

int OBJLexer::next() {
  for (;;) {
    int c = ahead;
    switch (c) {
      case ' ':
      case '\t':
        do c = stream.get();
        while (c == ' ' || c == '\t');
        ahead = c;
        continue;
      case '#':
      case '$':
        lexComment();
        continue;
      case EOF:
        std::memcpy(buffer, "<eof>", 6);
        textLength = 5;
        return TokEof;
      case '\n':
      case '\r':
        buffer[0] = char(c);
        buffer[1] = 0;
        textLength = 1;
        ++lineCount;
        ahead = stream.get();
        return TokEndl;
      default:
        break;
    }
    // A word: every pattern left matches only runs of other characters, and
    // NAME matches any run, so the longest match is the whole run.
    textLength = 0;
    NumberState state = Start;
    do {
      keep(c);
      state = advance(state, c);
      c = stream.get();
    } while (!endsWord(c));
    ahead = c;
    buffer[textLength] = 0;
    switch (state) {
      case Digits:
        return TokInt;
      case Fraction:
      case Exponent:
        return TokFloat;
      default:
        return keywordToken(buffer, textLength);
    }
  }
}

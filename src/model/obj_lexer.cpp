#include "model/obj_lexer.h"

#include <algorithm>
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

inline bool endsWord(int c) {
  return c <= ' ' && (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == EOF);
}

}  // namespace

const char* tokenName(int token) {
  return token >= 0 && token < TokCount ? names[token] : names[TokInvalid];
}

DLGProgressStream::DLGProgressStream(std::streambuf* input, ProgressBase* progress)
    : input(input),
      progress(progress),
      block(new char[blockSize]),
      next(block.get()),
      limit(next),
      filled(next),
      ended(!input),
      untilProgress(INT64_MAX) {
  if (progress) untilProgress = progressInterval - 1 - sharedCharacterCount % progressInterval;
}

DLGProgressStream::~DLGProgressStream() {
  if (progress) sharedCharacterCount += handedOut - (limit - next);
}

// At the end of the block, or at a character that is due for a report.
int DLGProgressStream::refill() {
  if (ended) return EOF;
  if (next == filled) {
    base = input->pubseekoff(0, std::ios_base::cur, std::ios_base::in);
    std::streamsize count = input->sgetn(block.get(), std::streamsize(blockSize));
    if (count <= 0) {
      ended = true;
      return EOF;
    }
    next = block.get();
    filled = next + count;
  }
  if (untilProgress == 0) {
    progress->progress(int(base + (next - block.get())));
    untilProgress = progressInterval;
  }
  const int64_t window = std::min<int64_t>(filled - next, untilProgress);
  limit = next + window;
  untilProgress -= window;
  handedOut += window;
  return (unsigned char)*next++;
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
    int kind = lexNumber(c);
    if (!endsWord(c)) {
      kind = TokName;
      do {
        keep(c);
        c = stream.get();
      } while (!endsWord(c));
    }
    ahead = c;
    buffer[textLength] = 0;
    return kind == TokName ? keywordToken(buffer, textLength) : kind;
  }
}

// The longest start of a word that the number patterns match: [-] digits
// [. [digits]] [exponent], or [-] . digits [exponent]. c ends as the first
// character after it; TokName when the start is no number at all.
int OBJLexer::lexNumber(int& c) {
  auto digits = [&] {
    bool any = false;
    for (; isDigit(c); any = true) {
      keep(c);
      c = stream.get();
    }
    return any;
  };
  if (c == '-') {
    keep(c);
    c = stream.get();
  }
  int kind = digits() ? TokInt : TokName;
  if (c == '.') {
    keep(c);
    c = stream.get();
    if (digits() || kind == TokInt) kind = TokFloat;
  }
  if (kind != TokName && (c == 'e' || c == 'E')) {
    keep(c);
    c = stream.get();
    if (c == '+' || c == '-') {
      keep(c);
      c = stream.get();
    }
    kind = digits() ? TokFloat : TokName;
  }
  return kind;
}

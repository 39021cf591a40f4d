#pragma once
#include <cstdint>
#include <cstdio>
#include <memory>
#include <streambuf>

class ProgressBase;

// Token numbers of model and material files. Their order decides which
// pattern wins when two match the same text: the lower number.
enum ObjToken : int {
  TokInvalid,
  TokEof,
  TokInt,
  TokFloat,
  TokSpace,
  TokEndl,
  TokHashComment,
  TokDollarComment,
  // Statements of model files, and their sub-keywords.
  TokV,
  TokVn,
  TokVt,
  TokF,
  TokR,
  TokVp,
  TokCstype,
  TokRat,
  TokBmatrix,
  TokBezier,
  TokBspline,
  TokCardinal,
  TokTaylor,
  TokDeg,
  TokBmat,
  TokU,
  TokStep,
  TokP,
  TokL,
  TokCurv,
  TokCurv2,
  TokSurf,
  TokParm,
  TokTrim,
  TokHole,
  TokScrv,
  TokSp,
  TokEnd,
  TokCon,
  TokS,
  TokOff,
  TokMg,
  TokG,
  TokO,
  TokBevel,
  TokOn,
  TokCInterp,
  TokDInterp,
  TokLod,
  TokMaplib,
  TokUsemap,
  TokUsemtl,
  TokMtllib,
  TokShadowObj,
  TokTraceObj,
  TokCtech,
  TokCparm,
  TokCspace,
  TokStech,
  TokCparma,
  TokCparmb,
  // Statements of material libraries, and the options of "map_Kd".
  TokNewmtl,
  TokKa,
  TokKd,
  TokKs,
  TokD,
  TokNs,
  TokNi,
  TokMapKa,
  TokMapKd,
  TokOptO,
  TokOptS,
  TokOptMm,
  TokMapKs,
  TokMapD,
  TokRefl,
  TokBump,
  TokIllum,
  TokSharpness,
  TokTf,
  TokName,
  TokCount
};

// A number operand is either kind.
inline bool isNumber(int token) {
  return token == TokInt || token == TokFloat;
}

// The name of a token kind as messages print it.
const char* tokenName(int token);

// The characters of a model file, one per call, taken from the stream
// buffer a block at a time; end of input from the first end-of-file on.
// With a progress sink, every character counts towards the count shared by
// all model readers of the process, and when that count reaches a multiple
// of 10000 the sink hears the read position before the character is read.
class DLGProgressStream {
 public:
  DLGProgressStream(std::streambuf* input, ProgressBase* progress);
  ~DLGProgressStream();
  DLGProgressStream(const DLGProgressStream&) = delete;
  DLGProgressStream& operator=(const DLGProgressStream&) = delete;

  int get() { return next != limit ? (unsigned char)*next++ : refill(); }

 private:
  int refill();

  static constexpr size_t blockSize = 32768;
  std::streambuf* input;
  ProgressBase* progress;
  std::unique_ptr<char[]> block;
  char* next;               // the next character to hand out
  char* limit;              // where get() must stop and look again
  char* filled;             // the end of what the block holds
  std::streamoff base = 0;  // stream position of the block's first character
  bool ended;
  int64_t handedOut = 0;  // characters up to limit
  int64_t untilProgress;  // characters until the next report
};

// Turns the characters of a model or material file into tokens. Blanks and
// comments are dropped; the text of the last token read stays in a fixed
// buffer until the next call.
class OBJLexer {
 public:
  explicit OBJLexer(std::streambuf* input, ProgressBase* progress = nullptr);
  OBJLexer(const OBJLexer&) = delete;
  OBJLexer& operator=(const OBJLexer&) = delete;

  int next();  // the kind of the next token
  const char* text() const { return buffer; }
  int length() const { return textLength; }
  int line() const { return lineCount; }  // the count when the last token was read

  static constexpr int textCapacity = 2000;  // kept: the first 1999 characters

 private:
  void keep(int c) {
    if (textLength < textCapacity - 1) buffer[textLength++] = char(c);
  }
  void lexComment();
  int lexNumber(int& c);

  DLGProgressStream stream;
  int ahead;  // the character after the last token
  int lineCount = 1;
  int textLength = 0;
  char buffer[textCapacity];
};

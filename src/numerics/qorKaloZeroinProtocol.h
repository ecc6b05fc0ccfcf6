#pragma once
// The step-by-step protocol of Zeroin. Lines go to a temporary file beside the target;
// Commit renames it over the target, so a reader never sees a half-written protocol
// and a run that raises leaves an existing protocol untouched.

#include "qorKaloBase.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

class TZeroinProtocol {
public:
  // A protocol for FileName, which must outlive it; an empty name makes every call a
  // no-op and costs nothing more (Zeroin makes one for every root).
  explicit TZeroinProtocol(const std::string& FileName) : FFileName(FileName) {}
  // Removes the temporary file unless Commit succeeded.
  ~TZeroinProtocol();
  TZeroinProtocol(const TZeroinProtocol&) = delete;
  TZeroinProtocol& operator=(const TZeroinProtocol&) = delete;

  // Creates the temporary file; false when it cannot be created. True without a name.
  bool Open();
  // True when the calls below write to a file.
  bool Writes() const { return FFile != nullptr; }
  // Two lines: the three points, then their function values.
  void Points(Extended a, Extended b, Extended c, Extended fa, Extended fb, Extended fc) {
    if (FFile) WritePoints(a, b, c, fa, fb, fc);
  }
  // The kind of step chosen.
  void Method(const char* Name) {
    if (FFile) WriteLine(Name);
  }
  // Why b moves, and by how much.
  void Step(const char* Reason, Extended d) {
    if (FFile) WriteStep(Reason, d);
  }
  // The new point and its value, the evaluations so far, two empty lines.
  void NewPoint(Extended b, Extended fb, int Iter) {
    if (FFile) WriteNewPoint(b, fb, Iter);
  }
  // Closes the file and renames it over the target; raises EInOutError on failure.
  void Commit();

private:
  struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  // Without a file every call above returns at once: Zeroin makes them in every step.
  void WritePoints(Extended a, Extended b, Extended c, Extended fa, Extended fb, Extended fc);
  void WriteStep(const char* Reason, Extended d);
  void WriteNewPoint(Extended b, Extended fb, int Iter);
  void WriteLine(const std::string& Line);

  const std::string& FFileName;
  std::filesystem::path FTarget;  // FFileName, once Open has a file to write
  std::filesystem::path FTemporary;
  std::unique_ptr<std::FILE, FileCloser> FFile;
};

// The line naming each kind of step.
extern const char* const ProtocolBisection;         // "Bisektion"
extern const char* const ProtocolSecant;            // "Sekantenverfahren"
extern const char* const ProtocolInverseQuadratic;  // "inverse quadratische Interpolation"

// The start of the line for each way b moves.
extern const char* const ProtocolStepByD;      // "Differenz d zum neuen b:  "
extern const char* const ProtocolAddTol;       // "Fehlerschranke wird addiert:     "
extern const char* const ProtocolSubtractTol;  // "Fehlerschranke wird subtrahiert: "

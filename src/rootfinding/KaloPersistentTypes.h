#pragma once
// The root-finding task: the function f(x), the search range, the node count and the
// two error bounds. The model enforces no limits; the windows keep the node count in
// range.

#include "KaloToolsUtil.h"
#include "qorKaloBase.h"

#include <memory>

// The function f(x) of a task: a Lua expression in x or a complete Lua chunk that
// defines the global function fct.
class TKaloPersistFunction : public TKaloPersistentType {
public:
  static const char* const DefaultFunctionScript;  // the polynomial of a new task

  const QString& FunctionScript() const { return FFunctionScript; }
  void setFunctionScript(const QString& value) { FFunctionScript = value; }
  bool SimpleScript() const { return FSimpleScript; }
  void setSimpleScript(bool value) { FSimpleScript = value; }

  // The Lua text the script host compiles: a simple expression wrapped as
  // "function fct(x) return (...); end;", a full script unchanged.
  QString LuaText() const;

  // Appends the element Function to the current element and writes ID, Name,
  // SimpleScript and Script into it; the Function element stays current.
  void WriteToElement(TqorXMLNode& Elem) const override;
  // Reads from the child element Function, or from the current element when there is
  // none; a missing SimpleScript counts as true. The line breaks of a full script come
  // back as CR LF.
  void ReadFromElement(TqorXMLNode& Elem) override;

private:
  QString FFunctionScript = QString::fromUtf8(DefaultFunctionScript);
  bool FSimpleScript = true;
};

// The node counts the user interfaces accept: fewer nodes miss roots, more make a
// calculation slow without showing more.
inline constexpr int MinNodeCount = 10;
inline constexpr int MaxNodeCount = 10000;

// What a calculation looks for beside the function values. Stored in a task file only
// where it differs from the default (roots only), so such tasks are saved as before.
struct TKaloCurveSearch {
  bool Roots = true;         // "Nullstellen"
  bool Extrema = false;      // "Extrema": maxima, minima, largest and smallest value
  bool Inflection = false;   // "Wendepunkte"
  bool Derivatives = false;  // "Ableitungen zeigen": f' and f'' at the nodes, drawn
  bool operator==(const TKaloCurveSearch&) const = default;
};

class TKaloPersistRootFinding : public TKaloPersistentElement {
public:
  TKaloPersistRootFinding();
  TKaloPersistRootFinding(const TKaloPersistRootFinding&) = delete;
  TKaloPersistRootFinding& operator=(const TKaloPersistRootFinding&) = delete;

  // Takes over every field of Source, the function's identifier included; RootFunction
  // stays the same object.
  void Assign(const TKaloPersistRootFinding& Source);

  TKaloPersistFunction& RootFunction() { return *FRootFunction; }
  const TKaloPersistFunction& RootFunction() const { return *FRootFunction; }

  // The task's name is its function's name.
  const QString& Name() const { return FRootFunction->Name(); }
  void setName(const QString& value) { FRootFunction->setName(value); }

  Extended xMin() const { return FxMin; }
  void setxMin(Extended value) { FxMin = value; }
  Extended xMax() const { return FxMax; }
  void setxMax(Extended value) { FxMax = value; }
  Extended AbsErrorBound() const { return FAbsErrorBound; }
  void setAbsErrorBound(Extended value) { FAbsErrorBound = value; }
  Extended RelErrorBound() const { return FRelErrorBound; }
  void setRelErrorBound(Extended value) { FRelErrorBound = value; }
  int NodeCount() const { return FNodeCount; }
  void setNodeCount(int value) { FNodeCount = value; }
  // Also search roots where f touches zero between nodes ("Berührstellen suchen").
  bool TouchingRoots() const { return FTouchingRoots; }
  void setTouchingRoots(bool value) { FTouchingRoots = value; }
  // Also run the proved search ("Nullstellen beweisen") and refine its roots to
  // ProofDigits digits (0: to the nearest double; at most MaxProofDigits).
  bool ProveRoots() const { return FProveRoots; }
  void setProveRoots(bool value) { FProveRoots = value; }
  int ProofDigits() const { return FProofDigits; }
  void setProofDigits(int value) { FProofDigits = value; }
  // What "Berechnen" looks for (the attributes FindRoots, FindExtrema, FindInflection).
  const TKaloCurveSearch& CurveSearch() const { return FCurveSearch; }
  void setCurveSearch(const TKaloCurveSearch& value) { FCurveSearch = value; }

  // The attributes xMin, xMax, AbsErrorBound, RelErrorBound (reals rounded to double)
  // and NodeCount on the current element (TouchingRoots, ProveRoots and ProofDigits too,
  // only when set), then the Function element. A real without a
  // finite double (beyond about 1.8E+308, infinite, NaN) raises EConvertError naming
  // the attribute, since the file could not be read back.
  void WriteToElement(TqorXMLNode& Elem) const override;
  // Reads the same attributes and the function, all or nothing: when a value has the
  // wrong kind (EConvertError naming the attribute), the task keeps every field.
  // Missing attributes keep their fields, except that a missing TouchingRoots or
  // ProveRoots is off and a missing ProofDigits is 0; ProofDigits is held to 0 to
  // MaxProofDigits.
  void ReadFromElement(TqorXMLNode& Elem) override;

private:
  // The steps of ReadFromElement, applied to this object as they go.
  void ReadFields(TqorXMLNode& Elem);

  std::unique_ptr<TKaloPersistFunction> FRootFunction;
  Extended FxMin = -2.5L;
  Extended FxMax = 2.5L;
  Extended FAbsErrorBound;
  Extended FRelErrorBound = 0;
  int FNodeCount = 200;
  bool FTouchingRoots = false;
  bool FProveRoots = false;
  int FProofDigits = 0;
  TKaloCurveSearch FCurveSearch;
};

// The document element of a task file.
inline constexpr const char* TaskDocTypeName = "RootFinding";

// Saves Task as the task file FileName. A task without a name is first named after
// the file (its name without folder and extension), as it will be known when opened.
void SaveTaskFile(const QString& FileName, TKaloPersistRootFinding& Task);

// Reads the task file FileName into Task, all or nothing (errors as
// LoadPersistentElement); a task still without a name is then named after the file.
void LoadTaskFile(const QString& FileName, TKaloPersistRootFinding& Task);
